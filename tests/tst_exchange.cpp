// Import and export through the file menu, as the user does it: the window that asks which
// book and format, Qt's file window, the preview, the message. What leaves the program comes
// back identical, what other programs write is read as they meant it, and a bad file writes
// nothing.
#include "testsupport.h"

#include "chequebook/form6.h"
#include "common/dbgrid.h"
#include "common/textbox.h"
#include "data/exchange/csv.h"
#include "data/exchange/exchange.h"
#include "data/store/database.h"
#include "shell/form1.h"
#include "shell/form12.h"
#include "shell/form13.h"
#include "shell/mdiform1.h"

#include <QRadioButton>

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QLabel>
#include <QListWidget>
#include <QJsonDocument>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QToolButton>

#include <ctime>

using namespace dalil;

namespace {

const QString chequeColumns = QStringLiteral("اليوم, الشهر, العام, السيد, دينار, فلس, المبلغ, السبب");

// The cheque book in the order it was written, each value with its type, without identities.
QList<QVariantList> cheques(const testing::AppFolder &folder)
{
    QStringList read;
    for (const QString &column : Exchange::columns(QStringLiteral("Cheque")))
        read << QStringLiteral("\"%1\"").arg(column) << QStringLiteral("typeof(\"%1\")").arg(column);
    return folder.rows(QStringLiteral("SELECT %1 FROM Cheque ORDER BY rowid").arg(read.join(u',')));
}

QList<QVariantList> sums(const testing::AppFolder &folder)
{
    return folder.rows(QStringLiteral("SELECT * FROM ChequeGrandSums")) + folder.rows(QStringLiteral("SELECT * FROM ChequePayeeSums ORDER BY payee"));
}

void addCheque(const testing::AppFolder &folder, const QVariantList &values)
{
    folder.exec(QStringLiteral("INSERT INTO Cheque (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?)").arg(chequeColumns), values);
}

// Texts a spreadsheet would run as formulas, and texts that only look like the marks that
// guard them.
QStringList formulaTexts()
{
    return {QStringLiteral("=1+1"), QStringLiteral("+966 1"), QStringLiteral("-5"), QStringLiteral("@SUM(A1)"),
            QStringLiteral("'=x"), QStringLiteral("'plain"), QStringLiteral("''"), QStringLiteral("\t=tab"),
            QStringLiteral(" spaced "), QStringLiteral("a,\"b\"")};
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class TestExchange : public testing::ProgramFixture
{
    Q_OBJECT

public:
    TestExchange() : testing::ProgramFixture(Frame::Active) {}

private slots:
    void initTestCase()
    {
        // Calendars are read in the user's time zone: the tests fix it.
        qputenv("TZ", "Asia/Riyadh");
        tzset();
    }
    void booksLeaveAndComeBackIdentical_data();
    void booksLeaveAndComeBackIdentical();
    void addressBooksAndCalendarsReadTheExport_data();
    void addressBooksAndCalendarsReadTheExport();
    void otherProgramsFilesThroughTheWindows_data();
    void otherProgramsFilesThroughTheWindows();
    void chequesLeaveAndComeBackIdentical_data();
    void chequesLeaveAndComeBackIdentical();
    void spreadsheetFilesAreReadByTheirHeadings_data();
    void spreadsheetFilesAreReadByTheirHeadings();
    void badFilesWriteNothing_data();
    void badFilesWriteNothing();
    void chequesWhoseWordsSayAnotherAmountAreTheUsersChoice_data();
    void chequesWhoseWordsSayAnotherAmountAreTheUsersChoice();
    void duplicatesAreSkippedAndAnImportIsUndone();
    void aLargeImportIsKeyedWholeAndAnswersWhileReadingTheBook();
    void theSearchInForceIsWhatIsExported();
    void everyRecordGoesOutUnderItsOwnUid();

private:
    Form12 *openExchange(const char *item, int book);
    // Through the import window to the preview of a file into a book.
    Form13 *previewFile(int book, const QString &path, QList<testing::SeenBox> *boxes = nullptr);
    // Export through the windows; the message the user read.
    testing::SeenBox exportCheques(const QString &path, bool byteOrderMark, bool shownOnly = false);
    // Import through the windows up to the preview: the preview, or none and the message read.
    Form13 *previewCheques(const QString &path, QList<testing::SeenBox> *boxes = nullptr);
    // Export through the windows in the book's usual format; the file written.
    QByteArray exportBook(int book, const QString &path);
};

Form12 *TestExchange::openExchange(const char *item, int book)
{
    MDIForm1::instance()->findChild<QAction *>(QLatin1String(item))->trigger();
    auto *window = Forms::loaded<Form12>();
    if (!window || !window->isShown())
        return nullptr;
    window->Combo1->setCurrentIndex(book);
    return window;
}

testing::SeenBox TestExchange::exportCheques(const QString &path, bool byteOrderMark, bool shownOnly)
{
    Form12 *window = openExchange("export", 2);
    if (!window)
        return {};
    // Ticked as a keyboard user does: to the box, then the space bar.
    const auto tick = [](QCheckBox *box) {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_Space);
    };
    if (window->Check2->isChecked() != byteOrderMark)
        tick(window->Check2);
    if (shownOnly)
        tick(window->Check1);
    testing::BoxWatcher watcher;
    testing::answerFileDialog(path);
    QTest::mouseClick(window->Command1, Qt::LeftButton);
    return watcher.boxes().value(0);
}

Form13 *TestExchange::previewCheques(const QString &path, QList<testing::SeenBox> *boxes)
{
    return previewFile(2, path, boxes);
}

Form13 *TestExchange::previewFile(int book, const QString &path, QList<testing::SeenBox> *boxes)
{
    Form12 *window = openExchange("import", book);
    if (!window)
        return nullptr;
    testing::BoxWatcher watcher;
    testing::answerFileDialog(path);
    QTest::mouseClick(window->Command1, Qt::LeftButton);
    if (boxes)
        *boxes = watcher.boxes();
    Form13 *preview = Forms::loaded<Form13>();
    return preview && preview->isShown() ? preview : nullptr;
}

// Each book of hostile texts, exported in each of its formats through the windows and
// imported back into the emptied book: every record as it was, in order. Imported again, every
// record is found already stored and nothing is offered.
void TestExchange::booksLeaveAndComeBackIdentical_data()
{
    QTest::addColumn<int>("book");
    QTest::addColumn<int>("format");
    QTest::newRow("phone book, vCard 4.0") << 0 << 0;
    QTest::newRow("phone book, vCard 3.0") << 0 << 1;
    QTest::newRow("appointments, iCalendar") << 1 << 0;
}

void TestExchange::booksLeaveAndComeBackIdentical()
{
    QFETCH(int, book);
    QFETCH(int, format);
    const QString table = book == 0 ? QStringLiteral("Phone") : QStringLiteral("Note");
    const QStringList columns = Exchange::columns(table);
    int n = 0;
    for (const auto &[name, text] : testing::hostileTexts()) {
        ++n;
        QVariantList values;
        for (int c = 0; c < columns.size(); ++c)
            values << (c == (n % columns.size()) ? QVariant() : QVariant(text));
        if (table == u"Note") {
            // A date the calendar can hold, a time that reads and one that does not.
            values[1] = QString::number(n);
            values[2] = QString::number(n % 12 + 1);
            values[3] = QStringLiteral("2031");
            values[4] = n % 2 ? QStringLiteral("%1:30 م").arg(n % 12 + 1) : text;
        }
        folder->exec(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                         .arg(table, u'"' + columns.join(QStringLiteral("\", \"")) + u'"',
                              QStringList(columns.size(), QStringLiteral("?")).join(u',')),
                     values);
    }
    QStringList read;
    for (const QString &column : columns)
        read << QStringLiteral("\"%1\"").arg(column) << QStringLiteral("typeof(\"%1\")").arg(column);
    const QString everything = QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(read.join(u','), table);
    const QList<QVariantList> before = folder->rows(everything);

    const QString path = folder->path() + (book == 0 ? QStringLiteral("/book.vcf") : QStringLiteral("/book.ics"));
    Form12 *window = openExchange("export", book);
    QVERIFY(window);
    window->Combo2->setCurrentIndex(format);
    {
        testing::BoxWatcher watcher;
        testing::answerFileDialog(path);
        QTest::mouseClick(window->Command1, Qt::LeftButton);
        QCOMPARE(watcher.boxes().size(), 1);
        // Twelve hostile texts, twelve records, counted as Arabic counts them.
        QCOMPARE(before.size(), 12);
        QVERIFY2(watcher.boxes().at(0).text.contains(QStringLiteral("تم تصدير 12 سجل\u064Bا")),
                 qPrintable(watcher.boxes().at(0).text));
    }
    const QByteArray written = readFile(path);
    QVERIFY(written.contains(format == 1 ? "VERSION:3.0" : book == 0 ? "VERSION:4.0" : "BEGIN:VCALENDAR"));

    folder->exec(QStringLiteral("DELETE FROM %1").arg(table));
    folder->exec(QStringLiteral("DELETE FROM Deleted%1").arg(table));
    QList<testing::SeenBox> boxes;
    Form13 *preview = previewFile(book, path, &boxes);
    QVERIFY2(preview, qPrintable(boxes.value(0).text));
    QCOMPARE(preview->Table1->rowCount(), int(before.size()));
    {
        testing::BoxWatcher watcher;
        QTest::mouseClick(preview->Command1, Qt::LeftButton);
        QCOMPARE(watcher.boxes().size(), 1);
    }
    QCOMPARE(folder->rows(everything), before);

    preview = previewFile(book, path);
    QVERIFY(preview);
    QVERIFY2(preview->Label1->text().contains(QStringLiteral("يتكرر في الملف: 12 سجل\u064Bا")), qPrintable(preview->Label1->text()));
    QCOMPARE(preview->Table1->rowCount(), 0);
    QVERIFY(!preview->Command1->isEnabled());
}

QByteArray TestExchange::exportBook(int book, const QString &path)
{
    Form12 *window = openExchange("export", book);
    if (!window)
        return {};
    testing::BoxWatcher watcher;
    testing::answerFileDialog(path);
    QTest::mouseClick(window->Command1, Qt::LeftButton);
    return readFile(path);
}

// The books as khard (an address book) and khal (a calendar) read them back, each record
// under its lasting UID, the same from one export to the next: every card listed with its
// numbers by type, its e-mail and address; every appointment on its day at its time.
void TestExchange::addressBooksAndCalendarsReadTheExport_data()
{
    QTest::addColumn<int>("book");
    QTest::addColumn<QString>("insert");
    QTest::addColumn<QStringList>("commands"); // each a program's arguments, run in turn
    QTest::addColumn<QStringList>("expected"); // their lines, {uid1}… for the records' UIDs
    QTest::newRow("phone book, khard")
        << 0
        << QStringLiteral("INSERT INTO Phone (الإسم, المنزل, الجوال, المكتب, فاكس, \"البريد الإلكتروني\", العنوان, ملاحظات) "
                          "VALUES ('سامي الخطيب', '06 555 1234', '+962 79 123 4567', '06-555-9999', '06 555 0000', "
                          "'sami@example.com', 'شارع الملك، عمّان', 'سطر' || char(10) || 'وسطر'), "
                          "('John Doe', NULL, '0791234567', NULL, NULL, 'john@example.com', NULL, NULL), "
                          "('ليلى', '065', NULL, NULL, NULL, NULL, NULL, NULL)")
        << QStringList{QStringLiteral("khard list --parsable"), QStringLiteral("khard phone --parsable"),
                       QStringLiteral("khard email --parsable"), QStringLiteral("khard postaddress --parsable")}
        << QStringList{QStringLiteral("{uid1}\tسامي الخطيب\tdalil"), QStringLiteral("{uid2}\tJohn Doe\tdalil"),
                       QStringLiteral("{uid3}\tليلى\tdalil"),
                       QStringLiteral("06 555 1234\tسامي الخطيب\thome"), QStringLiteral("+962 79 123 4567\tسامي الخطيب\tcell"),
                       QStringLiteral("06-555-9999\tسامي الخطيب\twork"), QStringLiteral("06 555 0000\tسامي الخطيب\tfax"),
                       QStringLiteral("0791234567\tJohn Doe\tcell"), QStringLiteral("065\tليلى\thome"),
                       QStringLiteral("sami@example.com\tسامي الخطيب\tinternet"),
                       QStringLiteral("john@example.com\tJohn Doe\tinternet"),
                       QStringLiteral("{'box': '', 'extended': '', 'street': 'شارع الملك، عمّان', 'code': '', 'city': '', "
                                      "'region': '', 'country': ''}\tسامي الخطيب\thome")};
    QTest::newRow("appointments, khal")
        << 1
        << QStringLiteral("INSERT INTO Note (اليوم, التاريخ, الشهر, العام, الساعة, الموعد) VALUES "
                          "('الأحد', '10', '1', '2027', '10:30 ص', 'اجتماع الفريق'), "
                          "('الاثنين', '11', '1', '2027', 'بعد الظهر', 'زيارة'), "
                          "('الأحد', '28', '2', '2027', '3:00 م', 'Dentist')")
        << QStringList{QStringLiteral("khal list --format {start-date}|{start-time}|{title}|{uid} --day-format ; 2027-01-01 365d")}
        << QStringList{QStringLiteral(";"), QStringLiteral("2027-01-10|10:30|اجتماع الفريق|{uid1}"), QStringLiteral(";"),
                       QStringLiteral("2027-01-11||زيارة|{uid2}"), QStringLiteral(";"),
                       QStringLiteral("2027-02-28|15:00|Dentist|{uid3}")};
}

void TestExchange::addressBooksAndCalendarsReadTheExport()
{
    QFETCH(int, book);
    QFETCH(QString, insert);
    QFETCH(QStringList, commands);
    QFETCH(QStringList, expected);
    const QString program = book == 0 ? QStringLiteral("khard") : QStringLiteral("khal");
    if (QStandardPaths::findExecutable(program).isEmpty())
        QSKIP("khard and khal are not installed");
    folder->exec(insert);
    const QString table = book == 0 ? QStringLiteral("Phone") : QStringLiteral("Note");
    QStringList uids;
    for (const QVariantList &row :
         folder->rows(QStringLiteral("SELECT uid FROM %1 JOIN RecordUids ON book = '%1' AND recordKey = %1.rowid "
                                     "ORDER BY %1.rowid").arg(table)))
        uids << row.value(0).toString();
    QCOMPARE(uids.size(), 3);

    // Exported twice: the same UIDs, the records' own.
    const QString path = folder->path() + (book == 0 ? QStringLiteral("/out.vcf") : QStringLiteral("/out.ics"));
    const QByteArray first = exportBook(book, path);
    QVERIFY(!first.isEmpty());
    const QByteArray second = exportBook(book, path);
    QStringList written;
    for (const QByteArray &file : {first, second}) {
        QStringList found;
        for (const QByteArray &line : file.split('\n'))
            if (line.startsWith("UID:"))
                found << QString::fromUtf8(line.mid(4).trimmed());
        written << found.join(u' ');
    }
    QCOMPARE(written, QStringList(2, uids.join(u' ')));

    // A home of the programs' own: their settings and the folder they read.
    QTemporaryDir home;
    const QString books = home.filePath(QStringLiteral("books"));
    QVERIFY(QDir().mkpath(books) && QDir().mkpath(home.filePath(QStringLiteral(".config/khard")))
            && QDir().mkpath(home.filePath(QStringLiteral(".config/khal"))));
    writeFile(home.filePath(QStringLiteral(".config/khard/khard.conf")),
              QStringLiteral("[addressbooks]\n[[dalil]]\npath = %1\n[general]\ndefault_action = list\n").arg(books).toUtf8());
    writeFile(home.filePath(QStringLiteral(".config/khal/config")),
              QStringLiteral("[calendars]\n[[dalil]]\npath = %1\n[locale]\ntimeformat = %H:%M\ndateformat = %Y-%m-%d\n"
                             "longdateformat = %Y-%m-%d\ndatetimeformat = %Y-%m-%d %H:%M\n"
                             "longdatetimeformat = %Y-%m-%d %H:%M\nlocal_timezone = Asia/Riyadh\n"
                             "default_timezone = Asia/Riyadh\n")
                  .arg(books)
                  .toUtf8());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home.path());
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral(".config")));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral(".local/share")));
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    const auto run = [&](const QStringList &arguments) {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(arguments.first(), arguments.mid(1));
        const bool finished = process.waitForFinished(120000);
        const QByteArray errors = process.readAllStandardError();
        if (!finished || process.exitCode() != 0)
            qWarning() << arguments << errors;
        return QString::fromUtf8(process.readAllStandardOutput());
    };
    if (book == 0) {
        // An address book holds a card a file, as a server gives them.
        const QByteArray end = "END:VCARD\r\n";
        int n = 0;
        for (qsizetype from = 0, at; (at = first.indexOf(end, from)) >= 0; from = at + end.size())
            writeFile(QStringLiteral("%1/%2.vcf").arg(books).arg(++n), first.mid(from, at + end.size() - from));
        QCOMPARE(n, 3);
    } else {
        run({QStringLiteral("khal"), QStringLiteral("import"), QStringLiteral("--batch"), QStringLiteral("-a"),
             QStringLiteral("dalil"), path});
    }
    QStringList lines;
    for (const QString &command : commands) {
        // Arguments are split at spaces, except inside the format.
        for (const QString &line : run(command.split(u' ')).split(u'\n', Qt::SkipEmptyParts))
            if (line.contains(u'\t') || line.contains(u'|') || line == u";")
                lines << line;
    }
    QStringList want;
    for (QString line : expected) {
        for (int i = 0; i < uids.size(); ++i)
            line.replace(QStringLiteral("{uid%1}").arg(i + 1), uids.at(i));
        want << line;
    }
    if (book == 0) { // khard orders its lists its own way
        lines.sort();
        want.sort();
    }
    QCOMPARE(lines, want);
}

