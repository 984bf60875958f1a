#include "davclient.h"

#include "davxml.h"

#include <algorithm>

namespace dalil::Sync {

namespace {

using Dav::Names::calDav;
using Dav::Names::cardDav;
using Dav::Names::dav;

bool stopsDiscovery(const Response &response)
{
    return response.failure != Failure::None && response.failure != Failure::Redirect;
}

// The request bodies, and the home properties, made outside the coroutines: a braced list
// inside one trips GCC 12.
QByteArray principalBody()
{
    return Dav::propfind({{dav, QStringLiteral("current-user-principal")}});
}

const QList<std::pair<QString, QString>> &homeProperties()
{
    static const QList<std::pair<QString, QString>> properties{{cardDav, QStringLiteral("addressbook-home-set")},
                                                                {calDav, QStringLiteral("calendar-home-set")}};
    return properties;
}

QByteArray collectionsBody()
{
    return Dav::propfind({{dav, QStringLiteral("resourcetype")},
                          {dav, QStringLiteral("displayname")},
                          {calDav, QStringLiteral("supported-calendar-component-set")}});
}

QByteArray etagsBody()
{
    return Dav::propfind({{dav, QStringLiteral("getetag")}, {dav, QStringLiteral("resourcetype")}});
}

QByteArray unquotedSafe(const QString &etag)
{
    return etag.trimmed().toUtf8();
}

} // namespace

QString DavClient::pathOf(const QUrl &base, const QString &href)
{
    return base.resolved(QUrl(href)).path(QUrl::FullyDecoded);
}

QUrl DavClient::urlOf(const QString &path) const
{
    QUrl url = m_http.account().server;
    url.setPath(path, QUrl::DecodedMode);
    url.setQuery(QString());
    url.setFragment(QString());
    return url;
}

Task<Response> DavClient::propfind(QUrl url, int depth, QByteArray body)
{
    const QByteArray method("PROPFIND");
    const Headers headers{{QByteArray("Depth"), QByteArray::number(depth)}};
    co_return co_await m_http.send(method, url, body, headers);
}

Task<Discovery> DavClient::discover()
{
    Discovery found;
    const QUrl server = m_http.account().server;
    QList<QUrl> candidates;
    if (server.path().length() > 1)
        candidates << server;
    candidates << server.resolved(QUrl(QStringLiteral("/.well-known/carddav")))
               << server.resolved(QUrl(QStringLiteral("/.well-known/caldav")))
               << server.resolved(QUrl(QStringLiteral("/")));
    for (const QUrl &candidate : std::as_const(candidates)) {
        const QByteArray body = principalBody();
        const Response response = co_await propfind(candidate, 0, body);
        if (stopsDiscovery(response)) {
            found.failed = response;
            co_return found;
        }
        const auto answer = Dav::parseMultiStatus(response.body);
        if (response.status != 207 || !answer)
            continue;
        for (const Dav::Item &item : answer->items) {
            if (const Dav::Property *p = item.property(dav, QStringLiteral("current-user-principal")); p && !p->hrefs.isEmpty()) {
                found.principal = urlOf(pathOf(response.url, p->hrefs.first()));
                break;
            }
        }
        if (found.principal.isValid())
            break;
    }
    if (!found.principal.isValid()) {
        found.failed.status = 404;
        co_return found;
    }

    // The homes of the user's address books and calendars, or the principal itself.
    const QByteArray homesBody = Dav::propfind(homeProperties());
    const Response homesAnswer = co_await propfind(found.principal, 0, homesBody);
    if (stopsDiscovery(homesAnswer)) {
        found.failed = homesAnswer;
        found.principal.clear();
        co_return found;
    }
    QList<QUrl> homes;
    if (const auto answer = Dav::parseMultiStatus(homesAnswer.body)) {
        for (const Dav::Item &item : answer->items) {
            for (const auto &[ns, local] : homeProperties()) {
                if (const Dav::Property *p = item.property(ns, local)) {
                    for (const QString &href : p->hrefs) {
                        const QUrl home = urlOf(pathOf(homesAnswer.url, href));
                        if (!homes.contains(home))
                            homes << home;
                    }
                }
            }
        }
    }
    if (homes.isEmpty())
        homes << found.principal;

    const QByteArray listBody = collectionsBody();
    for (const QUrl &home : std::as_const(homes)) {
        const Response response = co_await propfind(home, 1, listBody);
        if (stopsDiscovery(response)) {
            found.failed = response;
            found.principal.clear();
            co_return found;
        }
        const auto answer = Dav::parseMultiStatus(response.body);
        if (!answer)
            continue;
        for (const Dav::Item &item : answer->items) {
            const Dav::Property *type = item.property(dav, QStringLiteral("resourcetype"));
            if (!type)
                continue;
            Collection collection;
            collection.url = urlOf(pathOf(response.url, item.href));
            const Dav::Property *name = item.property(dav, QStringLiteral("displayname"));
            collection.name = name ? name->text.trimmed() : QString();
            if (type->elements.contains(Dav::Names::qualified(cardDav, QStringLiteral("addressbook")))) {
                collection.kind = CollectionKind::AddressBook;
            } else if (type->elements.contains(Dav::Names::qualified(calDav, QStringLiteral("calendar")))) {
                const Dav::Property *components = item.property(calDav, QStringLiteral("supported-calendar-component-set"));
                if (components && !components->components.isEmpty()
                    && !components->components.contains(QStringLiteral("VEVENT"), Qt::CaseInsensitive))
                    continue; // a list of tasks, not a calendar of events
                collection.kind = CollectionKind::Calendar;
            } else {
                continue;
            }
            if (collection.name.isEmpty())
                collection.name = collection.url.path(QUrl::FullyDecoded).section(u'/', -2, -2);
            const bool known = std::any_of(found.collections.cbegin(), found.collections.cend(),
                                           [&](const Collection &c) { return c.url == collection.url; });
            if (!known)
                found.collections << collection;
        }
    }
    co_return found;
}

Task<Listing> DavClient::changesSince(QUrl collection, QString token)
{
    if (!m_syncReports)
        co_return co_await everything(collection);
    Listing listing;
    const QByteArray method("REPORT");
    const QByteArray body = Dav::syncCollection(token);
    const Headers headers{{QByteArray("Depth"), QByteArray("1")}};
    const Response response = co_await m_http.send(method, collection, body, headers);
    if (response.failure != Failure::None) {
        listing.failed = response;
        co_return listing;
    }
    if ((response.status == 403 || response.status == 409) && !token.isEmpty()
        && Dav::namesPrecondition(response.body, dav, QStringLiteral("valid-sync-token"))) {
        listing.invalidToken = true;
        co_return listing;
    }
    // A listing of a whole collection is long: it is read beside the windows.
    const QString self = collection.path(QUrl::FullyDecoded);
    Beside<std::optional<Listing>> reading([response, self] {
        const auto answer = response.status == 207 ? Dav::parseMultiStatus(response.body) : std::nullopt;
        if (!answer)
            return std::optional<Listing>();
        Listing read;
        for (const Dav::Item &item : answer->items) {
            const QString path = pathOf(response.url, item.href);
            if (path == self)
                continue;
            if (item.status == 404) {
                read.removed << path;
            } else if (const Dav::Property *etag = item.property(dav, QStringLiteral("getetag"))) {
                read.etags.insert(path, unquotedSafe(etag->text));
            }
        }
        read.token = answer->syncToken;
        return std::optional<Listing>(std::move(read));
    });
    std::optional<Listing> read = co_await reading;
    if (!read) {
        // No sync-collection here: every item's ETag instead.
        co_return co_await everything(collection);
    }
    listing = std::move(*read);
    listing.complete = token.isEmpty();
    co_return listing;
}

Task<Listing> DavClient::everything(QUrl collection)
{
    Listing listing;
    const QByteArray body = etagsBody();
    const Response response = co_await propfind(collection, 1, body);
    const QString self = collection.path(QUrl::FullyDecoded);
    Beside<std::optional<QHash<QString, QByteArray>>> reading([response, self] {
        const auto answer = response.status == 207 ? Dav::parseMultiStatus(response.body) : std::nullopt;
        if (!answer)
            return std::optional<QHash<QString, QByteArray>>();
        QHash<QString, QByteArray> etags;
        for (const Dav::Item &item : answer->items) {
            const QString path = pathOf(response.url, item.href);
            const Dav::Property *type = item.property(dav, QStringLiteral("resourcetype"));
            if (path == self || (type && type->elements.contains(Dav::Names::qualified(dav, QStringLiteral("collection")))))
                continue;
            if (const Dav::Property *etag = item.property(dav, QStringLiteral("getetag")))
                etags.insert(path, unquotedSafe(etag->text));
        }
        return std::optional<QHash<QString, QByteArray>>(std::move(etags));
    });
    std::optional<QHash<QString, QByteArray>> etags = co_await reading;
    if (!etags) {
        listing.failed = response;
        if (listing.failed.failure == Failure::None && listing.failed.status == 0)
            listing.failed.status = 500;
        co_return listing;
    }
    listing.etags = std::move(*etags);
    listing.complete = true;
    co_return listing;
}

Task<std::optional<QList<Fetched>>> DavClient::fetch(QUrl collection, CollectionKind kind, QStringList paths,
                                                     Response *failed)
{
    QStringList hrefs;
    hrefs.reserve(paths.size());
    for (const QString &path : std::as_const(paths))
        hrefs << QString::fromUtf8(urlOf(path).path(QUrl::FullyEncoded).toUtf8());
    const bool calendar = kind == CollectionKind::Calendar;
    const QByteArray method("REPORT");
    const QByteArray body = Dav::multiget(calendar, hrefs);
    const Headers headers{{QByteArray("Depth"), QByteArray("1")}};
    const Response response = co_await m_http.send(method, collection, body, headers);
    const auto answer = response.status == 207 ? Dav::parseMultiStatus(response.body) : std::nullopt;
    if (!answer) {
        if (failed) {
            *failed = response;
            if (failed->failure == Failure::None && failed->status < 300)
                failed->status = 500;
        }
        co_return std::nullopt;
    }
    QList<Fetched> items;
    const QString dataName = calendar ? QStringLiteral("calendar-data") : QStringLiteral("address-data");
    for (const Dav::Item &item : answer->items) {
        const Dav::Property *data = item.property(calendar ? calDav : cardDav, dataName);
        const Dav::Property *etag = item.property(dav, QStringLiteral("getetag"));
        if (!data || !etag)
            continue;
        items.append({pathOf(response.url, item.href), unquotedSafe(etag->text), data->text.toUtf8()});
    }
    co_return items;
}

Task<Response> DavClient::put(QUrl item, QByteArray data, CollectionKind kind, QByteArray etag)
{
    Headers headers;
    headers.append(std::pair(QByteArray("Content-Type"), kind == CollectionKind::Calendar
                                                             ? QByteArray("text/calendar; charset=utf-8")
                                                             : QByteArray("text/vcard; charset=utf-8")));
    if (etag.isEmpty())
        headers.append(std::pair(QByteArray("If-None-Match"), QByteArray("*")));
    else
        headers.append(std::pair(QByteArray("If-Match"), etag));
    const QByteArray method("PUT");
    co_return co_await m_http.send(method, item, data, headers);
}

Task<Response> DavClient::remove(QUrl item, QByteArray etag)
{
    Headers headers;
    if (!etag.isEmpty())
        headers.append(std::pair(QByteArray("If-Match"), etag));
    const QByteArray method("DELETE");
    const QByteArray none;
    co_return co_await m_http.send(method, item, none, headers);
}

} // namespace dalil::Sync
