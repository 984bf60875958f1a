#include "data/exchange/vcard.h"
#include "testdata.h"

#include <QBuffer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

using dalil::Records::Values;
using dalil::VCard::Version;
namespace Columns = dalil::Exchange::PhoneColumns;

Q_DECLARE_METATYPE(Version)

namespace {

struct Read
{
    QList<Values> records;
    dalil::Exchange::Problem problem;
    QStringList notices;
    bool nextAfterEnd = false; // next() once more after it said false
    qint64 position = 0;
};

Read readAll(QIODevice *device)
{
    Read read;
    const auto reader = dalil::VCard::reader(device);
    Values record;
    while (reader->next(record))
        read.records.append(record);
    read.nextAfterEnd = reader->next(record);
    read.problem = reader->problem();
    read.notices = reader->notices();
    read.position = reader->position();
    return read;
}

Read readAll(const QByteArray &bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return readAll(&buffer);
}

QByteArray written(const QList<Values> &records, Version version)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    const auto writer = dalil::VCard::writer(&buffer, version);
    for (const Values &record : records)
        if (!writer->write(record))
            return {};
    return writer->finish() ? buffer.data() : QByteArray();
}

Values phone(std::initializer_list<std::pair<QString, QString>> values)
{
    Values record;
    for (const auto &[column, value] : values)
        record.insert(column, value);
    return record;
}

// A record read back from our own file: the UID the writer gave a record that had none is
// taken out (and must be there).
Values withoutGivenUid(Values back, const Values &sent)
{
    if (!sent.contains(dalil::Exchange::uidField) && back.take(dalil::Exchange::uidField).toString().isEmpty())
        back.insert(QStringLiteral("no UID written"), true);
    return back;
}

// Whether these whole lines (one or several) stand in the notes.
bool notesHold(const Values &record, const QString &lines)
{
    return (u'\n' + record.value(Columns::notes).toString() + u'\n').contains(u'\n' + lines + u'\n');
}

// A Python with the vobject module, an independent reader of vCards; empty when none.
QString pythonWithVobject()
{
    for (const QString &candidate : {QStandardPaths::findExecutable(QStringLiteral("python3")),
                                      QStringLiteral("/usr/bin/python3")}) {
        if (candidate.isEmpty() || !QFile::exists(candidate))
            continue;
        QProcess python;
        python.start(candidate, {QStringLiteral("-c"), QStringLiteral("import vobject")});
        if (python.waitForFinished(-1) && python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0)
            return candidate;
    }
    return {};
}

// A file of one endless line, made as it is read: a reader that reads on past a line's bound is
// caught by how much it was given.
class EndlessLine : public QIODevice
{
public:
    EndlessLine(const QByteArray &start, qint64 size) : m_start(start), m_size(size) { open(QIODevice::ReadOnly); }
    qint64 size() const override { return m_size; }
    qint64 given() const { return m_given; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 count = std::min(maxSize, m_size - m_given);
        for (qint64 i = 0; i < count; ++i, ++m_given)
            data[i] = m_given < m_start.size() ? m_start.at(m_given) : 'a';
        return count;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_start;
    qint64 m_size;
    qint64 m_given = 0;
};

const QString Nye = QStringLiteral("Ñ");

QString repeated(const QString &text, int times)
{
    return text.repeated(times);
}

} // namespace

class TestVCard : public QObject
{
    Q_OBJECT

private slots:
    void fixtures_data();
    void fixtures();
    void handWrittenCards_data();
    void handWrittenCards();
    void roundTrip_data();
    void roundTrip();
    void randomRecordsRoundTrip();
    void otherReaderAcceptsExport();
    void brokenInput_data();
    void brokenInput();
    void endlessLine();
    void randomMutations();
    void refusingDevice();
};

