#include "statusbar.h"

#include "twips.h"

#include <QDateTime>
#include <QEvent>
#include <QHBoxLayout>
#include <QLocale>
#include <QTimer>

namespace dalil {

namespace {

constexpr int barHeight = 375;

} // namespace

StatusPanel::StatusPanel(int number, QWidget *parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("Panel%1").arg(number));
    setTextFormat(Qt::PlainText);
    setFrameShape(QFrame::Panel);
    setFrameShadow(QFrame::Sunken);
    setWidth(StatusBar::defaultPanelWidth);
    setAlignment(AlignLeft);
}

int StatusPanel::Width() const
{
    return twips(m_width) == width() ? m_width : toTwips(width());
}

void StatusPanel::setWidth(int width)
{
    m_width = width;
    setFixedWidth(twips(width));
}

void StatusPanel::setAlignment(int alignment)
{
    m_alignment = alignment;
    const Qt::Alignment horizontal = alignment == AlignCenter ? Qt::AlignHCenter
                                   : alignment == AlignRight  ? Qt::AlignRight
                                                              : Qt::AlignLeft;
    QLabel::setAlignment(horizontal | Qt::AlignAbsolute | Qt::AlignVCenter);
}

void StatusPanel::setStyle(int style)
{
    m_style = style;
    tick();
}

void StatusPanel::tick()
{
    // The user's own short formats, as the bar always showed them.
    const QLocale locale; // the program's Arabic, whatever the system's locale
    if (m_style == Date)
        setText(locale.toString(QDate::currentDate(), QLocale::ShortFormat));
    else if (m_style == Time)
        setText(locale.toString(QTime::currentTime(), QLocale::ShortFormat));
}

StatusBar::StatusBar(const QString &name, QWidget *parent)
    : QWidget(parent)
    , m_row(new QHBoxLayout(this))
    , m_clock(new QTimer(this))
{
    setObjectName(name);
    m_row->setContentsMargins(0, 0, 0, 0);
    m_row->setSpacing(twips(30));
    m_row->addStretch(1);
    addPanel();
    setFixedHeight(twips(barHeight));

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
