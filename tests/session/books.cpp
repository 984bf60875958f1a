#include "books.h"

#include <QDate>

namespace session {

namespace {

const QString inputTitle = QStringLiteral("خطأ في المدخلات");
const QString notFoundTitle = QStringLiteral("السجل غير موجود");

BoxExpect exact(const QString &title, const QString &text)
{
    return {title, text, true, false};
}

// A box whose words are the program's own (a data error, a record gone, a choice).
BoxExpect anyBox(bool optional = false)
{
    return {{}, {}, false, optional};
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

} // namespace

Outcome Books::apply(const Action &a)
{
    switch (a.act) {
    case Act::StartButton:
    case Act::Menu:
        return startOrMenu(a);
    case Act::Click:
        return click(a.form, a.control, false);
    case Act::DoubleClick:
        return click(a.form, a.control, true);
    case Act::Type:
        return type(a);
    case Act::PickKind:
        return pickKind(a);
    case Act::GridClick:
    case Act::GridKey:
    case Act::SelectorClick:
        return gridAction(a);
    case Act::NavBar:
        return navBar(a);
    case Act::CloseBox:
        return closeBox(a);
    case Act::OtherWrite:
        return otherWrite(a);
    case Act::FocusKey:
        if (a.form == u"noop")
            return {}; // a key that changes nothing the model follows
        break;     // otherwise resolved by the driver into one of the above
    }
    Outcome out;
    out.applicable = false;
    return out;
}

Outcome Books::startOrMenu(const Action &a)
{
    Outcome out;
    if (a.act == Act::StartButton) {
        if (m.top() != u"Form1" || a.n < 1 || a.n > 3) {
            out.applicable = false;
            return out;
        }
        openList(Book(a.n - 1), false, out);
        return out;
    }
    const QString &item = a.control;
    if (item == u"phone" || item == u"note" || item == u"check") {
        openList(item == u"phone" ? Phone : item == u"note" ? Note : Cheque, true, out);
    } else if (item == u"addphone" || item == u"addnote" || item == u"addcheck") {
        beginNew(item == u"addphone" ? Phone : item == u"addnote" ? Note : Cheque, out);
    } else if (item == u"help") {
        m.helpLoaded = true;
        m.show(QStringLiteral("Form8"));
        m.hide(QStringLiteral("Form1"));
        out.windowChange = true;
    } else if (item == u"exit") {
        out.boxes << exact(QStringLiteral("الرجاء التأكيد"), QStringLiteral("هل تريد الخروج من البرنامج؟"));
    } else {
        out.applicable = false;
    }
    return out;
}

void Books::loadList(Book b)
{
    ListWindow &l = m.lists[b];
    const QString caption = l.caption;
    l = ListWindow();
    l.caption = caption;
    l.loaded = true;
    l.accepted = {m.whole(b)};
    l.current = l.accepted.first().keys.isEmpty() ? -1 : 0;
    l.panel1 = QStringList{QString()};
    l.panel2 = QStringList{QString()};
}

void Books::refreshList(Book b)
{
    ListWindow &l = m.lists[b];
    l.accepted = {m.select(b, l.search)};
    l.current = l.accepted.first().keys.isEmpty() ? -1 : 0;
}

void Books::widen(Book b)
{
    ListWindow &l = m.lists[b];
    if (l.loaded) {
        const Snapshot now = m.select(b, l.search);
        if (!(l.accepted.last() == now))
            l.accepted << now;
        const QString count = m.countText(now.keys.size());
        if (!l.panel1.contains(count))
            l.panel1 << count;
        if (b == Cheque) {
            const QString grand = m.grandTotalText();
            if (!l.panel3.contains(grand))
                l.panel3 << grand;
            if (l.nameSearched) {
                const QString payee = m.payeeTotalText(l.namePattern).value_or(QString());
                if (!l.panel2.contains(payee))
                    l.panel2 << payee;
            }
        }
    }
    m.entries[b].setStale = true;
}

void Books::openList(Book b, bool fromMenu, Outcome &out)
{
    Q_UNUSED(fromMenu);
    ListWindow &l = m.lists[b];
    if (!l.loaded)
        loadList(b);
    m.show(listName(b));
    m.hide(QStringLiteral("Form1"));
    out.windowChange = true;
    if (b == Phone) {
        QStringList counts;
        for (const Snapshot &s : std::as_const(l.accepted))
            counts << m.countText(s.keys.size());
        l.panel1 = counts;
    } else if (b == Note) {
        if (l.panelCount < 3) {
            QStringList counts;
            for (const Snapshot &s : std::as_const(l.accepted))
                counts << m.countText(s.keys.size());
            l.panel1 = counts;
            l.panelCount = 3;
        }
    } else {
        QStringList counts;
        for (const Snapshot &s : std::as_const(l.accepted))
            counts << m.countText(s.keys.size());
        l.panel1 = counts;
        l.panelCount = 3;
        l.panel3 = QStringList{m.grandTotalText()};
    }
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
            if (!text.isEmpty() && !allDigits(text) && (e.adding || e.touched.contains(i))) {
                out.unsupported = true;
                out.why = QStringLiteral("a move writes a cheque whose amount is not a number");
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
        insert(b, row);
    } else if (e.key >= 0) {
        if (!t.rows.contains(e.key) || t.rows.value(e.key) != e.read) {
            out.unsupported = true;
            out.why = QStringLiteral("a move writes a record the other copy changed");
            return false;
        }
        Row row = t.rows.value(e.key);
        for (int i : std::as_const(e.touched)) {
            const QString column = boxColumn(b, i);
            row[t.columns.indexOf(column)] = storedValue(b, column, e.texts.at(i));
        }
        t.rows.insert(e.key, row);
    } else {
        return true; // no current record: typing made nothing pending
    }
    e.touched.clear();
    e.adding = false;
    widen(b);
    return true;
}

void Books::beginNew(Book b, Outcome &out)
{
    EntryWindow &e = m.entries[b];
    if (e.loaded && !writePending(b, out))
        return;
    if (!e.loaded)
        loadEntry(b);
    m.show(entryName(b));
    e.adding = true;
    e.key = -1;
    for (QString &text : e.texts)
        text.clear();
    e.touched.clear();
    e.read.clear();
    e.navVisible = false;
    out.windowChange = true;
    out.focusForm = entryName(b);
    out.focusWidget = QStringLiteral("Text1");
}

void Books::edit(Book b, Outcome &out)
{
    const std::optional<qint64> key = m.highlighted(b);
    EntryWindow &e = m.entries[b];
    if (key && !m.tables[b].rows.contains(*key)) {
        out.unsupported = true;
        out.why = QStringLiteral("edit of a record the other copy deleted");
        return;
    }
    if (key && e.loaded && !writePending(b, out))
        return;
    if (!e.loaded)
        loadEntry(b);
    m.show(entryName(b));
    e.caption = editCaption(b);
    if (key) {
        showRecord(b, *key);
        e.set = m.tables[b].rows.keys();
        e.setStale = false;
    }
    out.windowChange = true;
    out.focusForm = entryName(b);
    out.focusWidget = QStringLiteral("Text1");
}

void Books::deleteRecord(Book b, Outcome &out)
{
    ListWindow &l = m.lists[b];
    const std::optional<qint64> key = m.highlighted(b);
    if (!key)
        return; // nothing selected: nothing happens, nothing is said
    if (!m.tables[b].rows.contains(*key)) {
        if (!sw.staleRows) {
            out.unsupported = true;
            out.why = QStringLiteral("delete of a record the other copy deleted");
            return;
        }
        // The other copy deleted it: the user is told, nothing is deleted.
        out.boxes << anyBox();
        widen(b);
        out.adoptBook = b;
        return;
    }
    m.tables[b].rows.remove(*key);
    refreshList(b);
    l.panel1 = QStringList{m.countText(m.shown(b).keys.size())};
    if (b == Cheque) {
        QStringList payee = l.panel2.mid(0, 1);
        if (l.nameSearched) {
            const QString now = m.payeeTotalText(l.namePattern).value_or(QString());
            if (!payee.contains(now))
                payee << now;
        }
        l.panel2 = payee;
        l.panel3 = QStringList{m.grandTotalText()};
    }
    m.entries[b].setStale = true;
}

void Books::search(Book b, Outcome &out)
{
    ListWindow &l = m.lists[b];
    if (l.kind < 0) {
        out.boxes << exact(QStringLiteral("خطأ في البحث"), QStringLiteral("الرجاء تحديد نوع البحث"));
        QStringList counts;
        for (const Snapshot &s : std::as_const(l.accepted))
            counts << m.countText(s.keys.size());
        l.panel1 = counts;
        return;
    }
    Search s;
    QString notFound;
    if (b == Phone) {
        s.kind = l.kind == 0 ? Search::PhoneName : Search::PhoneNumber;
        s.patterns = QStringList{l.text1 + u'*'};
        notFound = l.text1 + (l.kind == 0 ? QStringLiteral(" was not found!") : QStringLiteral(" was not found"));
    } else if (l.kind == 0) {
        s.kind = Search::ChequeDate;
        s.patterns = QStringList{l.text2 + u'*', l.text3 + u'*', l.text4 + u'*'};
        notFound = QStringLiteral("No results were found!");
    } else {
        s.kind = Search::ChequeName;
        s.patterns = QStringList{l.text1 + u'*'};
        notFound = l.text1 + QStringLiteral(" was not found!");
    }
    l.search = s;
    refreshList(b);
    const bool empty = m.shown(b).keys.isEmpty();
    if (empty) {
        out.boxes << exact(notFoundTitle, notFound);
    } else if (b == Cheque && l.kind == 1) {
        l.nameSearched = true;
        l.namePattern = s.patterns.first();
        l.panel2 = QStringList{m.payeeTotalText(l.namePattern).value_or(QString())};
    }
    l.panel1 = QStringList{m.countText(m.shown(b).keys.size())};
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
        const QDate today = QDate::currentDate();
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
    for (int box : {8, 7}) {
        if (!allDigits(text(box)))
            return refuse(QStringLiteral("الرجاء إدخال قيمة المبلغ بالأرقام الصحيحة فقط، دون فاصلة عشرية أو إشارة"),
                          QStringLiteral("Text%1").arg(box));
    }
    if (sw.amountDigits && (text(8).size() > 12 || text(7).size() > 12)) {
        // Refused in the program's own words.
        out.boxes << BoxExpect{inputTitle, {}, false, false};
        return false;
    }
    return true;
}

void Books::save(Book b, Outcome &out)
{
    if (!validate(b, out))
        return;
    EntryWindow &e = m.entries[b];
    Table &t = m.tables[b];
    if (!e.adding && e.key >= 0 && !e.touched.isEmpty()) {
        if (!t.rows.contains(e.key) || (!sw.staleRows && t.rows.value(e.key) != e.read)) {
            if (!sw.staleRows) {
                out.unsupported = true;
                out.why = QStringLiteral("save of a record the other copy changed");
                return;
            }
            // The other copy deleted the record: the user is told, keeps what was typed.
            out.boxes << anyBox();
            return;
        }
        if (t.rows.value(e.key) != e.read) {
            out.boxes << anyBox(true);
            out.conflict = true;
            out.conflictBook = b;
            out.conflictKey = e.key;
            out.theirs = t.rows.value(e.key);
            out.merged = out.theirs;
            for (int i : std::as_const(e.touched)) {
                const QString column = boxColumn(b, i);
                out.merged[t.columns.indexOf(column)] = storedValue(b, column, e.texts.at(i));
            }
            return; // settled from the file afterwards
        }
    }
    if (e.adding && e.touched.isEmpty()) {
        // A new record nobody typed into cannot pass the checks.
    } else if (!writePending(b, out)) {
        return;
    }
    m.hide(entryName(b));
    showFirst(b);
    afterEntryClosed(b, out, true);
}

void Books::afterEntryClosed(Book b, Outcome &out, bool saved)
{
    ListWindow &l = m.lists[b];
    if (!l.loaded)
        loadList(b);
    if (saved)
        refreshList(b);
    if (b == Note && !saved)
        m.show(listName(b));
    QStringList counts;
    for (const Snapshot &s : std::as_const(l.accepted))
        counts << m.countText(s.keys.size());
    l.panel1 = counts;
    if (b == Cheque) {
        QStringList payee = l.panel2.mid(0, 1);
        if (l.nameSearched) {
            const QString now = m.payeeTotalText(l.namePattern).value_or(QString());
            if (!payee.contains(now))
                payee << now;
        }
        l.panel2 = payee;
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
    m.hide(entryName(b));
    afterEntryClosed(b, out, false);
}

Outcome Books::click(const QString &form, const QString &button, bool doubleClick)
{
    Outcome out;
    if (m.top() != form) {
        out.applicable = false;
        return out;
    }
    if (form == u"Form8") {
        if (button != u"Command1") {
            out.applicable = false;
            return out;
        }
        m.helpLoaded = false;
        m.hide(form);
        m.show(QStringLiteral("Form1"));
        out.windowChange = true;
        return out;
    }
    bool isEntry = false;
    const std::optional<Book> b = bookOfForm(form, &isEntry);
    if (!b) {
        out.applicable = false;
        return out;
    }
    if (isEntry) {
        if (doubleClick) {
            out.applicable = false;
            return out;
        }
        return entryClick(*b, button);
    }
    return listClick(*b, button, doubleClick);
}

Outcome Books::listClick(Book b, const QString &button, bool doubleClick)
{
    Outcome out;
    // The buttons: phone add/search/delete/back/edit = 1/2/3/4/5; appointments add/delete/
    // back/edit = 1/2/3/4; cheques write/search/delete/back/edit = 1/2/3/4/5.
    QString role;
    if (b == Note) {
        role = button == u"Command1" ? QStringLiteral("add") : button == u"Command2" ? QStringLiteral("delete")
             : button == u"Command3" ? QStringLiteral("back") : button == u"Command4" ? QStringLiteral("edit")
                                                                                     : QString();
    } else {
        role = button == u"Command1" ? QStringLiteral("add") : button == u"Command2" ? QStringLiteral("search")
             : button == u"Command3" ? QStringLiteral("delete") : button == u"Command4" ? QStringLiteral("back")
             : button == u"Command5" ? QStringLiteral("edit") : QString();
    }
    if (role.isEmpty()) {
        out.applicable = false;
        return out;
    }
    if (role == u"add") {
        beginNew(b, out); // a second click lands on the entry window now on top
    } else if (role == u"search") {
        search(b, out);
        if (doubleClick)
            out.applicable = false; // the second click's boxes are not modelled
    } else if (role == u"delete") {
        deleteRecord(b, out); // the second click of a double click is ignored
    } else if (role == u"back") {
        if (doubleClick) {
            out.applicable = false;
            return out;
        }
        m.hide(listName(b));
        m.show(QStringLiteral("Form1"));
        out.windowChange = true;
    } else {
        if (doubleClick) {
            out.applicable = false;
            return out;
        }
        edit(b, out);
    }
    return out;
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

Outcome Books::type(const Action &a)
{
    Outcome out;
    bool isEntry = false;
    const std::optional<Book> b = bookOfForm(a.form, &isEntry);
    if (!b || m.top() != a.form) {
        out.applicable = false;
        return out;
    }
    const int max = boxMaxLength(a.form, a.control);
    const QString text = max > 0 ? a.text.left(max) : a.text;
    if (isEntry) {
        EntryWindow &e = m.entries[*b];
        const int box = int(entryBoxes(*b).indexOf(a.control));
        if (box < 0) {
            out.applicable = false;
            return out;
        }
        if ((!e.texts.at(box).isEmpty() || !text.isEmpty()) && (e.adding || e.key >= 0))
            e.touched.insert(box);
        e.texts[box] = text;
        return out;
    }
    ListWindow &l = m.lists[*b];
    if (*b == Note) {
        out.applicable = false;
    } else if (a.control == u"Text1" && (*b == Phone || l.kind == 1)) {
        l.text1 = text;
    } else if (*b == Cheque && l.kind == 0 && a.control == u"Text2") {
        l.text2 = text;
    } else if (*b == Cheque && l.kind == 0 && a.control == u"Text3") {
        l.text3 = text;
    } else if (*b == Cheque && l.kind == 0 && a.control == u"Text4") {
        l.text4 = text;
    } else {
        out.applicable = false;
    }
    return out;
}

Outcome Books::pickKind(const Action &a)
{
    Outcome out;
    bool isEntry = false;
    const std::optional<Book> b = bookOfForm(a.form, &isEntry);
    if (!b || isEntry || *b == Note || m.top() != a.form || a.n < 0 || a.n > 1) {
        out.applicable = false;
        return out;
    }
    ListWindow &l = m.lists[*b];
    l.kind = a.n;
    out.focusForm = a.form;
    out.focusWidget = *b == Phone || a.n == 1 ? QStringLiteral("Text1") : QStringLiteral("Text2");
    return out;
}

Outcome Books::gridAction(const Action &a)
{
    Outcome out;
    bool isEntry = false;
    const std::optional<Book> b = bookOfForm(a.form, &isEntry);
    if (!b || isEntry || m.top() != a.form) {
        out.applicable = false;
        return out;
    }
    ListWindow &l = m.lists[*b];
    const int rows = int(m.shown(*b).keys.size());
    if (rows == 0) {
        out.applicable = false;
        return out;
    }
    if (a.act == Act::GridClick || a.act == Act::SelectorClick) {
        l.current = a.n % rows;
        return out;
    }
    const bool ctrl = a.m & Qt::ControlModifier;
    switch (a.n) {
    case Qt::Key_Up:
        l.current = qMax(0, l.current - 1);
        break;
    case Qt::Key_Down:
        l.current = qMin(rows - 1, l.current + 1);
        break;
    case Qt::Key_Home:
        if (ctrl)
            l.current = 0;
        break;
    case Qt::Key_End:
        if (ctrl)
            l.current = rows - 1;
        break;
    case Qt::Key_PageUp:
        out.adoptBook = *b;
        out.direction = -1;
        break;
    case Qt::Key_PageDown:
        out.adoptBook = *b;
        out.direction = 1;
        break;
    default:
        out.adoptBook = *b; // a key the model does not follow: the grid says where it went
        break;
    }
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

Outcome Books::closeBox(const Action &a)
{
    Outcome out;
    if (m.top() != a.form || a.form == u"Form1") {
        out.applicable = false;
        return out;
    }
    m.hide(a.form);
    out.windowChange = true;
    if (a.form == u"Form8") {
        m.helpLoaded = false;
        return out;
    }
    bool isEntry = false;
    const std::optional<Book> b = bookOfForm(a.form, &isEntry);
    if (!b)
        return out;
    if (isEntry) {
        m.entries[*b] = EntryWindow(); // what was typed is dropped with the window
    } else {
        const QString caption = m.lists[*b].caption;
        m.lists[*b] = ListWindow();
        m.lists[*b].caption = caption;
    }
    return out;
}

Outcome Books::otherWrite(const Action &a)
{
    Outcome out;
    const int book = a.control == u"Phone" ? Phone : a.control == u"Note" ? Note : a.control == u"Cheque" ? Cheque : -1;
    if (book < 0 || !sw.otherCopy) {
        out.applicable = false;
        return out;
    }
    const Book b = Book(book);
    Table &t = m.tables[b];
    Row row;
    for (int i = 0; i < t.columns.size(); ++i)
        row << storedValue(b, t.columns.at(i), a.values.value(i));
    if (a.n == 0) {
        insert(b, row);
    } else {
        if (t.rows.isEmpty()) {
            out.applicable = false;
            return out;
        }
        const qint64 key = t.rows.keys().at(a.m % t.rows.size());
        if (a.n == 1)
            t.rows.insert(key, row);
        else
            t.rows.remove(key);
    }
    widen(b);
    return out;
}

void Books::settleConflict(const Outcome &outcome, const Row &inFile, bool entryShown)
{
    const Book b = outcome.conflictBook;
    m.tables[b].rows.insert(outcome.conflictKey, inFile);
    widen(b);
    if (!entryShown) {
        m.hide(entryName(b));
        showFirst(b);
        Outcome ignored;
        afterEntryClosed(b, ignored, true);
    } else {
        // Still editing: the record as the file now holds it is what was read.
        EntryWindow &e = m.entries[b];
        e.read = inFile;
    }
}

} // namespace session