// Files other programs wrote, through the windows: what a reader of the file expects is
// stored, and a broken calendar is refused at its line.
void TestExchange::otherProgramsFilesThroughTheWindows_data()
{
    QTest::addColumn<int>("book");
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("records");
    QTest::addColumn<QString>("sql");     // a record to look for, once
    QTest::addColumn<QVariantList>("values");
    QTest::newRow("Android contacts") << 0 << QStringLiteral("vcard/John_Doe_ANDROID.vcf") << 6
                                      << QStringLiteral("SELECT count(*) FROM Phone WHERE الإسم = ?")
                                      << QVariantList{QStringLiteral("Ñ Ñ Ñ Ñ Ñ ")};
    QTest::newRow("Google calendar") << 1 << QStringLiteral("icalendar/alarm_google_future.ics") << 1
                                     << QStringLiteral("SELECT count(*) FROM Note WHERE اليوم = ? AND التاريخ = ? AND "
                                                       "الشهر = ? AND العام = ? AND الساعة = ? AND الموعد = ?")
                                     << QVariantList{QStringLiteral("الجمعة"), QStringLiteral("4"), QStringLiteral("10"),
                                                     QStringLiteral("2024"), QStringLiteral("9:15 م"),
                                                     QStringLiteral("event with alarms")};
    QTest::newRow("a broken calendar") << 1 << QStringLiteral("icalendar/broken_ical.ics") << -4
                                       << QString() << QVariantList();
}

