#include "csv.h"

#include "data/text/amountwords.h"
#include "data/text/chequeamount.h"
#include "data/text/chequedraft.h"

#include <QIODevice>
#include <QStringDecoder>

namespace dalil::Csv {

using Exchange::ChequeColumns::day;
using Exchange::ChequeColumns::dinars;
using Exchange::ChequeColumns::fils;
using Exchange::ChequeColumns::month;
using Exchange::ChequeColumns::words;
using Exchange::ChequeColumns::year;
using Exchange::Problem;

namespace {

bool startsFormula(const QString &text)
{
    if (text.isEmpty())
        return false;
    const QChar first = text.front();
    return first == u'=' || first == u'+' || first == u'-' || first == u'@' || first == u'\t' || first == u'\r'
        || first == u'\'';
}

QString lineText(qint64 line)
{
    return QStringLiteral("السطر %1: ").arg(line);
}

// How much of a file is looked at to tell its encoding.
constexpr qint64 sniffed = 1024 * 1024;

// The encoding of a file that starts with these bytes: UTF-8 unless they are not, and read
// as Windows-1256 most of their letters beyond ASCII are Arabic. A file mostly in UTF-8 with
// a few bytes that are not (a line pasted from elsewhere) stays UTF-8, and is refused there.
Encoding detected(const QByteArray &head)
{
    // Stateful: a character cut at the end of what was looked at is no error. The decoder
    // reads only when its result is taken as a text.
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8.decode(head);
    if (!utf8.hasError())
        return Encoding::Utf8;
    qsizetype sequences = 0; // whole UTF-8 characters beyond ASCII
    qsizetype strays = 0;    // bytes beyond ASCII that are not part of one
    for (qsizetype i = 0; i < head.size();) {
        const uchar lead = uchar(head.at(i));
        const int more = lead < 0x80 ? 0 : lead >= 0xC2 && lead <= 0xDF ? 1 : lead >= 0xE0 && lead <= 0xEF ? 2
                       : lead >= 0xF0 && lead <= 0xF4 ? 3 : -1;
        bool whole = more > 0 && i + more < head.size();
        for (int k = 1; whole && k <= more; ++k)
            whole = (uchar(head.at(i + k)) & 0xC0) == 0x80;
        if (more == 0) {
            ++i;
        } else if (whole) {
            ++sequences;
            i += more + 1;
        } else {
            ++strays;
            ++i;
        }
    }
    if (sequences * 4 > strays)
        return Encoding::Utf8;
    QStringDecoder arabic("windows-1256");
    const QString text = arabic.decode(head);
    qsizetype letters = 0;
    qsizetype arabicLetters = 0;
    for (const QChar c : text) {
        if (c.unicode() < 0x80 || !c.isLetter())
            continue;
        ++letters;
        if (c.script() == QChar::Script_Arabic)
            ++arabicLetters;
    }
    return arabicLetters > 0 && arabicLetters * 4 >= letters * 3 ? Encoding::Windows1256 : Encoding::Utf8;
}

QStringDecoder decoderFor(Encoding encoding)
{
    return encoding == Encoding::Windows1256 ? QStringDecoder("windows-1256") : QStringDecoder(QStringDecoder::Utf8);
}

class Reader final : public Exchange::RecordReader
{
public:
    Reader(QIODevice *in, Encoding encoding) : m_in(in), m_encoding(encoding) {}

    bool next(Records::Values &record) override
    {
        if (m_problem.isProblem())
            return false;
        if (!m_headed && !readHeadings())
            return false;
        QStringList fields;
        for (;;) {
            const qint64 line = m_line + 1;
            if (!readRecord(fields))
                return false;
            if (fields.size() == 1 && fields.front().isEmpty())
                continue; // a blank line
            return makeRecord(line, fields, record);
        }
    }
    Problem problem() const override { return m_problem; }
    qint64 position() const override { return m_in->pos(); }
    QStringList notices() const override { return m_notices; }
    QString encoding() const override { return encodingName(m_encoding); }
    QString question() const override { return m_question; }

private:
    bool fail(qint64 line, const QString &message)
    {
        m_problem = {line, lineText(line) + message};
        return false;
    }

