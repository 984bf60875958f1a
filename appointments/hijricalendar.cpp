#include "hijricalendar.h"

#include "hijrisetting.h"

#include "common/fittext.h"
#include "data/text/hijri.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QSpinBox>
#include <QTableView>
#include <QTextCharFormat>

namespace dalil {

namespace {

// Its face, this much of the calendar's, and never under 8 points.
constexpr qreal hijriScale = 0.8;
constexpr qreal minimumHijriPoints = 8;

} // namespace

HijriMonthView::HijriMonthView(const QString &name, QWidget *parent)
    : ArabicCalendar(parent)
{
    setObjectName(name);
    m_header = new QLabel(this);
    m_header->setObjectName(QStringLiteral("HijriHeader"));
    m_header->setTextFormat(Qt::PlainText);
    m_header->setAlignment(Qt::AlignCenter);
    // The page's Hijri months stand in the navigation bar after the month and the year: the
    // bar is the row of the year's box, its last items a space and the next-month button.
    bool placed = false;
    if (auto *year = findChild<QSpinBox *>()) {
        auto *bar = qobject_cast<QHBoxLayout *>(year->parentWidget()->layout());
        if (bar && bar->count() >= 3) {
            placed = true;
            m_header->setParent(year->parentWidget());
            bar->insertWidget(bar->count() - 2, m_header);
            // In the bar's own colours, as the month and the year are. It takes the room the
            // bar leaves, whatever its text, and its face gives way where a page spans long
            // month names, rather than crowd the arrows out or be cut.
            m_header->setForegroundRole(QPalette::HighlightedText);
            m_header->setMinimumWidth(1);
            m_header->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
            bar->setStretchFactor(m_header, 1);
            m_header->installEventFilter(this);
        }
    }
    // A calendar of another make keeps its header as it is rather than have one laid over it.
    if (!placed)
        m_header->hide();
    if (auto *days = findChild<QTableView *>()) {
        days->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        days->viewport()->installEventFilter(this);
    }
    HijriSetting *setting = HijriSetting::instance();
    connect(setting, &HijriSetting::changed, this, &HijriMonthView::settingChanged);
    connect(this, &QCalendarWidget::currentPageChanged, this, &HijriMonthView::showHeader);
    showHeader();
}

void HijriMonthView::settingChanged()
{
    showHeader();
    if (auto *days = findChild<QTableView *>())
        days->viewport()->update();
}

void HijriMonthView::showHeader()
{
    const QCalendar gregorian = calendar();
    const QDate first = gregorian.dateFromParts(yearShown(), monthShown(), 1);
    const QDate last = first.addDays(gregorian.daysInMonth(monthShown(), yearShown()) - 1);
    m_header->setText(Hijri::monthsText(first, last, HijriSetting::instance()->converter()));
    m_header->setToolTip(m_header->text());
    fitHeader();
}

void HijriMonthView::fitHeader()
{
    QFont small = font();
    small.setPointSizeF(font().pointSizeF() * 0.875);
    m_header->setWordWrap(false);
    m_header->setFont(small);
    shrinkToFit(m_header, m_header->text());
    if (m_header->fontMetrics().horizontalAdvance(m_header->text()) <= m_header->contentsRect().width())
        return;
    // A page that spans three long month names in a narrow calendar: two lines, in the
    // largest face they fit in.
    m_header->setWordWrap(true);
    m_header->setFont(small);
    while (m_header->font().pointSizeF() > 6 && m_header->heightForWidth(m_header->width()) > m_header->height()) {
        QFont smaller = m_header->font();
        smaller.setPointSizeF(smaller.pointSizeF() - 0.25);
        m_header->setFont(smaller);
    }
}

void HijriMonthView::layOutRows()
{
    auto *days = findChild<QTableView *>();
    if (!days || days->model()->rowCount() < 2)
        return;
    QHeaderView *rows = days->verticalHeader();
    const int weeks = days->model()->rowCount() - 1;
    const int height = days->viewport()->height();
    const int letters = qMin(QFontMetrics(font()).height() + 2, height / (weeks + 1));
    rows->resizeSection(0, letters);
    // What does not divide evenly goes a pixel each to the first weeks.
    const int week = (height - letters) / weeks;
    const int over = (height - letters) % weeks;
    for (int row = 1; row <= weeks; ++row)
        rows->resizeSection(row, week + (row <= over ? 1 : 0));
}

bool HijriMonthView::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Resize) {
        if (watched == m_header)
            fitHeader();
        else
            layOutRows();
    }
    return ArabicCalendar::eventFilter(watched, event);
}