void TestExchange::otherProgramsFilesThroughTheWindows()
{
    QFETCH(int, book);
    QFETCH(QString, file);
    QFETCH(int, records);
    QFETCH(QString, sql);
    QFETCH(QVariantList, values);
    const QString path = QFINDTESTDATA(QStringLiteral("fixtures/") + file);
    QVERIFY(!path.isEmpty());
    QList<testing::SeenBox> boxes;
    Form13 *preview = previewFile(book, path, &boxes);
    if (records < 0) { // refused at line -records
        QVERIFY(!preview);
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes.at(0).text.contains(QStringLiteral("السطر %1:").arg(-records)), qPrintable(boxes.at(0).text));
        QCOMPARE(folder->value(QStringLiteral("SELECT count(*) FROM Note")).toInt(), 0);
        return;
    }
    QVERIFY2(preview, qPrintable(boxes.value(0).text));
    QCOMPARE(preview->Table1->rowCount(), records);
    // Numbers and Latin texts read in the order they are written, as the grid shows them.
    static const QRegularExpression arabic(QStringLiteral("\\p{Arabic}"));
    int latin = 0;
    for (int row = 0; row < preview->Table1->rowCount(); ++row) {
        for (int column = 0; column < preview->Table1->columnCount(); ++column) {
            const QString text = preview->Table1->item(row, column)->text();
            if (text.isEmpty() || text.contains(arabic))
                continue;
            ++latin;
            QCOMPARE(testing::drawnText(preview->Table1, preview->Table1->model()->index(row, column)), text);
        }
    }
    QVERIFY(book != 0 || latin > 0);
    testing::BoxWatcher watcher;
    QTest::mouseClick(preview->Command1, Qt::LeftButton);
    QCOMPARE(folder->value(QStringLiteral("SELECT count(*) FROM %1").arg(book == 0 ? u"Phone" : u"Note")).toInt(), records);
    QCOMPARE(folder->value(sql, values).toInt(), 1);
}

