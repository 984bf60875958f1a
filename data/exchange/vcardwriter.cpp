#include "vcard.h"

#include <QFileDevice>
#include <QIODevice>

#include <algorithm>

namespace dalil::VCard {

namespace Columns = Exchange::PhoneColumns;

namespace {

// What a text value may not hold: the C0 controls but line feed and tab, and DEL.
bool cannotCarry(QChar c)
{
    const char16_t u = c.unicode();
    return (u < 0x20 && u != u'\n' && u != u'\t') || u == 0x7f;
}

QString percentEncoded(const QString &text)
{
    QString out;
    out.reserve(text.size() + 16);
    for (const QChar c : text) {
        if (c == u'%' || cannotCarry(c))
            out += QString::asprintf("%%%02X", unsigned(c.unicode()));
        else
            out += c;
    }
    return out;
}

class Writer : public Exchange::RecordWriter
{
public:
    Writer(QIODevice *out, Version version) : m_out(out), m_v4(version == Version::V4) {}

    bool write(const Records::Values &record) override
    {
        if (m_failed)
            return false;
        const auto text = [&record](const QString &column) { return record.value(column).toString(); };
        QByteArray card = m_v4 ? "BEGIN:VCARD\r\nVERSION:4.0\r\n" : "BEGIN:VCARD\r\nVERSION:3.0\r\n";
        // Every card has its UID, without which an address book or a server refuses it.
        const QString uid = text(Exchange::uidField);
        property(card, "UID", uid.isEmpty() ? m_digests.next(record) : uid);
        const QString name = text(Columns::name);
        property(card, "FN", name, true);
        property(card, "N", name, true, {}, QStringLiteral(";;;;"));
        number(card, m_v4 ? "TEL;TYPE=home" : "TEL;TYPE=HOME", text(Columns::home));
        number(card, m_v4 ? "TEL;TYPE=cell" : "TEL;TYPE=CELL", text(Columns::mobile));
        number(card, m_v4 ? "TEL;TYPE=work" : "TEL;TYPE=WORK", text(Columns::office));
        number(card, m_v4 ? "TEL;TYPE=fax" : "TEL;TYPE=FAX", text(Columns::fax));
        property(card, m_v4 ? "EMAIL" : "EMAIL;TYPE=INTERNET", text(Columns::email));
        property(card, "ADR", text(Columns::address), false, QStringLiteral(";;"), QStringLiteral(";;;;"));
        property(card, "NOTE", text(Columns::notes));
        card.append("END:VCARD\r\n");
        m_failed = m_out->write(card) != card.size();
        return !m_failed;
    }

    bool finish() override
    {
        if (auto *file = qobject_cast<QFileDevice *>(m_out); file && !m_failed)
            m_failed = !file->flush();
        return !m_failed;
    }

private:
    // A number that itself starts with "tel:" is said to be text, or a reader would take the
    // "tel:" for a URI's scheme and drop it.
    static void number(QByteArray &card, const QByteArray &head, const QString &value)
    {
        const bool looksLikeUri = value.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive);
        property(card, looksLikeUri ? head + ";VALUE=text" : head, value);
    }

    static void property(QByteArray &card, const QByteArray &head, const QString &value, bool evenEmpty = false,
                         const QString &before = {}, const QString &after = {})
    {
        if (value.isEmpty() && !evenEmpty)
            return;
        const bool percent = std::any_of(value.begin(), value.end(), cannotCarry);
        QByteArray line = head;
        if (percent)
            line += ";X-DALIL-ENCODING=PERCENT";
        line += ':';
        line += (before + escapedText(percent ? percentEncoded(value) : value) + after).toUtf8();
        appendFolded(card, line);
    }

    QIODevice *m_out;
    bool m_v4;
    bool m_failed = false;
    Exchange::DigestUids m_digests;
};

} // namespace

QString escapedText(const QString &text)
{
    QString out;
    out.reserve(text.size() + 16);
    for (const QChar c : text) {
        switch (c.unicode()) {
        case u'\\': out += QLatin1String("\\\\"); break;
        case u',': out += QLatin1String("\\,"); break;
        case u';': out += QLatin1String("\\;"); break;
        case u'\n': out += QLatin1String("\\n"); break;
        default: out += c;
        }
    }
    return out;
}

std::unique_ptr<Exchange::RecordWriter> writer(QIODevice *out, Version version)
{
    return std::make_unique<Writer>(out, version);
}

void appendFolded(QByteArray &card, const QByteArray &line)
{
    qsizetype start = 0;
    qsizetype room = 75;
    while (line.size() - start > room) {
        qsizetype end = start + room;
        while (end > start + 1 && (uchar(line.at(end)) & 0xC0) == 0x80)
            --end;
        card.append(line.constData() + start, end - start);
        card.append("\r\n ");
        start = end;
        room = 74;
    }
    card.append(line.constData() + start, line.size() - start);
    card.append("\r\n");
}

} // namespace dalil::VCard
