#include "vcard.h"

#include <QHash>
#include <QIODevice>
#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>

#include <algorithm>

namespace dalil::VCard {

namespace Columns = Exchange::PhoneColumns;

namespace {

QString lineMessage(qint64 line, const QString &what)
{
    return QStringLiteral("السطر %1: %2").arg(line).arg(what);
}

const QString NotUtf8 = QStringLiteral("النص ليس بترميز UTF-8");

// One content line, split but not yet decoded.
struct Property
{
    qint64 line = 0;
    QByteArray group; // upper case, empty when none
    QByteArray name;  // upper case
    QString nameAsWritten;
    QSet<QByteArray> types; // upper case, from TYPE=... and 2.1 bare words
    QByteArray encoding;    // upper case
    QByteArray charset;
    QByteArray valueType; // upper case, from VALUE=...
    QByteArray omitYear;  // Apple's X-APPLE-OMIT-YEAR: the year that stands for none
    bool percent = false;
    QByteArray value;
};

QByteArray unquoted(QByteArray text)
{
    text = text.trimmed();
    if (text.size() >= 2 && text.startsWith('"') && text.endsWith('"'))
        return text.mid(1, text.size() - 2);
    return text;
}

// Splits at each separator outside double quotes.
QList<QByteArray> splitOutsideQuotes(const QByteArray &text, char separator)
{
    QList<QByteArray> parts;
    QByteArray part;
    bool quoted = false;
    for (const char c : text) {
        if (c == '"')
            quoted = !quoted;
        if (c == separator && !quoted) {
            parts.append(part);
            part.clear();
        } else {
            part.append(c);
        }
    }
    parts.append(part);
    return parts;
}

// Splits "group.NAME;param;param:value". False when the line has no ':'.
bool parseLine(const QByteArray &line, qint64 number, Property &property)
{
    qsizetype colon = -1;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size() && colon < 0; ++i) {
        if (line.at(i) == '"')
            quoted = !quoted;
        else if (line.at(i) == ':' && !quoted)
            colon = i;
    }
    if (colon < 0)
        return false;
    property.line = number;
    property.value = line.mid(colon + 1);
    const QList<QByteArray> parts = splitOutsideQuotes(line.left(colon), ';');
    const QByteArray groupAndName = parts.first().trimmed();
    const qsizetype dot = groupAndName.lastIndexOf('.');
    property.group = groupAndName.left(std::max<qsizetype>(dot, 0)).toUpper();
    property.nameAsWritten = QString::fromUtf8(groupAndName.mid(dot + 1));
    property.name = groupAndName.mid(dot + 1).toUpper();
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray &parameter = parts.at(i);
        const qsizetype equals = parameter.indexOf('=');
        if (equals < 0) { // 2.1: a bare word is a type, or an encoding
            const QByteArray word = parameter.trimmed().toUpper();
            if (word == "QUOTED-PRINTABLE" || word == "BASE64" || word == "8BIT" || word == "7BIT")
                property.encoding = word;
            else if (!word.isEmpty())
                property.types.insert(word);
            continue;
        }
        const QByteArray key = parameter.left(equals).trimmed().toUpper();
        const QByteArray value = unquoted(parameter.mid(equals + 1));
        if (key == "TYPE") {
            for (const QByteArray &type : value.split(','))
                if (!unquoted(type).isEmpty())
                    property.types.insert(unquoted(type).toUpper());
        } else if (key == "ENCODING") {
            property.encoding = value.toUpper();
        } else if (key == "CHARSET") {
            property.charset = value;
        } else if (key == "VALUE") {
            property.valueType = value.toUpper();
        } else if (key == "X-APPLE-OMIT-YEAR") {
            property.omitYear = value;
        } else if (key == "X-DALIL-ENCODING") {
            property.percent = value.toUpper() == "PERCENT";
        }
    }
    return true;
}

bool isQuotedPrintable(const QByteArray &line)
{
    const qsizetype colon = line.indexOf(':');
    return line.left(colon < 0 ? line.size() : colon).toUpper().contains("QUOTED-PRINTABLE");
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool decodeQuotedPrintable(const QByteArray &in, QByteArray &out)
{
    out.clear();
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in.at(i) != '=') {
            out.append(in.at(i));
            continue;
        }
        if (i + 1 == in.size()) // a soft line break with nothing after it
            break;
        const int high = i + 2 < in.size() ? hexDigit(in.at(i + 1)) : -1;
        const int low = i + 2 < in.size() ? hexDigit(in.at(i + 2)) : -1;
        if (high < 0 || low < 0)
            return false;
        out.append(char(high * 16 + low));
        i += 2;
    }
    return true;
}