void TestVCard::fixtures_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("cards");
    QTest::addColumn<int>("card");
    QTest::addColumn<Values>("columns"); // every column but the notes, exactly
    QTest::addColumn<QString>("notesStart");
    QTest::addColumn<QStringList>("noteLines");
    QTest::addColumn<QStringList>("notices");

    const QString assistant = QStringLiteral("هاتف (AssistantPhone): 905-222-1234");
    QTest::newRow("Gmail list, first card")
        << "gmail-list.vcf" << 3 << 0
        << phone({{Columns::name, "Arnold Smith"}, {Columns::email, "asmithk@gmail.com"}}) << QString() << QStringList()
        << QStringList();
    QTest::newRow("Gmail list, last card without a line end")
        << "gmail-list.vcf" << 3 << 2
        << phone({{Columns::name, "Doug White"}, {Columns::email, "dwhite@gmail.com"}}) << QString() << QStringList()
        << QStringList();
    QTest::newRow("RFC 2426, folded address, fax and work number, second e-mail")
        << "rfc2426-example.vcf" << 2 << 0
        << phone({{Columns::name, "Frank Dawson"},
                  {Columns::address, "6544 Battleford Drive, Raleigh, NC, 27613-3502, U.S.A."},
                  {Columns::office, "+1-919-676-9515"},
                  {Columns::fax, "+1-919-676-9564"},
                  {Columns::email, "Frank_Dawson@Lotus.com"}})
        << QStringLiteral("المؤسسة: Lotus Development Corporation")
        << QStringList{QStringLiteral("المؤسسة: Lotus Development Corporation"),
                       QStringLiteral("البريد الإلكتروني: fdawson@earthlink.net"),
                       QStringLiteral("الموقع: http://home.earthlink.net/~fdawson")}
        << QStringList{QStringLiteral("بطاقات حفظ في ملاحظاتها ما لا عمود له: 2")};
    QTest::newRow("RFC 2426, second card, a space kept after the fold")
        << "rfc2426-example.vcf" << 2 << 1
        << phone({{Columns::name, "Tim Howes"},
                  {Columns::address, "501 E. Middlefield Rd., Mountain View, CA,  94043, U.S.A."},
                  {Columns::office, "+1-415-937-3419"},
                  {Columns::fax, "+1-415-528-4164"},
                  {Columns::email, "howes@netscape.com"}})
        << QStringLiteral("المؤسسة: Netscape Communications Corp.")
        << QStringList{QStringLiteral("المؤسسة: Netscape Communications Corp.")}
        << QStringList{QStringLiteral("بطاقات حفظ في ملاحظاتها ما لا عمود له: 2")};
    QTest::newRow("RFC 6350, uri numbers, N with more than FN, a key")
        << "rfc6350-example.vcf" << 1 << 0
        << phone({{Columns::name, "Simon Perreault"},
                  {Columns::address, "Suite D2-630, 2875 Laurier, Quebec, QC, G1V 2M2, Canada"},
                  {Columns::office, "+1-418-656-9254;ext=102"},
                  {Columns::mobile, "+1-418-262-6501"},
                  {Columns::email, "simon.perreault@viagenie.ca"}})
        << QStringLiteral("الإسم بأجزائه: العائلة Perreault، الأول Simon، اللاحقة ing. jr,M.Sc.")
        << QStringList{QStringLiteral("تاريخ الميلاد: --02-03"), QStringLiteral("ذكرى الزواج: 2009-08-08T14:30-05:00"),
                       QStringLiteral("الجنس: M"), QStringLiteral("اللغة: fr"), QStringLiteral("اللغة: en"),
                       QStringLiteral("المؤسسة: Viagenie"),
                       QStringLiteral("الموقع الجغرافي: geo:46.772673,-71.282945"),
                       QStringLiteral("المنطقة الزمنية: -0500"), QStringLiteral("الموقع: http://nomis80.org")}
        << QStringList{QStringLiteral("مفتاح تشفير واحد لم يستورد"),
                       QStringLiteral("بطاقات حفظ في ملاحظاتها ما لا عمود له: 1")};
    QTest::newRow("Gmail, escapes, grouped Apple labels, multi-line address")
        << "John_Doe_GMAIL.vcf" << 1 << 0
        << phone({{Columns::name, "Mr. John Richter, James Doe Sr."},
                  {Columns::email, "john.doe@ibm.com"},
                  {Columns::mobile, "905-555-1234"},
                  {Columns::home, "905-666-1234"},
                  {Columns::address, "Crescent moon drive\n555-asd\nNice Area, Albaney, New York 12345\n"
                                     "United States of America"}})
        << QStringLiteral("THIS SOFTWARE IS PROVIDED BY THE COPYRIGHT HOLDERS AND CONTRIBUTORS \"AS IS\" AND ANY "
                          "EXPRESS OR IMPLIED WARRANTIES, INCLUDING, BUT NOT LIMITED TO, THE IMPLIED")
        << QStringList{QStringLiteral("Favotire Color: Blue"), QStringLiteral("X-PHONETIC-FIRST-NAME: Jon"),
                       QStringLiteral("X-PHONETIC-LAST-NAME: Dow"), QStringLiteral("المؤسسة: IBM"),
                       QStringLiteral("المسمى الوظيفي: Money Counter"), QStringLiteral("تاريخ الميلاد: 1980-03-22"),
                       QStringLiteral("الموقع: http://www.ibm.com"),
                       QStringLiteral("X-ABDATE (Anniversary): 1975-03-01"),
                       QStringLiteral("X-ABRELATEDNAMES (Spouse): Jenny")}
        << QStringList{QStringLiteral("بطاقات حفظ في ملاحظاتها ما لا عمود له: 1")};
    const QStringList androidNotices{QStringLiteral("صورة واحدة لم تستورد (من بطاقة Ñ Ñ Ñ Ñ )"),
                                     QStringLiteral("بطاقات حفظ في ملاحظاتها ما لا عمود له: 6"),
                                     QStringLiteral("السطر 82: حروف لا تقرأ بترميزها المعلن، وضعت مكانها العلامة �")};
    QTest::newRow("Android, a card with an e-mail only")
        << "John_Doe_ANDROID.vcf" << 6 << 0 << phone({{Columns::email, "john.doe@company.com"}})
        << QStringLiteral("الفئات: My Contacts") << QStringList{QStringLiteral("الفئات: My Contacts")}
        << androidNotices;
    QTest::newRow("Android, quoted-printable name")
        << "John_Doe_ANDROID.vcf" << 6 << 2
        << phone({{Columns::name, QStringLiteral("Ñ Ñ Ñ Ñ Ñ ")}, {Columns::mobile, "123456789"}})
        << QStringLiteral("الفئات: My Contacts") << QStringList() << androidNotices;
    const QString eight = QStringLiteral("Ñ Ñ Ñ Ñ Ñ Ñ Ñ Ñ");
    const QString androidNote = eight + eight + QStringLiteral("Ñ Ñ Ñ Ñ Ñ ");
    QTest::newRow("Android, soft line breaks, two numbers of a type, two notes")
        << "John_Doe_ANDROID.vcf" << 6 << 3
        << phone({{Columns::name, QStringLiteral("Ñ Ñ Ñ Ñ Ñ Ñ Ñ Ñ Ñ Ñ Ñ")},
                  {Columns::mobile, "123456"},
                  {Columns::home, "234567"}})
        << androidNote + u'\n' + androidNote + u'\n'
        << QStringList{QStringLiteral("هاتف الجوال: 3456789"), QStringLiteral("هاتف المنزل: 45678901"),
                       QStringLiteral("الفئات: My Contacts")}
        << androidNotices;
    QTest::newRow("Android, work fax, second e-mail, organisations, photo")
        << "John_Doe_ANDROID.vcf" << 6 << 4
        << phone({{Columns::name, QStringLiteral("Ñ Ñ Ñ Ñ ")},
                  {Columns::mobile, "123456"},
                  {Columns::office, "123456"},
                  {Columns::fax, "123456"},
                  {Columns::email, "bob@company.com"}})
        << QString()
        << QStringList{QStringLiteral("البريد الإلكتروني: ") + repeated(Nye, 14),
                       QStringLiteral("المؤسسة: ") + repeated(Nye, 12) + QStringLiteral("\nالمؤسسة: ")
                           + repeated(Nye, 12),
                       QStringLiteral("الموقع: www.company.com"), QStringLiteral("الموقع: http://www.company.com")}
        << androidNotices;
    QTest::newRow("Android, a damaged byte after a soft line break")
        << "John_Doe_ANDROID.vcf" << 6 << 5
        << phone({{Columns::name, repeated(Nye, 4)},
                  {Columns::mobile, "55556666"},
                  {Columns::email, "henry@company.com"}})
        << QString()
        << QStringList{QStringLiteral("المؤسسة: ") + repeated(Nye, 44) + QStringLiteral("\nالمؤسسة: ")
                       + repeated(Nye, 44) + QStringLiteral("�\nالمؤسسة: ") + repeated(Nye, 44)}
        << androidNotices;
    QTest::newRow("Outlook 2.1, two addresses and labels, photo")
        << "John_Doe_MS_OUTLOOK.vcf" << 1 << 0
        << phone({{Columns::name, "Mr. John Richter James Doe Sr."},
                  {Columns::office, "(905) 555-1234"},
                  {Columns::home, "(905) 666-1234"},
                  {Columns::address, "Cresent moon drive, Albaney, New York, 12345, United States of America"},
                  {Columns::email, "john.doe@ibm.cm"}})
        << QStringLiteral("THIS SOFTWARE IS PROVIDED BY GEORGE EL-HADDAD ''AS IS'' AND ANY EXPRESS")
        << QStringList{QStringLiteral("اسم الشهرة: Johny"), QStringLiteral("المؤسسة: IBM, Accounting"),
                       QStringLiteral("المسمى الوظيفي: Money Counter"),
                       QStringLiteral("العنوان البريدي: Cresent moon drive\nAlbaney, New York  12345"),
                       QStringLiteral("عنوان المنزل: Silicon Alley 5,, New York, New York, 12345, "
                                      "United States of America"),
                       QStringLiteral("العنوان البريدي: Silicon Alley 5,\nNew York, New York  12345"),
                       QStringLiteral("الموقع: http://www.ibm.com"),
                       QStringLiteral("الدور: Counting Money"), QStringLiteral("تاريخ الميلاد: 1980-03-22"),
                       QStringLiteral("X-MS-ANNIVERSARY: 20110113"), QStringLiteral("X-MS-IMADDRESS: johny5@aol.com"),
                       QStringLiteral("X-MS-MANAGER: Big Blue"), QStringLiteral("X-MS-ASSISTANT: Jenny")}
        << QStringList{QStringLiteral("صورة واحدة لم تستورد"),
                       QStringLiteral("حقول يكتبها البرنامج لنفسه لم تستورد: 3 (X-MS-OL-DEFAULT-POSTAL-ADDRESS، X-MS-OL-DESIGN، REV)"),
                       QStringLiteral("بطاقات حفظ في ملاحظاتها ما لا عمود له: 1")};
    QTest::newRow("iPhone, CR CR LF line ends, every kind of number, grouped labels")
        << "John_Doe_IPHONE.vcf" << 1 << 0
        << phone({{Columns::name, "Mr. John Richter James Doe Sr."},
                  {Columns::email, "john.doe@ibm.com"},
                  {Columns::mobile, "905-555-1234"},
                  {Columns::home, "905-666-1234"},
                  {Columns::office, "905-777-1234"},
                  {Columns::fax, "905-888-1234"},
                  {Columns::address, "Silicon Alley 5,, New York, New York, 12345, United States of America"}})
        << QStringLiteral("اسم الشهرة: Johny")
        << QStringList{QStringLiteral("المؤسسة: IBM, Accounting"), QStringLiteral("فاكس: 905-999-1234"),
                       QStringLiteral("هاتف النداء: 905-111-1234"), assistant,
                       QStringLiteral("عنوان العمل: Street4\nBuilding 6\nFloor 8, New York, 12345, USA"),
                       QStringLiteral("الموقع (HomePage): http://www.ibm.com"),
                       QStringLiteral("تاريخ الميلاد: 2012-06-06")}
        << QStringList{QStringLiteral("صورة واحدة لم تستورد"),
                       QStringLiteral("حقول يكتبها البرنامج لنفسه لم تستورد: 3 (PRODID، X-ABADR)"),
                       QStringLiteral("بطاقات حفظ في ملاحظاتها ما لا عمود له: 1")};
    QTest::newRow("Outlook 2007, quoted-printable us-ascii note with a tab, key and photo")
        << "outlook-2007.vcf" << 1 << 0
        << phone({{Columns::name, "Mr. Michael Angstadt Jr."},
                  {Columns::office, "(111) 555-1111"},
                  {Columns::home, "(111) 555-2222"},
                  {Columns::mobile, "(111) 555-4444"},
                  {Columns::fax, "(111) 555-3333"},
                  {Columns::address, "TheOffice, 222 Broadway, New York, NY, 99999, USA"},
                  {Columns::email, "mike.angstadt@gmail.com"}})
        << QStringLiteral("This is the NOTE field\t\nI assume it encodes this text inside a NOTE vCard type.\n"
                          "But I'm not sure because there's text formatting going on here.\n"
                          "It does not preserve the formatting\n")
        << QStringList{QStringLiteral("X-MS-TEL: (111) 555-4444"), QStringLiteral("الموقع: http://mikeangstadt.name"),
                       QStringLiteral("FBURL: http://website.com/mycal"), QStringLiteral("X-MS-SPOUSE: TheSpouse"),
                       QStringLiteral("العنوان البريدي: 222 Broadway\nNew York, NY 99999\nUSA")}
        << QStringList{QStringLiteral("صورة واحدة لم تستورد"), QStringLiteral("مفتاح تشفير واحد لم يستورد"),
                       QStringLiteral("حقول يكتبها البرنامج لنفسه لم تستورد: 3 (X-MS-OL-DEFAULT-POSTAL-ADDRESS، X-MS-OL-DESIGN، REV)"),
                       QStringLiteral("بطاقات حفظ في ملاحظاتها ما لا عمود له: 1")};
    QTest::newRow("Thunderbird, LF-only folded photo, five e-mails, pager")
        << "thunderbird-MoreFunctionsForAddressBook-extension.vcf" << 1 << 0
        << phone({{Columns::name, "John Doe"},
                  {Columns::address, "222 Broadway, Suite 100, New York, NY, 98765, USA"},
                  {Columns::office, "555-555-1111"},
                  {Columns::home, "555-555-2222"},
                  {Columns::mobile, "555-555-5555"},
                  {Columns::fax, "555-555-3333"},
                  {Columns::email, "doe.john@hotmail.com"}})
        << QStringLiteral("This is the notes field.\nSecond Line\n\nFourth Line\n"
                          "You can put anything in the \"note\" field; even curse words.\n")
        << QStringList{QStringLiteral("المؤسسة: TheOrganization, TheDepartment"), QStringLiteral("اسم الشهرة: Johnny"),
                       QStringLiteral("عنوان المنزل: 123 Main St, Apt 10, Austin, TX, 12345, USA"),
                       QStringLiteral("هاتف النداء: 555-555-4444"),
                       QStringLiteral("البريد الإلكتروني: additional-email@company.com"),
                       QStringLiteral("البريد الإلكتروني: additional-email3@company.com"),
                       QStringLiteral("الفئات: category1, category2, category3"), QStringLiteral("X-SPOUSE: TheSpouse"),
                       QStringLiteral("X-ANNIVERSARY: 1990-04-30")}
        << QStringList{QStringLiteral("صورة واحدة لم تستورد"),
                       QStringLiteral("بطاقات حفظ في ملاحظاتها ما لا عمود له: 1")};
}