void TestExchange::chequesLeaveAndComeBackIdentical_data()
{
    QTest::addColumn<bool>("byteOrderMark");
    QTest::newRow("with a byte order mark") << true;
    QTest::newRow("without") << false;
}

// Every hostile text in every text column, and texts a spreadsheet would run: exported, read
// by Python's own CSV reader as they are stored, and imported back into an emptied book as
// they were, the sums with them.
void TestExchange::chequesLeaveAndComeBackIdentical()
{
    QFETCH(bool, byteOrderMark);
    QStringList texts;
    for (const auto &[name, text] : testing::hostileTexts())
        texts << text;
    texts << formulaTexts();
    qint64 n = 0;
    for (const QString &text : texts) {
        ++n;
        addCheque(*folder, {text, QString::number(n % 12 + 1), QStringLiteral("2030"), text, n * 1001, n % 1000,
                            text, n % 2 ? QVariant(text) : QVariant()});
    }
    addCheque(*folder, {QVariant(), QVariant(), QVariant(), QStringLiteral("بلا تاريخ"), 0, QVariant(), QVariant(), QVariant()});
    const QList<QVariantList> before = cheques(*folder);
    const QList<QVariantList> sumsBefore = sums(*folder);
    // The search keys the file's triggers made, and the triggers themselves.
    const auto keys = [this] {
        return folder->rows(QStringLiteral("SELECT payee, day, month, year FROM ChequeKeys ORDER BY id"))
             + folder->rows(QStringLiteral("SELECT payee, folded FROM PayeeKeys ORDER BY payee"));
    };
    const auto triggers = [this] {
        return folder->rows(QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'trigger' ORDER BY name"));
    };
    const QList<QVariantList> keysBefore = keys();
    const QList<QVariantList> triggersBefore = triggers();

    const QString path = folder->path() + QStringLiteral("/out/cheques.csv");
    QVERIFY(QDir().mkpath(folder->path() + QStringLiteral("/out")));
    const testing::SeenBox told = exportCheques(path, byteOrderMark);
    QCOMPARE(told.icon, QMessageBox::Information);
    QVERIFY2(told.text.contains(QStringLiteral("%1 سجل").arg(before.size())), qPrintable(told.text));
    const QByteArray written = readFile(path);
    const QByteArray heading = "اليوم,الشهر,العام,السيد,دينار,فلس,المبلغ,السبب\r\n";
    QCOMPARE(written.startsWith("\xEF\xBB\xBF" + heading), byteOrderMark);
    QCOMPARE(written.startsWith(heading), !byteOrderMark);
    QVERIFY(!QFile::exists(path + QStringLiteral(".part")));

    // What another program's reader sees: the stored texts, a formula behind its apostrophe.
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"), QStringLiteral("import csv, json, sys\n"
                                                       "with open(sys.argv[1], newline='', encoding='utf-8-sig') as f:\n"
                                                       "    print(json.dumps(list(csv.reader(f))))\n"),
                  path});
    QVERIFY(python.waitForFinished(60000));
    QCOMPARE(python.exitCode(), 0);
    const QJsonArray read = QJsonDocument::fromJson(python.readAllStandardOutput()).array();
    QCOMPARE(read.size(), before.size() + 1);
    for (int row = 0; row < before.size(); ++row) {
        const QJsonArray fields = read.at(row + 1).toArray();
        QCOMPARE(fields.size(), 8);
        for (int column = 0; column < 8; ++column) {
            const QString stored = before.at(row).at(column * 2).toString();
            const QString guarded = QStringLiteral("=+-@\t\r'").contains(stored.left(1)) && !stored.isEmpty()
                                        && column != 4 && column != 5
                                        ? u'\'' + stored
                                        : stored;
            QCOMPARE(fields.at(column).toString(), guarded);
        }
    }

    folder->exec(QStringLiteral("DELETE FROM Cheque"));
    QList<testing::SeenBox> boxes;
    Form13 *preview = previewCheques(path, &boxes);
    QVERIFY2(preview, qPrintable(boxes.value(0).text));
    QVERIFY2(preview->Label1->text().contains(QStringLiteral(": %1 سجل").arg(before.size())),
             qPrintable(preview->Label1->text()));
    QCOMPARE(preview->Table1->rowCount(), qMin(int(before.size()), Exchange::Preview::shown));
    QCOMPARE(preview->Table1->item(0, 3)->text(), texts.at(0).left(200));
    testing::BoxWatcher watcher;
    QTest::mouseClick(preview->Command1, Qt::LeftButton);
    QCOMPARE(watcher.boxes().size(), 1);
    QCOMPARE(watcher.boxes().at(0).icon, QMessageBox::Information);
    QCOMPARE(cheques(*folder), before);
    QCOMPARE(sums(*folder), sumsBefore);
    // An import makes its search keys all at once, as the triggers would have, every sort key
    // with them, and leaves the triggers as they were.
    QCOMPARE(keys(), keysBefore);
    QCOMPARE(folder->value(QStringLiteral("SELECT count(*) FROM ChequeKeys WHERE payeeOrder IS NULL")).toInt(), 0);
    QCOMPARE(folder->value(QStringLiteral("SELECT count(*) FROM PayeeKeys WHERE payeeOrder IS NULL")).toInt(), 0);
    QCOMPARE(triggers(), triggersBefore);
}