// Undoes the text escapes: in 3.0 and 4.0 \n and \N are a line feed and a backslash keeps the
// character after it; 2.1 knows only \; (and \\ for itself).
QString unescaped(const QString &text, bool legacy)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\\' || i + 1 == text.size()) {
            out += c;
            continue;
        }
        const QChar after = text.at(i + 1);
        if (legacy && after != u';' && after != u'\\') {
            out += c;
            continue;
        }
        out += (after == u'n' || after == u'N') && !legacy ? QChar(u'\n') : after;
        ++i;
    }
    return out;
}

// The components of a structured value (N, ADR, ORG), still escaped: split at each ';' that
// no backslash escapes.
QStringList components(const QString &text)
{
    QStringList parts;
    QString part;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\\' && i + 1 < text.size()) {
            part += c;
            part += text.at(++i);
        } else if (c == u';') {
            parts.append(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.append(part);
    return parts;
}

bool percentDecoded(const QString &text, QString &out)
{
    out.clear();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != u'%') {
            out += text.at(i);
            continue;
        }
        const bool two = i + 2 < text.size() && text.at(i + 1).unicode() < 128 && text.at(i + 2).unicode() < 128;
        const int high = two ? hexDigit(char(text.at(i + 1).unicode())) : -1;
        const int low = two ? hexDigit(char(text.at(i + 2).unicode())) : -1;
        if (high < 0 || low < 0)
            return false;
        out += QChar(char16_t(high * 16 + low));
        i += 2;
    }
    return true;
}

// The Arabic for "n things were not imported", with the noun's number agreeing.
QString notImported(int n, const char *one, const char *two, const char *few, const char *many)
{
    if (n == 1)
        return QString::fromUtf8(one);
    if (n == 2)
        return QString::fromUtf8(two);
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(n <= 10 ? few : many));
}

const QHash<QByteArray, QString> &labels()
{
    static const QHash<QByteArray, QString> table = {
        {"FN", Columns::name},
        {"EMAIL", Columns::email},
        {"ORG", QStringLiteral("المؤسسة")},
        {"TITLE", QStringLiteral("المسمى الوظيفي")},
        {"ROLE", QStringLiteral("الدور")},
        {"BDAY", QStringLiteral("تاريخ الميلاد")},
        {"ANNIVERSARY", QStringLiteral("ذكرى الزواج")},
        {"URL", QStringLiteral("الموقع")},
        {"NICKNAME", QStringLiteral("اسم الشهرة")},
        {"CATEGORIES", QStringLiteral("الفئات")},
        {"GENDER", QStringLiteral("الجنس")},
        {"LANG", QStringLiteral("اللغة")},
        {"GEO", QStringLiteral("الموقع الجغرافي")},
        {"TZ", QStringLiteral("المنطقة الزمنية")},
        {"IMPP", QStringLiteral("المراسلة الفورية")},
        {"LABEL", QStringLiteral("العنوان البريدي")},
        {"RELATED", QStringLiteral("صلة")},
    };
    return table;
}

QString phoneLabel(const QString &column)
{
    if (column == Columns::home)
        return QStringLiteral("هاتف المنزل");
    if (column == Columns::mobile)
        return QStringLiteral("هاتف الجوال");
    if (column == Columns::office)
        return QStringLiteral("هاتف المكتب");
    if (column == Columns::fax)
        return QStringLiteral("فاكس");
    return QStringLiteral("هاتف");
}

// The column a number of these types belongs to; empty for none (a pager), "*" for any free.
QString phoneColumn(const QSet<QByteArray> &types)
{
    if (types.contains("FAX"))
        return Columns::fax;
    if (types.contains("PAGER"))
        return {};
    if (types.contains("CELL") || types.contains("MOBILE"))
        return Columns::mobile;
    if (types.contains("HOME"))
        return Columns::home;
    if (types.contains("WORK"))
        return Columns::office;
    return QStringLiteral("*");
}

