// The phone book as vCards on the server.
#include "contentlines.h"
#include "formats.h"

#include "data/exchange/exchange.h"
#include "data/exchange/icalendar.h"
#include "data/exchange/vcard.h"

#include <QBuffer>
#include <QHash>

#include <algorithm>

namespace dalil::Sync {

namespace Columns = Exchange::PhoneColumns;

QString textOf(const Values &values, const QString &column)
{
    const QVariant value = values.value(column);
    return value.isNull() ? QString() : value.toString();
}

bool sameValues(const Values &a, const Values &b, const QStringList &columns)
{
    return std::all_of(columns.cbegin(), columns.cend(),
                       [&](const QString &column) { return textOf(a, column) == textOf(b, column); });
}

namespace {

// What a value cannot carry in a card: the C0 controls but line feed and tab, and DEL; such a
// value is written percent-encoded, as the program's own vCard files do.
bool cannotCarry(QChar c)
{
    const char16_t u = c.unicode();
    return (u < 0x20 && u != u'\n' && u != u'\t') || u == 0x7f;
}

QString percentEncoded(const QString &text)
{
    QString out;
    for (const QChar c : text) {
        if (c == u'%' || cannotCarry(c))
            out += QString::asprintf("%%%02X", unsigned(c.unicode()));
        else
            out += c;
    }
    return out;
}

QString percentDecoded(const QString &text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        bool ok = false;
        const int code = i + 2 < text.size() && text.at(i) == u'%' ? text.mid(i + 1, 2).toInt(&ok, 16) : 0;
        if (ok) {
            out += QChar(char16_t(code));
            i += 2;
        } else {
            out += text.at(i);
        }
    }
    return out;
}

// Which line of the card is each column: the first FN, EMAIL, ADR and NOTE; a number by its
// type (a fax first, a mobile before home and work), an untyped one in the first free of home,
// mobile and office; a pager, a number Apple labels, or a second of a kind stays the card's own.
QHash<QString, int> bind(const ContentLines &card)
{
    QHash<QString, int> bound;
    const auto take = [&bound](const QString &column, int line) {
        if (!bound.contains(column))
            bound.insert(column, line);
    };
    QSet<QString> labelled;
    for (const ContentLine &line : card.lines)
        if (line.name == u"X-ABLABEL" && !line.group.isEmpty())
            labelled.insert(line.group.toLower());
    QList<int> untyped;
    int depth = 0;
    for (int i = 1; i < card.lines.size(); ++i) {
        const ContentLine &line = card.lines.at(i);
        if (line.name == u"BEGIN")
            ++depth;
        if (line.name == u"END" && depth-- == 0)
            break;
        if (depth > 0)
            continue;
        if (line.name == u"FN")
            take(QStringLiteral("FN"), i);
        else if (line.name == u"N")
            take(QStringLiteral("N"), i);
        else if (line.name == u"EMAIL")
            take(Columns::email, i);
        else if (line.name == u"ADR")
            take(Columns::address, i);
        else if (line.name == u"NOTE")
            take(Columns::notes, i);
        else if (line.name == u"TEL") {
            const QStringList types = line.parameterValues(QStringLiteral("TYPE"));
            const auto has = [&types](const char16_t *type) { return types.contains(QString::fromUtf16(type)); };
            if (has(u"fax"))
                take(Columns::fax, i);
            else if (has(u"cell"))
                take(Columns::mobile, i);
            else if (has(u"home"))
                take(Columns::home, i);
            else if (has(u"work"))
                take(Columns::office, i);
            else if (!has(u"pager") && !labelled.contains(line.group.toLower()))
                untyped << i;
        }
    }
    for (const int line : std::as_const(untyped)) {
        for (const QString &column : {Columns::home, Columns::mobile, Columns::office}) {
            if (!bound.contains(column)) {
                bound.insert(column, line);
                break;
            }
        }
    }
    return bound;
}

QString textValue(const ContentLine &line)
{
    QString text = unescapeText(line.value);
    if (line.parameterValues(QStringLiteral("X-DALIL-ENCODING")).contains(QStringLiteral("percent")))
        text = percentDecoded(text);
    return text;
}

QString structuredText(const ContentLine &line, const QList<int> &order)
{
    bool percent = line.parameterValues(QStringLiteral("X-DALIL-ENCODING")).contains(QStringLiteral("percent"));
    const QStringList parts = structuredParts(line.value);
    QStringList kept;
    for (const int i : order) {
        const QString part = i < parts.size() ? parts.at(i) : QString();
        if (!part.isEmpty())
            kept << (percent ? percentDecoded(part) : part);
    }
    return kept.join(order.size() == 5 ? QStringLiteral(" ") : QStringLiteral(", "));
}

// Parameters kept when a line's value is written anew: its type and the like, not how the old
// value was encoded.
QList<std::pair<QString, QString>> keptParameters(const ContentLine &line, bool percent)
{
    QList<std::pair<QString, QString>> kept;
    for (const auto &parameter : line.parameters) {
        if (parameter.first != u"ENCODING" && parameter.first != u"CHARSET" && parameter.first != u"X-DALIL-ENCODING"
            && parameter.first != u"VALUE")
            kept << parameter;
    }
    if (percent)
        kept.append({QStringLiteral("X-DALIL-ENCODING"), QStringLiteral("PERCENT")});
    return kept;
}

class VCardFormat : public Format
{
public:
    QString book() const override { return QStringLiteral("Phone"); }
    CollectionKind kind() const override { return CollectionKind::AddressBook; }
    QString extension() const override { return QStringLiteral(".vcf"); }
    QStringList columns() const override { return Exchange::columns(book()); }

