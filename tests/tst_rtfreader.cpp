#include "../shell/rtfreader.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

using dalil::readRtf;

namespace {

QTextCharFormat formatAt(QTextDocument &document, int position)
{
    QTextCursor cursor(&document);
    cursor.setPosition(position + 1); // the format of the character before the cursor
    return cursor.charFormat();
}

const QByteArray FormattedDocument =
    "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\froman Times New Roman;}"
    "{\\f1\\fnil\\fcharset178 Simplified Arabic;}}"
    "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
    "a{\\b b{\\i c}d}e\\ul f\\ulnone g\\fs40 h\\plain i\\cf1 j\\cf0 k\\f1 l\\uldb m\\b0\\i n}";

const QByteArray ParagraphDocument =
    "{\\rtf1\\pard\\rtlpar\\qr one\\par\\pard\\qc two\\par\\pard\\ltrpar\\qj three\\par"
    "\\pard\\rtlpar four\\par{\\pard\\ql\\rtlpar five\\par}six}";

QString helpFilePath()
{
    return QFINDTESTDATA("../resources/Help File.rtf");
}

} // namespace

class TestRtfReader : public QObject
{
    Q_OBJECT

private slots:
    void text_data();
    void text();
    void characterFormats_data();
    void characterFormats();
    void paragraphFormats_data();
    void paragraphFormats();
    void closingParagraphMark();
    void brokenInput_data();
    void brokenInput();
    void notRtf_data();
    void notRtf();
    void randomMutations();
    void helpFilePhrases_data();
    void helpFilePhrases();
    void helpFileLayout();
};