// Columns in any order, the spreadsheet's own separators, Arabic-Indic digits; a heading
// Dalil does not know is named; words left empty are written from the figures.
void TestExchange::spreadsheetFilesAreReadByTheirHeadings_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QVariantList>("first"); // the first record, in the table's column order
    QTest::addColumn<int>("notices");
    QTest::addColumn<QString>("encoding"); // as the preview names it

    const QVariantList ahmad{QStringLiteral("5"), QStringLiteral("3"), QStringLiteral("2027"), QStringLiteral("أحمد"),
                             qint64(1250), qint64(500), QStringLiteral("فقط ألف ومائتان وخمسون دينارًا وخمسمائة فلس لا غير"),
                             QVariant()};
    QTest::newRow("headings reordered, words empty")
        << QByteArray("\xEF\xBB\xBF" "السيد,فلس,دينار,اليوم,الشهر,العام,المبلغ\n"
                      "أحمد,500,1250,5,3,2027,\n")
        << ahmad << 0 << "UTF-8";
    QTest::newRow("semicolons, Arabic-Indic digits in the amounts and the date, an unknown column")
        << QByteArray("اليوم;الشهر;العام;السيد;دينار;فلس;الهاتف\r\n"
                      "٥;۳;٢٠٢٧;أحمد;١٢٥٠;٥٠٠;0799\r\n")
        << ahmad << 1 << "UTF-8";
    // "CSV" rather than "CSV UTF-8" in an Arabic spreadsheet: the same text in code page 1256.
    QStringEncoder arabic("windows-1256");
    QTest::newRow("Windows-1256, as an Arabic spreadsheet saves plain CSV")
        << QByteArray(arabic.encode(QStringLiteral("اليوم,الشهر,العام,السيد,دينار,فلس,السبب\r\n"
                                                   "5,3,2027,أحمد,1250,500,\r\n")))
        << ahmad << 0 << "Windows-1256";
    QTest::newRow("tabs, quoted line breaks")
        << QByteArray("السيد\tدينار\tالسبب\r\n\"سطر\r\nثان\"\t7\t\"قال \"\"نعم\"\"\"\r\n")
        << QVariantList{QVariant(), QVariant(), QVariant(), QStringLiteral("سطر\r\nثان"), qint64(7), QVariant(),
                        QStringLiteral("فقط سبعة دنانير لا غير"), QStringLiteral("قال \"نعم\"")}
        << 0 << "UTF-8";
    // A line is read in pieces of 16 KB: one of 40 KB, its letters of two bytes each, comes whole.
    const QString longReason = QString(20000, QChar(u'ع'));
    QTest::newRow("a line longer than the pieces it is read in")
        << QByteArray("السيد,دينار,السبب\n" "أحمد,7," + longReason.toUtf8() + "\n")
        << QVariantList{QVariant(), QVariant(), QVariant(), QStringLiteral("أحمد"), qint64(7), QVariant(),
                        QStringLiteral("فقط سبعة دنانير لا غير"), longReason}
        << 0 << "UTF-8";
}

void TestExchange::spreadsheetFilesAreReadByTheirHeadings()
{
    QFETCH(QByteArray, file);
    QFETCH(QVariantList, first);
    QFETCH(int, notices);
    QFETCH(QString, encoding);
    const QString path = folder->path() + QStringLiteral("/in.csv");
    writeFile(path, file);
    QList<testing::SeenBox> boxes;
    Form13 *preview = previewCheques(path, &boxes);
    QVERIFY2(preview, qPrintable(boxes.value(0).text));
    QCOMPARE(preview->Label2->text().isEmpty(), notices == 0);
    // The preview names the encoding it read. Read in the other one, the Arabic headings are
    // not found: the user is told, and the preview stays as it was.
    QVERIFY(preview->Combo1->isVisible());
    QVERIFY2(preview->Combo1->currentText().startsWith(encoding), qPrintable(preview->Combo1->currentText()));
    const int used = preview->Combo1->currentIndex();
    {
        testing::BoxWatcher watcher;
        preview->Combo1->setFocus();
        QTest::keyClick(preview->Combo1, used == 0 ? Qt::Key_Down : Qt::Key_Up);
        QCOMPARE(watcher.boxes().size(), 1);
    }
    QCOMPARE(preview->Combo1->currentIndex(), used);
    QCOMPARE(preview->Table1->item(0, 3)->text(), first.at(3).toString().replace(u'\n', u' '));
    testing::BoxWatcher watcher;
    QTest::mouseClick(preview->Command1, Qt::LeftButton);
    const QList<QVariantList> stored = folder->rows(QStringLiteral("SELECT %1 FROM Cheque").arg(chequeColumns));
    QCOMPARE(stored.size(), 1);
    QCOMPARE(stored.at(0).size(), first.size());
    for (int c = 0; c < first.size(); ++c) {
        QCOMPARE(stored.at(0).at(c).isNull(), first.at(c).isNull());
        QCOMPARE(stored.at(0).at(c).toString(), first.at(c).toString());
    }
}

// Each bad file is refused at its line, in Arabic, with nothing written and no preview.
void TestExchange::badFilesWriteNothing_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("line");

    const QByteArray heading = "اليوم,الشهر,العام,السيد,دينار,فلس\r\n";
    const QByteArray good = "1,2,2030,علي,10,0\r\n";
    QTest::newRow("a decimal amount") << heading + good + "1,2,2030,علي,12.5,0\r\n" << 3;
    QTest::newRow("a sign") << heading + good + good + "1,2,2030,علي,-5,0\r\n" << 4;
    QTest::newRow("letters") << heading + "1,2,2030,علي,عشرة,0\r\n" << 2;
    QTest::newRow("thirteen digits") << heading + "1,2,2030,علي,1234567890123,0\r\n" << 2;
    QTest::newRow("no amount") << heading + good + "1,2,2030,علي,,\r\n" << 3;
    QTest::newRow("an unclosed quote") << heading + good + "1,2,2030,\"علي,10,0\r\n" + good << 3;
    QTest::newRow("a stray quote") << heading + "1,2,20\"30,علي,10,0\r\n" << 2;
    QTest::newRow("UTF-8 headings over a line in Windows-1256") << heading + good + QByteArray("1,2,2030,\xc3\xe5\xe3\xcf,10,0\r\n") << 3;
    QTest::newRow("UTF-16, as spreadsheets save Unicode text") << QByteArray("\xFF\xFE" "a\0,\0b\0", 8) << 1;
    QTest::newRow("no known heading") << QByteArray("Name,Amount\r\nAli,10\r\n") << 1;
    QTest::newRow("an empty file") << QByteArray() << 1;
    QTest::newRow("binary") << QByteArray("\x89PNG\r\n\x1a\n\0\0\0", 11) << 1;
    QTest::newRow("100 MB without a line break") << QByteArray(100 * 1024 * 1024, 'a') << 1;
}