void TestVCard::fixtures()
{
    QFETCH(QString, file);
    QFETCH(int, cards);
    QFETCH(int, card);
    QFETCH(Values, columns);
    QFETCH(QString, notesStart);
    QFETCH(QStringList, noteLines);
    QFETCH(QStringList, notices);

    QFile input(QFINDTESTDATA(QStringLiteral("fixtures/vcard/") + file));
    QVERIFY2(input.open(QIODevice::ReadOnly), qPrintable(file));
    const Read read = readAll(&input);
    QVERIFY2(!read.problem.isProblem(), qPrintable(read.problem.message));
    QVERIFY(!read.nextAfterEnd);
    QCOMPARE(read.position, input.size());
    QCOMPARE(read.records.size(), cards);
    QCOMPARE(read.notices, notices);

    Values record = read.records.at(card);
    const QString notes = record.take(Columns::notes).toString();
    QCOMPARE(record, columns);
    QVERIFY2(notes.startsWith(notesStart), qPrintable(notes));
    for (const QString &line : noteLines)
        QVERIFY2(notesHold(read.records.at(card), line), qPrintable(line + QStringLiteral(" ⟵ ") + notes));
}

void TestVCard::handWrittenCards_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QList<Values>>("expected");
    QTest::addColumn<QStringList>("notices");

    // محمد علي and ملاحظة in UTF-8, cut by a soft line break between the two bytes of a letter.
    QTest::newRow("Android 2.1, Arabic in quoted-printable, soft break inside a letter")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\n"
                      "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=D8=B9=D9=84=D9=8A;=D9=85=D8=AD=D9=85=D8=AF;;;\r\n"
                      "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=D9=85=D8=AD=D9=85=D8=AF=20=D8=B9=D9=\r\n"
                      "=84=D9=8A\r\n"
                      "TEL;CELL;PREF:0791234567\r\nTEL;HOME;VOICE:065551234\r\n"
                      "NOTE;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=D9=85=D9=84=D8=A7=D8=AD=D8=\r\n"
                      "=B8=D8=A9=0D=0A=D8=A9\r\n"
                      "END:VCARD\r\n")
        << QList<Values>{phone({{Columns::name, QStringLiteral("محمد علي")},
                                {Columns::mobile, "0791234567"},
                                {Columns::home, "065551234"},
                                {Columns::notes, QStringLiteral("ملاحظة\nة")}})}
        << QStringList();
    QTest::newRow("byte order mark, LF only, both TYPE forms, a number without type, two cards")
        << QByteArray("\xEF\xBB\xBF"
                      "BEGIN:VCARD\nVERSION:3.0\nFN:One\nTEL;TYPE=home;TYPE=voice:1\nTEL;TYPE=WORK,VOICE:2\n"
                      "item1.TEL:3\nEND:VCARD\n"
                      "begin:vcard\nversion:4.0\nfn:Two\ntel;type=\"voice,cell\";value=uri:tel:+9625\nend:vcard\n")
        << QList<Values>{phone({{Columns::name, "One"}, {Columns::home, "1"}, {Columns::office, "2"},
                                {Columns::mobile, "3"}}),
                         phone({{Columns::name, "Two"}, {Columns::mobile, "+9625"}})}
        << QStringList();
    QTest::newRow("a typed number wins its column over an untyped one before it; the rest to the notes")
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:A\r\nTEL:1\r\nTEL;TYPE=VOICE:2\r\nTEL:3\r\nTEL:4\r\n"
                      "TEL;TYPE=CELL:5\r\nEMAIL:a@b\r\nEMAIL:c@d\r\nTEL;TYPE=CELL:8\r\nEND:VCARD\r\n"
                      "BEGIN:VCARD\r\nVERSION:3.0\r\nTEL;TYPE=HOME,CELL:6\r\nTEL;TYPE=HOME,FAX:7\r\nEND:VCARD\r\n")
        << QList<Values>{phone({{Columns::name, "A"},
                                {Columns::home, "1"},
                                {Columns::mobile, "5"},
                                {Columns::office, "2"},
                                {Columns::email, "a@b"},
                                {Columns::notes,
                                 QStringLiteral("هاتف: 3\nهاتف: 4\nالبريد الإلكتروني: c@d\nهاتف الجوال: 8")}}),
                         phone({{Columns::mobile, "6"}, {Columns::fax, "7"}})}
        << QStringList{QStringLiteral("بطاقات حفظ في ملاحظاتها ما لا عمود له: 1")};
    QTest::newRow("typed numbers after an untyped one, as a phone exports them")
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Typed Test\r\nTEL:111\r\nTEL;TYPE=CELL:222\r\n"
                      "TEL;TYPE=HOME:333\r\nEND:VCARD\r\n")
        << QList<Values>{phone({{Columns::name, "Typed Test"}, {Columns::mobile, "222"}, {Columns::home, "333"},
                                {Columns::office, "111"}})}
        << QStringList();
    QTest::newRow("identifiers and programs' bookkeeping left out and counted, controls dropped, dates in one form")
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nPRODID:-//Apple Inc.//iOS 17//EN\r\nFN:B\r\n"
                      "X-ABUID:5AD38D1B-AD4A-4A5E\\:ABPerson\r\nSORT-STRING:b\r\nX-COUCHDB-UUID:1f2e\r\n"
                      "X-COUCHDB-REV:3-abc\r\nCLASS:PUBLIC\r\nPROFILE:VCARD\r\nREV:2024-01-01T00:00:00Z\r\n"
                      "NICKNAME:Bo\x01" "b\x7f\r\nBDAY:19800321\r\nANNIVERSARY:20090808T1430-0500\r\nEND:VCARD\r\n"
                      "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:C\r\nBDAY:--0415\r\nX-ABDATE:x\r\n"
                      "BDAY;X-APPLE-OMIT-YEAR=1604:1604-03-21\r\nBDAY;VALUE=text:circa 1800\r\nEND:VCARD\r\n")
        << QList<Values>{phone({{Columns::name, "B"},
                                {Columns::notes, QStringLiteral("اسم الشهرة: Bob\nتاريخ الميلاد: 1980-03-21\n"
                                                                "ذكرى الزواج: 2009-08-08T14:30-05:00")}}),
                         phone({{Columns::name, "C"},
                                {Columns::notes, QStringLiteral("تاريخ الميلاد: --04-15\nX-ABDATE: x\n"
                                                                "تاريخ الميلاد: --03-21\nتاريخ الميلاد: circa 1800")}})}
        << QStringList{QStringLiteral("حقول يكتبها البرنامج لنفسه لم تستورد: 8 (PRODID، X-ABUID، SORT-STRING، "
                                      "X-COUCHDB-UUID، X-COUCHDB-REV، CLASS، PROFILE، REV)"),
                       QStringLiteral("بطاقات حفظ في ملاحظاتها ما لا عمود له: 2")};
    QTest::newRow("another charset by name, base64 text, no FN so the name comes from N")
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Doe;John;Q;Dr.;III\r\n"
                      "NOTE;CHARSET=windows-1256:\xe3\xd1\xcd\xc8\xc7\r\n"
                      "ADR;ENCODING=b:")
               + QStringLiteral(";;شارع الملك\\, ١٢;عمّان;;;الأردن").toUtf8().toBase64()
               + QByteArray("\r\nEND:VCARD\r\n")
        << QList<Values>{phone({{Columns::name, "Dr. John Q Doe III"},
                                {Columns::notes, QStringLiteral("مرحبا")},
                                {Columns::address, QStringLiteral("شارع الملك, ١٢, عمّان, الأردن")}})}
        << QStringList();
    // +xjpSPdvE is U+C63A, U+523D and the first half of a pair, cut there.
    QTest::newRow("UTF-7 ending inside a surrogate pair: the half replaced and said")
        << QByteArray("BEGIN:VCARD\r\nFN:x\r\nNOTE;CHARSET=UTF-7:+xjpSPdvE\r\nEND:VCARD\r\n")
        << QList<Values>{phone({{Columns::name, "x"}, {Columns::notes, QStringLiteral("\uC63A\u523D\uFFFD")}})}
        << QStringList{QStringLiteral("السطر 3: حروف لا تقرأ بترميزها المعلن، وضعت مكانها العلامة �")};
    QTest::newRow("2.1 escapes only semicolons; pictures, logos and sounds counted")
        << QByteArray("BEGIN:VCARD\r\nVERSION:2.1\r\nFN:C:\\dir\\; x\r\nPHOTO;JPEG;ENCODING=BASE64:AAAA\r\n\r\n"
                      "PHOTO;VALUE=URL:http://x/1.jpg\r\nLOGO;ENCODING=BASE64:AAAA\r\n\r\nEND:VCARD\r\n"
                      "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:D\\:\\\\\r\nPHOTO;ENCODING=b:AAAA\r\nLOGO:http://x\r\n"
                      "SOUND:http://x\r\nEND:VCARD\r\n")
        << QList<Values>{phone({{Columns::name, "C:\\dir; x"}}), phone({{Columns::name, "D:\\"}})}
        << QStringList{QStringLiteral("3 صور لم تستورد (من بطاقات C:\\dir; x، D:\\)"),
                       QStringLiteral("شعاران لم يستوردا (من بطاقات C:\\dir; x، D:\\)"),
                       QStringLiteral("صوت واحد لم يستورد (من بطاقة D:\\)")};
    QTest::newRow("a card's first UID is its own")
        << QByteArray("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:U\r\nUID:abc\\,1@x\r\nUID:second\r\nEND:VCARD\r\n")
        << QList<Values>{phone({{Columns::name, "U"}, {dalil::Exchange::uidField, "abc,1@x"}})} << QStringList();
    QTest::newRow("cards with no values at all; an empty FN; a name from N's given and family names")
        << QByteArray("BEGIN:VCARD\r\nVERSION:4.0\r\nFN:\r\nEND:VCARD\r\nBEGIN:VCARD\r\nEND:VCARD\r\n"
                      "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:\r\nN:Haddad;Layla;;;\r\nEND:VCARD\r\n")
        << QList<Values>{Values(), Values(), phone({{Columns::name, "Layla Haddad"}})} << QStringList();
}

