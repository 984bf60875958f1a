// The Hijri calendar the appointment book shows beside the Gregorian dates: read from DB1.mdb
// once a run, changed from the options window, and announced to every window that shows it.
#pragma once

#include "data/store/database.h"
#include "data/text/hijri.h"

#include <QObject>

namespace dalil {

class HijriSetting : public QObject
{
    Q_OBJECT

public:
    // The setting of this run: read from the file on first use, gone with the frame, so
    // that the next start reads the file again.
    static HijriSetting *instance();

    Hijri::Options options() const { return m_converter.options(); }
    const Hijri::Converter &converter() const { return m_converter; }
    // The Hijri date of a Gregorian day as the windows write it (empty when there is none).
    QString dateText(QDate date) const { return Hijri::dateText(m_converter.fromGregorian(date)); }
    // The same for a day, month and year as the appointment book keeps them, in digits 0 to 9
    // (empty when they name no Gregorian day).
    QString dateText(const QString &day, const QString &month, const QString &year) const;

    // Takes the options at once and keeps them in the file. A file that cannot keep them
    // (read-only, locked, an older layout left as it was) still has them for this run; the
    // error says why they were not kept.
    DataError change(const Hijri::Options &options);

signals:
    void changed();

private:
    explicit HijriSetting(QObject *parent);

    Hijri::Converter m_converter;
};

} // namespace dalil