void TestExchange::badFilesWriteNothing()
{
    QFETCH(QByteArray, file);
    QFETCH(int, line);
    addCheque(*folder, {QStringLiteral("1"), QStringLiteral("1"), QStringLiteral("2029"), QStringLiteral("قديم"), 1, 0,
                        QVariant(), QVariant()});
    const QList<QVariantList> before = cheques(*folder);
    const QString path = folder->path() + QStringLiteral("/bad.csv");
    writeFile(path, file);
    file.clear();
    QList<testing::SeenBox> boxes;
    QVERIFY(!previewCheques(path, &boxes));
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.at(0).icon, QMessageBox::Critical);
    QCOMPARE(boxes.at(0).direction, Qt::RightToLeft);
    QVERIFY2(boxes.at(0).text.contains(QStringLiteral("السطر %1:").arg(line)), qPrintable(boxes.at(0).text.left(300)));

    // Read straight to the store, the file writes nothing either.
    QFile input(path);
    QVERIFY(input.open(QIODevice::ReadOnly));
    const auto reader = Csv::reader(&input);
    const Exchange::Imported imported = Exchange::store(folder->databasePath(), QStringLiteral("Cheque"), *reader, {});
    QVERIFY(imported.problem.isProblem());
    QCOMPARE(imported.problem.line, line);
    QCOMPARE(imported.added, 0);
    QCOMPARE(cheques(*folder), before);
}

// A cheque whose words say another amount than its figures is marked in the preview and
// counted, and stored as it is or left out, as the user chooses; words that are not an amount
// contradict nothing.
void TestExchange::chequesWhoseWordsSayAnotherAmountAreTheUsersChoice_data()
{
    QTest::addColumn<bool>("leaveOut");
    QTest::newRow("stored as they are") << false;
    QTest::newRow("left out") << true;
}

void TestExchange::chequesWhoseWordsSayAnotherAmountAreTheUsersChoice()
{
    QFETCH(bool, leaveOut);
    const QString path = folder->path() + QStringLiteral("/words.csv");
    writeFile(path, QStringLiteral("اليوم,الشهر,العام,السيد,دينار,فلس,المبلغ\r\n"
                                   "1,2,2030,علي,100,0,فقط خمسون دينارًا لا غير\r\n"
                                   "2,2,2030,بكر,50,0,فقط خمسون دينارًا لا غير\r\n"
                                   "3,2,2030,جمال,7,0,أجرة الشهر\r\n")
                        .toUtf8());
    Form13 *preview = previewCheques(path);
    QVERIFY(preview);
    QVERIFY(preview->Label4->isVisible() && preview->Option1->isVisible() && preview->Option2->isVisible());
    QCOMPARE(preview->Label4->text(), QStringLiteral("المبلغ بالحروف لا يطابق المبلغ بالأرقام (سجل واحد، ملوّنة في الجدول):"));
    QVERIFY(preview->Option1->isChecked());
    QCOMPARE(preview->Table1->item(0, 3)->toolTip(), QStringLiteral("المبلغ بالحروف لا يطابق المبلغ بالأرقام"));
    QVERIFY(preview->Table1->item(0, 3)->background() != preview->Table1->item(1, 3)->background());
    QCOMPARE(preview->Table1->item(1, 3)->background(), preview->Table1->item(2, 3)->background());
    QVERIFY2(preview->Label1->text().contains(QStringLiteral(": 3 سجلات.")), qPrintable(preview->Label1->text()));
    if (leaveOut) {
        QTest::mouseClick(preview->Option2, Qt::LeftButton);
        QVERIFY2(preview->Label1->text().contains(QStringLiteral(": سجلان.")), qPrintable(preview->Label1->text()));
    }
    testing::BoxWatcher watcher;
    QTest::mouseClick(preview->Command1, Qt::LeftButton);
    QCOMPARE(watcher.boxes().size(), 1);
    QCOMPARE(watcher.boxes().at(0).text.contains(QStringLiteral("تُرك كما اخترت في المعاينة: سجل واحد")), leaveOut);
    QStringList payees;
    for (const QVariantList &row : folder->rows(QStringLiteral("SELECT السيد FROM Cheque ORDER BY rowid")))
        payees << row.value(0).toString();
    QCOMPARE(payees, (leaveOut ? QStringList{QStringLiteral("بكر"), QStringLiteral("جمال")}
                               : QStringList{QStringLiteral("علي"), QStringLiteral("بكر"), QStringLiteral("جمال")}));
}

// Identical records are counted and left out, those already stored and repeats in the file;
// a cancelled preview and a stopped import write nothing; Ctrl+Z in the list undoes the
// import after the delete made since, and leaves no trace among the deleted records.
void TestExchange::duplicatesAreSkippedAndAnImportIsUndone()
{
    addCheque(*folder, {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("2030"), QStringLiteral("أ"), 10, 0,
                        QVariant(), QVariant()});
    addCheque(*folder, {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("2030"), QStringLiteral("ب"), 20, 0,
                        QVariant(), QVariant()});
    const QList<QVariantList> before = cheques(*folder);
    const QList<QVariantList> sumsBefore = sums(*folder);
    const QString path = folder->path() + QStringLiteral("/in.csv");
    // أ as stored (its words empty, as the file's are not): a record of its own; Latin case counts.
    writeFile(path, "اليوم,الشهر,العام,السيد,دينار,فلس,المبلغ\r\n"
                    "1,2,2030,ب,20,0,\r\n"
                    "1,2,2030,ج,30,0,\r\n"
                    "1,2,2030,ج,30,0,\r\n"
                    "1,2,2030,x,40,0,\r\n"
                    "1,2,2030,X,40,0,\r\n");
    folder->exec(QStringLiteral("UPDATE Cheque SET المبلغ = ? WHERE السيد = 'ب'"), {QStringLiteral("فقط عشرون دينارًا لا غير")});
    const QList<QVariantList> stored = cheques(*folder);

    Form13 *preview = previewCheques(path);
    QVERIFY(preview);
    QVERIFY2(preview->Label1->text().contains(QStringLiteral(": 3 سجلات.")), qPrintable(preview->Label1->text()));
    QVERIFY2(preview->Label1->text().contains(QStringLiteral("يتكرر في الملف: سجلان.")), qPrintable(preview->Label1->text()));
    QTest::mouseClick(preview->Command2, Qt::LeftButton);
    QCOMPARE(cheques(*folder), stored);

    // Stopped halfway through: nothing.
    {
        QFile input(path);
        QVERIFY(input.open(QIODevice::ReadOnly));
        const auto reader = Csv::reader(&input);
        int asked = 0;
        const Exchange::Imported stopped =
            Exchange::store(folder->databasePath(), QStringLiteral("Cheque"), *reader, [&](qint64) { return ++asked < 0; });
        QVERIFY(stopped.cancelled);
        QCOMPARE(asked, 1);
    }
    QCOMPARE(cheques(*folder), stored);

    preview = previewCheques(path);
    QVERIFY(preview);
    {
        testing::BoxWatcher watcher;
        QTest::mouseClick(preview->Command1, Qt::LeftButton);
        QCOMPARE(watcher.boxes().size(), 1);
        QVERIFY2(watcher.boxes().at(0).text.contains(QStringLiteral("تم استيراد 3 سجلات")), qPrintable(watcher.boxes().at(0).text));
        QVERIFY(watcher.boxes().at(0).text.contains(QStringLiteral("يتكرر في الملف: سجلان.")));
    }
    const QList<QVariantList> imported = cheques(*folder);
    QCOMPARE(imported.size(), 5);
    QCOMPARE(imported.mid(0, 2), stored);
    QCOMPARE(imported.at(2).at(12).toString(), QStringLiteral("فقط ثلاثون دينارًا لا غير")); // the words, written

    // In the cheque list: a record deleted after the import comes back first, then the import goes.
    QTest::mouseClick(Forms::loaded<Form1>()->findChild<QToolButton *>(QStringLiteral("Command3")), Qt::LeftButton);
    auto *list = Forms::loaded<Form6>();
    QVERIFY(list && list->isShown());
    list->DBGrid1->view()->setFocus();
    list->DBGrid1->view()->setCurrentIndex(list->DBGrid1->view()->model()->index(0, 0));
    QTest::mouseClick(list->Command3, Qt::LeftButton);
    QCOMPARE(cheques(*folder).size(), 4);
    QTableView *view = list->DBGrid1->view();
    // Back in the list after each message, as the user is.
    const auto undo = [view] {
        QApplication::setActiveWindow(MDIForm1::instance());
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    };
    undo();
    QCOMPARE(cheques(*folder), imported);
    {
        testing::BoxWatcher watcher(QMessageBox::No);
        undo();
        QCOMPARE(watcher.boxes().size(), 1);
        QVERIFY(watcher.boxes().at(0).text.contains(QStringLiteral("3 سجل")));
        QCOMPARE(cheques(*folder), imported);
        watcher.setAnswer(QMessageBox::Yes);
        undo();
    }
    QCOMPARE(cheques(*folder), stored);
    QCOMPARE(list->DBGrid1->view()->model()->rowCount(), 2);
    QCOMPARE(folder->value(QStringLiteral("SELECT count(*) FROM DeletedCheque")).toInt(), 0);
    QCOMPARE(folder->value(QStringLiteral("SELECT count(*) FROM ImportBatches")).toInt(), 0);
    folder->exec(QStringLiteral("UPDATE Cheque SET المبلغ = NULL WHERE السيد = 'ب'"));
    QCOMPARE(cheques(*folder), before);
    QCOMPARE(sums(*folder), sumsBefore);
}