void HijriMonthView::changeEvent(QEvent *event)
{
    ArabicCalendar::changeEvent(event);
    // The window's type grew or shrank: the header's face follows the calendar's.
    if (event->type() == QEvent::FontChange)
        fitHeader();
}

void HijriMonthView::paintCell(QPainter *painter, const QRect &rect, QDate date) const
{
    // As the calendar paints a day itself, but with room for the Hijri day beneath.
    const bool selected = date == selectedDate();
    const QPalette::ColorGroup group = !isEnabled() ? QPalette::Disabled
                                       : !isActiveWindow() ? QPalette::Inactive
                                                           : QPalette::Active;
    QTextCharFormat format;
    format.setForeground(palette().brush(group, QPalette::Text));
    format.setBackground(palette().brush(group, QPalette::Base));
    format.merge(weekdayTextFormat(Qt::DayOfWeek(date.dayOfWeek())));
    format.merge(dateTextFormat(date));
    if (date < minimumDate() || date > maximumDate())
        format.setBackground(palette().brush(group, QPalette::Window));
    const bool otherMonth = calendar().partsFromDate(date).month != monthShown();
    if (otherMonth)
        format.setForeground(palette().brush(QPalette::Disabled, QPalette::Text));

    painter->save();
    painter->fillRect(rect, selected ? palette().brush(group, QPalette::Highlight) : format.background());
    const QColor ink = selected ? palette().color(group, QPalette::HighlightedText) : format.foreground().color();

    const Hijri::Date hijri = HijriSetting::instance()->converter().fromGregorian(date);
    const QString dayText = locale().toString(calendar().partsFromDate(date).day);
    const QString hijriText = hijri.isValid() ? QString::number(hijri.day) : QString();
    m_painted.insert(date, hijriText);

    QFont dayFont = font();
    if (format.hasProperty(QTextFormat::FontWeight))
        dayFont.setBold(format.fontWeight() >= QFont::DemiBold);
    QFont hijriFont = font();
    hijriFont.setPointSizeF(qMax(minimumHijriPoints, font().pointSizeF() * hijriScale));
    // A day the chosen calendar does not reach is counted by the tabular one: slanted.
    hijriFont.setItalic(hijri.tabular);
    // The two numbers one above the other, the pair centred in the cell by the digits' own
    // height: the cells are too low for two lines of the faces' full height.
    const QString digits = QStringLiteral("0123456789");
    const int dayHeight = QFontMetrics(dayFont).tightBoundingRect(digits).height();
    const int hijriHeight = QFontMetrics(hijriFont).tightBoundingRect(digits).height();
    const int gap = qMax(1, rect.height() / 10);
    const int top = rect.top() + qMax(0, (rect.height() - dayHeight - gap - hijriHeight) / 2);
    const auto drawCentred = [&](const QFont &face, const QString &text, int baseline) {
        painter->setFont(face);
        const int width = QFontMetrics(face).horizontalAdvance(text);
        painter->drawText(QPoint(rect.left() + (rect.width() - width) / 2, baseline), text);
    };
    painter->setPen(ink);
    drawCentred(dayFont, dayText, top + dayHeight);
    QColor hijriInk = ink;
    if (!selected)
        hijriInk.setAlphaF(otherMonth ? 0.5 : 0.75);
    painter->setPen(hijriInk);
    drawCentred(hijriFont, hijriText, top + dayHeight + gap + hijriHeight);
    painter->restore();
    markToday(painter, rect, date);
}

} // namespace dalil
