#include "listwindow.h"

#include "datacontrol.h"
#include "listreport.h"
#include "messagebox.h"
#include "printing.h"
#include "report.h"
#include "statusbar.h"
#include "workprogress.h"

#include "data/exchange/exchange.h"
#include "data/records/recordmodel.h"
#include "data/store/deletedrecords.h"
#include "data/text/counts.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QSet>
#include <QShortcut>

namespace dalil {

ListWindow::ListWindow(const QString &name, int widthTwips, int heightTwips, const ListBehaviour &behaviour)
    : Form(name, widthTwips, heightTwips)
    , m_behaviour(behaviour)
{
}

void ListWindow::setListControls(DataControl *data, DBGrid *grid, StatusBar *bar, QPushButton *deleteButton,
                                 QPushButton *editButton)
{
    // A slip of the delete button is undone as everywhere else: Ctrl+Z (a text box with the
    // focus keeps its own undo).
    auto *undo = new QShortcut(QKeySequence::Undo, this);
    undo->setObjectName(QStringLiteral("undo"));
    undo->setContext(Qt::WidgetWithChildrenShortcut);
    connect(undo, &QShortcut::activated, this, &ListWindow::undoDelete);
    m_data = data;
    m_grid = grid;
    m_bar = bar;
    m_delete = deleteButton;
    m_edit = editButton;
    guardAgainstDoubleClicks(m_delete);
    m_gridDesign = grid->geometry();
    m_designSize = size();
}

void ListWindow::resizeEvent(QResizeEvent *event)
{
    Form::resizeEvent(event);
    if (!m_grid)
        return;
    const int rightMargin = m_designSize.width() - m_gridDesign.x() - m_gridDesign.width();
    const int bottomMargin = m_designSize.height() - m_gridDesign.y() - m_gridDesign.height();
    const QRect grown(m_gridDesign.topLeft(),
                      QSize(qMax(m_gridDesign.width(), width() - m_gridDesign.x() - rightMargin),
                            qMax(m_gridDesign.height(), height() - m_gridDesign.y() - bottomMargin)));
    m_grid->setGeometry(grown);
    m_grid->setWiderThanDesign(grown.width() > m_gridDesign.width());
}

void ListWindow::open(OpenedFrom from)
{
    beginAction();
    // A hidden list comes back as it was left, a search result included.
    Show();
    Forms::hideStartWindow();
    // An empty list has nothing to edit, as it has nothing to delete.
    setRecordButtons(!m_data->Recordset()->atEOF());
    showList(ListEvent::Opened, from);
}

void ListWindow::afterSave(std::optional<qint64> saved)
{
    beginAction();
    refresh(m_data); // re-runs the search in force
    // The highlight stays on the record just saved, where the search in force lists it.
    if (saved)
        m_data->Recordset()->moveToKey(*saved);
    setRecordButtons(!m_data->Recordset()->atEOF());
    showList(ListEvent::Saved);
}

void ListWindow::afterCancel()
{
    beginAction();
    setRecordButtons(!m_data->Recordset()->atEOF());
    switch (m_behaviour.afterCancel) {
    case AfterCancel::StaysAsItIs:
        break;
    case AfterCancel::Maximized:
        setMaximized();
        break;
    case AfterCancel::Shown:
        Show();
        break;
    }
    showList(ListEvent::Cancelled);
}

void ListWindow::setRecordButtons(bool enabled)
{
    m_delete->setEnabled(enabled);
    m_edit->setEnabled(enabled);
}

void ListWindow::writeRecordCount()
{
    if (StatusPanel *count = m_bar->panel(1)) {
        count->setWidth(1800);
        count->setAlignment(StatusPanel::Alignment::Center);
        count->setText(recordCountText(m_data->Recordset()->RecordCount()));
    }
}

void ListWindow::layOutColumns(std::span<const int> widths, DBGrid::Alignment alignment)
{
    for (int i = 0; i < int(widths.size()); ++i) {
        m_grid->Columns(i).setWidth(widths[i]);
        m_grid->Columns(i).setAlignment(alignment);
    }
}

void ListWindow::noteExactSearches(DataControl *data)
{
    static QSet<QString> told;
    const QString path = data->DatabaseName();
    if (told.contains(path) || Database::hasSearchKeys(path))
        return;
    told.insert(path);
    MessageBoxes::searchVariantsOff(this);
}

bool ListWindow::refresh(DataControl *data)
{
    if (data->Refresh())
        return true;
    report(data->Recordset()->lastError());
    return false;
}

void ListWindow::report(const DataError &error)
{
    if (m_told)
        return;
    m_told = true;
    MessageBoxes::dataError(this, error);
}

void ListWindow::deleteSelected()
{
    beginAction();
    if (!mayDelete())
        return;
    RecordSource *records = m_data->Recordset();
    // No current record (an edit saved on an empty list enables delete): nothing to delete
    // and nothing to tell.
    const bool hadRecord = records->hasCurrentRecord();
    const qint64 row = records->currentRow();
    if (m_behaviour.lastDeleteDisablesButtonsFirst && records->RecordCount() == 1)
        setRecordButtons(false);
    if (!records->Delete() && records->lastError().kind != DataError::Kind::NoCurrentRecord)
        report(records->lastError());
    if (!hadRecord && !m_behaviour.deleteReadsAgainWithoutRecord)
        return;
    refresh(m_data);
    // The record that took the deleted one's place, or the last one, becomes the current one.
    if (row > 0 && records->RecordCount() > 0)
        records->setCurrentRow(qMin(row, records->RecordCount() - 1));
    if (records->atEOF())
        setRecordButtons(false);
    showList(ListEvent::Deleted);
}

bool ListWindow::undoDelete()
{
    beginAction();
    RecordSource *records = m_data->Recordset();
    const QString book = records->model()->object();
    const QString path = m_data->DatabaseName();
    DataError error;
    const Exchange::LastChange last = Exchange::lastChange(path, book, &error);
    if (error.isError()) {
        report(error);
        return false;
    }
    if (last.imported)
        return undoImport(*last.imported);
    if (!last.deleted)
        return false;
    const Records::WriteResult restored = DeletedRecords::restore(path, *last.deleted);
    if (!restored.ok()) {
        report(restored.error);
        return false;
    }
    refresh(m_data); // the search in force
    setRecordButtons(!records->atEOF());
    showList(ListEvent::Saved);
    if (restored.key)
        records->moveToKey(*restored.key);
    return true;
}

bool ListWindow::undoImport(const Exchange::Batch &batch)
{
    const auto answer = MessageBoxes::show(
        this, QMessageBox::Question, QStringLiteral("الرجاء التأكيد"),
        QStringLiteral("هل تريد التراجع عن آخر استيراد إلى هذا الدفتر (%1)؟ ستُحذف السجلات التي أضافها.")
            .arg(Counts::text(batch.added, Counts::record())),
        QMessageBox::Yes | QMessageBox::No, true);
    if (answer != QMessageBox::Yes)
        return false;
    // A large import takes seconds to take back: the windows paint meanwhile, held still by a
    // progress window over the frame, as the import's own was.
    WorkProgress progress(window(), QStringLiteral("ProgressDialog6"), windowTitle(),
                          QStringLiteral("يجري التراجع عن الاستيراد..."), WorkProgress::Stop::NotAllowed);
    const Records::WriteResult undone = Exchange::undo(
        m_data->DatabaseName(), batch, [&progress](qint64 done, qint64 total) { progress.update(done, total); });
    progress.close();
    if (!undone.ok()) {
        report(undone.error);
        return false;
    }
    refresh(m_data);
    setRecordButtons(!m_data->Recordset()->atEOF());
    showList(ListEvent::Saved);
    return true;
}

RecordSource *ListWindow::records() const
{
    return m_data->Recordset();
}

void ListWindow::goBack()
{
    Hide();
    Forms::showStartWindow();
}

void ListWindow::recordsChangedElsewhere()
{
    beginAction();
    setRecordButtons(!m_data->Recordset()->atEOF());
    showList(ListEvent::ChangedElsewhere);
}

bool ListWindow::printReport()
{
    beginAction();
    if (!m_data->Recordset()->model()->isOpen())
        return false;
    Report report = gridReport(m_grid, *m_data->Recordset(), m_behaviour.bookName);
    completeReport(report);
    const auto outcome = Printing::print(this, {report.title, reportPageLayout(report),
                                                [&](QPrinter &printer) { return paintReport(printer, report, this); }});
    return outcome == Printing::Outcome::Printed;
}

} // namespace dalil
