// The XML of WebDAV and its CardDAV/CalDAV extensions: the request bodies the client sends,
// and a reader of the multi-status answers (RFC 4918) that keeps, for each item, what its
// properties hold: their text, the addresses (href) inside them, the names of the elements
// inside them and a calendar's component names.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

namespace dalil::Sync::Dav {

// Qualified names, as "{namespace}local".
namespace Names {
inline const QString dav = QStringLiteral("DAV:");
inline const QString cardDav = QStringLiteral("urn:ietf:params:xml:ns:carddav");
inline const QString calDav = QStringLiteral("urn:ietf:params:xml:ns:caldav");
QString qualified(const QString &ns, const QString &local);
} // namespace Names

struct Property
{
    QString text;          // the text inside it, whole (a card or a calendar)
    QStringList hrefs;     // the <href> elements inside it
    QStringList elements;  // the qualified names of the other elements inside it
    QStringList components; // the name attributes of <comp> elements (a calendar's components)
};

struct Item
{
    QString href;
    int status = 0; // the item's own status (a member gone from a collection: 404); 0 when none
    QHash<QString, Property> properties; // by qualified name; only those found (2xx)

    const Property *property(const QString &ns, const QString &local) const;
};

struct MultiStatus
{
    QList<Item> items;
    QString syncToken;
};

// Nothing when the text is not a multi-status.
std::optional<MultiStatus> parseMultiStatus(const QByteArray &xml);
// Whether an error body names this precondition (valid-sync-token).
bool namesPrecondition(const QByteArray &xml, const QString &ns, const QString &local);

// Request bodies.
QByteArray propfind(const QList<std::pair<QString, QString>> &properties);
QByteArray syncCollection(const QString &token);
// addressbook-multiget or calendar-multiget of these items (paths or addresses).
QByteArray multiget(bool calendar, const QStringList &hrefs);

// "HTTP/1.1 404 Not Found" → 404; 0 when it does not read.
int statusCode(const QString &statusLine);

} // namespace dalil::Sync::Dav
