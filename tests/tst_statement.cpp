// The search language: statements read from their fragments, and patterns turned into
// bound values (never into SQL text).
#include "data/statement.h"

#include <QTest>

using dalil::Condition;
using dalil::Statement;

class TestStatement : public QObject
{
    Q_OBJECT

private slots:
    void parsesTheStatementsInUse_data();
    void parsesTheStatementsInUse();
    void refusesWhatIsNotTheLanguage_data();
    void refusesWhatIsNotTheLanguage();
    void fragmentsKeepTypedTextApart();
    void likePatterns_data();
    void likePatterns();
    void patternsAreBoundNotPasted();
};

void TestStatement::parsesTheStatementsInUse_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("columns");
    QTest::addColumn<QStringList>("patterns");
    QTest::addColumn<QString>("order");

    QTest::newRow("phone by name")
        << QStringLiteral("select * from Phone where الإسم like'أحمد*'order by الإسم") << "Phone"
        << QStringList{"الإسم"} << QStringList{"أحمد*"} << "الإسم";
    QTest::newRow("phone by number")
        << QStringLiteral("select * from Phone where المنزل like'07*'OR الجوال Like'07*'OR المكتب Like'07*'order by الإسم")
        << "Phone" << QStringList{"المنزل", "الجوال", "المكتب"} << QStringList{"07*", "07*", "07*"} << "الإسم";
    QTest::newRow("cheque by date")
        << QStringLiteral("select * from Cheque where اليوم like'5*'AND الشهر Like'3*'AND العام Like'2002*'order by السيد")
        << "Cheque" << QStringList{"اليوم", "الشهر", "العام"} << QStringList{"5*", "3*", "2002*"} << "السيد";
    QTest::newRow("cheque by name")
        << QStringLiteral("select * from Cheque where السيد like'*'order by السيد") << "Cheque"
        << QStringList{"السيد"} << QStringList{"*"} << "السيد";
    QTest::newRow("sums by name")
        << QStringLiteral("select * from TotalCheque where السيد like'علي*'order by السيد") << "TotalCheque"
        << QStringList{"السيد"} << QStringList{"علي*"} << "السيد";
    QTest::newRow("keywords in any case")
        << QStringLiteral("SELECT * FROM Phone WHERE الإسم LIKE'a*'ORDER BY الإسم") << "Phone"
        << QStringList{"الإسم"} << QStringList{"a*"} << "الإسم";
    QTest::newRow("no condition, no order") << QStringLiteral("select * from Note ") << "Note"
                                            << QStringList{} << QStringList{} << QString();
}

void TestStatement::parsesTheStatementsInUse()
{
    QFETCH(QString, text);
    QFETCH(QString, source);
    QFETCH(QStringList, columns);
    QFETCH(QStringList, patterns);
    QFETCH(QString, order);

    const auto statement = Statement::parse(text);
    QVERIFY(statement);
    QCOMPARE(statement->source(), source);
    QStringList readColumns, readPatterns;
    for (const Condition &c : statement->conditions()) {
        readColumns << c.column;
        readPatterns << c.pattern;
    }
    QCOMPARE(readColumns, columns);
    QCOMPARE(readPatterns, patterns);
    QCOMPARE(statement->orderColumn(), order);
    QCOMPARE(statement->text(), text); // reads back exactly as written
}

void TestStatement::refusesWhatIsNotTheLanguage_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("unclosed literal") << QStringLiteral("select * from Phone where الإسم like'abc");
    QTest::newRow("a second statement") << QStringLiteral("select * from Phone where الإسم like'a*'; DROP TABLE Phone");
    QTest::newRow("columns named") << QStringLiteral("select الإسم from Phone");
    QTest::newRow("AND before where") << QStringLiteral("select * from Phone AND الإسم like'a*'");
    QTest::newRow("two wheres") << QStringLiteral("select * from Phone where a like'x'where b like'y'");
    QTest::newRow("not like") << QStringLiteral("select * from Phone where الإسم = 'x'");
}

void TestStatement::refusesWhatIsNotTheLanguage()
{
    QFETCH(QString, text);
    QVERIFY(!Statement::parse(text));
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

    QVERIFY(!statement->addCondition(QStringLiteral("where الإسم like'"), QString()));
    QVERIFY(!statement->addCondition(QStringLiteral("OR 1=1; --"), QString()));
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
    const auto statement = Statement::parse(
        QStringLiteral("select * from Cheque where اليوم like'1*'AND الشهر Like'*'AND العام Like'20?2*'order by السيد"));
    QVERIFY(statement);
    const auto sql = statement->toSql();
    QCOMPARE(sql.where.count(u'?'), sql.values.size());
    QVERIFY(sql.orderBy.contains(QStringLiteral("\"السيد\"")));
    QVERIFY(sql.values.contains(QStringLiteral("20\\_2%")) == false);
    QVERIFY(sql.values.contains(QStringLiteral("20_2%")));
}

QTEST_APPLESS_MAIN(TestStatement)
#include "tst_statement.moc"
