// The windows and the lists: opening the books, the start window and the menu, searches,
// deletes, the grids, the close boxes, and what the other copy writes.
#include "books.h"

#include <QDate>

namespace session {

namespace {

const QString notFoundTitle = QStringLiteral("السجل غير موجود");


} // namespace

Outcome Books::apply(const Action &a)
{
    m_answer = a.answer;
    Outcome out = applyAction(a);
    // The frame never stands empty: an action that leaves no window on screen brings the
    // start window back.
    if (m.stack.isEmpty()) {
        m.stack << QStringLiteral("Form1");
        out.windowChange = true;
    }
    return out;
}

Outcome Books::applyAction(const Action &a)
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
    case Act::Sync:
        return syncRound(a);
    case Act::Screen:
        return {}; // the windows take the room they are given; the books stay as they are
    case Act::HelpFind: {
        // Finding in the help text changes nothing the model follows.
        Outcome out;
        out.applicable = m.top() == u"Form8";
        return out;
    }
    case Act::Print: {
        Outcome out;
        if (a.control == u"cheque") {
            // The save's checks and question, then the cheque goes to the printer as it stands.
            out.applicable = m.top() == u"Form7";
            if (out.applicable)
                out.printed = chequePrintable(out);
        } else {
            const QString top = m.top();
            out.printed = top == u"Form2" || top == u"Form4" || top == u"Form6";
        }
        return out;
    }
    case Act::Deleted:
        return deletedWindow(a);
    case Act::Exchange:
        return exchange(a);
    case Act::Backup: {
        // A copy of the file is written and the user told: the books are as they were.
        Outcome out;
        out.applicable = m.top() == u"Form1";
        if (out.applicable)
            out.boxes << anyBox();
        return out;
    }
    case Act::Reminders: {
        // The clock moves on; the reminder window is answered and closed within the act, and
        // the books are as they were.
        Outcome out;
        const QDateTime to = QDateTime::fromString(a.text, Qt::ISODate);
        out.applicable = to.isValid();
        if (to > m.clock)
            m.clock = to;
        return out;
    }
    case Act::Layouts: {
        // The layouts change what cheques print like, nothing of the books.
        Outcome out;
        out.applicable = m.top() == u"Form1";
        return out;
    }
    case Act::PickItem:
        return pickItem(a);
    case Act::Undo:
        return undo(a);
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
        show(QStringLiteral("Form8"));
        hide(QStringLiteral("Form1"));
        out.windowChange = true;
    } else if (item == u"hijri") {
        openHijriOptions(out);
    } else if (const auto lead = std::ranges::find(leadItems(), item, &std::pair<QString, int>::first); lead != leadItems().end()) {
        m.lead = lead->second; // kept in the file; the windows are as they were
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
    show(listName(b));
    hide(QStringLiteral("Form1"));
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
    const int row = l.current;
    m.keepDeleted(b, *key);
    m.tables[b].rows.remove(*key);
    refreshList(b);
    // The next record takes the highlight, or the last one when the last went.
    if (const int rows = int(m.shown(b).keys.size()); row > 0 && rows > 0)
        l.current = qMin(row, rows - 1);
    l.panel1 = QStringList{m.countText(m.shown(b).keys.size())};
    if (b == Cheque) {
        l.panel2 = payeePanelAfterWrite(l);
        l.panel3 = QStringList{m.grandTotalText()};
    }
    m.entries[b].setStale = true;
}

Outcome Books::deletedWindow(const Action &a)
{
    Outcome out;
    out.applicable = m.top() == u"Form1";
    if (!out.applicable)
        return out;
    // The window lists every book's deleted records, the last deleted first.
    QList<std::pair<Book, qsizetype>> listed;
    for (Book b : {Phone, Note, Cheque}) {
        for (qsizetype i = 0; i < m.deleted[b].size(); ++i)
            listed << std::pair(b, i);
    }
    std::sort(listed.begin(), listed.end(), [this](const auto &x, const auto &y) {
        return m.deleted[x.first].at(x.second).order > m.deleted[y.first].at(y.second).order;
    });
    if (listed.isEmpty())
        return out; // nothing to choose, nothing to empty
    if (a.n < 0) {
        // Emptied, after a question the user answers yes.
        out.boxes << exact(QStringLiteral("الرجاء التأكيد"),
                           QStringLiteral("هل تريد إفراغ قائمة المحذوفات؟ لن يمكن استعادتها بعد ذلك."));
        for (auto &kept : m.deleted)
            kept.clear();
        return out;
    }
    // The chosen one comes back into its book, behind the back of its list.
    const auto [b, i] = listed.at(a.n % listed.size());
    m.putBack(b, m.deleted[b].takeAt(i));
    widen(b);
    return out;
}