QStringList words(const QString &text)
{
    static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
    return text.toCaseFolded().split(separators, Qt::SkipEmptyParts);
}

QString joinedNonEmpty(const QStringList &parts)
{
    QStringList kept;
    for (const QString &part : parts)
        if (!part.isEmpty())
            kept.append(part);
    return kept.join(QStringLiteral(", "));
}

// Identifiers and what programs write for themselves: the card's maker, revision and sort
// keys, access class, Apple's and CouchDB's identities, Outlook's and Evolution's bookkeeping.
bool isBookkeeping(const QByteArray &name)
{
    static const QSet<QByteArray> names{
        "PRODID", "REV", "SORT-STRING", "PROFILE", "CLASS", "NAME", "SOURCE", "KIND", "CLIENTPIDMAP",
        "X-ABUID", "X-ABSHOWAS", "X-ABADR", "X-MOZILLA-HTML", "X-EVOLUTION-FILE-AS", "X-EVOLUTION-LIST",
        "X-EVOLUTION-LIST-SHOW-ADDRESSES", "X-MS-OL-DESIGN", "X-MS-OL-DEFAULT-POSTAL-ADDRESS"};
    return names.contains(name) || name.startsWith("X-COUCHDB-");
}

// PHOTO, LOGO, SOUND, KEY: 0 to 3; -1 for anything else.
int pictureKind(const QByteArray &name)
{
    return name == "PHOTO" ? 0 : name == "LOGO" ? 1 : name == "SOUND" ? 2 : name == "KEY" ? 3 : -1;
}

// A value of another program's with its control characters (but line feeds and tabs) left out.
QString withoutControls(QString text)
{
    text.removeIf([](QChar c) { return (c.unicode() < 0x20 && c != u'\n' && c != u'\t') || c.unicode() == 0x7f; });
    return text;
}

// A birthday or an anniversary in one form, ISO 8601's extended one ("1980-03-21",
// "--04-15" without a year, "2009-08-08T14:30-05:00" with a time), whatever the card wrote
// ("19800321", "--0415", Apple's 1604 for a year it leaves out); a text that is not a date
// stays as it was.
QString isoDate(const QString &value, const Property &property)
{
    static const QRegularExpression form(QStringLiteral(
        "^(\\d{4}|--)-?(\\d\\d)-?(\\d\\d)(?:T(\\d\\d):?(\\d\\d)(?::?(\\d\\d))?(Z|[+-]\\d\\d(?::?\\d\\d)?)?)?$"));
    const QRegularExpressionMatch m = form.match(value.trimmed());
    if (property.valueType == "TEXT" || !m.hasMatch())
        return value;
    const bool yearLeftOut = m.captured(1) == u"--" || (!property.omitYear.isEmpty() && m.captured(1).toLatin1() == property.omitYear);
    QString date = (yearLeftOut ? QStringLiteral("--") : m.captured(1) + u'-') + m.captured(2) + u'-' + m.captured(3);
    if (!m.captured(4).isEmpty()) {
        date += u'T' + m.captured(4) + u':' + m.captured(5);
        if (!m.captured(6).isEmpty())
            date += u':' + m.captured(6);
        QString zone = m.captured(7);
        if (zone.size() == 5) // +0500
            zone.insert(3, u':');
        else if (zone.size() == 3) // +05
            zone += QStringLiteral(":00");
        date += zone;
    }
    return date;
}

class Reader : public Exchange::RecordReader
{
public:
    explicit Reader(QIODevice *in) : m_in(in) {}

    bool next(Records::Values &record) override
    {
        record.clear();
        if (m_done)
            return false;
        QList<Property> card;
        qint64 begin = 0;
        QByteArray line;
        qint64 number = 0;
        while (readLogical(line, number)) {
            Property property;
            if (!parseLine(line, number, property))
                return fail(number, m_sawCard || begin ? QStringLiteral("سطر بلا نقطتين (:) تفصلان الاسم عن القيمة")
                                                       : notVCard());
            const bool vcard = property.value.trimmed().toUpper() == "VCARD";
            if (property.name == "BEGIN" && vcard) {
                if (begin)
                    return fail(begin, beginWithoutEnd());
                begin = number;
                m_sawCard = true;
            } else if (property.name == "END" && vcard) {
                if (!begin)
                    return fail(number, QStringLiteral("نهاية بطاقة لم تبدأ (END:VCARD بلا BEGIN:VCARD)"));
                return build(card, record);
            } else if (!begin) {
                return fail(number, m_sawCard ? QStringLiteral("سطر خارج البطاقات") : notVCard());
            } else {
                card.append(std::move(property));
            }
        }
        if (m_problem.isProblem())
            return false;
        if (begin)
            return fail(begin, beginWithoutEnd());
        m_done = true;
        if (!m_sawCard)
            m_problem = {0, QStringLiteral("الملف فارغ: لا بطاقات فيه")};
        return false;
    }