void TestVCard::handWrittenCards()
{
    QFETCH(QByteArray, file);
    QFETCH(QList<Values>, expected);
    QFETCH(QStringList, notices);

    const Read read = readAll(file);
    QVERIFY2(!read.problem.isProblem(), qPrintable(read.problem.message));
    QCOMPARE(read.records, expected);
    QCOMPARE(read.notices, notices);
}

void TestVCard::roundTrip_data()
{
    QTest::addColumn<Version>("version");
    QTest::addColumn<QList<Values>>("records");

    QList<Values> records;
    const QStringList columns = dalil::Exchange::columns(QStringLiteral("Phone"));
    for (const auto &[name, text] : testing::hostileTexts()) {
        Values record;
        for (const QString &column : columns)
            record.insert(column, text);
        // A UID is carried as it is, whatever it holds.
        record.insert(dalil::Exchange::uidField, text);
        records.append(record);
    }
    records.append(Values());
    records.append(phone({{Columns::name, "x"}, {dalil::Exchange::uidField, "urn:uuid:0f6e1b7e-4c1d-4a5e-9b3f-2d1c0a9e8f7d"}}));
    records.append(phone({{Columns::name, QStringLiteral("سامي")},
                          {Columns::home, "06 555 1234"},
                          {Columns::mobile, "+962 79 123 4567"},
                          {Columns::office, "06-555-9999 ext. 12"},
                          {Columns::fax, "06 555 0000"}}));
    records.append(phone({{Columns::mobile, "079"}, {Columns::notes, QStringLiteral(" \n\n; , \\ \\n %41 %%\n")}}));
    records.append(phone({{Columns::name, QStringLiteral("%41") + QChar(0) + QStringLiteral("%%00")}}));
    // Numbers that read like a 4.0 number's URI.
    records.append(phone({{Columns::office, "tel:+1-418-262-6501"}, {Columns::fax, "TEL:tel:9"}}));
    // Each width of a character at each distance from the fold.
    for (int shift = 0; shift < 4; ++shift) {
        const QString pad(shift, u'x');
        records.append(phone({{Columns::name, pad + QStringLiteral("😀").repeated(40)},
                              {Columns::address, pad + QStringLiteral("€").repeated(60)},
                              {Columns::notes, pad + QStringLiteral("ب\u0651").repeated(50)}}));
    }
    QTest::newRow("3.0") << Version::V3 << records;
    QTest::newRow("4.0") << Version::V4 << records;
}