void TestExchange::aLargeImportIsKeyedWholeAndAnswersWhileReadingTheBook()
{
    // Keyed a slice at a time: every record imported has its search keys and its place in the order.
    const auto import = [&](const QByteArray &rows, const Exchange::Progress &progress) {
        const QString path = folder->path() + QStringLiteral("/many.csv");
        writeFile(path, "اليوم,الشهر,العام,السيد,دينار,فلس\r\n" + rows);
        QFile input(path);
        input.open(QIODevice::ReadOnly);
        const auto reader = Csv::reader(&input);
        return Exchange::store(folder->databasePath(), QStringLiteral("Cheque"), *reader, progress);
    };
    const QString counted = QStringLiteral("SELECT (SELECT count(*) FROM Cheque), (SELECT count(*) FROM ChequeKeys),"
                                           " (SELECT count(*) FROM ChequeKeys WHERE payeeOrder IS NOT NULL),"
                                           " (SELECT count(*) FROM ChequePayeeSums), (SELECT count(*) FROM PayeeKeys),"
                                           " (SELECT count(*) FROM PayeeKeys WHERE payeeOrder IS NOT NULL),"
                                           " (SELECT count(*) FROM DeletedCheque)");
    const QVariantList beforeImport = folder->rows(counted).value(0);
    QByteArray many;
    for (int n = 0; n <= 2 * 4096; ++n) // the last alone in its slice
        many += QStringLiteral("%1,%2,2031,دفعة %3,%3,0\r\n").arg(n % 28 + 1).arg(n % 12 + 1).arg(n).toUtf8();
    QCOMPARE(import(many, {}).added, 2 * 4096 + 1);
    // Every payee is new, and the per-payee sums are keyed too.
    const auto wholeKeyed = [&] {
        const QVariantList keyed = folder->rows(counted).value(0);
        return keyed.value(1) == keyed.value(0) && keyed.value(2) == keyed.value(0) && keyed.value(4) == keyed.value(3)
            && keyed.value(5) == keyed.value(3);
    };
    const QVariantList keyed = folder->rows(counted).value(0);
    QVERIFY2(wholeKeyed(), qPrintable(QVariant(keyed).toStringList().join(u' ')));
    QVERIFY(keyed.value(3).toInt() > 2 * 4096);
    // The log the import left is copied into the file itself once it is in: the file alone,
    // without its log, holds every record.
    {
        QTemporaryDir alone;
        QVERIFY(QFile::copy(folder->databasePath(), alone.filePath(QStringLiteral("DB1.mdb"))));
        QSqlDatabase copy = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("alone"));
        copy.setDatabaseName(alone.filePath(QStringLiteral("DB1.mdb")));
        QVERIFY(copy.open());
        QSqlQuery counted(copy);
        QVERIFY(counted.exec(QStringLiteral("SELECT count(*) FROM Cheque")) && counted.next());
        QCOMPARE(counted.value(0), keyed.value(0));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("alone"));

    // Ten more: the windows are told of the import's progress while it reads the book it
    // compares them with, and a stop then stores nothing.
    int asked = 0;
    const Exchange::Imported stopped = import("1,1,2032,جديد,1,0\r\n", [&](qint64) { return ++asked < 2; });
    QVERIFY(stopped.cancelled);
    QCOMPARE(folder->rows(counted).value(0), keyed);

    // Taken back a slice at a time, the windows told between the slices, in one transaction:
    // another program reads every record until the end, and then the book as it was before.
    {
        DataError error;
        const std::optional<Exchange::Batch> batch = Exchange::newestBatch(folder->databasePath(), QStringLiteral("Cheque"), &error);
        QVERIFY(batch && batch->added == 2 * 4096 + 1);
        QList<qint64> told;
        QSet<qint64> seenMeanwhile;
        const Records::WriteResult undone = Exchange::undo(folder->databasePath(), *batch, [&](qint64 done, qint64 total) {
            if (total == batch->added && (told.isEmpty() || done >= told.last()))
                told << done;
            if (done < total) // (at the end it is committed, and the copy of its log made beside)
                seenMeanwhile << folder->value(QStringLiteral("SELECT count(*) FROM Cheque")).toLongLong();
        });
        QVERIFY(undone.ok());
        QCOMPARE(undone.rowsTouched, batch->added);
        QVERIFY2(told.size() >= 3 && told.last() == batch->added, qPrintable(QString::number(told.size())));
        QCOMPARE(seenMeanwhile, QSet<qint64>{keyed.value(0).toLongLong()});
        QCOMPARE(folder->rows(counted).value(0), beforeImport);
        QVERIFY(!Exchange::newestBatch(folder->databasePath(), QStringLiteral("Cheque"), &error));
    }

    // A book whose largest identity is taken gets the next ones at random: they are keyed all
    // the same, and the import ends.
    folder->exec(QStringLiteral("INSERT INTO Cheque (rowid, \"السيد\") VALUES (9223372036854775807, 'الأخير')"));
    QCOMPARE(import("1,1,2033,عشوائي 1,1,0\r\n2,1,2033,عشوائي 2,2,0\r\n3,1,2033,دفعة 7,3,0\r\n", {}).added, 3);
    QVERIFY2(wholeKeyed(), qPrintable(QVariant(folder->rows(counted).value(0)).toStringList().join(u' ')));

    // Identities that run up to the largest there is: the import is taken back whole, and ends.
    folder->exec(QStringLiteral("UPDATE Cheque SET rowid = 9223372036854775805 WHERE rowid = 9223372036854775807"));
    QCOMPARE(import("1,1,2034,أخير 1,1,0\r\n2,1,2034,أخير 2,2,0\r\n", {}).added, 2);
    DataError error;
    const std::optional<Exchange::Batch> last = Exchange::newestBatch(folder->databasePath(), QStringLiteral("Cheque"), &error);
    QVERIFY(last && last->lastKey == std::numeric_limits<qint64>::max());
    QCOMPARE(Exchange::undo(folder->databasePath(), *last, [](qint64, qint64) {}).rowsTouched, 2);
    QVERIFY2(wholeKeyed(), qPrintable(QVariant(folder->rows(counted).value(0)).toStringList().join(u' ')));
}