    Exchange::Problem problem() const override { return m_problem; }
    qint64 position() const override { return m_position; }

    QStringList notices() const override
    {
        QStringList notices;
        static const char *const words[4][4] = {
            {"صورة واحدة لم تستورد", "صورتان لم تستوردا", "صور لم تستورد", "صورة لم تستورد"},
            {"شعار واحد لم يستورد", "شعاران لم يستوردا", "شعارات لم تستورد", "شعاراً لم يستورد"},
            {"صوت واحد لم يستورد", "صوتان لم يستوردا", "أصوات لم تستورد", "صوتاً لم يستورد"},
            {"مفتاح تشفير واحد لم يستورد", "مفتاحا تشفير لم يستوردا", "مفاتيح تشفير لم تستورد",
             "مفتاح تشفير لم يستورد"},
        };
        for (int kind = 0; kind < 4; ++kind) {
            const Pictures &p = m_pictures[kind];
            if (p.count == 0)
                continue;
            QString notice = notImported(p.count, words[kind][0], words[kind][1], words[kind][2], words[kind][3]);
            // Among several cards, the ones they belong to.
            if (m_cards > 1) {
                QStringList cards = p.cards.mid(0, 5);
                if (p.cards.size() > 5)
                    cards << QStringLiteral("…");
                notice += QStringLiteral(" (%1 %2)").arg(p.cards.size() == 1 ? QStringLiteral("من بطاقة")
                                                                               : QStringLiteral("من بطاقات"),
                                                         cards.join(QStringLiteral("، ")));
            }
            notices << notice;
        }
        if (m_bookkeepingCount)
            notices << QStringLiteral("حقول يكتبها البرنامج لنفسه لم تستورد: %1 (%2)")
                           .arg(m_bookkeepingCount)
                           .arg(m_bookkeeping.join(QStringLiteral("، ")));
        if (m_cardsWithNotes)
            notices << QStringLiteral("بطاقات حفظ في ملاحظاتها ما لا عمود له: %1").arg(m_cardsWithNotes);
        for (const qint64 line : m_replaced)
            notices << lineMessage(line, QStringLiteral("حروف لا تقرأ بترميزها المعلن، وضعت مكانها العلامة �"));
        return notices;
    }

private:
    static QString notVCard() { return QStringLiteral("الملف ليس ملف بطاقات vCard"); }
    static QString beginWithoutEnd() { return QStringLiteral("بطاقة تبدأ ولا تنتهي (BEGIN:VCARD بلا END:VCARD)"); }

    bool fail(qint64 line, const QString &what)
    {
        m_problem = {line, lineMessage(line, what)};
        m_done = true;
        return false;
    }

    // The next physical line without its line end; false at the end of the input or when the
    // line is too long.
    bool readPhysical(QByteArray &line)
    {
        line.clear();
        char chunk[16 * 1024];
        for (;;) {
            const qint64 read = m_in->readLine(chunk, sizeof chunk);
            if (read <= 0)
                break;
            line.append(chunk, read);
            if (chunk[read - 1] == '\n')
                break;
            if (line.size() > Exchange::longestLine + 2) {
                fail(m_physical + 1, QStringLiteral("سطر أطول مما يقبل"));
                return false;
            }
        }
        if (line.isEmpty())
            return false;
        ++m_physical;
        m_position += line.size();
        if (m_physical == 1 && line.startsWith("\xEF\xBB\xBF"))
            line.remove(0, 3);
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        if (line.size() > Exchange::longestLine) {
            fail(m_physical, QStringLiteral("سطر أطول مما يقبل"));
            return false;
        }
        return true;
    }

    bool fetchPeek()
    {
        if (!m_hasPeek && readPhysical(m_peek)) {
            m_hasPeek = true;
            m_peekNumber = m_physical;
        }
        return m_hasPeek;
    }

