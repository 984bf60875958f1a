// A month calendar as an Arabic reader keeps one: right to left, the week from Saturday,
// Friday and Saturday the weekend in red, the conventional one-letter day names, and today
// framed whatever day is chosen. The appointment window and the import's date pickers use it.
#pragma once

#include <QCalendarWidget>

namespace dalil {

class ArabicCalendar : public QCalendarWidget
{
    Q_OBJECT

public:
    explicit ArabicCalendar(QWidget *parent = nullptr);

protected:
    void paintCell(QPainter *painter, const QRect &rect, QDate date) const override;
    // Today's frame, drawn over a cell however it was painted.
    void markToday(QPainter *painter, const QRect &rect, QDate date) const;
};

} // namespace dalil