    ReadObject read(const QByteArray &object, QDate, QDate) const override
    {
        ReadObject read;
        ContentLines all = ContentLines::parse(object);
        const auto [begin, end] = all.component(QStringLiteral("VCARD"));
        if (begin < 0)
            return read;
        ContentLines card;
        card.lines = all.lines.mid(begin, end - begin + 1);
        if (const int uid = card.find(QStringLiteral("UID")); uid >= 0)
            read.uid = unescapeText(card.lines.at(uid).value).trimmed();
        const QHash<QString, int> bound = bind(card);
        Values record;
        const auto line = [&](const QString &column) -> const ContentLine * {
            const auto found = bound.constFind(column);
            return found == bound.constEnd() ? nullptr : &card.lines.at(*found);
        };
        // Values exactly as written: a card of our own reads back as the record it came from.
        QString name = line(QStringLiteral("FN")) ? textValue(*line(QStringLiteral("FN"))) : QString();
        if (name.isEmpty() && line(QStringLiteral("N")))
            name = structuredText(*line(QStringLiteral("N")), {3, 1, 2, 0, 4});
        record.insert(Columns::name, name);
        for (const QString &column : {Columns::home, Columns::mobile, Columns::office, Columns::fax}) {
            if (const ContentLine *tel = line(column)) {
                QString number = textValue(*tel);
                if (number.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive))
                    number = number.mid(4);
                record.insert(column, number);
            }
        }
        if (const ContentLine *email = line(Columns::email))
            record.insert(Columns::email, textValue(*email));
        if (const ContentLine *address = line(Columns::address))
            record.insert(Columns::address, structuredText(*address, {0, 1, 2, 3, 4, 5, 6}));
        if (const ContentLine *notes = line(Columns::notes))
            record.insert(Columns::notes, textValue(*notes));
        for (auto it = record.begin(); it != record.end();)
            it = it->toString().isEmpty() ? record.erase(it) : std::next(it);
        read.records << record;
        return read;
    }

    std::optional<QByteArray> create(const Values &record, const QString &uid) const override
    {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        const auto writer = VCard::writer(&buffer, VCard::Version::V3);
        if (!writer->write(record) || !writer->finish())
            return std::nullopt;
        ContentLines card = ContentLines::parse(buffer.data());
        const int version = card.find(QStringLiteral("VERSION"));
        card.lines.insert(version + 1, makeLine({}, QStringLiteral("UID"), {}, escapeText(uid)));
        return card.text();
    }

