// The random user: what to do next, chosen from what is on screen.
#include "driver.h"

#include <QDate>

#include <algorithm>

namespace session {

namespace {

class Dice
{
public:
    explicit Dice(QRandomGenerator &r) : r(r) {}
    int below(int n) { return n <= 0 ? 0 : int(r.bounded(n)); }
    bool chance(double p) { return r.generateDouble() < p; }
    template <class T>
    const T &pick(const QList<T> &list) { return list.at(below(int(list.size()))); }
    QString digits(int count)
    {
        QString s;
        for (int i = 0; i < count; ++i)
            s += QChar(u'0' + below(10));
        return s;
    }
    QRandomGenerator &r;
};

const QStringList names{QStringLiteral("Ali"), QStringLiteral("ali"), QStringLiteral("Alia"), QStringLiteral("ALI"),
                        QStringLiteral("Bob"), QStringLiteral("bob"), QStringLiteral("O'Neil"), QStringLiteral("o'neil"),
                        QStringLiteral("زيد"), QStringLiteral("زينب"), QStringLiteral("سعاد"), QStringLiteral("سعيد"),
                        QStringLiteral("Zed_1"), QStringLiteral("100%"), QStringLiteral("Ahmad Ali"), QStringLiteral("أحمد"),
                        // spellings of one name that searches take as one
                        QStringLiteral("احمد العلي"), QStringLiteral("مُحمّد"), QStringLiteral("محمد"),
                        QStringLiteral("يحيى"), QStringLiteral("يحيي"), QStringLiteral("فاطمة"), QStringLiteral("إبراهيم")};
// No two payees differ only in the case of a letter: the per-payee sums group them as one.
const QStringList payees{QStringLiteral("Ali"), QStringLiteral("Alia"), QStringLiteral("Bob"), QStringLiteral("O'Neil"),
                         QStringLiteral("زيد"), QStringLiteral("زينب"), QStringLiteral("سعاد"), QStringLiteral("Zed_1"),
                         QStringLiteral("100%"), QStringLiteral("أحمد"), QStringLiteral("احمد"),
                         QStringLiteral("يحيى"), QStringLiteral("فاطمه")};
const QStringList weekdays{QStringLiteral("الأحد"), QStringLiteral("الإثنين"), QStringLiteral("الثلاثاء"),
                           QStringLiteral("الأربعاء"), QStringLiteral("الخميس"), QStringLiteral("الجمعة"),
                           QStringLiteral("السبت")};
const QStringList words{QStringLiteral("اجتماع"), QStringLiteral("Dentist"), QStringLiteral("موعد مع زيد"),
                        QStringLiteral("call O'Neil"), QStringLiteral("إيجار"), QStringLiteral("كهرباء"),
                        QStringLiteral("مئة دينار"), QString()};

QString arabicDigits(QString s)
{
    for (QChar &c : s) {
        if (c >= u'0' && c <= u'9')
            c = QChar(0x0660 + c.unicode() - u'0');
    }
    return s;
}

QString phoneNumber(Dice &d)
{
    if (d.chance(0.3))
        return {};
    if (d.chance(0.1))
        return QStringLiteral("+962 7") + d.digits(3);
    if (d.chance(0.1))
        return arabicDigits(QStringLiteral("07") + d.digits(1 + d.below(5)));
    return QStringLiteral("07") + d.digits(1 + d.below(5));
}

// The same text as another writer spells it: other alef, yeh and teh marbuta forms. (Digits of
// both shapes come from the numbers stored; the date boxes make every digit a Western one.)
QString respelled(Dice &d, QString s)
{
    for (QChar &c : s) {
        if (!d.chance(0.5))
            continue;
        switch (c.unicode()) {
        case u'\u0627': c = QChar(u'\u0623'); break; // ا → أ
        case u'\u0623': c = QChar(u'\u0627'); break;
        case u'\u064A': c = QChar(u'\u0649'); break; // ي → ى
        case u'\u0649': c = QChar(u'\u064A'); break;
        case u'\u0629': c = QChar(u'\u0647'); break; // ة → ه
        case u'\u0647': c = QChar(u'\u0629'); break;
        default:
            break;
        }
    }
    return s;
}

QString flipCase(Dice &d, QString s)
{
    for (QChar &c : s) {
        if (c.isLetter() && c.unicode() < 128 && d.chance(0.3))
            c = c.isUpper() ? c.toLower() : c.toUpper();
    }
    return s;
}

// A search text: empty, the start of something stored, with wildcards, a quote, or nothing found.
QString searchText(Dice &d, const QStringList &stored)
{
    const int kind = d.below(10);
    if (kind == 0 || stored.isEmpty())
        return {};
    if (kind == 1)
        return QStringLiteral("zq");
    if (kind == 2)
        return QStringLiteral("O'");
    QString s = flipCase(d, d.pick(stored).left(1 + d.below(3)));
    if (kind == 3 && !s.isEmpty())
        s[d.below(int(s.size()))] = u'?';
    if (kind == 4)
        s.insert(d.below(int(s.size()) + 1), u'*');
    if (kind == 5)
        s = respelled(d, s);
    return s;
}

QStringList columnTexts(const Model &m, Book b, int column)
{
    QStringList texts;
    for (const Row &row : m.tables[b].rows) {
        if (!row.at(column).isNull())
            texts << cellText(row.at(column));
    }
    return texts;
}

QString entryText(Dice &d, Book b, int box, const Switches &sw)
{
    const int year = sw.day.year();
    if (d.chance(0.06))
        return {};
    if (b == Phone) {
        switch (box) {
        case 0: return d.pick(names) + (d.chance(0.2) ? QString::number(d.below(10)) : QString());
        case 1: case 2: case 3: case 4: return phoneNumber(d);
        case 5: return d.chance(0.5) ? QStringLiteral("a.b@example.org") : QString();
        default: return d.pick(words);
        }
    }
    if (b == Note) {
        switch (box) {
        case 0: return d.pick(words.mid(0, 4));
        case 1: return d.pick(weekdays);
        case 2: return d.chance(0.5) ? QStringLiteral("10:30") : QStringLiteral("9");
        case 3: return QString::number(1 + d.below(31));
        case 4: return QString::number(1 + d.below(12));
        default: return QString::number(d.chance(0.1) ? year - 1 : year + d.below(3));
        }
    }
    switch (box) {
    case 0: return QString::number(d.chance(0.05) ? 32 : 1 + d.below(31));
    case 1: return QString::number(d.chance(0.05) ? 2001 : 2002 + d.below(30));
    case 2: return QString::number(d.chance(0.05) ? 13 : 1 + d.below(12));
    case 3: return d.pick(payees);
    case 4: case 5: return d.pick(words);
    default: {
        // Fils (Text7) and dinars (Text8): short, long, the longest allowed, or longer.
        const int kind = d.below(20);
        if (kind == 0)
            return QStringLiteral("1.5");
        if (kind == 1)
            return QStringLiteral("999999999999");
        if (kind == 2 && sw.amountDigits)
            return QStringLiteral("1") + d.digits(12 + d.below(2));
        if (kind == 3)
            return QStringLiteral("1500");
        return QString::number(d.below(box == 6 ? 1000 : 100000));
    }
    }
}

Action act(Act kind, const QString &form = {}, const QString &control = {}, int n = 0, const QString &text = {})
{
    Action a;
    a.act = kind;
    a.form = form;
    a.control = control;
    a.n = n;
    a.text = text;
    return a;
}

// An export, or an import of a new record (twice over) and maybe of one already stored. The
// new record's texts are those a user types, within what the file format carries: a cheque
// has whole amounts and its amount in words, an appointment a date a calendar can hold.
Action exchangeAction(const Model &m, Dice &d, const Switches &sw)
{
    Action a = act(Act::Exchange, {}, {}, d.below(3));
    a.m = d.chance(0.25) ? 0 : 1;
    if (a.m == 0)
        return a;
    const Book b = Book(a.n);
    const Table &t = m.tables[b];
    QStringList values(t.columns.size());
    for (int box = 0; box < entryBoxes(b).size(); ++box)
        values[t.columns.indexOf(boxColumn(b, box))] = entryText(d, b, box, sw);
    if (b == Cheque) {
        values[4] = QString::number(d.below(100000));
        values[5] = QString::number(d.below(1000));
        if (values[6].isEmpty())
            values[6] = QStringLiteral("مبلغ");
        // The preview's choice for cheques whose words say another amount: leave them out
        // (answer 1); the words then say the figures' amount, or one dinar more.
        a.answer = d.below(2);
        if (a.answer == 1)
            values[6] = wordsOf(values[4].toLongLong() + d.below(2), values[5].toLongLong());
    } else if (b == Note) {
        values[1] = QString::number(1 + d.below(28));
        values[2] = QString::number(1 + d.below(12));
        values[3] = QString::number(2030 + d.below(5));
    }
    a.values = values + values;
    // A stored record the file format carries as it is: found stored, and left out.
    if (!t.rows.isEmpty() && d.chance(0.5)) {
        const Row &row = t.rows.value(t.rows.keys().at(d.below(int(t.rows.size()))));
        const bool carried = b != Cheque || ((!row.at(4).isNull() || !row.at(5).isNull()) && !row.at(6).isNull());
        if (carried && b != Note) {
            for (const QVariant &value : row)
                a.values << value.toString();
        }
    }
    return a;
}

// The times ahead of the session's clock at which something rings: the appointments' times
// and the ends of snoozes, the nearest first.
QList<QDateTime> ringsAhead(const Model &m)
{
    QList<QDateTime> ahead;
    for (const Row &row : m.tables[Note].rows) {
        if (const auto due = sessionDue(row); due && due->addSecs(-60 * m.lead) > m.clock)
            ahead << due->addSecs(-60 * m.lead);
    }
    for (const QDateTime &end : m.snoozeEnds) {
        if (end > m.clock)
            ahead << end;
    }
    std::ranges::sort(ahead);
    return ahead;
}

// The clock moves on: mostly to the next time something rings (now and then past one or two
// more), else a few minutes or hours.
Action reminderAction(const Model &m, Dice &d)
{
    Action a = act(Act::Reminders, {}, {}, d.below(4));
    a.m = d.below(3);
    const QList<QDateTime> ahead = ringsAhead(m);
    QDateTime to = m.clock.addSecs(60 * (1 + d.below(180)));
    if (!ahead.isEmpty() && d.chance(0.7))
        to = ahead.at(d.chance(0.8) ? 0 : d.below(int(qMin<qsizetype>(3, ahead.size()))));
    a.text = to.toString(Qt::ISODate);
    return a;
}

Action otherWrite(const Model &m, Dice &d, const Switches &sw)
{
    Action a;
    a.act = Act::OtherWrite;
    Book b = Book(d.below(3));
    // Often the book whose entry window holds typing over a record, so that its writes meet
    // the record changed or gone.
    for (Book typed : {Phone, Note, Cheque}) {
        if (m.entries[typed].typingOverRecord() && d.chance(0.5))
            b = typed;
    }
    a.control = m.tables[b].name;
    const EntryWindow &e = m.entries[b];
    const bool typing = e.typingOverRecord();
    a.n = m.tables[b].rows.isEmpty() ? 0 : typing && d.chance(0.6) ? 1 : d.below(3);
    // Often the record an entry window is editing, so that saves meet a changed record.
    a.m = d.below(1000);
    if (a.n != 0 && e.loaded && e.key >= 0 && d.chance(typing ? 0.9 : 0.5)) {
        const qsizetype at = m.tables[b].rows.keys().indexOf(e.key);
        if (at >= 0)
            a.m = int(at);
    }
    const Table &t = m.tables[b];
    QStringList values;
    for (int i = 0; i < t.columns.size(); ++i)
        values << QString();
    for (int box = 0; box < entryBoxes(b).size(); ++box) {
        const QString text = entryText(d, b, box, sw);
        values[t.columns.indexOf(boxColumn(b, box))] = b == Cheque && box >= 6 && text == u"1.5" ? QStringLiteral("7") : text;
    }
    if (b == Cheque) {
        for (int c : {4, 5}) {
            if (values[c].size() > 12)
                values[c] = values[c].left(12);
        }
    }
    a.values = values;
    // Now and then the other program puts a copy of the file in its place (a sync tool).
    if (a.m % 40 == 7)
        a.n = 3;
    return a;
}

// A second device adds a record (or nothing) and syncs; the user syncs.
Action syncAction(const Model &m, Dice &d, const Switches &sw)
{
    Action a = act(Act::Sync);
    const Book b = d.chance(0.5) ? Phone : Note;
    a.control = m.tables[b].name;
    if (d.chance(0.7)) {
        const Table &t = m.tables[b];
        QStringList values;
        for (int i = 0; i < t.columns.size(); ++i)
            values << QString();
        for (int box = 0; box < entryBoxes(b).size(); ++box)
            values[t.columns.indexOf(boxColumn(b, box))] = entryText(d, b, box, sw);
        a.values = values;
    }
    return a;
}

Action anyAction(const Model &m, const Switches &sw, QRandomGenerator &random);

} // namespace

// Whether the action would do what the model leaves open: move the navigation bar over a set
// read before the other copy changed the file, or, with stale rows allowed, move or write an
// entry window whose typing belongs to a record the other copy changed or deleted.
bool movesUnsettled(const Model &m, const Switches &sw, const Action &a)
{
    if (a.act == Act::NavBar) {
        bool isEntry = false;
        const std::optional<Book> b = bookOfForm(a.form, &isEntry);
        if (b && isEntry && m.entries[*b].setStale)
            return true;
    }
    if (sw.staleRows)
        return false;
    for (int b = 0; b < 3; ++b) {
        const EntryWindow &e = m.entries[b];
        const Table &t = m.tables[b];
        if (!e.loaded || e.adding || e.key < 0)
            continue;
        const bool changed = !t.rows.contains(e.key) || t.rows.value(e.key) != e.read;
        if (!changed && !(a.act == Act::NavBar && e.setStale))
            continue;
        if (e.touched.isEmpty() && a.act != Act::NavBar)
            continue;
        static const char *const adds[] = {"addphone", "addnote", "addcheck"};
        const QString list = listName(Book(b));
        const QString edit = b == Note ? QStringLiteral("Command4") : QStringLiteral("Command5");
        if (a.act == Act::Menu && a.control == QLatin1String(adds[b]))
            return true;
        if ((a.act == Act::Click || a.act == Act::DoubleClick) && a.form == list
            && (a.control == u"Command1" || a.control == edit))
            return true;
        if (a.act == Act::NavBar && a.form == entryName(Book(b)))
            return true;
    }
    if ((a.act == Act::Click || a.act == Act::DoubleClick) && bookOfForm(a.form)) {
        bool isEntry = false;
        const Book b = *bookOfForm(a.form, &isEntry);
        const QString edit = b == Note ? QStringLiteral("Command4") : QStringLiteral("Command5");
        const std::optional<qint64> key = m.highlighted(b);
        if (!isEntry && a.control == edit && key && !m.tables[b].rows.contains(*key))
            return true;
        // Until record sources stop showing rows read before the file changed, an edit
        // through an entry window that read the file before a change shows another record.
        if (!isEntry && a.control == edit && b != Cheque && m.entries[b].loaded
            && m.entries[b].setStale)
            return true;
        const QString del = b == Note ? QStringLiteral("Command2") : QStringLiteral("Command3");
        if (!isEntry && a.control == del && key && !m.tables[b].rows.contains(*key))
            return true;
    }
    return false;
}

Action nextAction(const Model &m, const Switches &sw, QRandomGenerator &random)
{
    for (int i = 0; i < 20; ++i) {
        Action a = anyAction(m, sw, random);
        if (movesUnsettled(m, sw, a))
            continue;
        // An action that writes what an entry window holds may meet the record changed
        // elsewhere: the user keeps their changes (1) or takes the record as it stands.
        static const QStringList writers{QStringLiteral("addphone"), QStringLiteral("addnote"),
                                         QStringLiteral("addcheck"), QStringLiteral("Command1"),
                                         QStringLiteral("Command4"), QStringLiteral("Command5")};
        if (a.act == Act::NavBar || ((a.act == Act::Menu || a.act == Act::Click || a.act == Act::DoubleClick)
                                     && writers.contains(a.control)))
            a.answer = int(random.bounded(2));
        return a;
    }
    Action help;
    help.act = Act::Menu;
    help.control = QStringLiteral("help");
    return help;
}

namespace {

Action anyAction(const Model &m, const Switches &sw, QRandomGenerator &random)
{
    Dice d(random);
    const QString top = m.top();
    const int roll = d.below(1000);
    // More often while an entry window holds typing over a record: its write may then meet
    // the record changed or gone.
    const bool typing = std::any_of(std::begin(m.entries), std::end(m.entries),
                                    [](const EntryWindow &e) { return e.typingOverRecord(); });
    if (sw.otherCopy && (roll < 25 || (typing && roll < 60)))
        return otherWrite(m, d, sw);
    // A sync round takes about a second against the server: a few a session.
    if (sw.sync && roll >= 996)
        return syncAction(m, d, sw);
    if (roll >= 975 || (roll >= 900 && !ringsAhead(m).isEmpty()))
        return reminderAction(m, d);
    if (roll < 75) {
        static const QStringList items{QStringLiteral("phone"), QStringLiteral("note"), QStringLiteral("check"),
                                       QStringLiteral("help"), QStringLiteral("addphone"), QStringLiteral("addnote"),
                                       QStringLiteral("addcheck"), QStringLiteral("hijri")};
        if (roll >= 70)
            return act(Act::Menu, {}, d.pick(leadItems()).first);
        return act(Act::Menu, {}, roll < 27 ? QStringLiteral("exit") : d.pick(items));
    }
    if (roll < 85)
        return act(Act::Print, {}, QStringLiteral("menu"));
    if (roll < 88)
        return act(Act::Screen, {}, {}, d.below(3));
    if (roll < 120) {
        static const QList<int> keys{Qt::Key_Space, Qt::Key_Return, Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Escape};
        if (d.chance(0.3)) {
            Action a = act(Act::FocusKey);
            a.text = QString(QChar(d.chance(0.5) ? u'a' + d.below(26) : u'0' + d.below(10)));
            return a;
        }
        return act(Act::FocusKey, {}, {}, d.pick(keys));
    }
    if (roll < 135 && top != u"Form1" && !top.isEmpty())
        return act(Act::CloseBox, top);
    if (top == u"Form1" && d.chance(0.08)) {
        Action a = act(Act::Deleted, {}, {}, d.chance(0.15) ? -1 : d.below(20));
        return a;
    }
    if (top == u"Form1" && d.chance(0.02))
        return act(Act::Backup);
    if (top == u"Form1" && d.chance(0.12))
        return exchangeAction(m, d, sw);
    if (top == u"Form1" && d.chance(0.1)) {
        static const QStringList values{QStringLiteral("180"), QStringLiteral("2.5"), QStringLiteral("-3"),
                                        QStringLiteral("0"),   QStringLiteral("33"),  QStringLiteral("7"),
                                        QStringLiteral("500"), QStringLiteral("abc")};
        Action a = act(Act::Layouts, {}, {}, 1 + d.below(34));
        a.text = d.pick(values);
        return a;
    }
    if (top.isEmpty() || top == u"Form1")
        return top.isEmpty() ? act(Act::Menu, {}, QStringLiteral("phone")) : act(Act::StartButton, {}, {}, 1 + d.below(3));
    if (top == u"Form8") {
        if (d.chance(0.5)) {
            static const QStringList found{QStringLiteral("دليل"), QStringLiteral("الشيكات"), QStringLiteral("zzz"),
                                           QStringLiteral("Enter"), QString()};
            Action a = act(Act::HelpFind, top);
            a.text = d.pick(found);
            return a;
        }
        return act(Act::Click, top, QStringLiteral("Command1"));
    }

    if (top == u"Form10") {
        const int r = d.below(100);
        if (r < 20)
            return act(Act::Click, top, QStringLiteral("Option1"));
        if (r < 40)
            return act(Act::Click, top, QStringLiteral("Option2"));
        if (r < 70)
            return act(Act::PickItem, top, QStringLiteral("Combo1"), d.below(5));
        return act(Act::Click, top, r < 88 ? QStringLiteral("Command1") : QStringLiteral("Command2"));
    }

    bool isEntry = false;
    const Book b = *bookOfForm(top, &isEntry);
    if (isEntry) {
        const EntryWindow &e = m.entries[b];
        if (b == Cheque && d.chance(0.06))
            return act(Act::Print, {}, QStringLiteral("cheque"));
        const int r = d.below(100);
        if (r < 60) {
            const int box = d.below(int(entryBoxes(b).size()));
            return act(Act::Type, top, entryBoxes(b).at(box), 0, entryText(d, b, box, sw));
        }
        if (r < 82)
            return act(Act::Click, top, QStringLiteral("Command1"));
        if (r < 85)
            return act(Act::Click, top, QStringLiteral("Command2"));
        if (r < 92 || !e.navVisible)
            return act(Act::Click, top, QStringLiteral("Command3"));
        static const QStringList moves{QStringLiteral("first"), QStringLiteral("previous"), QStringLiteral("next"),
                                       QStringLiteral("last")};
        return act(Act::NavBar, top, d.pick(moves));
    }

    const ListWindow &l = m.lists[b];
    const qsizetype rows = m.tables[b].rows.size();
    const QString add = QStringLiteral("Command1");
    const QString del = b == Note ? QStringLiteral("Command2") : QStringLiteral("Command3");
    const QString back = b == Note ? QStringLiteral("Command3") : QStringLiteral("Command4");
    const QString edit = b == Note ? QStringLiteral("Command4") : QStringLiteral("Command5");
    if (d.chance(0.05)) {
        Action undo = act(Act::Undo, top);
        undo.answer = d.chance(0.5) ? 1 : 0;
        return undo;
    }
    int r = d.below(100);
    if (b == Note && r >= 40 && r < 65)
        r = d.below(40); // no search here
    if (r < 12)
        return act(Act::Click, top, rows > 30 && d.chance(0.6) ? del : add);
    if (r < 22)
        return act(Act::Click, top, edit);
    if (r < 30)
        return act(sw.doubleDelete && d.chance(0.2) ? Act::DoubleClick : Act::Click, top, del);
    if (r < 33)
        return act(Act::Click, top, back);
    if (r < 40) {
        if (d.chance(0.3))
            return act(Act::SelectorClick, top, {}, d.below(1000));
        return act(Act::GridClick, top, {}, d.below(1000));
    }
    if (r < 45) {
        static const QList<int> keys{Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp, Qt::Key_PageDown, Qt::Key_Home,
                                     Qt::Key_End};
        Action a = act(Act::GridKey, top, {}, d.pick(keys));
        if ((a.n == Qt::Key_Home || a.n == Qt::Key_End) && d.chance(0.7))
            a.m = Qt::ControlModifier;
        return a;
    }
    if (r < 52)
        return act(Act::PickKind, top, {}, d.below(2));
    if (r < 65) {
        if (b == Phone || l.kind == 1) {
            const int column = b == Phone ? (l.kind == 1 ? 6 : 0) : 3;
            QStringList stored = columnTexts(m, b, column);
            if (b == Phone && l.kind == 1)
                stored << columnTexts(m, b, 5) << columnTexts(m, b, 4);
            return act(Act::Type, top, QStringLiteral("Text1"), 0, searchText(d, stored));
        }
        if (l.kind == 0) {
            const int box = d.below(3);
            QString text = d.chance(0.3) ? QString() : searchText(d, columnTexts(m, b, box)).left(box == 2 ? 4 : 2);
            return act(Act::Type, top, QStringLiteral("Text%1").arg(box + 2), 0, text);
        }
        return act(Act::PickKind, top, {}, d.below(2));
    }
    if (r < 80 && b != Note)
        return act(Act::Click, top, QStringLiteral("Command2"));
    if (r < 88 && b != Note && (b == Phone || l.kind == 1)) {
        Action a = act(Act::FocusKey, {}, {}, Qt::Key_Return);
        return a;
    }
    return act(Act::DoubleClick, top, sw.doubleDelete && d.chance(0.5) ? del : add);
}

} // namespace

} // namespace session