void TestVCard::roundTrip()
{
    QFETCH(Version, version);
    QFETCH(QList<Values>, records);

    const QByteArray file = written(records, version);
    QVERIFY(!file.isEmpty());

    // Every physical line: CRLF at its end, at most 75 octets, whole UTF-8 characters, no
    // control character but tab.
    const QList<QByteArray> lines = file.split('\n');
    QVERIFY(lines.last().isEmpty());
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        QByteArray line = lines.at(i);
        QVERIFY2(line.endsWith('\r'), line.constData());
        line.chop(1);
        QVERIFY2(line.size() <= 75, line.constData());
        QStringDecoder utf8(QStringDecoder::Utf8);
        const QString text = utf8.decode(line);
        QVERIFY2(!utf8.hasError(), line.constData());
        for (const QChar c : text)
            QVERIFY2((c.unicode() >= 0x20 || c == u'\t') && c.unicode() != 0x7f, line.constData());
    }
    QVERIFY(file.startsWith(version == Version::V4 ? "BEGIN:VCARD\r\nVERSION:4.0\r\n"
                                                   : "BEGIN:VCARD\r\nVERSION:3.0\r\n"));
    QVERIFY(file.contains(version == Version::V4 ? "\r\nTEL;TYPE=fax:06 555 0000\r\n"
                                                 : "\r\nTEL;TYPE=FAX:06 555 0000\r\n"));
    QVERIFY(file.contains("\r\nFN;X-DALIL-ENCODING=PERCENT:a\tb\\nc%0Dd%01e%7F%00f\r\n"));

    const Read read = readAll(file);
    QVERIFY2(!read.problem.isProblem(), qPrintable(read.problem.message));
    QCOMPARE(read.notices, QStringList());
    QCOMPARE(read.records.size(), records.size());
    for (qsizetype i = 0; i < records.size(); ++i)
        QCOMPARE(withoutGivenUid(read.records.at(i), records.at(i)), records.at(i));
}