    std::optional<QByteArray> patch(const QByteArray &object, const Values &record,
                                    const QStringList &changed) const override
    {
        ContentLines all = ContentLines::parse(object);
        const auto [begin, end] = all.component(QStringLiteral("VCARD"));
        if (begin < 0)
            return std::nullopt;
        ContentLines card;
        card.lines = all.lines.mid(begin, end - begin + 1);
        const bool v4 = card.find(QStringLiteral("VERSION")) >= 0
                        && card.lines.at(card.find(QStringLiteral("VERSION"))).value.trimmed() == u"4.0";
        const QHash<QString, int> bound = bind(card);
        QSet<int> removed;
        QList<ContentLine> added;

        // Sets a line's value (or adds the line, or takes it away when the text is empty).
        const auto set = [&](const QString &key, const QString &name, const QList<std::pair<QString, QString>> &fresh,
                             const QString &text, bool structured, bool required) {
            const bool percent = std::any_of(text.begin(), text.end(), cannotCarry);
            const QString escaped = escapeText(percent ? percentEncoded(text) : text);
            const QString value = structured ? (name == u"N" ? escaped + QStringLiteral(";;;;")
                                                             : QStringLiteral(";;") + escaped + QStringLiteral(";;;;"))
                                             : escaped;
            if (const auto found = bound.constFind(key); found != bound.constEnd()) {
                ContentLine &line = card.lines[*found];
                if (text.isEmpty() && !required) {
                    removed.insert(*found);
                    return;
                }
                line = makeLine(line.group, line.name, keptParameters(line, percent), value);
            } else if (!text.isEmpty() || required) {
                QList<std::pair<QString, QString>> parameters = fresh;
                if (percent)
                    parameters.append({QStringLiteral("X-DALIL-ENCODING"), QStringLiteral("PERCENT")});
                added << makeLine({}, name, parameters, value);
            }
        };
        const auto type = [v4](const char *word) {
            const QString w = QString::fromLatin1(word);
            return QList<std::pair<QString, QString>>{{QStringLiteral("TYPE"), v4 ? w.toLower() : w.toUpper()}};
        };
        for (const QString &column : changed) {
            const QString text = textOf(record, column);
            if (column == Columns::name) {
                set(QStringLiteral("FN"), QStringLiteral("FN"), {}, text, false, true);
                set(QStringLiteral("N"), QStringLiteral("N"), {}, text, true, true);
            } else if (column == Columns::home) {
                set(column, QStringLiteral("TEL"), type("home"), text, false, false);
            } else if (column == Columns::mobile) {
                set(column, QStringLiteral("TEL"), type("cell"), text, false, false);
            } else if (column == Columns::office) {
                set(column, QStringLiteral("TEL"), type("work"), text, false, false);
            } else if (column == Columns::fax) {
                set(column, QStringLiteral("TEL"), type("fax"), text, false, false);
            } else if (column == Columns::email) {
                set(column, QStringLiteral("EMAIL"), v4 ? QList<std::pair<QString, QString>>{} : type("internet"), text,
                    false, false);
            } else if (column == Columns::address) {
                set(column, QStringLiteral("ADR"), {}, text, true, false);
            } else if (column == Columns::notes) {
                set(column, QStringLiteral("NOTE"), {}, text, false, false);
            }
        }
        QList<ContentLine> lines;
        for (int i = 0; i < card.lines.size(); ++i) {
            if (i == card.lines.size() - 1)
                lines << added;
            if (!removed.contains(i))
                lines << card.lines.at(i);
        }
        all.lines = all.lines.mid(0, begin) + lines + all.lines.mid(end + 1);
        return all.text();
    }
};

} // namespace

const Format &Format::phone()
{
    static const VCardFormat format;
    return format;
}

const Format &Format::forBook(const QString &book)
{
    return book == u"Note" ? note() : phone();
}

} // namespace dalil::Sync