    // One physical line, decoded; false at the end or on a problem.
    bool readLine(QString &text)
    {
        if (m_in->atEnd())
            return false;
        // In pieces: asked for the longest line at once, the device makes room for all of it
        // at every line.
        QByteArray &bytes = m_bytes;
        bytes.clear();
        char piece[16 * 1024];
        for (;;) {
            const qint64 got = m_in->readLine(piece, sizeof piece);
            if (got <= 0)
                break;
            bytes.append(piece, got);
            if (bytes.endsWith('\n') || bytes.size() > Exchange::longestLine + 2)
                break;
        }
        ++m_line;
        if (bytes.size() > Exchange::longestLine && !bytes.endsWith('\n'))
            return fail(m_line, QStringLiteral("السطر أطول من أن يُقرأ، والملف ليس ملف CSV سليماً."));
        if (m_line == 1 && (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")))
            return fail(m_line, QStringLiteral("الملف بترميز UTF-16. احفظه من برنامج الجداول بصيغة \"CSV UTF-8\" "
                                               "ثم استورده."));
        text = m_decoder.decode(bytes);
        if (m_decoder.hasError())
            return fail(m_line, QStringLiteral("الملف ليس بترميز UTF-8. احفظه من برنامج الجداول بصيغة "
                                               "\"CSV UTF-8\" ثم استورده."));
        if (m_line == 1 && text.startsWith(QChar(0xFEFF)))
            text.remove(0, 1);
        return true;
    }

    // One record, which a quoted field may carry over several lines.
    bool readRecord(QStringList &fields)
    {
        fields.clear();
        const qint64 first = m_line + 1;
        QString text;
        if (!readLine(text))
            return false;
        QString field;
        bool quoted = false;
        bool wasQuoted = false;
        qint64 length = 0;
        for (;;) {
            length += text.size();
            if (length > Exchange::longestLine)
                return fail(first, QStringLiteral("السجل أطول من أن يُقرأ."));
            for (qsizetype i = 0; i < text.size(); ++i) {
                const QChar c = text.at(i);
                if (quoted) {
                    if (c == u'"') {
                        if (i + 1 < text.size() && text.at(i + 1) == u'"') {
                            field += u'"';
                            ++i;
                        } else {
                            quoted = false;
                        }
                    } else {
                        field += c;
                    }
                    continue;
                }
                if (c == m_separator) {
                    fields << field;
                    field.clear();
                    wasQuoted = false;
                } else if (c == u'"' && field.isEmpty() && !wasQuoted) {
                    quoted = wasQuoted = true;
                } else if (c == u'\n' || (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')) {
                    break; // the line's end
                } else if (c == u'"') {
                    return fail(m_line, QStringLiteral("علامة تنصيص في غير موضعها."));
                } else if (wasQuoted) {
                    return fail(m_line, QStringLiteral("نص بعد علامة التنصيص الخاتمة."));
                } else {
                    field += c;
                }
            }
            if (!quoted)
                break;
            if (!readLine(text))
                return m_problem.isProblem() ? false
                                             : fail(first, QStringLiteral("علامة تنصيص لا تُغلق حتى آخر الملف."));
        }
        fields << field;
        return true;
    }

    bool readHeadings()
    {
        m_headed = true;
        if (m_encoding == Encoding::Detect)
            m_encoding = detected(m_in->peek(sniffed));
        m_decoder = decoderFor(m_encoding);
        QString first;
        if (!readLine(first)) {
            if (!m_problem.isProblem())
                fail(1, QStringLiteral("الملف فارغ."));
            return false;
        }
        // Spreadsheets in some countries separate with a semicolon or a tab.
        if (!first.contains(u',')) {
            if (first.contains(u';'))
                m_separator = u';';
            else if (first.contains(u'\t'))
                m_separator = u'\t';
        }
        m_in->seek(0);
        m_line = 0;
        m_decoder.resetState();
        QStringList headings;
        if (!readRecord(headings))
            return false;
        const QStringList known = Exchange::columns(QStringLiteral("Cheque"));
        for (int i = 0; i < headings.size(); ++i) {
            const QString heading = headings.at(i).trimmed();
            if (known.contains(heading) && !m_columns.values().contains(heading))
                m_columns.insert(i, heading);
            else if (!heading.isEmpty())
                m_notices << QStringLiteral("العمود \"%1\" ليس من أعمدة دفتر الشيكات ولم يُستورد.").arg(heading);
        }
        if (m_columns.isEmpty())
            return fail(1, QStringLiteral("لا يحمل السطر الأول عناوين أعمدة دفتر الشيكات (اليوم، الشهر، العام، "
                                          "السيد، دينار، فلس، المبلغ، السبب)."));
        return true;
    }

    bool makeRecord(qint64 line, const QStringList &fields, Records::Values &record)
    {
        record.clear();
        m_question.clear();
        for (auto it = m_columns.cbegin(); it != m_columns.cend(); ++it) {
            QString text = it.key() < fields.size() ? fields.at(it.key()) : QString();
            if (it.value() == day || it.value() == month || it.value() == year)
                text = toLatinDigits(text);
            if (it.value() == dinars || it.value() == fils) {
                const QString digits = toLatinDigits(text.trimmed());
                if (digits.isEmpty())
                    continue;
                const ChequeAmount::Fault fault = ChequeAmount::faultOf(digits);
                if (fault == ChequeAmount::Fault::NotWhole)
                    return fail(line, ChequeAmount::message(fault) + QStringLiteral(" (\"%1\").").arg(text.left(40)));
                if (fault != ChequeAmount::Fault::None)
                    return fail(line, ChequeAmount::message(fault));
                record.insert(it.value(), digits.toLongLong());
                continue;
            }
            // One apostrophe in front marks a text a spreadsheet would otherwise run.
            if (text.size() > 1 && text.front() == u'\'' && startsFormula(text.mid(1)))
                text.remove(0, 1);
            if (!text.isEmpty())
                record.insert(it.value(), text);
        }
        if (!record.contains(dinars) && !record.contains(fils))
            return fail(line, QStringLiteral("الرجاء إدخال قيمة المبلغ"));
        const qint64 dinarsGiven = record.value(dinars).toLongLong();
        const qint64 filsGiven = record.value(fils).toLongLong();
        if (!record.contains(words))
            record.insert(words, amountInWords(dinarsGiven, filsGiven));
        if (record.value(words).toString().isEmpty())
            record.remove(words);
        else if (ChequeDraft::wordsContradictFigures(record.value(words).toString(), dinarsGiven, filsGiven))
            m_question = ChequeDraft::mismatch();
        return true;
    }

    QIODevice *m_in;
    Encoding m_encoding;
    QStringDecoder m_decoder{QStringDecoder::Utf8};
    QByteArray m_bytes; // the line being read, its room kept from line to line
    QString m_question; // of the record given last
    qint64 m_line = 0;
    bool m_headed = false;
    QChar m_separator = u',';
    QMap<int, QString> m_columns; // field position → column
    QStringList m_notices;
    Problem m_problem;
};

class Writer final : public Exchange::RecordWriter
{
public:
    Writer(QIODevice *out, WriterOptions options) : m_out(out), m_options(options) {}

    bool write(const Records::Values &record) override
    {
        if (!m_started) {
            m_started = true;
            if (m_options.byteOrderMark && !put(QByteArrayLiteral("\xEF\xBB\xBF")))
                return false;
            QStringList headings;
            for (const QString &column : m_columns)
                headings << field(column, false);
            if (!put(headings.join(u',').toUtf8() + "\r\n"))
                return false;
        }
        QStringList fields;
        for (const QString &column : m_columns) {
            const QVariant value = record.value(column);
            const bool number = value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int;
            fields << field(value.toString(), !number);
        }
        return put(fields.join(u',').toUtf8() + "\r\n");
    }

    bool finish() override
    {
        if (!m_started && !write({}))
            return false;
        return m_ok;
    }

private:
    static QString field(QString text, bool guard)
    {
        if (guard && startsFormula(text))
            text.prepend(u'\'');
        const bool quote = text.contains(u',') || text.contains(u'"') || text.contains(u'\n') || text.contains(u'\r')
            || (!text.isEmpty() && (text.front().isSpace() || text.back().isSpace()));
        if (!quote)
            return text;
        text.replace(u'"', QStringLiteral("\"\""));
        return u'"' + text + u'"';
    }

    bool put(const QByteArray &bytes)
    {
        m_ok = m_ok && m_out->write(bytes) == bytes.size();
        return m_ok;
    }

    QIODevice *m_out;
    WriterOptions m_options;
    const QStringList m_columns = Exchange::columns(QStringLiteral("Cheque"));
    bool m_started = false;
    bool m_ok = true;
};

} // namespace

std::unique_ptr<Exchange::RecordReader> reader(QIODevice *in, Encoding encoding)
{
    return std::make_unique<Reader>(in, encoding);
}

QString encodingName(Encoding encoding)
{
    return encoding == Encoding::Windows1256 ? QStringLiteral("Windows-1256") : QStringLiteral("UTF-8");
}

std::unique_ptr<Exchange::RecordWriter> writer(QIODevice *out, WriterOptions options)
{
    return std::make_unique<Writer>(out, options);
}

} // namespace dalil::Csv