void TestRtfReader::text_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");

    QTest::newRow("Arabic bytes through the font's charset")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}"
                      "{\\f1\\fnil\\fcharset178 Traditional Arabic;}}"
                      "\\pard\\rtlpar\\qr\\f1 \\'e3\\'d1\\'cd\\'c8\\'c7\\par}")
        << QStringLiteral("مرحبا");
    QTest::newRow("Arabic bytes through the document code page")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1256 \\'e3\\'d1\\'cd\\'c8\\'c7}") << QStringLiteral("مرحبا");
    QTest::newRow("charset 1 means the document code page")
        << QByteArray("{\\rtf1\\ansicpg1256{\\fonttbl{\\f0\\fcharset1 X;}}\\f0 \\'d3\\'e1\\'c7\\'e3}")
        << QStringLiteral("سلام");
    QTest::newRow("font charset wins over the document code page")
        << QByteArray("{\\rtf1\\ansicpg1256{\\fonttbl{\\f0\\fcharset204 C;}{\\f1\\fcharset0 W;}}"
                      "\\f0\\'cf\\'f0\\'e8 \\f1\\'cf\\'f0\\'e8}")
        << QStringLiteral("При Ïðè");
    QTest::newRow("raw 8-bit bytes go through the code page too")
        << QByteArray("{\\rtf1\\ansicpg1256 \xe3\\'d1\xcd}") << QStringLiteral("مرح");
    QTest::newRow("multi-byte code page decodes byte pairs")
        << QByteArray("{\\rtf1\\ansi\\ansicpg936 \\'d6\\'d0\\'ce\\'c4}") << QStringLiteral("中文");
    QTest::newRow("uc1 drops one fallback character")
        << QByteArray("{\\rtf1\\uc1\\u1605?\\u1585?}") << QStringLiteral("مر");
    QTest::newRow("uc0 drops nothing")
        << QByteArray("{\\rtf1\\uc0\\u1605\\u1585 x}") << QStringLiteral("مرx");
    QTest::newRow("uc2 counts a hex escape as one character")
        << QByteArray("{\\rtf1\\uc2\\u1605\\'e3\\'3fA}") << QStringLiteral("مA");
    QTest::newRow("one fallback character by default")
        << QByteArray("{\\rtf1\\u1605?X}") << QStringLiteral("مX");
    QTest::newRow("negative values form a surrogate pair")
        << QByteArray("{\\rtf1\\u-10179?\\u-8704?}") << QString::fromUcs4(U"\U0001F600");
    QTest::newRow("uc is restored at group end")
        << QByteArray("{\\rtf1{\\uc2\\u1605 ab}\\u1585 cd}") << QStringLiteral("مرd");
    QTest::newRow("fallback skipping stops at group end")
        << QByteArray("{\\rtf1{\\uc3\\u1605 a}bc}") << QStringLiteral("مbc");
    QTest::newRow("generator, info, stylesheet and picture are skipped")
        << QByteArray("{\\rtf1{\\*\\generator Riched20 10.0.19041;}{\\info{\\title T}{\\author A}}"
                      "{\\stylesheet{\\s0 Normal;}{\\s1 Heading 1;}}"
                      "{\\pict\\pngblip\\picw10\\pich10 89504e470d0a1a0a}Text}")
        << QStringLiteral("Text");
    QTest::newRow("unknown starred destination is skipped with its groups")
        << QByteArray("{\\rtf1{\\*\\madeup {nested {deeper}} stuff}ok}") << QStringLiteral("ok");
    QTest::newRow("field result kept, instruction skipped")
        << QByteArray("{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}"
                      "{\\field{\\fldinst PAGE}{\\fldrslt 3}}}")
        << QStringLiteral("link3");
    QTest::newRow("control symbols")
        << QByteArray("{\\rtf1 a\\\\b\\{c\\}d\\~e\\-f\\_g}")
        << QStringLiteral("a\\b{c}d\u00A0ef\u2011g");
    QTest::newRow("paragraph, line and tab")
        << QByteArray("{\\rtf1 one\\par two\\line three\\tab four\tfive\\par}")
        << QStringLiteral("one\u2029two\u2028three\tfour\tfive");
    QTest::newRow("backslash before a line break is a paragraph")
        << QByteArray("{\\rtf1 a\\\nb}") << QStringLiteral("a\u2029b");
    QTest::newRow("raw line breaks are not text")
        << QByteArray("{\\rtf1 on\r\ne\n}") << QStringLiteral("one");
    QTest::newRow("only one delimiting space is eaten")
        << QByteArray("{\\rtf1\\b  two\\li-720 x}") << QStringLiteral(" twox");
    QTest::newRow("bin skips its bytes even when they look like RTF")
        << QByteArray("{\\rtf1 a\\bin4 }{x}b}") << QStringLiteral("ab");
    QTest::newRow("named punctuation")
        << QByteArray("{\\rtf1\\emdash\\lquote x\\rquote\\bullet}")
        << QStringLiteral("\u2014\u2018x\u2019\u2022");
    QTest::newRow("hidden text is dropped")
        << QByteArray("{\\rtf1 a{\\v hidden}b}") << QStringLiteral("ab");
}

void TestRtfReader::text()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QTextDocument document;
    QVERIFY(readRtf(rtf, &document));
    QCOMPARE(document.toRawText(), expected);
}

void TestRtfReader::characterFormats_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<bool>("underline");
    QTest::addColumn<double>("pointSize");
    QTest::addColumn<QString>("color");
    QTest::addColumn<QString>("family");

    const QString roman = QStringLiteral("Times New Roman");
    QTest::newRow("default font and size") << 0 << false << false << false << 12.0 << "" << roman;
    QTest::newRow("bold group") << 1 << true << false << false << 12.0 << "" << roman;
    QTest::newRow("nested italic") << 2 << true << true << false << 12.0 << "" << roman;
    QTest::newRow("italic ends with its group") << 3 << true << false << false << 12.0 << "" << roman;
    QTest::newRow("bold ends with its group") << 4 << false << false << false << 12.0 << "" << roman;
    QTest::newRow("underline") << 5 << false << false << true << 12.0 << "" << roman;
    QTest::newRow("ulnone") << 6 << false << false << false << 12.0 << "" << roman;
    QTest::newRow("size in half-points") << 7 << false << false << false << 20.0 << "" << roman;
    QTest::newRow("plain resets size") << 8 << false << false << false << 12.0 << "" << roman;
    QTest::newRow("colour from the table") << 9 << false << false << false << 12.0 << "#ff0000" << roman;
    QTest::newRow("cf0 is the automatic colour") << 10 << false << false << false << 12.0 << "" << roman;
    QTest::newRow("font from the table")
        << 11 << false << false << false << 12.0 << "" << QStringLiteral("Simplified Arabic");
    QTest::newRow("double underline is underline")
        << 12 << false << false << true << 12.0 << "" << QStringLiteral("Simplified Arabic");
    QTest::newRow("b0 and i") << 13 << false << true << true << 12.0 << "" << QStringLiteral("Simplified Arabic");
}