void TestVCard::randomRecordsRoundTrip()
{
    // Pieces that meet each other and the folds in every order: escapes, percent codes, controls,
    // letters of one to four bytes, marks and spaces.
    static const QString pieces[] = {
        QStringLiteral("\\"), QStringLiteral(";"), QStringLiteral(","), QStringLiteral("\n"), QStringLiteral("\r"),
        QStringLiteral("%"), QStringLiteral("%0D"), QStringLiteral("\t"), QStringLiteral(" "), QStringLiteral(":"),
        QStringLiteral("="), QStringLiteral("\""), QStringLiteral("a"), QStringLiteral("ب"), QStringLiteral("€"),
        QStringLiteral("😀"), QStringLiteral("\u0651"), QStringLiteral("\u200F"), QString(QChar(0)),
        QString(QChar(0x1b)), QString(QChar(0x7f)), QStringLiteral("\\n")};
    const QStringList columns = dalil::Exchange::columns(QStringLiteral("Phone"));
    QRandomGenerator random(20261208);
    QList<Values> records;
    for (int r = 0; r < 400; ++r) {
        Values record;
        for (const QString &column : columns) {
            QString text;
            const int length = random.bounded(3) == 0 ? 0 : random.bounded(120);
            for (int i = 0; i < length; ++i)
                text += pieces[random.bounded(int(std::size(pieces)))];
            if (!text.isEmpty())
                record.insert(column, text);
        }
        records.append(record);
    }
    for (const Version version : {Version::V3, Version::V4}) {
        const Read read = readAll(written(records, version));
        QVERIFY2(!read.problem.isProblem(), qPrintable(read.problem.message));
        QCOMPARE(read.records.size(), records.size());
        for (qsizetype i = 0; i < records.size(); ++i)
            QCOMPARE(withoutGivenUid(read.records.at(i), records.at(i)), records.at(i));
    }
}

