#include "rtfreader.h"

#include <QColor>
#include <QHash>
#include <QList>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <map>
#include <memory>
#include <string_view>
#include <vector>

namespace dalil {
namespace {

// Deeper groups share the state of the deepest one, so hostile nesting costs no memory.
constexpr int MaxGroupDepth = 1000;
// Parameters are clamped while their digits are read: no overflow, whatever the input.
constexpr qint64 MaxParameter = 1'000'000'000;
constexpr std::size_t MaxWordLength = 32;
constexpr int MaxFontNameLength = 256;
// Qt hashes every font family list alike, so each distinct family makes inserting text
// slower; real documents use a few dozen fonts at most.
constexpr int MaxFonts = 256;
constexpr int MaxUnicodeSkip = 16;
constexpr int DefaultFontSize = 24; // half-points, as RTF counts them
constexpr int DefaultCodePage = 1252;

enum class Destination { Text, FontTable, ColorTable, Skip };
enum class Align { Unset, Left, Right, Center, Justify };

// Everything a group saves and restores: character and paragraph properties alike.
struct GroupState
{
    Destination destination = Destination::Text;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool hidden = false;
    int fontSize = DefaultFontSize;
    int font = -1; // the document's default font (\deff)
    int color = 0; // colour table index; 0 is the automatic colour
    int unicodeSkip = 1;
    Align align = Align::Unset;
    bool rightToLeft = false;
};

enum class Action {
    Destination, Par, Char, Pard, Plain, Flag, UnderlineNone,
    FontSize, Font, FontCharset, Color, ColorComponent, Alignment, RightToLeft,
    Unicode, UnicodeSkip, Bin, CodePage, AnsiCodePage, DefaultFont,
};

// The on/off character properties, indexed by the value of an Action::Flag keyword.
constexpr bool GroupState::*Flags[] = {&GroupState::bold, &GroupState::italic,
                                       &GroupState::underline, &GroupState::strikeOut,
                                       &GroupState::hidden};

struct Keyword
{
    std::string_view name;
    Action action;
    int value = 0;
};

const std::vector<Keyword> &keywords()
{
    static const std::vector<Keyword> table = [] {
        std::vector<Keyword> k = {
            {"fonttbl", Action::Destination, int(Destination::FontTable)},
            {"colortbl", Action::Destination, int(Destination::ColorTable)},
            {"par", Action::Par}, {"sect", Action::Par}, {"page", Action::Par}, {"row", Action::Par},
            {"line", Action::Char, QChar::LineSeparator}, {"tab", Action::Char, '\t'},
            {"cell", Action::Char, '\t'}, {"nestcell", Action::Char, '\t'},
            {"emdash", Action::Char, 0x2014}, {"endash", Action::Char, 0x2013},
            {"bullet", Action::Char, 0x2022}, {"lquote", Action::Char, 0x2018},
            {"rquote", Action::Char, 0x2019}, {"ldblquote", Action::Char, 0x201C},
            {"rdblquote", Action::Char, 0x201D}, {"emspace", Action::Char, 0x2003},
            {"enspace", Action::Char, 0x2002}, {"qmspace", Action::Char, 0x2005},
            {"zwj", Action::Char, 0x200D}, {"zwnj", Action::Char, 0x200C},
            {"ltrmark", Action::Char, 0x200E}, {"rtlmark", Action::Char, 0x200F},
            {"pard", Action::Pard}, {"plain", Action::Plain},
            {"b", Action::Flag, 0}, {"i", Action::Flag, 1}, {"ul", Action::Flag, 2},
            {"strike", Action::Flag, 3}, {"v", Action::Flag, 4}, {"ulnone", Action::UnderlineNone},
            {"fs", Action::FontSize}, {"f", Action::Font}, {"fcharset", Action::FontCharset},
            {"cf", Action::Color}, {"red", Action::ColorComponent, 0},
            {"green", Action::ColorComponent, 1}, {"blue", Action::ColorComponent, 2},
            {"ql", Action::Alignment, int(Align::Left)}, {"qr", Action::Alignment, int(Align::Right)},
            {"qc", Action::Alignment, int(Align::Center)}, {"qj", Action::Alignment, int(Align::Justify)},
            {"rtlpar", Action::RightToLeft, 1}, {"ltrpar", Action::RightToLeft, 0},
            {"u", Action::Unicode}, {"uc", Action::UnicodeSkip}, {"bin", Action::Bin},
            {"ansi", Action::CodePage, 1252}, {"mac", Action::CodePage, 10000},
            {"pc", Action::CodePage, 437}, {"pca", Action::CodePage, 850},
            {"ansicpg", Action::AnsiCodePage}, {"deff", Action::DefaultFont},
        };
        // Destinations whose contents are not text to show.
        for (std::string_view name :
             {"annotation", "atnauthor", "atndate", "atnid", "atnref", "author", "background",
              "bkmkend", "bkmkstart", "buptim", "category", "colorschememapping", "comment",
              "company", "creatim", "datafield", "datastore", "defchp", "defpap", "do", "doccomm",
              "docvar", "falt", "fchars", "ffname", "filetbl", "fldinst", "fontemb", "fontfile",
              "footer", "footerf", "footerl", "footerr", "footnote", "formfield", "ftncn", "ftnsep",
              "ftnsepc", "generator", "header", "headerf", "headerl", "headerr", "info", "keywords",
              "latentstyles", "lchars", "listoverridetable", "listtable", "manager", "nonshppict",
              "objdata", "object", "operator", "panose", "pgdsctbl", "pict", "pn", "printim",
              "private", "protusertbl", "revtbl", "revtim", "rsidtbl", "shp", "shpinst", "stylesheet",
              "subject", "tc", "template", "themedata", "title", "txe", "userprops", "xe",
              "xmlnstbl"})
            k.push_back({name, Action::Destination, int(Destination::Skip)});
        std::sort(k.begin(), k.end(), [](const Keyword &a, const Keyword &b) { return a.name < b.name; });
        return k;
    }();
    return table;
}

const Keyword *findKeyword(std::string_view word)
{
    const auto &table = keywords();
    auto it = std::lower_bound(table.begin(), table.end(), word,
                               [](const Keyword &k, std::string_view w) { return k.name < w; });
    return it != table.end() && it->name == word ? &*it : nullptr;
}

// Only code pages we can name are accepted; anything else falls back to Western.
const char *codePageName(int codePage)
{
    static const std::pair<int, const char *> names[] = {
        {437, "IBM437"}, {850, "IBM850"}, {874, "windows-874"}, {932, "Shift_JIS"}, {936, "GBK"},
        {949, "windows-949"}, {950, "Big5"}, {1250, "windows-1250"}, {1251, "windows-1251"},
        {1252, "windows-1252"}, {1253, "windows-1253"}, {1254, "windows-1254"},
        {1255, "windows-1255"}, {1256, "windows-1256"}, {1257, "windows-1257"},
        {1258, "windows-1258"}, {10000, "macintosh"}, {65001, "UTF-8"}};
    for (const auto &[number, name] : names) {
        if (number == codePage)
            return name;
    }
    return nullptr;
}

// The code page a font's \fcharset stands for; 0 when the document's own applies.
int codePageForCharset(int charset)
{
    static const std::pair<int, int> pages[] = {
        {0, 1252}, {77, 10000}, {128, 932}, {129, 949}, {134, 936}, {136, 950}, {161, 1253},
        {162, 1254}, {163, 1258}, {177, 1255}, {178, 1256}, {179, 1256}, {180, 1256},
        {181, 1256}, {186, 1257}, {204, 1251}, {222, 874}, {238, 1250}, {255, 437}};
    for (const auto &[set, page] : pages) {
        if (set == charset)
            return page;
    }
    return 0;
}

bool isLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

int hexValue(char c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

class Reader
{
public:
    Reader(const QByteArray &data, QTextDocument *document)
        : m_p(data.constData()), m_end(data.constData() + data.size()), m_cursor(document)
    {
        m_stack.emplace_back();
    }

    void run();

private:
    struct Font
    {
        QString name;
        int charset = -1;
    };

    GroupState &state() { return m_stack.back(); }
    void pushGroup();
    void popGroup();
    void controlWord();
    void controlSymbol(char symbol);
    void handleWord(std::string_view word, bool hasParam, int param);
    void hexByte();
    void textByte(char c);
    void literalByte(char c);
    void appendChar(char32_t code);
    void appendString(const QString &text);
    void flushBytes();
    void flushRun();
    void paragraphBreak();
    void finishFont();
    void setCharProperty(bool GroupState::*property, bool hasParam, int param);
    void skipBinary(int count) { m_p += std::clamp<qint64>(count, 0, m_end - m_p); }
    int byteCodePage() const;
    QStringDecoder &decoder(int codePage);
    QTextCharFormat charFormat() const;
    QTextBlockFormat blockFormat() const;

    const char *m_p;
    const char *m_end;
    std::vector<GroupState> m_stack;
    qint64 m_overflowDepth = 0;
    int m_skip = 0; // fallback characters after \uN still to drop

    int m_codePage = DefaultCodePage;
    int m_defaultFont = 0;
    QHash<int, Font> m_fonts;
    int m_fontBeingDefined = -1;
    QString m_fontName;
    QList<QColor> m_colors;
    int m_rgb[3] = {};
    bool m_colorGiven = false;

    QByteArray m_bytes; // text bytes not yet decoded, kept together for multi-byte code pages
    QString m_run;      // decoded text waiting to be inserted with m_runFormat
    QTextCharFormat m_runFormat;
    bool m_formatDirty = true;
    QTextCursor m_cursor;
    std::map<int, std::unique_ptr<QStringDecoder>> m_decoders;
};

void Reader::run()
{
    while (m_p < m_end) {
        const char c = *m_p++;
        switch (c) {
        case '{':
        case '}':
            flushBytes();
            m_skip = 0; // the fallback of \uN never reaches past a group boundary
            if (c == '{')
                pushGroup();
            else
                popGroup();
            break;
        case '\\': controlWord(); break;
        case '\r':
        case '\n':
        case '\0':
            break;
        case '\t':
            handleWord("tab", false, 0); // a raw tab, as some writers leave them
            break;
        default:
            textByte(c);
        }
    }
    flushBytes();
    flushRun();
    if (m_stack.size() > 1) // truncated: the document group never closed
        m_cursor.setBlockFormat(blockFormat());
    // The closing \par of the last paragraph does not open one more.
    if (m_cursor.block().length() == 1 && m_cursor.blockNumber() > 0)
        m_cursor.deletePreviousChar();
}

void Reader::pushGroup()
{
    if (int(m_stack.size()) >= MaxGroupDepth)
        ++m_overflowDepth;
    else
        m_stack.push_back(m_stack.back());
}

void Reader::popGroup()
{
    if (m_overflowDepth > 0) {
        --m_overflowDepth;
        return;
    }
    if (m_stack.size() <= 1) // an extra closing brace
        return;
    if (m_stack.size() == 2) {
        // The document group ends: its last paragraph keeps the properties set inside it.
        flushRun();
        m_cursor.setBlockFormat(blockFormat());
    }
    if (state().destination == Destination::FontTable && !m_fontName.isEmpty())
        finishFont(); // an entry closed without its ';'
    m_stack.pop_back();
    m_formatDirty = true;
}

void Reader::controlWord()
{
    if (m_p >= m_end)
        return;
    if (!isLetter(*m_p)) {
        controlSymbol(*m_p++);
        return;
    }
    const char *start = m_p;
    while (m_p < m_end && isLetter(*m_p))
        ++m_p;
    const std::string_view word(start, std::min(std::size_t(m_p - start), MaxWordLength));

    bool negative = false;
    if (m_end - m_p >= 2 && *m_p == '-' && isDigit(m_p[1])) {
        negative = true;
        ++m_p;
    }
    bool hasParam = false;
    qint64 value = 0;
    while (m_p < m_end && isDigit(*m_p)) {
        hasParam = true;
        if (value < MaxParameter)
            value = value * 10 + (*m_p - '0');
        ++m_p;
    }
    value = std::min(value, MaxParameter);
    if (m_p < m_end && *m_p == ' ')
        ++m_p;
    handleWord(word, hasParam, int(negative ? -value : value));
}

void Reader::controlSymbol(char symbol)
{
    if (symbol == '\'') {
        hexByte();
        return;
    }
    if (m_skip > 0) {
        --m_skip;
        return;
    }
    switch (symbol) {
    case '\\': case '{': case '}':
        literalByte(symbol);
        break;
    case '~': appendChar(0x00A0); break;
    case '_': appendChar(0x2011); break;
    case '*':
        flushBytes();
        state().destination = Destination::Skip;
        break;
    case '\r': case '\n':
        paragraphBreak();
        break;
    case '\t': appendChar('\t'); break;
    default: // \- optional hyphen, \| \: index marks and unknown symbols
        break;
    }
}

void Reader::hexByte()
{
    if (m_end - m_p < 2) {
        m_p = m_end; // truncated in the middle of \'hh
        return;
    }
    const int high = hexValue(m_p[0]);
    const int low = hexValue(m_p[1]);
    if (high < 0 || low < 0)
        return; // not hex: leave the characters to be read as text
    m_p += 2;
    if (m_skip > 0) {
        --m_skip;
        return;
    }
    literalByte(char(high * 16 + low));
}

void Reader::textByte(char c)
{
    if (m_skip > 0) {
        --m_skip;
        return;
    }
    if (c == ';' && state().destination == Destination::FontTable) {
        flushBytes();
        finishFont();
    } else if (c == ';' && state().destination == Destination::ColorTable) {
        m_colors.append(m_colorGiven ? QColor(m_rgb[0], m_rgb[1], m_rgb[2]) : QColor());
        std::fill(std::begin(m_rgb), std::end(m_rgb), 0);
        m_colorGiven = false;
    } else {
        literalByte(c);
    }
}

void Reader::literalByte(char c)
{
    const Destination destination = state().destination;
    if (destination == Destination::Text || destination == Destination::FontTable)
        m_bytes.append(c);
}

void Reader::handleWord(std::string_view word, bool hasParam, int param)
{
    // A control word in the fallback of \uN counts as one fallback character.
    const bool fallback = m_skip > 0;
    if (fallback)
        --m_skip;
    if (fallback || state().destination == Destination::Skip) {
        if (word == "bin") // its raw bytes must never be parsed
            skipBinary(param);
        return;
    }
    flushBytes();

    const Keyword *keyword = findKeyword(word);
    if (!keyword) {
        // \uld, \uldb, \ulwave ... are underlines too.
        if (word.starts_with("ul") && word != "ulc")
            setCharProperty(&GroupState::underline, hasParam, param);
        return;
    }
    GroupState &s = state();
    const int value = keyword->value;
    switch (keyword->action) {
    case Action::Destination: s.destination = Destination(value); break;
    case Action::Par: paragraphBreak(); break;
    case Action::Char: appendChar(char32_t(value)); break;
    case Action::Pard:
        s.align = Align::Unset;
        s.rightToLeft = false;
        break;
    case Action::Plain:
        s.bold = s.italic = s.underline = s.strikeOut = s.hidden = false;
        s.fontSize = DefaultFontSize;
        s.font = -1;
        s.color = 0;
        m_formatDirty = true;
        break;
    case Action::Flag: setCharProperty(Flags[value], hasParam, param); break;
    case Action::UnderlineNone: setCharProperty(&GroupState::underline, true, 0); break;
    case Action::FontSize:
        s.fontSize = param > 0 ? std::min(param, 3276) : DefaultFontSize;
        m_formatDirty = true;
        break;
    case Action::Font:
        if (s.destination == Destination::FontTable) {
            m_fontBeingDefined = m_fonts.size() < MaxFonts || m_fonts.contains(param) ? param : -1;
            m_fontName.clear();
        } else {
            s.font = param;
            m_formatDirty = true;
        }
        break;
    case Action::FontCharset:
        if (s.destination == Destination::FontTable && m_fontBeingDefined >= 0)
            m_fonts[m_fontBeingDefined].charset = param;
        break;
    case Action::Color:
        s.color = param;
        m_formatDirty = true;
        break;
    case Action::ColorComponent:
        m_rgb[value] = std::clamp(param, 0, 255);
        m_colorGiven = true;
        break;
    case Action::Alignment: s.align = Align(value); break;
    case Action::RightToLeft: s.rightToLeft = value; break;
    case Action::Unicode:
        if (hasParam) {
            appendChar(char32_t(param < 0 ? param + 65536 : param));
            m_skip = s.unicodeSkip;
        }
        break;
    case Action::UnicodeSkip: s.unicodeSkip = std::clamp(param, 0, MaxUnicodeSkip); break;
    case Action::Bin: skipBinary(param); break;
    case Action::CodePage: m_codePage = value; break;
    case Action::AnsiCodePage: m_codePage = codePageName(param) ? param : DefaultCodePage; break;
    case Action::DefaultFont:
        m_defaultFont = param;
        m_formatDirty = true;
        break;
    }
}

void Reader::setCharProperty(bool GroupState::*property, bool hasParam, int param)
{
    state().*property = !hasParam || param != 0;
    m_formatDirty = true;
}

void Reader::appendChar(char32_t code)
{
    flushBytes();
    // Negative \uN beyond -65536 and values past Unicode arrive here as huge numbers.
    if (code == 0 || code > 0x10FFFF)
        return;
    appendString(code <= 0xFFFF ? QString(QChar(char16_t(code))) : QString::fromUcs4(&code, 1));
}

void Reader::appendString(const QString &text)
{
    const GroupState &s = state();
    if (s.destination == Destination::FontTable) {
        if (m_fontName.size() < MaxFontNameLength)
            m_fontName += text;
        return;
    }
    if (s.destination != Destination::Text || s.hidden)
        return;
    if (m_formatDirty) {
        const QTextCharFormat format = charFormat();
        if (format != m_runFormat) {
            flushRun();
            m_runFormat = format;
        }
        m_formatDirty = false;
    }
    m_run += text;
}

void Reader::flushBytes()
{
    if (m_bytes.isEmpty())
        return;
    const QString text = decoder(byteCodePage())(m_bytes);
    m_bytes.clear();
    appendString(text);
}

void Reader::flushRun()
{
    if (m_run.isEmpty())
        return;
    m_cursor.insertText(m_run, m_runFormat);
    m_run.clear();
}

void Reader::paragraphBreak()
{
    flushBytes();
    if (state().destination != Destination::Text)
        return;
    flushRun();
    m_cursor.setBlockFormat(blockFormat());
    m_cursor.insertBlock();
}

void Reader::finishFont()
{
    if (m_fontBeingDefined >= 0)
        m_fonts[m_fontBeingDefined].name = m_fontName.trimmed();
    m_fontName.clear();
    m_fontBeingDefined = -1;
    m_formatDirty = true;
}

int Reader::byteCodePage() const
{
    const GroupState &s = m_stack.back();
    const int font = s.destination == Destination::FontTable ? m_fontBeingDefined
                   : s.font >= 0 ? s.font : m_defaultFont;
    const auto it = m_fonts.constFind(font);
    const int codePage = it != m_fonts.constEnd() ? codePageForCharset(it->charset) : 0;
    return codePage ? codePage : m_codePage;
}

QStringDecoder &Reader::decoder(int codePage)
{
    auto &slot = m_decoders[codePage];
    if (!slot) {
        const char *name = codePageName(codePage);
        slot = std::make_unique<QStringDecoder>(name ? name : "windows-1252",
                                                QStringConverter::Flag::Stateless);
    }
    return *slot;
}

QTextCharFormat Reader::charFormat() const
{
    const GroupState &s = m_stack.back();
    QTextCharFormat format;
    if (s.bold)
        format.setFontWeight(QFont::Bold);
    if (s.italic)
        format.setFontItalic(true);
    if (s.underline)
        format.setFontUnderline(true);
    if (s.strikeOut)
        format.setFontStrikeOut(true);
    format.setFontPointSize(s.fontSize / 2.0);
    const auto font = m_fonts.constFind(s.font >= 0 ? s.font : m_defaultFont);
    if (font != m_fonts.constEnd() && !font->name.isEmpty())
        format.setFontFamilies(QStringList{font->name});
    if (s.color > 0 && s.color < m_colors.size() && m_colors.at(s.color).isValid())
        format.setForeground(m_colors.at(s.color));
    return format;
}

QTextBlockFormat Reader::blockFormat() const
{
    const GroupState &s = m_stack.back();
    QTextBlockFormat format;
    format.setLayoutDirection(s.rightToLeft ? Qt::RightToLeft : Qt::LeftToRight);
    // RTF alignment is physical: \qr stays at the right edge in either direction. Without
    // one, the paragraph starts at the edge its direction reads from.
    switch (s.align) {
    case Align::Unset: break;
    case Align::Left: format.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute); break;
    case Align::Right: format.setAlignment(Qt::AlignRight | Qt::AlignAbsolute); break;
    case Align::Center: format.setAlignment(Qt::AlignHCenter); break;
    case Align::Justify: format.setAlignment(Qt::AlignJustify); break;
    }
    return format;
}

bool looksLikeRtf(const QByteArray &data)
{
    qsizetype i = data.startsWith("\xEF\xBB\xBF") ? 3 : 0;
    while (i < data.size() && (data.at(i) == ' ' || data.at(i) == '\t' || data.at(i) == '\r'
                               || data.at(i) == '\n'))
        ++i;
    return data.mid(i, 5) == "{\\rtf";
}

} // namespace

bool readRtf(const QByteArray &rtf, QTextDocument *document)
{
    if (!document)
        return false;
    const bool undo = document->isUndoRedoEnabled();
    document->setUndoRedoEnabled(false);
    document->clear();

    const bool isRtf = looksLikeRtf(rtf);
    if (isRtf) {
        QTextCursor editBlock(document);
        editBlock.beginEditBlock();
        Reader(rtf, document).run();
        editBlock.endEditBlock();
    } else {
        // Plain text: UTF-8 when it is valid, else the Arabic Windows code page the
        // program's own files were written in.
        QStringDecoder utf8(QStringConverter::Utf8);
        QString text = utf8(rtf);
        if (utf8.hasError())
            text = QStringDecoder("windows-1256")(rtf);
        document->setPlainText(text);
    }
    document->setUndoRedoEnabled(undo);
    return isRtf;
}

} // namespace dalil