void TestRtfReader::characterFormats()
{
    QFETCH(int, position);
    QFETCH(bool, bold);
    QFETCH(bool, italic);
    QFETCH(bool, underline);
    QFETCH(double, pointSize);
    QFETCH(QString, color);
    QFETCH(QString, family);

    QTextDocument document;
    QVERIFY(readRtf(FormattedDocument, &document));
    QCOMPARE(document.toRawText(), QStringLiteral("abcdefghijklmn"));
    const QTextCharFormat format = formatAt(document, position);
    QCOMPARE(format.fontWeight() == QFont::Bold, bold);
    QCOMPARE(format.fontItalic(), italic);
    QCOMPARE(format.fontUnderline(), underline);
    QCOMPARE(format.fontPointSize(), pointSize);
    QCOMPARE(format.hasProperty(QTextFormat::ForegroundBrush) ? format.foreground().color().name()
                                                               : QString(),
             color);
    QCOMPARE(format.fontFamilies().toStringList(), QStringList{family});
}

void TestRtfReader::paragraphFormats_data()
{
    QTest::addColumn<int>("block");
    QTest::addColumn<bool>("rightToLeft");
    QTest::addColumn<int>("alignment"); // -1: none given, the direction decides

    QTest::newRow("rtlpar qr") << 0 << true << int(Qt::AlignRight | Qt::AlignAbsolute);
    QTest::newRow("pard resets direction") << 1 << false << int(Qt::AlignHCenter);
    QTest::newRow("ltrpar qj") << 2 << false << int(Qt::AlignJustify);
    QTest::newRow("rtlpar without alignment") << 3 << true << -1;
    QTest::newRow("paragraph properties inside a group") << 4 << true << int(Qt::AlignLeft | Qt::AlignAbsolute);
    QTest::newRow("restored after the group, no closing par") << 5 << true << -1;
}

