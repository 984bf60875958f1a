// The search language: statements built from columns or read from their fragments, and patterns turned into
// bound values (never into SQL text).
#include "data/store/statement.h"

#include <QTest>

using dalil::Condition;
using dalil::Statement;

using Fragments = QList<std::pair<QString, QString>>;
Q_DECLARE_METATYPE(Fragments)

class TestStatement : public QObject
{
    Q_OBJECT

private slots:
    void buildsTheStatementsInUse_data();
    void buildsTheStatementsInUse();
    void refusesWhatIsNotTheLanguage_data();
    void refusesWhatIsNotTheLanguage();
    void fragmentsKeepTypedTextApart();
    void likePatterns_data();
    void likePatterns();
    void patternsAreBoundNotPasted();
};

void TestStatement::buildsTheStatementsInUse_data()
{
    QTest::addColumn<QString>("head");
    QTest::addColumn<Fragments>("conditions");
    QTest::addColumn<QString>("order");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("columns");

    QTest::newRow("phone by name")
        << "select * from Phone " << Fragments{{"where الإسم like'", "أحمد*"}} << "order by الإسم"
        << QStringLiteral("select * from Phone where الإسم like'أحمد*'order by الإسم") << "Phone"
        << QStringList{"الإسم"};
    QTest::newRow("phone by number")
        << "select * from Phone "
        << Fragments{{"where المنزل like'", "07*"}, {"OR الجوال Like'", "07*"}, {"OR المكتب Like'", "07*"}}
        << "order by الإسم"
        << QStringLiteral("select * from Phone where المنزل like'07*'OR الجوال Like'07*'OR المكتب Like'07*'order by الإسم")
        << "Phone" << QStringList{"المنزل", "الجوال", "المكتب"};
    QTest::newRow("cheque by date")
        << "select * from Cheque "
        << Fragments{{"where اليوم like'", "5*"}, {"AND الشهر Like'", "3*"}, {"AND العام Like'", "2002*"}}
        << "order by السيد"
        << QStringLiteral("select * from Cheque where اليوم like'5*'AND الشهر Like'3*'AND العام Like'2002*'order by السيد")
        << "Cheque" << QStringList{"اليوم", "الشهر", "العام"};
    QTest::newRow("cheque by name")
        << "select * from Cheque " << Fragments{{"where السيد like'", "*"}} << "order by السيد"
        << QStringLiteral("select * from Cheque where السيد like'*'order by السيد") << "Cheque" << QStringList{"السيد"};
    QTest::newRow("sums by name")
        << "select * from TotalCheque " << Fragments{{"where السيد like'", "علي*"}} << "order by السيد"
        << QStringLiteral("select * from TotalCheque where السيد like'علي*'order by السيد") << "TotalCheque"
        << QStringList{"السيد"};
    QTest::newRow("keywords in any case")
        << "SELECT * FROM Phone " << Fragments{{"WHERE الإسم LIKE'", "a*"}} << "ORDER BY الإسم"
        << QStringLiteral("SELECT * FROM Phone WHERE الإسم LIKE'a*'ORDER BY الإسم") << "Phone" << QStringList{"الإسم"};
    QTest::newRow("no condition, no order")
        << "select * from Note " << Fragments{} << QString() << QStringLiteral("select * from Note ") << "Note"
        << QStringList{};
}

void TestStatement::buildsTheStatementsInUse()
{
    QFETCH(QString, head);
    QFETCH(Fragments, conditions);
    QFETCH(QString, order);
    QFETCH(QString, text);
    QFETCH(QString, source);
    QFETCH(QStringList, columns);

    const Statement statement = Statement::build(head, conditions, order);
    QVERIFY(statement.isWellFormed());
    QCOMPARE(statement.refusedFragment(), QString());
    QCOMPARE(statement.source(), source);
    QStringList readColumns, readPatterns, patterns;
    for (const Condition &c : statement.conditions()) {
        readColumns << c.column;
        readPatterns << c.pattern;
    }
    for (const auto &condition : conditions)
        patterns << condition.second;
    QCOMPARE(readColumns, columns);
    QCOMPARE(readPatterns, patterns);
    QCOMPARE(statement.orderColumn(), order.section(u' ', 2));
    QCOMPARE(statement.text(), text); // reads as its fragments, in order

    // The same search built as the windows build it, from columns and joins: the same text
    // (in the program's own spelling of the keywords) and the same SQL.
    Statement typed = Statement::select(source);
    for (const auto &[fragment, pattern] : conditions) {
        const QString join = fragment.section(u' ', 0, 0).toLower(), column = fragment.section(u' ', 1, 1);
        join == u"where" ? typed.where(column, pattern) : join == u"and" ? typed.andWhere(column, pattern)
                                                                          : typed.orWhere(column, pattern);
    }
    if (!order.isEmpty())
        typed.orderBy(order.section(u' ', 2));
    QVERIFY(typed.isWellFormed());
    if (head.startsWith(u's'))
        QCOMPARE(typed.text(), text);
    const Statement::Sql sql = statement.toSql(), typedSql = typed.toSql();
    QCOMPARE(typedSql.where, sql.where);
    QCOMPARE(typedSql.orderBy, sql.orderBy);
    QCOMPARE(typedSql.values, sql.values);
}