    // The next logical line, unfolded, skipping blank ones; false at the end or on a problem.
    bool readLogical(QByteArray &line, qint64 &number)
    {
        do {
            if (!fetchPeek())
                return false;
            line = std::move(m_peek);
            m_hasPeek = false;
            number = m_peekNumber;
        } while (line.trimmed().isEmpty());
        const bool quotedPrintable = isQuotedPrintable(line);
        while (fetchPeek()) {
            if (m_peek.startsWith(' ') || m_peek.startsWith('\t'))
                line.append(m_peek.constData() + 1, m_peek.size() - 1);
            else if (quotedPrintable && line.endsWith('=')) {
                line.chop(1);
                line.append(m_peek);
            } else
                break;
            m_hasPeek = false;
            if (line.size() > Exchange::longestLine)
                return fail(number, QStringLiteral("سطر أطول مما يقبل"));
        }
        return !m_problem.isProblem();
    }

    // Half of a surrogate pair is no character, and no file can hold it: a charset such as
    // UTF-7 decodes to one when its text ends between the two. Each becomes U+FFFD.
    static bool replaceHalfPairs(QString &text)
    {
        bool replaced = false;
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
                ++i;
            else if (text.at(i).isSurrogate())
                text[i] = QChar::ReplacementCharacter, replaced = true;
        }
        return replaced;
    }

    // The property's text, with the charset and the transfer encoding undone but the vCard
    // escapes still in place.
    bool text(const Property &property, QString &text)
    {
        QByteArray bytes;
        const bool encoded = !property.encoding.isEmpty() && property.encoding != "8BIT" && property.encoding != "7BIT";
        if (property.encoding == "QUOTED-PRINTABLE") {
            if (!decodeQuotedPrintable(property.value, bytes))
                return fail(property.line, QStringLiteral("ترميز quoted-printable غير سليم"));
        } else if (property.encoding == "B" || property.encoding == "BASE64") {
            auto decoded = QByteArray::fromBase64Encoding(QByteArray(property.value).replace(' ', "").replace('\t', ""),
                                                          QByteArray::AbortOnBase64DecodingErrors);
            if (!decoded)
                return fail(property.line, QStringLiteral("ترميز base64 غير سليم"));
            bytes = *decoded;
        } else {
            bytes = property.value;
        }
        const bool utf8 = property.charset.isEmpty() || property.charset.toUpper() == "UTF-8";
        // Stateless: a sequence cut short at the value's end is an error, not left for more bytes.
        const auto flags = QStringDecoder::Flag::Stateless;
        QStringDecoder decoder = utf8 ? QStringDecoder(QStringDecoder::Utf8, flags)
                                      : QStringDecoder(property.charset.constData(), flags);
        if (!decoder.isValid())
            return fail(property.line,
                        QStringLiteral("ترميز الحروف «%1» غير معروف").arg(QString::fromLatin1(property.charset)));
        text = decoder.decode(bytes);
        if (property.encoding == "QUOTED-PRINTABLE") // line breaks written as =0D=0A
            text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        if (replaceHalfPairs(text) && !decoder.hasError()) {
            if (!m_replaced.contains(property.line) && m_replaced.size() < 20)
                m_replaced.append(property.line);
        } else if (decoder.hasError()) {
            if (!encoded)
                return fail(property.line, NotUtf8);
            if (!m_replaced.contains(property.line) && m_replaced.size() < 20)
                m_replaced.append(property.line);
        }
        return true;
    }

    // The value as the user reads it: unescaped, and percent codes undone where Dalil wrote them.
    bool plain(const Property &property, const QString &escapedText, bool legacy, QString &out)
    {
        const QString text = unescaped(escapedText, legacy);
        if (!property.percent) {
            out = text;
            return true;
        }
        if (!percentDecoded(text, out))
            return fail(property.line, QStringLiteral("رمز % غير سليم في قيمة مرمزة"));
        return true;
    }

    bool plainComponents(const Property &property, const QString &escapedText, bool legacy, QStringList &out)
    {
        out.clear();
        for (const QString &part : components(escapedText)) {
            QString value;
            if (!plain(property, part, legacy, value))
                return false;
            out.append(value);
        }
        return true;
    }

    // A number as it is stored: a 4.0 number written as a URI loses its "tel:" (not one
    // said to be text, VALUE=text).
    bool telNumber(const Property &property, bool legacy, QString &number)
    {
        QString escapedText;
        if (!text(property, escapedText) || !plain(property, escapedText, legacy, number))
            return false;
        if (property.valueType != "TEXT" && number.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive))
            number.remove(0, 4);
        return true;
    }

    bool build(const QList<Property> &card, Records::Values &record);

    QIODevice *m_in;
    Exchange::Problem m_problem;
    bool m_done = false;
    bool m_sawCard = false;
    qint64 m_position = 0;
    qint64 m_physical = 0;
    QByteArray m_peek;
    bool m_hasPeek = false;
    qint64 m_peekNumber = 0;
    // Pictures, logos, sounds and keys: how many, and the cards they belong to (the first few).
    struct Pictures
    {
        int count = 0;
        QStringList cards;
    };
    Pictures m_pictures[4];
    int m_cards = 0;
    int m_cardsWithNotes = 0;
    QStringList m_bookkeeping; // the names, the first few
    int m_bookkeepingCount = 0;
    QList<qint64> m_replaced;
};

