#include "model.h"

#include <QCollator>
#include <QLocale>
#include <QRandomGenerator>

#include <algorithm>

namespace session {

void Switches::set(const QString &names, bool on)
{
    for (const QString &name : names.split(u',', Qt::SkipEmptyParts)) {
        const QString n = name.trimmed();
        const bool all = n == u"all";
        bool known = all;
        const auto flag = [&](const char *flagName, bool &value) {
            if (all || n == QLatin1String(flagName)) {
                value = on;
                known = true;
            }
        };
        flag("staleRows", staleRows);
        flag("selector", selector);
        flag("hiddenStay", hiddenStay);
        flag("focus", focus);
        flag("amountDigits", amountDigits);
        flag("payeePanel", payeePanel);
        flag("doubleDelete", doubleDelete);
        flag("otherCopy", otherCopy);
        flag("sync", sync);
        if (!known)
            qWarning("unknown check %s", qPrintable(n));
    }
}

QString Switches::offNames() const
{
    QStringList off;
    if (!staleRows) off << QStringLiteral("staleRows");
    if (!selector) off << QStringLiteral("selector");
    if (!hiddenStay) off << QStringLiteral("hiddenStay");
    if (!focus) off << QStringLiteral("focus");
    if (!amountDigits) off << QStringLiteral("amountDigits");
    if (!payeePanel) off << QStringLiteral("payeePanel");
    if (!doubleDelete) off << QStringLiteral("doubleDelete");
    if (!otherCopy) off << QStringLiteral("otherCopy");
    if (!sync) off << QStringLiteral("sync");
    return off.join(u',');
}

QString listName(Book book)
{
    static const char *const names[] = {"Form2", "Form4", "Form6"};
    return QLatin1String(names[book]);
}

QString entryName(Book book)
{
    static const char *const names[] = {"Form3", "Form5", "Form7"};
    return QLatin1String(names[book]);
}

std::optional<Book> bookOfForm(const QString &form, bool *isEntry)
{
    for (int b = 0; b < 3; ++b) {
        if (form == listName(Book(b)) || form == entryName(Book(b))) {
            if (isEntry)
                *isEntry = form == entryName(Book(b));
            return Book(b);
        }
    }
    return std::nullopt;
}

QStringList entryBoxes(Book book)
{
    const int count = book == Note ? 6 : 8;
    QStringList boxes;
    for (int i = 1; i <= count; ++i)
        boxes << QStringLiteral("Text%1").arg(i);
    return boxes;
}

QString boxColumn(Book book, int box)
{
    static const QStringList phone{QStringLiteral("الإسم"), QStringLiteral("المنزل"), QStringLiteral("الجوال"),
                                   QStringLiteral("المكتب"), QStringLiteral("فاكس"),
                                   QStringLiteral("البريد الإلكتروني"), QStringLiteral("العنوان"),
                                   QStringLiteral("ملاحظات")};
    static const QStringList note{QStringLiteral("الموعد"), QStringLiteral("اليوم"), QStringLiteral("الساعة"),
                                  QStringLiteral("التاريخ"), QStringLiteral("الشهر"), QStringLiteral("العام")};
    static const QStringList cheque{QStringLiteral("اليوم"), QStringLiteral("العام"), QStringLiteral("الشهر"),
                                    QStringLiteral("السيد"), QStringLiteral("المبلغ"), QStringLiteral("السبب"),
                                    QStringLiteral("فلس"), QStringLiteral("دينار")};
    const QStringList &columns = book == Phone ? phone : book == Note ? note : cheque;
    return columns.value(box);
}

int boxMaxLength(const QString &form, const QString &box)
{
    if (form == u"Form5")
        return box == u"Text4" || box == u"Text5" ? 2 : box == u"Text6" ? 4 : 0;
    if (form == u"Form7")
        return box == u"Text1" || box == u"Text3" ? 2 : box == u"Text2" ? 4 : 0;
    if (form == u"Form6")
        return box == u"Text2" || box == u"Text3" ? 2 : box == u"Text4" ? 4 : 0;
    return 0;
}

std::optional<QDate> boxDate(const QString &day, const QString &month, const QString &year)
{
    const auto number = [](QString text) -> std::optional<int> {
        text = text.trimmed(); // blanks around a number are no part of it
        if (text.isEmpty() || text.size() > 4)
            return std::nullopt;
        // Digits 0-9, Arabic-Indic (U+0660) or Extended Arabic-Indic (U+06F0), as an older
        // user's book holds them.
        int value = 0;
        for (const QChar c : text) {
            int digit = -1;
            for (const char16_t zero : {u'0', u'\u0660', u'\u06F0'}) {
                if (c.unicode() >= zero && c.unicode() <= zero + 9)
                    digit = c.unicode() - zero;
            }
            if (digit < 0)
                return std::nullopt;
            value = value * 10 + digit;
        }
        return value;
    };
    const auto d = number(day), m = number(month), y = number(year);
    if (!d || !m || !y || !QDate::isValid(*y, *m, *d))
        return std::nullopt;
    return QDate(*y, *m, *d);
}

QString weekdayOf(QDate date)
{
    static const char16_t *const names[] = {u"الإثنين", u"الثلاثاء", u"الأربعاء", u"الخميس", u"الجمعة", u"السبت", u"الأحد"};
    return QString::fromUtf16(names[date.dayOfWeek() - 1]);
}

QString cellText(const QVariant &value)
{
    return value.isNull() ? QString() : value.toString();
}

QVariant storedValue(Book book, const QString &column, const QString &text)
{
    if (text.isEmpty())
        return {};
    if (book == Cheque && (column == u"دينار" || column == u"فلس")) {
        bool ok = false;
        const qlonglong number = text.toLongLong(&ok);
        return ok ? QVariant(number) : QVariant(text);
    }
    return text;
}

namespace {

// What a search does not tell apart, written out by hand (not asked of the program): each
// letter of the right reads as the left one; digits of either Arabic shape as 0-9, Latin
// capitals as small letters.
const std::pair<QChar, QStringView> readsAs[] = {
    {u'\u0627', u"\u0623\u0625\u0622\u0671"}, // ا: أ إ آ ٱ
    {u'\u064A', u"\u0649\u06CC"},             // ي: ى ی
    {u'\u0647', u"\u0629"},                    // ه: ة
};

// Left out altogether: the vowel marks, shadda, sukun and hamza marks above and below, the
// dagger alef, tatweel, and the marks that only steer direction or joining.
bool leftOut(char16_t c)
{
    return (c >= 0x064B && c <= 0x065F) || c == 0x0670 || c == 0x0640 || (c >= 0x200B && c <= 0x200F) || c == 0x061C
           || (c >= 0x202A && c <= 0x202E) || (c >= 0x2066 && c <= 0x2069);
}

QString folded(const QString &s)
{
    QString out;
    for (const QChar c : s) {
        const char16_t u = c.unicode();
        if (leftOut(u))
            continue;
        if (u >= u'A' && u <= u'Z')
            out += QChar(u + 32);
        else if (u >= 0x0660 && u <= 0x0669)
            out += QChar(u'0' + (u - 0x0660));
        else if (u >= 0x06F0 && u <= 0x06F9)
            out += QChar(u'0' + (u - 0x06F0));
        else {
            const auto row = std::ranges::find_if(readsAs, [c](const auto &r) { return r.second.contains(c); });
            out += row == std::end(readsAs) ? c : row->first;
        }
    }
    return out;
}

// Latin case alone, as the file compares payees when it groups their sums.
QString caseFolded(const QString &s)
{
    QString out = s;
    for (QChar &c : out) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + 32);
    }
    return out;
}

