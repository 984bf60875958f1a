// libFuzzer entry for the exchange readers. The file's contents choose the reader: a calendar,
// a card, or else a CSV file; DALIL_FUZZ_READER=csv, vcard or icalendar holds it to one, so
// that one reader is fuzzed at a time (scripts/fuzz.sh). Any bytes must come back without a crash, hang, leak or
// undefined behaviour; a problem names a line of the file; and every record a reader gives
// is written by its format's writer and read back the same.
#include "data/exchange/csv.h"
#include "data/exchange/exchange.h"
#include "data/exchange/icalendar.h"
#include "data/exchange/vcard.h"

#include <QBuffer>
#include <QByteArray>
#include <QTimeZone>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

using namespace dalil;

std::unique_ptr<Exchange::RecordReader> reader(int format, QIODevice *in)
{
    if (format == 0)
        return Csv::reader(in);
    if (format == 1)
        return VCard::reader(in);
    return ICalendar::reader(in, QDate(2024, 1, 1), QDate(2025, 1, 1), QTimeZone::utc());
}

QString book(int format)
{
    return format == 0 ? QStringLiteral("Cheque") : format == 1 ? QStringLiteral("Phone") : QStringLiteral("Note");
}

// Every record of the input; false on a problem.
bool readAll(int format, QByteArray bytes, QList<Records::Values> &records, Exchange::Problem &problem)
{
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    const auto r = reader(format, &in);
    Records::Values record;
    const QStringList columns = Exchange::columns(book(format));
    while (r->next(record)) {
        for (auto it = record.cbegin(); it != record.cend(); ++it) {
            if (!columns.contains(it.key()) && it.key() != Exchange::uidField)
                __builtin_trap(); // a column the book does not have
        }
        records << record;
        if (r->position() > bytes.size())
            __builtin_trap();
    }
    problem = r->problem();
    return !problem.isProblem();
}

// The reader every input goes to, or -1 for the one its contents choose.
int heldFormat = -1;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    if (const char *held = std::getenv("DALIL_FUZZ_READER")) {
        heldFormat = std::strcmp(held, "csv") == 0 ? 0 : std::strcmp(held, "vcard") == 0 ? 1
                   : std::strcmp(held, "icalendar") == 0 ? 2 : -1;
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QByteArray upper = bytes.toUpper();
    const int format = heldFormat >= 0                     ? heldFormat
                     : upper.contains("BEGIN:VCALENDAR") ? 2
                     : upper.contains("BEGIN:VCARD")     ? 1
                                                         : 0;
    QList<Records::Values> records;
    Exchange::Problem problem;
    if (!readAll(format, bytes, records, problem)) {
        if (problem.line < 0 || problem.line > bytes.count('\n') + 2 || problem.message.isEmpty())
            __builtin_trap(); // a problem names a line of the file
        return 0;
    }
    // Written and read back: the same records.
    QByteArray written;
    {
        QBuffer out(&written);
        out.open(QIODevice::WriteOnly);
        std::unique_ptr<Exchange::RecordWriter> w;
        if (format == 0)
            w = Csv::writer(&out);
        else if (format == 1)
            w = VCard::writer(&out, VCard::Version::V4);
        else
            w = ICalendar::writer(&out, QTimeZone::utc());
        for (const Records::Values &record : records)
            w->write(record);
        w->finish();
        // A calendar cannot hold a date it cannot write (beyond the year 3000): not compared.
        if (auto *calendar = dynamic_cast<ICalendar::Writer *>(w.get()); calendar && calendar->skipped() > 0)
            return 0;
    }
    QList<Records::Values> again;
    if (format == 0 && records.isEmpty())
        return 0; // an empty cheque file is its headings alone
    if (!readAll(format, written, again, problem) || again.size() != records.size())
        __builtin_trap();
    // A record read without a UID is written with one of its writer's making.
    for (qsizetype i = 0; i < again.size(); ++i) {
        if (!records[i].contains(Exchange::uidField) && again[i].take(Exchange::uidField).toString().isEmpty()
            && format != 0)
            __builtin_trap();
    }
    if (again != records)
        __builtin_trap();
    return 0;
}