void TestRtfReader::paragraphFormats()
{
    QFETCH(int, block);
    QFETCH(bool, rightToLeft);
    QFETCH(int, alignment);

    QTextDocument document;
    QVERIFY(readRtf(ParagraphDocument, &document));
    QCOMPARE(document.blockCount(), 6);
    const QTextBlockFormat format = document.findBlockByNumber(block).blockFormat();
    QCOMPARE(format.layoutDirection(), rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    if (alignment < 0)
        QVERIFY(!format.hasProperty(QTextFormat::BlockAlignment));
    else
        QCOMPARE(int(format.alignment()), alignment);
}

void TestRtfReader::closingParagraphMark()
{
    QTextDocument document;
    readRtf("{\\rtf1\\rtlpar\\qr a\\par}", &document);
    QCOMPARE(document.blockCount(), 1);
    QCOMPARE(document.firstBlock().blockFormat().layoutDirection(), Qt::RightToLeft);
    readRtf("{\\rtf1 a\\par\\par}", &document);
    QCOMPARE(document.blockCount(), 2);
}

void TestRtfReader::brokenInput_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("expected");

    QByteArray deep = "{\\rtf1 ";
    deep += QByteArray(100000, '{') + "{\\b deep" + QByteArray(100001, '}') + " after}";
    QTest::newRow("100000 nested groups") << deep << QStringLiteral("deep after");
    QTest::newRow("extra closing braces") << QByteArray("{\\rtf1 a}}} b}") << QStringLiteral("a b");
    QTest::newRow("missing closing braces") << QByteArray("{\\rtf1{\\b a{\\i b") << QStringLiteral("ab");
    QTest::newRow("truncated control word") << QByteArray("{\\rtf1 text\\pa") << QStringLiteral("text");
    QTest::newRow("truncated hex escape")
        << QByteArray("{\\rtf1\\ansicpg1256 \\'e3\\'d") << QStringLiteral("م");
    QTest::newRow("backslash at the end") << QByteArray("{\\rtf1 a\\") << QStringLiteral("a");
    QTest::newRow("hex escape without hex digits") << QByteArray("{\\rtf1 a\\'zzb}") << QStringLiteral("azzb");
    QTest::newRow("huge font size")
        << QByteArray("{\\rtf1\\fs99999999999999999999 big\\fs-99999999999 small}") << QStringLiteral("bigsmall");
    QTest::newRow("huge unicode values")
        << QByteArray("{\\rtf1\\u-99999999999?a\\u99999999999?b\\u2147483648?c}") << QStringLiteral("abc");
    QTest::newRow("huge uc") << QByteArray("{\\rtf1\\uc99999999999\\u1605 abc}d}") << QStringLiteral("مd");
    QTest::newRow("bin past the end") << QByteArray("{\\rtf1 ok\\bin99999999999 xyz") << QStringLiteral("ok");
    QTest::newRow("negative bin") << QByteArray("{\\rtf1 a\\bin-5 b}") << QStringLiteral("ab");
    QTest::newRow("NUL bytes") << QByteArray("{\\rtf1 a\0b}", 11) << QStringLiteral("ab");
    QTest::newRow("header only") << QByteArray("{\\rtf") << QString();
    QTest::newRow("endless control word")
        << QByteArray("{\\rtf1\\" + QByteArray(100000, 'a') + " x}") << QStringLiteral("x");
    QTest::newRow("endless parameter")
        << QByteArray("{\\rtf1\\fs" + QByteArray(100000, '9') + " x}") << QStringLiteral("x");
    QTest::newRow("colour table without entries")
        << QByteArray("{\\rtf1{\\colortbl\\red999}\\cf5 x\\cf-1 y}") << QStringLiteral("xy");
    QTest::newRow("font used before any table")
        << QByteArray("{\\rtf1\\f7\\'e9{\\fonttbl{\\f7\\fcharset999 Z}}x}") << QStringLiteral("éx");
}

void TestRtfReader::brokenInput()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, expected);
    QTextDocument document;
    QVERIFY(readRtf(rtf, &document));
    QCOMPARE(document.toRawText(), expected);
    if (!document.isEmpty()) {
        const qreal size = formatAt(document, 0).fontPointSize();
        QVERIFY(size >= 1 && size <= 1638);
    }
}

void TestRtfReader::notRtf_data()
{
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QString>("expected");

    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("plain text") << QByteArray("just text\nline two") << QStringLiteral("just text\nline two");
    QTest::newRow("UTF-8 Arabic") << QStringLiteral("دليل الهاتف").toUtf8() << QStringLiteral("دليل الهاتف");
    QTest::newRow("windows-1256 Arabic") << QByteArray("\xcf\xe1\xed\xe1") << QStringLiteral("دليل");
    QTest::newRow("rtf not at the start") << QByteArray("x{\\rtf1 a}") << QStringLiteral("x{\\rtf1 a}");
}

void TestRtfReader::notRtf()
{
    QFETCH(QByteArray, data);
    QFETCH(QString, expected);
    QTextDocument document;
    QVERIFY(!readRtf(data, &document));
    QCOMPARE(document.toPlainText(), expected);
}

