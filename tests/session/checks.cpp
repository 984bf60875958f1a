// The checks after every action: message boxes, windows, the file, each list and entry
// window, and the focus, each against the model.
#include "driver.h"

#include "access.h"

#include "common/datacontrol.h"
#include "common/dbgrid.h"
#include "common/statusbar.h"
#include "common/textbox.h"
#include "common/twips.h"
#include "shell/mdiform1.h"
#include "testsupport.h"

#include <QCalendarWidget>
#include <QHeaderView>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QRegularExpression>
#include <QSqlQuery>
#include <QTableView>

#include <algorithm>
#include <cmath>

namespace session {

namespace {

const QStringList formNames{QStringLiteral("Form1"), QStringLiteral("Form2"), QStringLiteral("Form3"),
                            QStringLiteral("Form4"), QStringLiteral("Form5"), QStringLiteral("Form6"),
                            QStringLiteral("Form7"), QStringLiteral("Form8"), QStringLiteral("Form10")};

QString quoteList(const QStringList &texts)
{
    QStringList quoted;
    for (const QString &t : texts)
        quoted << u'"' + t + u'"';
    return quoted.join(QStringLiteral(" or "));
}

QString rowsText(const QList<QStringList> &rows)
{
    QStringList lines;
    for (const QStringList &r : rows)
        lines << QStringLiteral("    ") + r.join(QStringLiteral(" | "));
    return lines.isEmpty() ? QStringLiteral("    (no rows)") : lines.join(u'\n');
}

QList<QStringList> snapshotText(const Snapshot &s)
{
    QList<QStringList> rows;
    for (const Row &row : s.rows) {
        QStringList cells;
        for (const QVariant &v : row)
            cells << cellText(v);
        rows << cells;
    }
    return rows;
}

// A value as a grid cell shows it: a value of several lines by its first and "↵".
QString firstLine(const QString &value)
{
    static const QRegularExpression lineBreak(QStringLiteral("[\\r\\n\\x{2028}\\x{2029}]"));
    const qsizetype at = value.indexOf(lineBreak);
    return at < 0 ? value : value.left(at).trimmed() + QStringLiteral(" ↵");
}

// Where a list's values may be cut: the long texts (address, e-mail, notes; the appointment;
// the amount in words, the reason). The grid's right margin in the design, in twips.
const QList<int> longTexts[3] = {{1, 2, 7}, {5}, {6, 7}};
const int gridRightMargin[3] = {360, 1905, 345};

QString keyList(const QList<qint64> &keys)
{
    QStringList texts;
    for (const qint64 key : keys)
        texts << QString::number(key);
    return texts.join(u',');
}

QString canonical(const QVariant &v)
{
    if (v.isNull())
        return QStringLiteral("∅");
    if (v.typeId() == QMetaType::LongLong || v.typeId() == QMetaType::Int)
        return u'#' + v.toString();
    return u'\'' + v.toString();
}

} // namespace

std::optional<Failure> Driver::checkAll(const Outcome &outcome, int index)
{
    std::optional<Failure> f = checkBoxes(outcome);
    if (!f)
        f = checkWindows();
    if (!f)
        f = checkFile();
    for (int b = 0; b < 3 && !f; ++b) {
        if (m_model->lists[b].loaded)
            f = checkList(Book(b), outcome);
    }
    for (int b = 0; b < 3 && !f; ++b) {
        if (m_model->entries[b].loaded)
            f = checkEntry(Book(b));
    }
    if (!f)
        f = checkHijri();
    if (!f)
        f = checkFocus(outcome);
    if (f)
        f->index = index;
    return f;
}

std::optional<Failure> Driver::checkBoxes(const Outcome &outcome)
{
    const auto seenText = [this] {
        QStringList lines;
        for (const Seen &s : std::as_const(m_seen))
            lines << QStringLiteral("    \"%1\": \"%2\" [%3]").arg(s.title, s.text, s.buttons.join(u','));
        return lines.isEmpty() ? QStringLiteral("    (none)") : lines.join(u'\n');
    };
    int seen = 0;
    for (const BoxExpect &e : outcome.boxes) {
        if (seen < m_seen.size()) {
            const Seen &s = m_seen.at(seen);
            if (!e.exact && (e.title.isEmpty() || e.title == s.title)) {
                ++seen;
                continue;
            }
            if (e.exact && s.title == e.title && s.text == e.text) {
                ++seen;
                continue;
            }
        }
        if (e.optional)
            continue;
        return Failure{-1, QStringLiteral("box"),
                       QStringLiteral("expected a message box \"%1\": \"%2\"; the boxes shown:\n%3")
                           .arg(e.title, e.exact ? e.text : QStringLiteral("(any text)"), seenText())};
    }
    if (seen < m_seen.size())
        return Failure{-1, QStringLiteral("box"),
                       QStringLiteral("a message box no step calls for; the boxes shown:\n%1").arg(seenText())};
    return std::nullopt;
}

std::optional<Failure> Driver::checkWindows()
{
    const Model &m = *m_model;
    for (const QString &name : formNames) {
        dalil::Form *f = form(name);
        bool loaded = name == u"Form1" || (name == u"Form8" && m.helpLoaded) || (name == u"Form10" && m.hijriWindowLoaded);
        bool isEntry = false;
        if (const std::optional<Book> b = bookOfForm(name, &isEntry))
            loaded = isEntry ? m.entries[*b].loaded : m.lists[*b].loaded;
        if (bool(f) != loaded)
            return Failure{-1, QStringLiteral("windows"),
                           QStringLiteral("%1 is %2, the model says %3").arg(name, f ? QStringLiteral("loaded") : QStringLiteral("not loaded"),
                                                                               loaded ? QStringLiteral("loaded") : QStringLiteral("not loaded"))};
        if (!m_switches.hiddenStay)
            continue;
        const bool shown = f && f->isShown();
        if (shown != m.isShown(name))
            return Failure{-1, QStringLiteral("windows"),
                           QStringLiteral("%1 is %2, the model says %3 (on screen, bottom to top: %4)")
                               .arg(name, shown ? QStringLiteral("shown") : QStringLiteral("hidden"),
                                    m.isShown(name) ? QStringLiteral("shown") : QStringLiteral("hidden"),
                                    m.stack.join(u' '))};
    }
    if (m_switches.hiddenStay) {
        const auto windows = dalil::MDIForm1::instance()->area()->subWindowList(QMdiArea::StackingOrder);
        QString top;
        for (QMdiSubWindow *w : windows) {
            if (w->isVisible() && w->widget())
                top = w->widget()->objectName();
        }
        if (top != m.top())
            return Failure{-1, QStringLiteral("windows"),
                           QStringLiteral("the window on top is %1, the model says %2").arg(top, m.top())};
    }
    return std::nullopt;
}

std::optional<Failure> Driver::checkFile()
{
    for (int b = 0; b < 3; ++b) {
        QList<qint64> keys;
        const QList<Row> rows = fileRows(Book(b), &keys);
        const Table &t = m_model->tables[b];
        QStringList have, want;
        for (int i = 0; i < rows.size(); ++i) {
            QStringList cells;
            for (const QVariant &v : rows.at(i))
                cells << canonical(v);
            have << QString::number(keys.at(i)) + u':' + cells.join(u' ');
        }
        for (auto it = t.rows.cbegin(); it != t.rows.cend(); ++it) {
            QStringList cells;
            for (const QVariant &v : it.value())
                cells << canonical(v);
            want << QString::number(it.key()) + u':' + cells.join(u' ');
        }
        if (have != want)
            return Failure{-1, QStringLiteral("file"),
                           QStringLiteral("table %1 in DB1.mdb:\n    %2\nthe model:\n    %3")
                               .arg(t.name, have.join(QStringLiteral("\n    ")), want.join(QStringLiteral("\n    ")))};
        if (b != Cheque) {
            if (std::optional<Failure> f = checkUids(Book(b)))
                return f;
        }
    }
    return std::nullopt;
}

std::optional<Failure> Driver::checkUids(Book b)
{
    Table &t = m_model->tables[b];
    QMap<qint64, QString> inFile;
    QSqlQuery query(QSqlDatabase::database(m_reader, false));
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT recordKey, uid FROM RecordUids WHERE book = ?"));
    query.addBindValue(t.name);
    query.exec();
    while (query.next())
        inFile.insert(query.value(0).toLongLong(), query.value(1).toString());
    if (inFile.keys() != t.rows.keys())
        return Failure{-1, QStringLiteral("file"),
                       QStringLiteral("%1: UIDs kept for the records %2, the book holds %3")
                           .arg(t.name, keyList(inFile.keys()), keyList(t.rows.keys()))};
    // Records gone some other way (an import undone) leave their UIDs behind in the model.
    for (auto it = t.uids.begin(); it != t.uids.end();)
        it = t.rows.contains(it.key()) ? std::next(it) : t.uids.erase(it);
    for (auto it = inFile.cbegin(); it != inFile.cend(); ++it) {
        const auto known = t.uids.constFind(it.key());
        if (known == t.uids.cend())
            t.uids.insert(it.key(), it.value()); // a new record: its UID is learned
        else if (*known != it.value())
            return Failure{-1, QStringLiteral("file"),
                           QStringLiteral("%1 record %2 has the UID %3, the model says %4")
                               .arg(t.name).arg(it.key()).arg(it.value(), *known)};
    }
    return std::nullopt;
}

std::optional<Failure> Driver::checkList(Book b, const Outcome &outcome)
{
    ListWindow &l = m_model->lists[b];
    const QString name = listName(b);
    auto *grid = child<dalil::DBGrid>(name, QStringLiteral("DBGrid1"));
    auto *data = child<dalil::DataControl>(name, QStringLiteral("Data1"));
    QAbstractItemModel *model = grid->model();
    QList<QStringList> onScreen;
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < model->columnCount(); ++c)
            cells << model->index(r, c).data().toString();
        onScreen << cells;
    }
    int matched = -1;
    for (int i = int(l.accepted.size()) - 1; i >= 0 && matched < 0; --i) {
        if (snapshotText(l.accepted.at(i)) == onScreen)
            matched = i;
    }
    if (matched < 0) {
        QString want;
        for (const Snapshot &s : std::as_const(l.accepted))
            want += rowsText(snapshotText(s)) + QStringLiteral("\n  or\n");
        want.chop(6);
        return Failure{-1, QStringLiteral("list"),
                       QStringLiteral("%1's grid shows\n%2\nthe model says\n%3").arg(name, rowsText(onScreen), want)};
    }
    bool adopt = outcome.adoptBook == b || !m_switches.selector;
    if (matched > 0) {
        l.accepted = l.accepted.mid(matched);
        adopt = true; // the list read the file again: the highlighted row is its own
    }
    const QTableView *view = grid->view();
    if (grid->isVisible()) {
        // The grid reaches the window's right edge, less its design margin; every value on
        // screen but a long text is whole in its column.
        const int margin = grid->parentWidget()->width() - grid->geometry().right() - 1;
        if (margin != dalil::twipsToPixels(gridRightMargin[b]))
            return Failure{-1, QStringLiteral("look"),
                           QStringLiteral("%1's grid stands %2 pixels from the right edge").arg(name).arg(margin)};
        const QFontMetricsF metrics(view->font());
        const int last = view->rowAt(view->viewport()->height() - 1);
        for (int r = qMax(0, view->rowAt(0)); r <= (last < 0 ? model->rowCount() - 1 : last); ++r) {
            for (int c = 0; c < model->columnCount(); ++c) {
                const QString shown = firstLine(onScreen.at(r).at(c));
                if (!longTexts[b].contains(c) && metrics.horizontalAdvance(shown) + 2 > view->horizontalHeader()->sectionSize(c))
                    return Failure{-1, QStringLiteral("look"),
                                   QStringLiteral("%1 cuts \"%2\" in column %3 (%4 pixels)")
                                       .arg(name, shown).arg(c).arg(view->horizontalHeader()->sectionSize(c))};
            }
        }
    }
    const int rsRow = int(data->Recordset()->currentRow());
    const int viewRow = view->currentIndex().isValid() ? view->currentIndex().row() : -1;
    int arrowRow = -1;
    for (int r = 0; r < model->rowCount(); ++r) {
        if (model->headerData(r, Qt::Vertical, Qt::DisplayRole).toString() == u"◀")
            arrowRow = r;
    }
    if (m_switches.selector && !(rsRow == viewRow && (arrowRow == rsRow || !view->verticalHeader()->isVisible())))
        return Failure{-1, QStringLiteral("row"),
                       QStringLiteral("%1: the highlighted row is %2, the record selector's arrow is on %3, the "
                                      "record source's current record is %4")
                           .arg(name).arg(viewRow).arg(arrowRow).arg(rsRow)};
    if (adopt) {
        if (outcome.adoptBook == b && outcome.direction != 0 && matched == 0
            && (rsRow - l.current) * outcome.direction < 0)
            return Failure{-1, QStringLiteral("row"),
                           QStringLiteral("%1: the key moved the highlighted row from %2 to %3, the wrong way")
                               .arg(name).arg(l.current).arg(rsRow)};
        l.current = rsRow;
    } else if (l.current != rsRow) {
        return Failure{-1, QStringLiteral("row"),
                       QStringLiteral("%1: the current record is row %2, the model says %3").arg(name).arg(rsRow).arg(l.current)};
    }
    auto *bar = child<dalil::StatusBar>(name, QStringLiteral("StatusBar1"));
    const int panels = b == Phone ? 1 : l.panelCount;
    if (bar->panelCount() != panels)
        return Failure{-1, QStringLiteral("panel"),
                       QStringLiteral("%1's status bar has %2 panels, the model says %3").arg(name).arg(bar->panelCount()).arg(panels)};
    const auto checkPanel = [&](int number, QStringList &accepted) -> std::optional<Failure> {
        const QString text = bar->panel(number)->text();
        const qsizetype at = accepted.indexOf(text);
        if (at < 0)
            return Failure{-1, QStringLiteral("panel"),
                           QStringLiteral("%1's panel %2 reads \"%3\", the model says %4")
                               .arg(name).arg(number).arg(text, quoteList(accepted))};
        accepted = accepted.mid(at);
        return std::nullopt;
    };
    if (auto f = checkPanel(1, l.panel1))
        return f;
    if (b == Cheque && l.panelCount >= 3) {
        if (m_switches.payeePanel) {
            if (auto f = checkPanel(2, l.panel2))
                return f;
        }
        if (auto f = checkPanel(3, l.panel3))
            return f;
    }
    if (b != Note) {
        const QStringList boxes = b == Phone ? QStringList{QStringLiteral("Text1")}
                                             : QStringList{QStringLiteral("Text1"), QStringLiteral("Text2"),
                                                           QStringLiteral("Text3"), QStringLiteral("Text4")};
        const QStringList texts{l.text1, l.text2, l.text3, l.text4};
        for (int i = 0; i < boxes.size(); ++i) {
            const QString text = child<dalil::TextBox>(name, boxes.at(i))->text();
            if (text != texts.at(i))
                return Failure{-1, QStringLiteral("list"),
                               QStringLiteral("%1's search box %2 reads \"%3\", the model says \"%4\"")
                                   .arg(name, boxes.at(i), text, texts.at(i))};
        }
    }
    return std::nullopt;
}

