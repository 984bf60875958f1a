#include "davxml.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace dalil::Sync::Dav {

QString Names::qualified(const QString &ns, const QString &local)
{
    return u'{' + ns + u'}' + local;
}

namespace {

bool is(const QXmlStreamReader &xml, const QString &ns, const char16_t *local)
{
    return xml.namespaceUri() == ns && xml.name() == QStringView(local);
}

// Reads one property element, from its start to its end.
Property readProperty(QXmlStreamReader &xml)
{
    Property property;
    int depth = 1;
    bool inHref = false;
    QString href;
    while (depth > 0 && !xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            ++depth;
            if (is(xml, Names::dav, u"href")) {
                inHref = true;
                href.clear();
            } else {
                property.elements.append(Names::qualified(xml.namespaceUri().toString(), xml.name().toString()));
                if (xml.name() == u"comp" && xml.attributes().hasAttribute(QStringLiteral("name")))
                    property.components.append(xml.attributes().value(QStringLiteral("name")).toString());
            }
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            if (inHref && is(xml, Names::dav, u"href")) {
                property.hrefs.append(href.trimmed());
                inHref = false;
            }
            break;
        case QXmlStreamReader::Characters:
            if (inHref)
                href += xml.text();
            else
                property.text += xml.text();
            break;
        default:
            break;
        }
    }
    return property;
}

void readPropstat(QXmlStreamReader &xml, Item &item)
{
    QHash<QString, Property> found;
    int status = 200; // a propstat without its status is taken as found
    while (xml.readNextStartElement()) {
        if (is(xml, Names::dav, u"prop")) {
            while (xml.readNextStartElement()) {
                const QString name = Names::qualified(xml.namespaceUri().toString(), xml.name().toString());
                found.insert(name, readProperty(xml));
            }
        } else if (is(xml, Names::dav, u"status")) {
            status = statusCode(xml.readElementText());
        } else {
            xml.skipCurrentElement();
        }
    }
    if (status >= 200 && status < 300)
        item.properties.insert(found);
}

Item readResponse(QXmlStreamReader &xml)
{
    Item item;
    while (xml.readNextStartElement()) {
        if (is(xml, Names::dav, u"href"))
            item.href = xml.readElementText().trimmed();
        else if (is(xml, Names::dav, u"status"))
            item.status = statusCode(xml.readElementText());
        else if (is(xml, Names::dav, u"propstat"))
            readPropstat(xml, item);
        else
            xml.skipCurrentElement();
    }
    return item;
}

} // namespace

const Property *Item::property(const QString &ns, const QString &local) const
{
    const auto found = properties.constFind(Names::qualified(ns, local));
    return found == properties.constEnd() ? nullptr : &*found;
}

int statusCode(const QString &statusLine)
{
    const QStringList words = statusLine.simplified().split(u' ');
    return words.size() >= 2 ? words.at(1).toInt() : 0;
}

std::optional<MultiStatus> parseMultiStatus(const QByteArray &body)
{
    QXmlStreamReader xml(body);
    if (!xml.readNextStartElement() || !is(xml, Names::dav, u"multistatus"))
        return std::nullopt;
    MultiStatus result;
    while (xml.readNextStartElement()) {
        if (is(xml, Names::dav, u"response"))
            result.items.append(readResponse(xml));
        else if (is(xml, Names::dav, u"sync-token"))
            result.syncToken = xml.readElementText().trimmed();
        else
            xml.skipCurrentElement();
    }
    if (xml.hasError())
        return std::nullopt;
    return result;
}

bool namesPrecondition(const QByteArray &body, const QString &ns, const QString &local)
{
    QXmlStreamReader xml(body);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.namespaceUri() == ns && xml.name() == local)
            return true;
    }
    return false;
}

namespace {

// A request body with the DAV, CardDAV and CalDAV prefixes declared on its root.
class Body
{
public:
    explicit Body(const QString &ns, const QString &root) : m_xml(&m_text)
    {
        m_xml.writeStartDocument();
        m_xml.writeNamespace(Names::dav, QStringLiteral("d"));
        m_xml.writeNamespace(Names::cardDav, QStringLiteral("card"));
        m_xml.writeNamespace(Names::calDav, QStringLiteral("cal"));
        m_xml.writeStartElement(ns, root);
    }
    QXmlStreamWriter &xml() { return m_xml; }
    QByteArray finish()
    {
        m_xml.writeEndDocument();
        return m_text;
    }

private:
    QByteArray m_text;
    QXmlStreamWriter m_xml;
};

} // namespace

QByteArray propfind(const QList<std::pair<QString, QString>> &properties)
{
    Body body(Names::dav, QStringLiteral("propfind"));
    body.xml().writeStartElement(Names::dav, QStringLiteral("prop"));
    for (const auto &[ns, local] : properties)
        body.xml().writeEmptyElement(ns, local);
    body.xml().writeEndElement();
    return body.finish();
}

QByteArray syncCollection(const QString &token)
{
    Body body(Names::dav, QStringLiteral("sync-collection"));
    body.xml().writeTextElement(Names::dav, QStringLiteral("sync-token"), token);
    body.xml().writeTextElement(Names::dav, QStringLiteral("sync-level"), QStringLiteral("1"));
    body.xml().writeStartElement(Names::dav, QStringLiteral("prop"));
    body.xml().writeEmptyElement(Names::dav, QStringLiteral("getetag"));
    body.xml().writeEndElement();
    return body.finish();
}

QByteArray multiget(bool calendar, const QStringList &hrefs)
{
    const QString &ns = calendar ? Names::calDav : Names::cardDav;
    Body body(ns, calendar ? QStringLiteral("calendar-multiget") : QStringLiteral("addressbook-multiget"));
    body.xml().writeStartElement(Names::dav, QStringLiteral("prop"));
    body.xml().writeEmptyElement(Names::dav, QStringLiteral("getetag"));
    body.xml().writeEmptyElement(ns, calendar ? QStringLiteral("calendar-data") : QStringLiteral("address-data"));
    body.xml().writeEndElement();
    for (const QString &href : hrefs)
        body.xml().writeTextElement(Names::dav, QStringLiteral("href"), href);
    return body.finish();
}

} // namespace dalil::Sync::Dav
