#include "statusbar.h"

#include "twips.h"

#include "data/text/clock.h"
#include "data/text/dates.h"

#include <QDateTime>
#include <QEvent>
#include <QHBoxLayout>
#include <QLocale>
#include <QPainter>
#include <QStyle>
#include <QTimer>

namespace dalil {

namespace {

constexpr int barHeight = 375;
// Blank pixels between a panel's frame and its text, each side.
constexpr int textPadding = 2;
// A whole text may be shown this much smaller before it is shortened instead.
constexpr qreal smallestScale = 0.8;

// The text with its middle left out, both ends kept, "…" in its place: always that mark,
// which Qt's own eliding swaps for "..." in a face without it.
QString elideMiddle(const QString &text, const QFontMetrics &metrics, int room)
{
    const QChar ellipsis(0x2026);
    for (qsizetype keep = text.size() - 1; keep > 0; --keep) {
        qsizetype head = (keep + 1) / 2;
        qsizetype tail = keep - head;
        if (text.at(head - 1).isHighSurrogate())
            --head;
        if (tail > 0 && text.at(text.size() - tail).isLowSurrogate())
            --tail;
        const QString shown = text.left(head).trimmed() + ellipsis + text.right(tail).trimmed();
        if (metrics.horizontalAdvance(shown) <= room)
            return shown;
    }
    return QString(ellipsis);
}

} // namespace

StatusPanel::StatusPanel(int number, QWidget *parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("Panel%1").arg(number));
    setTextFormat(Qt::PlainText);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setWidth(StatusBar::defaultPanelWidth);
    setAlignment(Alignment::Left);
}

int StatusPanel::Width() const
{
    return twipsToPixels(m_width) == width() ? m_width : pixelsToTwips(width());
}

void StatusPanel::setWidth(int width)
{
    m_width = width;
    setFixedWidth(twipsToPixels(width));
    fitText();
}

void StatusPanel::setText(const QString &text)
{
    QLabel::setText(text);
    fitText();
}

int StatusPanel::textRoom() const
{
    return contentsRect().width() - 2 * textPadding;
}

void StatusPanel::fitText()
{
    const QString whole = text();
    const int room = textRoom();
    m_shownFont = font();
    m_shown = whole;
    const qreal size = m_shownFont.pointSizeF();
    if (room > 0 && size > 0) {
        QFont smaller = m_shownFont;
        while (QFontMetrics(smaller).horizontalAdvance(whole) > room
               && smaller.pointSizeF() - 0.25 >= size * smallestScale)
            smaller.setPointSizeF(smaller.pointSizeF() - 0.25);
        if (QFontMetrics(smaller).horizontalAdvance(whole) <= room)
            m_shownFont = smaller;
        else
            m_shown = elideMiddle(whole, QFontMetrics(m_shownFont), room);
    }
    setToolTip(m_shown == whole ? QString() : whole);
    update();
}

void StatusPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawFrame(&painter);
    painter.setFont(m_shownFont);
    const QRect room = contentsRect().adjusted(textPadding, 0, -textPadding, 0);
    const int direction = m_shown.isRightToLeft() ? Qt::TextForceRightToLeft : Qt::TextForceLeftToRight;
    QWidget::style()->drawItemText(&painter, room, int(QLabel::alignment()) | direction, palette(), isEnabled(), m_shown,
                          foregroundRole());
}

void StatusPanel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    fitText();
}

void StatusPanel::changeEvent(QEvent *event)
{
    QLabel::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitText();
}

void StatusPanel::setAlignment(Alignment alignment)
{
    m_alignment = alignment;
    const Qt::Alignment horizontal = alignment == Alignment::Center ? Qt::AlignHCenter
                                   : alignment == Alignment::Right  ? Qt::AlignRight
                                                                    : Qt::AlignLeft;
    QLabel::setAlignment(horizontal | Qt::AlignAbsolute | Qt::AlignVCenter);
}

void StatusPanel::setStyle(Style style)
{
    m_style = style;
    tick();
}

void StatusPanel::tick()
{
    // The user's own short formats, as the bar always showed them.
    const QLocale locale; // the program's Arabic, whatever the system's locale
    if (m_style == Style::Date)
        setText(Dates::dateText(Clock::today()));
    else if (m_style == Style::Time)
        setText(locale.toString(Clock::now().time(), QLocale::ShortFormat));
}

StatusBar::StatusBar(const QString &name, QWidget *parent)
    : QWidget(parent)
    , m_row(new QHBoxLayout(this))
    , m_clock(new QTimer(this))
{
    setObjectName(name);
    // The bar's own face, the one the grids' cells use, rather than the window's.
    QFont face(QStringLiteral("MS Sans Serif"));
    face.setPointSizeF(8.25);
    setFont(face);
    m_row->setContentsMargins(0, 0, 0, 0);
    m_row->setSpacing(twipsToPixels(30));
    m_row->addStretch(1);
    addPanel();
    setFixedHeight(twipsToPixels(barHeight));

    m_clock->setInterval(1000);
    connect(m_clock, &QTimer::timeout, this, [this] {
        for (StatusPanel *p : std::as_const(m_panels))
            p->tick();
    });
    m_clock->start();

    if (parent) {
        parent->installEventFilter(this);
        placeAtBottom();
    }
}

StatusPanel *StatusBar::addPanel()
{
    auto *p = new StatusPanel(int(m_panels.size()) + 1, this);
    m_row->insertWidget(int(m_panels.size()), p);
    m_panels << p;
    return p;
}

StatusPanel *StatusBar::panel(int number) const
{
    if (number < 1 || number > m_panels.size())
        return nullptr;
    return m_panels.at(number - 1);
}

bool StatusBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        placeAtBottom();
    return QWidget::eventFilter(watched, event);
}

void StatusBar::placeAtBottom()
{
    // Along the bottom edge of the window, whatever its size.
    const QWidget *owner = parentWidget();
    setGeometry(0, owner->height() - height(), owner->width(), height());
}

} // namespace dalil
