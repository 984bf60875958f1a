#include "arabiccalendar.h"

#include "application.h"

#include "data/text/clock.h"

#include <QPainter>
#include <QTextCharFormat>

namespace dalil {

ArabicCalendar::ArabicCalendar(QWidget *parent)
    : QCalendarWidget(parent)
{
    // Arabic with the digits 0 to 9 of the boxes beside it.
    setLocale(arabicLocale());
    setFirstDayOfWeek(Qt::Saturday);
    QTextCharFormat workday;
    workday.setForeground(palette().text());
    QTextCharFormat weekend;
    weekend.setForeground(QColor(Qt::red));
    for (Qt::DayOfWeek day : {Qt::Sunday, Qt::Monday, Qt::Tuesday, Qt::Wednesday, Qt::Thursday})
        setWeekdayTextFormat(day, workday);
    for (Qt::DayOfWeek day : {Qt::Friday, Qt::Saturday})
        setWeekdayTextFormat(day, weekend);
    setLayoutDirection(Qt::RightToLeft);
    setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    setHorizontalHeaderFormat(QCalendarWidget::SingleLetterDayNames);
}

void ArabicCalendar::paintCell(QPainter *painter, const QRect &rect, QDate date) const
{
    QCalendarWidget::paintCell(painter, rect, date);
    markToday(painter, rect, date);
}

void ArabicCalendar::markToday(QPainter *painter, const QRect &rect, QDate date) const
{
    if (date != Clock::today())
        return;
    painter->save();
    // A line at the cell's very edge: the cell's digits fill it.
    painter->setPen(palette().color(QPalette::Highlight));
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect.adjusted(0, 0, -1, -1));
    painter->restore();
}

} // namespace dalil