// The lists' order: Arabic collation as Qt's own collator gives it.
int collate(const QString &a, const QString &b)
{
    static const QCollator collator{QLocale(QLocale::Arabic)};
    return collator.compare(a, b);
}

bool likeAt(const QString &v, qsizetype i, const QString &p, qsizetype j)
{
    while (j < p.size()) {
        const QChar c = p.at(j);
        if (c == u'*') {
            for (qsizetype k = i; k <= v.size(); ++k) {
                if (likeAt(v, k, p, j + 1))
                    return true;
            }
            return false;
        }
        if (i >= v.size())
            return false;
        if (c != u'?' && c != v.at(i))
            return false;
        ++i;
        ++j;
    }
    return i == v.size();
}

} // namespace

bool likeMatch(const QString &value, const QString &pattern)
{
    return likeAt(folded(value), 0, folded(pattern), 0);
}

int nocaseCompare(const QString &a, const QString &b)
{
    return caseFolded(a).compare(caseFolded(b));
}

QDate dayOfSeed(quint32 seed)
{
    const QDate first(2005, 1, 1);
    return first.addDays(QRandomGenerator(seed ^ 0x5eedda7eu).bounded(qint64(first.daysTo(QDate(2035, 12, 31)) + 1)));
}

Model::Model(QDate day)
    : today(day), clock(day, QTime(8, 0))
{
    for (EntryWindow &e : entries)
        e.calendar = today;
    tables[Phone].name = QStringLiteral("Phone");
    tables[Phone].columns = QStringList{QStringLiteral("الإسم"), QStringLiteral("العنوان"),
                                        QStringLiteral("البريد الإلكتروني"), QStringLiteral("فاكس"),
                                        QStringLiteral("المكتب"), QStringLiteral("الجوال"),
                                        QStringLiteral("المنزل"), QStringLiteral("ملاحظات")};
    tables[Note].name = QStringLiteral("Note");
    tables[Note].columns = QStringList{QStringLiteral("اليوم"), QStringLiteral("التاريخ"), QStringLiteral("الشهر"),
                                       QStringLiteral("العام"), QStringLiteral("الساعة"), QStringLiteral("الموعد")};
    tables[Cheque].name = QStringLiteral("Cheque");
    tables[Cheque].columns = QStringList{QStringLiteral("اليوم"), QStringLiteral("الشهر"), QStringLiteral("العام"),
                                         QStringLiteral("السيد"), QStringLiteral("دينار"), QStringLiteral("فلس"),
                                         QStringLiteral("المبلغ"), QStringLiteral("السبب")};
    lists[Phone].caption = QStringLiteral("دليل الهاتف");
    lists[Note].caption = QStringLiteral("مذكرة المواعيد");
    lists[Cheque].caption = QStringLiteral("دفتر الشيكات");
}