QStringList Books::payeePanelAfterWrite(const ListWindow &l) const
{
    // The payee total shown stays, or follows its query where a name search filled it: blank
    // while the payee has no cheque, back when one returns.
    if (l.nameSearched)
        return QStringList{m.payeeTotalText(l.namePattern).value_or(QString())};
    return l.panel2.mid(0, 1);
}

void Books::rereadAsAfterSave(Book b)
{
    ListWindow &l = m.lists[b];
    refreshList(b);
    l.panel1 = QStringList{m.countText(m.shown(b).keys.size())};
    if (b == Cheque) {
        l.panel2 = payeePanelAfterWrite(l);
        if (l.panelCount >= 3)
            l.panel3 = QStringList{m.grandTotalText()};
    }
    m.entries[b].setStale = true;
}

Outcome Books::undo(const Action &a)
{
    Outcome out;
    bool isEntry = false;
    const std::optional<Book> b = bookOfForm(a.form, &isEntry);
    if (!b || isEntry || m.top() != a.form) {
        out.applicable = false;
        return out;
    }
    // An import newer than the book's last delete is undone instead, after a question.
    const QList<Model::Import> &imports = m.imports[*b];
    if (!imports.isEmpty() && (m.deleted[*b].isEmpty() || imports.last().order > m.deleted[*b].last().order)) {
        out.boxes << anyBox();
        if (a.answer != 1)
            return out;
        for (qint64 key : m.imports[*b].takeLast().keys)
            m.tables[*b].rows.remove(key);
        rereadAsAfterSave(*b);
        return out;
    }
    if (m.deleted[*b].isEmpty())
        return out; // nothing to put back: nothing happens, nothing is said
    // The last record deleted from the book comes back under its former identity when that
    // is free; the list is read again as after a save, with the record current.
    const qint64 at = m.putBack(*b, m.deleted[*b].takeLast());
    rereadAsAfterSave(*b);
    if (const qsizetype index = m.shown(*b).keys.indexOf(at); index >= 0)
        m.lists[*b].current = int(index);
    return out;
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

Outcome Books::click(const QString &form, const QString &button, bool doubleClick)
{
    Outcome out;
    if (m.top() != form) {
        out.applicable = false;
        return out;
    }
    if (form == u"Form10")
        return hijriClick(button, doubleClick);
    if (form == u"Form8") {
        if (button != u"Command1") {
            out.applicable = false;
            return out;
        }
        m.helpLoaded = false;
        hide(form);
        show(QStringLiteral("Form1"));
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
        // A second click lands on the entry window now on top; where the first could not
        // write what that window held, the second tries again.
        if (!beginNew(b, out) && doubleClick)
            beginNew(b, out);
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
        hide(listName(b));
        show(QStringLiteral("Form1"));
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
    QString text = max > 0 ? a.text.left(max) : a.text;
    if (isEntry) {
        EntryWindow &e = m.entries[*b];
        const int box = int(entryBoxes(*b).indexOf(a.control));
        if (box < 0) {
            out.applicable = false;
            return out;
        }
        if (*b == Cheque && (box == 6 || box == 7)) {
            // The amounts take digits alone as they are typed: the rest never gets in.
            text.removeIf([](QChar c) { return c < u'0' || c > u'9'; });
            if (a.n == 1 && text == e.texts.at(box))
                return out; // the key was refused: nothing changed
        }
        if ((!e.texts.at(box).isEmpty() || !text.isEmpty()) && (e.adding || e.key >= 0))
            e.touched.insert(box);
        if (*b == Note && box >= 3 && box <= 5) {
            // Each step of the typing: the calendar moves to a date the boxes name, and the
            // weekday box names its weekday.
            const auto step = [&](const QString &now) {
                e.texts[box] = now;
                const std::optional<QDate> date = boxDate(e.texts.at(3), e.texts.at(4), e.texts.at(5));
                if (!date)
                    return;
                if (*date >= QDate(1753, 1, 1) && *date <= QDate(9999, 12, 31))
                    e.calendar = *date;
                const QString weekday = weekdayOf(*date);
                if (e.texts.at(1) != weekday) {
                    e.texts[1] = weekday;
                    if (e.adding || e.key >= 0)
                        e.touched.insert(1);
                }
            };
            if (a.n == 1) {
                step(text);
            } else {
                if (!e.texts.at(box).isEmpty())
                    step(QString());
                for (qsizetype n = 1; n <= text.size(); ++n)
                    step(text.left(n));
            }
        }
        if (*b == Cheque && (box == 6 || box == 7)) {
            // The words follow every step of the typing: a single key is one step; a typed
            // text empties the box, then adds a character at a time.
            const auto step = [&](const QString &now) {
                e.texts[box] = now;
                amountEdited(e);
            };
            if (a.n == 1) {
                step(text);
            } else {
                if (!e.texts.at(box).isEmpty())
                    step(QString());
                for (qsizetype n = 1; n <= text.size(); ++n)
                    step(text.left(n));
            }
        }
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

Outcome Books::closeBox(const Action &a)
{
    Outcome out;
    if (m.top() != a.form || a.form == u"Form1") {
        out.applicable = false;
        return out;
    }
    hide(a.form);
    out.windowChange = true;
    if (a.form == u"Form8") {
        m.helpLoaded = false;
        return out;
    }
    if (a.form == u"Form10") {
        m.hijriWindowLoaded = false; // closed as by its cancel button
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

Outcome Books::exchange(const Action &a)
{
    Outcome out;
    out.applicable = m.top() == u"Form1" && a.n >= 0 && a.n <= 2;
    if (!out.applicable)
        return out;
    if (a.m == 0) {
        out.boxes << anyBox(); // exported, and told: the books are as they were
        return out;
    }
    // Each record of the file not identical to one stored (or to one before it) is added, in
    // the file's order; with nothing to add the preview offers nothing and is cancelled.
    const Book b = Book(a.n);
    Table &t = m.tables[b];
    const qsizetype width = t.columns.size();
    Model::Import imported;
    for (qsizetype start = 0; start + width <= a.values.size(); start += width) {
        Row row;
        for (qsizetype i = 0; i < width; ++i)
            row << storedValue(b, t.columns.at(i), a.values.at(start + i));
        // Words made for one dinar more than the figures: left out when the user said so.
        const bool leftOut = b == Cheque && a.answer == 1
            && row.at(6).toString() == wordsOf(row.at(4).toLongLong() + 1, row.at(5).toLongLong());
        if (!leftOut && std::find(t.rows.cbegin(), t.rows.cend(), row) == t.rows.cend())
            imported.keys << insert(b, row);
    }
    if (imported.keys.isEmpty())
        return out;
    imported.order = ++m.deletes;
    m.imports[b] << imported;
    out.boxes << anyBox();
    widen(b);
    return out;
}

// The second device's record comes in at the end of the book, where the file gives a new
// record its identity; what this copy holds goes to the server and changes nothing here.
Outcome Books::syncRound(const Action &a)
{
    Outcome out;
    out.applicable = sw.sync;
    const Book b = a.control == u"Note" ? Note : Phone;
    if (!sw.sync || a.values.isEmpty())
        return out;
    Row row;
    for (int i = 0; i < m.tables[b].columns.size(); ++i)
        row << storedValue(b, m.tables[b].columns.at(i), a.values.value(i));
    if (b == Phone || placedInCalendar(row)) {
        insert(b, row);
        widen(b);
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
    if (a.n == 3) {
        // The same books in another file under the name: the program lets go of the old one,
        // tells the user (once it had the file open), and every window reads the new one.
        out.boxes << anyBox(true);
        for (Book each : {Phone, Note, Cheque})
            widen(each);
        return out;
    }
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
        if (a.n == 1) {
            t.rows.insert(key, row);
        } else {
            m.keepDeleted(b, key);
            t.rows.remove(key);
        }
    }
    widen(b);
    return out;
}

} // namespace session