std::optional<Failure> Driver::checkEntry(Book b)
{
    EntryWindow &e = m_model->entries[b];
    const QString name = entryName(b);
    dalil::Form *f = form(name);
    if (f->windowTitle() != e.caption)
        return Failure{-1, QStringLiteral("entry"),
                       QStringLiteral("%1's caption is \"%2\", the model says \"%3\"").arg(name, f->windowTitle(), e.caption)};
    if (f->isShown()) {
        // The design drawn as large as the window holds it, nothing cut or outside.
        const QSize design = dalil::twipsSize(11880, 8595);
        const qreal fits = qMin(f->width() / qreal(design.width()), f->height() / qreal(design.height()));
        if (!qFuzzyCompare(f->designScale(), std::clamp(std::floor(fits * 20) / 20, 1.0, dalil::Form::maximumScale)))
            return Failure{-1, QStringLiteral("look"),
                           QStringLiteral("%1 is drawn at %2 in %3×%4").arg(name).arg(f->designScale()).arg(f->width()).arg(f->height())};
        if (const QStringList cut = testing::cutOrOutside(f); !cut.isEmpty())
            return Failure{-1, QStringLiteral("look"), name + QStringLiteral(": ") + cut.join(QStringLiteral("; "))};
    }
    auto *data = f->findChild<dalil::DataControl *>(QStringLiteral("Data1"));
    if (data->Visible() != e.navVisible)
        return Failure{-1, QStringLiteral("entry"),
                       QStringLiteral("%1's navigation bar is %2, the model says otherwise").arg(name, data->Visible() ? QStringLiteral("shown") : QStringLiteral("hidden"))};
    const Table &t = m_model->tables[b];
    const QStringList boxes = entryBoxes(b);
    for (int i = 0; i < boxes.size(); ++i) {
        const QString text = f->findChild<dalil::TextBox *>(boxes.at(i))->text();
        if (text == e.texts.at(i))
            continue;
        // A box the user did not change may show the record as the file now holds it.
        const bool reread = !e.touched.contains(i) && e.setStale && e.key >= 0
                            && (t.rows.contains(e.key)
                                    ? text == cellText(t.rows.value(e.key).value(t.columns.indexOf(boxColumn(b, i))))
                                    : text.isEmpty());
        if (reread && m_switches.staleRows) {
            e.texts[i] = text;
            continue;
        }
        return Failure{-1, QStringLiteral("entry"),
                       QStringLiteral("%1's %2 reads \"%3\", the model says \"%4\" (record %5)")
                           .arg(name, boxes.at(i), text, e.texts.at(i), e.adding ? QStringLiteral("new") : QString::number(e.key))};
    }
    if (b == Note) {
        const QDate shown = f->findChild<QCalendarWidget *>(QStringLiteral("MonthView1"))->selectedDate();
        // A record read again shows its date as the file now holds it (today when it names none).
        if (shown != e.calendar && e.setStale && m_switches.staleRows) {
            const std::optional<QDate> reread = boxDate(e.texts.at(3), e.texts.at(4), e.texts.at(5));
            if (shown == reread.value_or(m_model->today))
                e.calendar = shown;
        }
        if (shown != e.calendar)
            return Failure{-1, QStringLiteral("entry"),
                           QStringLiteral("Form5's calendar stands on %1, the model says %2")
                               .arg(shown.toString(Qt::ISODate), e.calendar.toString(Qt::ISODate))};
    }
    return std::nullopt;
}