void Model::show(const QString &form)
{
    stack.removeAll(form);
    stack << form;
}

Snapshot Model::select(Book book, const Search &search) const
{
    const Table &table = tables[book];
    const auto col = [&](const Row &row, const QString &name) { return row.at(table.columns.indexOf(name)); };
    const auto matches = [&](const Row &row, const QString &column, const QString &pattern) {
        const QVariant v = col(row, column);
        return !v.isNull() && likeMatch(v.toString(), pattern);
    };
    QList<qint64> keys;
    for (auto it = table.rows.cbegin(); it != table.rows.cend(); ++it) {
        const Row &row = it.value();
        bool in = true;
        switch (search.kind) {
        case Search::Whole:
            break;
        case Search::PhoneName:
            in = matches(row, QStringLiteral("الإسم"), search.patterns.at(0));
            break;
        case Search::PhoneNumber:
            in = matches(row, QStringLiteral("المنزل"), search.patterns.at(0))
                 || matches(row, QStringLiteral("الجوال"), search.patterns.at(0))
                 || matches(row, QStringLiteral("المكتب"), search.patterns.at(0));
            break;
        case Search::ChequeDate:
            in = matches(row, QStringLiteral("اليوم"), search.patterns.at(0))
                 && matches(row, QStringLiteral("الشهر"), search.patterns.at(1))
                 && matches(row, QStringLiteral("العام"), search.patterns.at(2));
            break;
        case Search::ChequeName:
            in = matches(row, QStringLiteral("السيد"), search.patterns.at(0));
            break;
        }
        if (in)
            keys << it.key();
    }
    if (search.kind != Search::Whole) {
        const QString order = book == Phone ? QStringLiteral("الإسم") : QStringLiteral("السيد");
        // Ordered by Arabic collation (no value as an empty text), then by rowid.
        std::stable_sort(keys.begin(), keys.end(), [&](qint64 a, qint64 b) {
            const QString va = col(table.rows.value(a), order).toString();
            const QString vb = col(table.rows.value(b), order).toString();
            return collate(va, vb) < 0;
        });
    }
    Snapshot s;
    s.keys = keys;
    for (qint64 key : std::as_const(keys))
        s.rows << table.rows.value(key);
    return s;
}