void TestVCard::otherReaderAcceptsExport()
{
    const QString python = pythonWithVobject();
    if (python.isEmpty())
        QSKIP("python3 with vobject is not installed");

    QList<Values> records;
    for (const auto &[name, text] : testing::hostileTexts())
        records.append(phone({{Columns::name, text}, {Columns::notes, text}, {Columns::mobile, text}}));
    records.append(Values());
    records.append(phone({{Columns::name, QStringLiteral("ليلى; الأحمد, \\ ملاحظة")},
                          {Columns::address, QStringLiteral("عمّان")}}));
    QJsonArray names;
    for (const Values &record : records)
        names.append(record.value(Columns::name).toString());

    // Percent codes are undone as the writer's documentation says, by the other reader's user.
    const QString script = QStringLiteral(R"(
import json, re, sys, vobject
text = open(sys.argv[1], encoding='utf-8', newline='').read()
expected = json.load(open(sys.argv[2], encoding='utf-8'))
cards = list(vobject.readComponents(text, validate=True))
if len(cards) != len(expected):
    sys.exit('%d cards, not %d' % (len(cards), len(expected)))
for card, name in zip(cards, expected):
    fn = card.fn.value
    if 'X-DALIL-ENCODING' in card.fn.params:
        fn = re.sub('%([0-9A-F]{2})', lambda m: chr(int(m.group(1), 16)), fn)
    if fn != name:
        sys.exit('FN %r, not %r' % (fn, name))
    card.serialize()
)");
    QTemporaryDir dir;
    for (const Version version : {Version::V3, Version::V4}) {
        QFile vcf(dir.filePath(QStringLiteral("export.vcf")));
        QVERIFY(vcf.open(QIODevice::WriteOnly | QIODevice::Truncate));
        const auto writer = dalil::VCard::writer(&vcf, version);
        for (const Values &record : records)
            QVERIFY(writer->write(record));
        QVERIFY(writer->finish());
        vcf.close();
        QFile json(dir.filePath(QStringLiteral("names.json")));
        QVERIFY(json.open(QIODevice::WriteOnly | QIODevice::Truncate));
        json.write(QJsonDocument(names).toJson());
        json.close();

        QProcess run;
        run.start(python, {QStringLiteral("-c"), script, vcf.fileName(), json.fileName()});
        QVERIFY(run.waitForFinished(-1));
        QVERIFY2(run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0,
                 run.readAllStandardError().constData());
    }
}

void TestVCard::brokenInput_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("cardsBefore");
    QTest::addColumn<qint64>("line");
    QTest::addColumn<QString>("mentions"); // what the message must name

    const QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:a\r\nEND:VCARD\r\n"; // lines 1-4
    QTest::newRow("card never ended")
        << card + "BEGIN:VCARD\r\nFN:b\r\n" << 1 << qint64(5) << QStringLiteral("بلا END:VCARD");
    QTest::newRow("card begun inside a card")
        << QByteArray("BEGIN:VCARD\nFN:a\nBEGIN:VCARD\nFN:b\nEND:VCARD\n") << 0 << qint64(1)
        << QStringLiteral("بلا END:VCARD");
    QTest::newRow("end without begin")
        << card + "END:VCARD\r\n" << 1 << qint64(5) << QStringLiteral("END:VCARD بلا BEGIN:VCARD");
    QTest::newRow("property outside a card")
        << card + "\r\nFN:b\r\n" << 1 << qint64(6) << QStringLiteral("خارج البطاقات");
    QTest::newRow("line without a colon")
        << card + "BEGIN:VCARD\r\nFN b\r\nEND:VCARD\r\n" << 1 << qint64(6) << QStringLiteral("(:)");
    QTest::newRow("bad quoted-printable")
        << card + "BEGIN:VCARD\r\nVERSION:2.1\r\nNOTE;ENCODING=QUOTED-PRINTABLE:ab=\r\n=ZZ\r\nEND:VCARD\r\n" << 1
        << qint64(7) << QStringLiteral("quoted-printable");
    QTest::newRow("bad base64")
        << QByteArray("BEGIN:VCARD\nNOTE;ENCODING=b:@@@@\nEND:VCARD\n") << 0 << qint64(2) << QStringLiteral("base64");
    QTest::newRow("unknown charset") << QByteArray("BEGIN:VCARD\nNOTE;CHARSET=x-no-such:a\nEND:VCARD\n") << 0
                                     << qint64(2) << QStringLiteral("x-no-such");
    QTest::newRow("not UTF-8, after folded lines")
        << QByteArray("BEGIN:VCARD\nNOTE:a\n b\n c\nFN:caf\xe9 au lait\nFN:caf\xc3\nEND:VCARD\n")
        << 0 << qint64(5) << QStringLiteral("UTF-8");
    QTest::newRow("bad percent code") << QByteArray("BEGIN:VCARD\nFN;X-DALIL-ENCODING=PERCENT:50%\nEND:VCARD\n") << 0
                                      << qint64(2) << QStringLiteral("%");
    QTest::newRow("one physical line too long")
        << card + "BEGIN:VCARD\r\nNOTE:" + QByteArray(dalil::Exchange::longestLine, 'a') + "\r\nEND:VCARD\r\n" << 1
        << qint64(6) << QStringLiteral("أطول");
    const QByteArray half(dalil::Exchange::longestLine / 2, 'a');
    QTest::newRow("logical line too long once unfolded")
        << card + "BEGIN:VCARD\r\nNOTE:" + half + "\r\n " + half + "\r\n " + half + "\r\nEND:VCARD\r\n" << 1
        << qint64(6) << QStringLiteral("أطول");
    QTest::newRow("plain text") << QByteArray("hello, world\n") << 0 << qint64(1) << QStringLiteral("vCard");
    QTest::newRow("a picture")
        << QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16) << 0 << qint64(1) << QStringLiteral("vCard");
    QTest::newRow("a calendar")
        << QByteArray("\r\n\r\nBEGIN:VCALENDAR\r\nEND:VCALENDAR\r\n") << 0 << qint64(3) << QStringLiteral("vCard");
    QTest::newRow("empty file") << QByteArray() << 0 << qint64(0) << QStringLiteral("فارغ");
}