// With the list searched, "only what the list shows" exports its rows in the grid's order.
void TestExchange::theSearchInForceIsWhatIsExported()
{
    for (int n = 1; n <= 30; ++n)
        addCheque(*folder, {QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("2030"),
                            (n % 3 ? QStringLiteral("سالم ") : QStringLiteral("خالد ")) + QString::number(n), n, 0,
                            QVariant(), QVariant()});
    QTest::mouseClick(Forms::loaded<Form1>()->findChild<QToolButton *>(QStringLiteral("Command3")), Qt::LeftButton);
    auto *list = Forms::loaded<Form6>();
    QVERIFY(list && list->isShown());
    QListWidget *kinds = list->List1; // by name
    QTest::mouseClick(kinds->viewport(), Qt::LeftButton, {}, kinds->visualItemRect(kinds->item(1)).center());
    testing::typeText(list->Text1, QStringLiteral("خالد"));
    QTest::mouseClick(list->Command2, Qt::LeftButton);
    QAbstractItemModel *shown = list->DBGrid1->view()->model();
    QCOMPARE(shown->rowCount(), 10);

    const QString path = folder->path() + QStringLiteral("/found.csv");
    QCOMPARE(exportCheques(path, false, true).icon, QMessageBox::Information);
    const QList<QByteArray> lines = readFile(path).split('\n');
    QCOMPARE(lines.size(), 12); // the headings, ten cheques, and the end
    const int payee = Exchange::columns(QStringLiteral("Cheque")).indexOf(QStringLiteral("السيد"));
    for (int row = 0; row < 10; ++row) {
        const QString name = shown->index(row, shown->columnCount() > payee ? payee : 0).data().toString();
        QVERIFY2(QString::fromUtf8(lines.at(row + 1)).contains(u',' + name + u','), qPrintable(name));
    }

    // Without the choice, the whole book.
    const QString whole = folder->path() + QStringLiteral("/whole.csv");
    QCOMPARE(exportCheques(whole, false).icon, QMessageBox::Information);
    QCOMPARE(readFile(whole).count('\n'), 31);

    // The phone list searched by name: its cards, in the list's order.
    for (int n = 1; n <= 30; ++n)
        folder->exec(QStringLiteral("INSERT INTO Phone (الإسم, الجوال) VALUES (?, ?)"),
                     {(n % 3 ? QStringLiteral("سالم ") : QStringLiteral("خالد ")) + QString::number(n), QString::number(n)});
    QTest::mouseClick(list->Command4, Qt::LeftButton); // back to the start window
    QTest::mouseClick(Forms::loaded<Form1>()->findChild<QToolButton *>(QStringLiteral("Command1")), Qt::LeftButton);
    Form *phones = Forms::find(QStringLiteral("Form2"));
    QVERIFY(phones && phones->isShown());
    auto *phoneKinds = phones->findChild<QListWidget *>(QStringLiteral("List1"));
    QTest::mouseClick(phoneKinds->viewport(), Qt::LeftButton, {}, phoneKinds->visualItemRect(phoneKinds->item(0)).center());
    testing::typeText(phones->findChild<TextBox *>(QStringLiteral("Text1")), QStringLiteral("خالد"));
    QTest::mouseClick(phones->findChild<QPushButton *>(QStringLiteral("Command2")), Qt::LeftButton);
    QAbstractItemModel *phoneRows = phones->findChild<DBGrid *>(QStringLiteral("DBGrid1"))->view()->model();
    QCOMPARE(phoneRows->rowCount(), 10);
    QStringList listed;
    for (int row = 0; row < 10; ++row)
        listed << phoneRows->index(row, 0).data().toString();

    Form12 *window = openExchange("export", 0);
    QVERIFY(window && window->Check1->isEnabled());
    window->Check1->setFocus();
    QTest::keyClick(window->Check1, Qt::Key_Space);
    const QString cards = folder->path() + QStringLiteral("/found.vcf");
    testing::BoxWatcher watcher;
    testing::answerFileDialog(cards);
    QTest::mouseClick(window->Command1, Qt::LeftButton);
    QStringList exported;
    for (const QByteArray &line : readFile(cards).split('\n')) {
        if (line.startsWith("FN:"))
            exported << QString::fromUtf8(line.mid(3)).trimmed();
    }
    QCOMPARE(exported, listed);
}

void TestExchange::everyRecordGoesOutUnderItsOwnUid()
{
    // More records than are read a page at a time: each card still carries its own record's UID.
    folder->exec(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 600) "
                                "INSERT INTO Phone (الإسم) SELECT 'اسم ' || i FROM n"));
    QStringList uids;
    for (const QVariantList &row : folder->rows(QStringLiteral(
             "SELECT uid FROM Phone JOIN RecordUids ON book = 'Phone' AND recordKey = Phone.rowid ORDER BY Phone.rowid")))
        uids << row.value(0).toString();
    QCOMPARE(uids.size(), 600);
    QStringList written;
    for (const QByteArray &line : exportBook(0, folder->path() + QStringLiteral("/all.vcf")).split('\n')) {
        if (line.startsWith("UID:"))
            written << QString::fromUtf8(line.mid(4).trimmed());
    }
    QCOMPARE(written, uids);
}

TESTING_WINDOW_TEST_MAIN(TestExchange)
#include "tst_exchange.moc"
