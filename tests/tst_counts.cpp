// Counts in the program's messages agree with their noun as Arabic has it.
#include "data/text/counts.h"

#include <QTest>

using namespace dalil;

Q_DECLARE_METATYPE(const Counts::Noun *)

class TestCounts : public QObject
{
    Q_OBJECT

private slots:
    void nounAgreesWithItsNumber_data();
    void nounAgreesWithItsNumber();
};

void TestCounts::nounAgreesWithItsNumber_data()
{
    QTest::addColumn<qint64>("n");
    QTest::addColumn<const Counts::Noun *>("noun");
    QTest::addColumn<bool>("oblique");
    QTest::addColumn<QString>("text");
    const auto row = [](const char *name, qint64 n, const Counts::Noun &noun, bool oblique, const char16_t *text) {
        QTest::newRow(name) << n << &noun << oblique << QString::fromUtf16(text);
    };
    const Counts::Noun &record = Counts::record();
    row("none", 0, record, false, u"0 سجلات");
    row("one, said with the noun", 1, record, false, u"سجل واحد");
    row("two, the dual", 2, record, false, u"سجلان");
    row("two after a preposition", 2, record, true, u"سجلين");
    row("3 to 10: plural", 3, record, false, u"3 سجلات");
    row("10", 10, record, false, u"10 سجلات");
    row("11 to 99: accusative singular", 11, record, false, u"11 سجل\u064Bا");
    row("99", 99, record, true, u"99 سجل\u064Bا");
    row("100: genitive singular", 100, record, false, u"100 سجل");
    row("101", 101, record, false, u"101 سجل");
    row("102", 102, record, false, u"102 سجل");
    row("103: by the last two digits", 103, record, false, u"103 سجلات");
    row("111", 111, record, false, u"111 سجل\u064Bا");
    row("a thousand", 1000, record, false, u"1000 سجل");
    row("seven phone records", 7, Counts::phoneRecord(), false, u"7 سجلات هاتف");
    row("one phone record", 1, Counts::phoneRecord(), false, u"سجل هاتف واحد");
    row("two phone records, the dual in construct", 2, Counts::phoneRecord(), false, u"سجلا هاتف");
    row("two phone records after a preposition", 2, Counts::phoneRecord(), true, u"سجلي هاتف");
    row("twelve phone records, no tanween in construct", 12, Counts::phoneRecord(), false, u"12 سجل هاتف");
    row("appointments", 20, Counts::appointment(), false, u"20 موعد\u064Bا");
    row("appointment plural", 4, Counts::appointment(), false, u"4 مواعيد");
    row("two cheques", 2, Counts::cheque(), false, u"شيكان");
    row("one minute, feminine", 1, Counts::minute(), false, u"دقيقة واحدة");
    row("two minutes after a preposition", 2, Counts::minute(), true, u"دقيقتين");
    row("five minutes", 5, Counts::minute(), true, u"5 دقائق");
    row("fifteen minutes", 15, Counts::minute(), true, u"15 دقيقة");
    row("days", 3, Counts::day(), false, u"3 أيام");
    row("twelve days", 12, Counts::day(), false, u"12 يوم\u064Bا");
    row("two times", 2, Counts::time(), true, u"مرتين");
    row("a thousand times", 1000, Counts::time(), true, u"1000 مرة");
}

void TestCounts::nounAgreesWithItsNumber()
{
    QFETCH(qint64, n);
    QFETCH(const Counts::Noun *, noun);
    QFETCH(bool, oblique);
    QFETCH(QString, text);
    QCOMPARE(Counts::text(n, *noun, oblique ? Counts::Case::Oblique : Counts::Case::Nominative), text);
}

QTEST_APPLESS_MAIN(TestCounts)
#include "tst_counts.moc"