void TestVCard::brokenInput()
{
    QFETCH(QByteArray, file);
    QFETCH(int, cardsBefore);
    QFETCH(qint64, line);
    QFETCH(QString, mentions);

    const Read read = readAll(file);
    QCOMPARE(read.records.size(), cardsBefore);
    QVERIFY(!read.nextAfterEnd);
    QCOMPARE(read.problem.line, line);
    QVERIFY(read.problem.isProblem());
    QVERIFY2(read.problem.message.contains(mentions), qPrintable(read.problem.message));
    if (line > 0)
        QVERIFY2(read.problem.message.startsWith(QStringLiteral("السطر %1: ").arg(line)),
                 qPrintable(read.problem.message));
}

void TestVCard::endlessLine()
{
    constexpr qint64 bound = dalil::Exchange::longestLine;
    EndlessLine file("BEGIN:VCARD\r\nNOTE:", 4 * bound);
    const Read read = readAll(&file);
    QVERIFY(read.records.isEmpty());
    QCOMPARE(read.problem.line, qint64(2));
    QVERIFY2(file.given() < bound + 1024 * 1024, QByteArray::number(file.given()).constData());
}

void TestVCard::randomMutations()
{
    // Damaged files: the reader ends, with its records or a problem that names a line of the
    // file, and what it gives is only the book's columns with some text in them.
    QList<QByteArray> seeds;
    for (const char *name :
         {"John_Doe_ANDROID.vcf", "John_Doe_GMAIL.vcf", "rfc2426-example.vcf", "rfc6350-example.vcf"}) {
        QFile file(QFINDTESTDATA(QStringLiteral("fixtures/vcard/") + QLatin1String(name)));
        QVERIFY(file.open(QIODevice::ReadOnly));
        seeds << file.readAll();
    }
    seeds << written({phone({{Columns::name, QStringLiteral("a;b,c\\") + QChar(0)}, {Columns::notes, "x"}})},
                     Version::V4);
    static const QByteArray inserts[] = {"\r\n", "\n", "=", "\\", ":", ";", " ", "BEGIN:VCARD\r\n", "END:VCARD\r\n",
                                         "=C3", "\xff", ";ENCODING=QUOTED-PRINTABLE", ";ENCODING=b", ";CHARSET=x-none",
                                         ";X-DALIL-ENCODING=PERCENT", "%", "item1.", "\"", "\xEF\xBB\xBF"};
    const QStringList columns = dalil::Exchange::columns(QStringLiteral("Phone"));

    QRandomGenerator random(20261209);
    int problems = 0;
    for (int round = 0; round < 2000; ++round) {
        QByteArray data = seeds.at(random.bounded(int(seeds.size())));
        const int edits = 1 + random.bounded(6);
        for (int e = 0; e < edits && !data.isEmpty(); ++e) {
            const int at = random.bounded(int(data.size()));
            switch (random.bounded(3)) {
            case 0: data.insert(at, inserts[random.bounded(int(std::size(inserts)))]); break;
            case 1: data.remove(at, 1 + random.bounded(8)); break;
            default: data[at] = char(random.bounded(256)); break;
            }
        }
        const Read read = readAll(data);
        const QByteArray tag = "round " + QByteArray::number(round);
        QVERIFY2(!read.nextAfterEnd, tag.constData());
        QVERIFY2(read.records.size() <= data.toUpper().count("BEGIN:VCARD"), tag.constData());
        if (read.problem.isProblem()) {
            ++problems;
            QVERIFY2(read.problem.line >= 0 && read.problem.line <= data.count('\n') + 1, tag.constData());
            if (read.problem.line > 0)
                QVERIFY2(read.problem.message.startsWith(QStringLiteral("السطر %1: ").arg(read.problem.line)),
                         tag.constData());
        } else {
            QCOMPARE(read.position, qint64(data.size()));
        }
        for (const Values &record : read.records)
            for (auto value = record.cbegin(); value != record.cend(); ++value) {
                QVERIFY2(columns.contains(value.key()) || value.key() == dalil::Exchange::uidField, tag.constData());
                QVERIFY2(value->typeId() == QMetaType::QString && !value->toString().isEmpty(), tag.constData());
            }
    }
    // The damage was real: some files were refused, and some read through.
    QVERIFY(problems > 0 && problems < 2000);
}

void TestVCard::refusingDevice()
{
    QBuffer buffer;
    buffer.open(QIODevice::ReadOnly);
    const auto writer = dalil::VCard::writer(&buffer, Version::V4);
    QTest::ignoreMessage(QtWarningMsg, "QIODevice::write (QBuffer): ReadOnly device");
    QVERIFY(!writer->write(phone({{Columns::name, "a"}})));
    QVERIFY(!writer->write(Values()));
    QVERIFY(!writer->finish());
}

QTEST_GUILESS_MAIN(TestVCard)
#include "tst_vcard.moc"
