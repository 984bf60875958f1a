// One sync of the phone and appointment books with their collections on the server:
// what changed there comes in (listed by sync-collection, or by ETags), merged column by
// column with what changed here; what changed here goes out, written into the server's own
// object with If-Match, or created with If-None-Match; a 412 fetches, merges and tries again.
// A column changed on both sides to different values is left as it is on both and handed to
// the user (Conflict) to choose. Nothing waits: the work runs as a task on the event loop,
// and the books are written in short transactions between the network's answers.
#pragma once

#include "davclient.h"
#include "store.h"

#include <QDate>
#include <QHash>

#include <functional>

namespace dalil::Sync {

// The same record changed on both sides, the same columns differently.
struct Conflict
{
    QString book;
    qint64 item = 0;
    qint64 localKey = 0;
    QStringList columns; // changed on both sides
    // Both versions with what only the other side changed taken in.
    Values local;
    Values server;
    QByteArray etag; // the server's version
    QByteArray object;
};

struct Outcome
{
    Response failed;   // the network's or the server's failure, when there was one
    DataError error;   // the file's, when there was one
    int received = 0;  // records added or changed here
    int removedHere = 0;
    int sent = 0;      // records written to the server
    int removedThere = 0;
    int keptHere = 0;  // appointments no calendar can place (their date does not read)
    QStringList changedBooks; // the books records came into or went from
    QList<Conflict> conflicts;

    bool ok() const { return failed.failure == Failure::None && failed.status == 0 && !error.isError(); }
};

class Engine
{
public:
    // How many records one transaction writes before the event loop runs again.
    static constexpr int recordsPerTransaction = 50;
    // ...or fewer, where they take longer than this (the windows wait while a transaction runs).
    // Not a constant, so that a test can make every transaction one record.
    static inline int stepMilliseconds = 12;
    // How often a write that found the server's version changed is merged and tried again.
    static constexpr int retries = 3;

    Engine(QString databasePath, Http &http, QHash<QString, QUrl> collections);

    // Syncs each book that has a collection, phone book first; stops at the first failure.
    Task<Outcome> run();

    // The recurring events are read into occurrences from this day on, for a year.
    void setToday(QDate today) { m_today = today; }
    DavClient &client() { return m_client; }

    // The user's choice in a conflict: the version kept becomes the record, the other goes
    // among the deleted records, and the record is marked to go to the server at the next sync.
    static DataError resolve(const QString &databasePath, const Conflict &conflict, bool keepLocal);
    // Whether an appointment is an occurrence of a recurring event on the server.
    static bool isOccurrence(const QString &databasePath, qint64 key);

private:
    Task<bool> syncBook(const Format &format, QUrl collection, Outcome &outcome);
    Task<bool> push(Store &store, QUrl collection, Outcome &outcome);
    // Takes fetched items in: a transaction every few records, the event loop between.
    Task<bool> takeIn(Store &store, QList<Fetched> fetched, Outcome &outcome);
    bool takeInOne(Store &store, const Fetched &fetched, Outcome &outcome);
    bool takeGone(Store &store, const QString &href, Outcome &outcome);
    bool expand(Store &store, Item &series, const ReadObject &read, Outcome &outcome);
    Task<bool> expandAll(Store &store, Outcome &outcome);
    // One item again; an empty list when it is gone.
    Task<std::optional<QList<Fetched>>> fetchOne(QUrl collection, const Format &format, QString href, Outcome &outcome);

    QString m_path;
    DavClient m_client;
    QHash<QString, QUrl> m_collections;
    QDate m_today;
    // Local records identical to a server's item on a first listing: linked, not doubled.
    QHash<QString, QList<qint64>> m_unsyncedByValues;
};

} // namespace dalil::Sync
