#include "hijrioptions.h"

#include <QSqlQuery>
#include <QVariant>

namespace dalil::Hijri {

namespace {

const QString calendarOption = QStringLiteral("hijri.calendar");
const QString adjustmentOption = QStringLiteral("hijri.adjust");
// The options' values in the file: ICU's names of the two calendars.
const QString ummAlQuraValue = QStringLiteral("islamic-umalqura");
const QString tabularValue = QStringLiteral("islamic-civil");

} // namespace

Options readOptions(const QSqlDatabase &db)
{
    Options options;
    QSqlQuery query(db);
    query.setForwardOnly(true);
    query.prepare(QStringLiteral("SELECT name, value FROM DalilOptions WHERE name IN (?, ?)"));
    query.addBindValue(calendarOption);
    query.addBindValue(adjustmentOption);
    if (!query.exec())
        return options;
    while (query.next()) {
        const QString name = query.value(0).toString();
        const QVariant value = query.value(1);
        if (name == calendarOption) {
            options.system = value.toString() == tabularValue ? System::Tabular : System::UmmAlQura;
        } else {
            bool ok = false;
            const int days = value.toString().trimmed().toInt(&ok);
            if (ok && days >= -Options::maxAdjustment && days <= Options::maxAdjustment)
                options.adjustment = days;
        }
    }
    return options;
}

bool writeOptions(const QSqlDatabase &db, const Options &options, QSqlError *error)
{
    // One statement: both values are kept, or neither.
    QSqlQuery query(db);
    query.prepare(QStringLiteral("INSERT OR REPLACE INTO DalilOptions (name, value) VALUES (?, ?), (?, ?)"));
    query.addBindValue(calendarOption);
    query.addBindValue(options.system == System::Tabular ? tabularValue : ummAlQuraValue);
    query.addBindValue(adjustmentOption);
    query.addBindValue(options.adjustment);
    if (query.exec())
        return true;
    if (error)
        *error = query.lastError();
    return false;
}

} // namespace dalil::Hijri
