// The month calendar of the appointment entry window: each day's cell shows the Hijri day
// small beneath the Gregorian one, and the header the Hijri months and year of the page.
#pragma once

#include "common/arabiccalendar.h"

#include <QHash>

class QLabel;

namespace dalil {

class HijriSetting;

class HijriMonthView : public ArabicCalendar
{
    Q_OBJECT

public:
    HijriMonthView(const QString &name, QWidget *parent);

    // The header's Hijri months and year of the page shown.
    QLabel *hijriHeader() const { return m_header; }
    // What the last painting wrote beneath each day's Gregorian number.
    QHash<QDate, QString> paintedHijriDays() const { return m_painted; }

protected:
    void paintCell(QPainter *painter, const QRect &rect, QDate date) const override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void showHeader();
    // The header's face, smaller than the calendar's, and smaller still where its text needs it.
    void fitHeader();
    void settingChanged();
    // The row of the day letters as high as its letters; the weeks share the rest, each with
    // room for its two numbers.
    void layOutRows();

    QLabel *m_header = nullptr;
    mutable QHash<QDate, QString> m_painted;
};

} // namespace dalil