// Mutated real-shaped documents: every one must come back, with no more text than bytes
// read (nothing may multiply the input).
void TestRtfReader::randomMutations()
{
    QList<QByteArray> seeds = {FormattedDocument, ParagraphDocument};
    QFile help(helpFilePath());
    QVERIFY(help.open(QIODevice::ReadOnly));
    seeds << help.read(6000);
    seeds << QByteArray("{\\rtf1\\ansi\\ansicpg1256{\\fonttbl{\\f0\\fcharset178 A;}}\\uc2\\u1605\\'e3\\'e3"
                        "{\\*\\generator x;}{\\pict\\bin3 abc}{\\field{\\*\\fldinst a}{\\fldrslt b}}\\par}");
    static const QByteArray inserts[] = {"{", "}", "\\", "\\'", "\\u", "\\bin", "\\'e", "\\uc0", "\\*"};

    QRandomGenerator random(20240607);
    QTextDocument document;
    for (int round = 0; round < 3000; ++round) {
        QByteArray data = seeds.at(random.bounded(int(seeds.size())));
        const int edits = 1 + random.bounded(8);
        for (int e = 0; e < edits && !data.isEmpty(); ++e) {
            const int at = random.bounded(int(data.size()));
            switch (random.bounded(5)) {
            case 0: data[at] = char(random.bounded(256)); break;
            case 1: data.truncate(at); break;
            case 2: data.insert(at, inserts[random.bounded(int(std::size(inserts)))]); break;
            case 3: data.insert(at, data.mid(at, random.bounded(200))); break;
            case 4: data.remove(at, random.bounded(50)); break;
            }
        }
        readRtf(data, &document);
        QVERIFY2(document.characterCount() - 1 <= data.size(), qPrintable(QString::number(round)));
    }
}

void TestRtfReader::helpFilePhrases_data()
{
    QTest::addColumn<QString>("phrase");
    for (const char *phrase :
         {"برنامج الدليل الشخصي", "DB1.mdb", "دليل الهاتف", "مذكرة المواعيد", "دفتر الشيكات",
          "بواسطة الإسم", "بواسطة الرقم", "إضافة سجل", "تعديل سجل", "حذف سجل", "رجوع",
          "حفظ الموعد", "مسح الحقول", "إلغاء الأمر", "لأمر السيد", "مبلغاً و قدره", "و ذلك بسبب",
          "البحث حسب التاريخ", "البحث حسب الإسم", "هل تريد الخروج من البرنامج؟", "خيارات",
          "الرجاء إدخال الإسم", "الرجاء إدخال رقم الهاتف", "الرجاء إدخال الموعد",
          "الرجاء تحديد وقت الموعد", "الرجاء تحديد تاريخ الموعد", "الرجاء تحديد التاريخ الصحيح",
          "الرجاء إدخال التاريخ بدقة", "الرجاء إدخال قيمة المبلغ", "الرجاء تحديد نوع البحث"})
        QTest::newRow(phrase) << QString::fromUtf8(phrase);
}

void TestRtfReader::helpFilePhrases()
{
    QFETCH(QString, phrase);
    QFile file(helpFilePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QTextDocument document;
    QVERIFY(readRtf(file.readAll(), &document));
    QVERIFY2(document.toPlainText().contains(phrase), qPrintable(phrase));
}

void TestRtfReader::helpFileLayout()
{
    QFile file(helpFilePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QTextDocument document;
    QVERIFY(readRtf(file.readAll(), &document));
    QVERIFY(!document.toPlainText().contains(QChar::ReplacementCharacter));
    int headings = 0;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        if (block.text().trimmed().isEmpty())
            continue;
        QCOMPARE(block.blockFormat().layoutDirection(), Qt::RightToLeft);
        QCOMPARE(block.blockFormat().alignment(), Qt::AlignRight | Qt::AlignAbsolute);
        const QTextCharFormat format = block.begin().fragment().charFormat();
        if (format.fontWeight() == QFont::Bold && format.fontPointSize() > 14)
            ++headings;
        QVERIFY(!format.fontFamilies().toStringList().value(0).isEmpty());
    }
    QVERIFY(headings >= 5);
}

QTEST_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
