#include "contentlines.h"
#include "data/exchange/vcard.h"

#include <QStringDecoder>

#include <algorithm>

namespace dalil::Sync {

namespace {

// Splits "GROUP.NAME;P=V;Q="a:b":value" into its parts; quotes protect ':' ';' ','.
void split(const QString &logical, ContentLine &line)
{
    qsizetype colon = -1;
    bool quoted = false;
    for (qsizetype i = 0; i < logical.size(); ++i) {
        const QChar c = logical.at(i);
        if (c == u'"')
            quoted = !quoted;
        else if (c == u':' && !quoted) {
            colon = i;
            break;
        }
    }
    const QString head = colon < 0 ? logical : logical.left(colon);
    line.value = colon < 0 ? QString() : logical.mid(colon + 1);
    QStringList parts;
    QString part;
    quoted = false;
    for (const QChar c : head) {
        if (c == u'"')
            quoted = !quoted;
        if (c == u';' && !quoted) {
            parts << part;
            part.clear();
        } else {
            part += c;
        }
    }
    parts << part;
    QString name = parts.takeFirst();
    if (const qsizetype dot = name.indexOf(u'.'); dot >= 0) {
        line.group = name.left(dot);
        name = name.mid(dot + 1);
    }
    line.name = name.toUpper();
    for (const QString &p : std::as_const(parts)) {
        const qsizetype equals = p.indexOf(u'=');
        if (equals < 0)
            line.parameters.append({QStringLiteral("TYPE"), p}); // vCard 2.1: TEL;CELL
        else
            line.parameters.append({p.left(equals).toUpper(), p.mid(equals + 1)});
    }
}

} // namespace

QStringList ContentLine::parameterValues(const QString &parameter) const
{
    QStringList values;
    for (const auto &[name, value] : parameters) {
        if (name != parameter)
            continue;
        QString v = value;
        v.remove(u'"');
        for (const QString &one : v.split(u',', Qt::SkipEmptyParts))
            values << one.trimmed().toLower();
    }
    return values;
}

bool ContentLine::hasParameter(const QString &parameter) const
{
    return std::any_of(parameters.cbegin(), parameters.cend(), [&](const auto &p) { return p.first == parameter; });
}

ContentLines ContentLines::parse(const QByteArray &object)
{
    ContentLines result;
    QByteArray logical;
    QByteArray raw;
    const auto flush = [&] {
        if (raw.isEmpty())
            return;
        ContentLine line;
        line.raw = raw;
        QStringDecoder utf8(QStringDecoder::Utf8);
        split(utf8.decode(logical), line);
        if (!line.name.isEmpty() || !line.value.isEmpty())
            result.lines.append(line);
        logical.clear();
        raw.clear();
    };
    qsizetype start = 0;
    while (start < object.size()) {
        qsizetype end = object.indexOf('\n', start);
        const qsizetype next = end < 0 ? object.size() : end + 1;
        if (end < 0)
            end = object.size();
        QByteArray physical = object.mid(start, end - start);
        if (physical.endsWith('\r'))
            physical.chop(1);
        if ((physical.startsWith(' ') || physical.startsWith('\t')) && !raw.isEmpty()) {
            logical += physical.mid(1);
        } else {
            flush();
            logical = physical;
        }
        raw += object.mid(start, next - start);
        start = next;
    }
    flush();
    return result;
}

QByteArray ContentLines::text() const
{
    QByteArray out;
    for (const ContentLine &line : lines) {
        if (!line.raw.isEmpty()) {
            out += line.raw;
            if (!line.raw.endsWith('\n'))
                out += "\r\n";
            continue;
        }
        QString head = line.group.isEmpty() ? line.name : line.group + u'.' + line.name;
        for (const auto &[name, value] : line.parameters)
            head += u';' + name + u'=' + value;
        VCard::appendFolded(out, (head + u':' + line.value).toUtf8());
    }
    return out;
}

int ContentLines::find(const QString &name, int from) const
{
    // Lines of components nested inside (an event's alarms) are not the component's own.
    int depth = 0;
    for (int i = from; i < lines.size(); ++i) {
        const ContentLine &line = lines.at(i);
        if (i > from && line.name == u"BEGIN") {
            ++depth;
        } else if (i > from && line.name == u"END") {
            if (depth == 0)
                return -1;
            --depth;
        } else if (depth == 0 && line.name == name) {
            return i;
        }
    }
    return -1;
}

std::pair<int, int> ContentLines::component(const QString &kind) const
{
    for (int i = 0; i < lines.size(); ++i) {
        if (lines.at(i).name != u"BEGIN" || lines.at(i).value.trimmed().compare(kind, Qt::CaseInsensitive) != 0)
            continue;
        for (int j = i + 1; j < lines.size(); ++j) {
            if (lines.at(j).name == u"END" && lines.at(j).value.trimmed().compare(kind, Qt::CaseInsensitive) == 0)
                return {i, j};
        }
        return {-1, -1};
    }
    return {-1, -1};
}

ContentLine makeLine(const QString &group, const QString &name, const QList<std::pair<QString, QString>> &parameters,
                     const QString &value)
{
    ContentLine line;
    line.group = group;
    line.name = name;
    line.parameters = parameters;
    line.value = value;
    return line;
}

QString escapeText(const QString &text)
{
    return VCard::escapedText(text);
}

QString unescapeText(const QString &value)
{
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\' || i + 1 == value.size()) {
            out += c;
            continue;
        }
        const QChar n = value.at(++i);
        out += (n == u'n' || n == u'N') ? QChar(u'\n') : n;
    }
    return out;
}

QStringList structuredParts(const QString &value)
{
    QStringList parts;
    QString part;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c == u'\\' && i + 1 < value.size()) {
            part += c;
            part += value.at(++i);
        } else if (c == u';') {
            parts << unescapeText(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts << unescapeText(part);
    return parts;
}

} // namespace dalil::Sync