bool Reader::build(const QList<Property> &card, Records::Values &record)
{
    bool legacy = false;
    for (const Property &property : card)
        if (property.name == "VERSION")
            legacy = property.value.trimmed() == "2.1";

    // Apple names a grouped property with a label in the same group (item2.X-ABLabel).
    QMap<QByteArray, QString> groupLabels;
    for (const Property &property : card) {
        if (property.name != "X-ABLABEL" || property.group.isEmpty())
            continue;
        QString escapedText, label;
        if (!text(property, escapedText) || !plain(property, escapedText, legacy, label))
            return false;
        if (label.startsWith(QLatin1String("_$!<")) && label.endsWith(QLatin1String(">!$_")))
            label = label.mid(4, label.size() - 8);
        groupLabels.insert(property.group, label);
    }
    QSet<QByteArray> labelsUsed;

    // Numbers to their columns: a typed number takes its type's column before any number
    // without a type, wherever each stands in the card; those then take what is left of
    // home, mobile and office, in the card's order. What finds no column goes to the notes.
    QHash<qsizetype, QString> numberColumns; // by the property's place in the card
    {
        QSet<QString> taken;
        QList<qsizetype> untyped;
        for (qsizetype i = 0; i < card.size(); ++i) {
            const Property &property = card.at(i);
            if (property.name != "TEL")
                continue;
            QString number;
            if (!telNumber(property, legacy, number))
                return false;
            const QString column = phoneColumn(property.types);
            if (number.isEmpty() || column.isEmpty())
                continue;
            if (column == QLatin1String("*")) {
                if (!groupLabels.contains(property.group)) // an Apple label says what it is: notes
                    untyped.append(i);
            } else if (!taken.contains(column)) {
                taken.insert(column);
                numberColumns.insert(i, column);
            }
        }
        for (const qsizetype i : untyped) {
            for (const QString &free : {Columns::home, Columns::mobile, Columns::office}) {
                if (!taken.contains(free)) {
                    taken.insert(free);
                    numberColumns.insert(i, free);
                    break;
                }
            }
        }
    }

    QString name;
    bool haveName = false;
    QStringList nameParts;
    QStringList notes;
    QStringList extra;
    const auto keep = [&](QString label, const Property &property, const QString &value) {
        if (const auto found = groupLabels.constFind(property.group); found != groupLabels.cend()) {
            label += QStringLiteral(" (%1)").arg(*found);
            labelsUsed.insert(property.group);
        }
        extra.append(QStringLiteral("%1: %2").arg(label, withoutControls(value)));
    };
    const auto put = [&record](const QString &column, const QString &value) {
        if (record.value(column).toString().isEmpty()) {
            record.insert(column, value);
            return true;
        }
        return false;
    };

    bool hasPicture[4] = {};
    for (qsizetype index = 0; index < card.size(); ++index) {
        const Property &property = card.at(index);
        const QByteArray &key = property.name;
        if (key == "VERSION" || (key == "X-ABLABEL" && !property.group.isEmpty()))
            continue;
        // Identifiers and what programs keep for themselves are no one's notes.
        if (isBookkeeping(key)) {
            if (m_bookkeeping.size() < 8 && !m_bookkeeping.contains(property.nameAsWritten.toUpper()))
                m_bookkeeping.append(property.nameAsWritten.toUpper());
            ++m_bookkeepingCount;
            continue;
        }
        if (const int kind = pictureKind(key); kind >= 0) {
            ++m_pictures[kind].count;
            hasPicture[kind] = true;
            continue;
        }
        QString escapedText;
        if (!text(property, escapedText))
            return false;
        QString value;
        QStringList parts;
        const bool structured = key == "N" || key == "ADR" || key == "ORG";
        if (structured ? !plainComponents(property, escapedText, legacy, parts)
                       : !plain(property, escapedText, legacy, value))
            return false;
        if (structured && key != "N")
            value = joinedNonEmpty(parts);
        if (key == "N") {
            if (nameParts.isEmpty())
                nameParts = parts;
            else
                keep(Columns::name, property, joinedNonEmpty(parts));
            continue;
        }
        if (value.isEmpty())
            continue;
        if (key == "FN") {
            if (!haveName) {
                name = value;
                haveName = true;
                continue;
            }
        } else if (key == "TEL") {
            telNumber(property, legacy, value);
            if (value.isEmpty())
                continue;
            if (const auto column = numberColumns.constFind(index); column != numberColumns.cend())
                put(*column, value);
            else
                keep(property.types.contains("PAGER") ? QStringLiteral("هاتف النداء")
                                                      : phoneLabel(phoneColumn(property.types)),
                     property, value);
            continue;
        } else if (key == "BDAY" || key == "ANNIVERSARY") {
            value = isoDate(value, property);
        } else if (key == "EMAIL") {
            if (put(Columns::email, value))
                continue;
        } else if (key == "ADR") {
            if (put(Columns::address, value))
                continue;
            keep(property.types.contains("HOME")   ? QStringLiteral("عنوان المنزل")
                 : property.types.contains("WORK") ? QStringLiteral("عنوان العمل")
                                                   : QStringLiteral("العنوان"),
                 property, value);
            continue;
        } else if (key == "NOTE") {
            notes.append(value);
            continue;
        } else if (key == "UID") {
            if (!record.contains(Exchange::uidField))
                record.insert(Exchange::uidField, value);
            continue;
        }
        keep(labels().value(key, property.nameAsWritten), property, value);
    }

    static const char *const partNames[] = {"العائلة", "الأول", "الأوسط", "اللقب", "اللاحقة"};
    if (!haveName) {
        QStringList inReadingOrder;
        for (const int i : {3, 1, 2, 0, 4})
            if (i < nameParts.size() && !nameParts.at(i).isEmpty())
                inReadingOrder.append(nameParts.at(i));
        name = inReadingOrder.join(u' ');
    } else {
        const QStringList inName = words(name);
        bool addsWord = false;
        for (const QString &part : nameParts)
            for (const QString &word : words(part))
                addsWord = addsWord || !inName.contains(word);
        if (addsWord) {
            QStringList labelled;
            for (qsizetype i = 0; i < nameParts.size() && i < 5; ++i)
                if (!nameParts.at(i).isEmpty())
                    labelled.append(QString::fromUtf8(partNames[i]) + u' ' + nameParts.at(i));
            extra.prepend(QStringLiteral("الإسم بأجزائه: ") + labelled.join(QStringLiteral("، ")));
        }
    }
    for (auto label = groupLabels.cbegin(); label != groupLabels.cend(); ++label)
        if (!labelsUsed.contains(label.key()))
            extra.append(QStringLiteral("X-ABLabel: ") + label.value());

    if (!name.isEmpty())
        record.insert(Columns::name, name);
    ++m_cards;
    for (int kind = 0; kind < 4; ++kind) {
        if (hasPicture[kind] && m_pictures[kind].cards.size() <= 5)
            m_pictures[kind].cards.append(name.isEmpty() ? QStringLiteral("البطاقة %1").arg(m_cards) : name);
    }
    if (!extra.isEmpty())
        ++m_cardsWithNotes;
    const QString allNotes = (notes + extra).join(u'\n');
    if (!allNotes.isEmpty())
        record.insert(Columns::notes, allNotes);
    return true;
}

} // namespace

std::unique_ptr<Exchange::RecordReader> reader(QIODevice *in)
{
    return std::make_unique<Reader>(in);
}

} // namespace dalil::VCard
