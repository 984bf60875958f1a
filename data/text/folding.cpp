#include "folding.h"

#include "digits.h"

#include <QList>

#include <unicode/ucol.h>
#include <unicode/uversion.h>

#include <memory>
#include <mutex>

namespace dalil::SearchKeys {

namespace {

// One character and what it becomes (nothing: it is dropped).
struct Folding
{
    char16_t from;
    char16_t to; // 0: dropped
};

// Every difference a search ignores, but Latin case (which SQL's lower() folds for ASCII).
// The targets are never sources, so the order of the replacements does not matter.
QList<Folding> buildFoldings()
{
    QList<Folding> list;
    for (char16_t c : {u'\u0623', u'\u0625', u'\u0622', u'\u0671'}) // أ إ آ ٱ
        list.append({c, u'\u0627'});                             // ا
    list.append({u'\u0649', u'\u064A'}); // ى → ي
    list.append({u'\u06CC', u'\u064A'}); // ی → ي
    list.append({u'\u0629', u'\u0647'}); // ة → ه
    for (char16_t c = 0x064B; c <= 0x065F; ++c) // short vowels, shadda, sukun, tanween, hamza and madda marks
        list.append({c, 0});
    list.append({u'\u0670', 0}); // dagger alef
    list.append({u'\u0640', 0}); // tatweel
    for (char16_t c = 0x200B; c <= 0x200F; ++c) // zero width space, joiners, direction marks
        list.append({c, 0});
    list.append({u'\u061C', 0}); // Arabic letter mark
    for (char16_t c = 0x202A; c <= 0x202E; ++c) // embeddings and overrides
        list.append({c, 0});
    for (char16_t c = 0x2066; c <= 0x2069; ++c) // isolates
        list.append({c, 0});
    for (char16_t c = 0x0660; c <= 0x06F9; ++c) { // ٠–٩ and ۰–۹
        if (digitValue(c) >= 0)
            list.append({c, latinDigit(c).unicode()});
    }
    return list;
}

const QList<Folding> &foldings()
{
    static const QList<Folding> list = buildFoldings();
    return list;
}

// What each character of the Basic Multilingual Plane becomes: itself, another, or nothing.
struct FoldTable
{
    char16_t to[0x10000];
    FoldTable()
    {
        for (int c = 0; c < 0x10000; ++c)
            to[c] = char16_t(c);
        for (char16_t c = u'A'; c <= u'Z'; ++c)
            to[c] = char16_t(c + 32);
        for (const Folding &f : foldings())
            to[f.from] = f.to;
    }
};

const FoldTable &foldTable()
{
    static const auto table = std::make_unique<FoldTable>();
    return *table;
}

QString sqlText(char16_t c)
{
    return QStringLiteral("char(%1)").arg(int(c));
}

// ICU's Arabic collator, shared by every caller: ucol_getSortKey is safe on one collator
// from one thread at a time.
struct Collator
{
    UCollator *collator = nullptr;
    std::mutex lock;
    Collator()
    {
        UErrorCode status = U_ZERO_ERROR;
        collator = ucol_open("ar", &status);
        if (U_FAILURE(status))
            collator = nullptr;
    }
    ~Collator()
    {
        if (collator)
            ucol_close(collator);
    }
};

Collator &collator()
{
    static Collator instance;
    return instance;
}

} // namespace

QString fold(const QString &text)
{
    const FoldTable &table = foldTable();
    QString folded;
    folded.reserve(text.size());
    for (const QChar c : text) {
        // Zero marks a character that is dropped; U+0000 itself stays as SQL keeps it.
        const char16_t to = table.to[c.unicode()];
        if (to || c.isNull())
            folded += QChar(to);
    }
    return folded;
}

QString foldSql(const QString &expression, int stage)
{
    const QList<Folding> &list = foldings();
    const qsizetype perStage = (list.size() + foldStages - 1) / foldStages;
    QString sql = stage == 0 ? QStringLiteral("lower(%1)").arg(expression) : expression;
    for (qsizetype i = stage * perStage; i < qMin(list.size(), (stage + 1) * perStage); ++i) {
        const Folding &f = list.at(i);
        sql = QStringLiteral("replace(%1, %2, %3)").arg(sql, sqlText(f.from), f.to ? sqlText(f.to) : QStringLiteral("''"));
    }
    return sql;
}

QByteArray sortKey(const QString &text)
{
    Collator &c = collator();
    if (!c.collator)
        return text.toUtf8();
    std::lock_guard guard(c.lock);
    QByteArray key(qMax<qsizetype>(64, text.size() * 4 + 16), Qt::Uninitialized);
    int length = ucol_getSortKey(c.collator, reinterpret_cast<const UChar *>(text.utf16()), int(text.size()),
                                 reinterpret_cast<uint8_t *>(key.data()), int(key.size()));
    if (length > key.size()) {
        key.resize(length);
        length = ucol_getSortKey(c.collator, reinterpret_cast<const UChar *>(text.utf16()), int(text.size()),
                                 reinterpret_cast<uint8_t *>(key.data()), int(key.size()));
    }
    // The key ends with a zero byte that adds nothing to the order.
    key.resize(qMax(0, length - 1));
    return key;
}

QString collatorVersion()
{
    Collator &c = collator();
    char text[U_MAX_VERSION_STRING_LENGTH] = {};
    if (c.collator) {
        UVersionInfo version;
        ucol_getVersion(c.collator, version);
        u_versionToString(version, text);
    }
    return QStringLiteral("icu ar %1").arg(QLatin1StringView(text));
}

} // namespace dalil::SearchKeys
