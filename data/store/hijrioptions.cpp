#include "hijrioptions.h"

#include "options.h"

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
    if (const auto system = dalil::Options::value(db, calendarOption))
        options.system = system->toString() == tabularValue ? System::Tabular : System::UmmAlQura;
    if (const auto adjustment = dalil::Options::value(db, adjustmentOption)) {
        bool ok = false;
        const int days = adjustment->toString().trimmed().toInt(&ok);
        if (ok && days >= -Options::maxAdjustment && days <= Options::maxAdjustment)
            options.adjustment = days;
    }
    return options;
}

bool writeOptions(const QSqlDatabase &db, const Options &options, QSqlError *error)
{
    // Both values are kept, or neither.
    return dalil::Options::set(db,
                               {{calendarOption, options.system == System::Tabular ? tabularValue : ummAlQuraValue},
                                {adjustmentOption, options.adjustment}},
                               error);
}

} // namespace dalil::Hijri
