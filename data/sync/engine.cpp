#include "engine.h"

#include "data/text/clock.h"

#include <QElapsedTimer>
#include <QUuid>

namespace dalil::Sync {

namespace {

const QStringList &syncedBooks()
{
    static const QStringList books{QStringLiteral("Phone"), QStringLiteral("Note")};
    return books;
}

QString folderOf(const QUrl &collection)
{
    QString path = collection.path(QUrl::FullyDecoded);
    if (!path.endsWith(u'/'))
        path += u'/';
    return path;
}

void set(Values &values, const QString &column, const QString &text)
{
    if (text.isEmpty())
        values.remove(column);
    else
        values.insert(column, text);
}

enum class Step { Done, Again, Failed };

// One transaction's share of a long run of writes, from next on: recordsPerTransaction of them,
// or fewer where they take longer than a step may keep the windows waiting. False at the first
// that fails.
bool inSteps(qsizetype &next, qsizetype size, const std::function<bool(qsizetype)> &work)
{
    QElapsedTimer clock;
    clock.start();
    const qsizetype last = qMin(size, next + Engine::recordsPerTransaction);
    while (next < last) {
        if (!work(next++))
            return false;
        if (clock.nsecsElapsed() >= Engine::stepMilliseconds * qint64(1000000))
            break;
    }
    return true;
}

} // namespace

Engine::Engine(QString databasePath, Http &http, QHash<QString, QUrl> collections)
    : m_path(std::move(databasePath))
    , m_client(http)
    , m_collections(std::move(collections))
    , m_today(Clock::today())
{
}

Task<Outcome> Engine::run()
{
    Outcome outcome;
    for (const QString &book : syncedBooks()) {
        const QUrl collection = m_collections.value(book);
        if (!collection.isValid())
            continue;
        const int before = outcome.received + outcome.removedHere;
        const Format &format = Format::forBook(book);
        const bool done = co_await syncBook(format, collection, outcome);
        if (outcome.received + outcome.removedHere != before)
            outcome.changedBooks << book;
        if (!done)
            break;
    }
    co_return outcome;
}

Task<bool> Engine::syncBook(const Format &format, QUrl collection, Outcome &outcome)
{
    Store store(m_path, format);
    const auto failed = [&] {
        outcome.error = store.error();
        return false;
    };
    const std::optional<QString> token = store.ok() ? store.useCollection(collection) : std::nullopt;
    if (!token)
        co_return failed();

    Listing listing = co_await m_client.changesSince(collection, *token);
    // A token the server no longer knows: everything again, matched by address and UID.
    if (listing.invalidToken) {
        const QString none;
        listing = co_await m_client.changesSince(collection, none);
    }
    if (!listing.ok()) {
        outcome.failed = listing.failed;
        if (outcome.failed.failure == Failure::None && outcome.failed.status == 0)
            outcome.failed.status = 409;
        co_return false;
    }

    // What changed is matched item by item; only a listing of everything is set against all
    // the file knows.
    const QHash<QString, QByteArray> known =
        listing.complete ? store.knownEtags() : store.knownEtags(listing.etags.keys());
    QStringList wanted;
    for (auto it = listing.etags.cbegin(); it != listing.etags.cend(); ++it) {
        const auto mine = known.constFind(it.key());
        if (mine == known.cend() || *mine != it.value())
            wanted << it.key();
    }
    QStringList gone = listing.removed;
    if (listing.complete) {
        for (auto it = known.cbegin(); it != known.cend(); ++it) {
            if (!it.value().isEmpty() && !listing.etags.contains(it.key()))
                gone << it.key();
        }
    }

    // The records here the server has not heard of, by what they hold: on a first listing an
    // item identical to one of them is that record, not another one.
    m_unsyncedByValues.clear();
    if (listing.complete && !wanted.isEmpty()) {
        const QList<qint64> unsynced = store.recordsNotSynced();
        for (qsizetype i = 0; i < unsynced.size(); ++i) {
            if (const auto values = store.record(unsynced.at(i)))
                m_unsyncedByValues[valuesText(*values, format.columns())] << unsynced.at(i);
            if (i % 500 == 499) {
                Yield pause;
                co_await pause;
            }
        }
    }

    for (qsizetype i = 0; i < wanted.size(); i += DavClient::fetchBatch) {
        Response fetchFailed;
        const CollectionKind kind = format.kind();
        const QStringList some = wanted.mid(i, DavClient::fetchBatch);
        std::optional<QList<Fetched>> fetched = co_await m_client.fetch(collection, kind, some, &fetchFailed);
        if (!fetched) {
            outcome.failed = fetchFailed;
            co_return false;
        }
        if (!co_await takeIn(store, *fetched, outcome))
            co_return failed();
    }
    m_unsyncedByValues.clear();
    for (qsizetype next = 0; next < gone.size();) {
        const bool done = store.inTransaction([&] {
            return inSteps(next, gone.size(), [&](qsizetype i) { return takeGone(store, gone.at(i), outcome); });
        });
        if (!done)
            co_return failed();
        Yield pause;
        co_await pause;
    }
    if (format.kind() == CollectionKind::Calendar && store.expandedOn() != m_today) {
        if (!co_await expandAll(store, outcome))
            co_return failed();
    }
    if (!store.saveToken(listing.token, Clock::nowUtc()))
        co_return failed();

    if (!co_await push(store, collection, outcome))
        co_return false;
    if (format.kind() == CollectionKind::Calendar)
        outcome.keptHere = store.keptHere();
    co_return true;
}

Task<bool> Engine::takeIn(Store &store, QList<Fetched> fetched, Outcome &outcome)
{
    for (qsizetype next = 0; next < fetched.size();) {
        const bool done = store.inTransaction([&] {
            return inSteps(next, fetched.size(), [&](qsizetype i) { return takeInOne(store, fetched.at(i), outcome); });
        });
        if (!done)
            co_return false;
        Yield pause;
        co_await pause;
    }
    co_return true;
}

bool Engine::takeInOne(Store &store, const Fetched &fetched, Outcome &outcome)
{
    const Format &format = store.format();
    const QStringList columns = format.columns();
    const ReadObject read = format.read(fetched.data, m_today, m_today.addYears(1));
    std::optional<Item> known = store.itemByHref(fetched.path);
    if (!known && !read.uid.isEmpty())
        known = store.itemByUid(read.uid); // the same item at another address
    Item item = known.value_or(Item{});
    if (!known)
        item.uid = read.uid.isEmpty() ? fetched.path : read.uid;
    item.href = fetched.path;
    item.etag = fetched.etag;
    item.object = fetched.data;
    const auto save = [&] { return item.id ? store.updateItem(item) : store.insertItem(item).has_value(); };
    const auto removeOccurrences = [&] {
        const QHash<QString, qint64> occurrences = store.occurrences(item.id);
        for (const qint64 key : occurrences) {
            if (!store.removeRecord(key))
                return false;
            ++outcome.removedHere;
        }
        return true;
    };

    if (read.records.isEmpty()) {
        // Nothing Dalil shows; a record linked to it before stays as it is.
        if (!known)
            item.kind = ItemKind::NotShown;
        return save();
    }
    if (read.series) {
        if (known && item.kind == ItemKind::Record && item.localKey) {
            if (!store.removeRecord(*item.localKey))
                return false;
            ++outcome.removedHere;
        }
        item.kind = ItemKind::Series;
        item.localKey.reset();
        item.dirty = false;
        item.localValues.reset();
        item.serverValues.reset();
        if (!item.id) {
            const std::optional<qint64> id = store.insertItem(item);
            if (!id)
                return false;
            item.id = *id;
        } else if (!store.updateItem(item)) {
            return false;
        }
        return expand(store, item, read, outcome);
    }

    const Values server = read.records.first();
    // A record the server gives that this computer does not have (or deleted while the
    // server changed it): it comes in, or is linked to the identical record here.
    const auto takeNew = [&]() -> bool {
        std::optional<qint64> key;
        auto same = m_unsyncedByValues.find(valuesText(server, columns));
        if (same != m_unsyncedByValues.end() && !same->isEmpty()) {
            key = same->takeFirst();
        } else {
            key = store.insertRecord(server);
            if (!key)
                return false;
            store.adoptUid(*key, item.uid);
            ++outcome.received;
        }
        item.kind = ItemKind::Record;
        item.localKey = key;
        item.dirty = false;
        item.localValues = server;
        item.serverValues = server;
        return save();
    };
    if (!known || item.kind == ItemKind::NotShown || item.kind == ItemKind::KeptHere)
        return takeNew();
    if (item.kind == ItemKind::Series)
        return removeOccurrences() && takeNew();
    const std::optional<Values> local = item.localKey ? store.record(*item.localKey) : std::nullopt;
    if (!local) {
        // Deleted here. Unless the server's version changed since this computer last knew it
        // (for a creation whose answer was lost: since it was sent), the delete stands and goes
        // out with the server's ETag; a token forgotten or an answer lost brings nothing back.
        const std::optional<Values> lastKnown = item.serverValues ? item.serverValues : item.localValues;
        if (!item.localKey && lastKnown && sameValues(*lastKnown, server, columns)) {
            item.serverValues = server;
            item.dirty = true;
            return save();
        }
        return takeNew();
    }

    // Column by column: what changed on one side only is taken; the same change on both is
    // no change; different changes to one column are the user's to choose.
    const Values baseLocal = item.localValues.value_or(*local);
    // A creation whose answer was lost: the server's version is the one sent.
    const Values baseServer = item.serverValues.value_or(server);
    Values merged = *local;
    Values newBase = baseLocal;
    Values serverSide = server;
    QStringList clashing;
    bool toSend = false;
    for (const QString &column : columns) {
        const QString here = textOf(*local, column);
        const QString there = textOf(server, column);
        const bool changedHere = here != textOf(baseLocal, column);
        const bool changedThere = there != textOf(baseServer, column);
        if (changedThere && !changedHere) {
            set(merged, column, there);
            set(newBase, column, there);
        } else if (changedThere && changedHere) {
            if (here == there)
                set(newBase, column, here);
            else
                clashing << column;
        } else if (changedHere) {
            set(serverSide, column, here);
            toSend = toSend || here != there;
        }
    }
    if (!clashing.isEmpty()) {
        // Left as it is on both sides until the user chooses.
        outcome.conflicts.append({format.book(), item.id, *item.localKey, clashing, merged, serverSide, fetched.etag,
                                  fetched.data});
        return true;
    }
    if (!sameValues(merged, *local, columns)) {
        if (!store.updateRecord(*item.localKey, merged))
            return false;
        ++outcome.received;
    }
    item.localValues = newBase;
    item.serverValues = server;
    item.dirty = toSend;
    return store.updateItem(item);
}

bool Engine::takeGone(Store &store, const QString &href, Outcome &outcome)
{
    std::optional<Item> item = store.itemByHref(href);
    if (!item)
        return true;
    if (item->kind == ItemKind::Record && item->localKey && item->dirty) {
        // Changed here, deleted there: nothing is lost, it goes to the server again as new.
        item->href = folderOf(m_collections.value(store.format().book())) + item->uid + store.format().extension();
        item->etag.clear();
        item->object.clear();
        item->serverValues.reset();
        return store.updateItem(*item);
    }
    if (item->kind == ItemKind::Record && item->localKey) {
        if (!store.removeRecord(*item->localKey))
            return false;
        ++outcome.removedHere;
    }
    if (item->kind == ItemKind::Series) {
        const QHash<QString, qint64> occurrences = store.occurrences(item->id);
        for (const qint64 key : occurrences) {
            if (!store.removeRecord(key))
                return false;
            ++outcome.removedHere;
        }
    }
    return store.removeItem(item->id);
}

bool Engine::expand(Store &store, Item &series, const ReadObject &read, Outcome &outcome)
{
    const QStringList columns = store.format().columns();
    QHash<QString, qint64> existing = store.occurrences(series.id);
    for (qsizetype i = 0; i < read.records.size(); ++i) {
        const Values &occurrence = read.records.at(i);
        const QString startsAt = read.startsAt.value(i);
        const auto found = existing.find(startsAt);
        if (found != existing.end()) {
            const qint64 key = *found;
            existing.erase(found);
            if (const auto current = store.record(key)) {
                if (!sameValues(*current, occurrence, columns)) {
                    if (!store.updateRecord(key, occurrence))
                        return false;
                    ++outcome.received;
                }
                continue;
            }
        }
        const std::optional<qint64> key = store.insertRecord(occurrence);
        if (!key || !store.addOccurrence(series.id, *key, startsAt))
            return false;
        ++outcome.received;
    }
    // What the series no longer gives from today on goes; the days gone by stay as they were.
    for (auto it = existing.cbegin(); it != existing.cend(); ++it) {
        if (QDate::fromString(it.key().left(10), Qt::ISODate) < m_today)
            continue;
        if (!store.removeRecord(it.value()))
            return false;
        ++outcome.removedHere;
    }
    return true;
}

Task<bool> Engine::expandAll(Store &store, Outcome &outcome)
{
    const QList<qint64> series = store.seriesItems();
    for (const qint64 id : series) {
        const bool done = store.inTransaction([&] {
            std::optional<Item> item = store.item(id);
            return !item || expand(store, *item, store.format().read(item->object, m_today, m_today.addYears(1)), outcome);
        });
        if (!done)
            co_return false;
        Yield pause;
        co_await pause;
    }
    co_return store.setExpandedOn(m_today);
}

Task<std::optional<QList<Fetched>>> Engine::fetchOne(QUrl collection, const Format &format, QString href,
                                                    Outcome &outcome)
{
    Response failed;
    const QStringList paths{href};
    const CollectionKind kind = format.kind();
    std::optional<QList<Fetched>> fetched = co_await m_client.fetch(collection, kind, paths, &failed);
    if (!fetched)
        outcome.failed = failed;
    co_return fetched;
}

Task<bool> Engine::push(Store &store, QUrl collection, Outcome &outcome)
{
    const Format &format = store.format();
    const QString folder = folderOf(collection);

    // Each record new here becomes an item, its UID and address chosen, before anything is
    // sent: a creation whose answer is lost is found at that address next time, not sent twice.
    const QList<qint64> fresh = store.recordsNotSynced();
    for (qsizetype next = 0; next < fresh.size();) {
        const bool done = store.inTransaction([&] {
            return inSteps(next, fresh.size(), [&](qsizetype j) {
                const std::optional<Values> values = store.record(fresh.at(j));
                if (!values)
                    return true;
                Item item;
                // Sent under the UID its exports carry, so that a card exported and one synced
                // are the same card to the programs that meet both.
                const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
                item.uid = store.lastingUid(fresh.at(j)).value_or(uuid);
                item.localKey = fresh.at(j);
                item.localValues = *values;
                if (const auto object = format.create(*values, item.uid)) {
                    item.href = folder + uuid + format.extension();
                    item.object = *object;
                    item.dirty = true;
                } else {
                    item.kind = ItemKind::KeptHere;
                }
                return store.insertItem(item).has_value();
            });
        });
        if (!done) {
            outcome.error = store.error();
            co_return false;
        }
        Yield pause;
        co_await pause;
    }

    const auto writeDown = [&](const std::function<bool()> &work) {
        if (store.inTransaction(work))
            return true;
        outcome.error = store.error();
        return false;
    };
    // The server took what was sent: the item is in step, unless the record changed (or
    // went) here while the request was out.
    const auto sent = [&](qint64 id, const QByteArray &object, const Values &values, const QByteArray &etag) {
        return writeDown([&] {
            std::optional<Item> item = store.item(id);
            if (!item)
                return true;
            item->object = object;
            item->etag = etag;
            item->serverValues = format.read(object, m_today, m_today.addYears(1)).records.value(0);
            item->localValues = values;
            const std::optional<Values> now = item->localKey ? store.record(*item->localKey) : std::nullopt;
            item->dirty = !now || !sameValues(*now, values, format.columns());
            return store.updateItem(*item);
        });
    };
    // The server's version changed since it was read: it is fetched and merged, then the
    // write is tried again.
    const auto refetch = [&](const Item &item) -> Task<bool> {
        const std::optional<QList<Fetched>> fetched = co_await fetchOne(collection, format, item.href, outcome);
        if (!fetched)
            co_return false;
        co_return writeDown([&] {
            if (fetched->isEmpty())
                return takeGone(store, item.href, outcome);
            return takeInOne(store, fetched->first(), outcome);
        });
    };

    // A record in conflict waits for the user's choice: nothing of it is sent meanwhile.
    const auto inConflict = [&](qint64 id) {
        return std::any_of(outcome.conflicts.cbegin(), outcome.conflicts.cend(),
                           [&](const Conflict &c) { return c.book == format.book() && c.item == id; });
    };
    const QList<qint64> dirty = store.dirtyItems();
    for (const qint64 id : dirty) {
        for (int attempt = 0; attempt <= retries; ++attempt) {
            std::optional<Item> item = store.item(id);
            if (!item || !item->dirty || inConflict(id))
                break;
            Step step = Step::Done;
            if (item->kind == ItemKind::KeptHere) {
                // An appointment whose date now reads goes to the server as new.
                const std::optional<Values> values = item->localKey ? store.record(*item->localKey) : std::nullopt;
                const std::optional<QByteArray> object = values ? format.create(*values, item->uid) : std::nullopt;
                if (object) {
                    item->kind = ItemKind::Record;
                    item->href = folder + item->uid + format.extension();
                    item->object = *object;
                    step = Step::Again;
                } else {
                    item->dirty = false;
                    if (values)
                        item->localValues = *values;
                }
                if (!writeDown([&] { return item->localKey ? store.updateItem(*item) : store.removeItem(item->id); }))
                    co_return false;
            } else if (item->kind != ItemKind::Record) {
                item->dirty = false;
                if (!writeDown([&] { return store.updateItem(*item); }))
                    co_return false;
            } else if (!item->localKey) {
                // Deleted here. A record never sent leaves nothing behind; one whose creation
                // was sent but not answered (a sync killed, a connection lost) may be on the
                // server all the same, and is deleted there by its address.
                if (!item->serverValues && item->href.isEmpty()) {
                    if (!writeDown([&] { return store.removeItem(item->id); }))
                        co_return false;
                    break;
                }
                const QUrl address = m_client.urlOf(item->href);
                const QByteArray etag = item->etag;
                const Response answer = co_await m_client.remove(address, etag);
                if (answer.ok() || answer.status == 404 || answer.status == 410) {
                    if (!writeDown([&] { return store.removeItem(item->id); }))
                        co_return false;
                    ++outcome.removedThere;
                } else if (answer.status == 412) {
                    // Changed there since: the server's version comes back here.
                    if (!co_await refetch(*item))
                        co_return false;
                } else {
                    outcome.failed = answer;
                    co_return false;
                }
            } else {
                const std::optional<Values> local = store.record(*item->localKey);
                if (!local)
                    break; // deleted meanwhile: the next sync sends that
                const bool creation = !item->serverValues;
                QStringList changed;
                for (const QString &column : format.columns()) {
                    if (creation || textOf(*local, column) != textOf(*item->localValues, column))
                        changed << column;
                }
                const std::optional<QByteArray> object =
                    creation ? format.create(*local, item->uid) : format.patch(item->object, *local, changed);
                const bool placeable = object || format.create(*local, item->uid).has_value();
                if (!creation && !placeable) {
                    // A record the server holds whose date no longer reads: no calendar can
                    // place it now, so it leaves the server (the other devices keep it among
                    // their deleted records) and stays here until its date reads again.
                    const QUrl address = m_client.urlOf(item->href);
                    const QByteArray etag = item->etag;
                    const Response answer = co_await m_client.remove(address, etag);
                    if (answer.status == 412) {
                        if (!co_await refetch(*item))
                            co_return false;
                        step = Step::Again;
                    } else if (answer.ok() || answer.status == 404 || answer.status == 410) {
                        item->kind = ItemKind::KeptHere;
                        item->href.clear();
                        item->etag.clear();
                        item->object.clear();
                        item->serverValues.reset();
                        item->localValues = *local;
                        item->dirty = false;
                        if (!writeDown([&] { return store.updateItem(*item); }))
                            co_return false;
                        ++outcome.removedThere;
                    } else {
                        outcome.failed = answer;
                        co_return false;
                    }
                    if (step != Step::Again)
                        break;
                    continue;
                }
                if (changed.isEmpty() || !object) {
                    // Nothing to send, or nothing the server's object can take (a new
                    // appointment whose date does not read, an object Dalil cannot change):
                    // kept here as it is.
                    item->dirty = false;
                    if (creation)
                        item->kind = ItemKind::KeptHere;
                    item->localValues = *local;
                    if (!writeDown([&] { return store.updateItem(*item); }))
                        co_return false;
                    break;
                }
                const QUrl address = m_client.urlOf(item->href);
                const QByteArray etag = creation ? QByteArray() : item->etag;
                const CollectionKind kind = format.kind();
                const Response answer = co_await m_client.put(address, *object, kind, etag);
                if (answer.ok()) {
                    if (!sent(item->id, *object, *local, answer.etag))
                        co_return false;
                    ++outcome.sent;
                } else if (answer.status == 412) {
                    // A creation already there is this one's, its answer lost before; a change
                    // meets the server's newer version. Either way: fetch, merge, again.
                    if (!co_await refetch(*item))
                        co_return false;
                    step = Step::Again;
                } else if (answer.status == 404 && !creation) {
                    // Deleted there meanwhile: sent again as new.
                    if (!writeDown([&] { return takeGone(store, item->href, outcome); }))
                        co_return false;
                    step = Step::Again;
                } else {
                    outcome.failed = answer;
                    co_return false;
                }
            }
            if (step != Step::Again)
                break;
        }
    }
    co_return true;
}

DataError Engine::resolve(const QString &databasePath, const Conflict &conflict, bool keepLocal)
{
    const Format &format = Format::forBook(conflict.book);
    Store store(databasePath, format);
    std::optional<Item> item = store.ok() ? store.item(conflict.item) : std::nullopt;
    if (!store.ok())
        return store.error();
    if (!item || item->localKey != conflict.localKey)
        return {DataError::Kind::RecordGone, databasePath, conflict.book, {}};
    const Values &chosen = keepLocal ? conflict.local : conflict.server;
    const Values &other = keepLocal ? conflict.server : conflict.local;
    // The server's version is the one now known; what the record holds beyond it goes there next.
    item->etag = conflict.etag;
    item->object = conflict.object;
    const QDate today = Clock::today();
    item->serverValues = format.read(conflict.object, today, today.addYears(1)).records.value(0);
    item->localValues = item->serverValues;
    item->dirty = true;
    store.inTransaction([&] {
        return store.keepAsDeleted(conflict.localKey, other) && store.updateRecord(conflict.localKey, chosen)
               && store.updateItem(*item);
    });
    return store.error();
}

bool Engine::isOccurrence(const QString &databasePath, qint64 key)
{
    Store store(databasePath, Format::note());
    return store.ok() && store.isOccurrence(key);
}

} // namespace dalil::Sync
