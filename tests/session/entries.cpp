// The entry windows: adding, editing, the checks of a save, save, clear, cancel, the
// navigation bar, and the pending record that a move or a save writes.
#include "books.h"

#include <QDate>

#include <algorithm>

namespace session {

namespace {

const QString inputTitle = QStringLiteral("خطأ في المدخلات");
const QString dataTitle = QStringLiteral("خطأ في قاعدة البيانات");
// What a write or an edit meets where the record was deleted elsewhere.
const QString recordGone = QStringLiteral("لم يعد هذا السجل موجوداً في قاعدة البيانات، فقد حذفه برنامج آخر أو "
                                          "نسخة أخرى من هذا البرنامج. لم يتم حفظ أي شيء.");

// Two values of a cell as the file compares them: null or not, then their text.
bool differs(const QVariant &a, const QVariant &b)
{
    return a.isNull() != b.isNull() || a.toString() != b.toString();
}

bool rowDiffers(const Row &a, const Row &b)
{
    for (qsizetype c = 0; c < qMax(a.size(), b.size()); ++c) {
        if (differs(a.value(c), b.value(c)))
            return true;
    }
    return false;
}

// A value in the question: in guillemets, isolated in its own direction (left to right
// unless it holds a right-to-left letter), on one line, cut at 60 characters.
QString quoted(const QString &value)
{
    if (value.isEmpty())
        return QStringLiteral("(فارغ)");
    const QString line = value.simplified();
    bool rightToLeft = false;
    for (const uint c : line.toUcs4()) {
        const QChar::Direction d = QChar::direction(c);
        rightToLeft = rightToLeft || d == QChar::DirR || d == QChar::DirAL || d == QChar::DirRLE
                      || d == QChar::DirRLO || d == QChar::DirRLI;
    }
    return QStringLiteral("«") + QChar(rightToLeft ? 0x2067 : 0x2066)
           + (line.size() > 60 ? line.left(59) + QChar(0x2026) : line) + QChar(0x2069) + QStringLiteral("»");
}


QString editCaption(Book b)
{
    static const char *const captions[] = {"تعديل سجل", "تعديل موعد", "تعديل شيك"};
    return QString::fromUtf8(captions[b]);
}

QString addCaption(Book b)
{
    static const char *const captions[] = {"إضافة سجل", "إضافة موعد", "إضافة شيك"};
    return QString::fromUtf8(captions[b]);
}

// The leading number of a date box as the entry windows read it: blanks skipped, digits 0-9.
qint64 leadingNumber(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == u' ')
        ++i;
    qint64 value = 0;
    for (; i < text.size() && text.at(i) >= u'0' && text.at(i) <= u'9'; ++i)
        value = qMin<qint64>(value * 10 + (text.at(i).unicode() - u'0'), 1000000000);
    return value;
}

bool allDigits(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

// A cheque figure as Text5 follows it: empty is 0; nothing unless 12 digits 0-9 at most.
std::optional<qint64> figure(const QString &text)
{
    if (text.isEmpty())
        return 0;
    if (text.size() > 12 || !allDigits(text))
        return std::nullopt;
    return text.toLongLong();
}

// Fils are Text7 (index 6), dinars Text8 (index 7), the words Text5 (index 4).
void rememberShownWords(EntryWindow &e)
{
    const auto dinars = figure(e.texts.value(7));
    const auto fils = figure(e.texts.value(6));
    const QString words = e.texts.value(4);
    const bool ours = dinars && fils && words == wordsOf(*dinars, *fils);
    e.wordsWritten = ours ? std::optional<QString>(words) : std::nullopt;
    e.wordsReleased = false;
}

} // namespace

void Books::amountEdited(EntryWindow &e)
{
    const auto dinars = figure(e.texts.at(7));
    const auto fils = figure(e.texts.at(6));
    const auto write = [&](const QString &words) {
        if (e.texts.at(4) != words && (e.adding || e.key >= 0))
            e.touched.insert(4);
        e.texts[4] = words;
        e.wordsWritten = words;
    };
    const bool ours = e.texts.at(4).isEmpty() || e.texts.at(4) == e.wordsWritten;
    if (!dinars || !fils) {
        // Figures that are no amount: the words the program wrote go.
        if (ours)
            write(QString());
        return;
    }
    if (e.texts.at(7).isEmpty() && e.texts.at(6).isEmpty()) {
        if (ours)
            write(QString());
        else
            e.wordsReleased = true;
        return;
    }
    if (!ours && !e.wordsReleased)
        return;
    write(wordsOf(*dinars, *fils));
    e.wordsReleased = false;
}

void Books::loadEntry(Book b)
{
    EntryWindow &e = m.entries[b];
    e = EntryWindow();
    e.loaded = true;
    e.caption = addCaption(b);
    showFirst(b);
}

void Books::showFirst(Book b)
{
    EntryWindow &e = m.entries[b];
    e.set = m.tables[b].rows.keys();
    e.setStale = false;
    if (e.set.isEmpty()) {
        e.adding = false;
        e.key = -1;
        e.texts = QStringList();
        for (int i = 0; i < entryBoxes(b).size(); ++i)
            e.texts << QString();
        e.touched.clear();
        e.read.clear();
        rememberShownWords(e);
        e.calendar = m.today;
    } else {
        showRecord(b, e.set.first());
    }
}

void Books::showRecord(Book b, qint64 key)
{
    EntryWindow &e = m.entries[b];
    const Table &t = m.tables[b];
    e.adding = false;
    e.key = key;
    e.read = t.rows.value(key);
    e.texts.clear();
    for (int i = 0; i < entryBoxes(b).size(); ++i)
        e.texts << cellText(e.read.value(t.columns.indexOf(boxColumn(b, i))));
    e.touched.clear();
    rememberShownWords(e);
    // The calendar opens on the record's date, or on today when it names none it can show.
    const std::optional<QDate> date = b == Note ? boxDate(e.texts.at(3), e.texts.at(4), e.texts.at(5)) : std::nullopt;
    e.calendar = date && *date >= QDate(1753, 1, 1) && *date <= QDate(9999, 12, 31) ? *date : m.today;
}

qint64 Books::insert(Book b, const Row &row)
{
    Table &t = m.tables[b];
    const qint64 key = t.nextRowid();
    t.rows.insert(key, row);
    return key;
}

bool Books::writePending(Book b, Outcome &out)
{
    EntryWindow &e = m.entries[b];
    if (!e.loaded || e.touched.isEmpty())
        return true;
    Table &t = m.tables[b];
    if (b == Cheque && (e.adding || e.key >= 0)) {
        for (int i : {6, 7}) {
            const QString &text = e.texts.at(i);
            // The file's guard refuses an amount that is no number or has more than 12 digits:
            // the user is told, and the typing stays.
            if (((!text.isEmpty() && !allDigits(text)) || text.size() > 12) && (e.adding || e.touched.contains(i))) {
                out.boxes << BoxExpect{dataTitle, {}, false, false};
                return false;
            }
        }
    }
    if (e.adding) {
        Row row(t.columns.size());
        for (int i = 0; i < e.texts.size(); ++i) {
            const QString column = boxColumn(b, i);
            row[t.columns.indexOf(column)] = storedValue(b, column, e.texts.at(i));
        }
        m_written = insert(b, row);
    } else if (e.key >= 0) {
        // Only the boxes whose text differs from the record as read are written, and only
        // when there are any is the record compared with the file.
        QList<int> changed;
        for (int i : std::as_const(e.touched)) {
            const QVariant read = e.read.value(t.columns.indexOf(boxColumn(b, i)));
            if (differs(e.texts.at(i).isEmpty() ? QVariant() : QVariant(e.texts.at(i)), read))
                changed << i;
        }
        if (!changed.isEmpty()) {
            const bool gone = !t.rows.contains(e.key);
            Row row = t.rows.value(e.key);
            const bool conflict = !gone && rowDiffers(row, e.read);
            if (!sw.staleRows && (gone || conflict)) {
                out.unsupported = true;
                out.why = QStringLiteral("a write of a record the other copy changed");
                return false;
            }
            if (gone) {
                out.boxes << exact(dataTitle, recordGone);
                return false;
            }
            if (conflict) {
                out.boxes << exact(QStringLiteral("الرجاء التأكيد"), conflictQuestion(b, row));
                if (m_answer != 1) {
                    // The record as it now stands, nothing written; the window stays on it.
                    showRecord(b, e.key);
                    return false;
                }
            }
            for (int i : std::as_const(changed)) {
                const QString column = boxColumn(b, i);
                row[t.columns.indexOf(column)] = storedValue(b, column, e.texts.at(i));
            }
            t.rows.insert(e.key, row);
        }
        m_written = e.key;
    } else {
        return true; // no current record: typing made nothing pending
    }
    e.touched.clear();
    e.adding = false;
    widen(b);
    return true;
}

bool Books::beginNew(Book b, Outcome &out)
{
    EntryWindow &e = m.entries[b];
    if (e.loaded && !writePending(b, out)) {
        show(entryName(b));
        out.windowChange = true;
        return false;
    }
    if (!e.loaded)
        loadEntry(b);
    show(entryName(b));
    e.caption = addCaption(b); // whatever the last edit captioned it
    e.adding = true;
    e.key = -1;
    for (QString &text : e.texts)
        text.clear();
    e.touched.clear();
    e.read.clear();
    rememberShownWords(e);
    e.calendar = m.today;
    e.navVisible = false;
    out.windowChange = true;
    out.focusForm = entryName(b);
    out.focusWidget = QStringLiteral("Text1");
    return true;
}

void Books::edit(Book b, Outcome &out)
{
    const std::optional<qint64> key = m.highlighted(b);
    EntryWindow &e = m.entries[b];
    if (key && e.loaded && !writePending(b, out)) {
        show(entryName(b));
        out.windowChange = true;
        return;
    }
    if (!e.loaded)
        loadEntry(b);
    if (key && !m.tables[b].rows.contains(*key)) {
        // Deleted elsewhere since the list showed it: the user is told and the list reads again.
        out.boxes << exact(dataTitle, recordGone);
        widen(b);
        out.adoptBook = b;
        return;
    }
    show(entryName(b));
    e.caption = editCaption(b);
    e.navVisible = true; // every edit shows the navigation bar
    if (key) {
        showRecord(b, *key);
        e.set = m.tables[b].rows.keys();
        e.setStale = false;
    }
    out.windowChange = true;
    out.focusForm = entryName(b);
    out.focusWidget = QStringLiteral("Text1");
}

bool Books::validate(Book b, Outcome &out)
{
    const EntryWindow &e = m.entries[b];
    const QString form = entryName(b);
    const auto refuse = [&](const QString &text, const QString &focus) {
        out.boxes << exact(inputTitle, text);
        if (!focus.isEmpty()) {
            out.focusForm = form;
            out.focusWidget = focus;
        }
        return false;
    };
    const auto text = [&](int box) { return e.texts.at(box - 1); };
    if (b == Phone) {
        if (text(1).isEmpty())
            return refuse(QStringLiteral("الرجاء إدخال الإسم"), QStringLiteral("Text1"));
        if (text(2).isEmpty() && text(3).isEmpty() && text(4).isEmpty())
            return refuse(QStringLiteral("الرجاء إدخال رقم الهاتف"), QStringLiteral("Text2"));
        return true;
    }
    if (b == Note) {
        if (text(1).isEmpty())
            return refuse(QStringLiteral("الرجاء إدخال الموعد"), QStringLiteral("Text1"));
        if (text(2).isEmpty())
            return refuse(QStringLiteral("الرجاء تحديد وقت الموعد"), QStringLiteral("Text2"));
        if (text(3).isEmpty() || text(4).isEmpty() || text(5).isEmpty() || text(6).isEmpty())
            return refuse(QStringLiteral("الرجاء تحديد تاريخ الموعد"), QStringLiteral("Text3"));
        const QDate &today = m.today;
        if (leadingNumber(text(5)) < today.month() && leadingNumber(text(6)) <= today.year())
            return refuse(QStringLiteral("الرجاء تحديد التاريخ الصحيح"), QStringLiteral("Text4"));
        return true;
    }
    const QString date = QStringLiteral("الرجاء إدخال التاريخ بدقة");
    if (text(1).isEmpty() || text(2).isEmpty() || text(3).isEmpty())
        return refuse(date, QStringLiteral("Text1"));
    if (leadingNumber(text(1)) > 31 || leadingNumber(text(3)) > 12 || leadingNumber(text(2)) < 2002)
        return refuse(date, QString());
    if (text(4).isEmpty())
        return refuse(QStringLiteral("الرجاء إدخال الإسم"), QStringLiteral("Text4"));
    if (text(7).isEmpty() || text(8).isEmpty())
        return refuse(QStringLiteral("الرجاء إدخال قيمة المبلغ"), QStringLiteral("Text7"));
    // Dinars first, then fils: each is read for its digits, then for its length.
    for (int box : {8, 7}) {
        if (!allDigits(text(box)))
            return refuse(QStringLiteral("الرجاء إدخال قيمة المبلغ بالأرقام الصحيحة فقط، دون فاصلة عشرية أو إشارة"),
                          QStringLiteral("Text%1").arg(box));
        if (sw.amountDigits && text(box).size() > 12) {
            // Refused in the program's own words.
            out.boxes << BoxExpect{inputTitle, {}, false, false};
            return false;
        }
    }
    return true;
}

bool Books::chequePrintable(Outcome &out)
{
    if (!validate(Cheque, out))
        return false;
    // Words that read as another amount are questioned; the session answers No.
    const EntryWindow &e = m.entries[Cheque];
    const auto read = amountOfWords(e.texts.at(4));
    if (read && *read != std::pair(e.texts.at(7).toLongLong(), e.texts.at(6).toLongLong())) {
        out.boxes << exact(QStringLiteral("الرجاء التأكيد"),
                           QStringLiteral("المبلغ بالحروف لا يطابق المبلغ بالأرقام. هل تريد الحفظ؟"));
        out.focusForm = entryName(Cheque);
        out.focusWidget = QStringLiteral("Text5");
        return false;
    }
    return true;
}

void Books::save(Book b, Outcome &out)
{
    if (b == Cheque ? !chequePrintable(out) : !validate(b, out))
        return;
    EntryWindow &e = m.entries[b];
    if (!e.adding && e.key < 0 && std::any_of(e.texts.cbegin(), e.texts.cend(), [](const QString &text) {
            return !text.isEmpty();
        })) {
        // Typed on no record (an edit opened on an empty list, or on a record that went): there
        // is nowhere to write it. The user is told and the window stays with the typing.
        out.boxes << exact(QStringLiteral("خطأ في قاعدة البيانات"), QStringLiteral("لا يوجد سجل محدد."));
        return;
    }
    const qint64 standing = e.adding ? -1 : e.key;
    m_written = -1;
    if (e.adding && e.touched.isEmpty()) {
        // A new record nobody typed into cannot pass the checks.
    } else if (!writePending(b, out)) {
        // The window went and came back: it reads its set again, its typing kept.
        broughtToFront(entryName(b));
        return;
    }
    const qint64 saved = m_written >= 0 ? m_written : standing;
    hide(entryName(b));
    showFirst(b);
    afterEntryClosed(b, out, true, saved);
}

void Books::afterEntryClosed(Book b, Outcome &out, bool saved, qint64 savedKey)
{
    ListWindow &l = m.lists[b];
    if (!l.loaded)
        loadList(b);
    if (saved) {
        refreshList(b);
        // The highlight stays on the record saved, where the list shows it.
        if (const qsizetype at = m.shown(b).keys.indexOf(savedKey); savedKey >= 0 && at >= 0)
            l.current = int(at);
    }
    if (b == Note && !saved)
        show(listName(b));
    QStringList counts;
    for (const Snapshot &s : std::as_const(l.accepted))
        counts << m.countText(s.keys.size());
    l.panel1 = counts;
    if (b == Cheque) {
        l.panel2 = payeePanelAfterWrite(l);
        if (l.panelCount >= 3)
            l.panel3 = QStringList{m.grandTotalText()};
    }
    out.windowChange = true;
    if (m.top() == listName(b)) {
        out.focusForm = listName(b);
        out.focusWidget = QStringLiteral("grid");
    }
}

void Books::cancel(Book b, Outcome &out)
{
    EntryWindow &e = m.entries[b];
    e = EntryWindow(); // unloaded: what was typed goes with it
    hide(entryName(b));
    afterEntryClosed(b, out, false);
}

Outcome Books::entryClick(Book b, const QString &button)
{
    Outcome out;
    if (button == u"Command1")
        save(b, out);
    else if (button == u"Command2") {
        EntryWindow &e = m.entries[b];
        for (int i = 0; i < e.texts.size(); ++i) {
            if (!e.texts.at(i).isEmpty() && (e.adding || e.key >= 0))
                e.touched.insert(i);
            e.texts[i].clear();
        }
    } else if (button == u"Command3")
        cancel(b, out);
    else
        out.applicable = false;
    return out;
}

Outcome Books::navBar(const Action &a)
{
    Outcome out;
    bool isEntry = false;
    const std::optional<Book> b = bookOfForm(a.form, &isEntry);
    if (!b || !isEntry || m.top() != a.form) {
        out.applicable = false;
        return out;
    }
    EntryWindow &e = m.entries[*b];
    if (!e.navVisible || e.adding || e.key < 0) {
        out.applicable = false;
        return out;
    }
    if (e.setStale) {
        out.unsupported = true;
        out.why = QStringLiteral("navigation over a record set the other copy changed");
        return out;
    }
    const qsizetype at = e.set.indexOf(e.key);
    if (at < 0) {
        out.unsupported = true;
        out.why = QStringLiteral("navigation from a record not in the set");
        return out;
    }
    qsizetype to = at;
    if (a.control == u"first")
        to = 0;
    else if (a.control == u"previous")
        to = at - 1;
    else if (a.control == u"next")
        to = at + 1;
    else if (a.control == u"last")
        to = e.set.size() - 1;
    if (to < 0 || to >= e.set.size() || to == at)
        return out; // that end of the bar is disabled
    if (!writePending(*b, out))
        return out;
    showRecord(*b, e.set.at(to));
    return out;
}

void Books::show(const QString &form)
{
    m.show(form);
    broughtToFront(form);
}

void Books::hide(const QString &form)
{
    // The window shown last of those left comes to the front.
    m.hide(form);
    if (!m.stack.isEmpty())
        broughtToFront(m.top());
}

void Books::broughtToFront(const QString &form)
{
    bool isEntry = false;
    if (const std::optional<Book> b = bookOfForm(form, &isEntry); b && isEntry)
        reread(*b);
}

void Books::reread(Book b)
{
    EntryWindow &e = m.entries[b];
    if (!e.loaded)
        return;
    e.set = m.tables[b].rows.keys();
    e.setStale = false;
    // A record being typed over stays as it was read; its write finds out what became of it.
    if (e.adding || e.key < 0 || !e.touched.isEmpty())
        return;
    const Table &t = m.tables[b];
    if (!t.rows.contains(e.key)) {
        e.key = -1;
        for (QString &text : e.texts)
            text.clear();
        e.read.clear();
        rememberShownWords(e);
        e.calendar = m.today;
    } else if (rowDiffers(t.rows.value(e.key), e.read)) {
        showRecord(b, e.key);
    }
}

QString Books::conflictQuestion(Book b, const Row &stored) const
{
    const EntryWindow &e = m.entries[b];
    const Table &t = m.tables[b];
    QString fields;
    for (qsizetype c = 0; c < t.columns.size(); ++c) {
        if (!differs(stored.value(c), e.read.value(c)))
            continue;
        int box = int(entryBoxes(b).size()) - 1;
        while (box >= 0 && boxColumn(b, box) != t.columns.at(c))
            --box;
        const QString mine = box >= 0 && e.touched.contains(box) ? e.texts.at(box) : e.read.value(c).toString();
        fields += QStringLiteral("%1: المحفوظ الآن %2، وفي نافذتك %3\n")
                      .arg(t.columns.at(c), quoted(stored.value(c).toString()), quoted(mine));
    }
    return QStringLiteral("غيّر برنامج آخر أو نسخة أخرى من هذا البرنامج هذا السجل بعد أن فتحته%1\n%2"
                          "هل تريد حفظ تعديلاتك عليه؟\nاختر «لا» لعرض السجل كما هو محفوظ الآن.")
        .arg(fields.isEmpty() ? QStringLiteral(".") : QStringLiteral(":"), fields);
}

} // namespace session
