#include "datacontrol.h"

#include "fittext.h"
#include "records.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>

namespace dalil {

namespace {

QToolButton *navigationButton(const QString &name, const QString &glyph, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(glyph);
    button->setAutoRaise(false);
    button->setFocusPolicy(Qt::NoFocus);
    button->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    return button;
}

} // namespace

DataControl::DataControl(const QString &name, QWidget *parent)
    : QWidget(parent)
    , m_source(new dalil::RecordSource(this))
{
    setObjectName(name);
    setLayoutDirection(Qt::RightToLeft);
    setAutoFillBackground(true);

    // Read right to left: first and previous stand at the right end, next and last at the left.
    // Each glyph points to the end it moves to; the marks keep the arrow and its bar in the
    // order written, which a right-to-left bar would otherwise swap.
    const QChar keep(0x200E);
    m_first = navigationButton(QStringLiteral("first"), keep + QStringLiteral("▶▏") + keep, this);
    m_previous = navigationButton(QStringLiteral("previous"), QStringLiteral("▶"), this);
    m_next = navigationButton(QStringLiteral("next"), QStringLiteral("◀"), this);
    m_last = navigationButton(QStringLiteral("last"), keep + QStringLiteral("▕◀") + keep, this);
    m_caption = new QLabel(this);
    m_caption->setObjectName(QStringLiteral("caption"));
    m_caption->setAlignment(Qt::AlignCenter);
    m_caption->setFrameShape(QFrame::StyledPanel);
    m_caption->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    row->addWidget(m_first);
    row->addWidget(m_previous);
    row->addWidget(m_caption, 1);
    row->addWidget(m_next);
    row->addWidget(m_last);
    // The caption's room is known once the row has placed it, after the bar's own resize.
    m_caption->installEventFilter(this);

    connect(m_first, &QToolButton::clicked, this, [this] { moveAfterWriting(&dalil::RecordSource::MoveFirst); });
    connect(m_previous, &QToolButton::clicked, this, [this] { moveAfterWriting(&dalil::RecordSource::MovePrevious); });
    connect(m_next, &QToolButton::clicked, this, [this] { moveAfterWriting(&dalil::RecordSource::MoveNext); });
    connect(m_last, &QToolButton::clicked, this, [this] { moveAfterWriting(&dalil::RecordSource::MoveLast); });
    connect(m_source, &dalil::RecordSource::currentChanged, this, &DataControl::updateButtons);
    connect(m_source, &dalil::RecordSource::resynced, this, &DataControl::updateButtons);
    updateButtons();
    setCaption(name);
}

QString DataControl::Caption() const
{
    return m_captionText;
}

void DataControl::setCaption(const QString &caption)
{
    m_captionText = caption;
    fitCaption();
}

void DataControl::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // Square arrows, as the bar's height: the rest of the bar is the caption's.
    for (QToolButton *button : {m_first, m_previous, m_next, m_last})
        button->setFixedWidth(qMax(16, height()));
    fitCaption();
}

void DataControl::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        fitCaption();
}

bool DataControl::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_caption && event->type() == QEvent::Resize)
        fitCaption();
    return QWidget::eventFilter(watched, event);
}

void DataControl::fitCaption()
{
    // The blanks between "previous" and "next" keep each word near its arrow. Where the
    // Arabic face is wider than the one the bar was drawn for, fewer blanks are shown, so
    // that both words stay whole rather than the middle of the blanks alone; three are kept,
    // so that the two words never run together into one, and where even those are too many
    // the face is made a little smaller.
    QString shown = m_captionText;
    m_caption->setFont(font());
    const QFontMetrics metrics(m_caption->font());
    const int room = m_caption->contentsRect().width() - 2 * m_caption->margin();
    while (room > 0 && metrics.horizontalAdvance(shown) > room) {
        const qsizetype run = shown.indexOf(QStringLiteral("    "));
        if (run < 0)
            break;
        shown.remove(run, 1);
    }
    shrinkToFit(m_caption, shown);
    m_caption->setText(shown);
}

void DataControl::setVisible(bool visible)
{
    m_visible = visible;
    QWidget::setVisible(visible);
}

void DataControl::moveAfterWriting(bool (dalil::RecordSource::*move)())
{
    // What the window holds typed is written before the bar moves, the user asked where the
    // record changed in the file meanwhile; the bar stays where that write does not go.
    if (writeBeforeMove(this, this))
        (m_source->*move)();
}

void DataControl::updateButtons()
{
    // At the first and at the last record the bar goes no further.
    const qint64 row = m_source->currentRow();
    const qint64 count = m_source->RecordCount();
    m_first->setEnabled(count > 0 && row != 0);
    m_previous->setEnabled(count > 0 && row != 0);
    m_next->setEnabled(count > 0 && row != count - 1);
    m_last->setEnabled(count > 0 && row != count - 1);
}

} // namespace dalil
