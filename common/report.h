// A list printed as an Arabic report: a title, what was searched, the date, the grid's columns
// under their headings page after page, closing lines (totals), and "صفحة n من m" on each page.
// It is drawn a page at a time from the list's rows, however many there are, with a progress
// window the user can stop it from.
#pragma once

#include <QDate>
#include <QList>
#include <QPageLayout>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QPrinter;
class QWidget;

namespace dalil {

struct ReportColumn
{
    QString heading;
    int field = 0;        // the value of the row it shows
    double width = 1;     // relative; the columns share the page's width in these proportions
    Qt::Alignment alignment = Qt::AlignRight; // as seen on the page
};

// What a report sums from its rows as they are drawn, printed after them (totals).
class ReportTally
{
public:
    virtual ~ReportTally() = default;
    virtual void add(const QStringList &values) = 0;
    virtual QStringList closing() const = 0;
};

struct Report
{
    QString title;
    QString subtitle; // what was searched; empty for a whole book
    QDate date;
    QList<ReportColumn> columns; // from the right, as the grid shows them
    qint64 rowCount = 0;
    // The texts of a row's values, by position in the list.
    std::function<QStringList(qint64 row)> row;
    // Optional: a tally made afresh for each drawing of the report (a preview draws it again
    // at every turn or zoom, and once more to print it); every row is shown to it first, then
    // its closing lines are printed after the rows.
    std::function<std::unique_ptr<ReportTally>()> tally;
    // Optional: whether a row may hold a value of several lines. Such a report reads its rows
    // once more before it draws them, to count its pages; a row then grows to show up to
    // rowLinesAtMost lines of its values. Without it a row shows a value's first line.
    std::function<bool()> severalLines;
};

constexpr int rowLinesAtMost = 6;

// A preview keeps every page it is given: it is given at most this many pages from the start,
// and the last one; every page is drawn when the report is printed.
constexpr int previewedPages = 30;

// The page the report is drawn for: A4, across when its columns need it.
QPageLayout reportPageLayout(const Report &report);

// Draws the report on the printer, a page at a time (a preview: its first and last pages);
// false when the user stopped it or the printer failed.
bool paintReport(QPrinter &printer, const Report &report, QWidget *progressParent);

// "صفحة 3 من 12".
QString pageNumberText(int page, int pages);

// "label: text", the colon kept with the Arabic label by a right-to-left mark.
QString labelled(const QString &label, const QString &text);

} // namespace dalil