QString Model::countText(qint64 count) const
{
    return QStringLiteral("عدد السجلات: ") + QString::number(count) + QStringLiteral(" سجل");
}

namespace {

// A sum as the stored queries give it: empty when no cheque has a value in the column.
QString sumText(const QList<QVariant> &values)
{
    qint64 sum = 0;
    bool any = false;
    for (const QVariant &v : values) {
        if (!v.isNull()) {
            sum += v.toLongLong();
            any = true;
        }
    }
    return any ? QString::number(sum) : QStringLiteral("0"); // nothing to add up sums to 0
}

} // namespace

QString Model::grandTotalText() const
{
    QList<QVariant> dinars, fils;
    for (const Row &row : tables[Cheque].rows) {
        dinars << row.at(4);
        fils << row.at(5);
    }
    return QStringLiteral("مجموع المبالغ المسجلة: ") + sumText(dinars) + QStringLiteral(" دينار و ") + sumText(fils)
           + QStringLiteral(" فلس");
}

std::optional<QString> Model::payeeTotalText(const QString &pattern) const
{
    // The payees as the per-payee query groups them, the first in order that matches.
    std::optional<QString> first;
    for (const Row &row : tables[Cheque].rows) {
        const QVariant payee = row.at(3);
        if (payee.isNull() || !likeMatch(payee.toString(), pattern))
            continue;
        const int order = first ? collate(payee.toString(), *first) : -1;
        if (order < 0 || (order == 0 && nocaseCompare(payee.toString(), *first) < 0))
            first = payee.toString();
    }
    if (!first)
        return std::nullopt;
    QList<QVariant> dinars, fils;
    for (const Row &row : tables[Cheque].rows) {
        if (!row.at(3).isNull() && nocaseCompare(row.at(3).toString(), *first) == 0) {
            dinars << row.at(4);
            fils << row.at(5);
        }
    }
    return QStringLiteral("مجموع المبالغ للسيد ") + *first + QStringLiteral(": ") + sumText(dinars)
           + QStringLiteral(" دينار و ") + sumText(fils) + QStringLiteral(" فلس");
}

std::optional<qint64> Model::highlighted(Book book) const
{
    const ListWindow &l = lists[book];
    if (!l.loaded || l.accepted.isEmpty())
        return std::nullopt;
    const Snapshot &s = l.accepted.first();
    if (l.current < 0 || l.current >= s.keys.size())
        return std::nullopt;
    return s.keys.at(l.current);
}

qint64 Model::putBack(Book book, const Deleted &record)
{
    Table &t = tables[book];
    const qint64 at = t.rows.contains(record.key) ? t.nextRowid() : record.key;
    t.rows.insert(at, record.row);
    if (!record.uid.isEmpty())
        t.uids.insert(at, record.uid);
    return at;
}

std::optional<QDateTime> sessionDue(const Row &row)
{
    if (row.size() < 5 || cellText(row.at(4)) != u"10:30")
        return std::nullopt;
    int parts[3];
    for (int i = 0; i < 3; ++i) {
        const QString text = cellText(row.at(1 + i));
        bool ok = false;
        parts[i] = text.toInt(&ok);
        if (!ok || text.isEmpty() || !std::ranges::all_of(text, [](QChar c) { return c >= u'0' && c <= u'9'; }))
            return std::nullopt;
    }
    const QDate date(parts[2], parts[1], parts[0]);
    if (!date.isValid() || parts[2] < 1)
        return std::nullopt;
    return QDateTime(date, QTime(10, 30));
}

bool placedInCalendar(const Row &note)
{
    // The columns in the table's order: weekday, day, month, year, time, text.
    const auto number = [&note](int column) {
        const QString text = note.value(column).toString().trimmed();
        bool digits = !text.isEmpty();
        for (const QChar c : text)
            digits = digits && c >= u'0' && c <= u'9';
        return digits ? text.toInt() : -1;
    };
    const QDate date(number(3), number(2), number(1));
    return date.isValid() && date.year() >= 1 && date.year() <= 3000;
}

} // namespace session