std::optional<Failure> Driver::checkFocus(const Outcome &outcome)
{
    if (!m_switches.focus)
        return std::nullopt;
    QWidget *focus = dalil::MDIForm1::instance()->focusWidget();
    if (outcome.windowChange && focus) {
        const QString name = widgetName(focus);
        static const QStringList harmful{QStringLiteral("Form2.Command3"), QStringLiteral("Form4.Command2"),
                                         QStringLiteral("Form6.Command3"), QStringLiteral("Form3.Command3"),
                                         QStringLiteral("Form5.Command3"), QStringLiteral("Form7.Command3")};
        if (harmful.contains(name))
            return Failure{-1, QStringLiteral("focus"),
                           QStringLiteral("after the window change the focus is on %1").arg(name)};
    }
    if (!outcome.focusForm.isEmpty() && m_model->top() == outcome.focusForm) {
        QWidget *want = outcome.focusWidget == u"grid"
                            ? static_cast<QWidget *>(child<dalil::DBGrid>(outcome.focusForm, QStringLiteral("DBGrid1"))->view())
                            : child<QWidget>(outcome.focusForm, outcome.focusWidget);
        if (focus != want)
            return Failure{-1, QStringLiteral("focus"),
                           QStringLiteral("the focus is on %1, the model says %2").arg(widgetName(focus), widgetName(want))};
    }
    return std::nullopt;
}

} // namespace session