void TestStatement::refusesWhatIsNotTheLanguage_data()
{
    QTest::addColumn<QString>("head");
    QTest::addColumn<Fragments>("conditions");
    QTest::addColumn<QString>("order");
    QTest::addColumn<QString>("refused");

    QTest::newRow("columns named") << "select الإسم from Phone" << Fragments{} << QString() << "select الإسم from Phone";
    QTest::newRow("a second statement")
        << "select * from Phone " << Fragments{{"where الإسم like'a*'; DROP TABLE Phone; --", ""}} << QString()
        << "where الإسم like'a*'; DROP TABLE Phone; --";
    QTest::newRow("AND before where") << "select * from Phone " << Fragments{{"AND الإسم like'", "a*"}} << QString()
                                      << "AND الإسم like'";
    QTest::newRow("two wheres") << "select * from Phone " << Fragments{{"where a like'", "x"}, {"where b like'", "y"}}
                                << QString() << "where b like'";
    QTest::newRow("not like") << "select * from Phone " << Fragments{{"where الإسم = '", "x"}} << QString()
                              << "where الإسم = '";
    QTest::newRow("misspelt order") << "select * from Phone " << Fragments{{"where الإسم like'", "a*"}}
                                    << "order الإسم" << "order الإسم";
    QTest::newRow("the first refusal is the one named")
        << "select * from Phone " << Fragments{{"OR 1=1; --", ""}, {"where الإسم like'", "a*"}} << "sort by x"
        << "OR 1=1; --";
}

void TestStatement::refusesWhatIsNotTheLanguage()
{
    QFETCH(QString, head);
    QFETCH(Fragments, conditions);
    QFETCH(QString, order);
    QFETCH(QString, refused);

    // Fragment by fragment, each refusal is reported to the caller...
    std::optional<Statement> statement = Statement::fromFragments(head);
    if (statement) {
        bool allTaken = true;
        for (const auto &[fragment, pattern] : conditions)
            allTaken = statement->addCondition(fragment, pattern) && allTaken;
        if (!order.isEmpty())
            allTaken = statement->setOrder(order) && allTaken;
        QVERIFY(!allTaken);
        // ...and kept by the statement, which is then not fit to open.
        QVERIFY(!statement->isWellFormed());
        QCOMPARE(statement->refusedFragment(), refused);
    } else {
        QCOMPARE(head, refused);
    }
}

void TestStatement::fragmentsKeepTypedTextApart()
{
    // A typed text that holds quotes and SQL stays a pattern: it never becomes part of the
    // statement's structure.
    auto statement = Statement::fromFragments(QStringLiteral("select * from Phone "));
    QVERIFY(statement);
    const QString typed = QStringLiteral("O'Neil'; DROP TABLE Phone; --");
    QVERIFY(statement->addCondition(QStringLiteral("where الإسم like'"), typed + u'*'));
    QVERIFY(statement->setOrder(QStringLiteral("order by الإسم")));
    QCOMPARE(statement->text(), QStringLiteral("select * from Phone where الإسم like'") + typed
                                    + QStringLiteral("*'order by الإسم"));
    QCOMPARE(statement->conditions().size(), 1);
    QCOMPARE(statement->conditions().first().pattern, typed + u'*');
    const auto sql = statement->toSql();
    QVERIFY(!sql.where.contains(QStringLiteral("DROP")));
    QVERIFY(!sql.where.contains(u'\''));
    QVERIFY(sql.values.contains(typed));

    QVERIFY(statement->isWellFormed());
}

void TestStatement::likePatterns_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<bool>("plainPrefix");
    QTest::addColumn<bool>("exact");
    QTest::addColumn<QString>("sqlLike");

    QTest::newRow("prefix") << "07*" << "07" << true << false << "07%";
    QTest::newRow("wildcard alone") << "*" << "" << true << false << "%";
    QTest::newRow("star inside") << "a*b*" << "a" << false << false << "a%b%";
    QTest::newRow("question mark") << "a?c*" << "a" << false << false << "a_c%";
    QTest::newRow("percent is literal") << "50%*" << "50%" << true << false << "50\\%%";
    QTest::newRow("underscore is literal") << "a_b*" << "a_b" << true << false << "a\\_b%";
    QTest::newRow("backslash is literal") << "a\\*" << "a\\" << true << false << "a\\\\%";
    QTest::newRow("bracket is literal") << "[a*" << "[a" << true << false << "[a%";
    QTest::newRow("no wildcard") << "abc" << "abc" << false << true << "abc";
}

void TestStatement::likePatterns()
{
    QFETCH(QString, pattern);
    QFETCH(QString, prefix);
    QFETCH(bool, plainPrefix);
    QFETCH(bool, exact);
    QFETCH(QString, sqlLike);

    const auto like = dalil::translateLike(pattern);
    QCOMPARE(like.literalPrefix, prefix);
    QCOMPARE(like.isPlainPrefix, plainPrefix);
    QCOMPARE(like.isExact, exact);
    QCOMPARE(like.sqlLike, sqlLike);
}

void TestStatement::patternsAreBoundNotPasted()
{
    const Statement statement = Statement::build(
        QStringLiteral("select * from Cheque "),
        {{QStringLiteral("where اليوم like'"), QStringLiteral("1*")},
         {QStringLiteral("AND الشهر Like'"), QStringLiteral("*")},
         {QStringLiteral("AND العام Like'"), QStringLiteral("20?2*")}},
        QStringLiteral("order by السيد"));
    const auto sql = statement.toSql();
    QCOMPARE(sql.where.count(u'?'), sql.values.size());
    QVERIFY(sql.orderBy.contains(QStringLiteral("\"السيد\"")));
    QVERIFY(sql.values.contains(QStringLiteral("20\\_2%")) == false);
    QVERIFY(sql.values.contains(QStringLiteral("20_2%")));
    // The literal prefix is searched as the range of its column's search key.
    const dalil::SearchKey year = dalil::SearchKey::of(nullptr, QStringLiteral("العام"));
    QVERIFY(sql.where.contains(year.searched + QStringLiteral(" < ?")));
    QVERIFY(sql.values.contains(year.prefixUpperBound(QStringLiteral("20"))));
}

QTEST_APPLESS_MAIN(TestStatement)
#include "tst_statement.moc"
