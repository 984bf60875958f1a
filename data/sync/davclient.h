// A CardDAV (RFC 6352) and CalDAV (RFC 4791) client over Http: finding the user's address
// books and calendars (RFC 6764), listing what changed in a collection (sync-collection,
// RFC 6578, or every item's ETag by PROPFIND where a server has no such report), fetching
// items by multiget, and conditional writes and deletes. Items are named by their path on the
// server, decoded ("/dav/tester/contacts/a b.vcf").
#pragma once

#include "http.h"

#include <QHash>

namespace dalil::Sync {

enum class CollectionKind { AddressBook, Calendar };

struct Collection
{
    QUrl url;
    QString name;
    CollectionKind kind = CollectionKind::AddressBook;
};

struct Discovery
{
    Response failed; // why it stopped, when it did
    QUrl principal;
    QList<Collection> collections;

    bool ok() const { return principal.isValid(); }
};

// What a collection holds now, or what changed in it since a token.
struct Listing
{
    Response failed;
    // The token was refused (403 or 409 with valid-sync-token): list everything again.
    bool invalidToken = false;
    // Everything the collection holds is listed (not only what changed): an item known
    // before and missing here is gone.
    bool complete = false;
    QHash<QString, QByteArray> etags; // item path → its ETag, for items new or changed
    QStringList removed;              // item paths gone since the token
    QString token;                    // empty when the server keeps none

    bool ok() const { return failed.failure == Failure::None && !invalidToken && failed.status == 0; }
};

struct Fetched
{
    QString path;
    QByteArray etag;
    QByteArray data;
};

class DavClient
{
public:
    // How many items one multiget asks for.
    static constexpr int fetchBatch = 200;

    explicit DavClient(Http &http) : m_http(http) {}

    // Tells the client to list by PROPFIND alone, as with a server that has no sync-collection.
    void setSyncReports(bool use) { m_syncReports = use; }

    Task<Discovery> discover();
    // What changed since the token; an empty token lists everything. Falls back to listing by
    // PROPFIND where the server has no sync-collection report.
    Task<Listing> changesSince(QUrl collection, QString token);
    Task<Listing> everything(QUrl collection);
    // The items, each with its ETag and data; items gone meanwhile are left out. Nothing on a failure.
    Task<std::optional<QList<Fetched>>> fetch(QUrl collection, CollectionKind kind, QStringList paths, Response *failed);
    // Writes an item: a new one (no etag: If-None-Match: *) or the version with that ETag.
    Task<Response> put(QUrl item, QByteArray data, CollectionKind kind, QByteArray etag);
    // Deletes the version with that ETag.
    Task<Response> remove(QUrl item, QByteArray etag);

    // An item's address in the server's space.
    QUrl urlOf(const QString &path) const;
    // An address or href as a path, decoded.
    static QString pathOf(const QUrl &base, const QString &href);

private:
    Task<Response> propfind(QUrl url, int depth, QByteArray body);

    Http &m_http;
    bool m_syncReports = true;
};

} // namespace dalil::Sync
