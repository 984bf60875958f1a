// Each synced book as the server holds it: the phone book as vCards, the appointment book as
// iCalendar events. A format reads what a server's object says in the book's columns, makes
// the object of a new record, and writes a record's changes into the server's own object,
// property by property, leaving the properties Dalil has no column for as they were.
#pragma once

#include "davclient.h"

#include "data/store/recordwrites.h"

#include <QDate>

#include <optional>

namespace dalil::Sync {

// A record's columns as text; no value and an empty text are the same.
using Values = Records::Values;
QString textOf(const Values &values, const QString &column);
// Whether two records read alike in these columns.
bool sameValues(const Values &a, const Values &b, const QStringList &columns);

struct ReadObject
{
    QString uid;
    // A recurring event: its occurrences, which Dalil shows and never writes back.
    bool series = false;
    // The record the object is, or the occurrences of a series in the range read; none when
    // Dalil shows nothing of it (an object it cannot read, a calendar of tasks).
    QList<Values> records;
    // A series: each occurrence's start ("2026-12-08 3:30 م"), what tells the occurrences apart.
    QStringList startsAt;
};

class Format
{
public:
    virtual ~Format() = default;
    static const Format &phone();
    static const Format &note();
    static const Format &forBook(const QString &book);

    virtual QString book() const = 0;
    virtual CollectionKind kind() const = 0;
    virtual QString extension() const = 0;
    // The columns kept in step: all the book's columns.
    virtual QStringList columns() const = 0;
    // Reads an object; a series gives its occurrences in [from, to].
    virtual ReadObject read(const QByteArray &object, QDate from, QDate to) const = 0;
    // The object of a new record; nothing when the record cannot be such an object (an
    // appointment whose date does not read).
    virtual std::optional<QByteArray> create(const Values &record, const QString &uid) const = 0;
    // The server's object with the properties of the changed columns set from the record.
    virtual std::optional<QByteArray> patch(const QByteArray &object, const Values &record,
                                            const QStringList &changed) const = 0;
};

} // namespace dalil::Sync
