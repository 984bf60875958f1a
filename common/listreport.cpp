#include "listreport.h"

#include "dbgrid.h"

#include "data/records/recordmodel.h"
#include "data/records/recordsource.h"
#include "data/store/statement.h"
#include "data/text/clock.h"

#include <QHeaderView>
#include <QStyle>
#include <QTableView>

#include <memory>
#include <optional>

namespace dalil {

namespace {

// A search as the user reads it: each column searched and what was typed for it.
QString searchDescription(const std::optional<Statement> &statement)
{
    if (!statement)
        return {};
    QStringList parts;
    for (const Condition &condition : statement->conditions()) {
        QString pattern = condition.pattern;
        const LikePattern like = translateLike(pattern);
        const QString what = like.isPlainPrefix
                                 ? condition.column + QStringLiteral(" يبدأ بـ «") + like.literalPrefix + QStringLiteral("»")
                                 : condition.column + QStringLiteral(" يطابق «") + pattern + QStringLiteral("»");
        if (!parts.isEmpty())
            parts << (condition.join == Condition::Join::Or ? QStringLiteral("أو") : QStringLiteral("و"));
        parts << what;
    }
    return parts.isEmpty() ? QString() : labelled(QStringLiteral("البحث"), parts.join(u' '));
}

} // namespace

Report gridReport(DBGrid *grid, RecordSource &records, const QString &title)
{
    RecordModel *rows = records.model();
    Report report;
    report.title = title;
    report.subtitle = searchDescription(records.statement());
    report.date = Clock::today();
    report.rowCount = rows->count();
    QHeaderView *header = grid->view()->horizontalHeader();
    const QAbstractItemModel *shown = grid->model();
    for (int visual = 0; visual < header->count(); ++visual) {
        const int column = header->logicalIndex(visual);
        if (header->isSectionHidden(column) || header->sectionSize(column) <= 0)
            continue;
        const auto alignment = Qt::Alignment(shown->headerData(column, Qt::Horizontal, Qt::TextAlignmentRole).toInt());
        const QVariant cellAlignment =
            shown->rowCount() > 0 ? shown->index(0, column).data(Qt::TextAlignmentRole) : QVariant();
        const Qt::Alignment set = cellAlignment.isValid() ? Qt::Alignment(cellAlignment.toInt()) : alignment;
        report.columns << ReportColumn{shown->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString(), column,
                                       double(grid->Columns(column).Width()),
                                       QStyle::visualAlignment(grid->view()->layoutDirection(), set)
                                           & Qt::AlignHorizontal_Mask};
    }
    QList<int> fields;
    for (const ReportColumn &column : std::as_const(report.columns))
        fields << column.field;
    // Asked once: a preview draws the report again at every turn and zoom.
    report.severalLines = [rows, fields, known = std::make_shared<std::optional<bool>>()] {
        if (!*known)
            *known = rows->anyValueOfSeveralLines(fields);
        return **known;
    };
    report.row = [rows](qint64 row) {
        QStringList texts;
        if (const auto read = rows->rowAt(row)) {
            for (const QVariant &value : read->values)
                texts << value.toString();
        }
        return texts;
    };
    return report;
}

} // namespace dalil
