#include "textbox.h"

#include "bidi.h"
#include "datacontrol.h"

#include "data/text/amountwords.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QPainter>
#include <QRegularExpression>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTextLayout>
#include <QValidator>

#include <algorithm>

namespace dalil {

namespace {

// No design limit: long texts are kept whole rather than cut at Qt's default of 32767.
constexpr int noLimit = 16 * 1024 * 1024;

// A box's validator may rewrite what was typed before the box reports the change, so the
// record bound to it is told the 0-9 text only.
class ArabicDigitsValidator : public QValidator
{
public:
    using QValidator::QValidator;

    State validate(QString &input, int &) const override
    {
        // One character for one: the cursor stays where it was.
        input = toLatinDigits(input);
        return Acceptable;
    }
};

// Only digits go in: an edit that would bring in another character is refused. What the box
// held already (a stored value shown in it) stays editable, whatever it holds.
class DigitsOnlyValidator : public ArabicDigitsValidator
{
public:
    explicit DigitsOnlyValidator(QLineEdit *box)
        : ArabicDigitsValidator(box)
        , m_held(box->text())
    {
        // What the box held before an edit: while the edit is checked, the box already reads it.
        connect(box, &QLineEdit::textChanged, this, [this](const QString &text) { m_held = text; });
    }

    State validate(QString &input, int &position) const override
    {
        ArabicDigitsValidator::validate(input, position);
        return others(input) > others(m_held) ? Invalid : Acceptable;
    }

private:
    static qsizetype others(const QString &text)
    {
        return std::ranges::count_if(text, [](QChar c) { return c < u'0' || c > u'9'; });
    }

    QString m_held;
};

} // namespace

TextBox::TextBox(const QString &name, QWidget *parent, Direction direction)
    : QLineEdit(parent)
    , m_direction(direction)
{
    setObjectName(name);
    QLineEdit::setMaxLength(noLimit);
    setTextAlignment(direction == Direction::Arabic ? Qt::AlignRight : Qt::AlignLeft);
    connect(this, &QLineEdit::textChanged, this, &TextBox::updateDirection);
    connect(this, &QLineEdit::textEdited, this, &TextBox::joinLines);
    updateDirection();
}

void TextBox::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    // The box's own context menu, or another window, takes the focus for a while: the cursor
    // stays where it was for the user's return.
    if (event->reason() != Qt::PopupFocusReason && event->reason() != Qt::ActiveWindowFocusReason)
        showBeginning();
}

QRect TextBox::textRoom() const
{
    // The room inside the frame, less the line edit's own margin of two pixels each side.
    QStyleOptionFrame frame;
    initStyleOption(&frame);
    return style()->subElementRect(QStyle::SE_LineEditContents, &frame, this).adjusted(2, 1, -2, -1);
}

void TextBox::showBeginning()
{
    if (fontMetrics().horizontalAdvance(text()) > textRoom().width())
        setCursorPosition(0);
}

void TextBox::setWrappedWhenIdle(bool wrapped)
{
    m_wrappedWhenIdle = wrapped;
    update();
}

QStringList TextBox::shownLines() const
{
    const QRect room = textRoom();
    const QFontMetrics metrics = fontMetrics();
    if (!m_wrappedWhenIdle || hasFocus() || metrics.horizontalAdvance(text()) <= room.width())
        return {text()};
    const int most = qMax(1, room.height() / metrics.height());
    QTextLayout layout(text(), font());
    QTextOption option;
    option.setTextDirection(layoutDirection());
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QStringList lines;
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(room.width());
        if (lines.size() == most - 1) {
            // The last line that fits holds the rest, cut where the room ends.
            const QString rest = text().mid(line.textStart());
            lines << metrics.elidedText(rest, Qt::ElideRight, room.width());
            break;
        }
        lines << text().mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines;
}

void TextBox::paintEvent(QPaintEvent *event)
{
    const QStringList lines = shownLines();
    if (lines.size() < 2) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QStyleOptionFrame frame;
    initStyleOption(&frame);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &frame, &painter, this);
    const QRect room = textRoom();
    const int lineHeight = fontMetrics().height();
    QTextOption option(QStyle::visualAlignment(layoutDirection(), alignment()) & Qt::AlignHorizontal_Mask);
    option.setTextDirection(layoutDirection());
    option.setWrapMode(QTextOption::NoWrap);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    int top = room.top() + (room.height() - lineHeight * int(lines.size())) / 2;
    for (const QString &line : lines) {
        painter.drawText(QRectF(room.left(), top, room.width(), lineHeight), line, option);
        top += lineHeight;
    }
}

void TextBox::setTextAlignment(Qt::Alignment horizontal)
{
    m_alignment = horizontal & Qt::AlignHorizontal_Mask;
    setAlignment(m_alignment | Qt::AlignAbsolute | Qt::AlignVCenter);
}

void TextBox::setMaxLength(int length)
{
    m_maxLength = length;
    QLineEdit::setMaxLength(length > 0 ? length : noLimit);
}

void TextBox::keyPressEvent(QKeyEvent *event)
{
    QLineEdit::keyPressEvent(event);
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        emit enterPressed();
}

void TextBox::joinLines()
{
    // A one-line box: line breaks pasted or dropped into it become blanks, as the grids show
    // one line a record. Only what the user puts in is joined; a stored value that holds a
    // line break is shown as it is.
    static const QRegularExpression lineBreak(QStringLiteral("\\r\\n|[\\r\\n\\x{2028}\\x{2029}]"));
    const QString edited = text();
    if (!edited.contains(lineBreak))
        return;
    const int cursor = cursorPosition();
    const int before = int(edited.left(cursor).replace(lineBreak, QStringLiteral(" ")).size());
    setText(QString(edited).replace(lineBreak, QStringLiteral(" ")));
    setCursorPosition(before);
}

void TextBox::updateDirection()
{
    // An Arabic box reads right to left; a run without Arabic letters reads left to right.
    const bool rightToLeft = m_direction == Direction::Arabic
                             && (text().isEmpty() || Bidi::hasRightToLeftLetters(text()));
    const Qt::LayoutDirection wanted = rightToLeft ? Qt::RightToLeft : Qt::LeftToRight;
    if (layoutDirection() != wanted) {
        setLayoutDirection(wanted);
        setAlignment(m_alignment | Qt::AlignAbsolute | Qt::AlignVCenter);
    }
}

BoundTextBox::BoundTextBox(const QString &name, QWidget *parent, Direction direction)
    : TextBox(name, parent, direction)
{
    connect(this, &QLineEdit::textChanged, this, &BoundTextBox::textWasChanged);
}

void BoundTextBox::setDataSource(DataControl *source)
{
    if (m_source && !m_field.isEmpty())
        m_source->source()->unbindField(m_field);
    disconnect(m_sourceConnection);
    m_source = source;
    if (m_source) {
        if (!m_field.isEmpty())
            m_source->source()->bindField(m_field);
        m_sourceConnection =
            connect(m_source->source(), &RecordSource::currentChanged, this, &BoundTextBox::showCurrent);
    }
    showCurrent();
}

void BoundTextBox::setDataField(const QString &field)
{
    if (m_source && !m_field.isEmpty())
        m_source->source()->unbindField(m_field);
    m_field = field;
    if (m_source && !m_field.isEmpty())
        m_source->source()->bindField(m_field);
    showCurrent();
}

void BoundTextBox::showCurrent()
{
    if (!m_source || m_field.isEmpty())
        return;
    m_showing = true;
    // The design's limit and the box's digits (Arabic-Indic become 0-9) are for what is typed:
    // a stored value longer than the limit or in other digits (a month's name or "١٢" kept by
    // an older book, another program's text) is shown as stored, so that a save never writes
    // it back changed.
    const QString value = m_source->source()->fieldText(m_field);
    if (designMaxLength() > 0)
        QLineEdit::setMaxLength(qMax(designMaxLength(), int(value.size())));
    const QValidator *typing = validator();
    setValidator(nullptr);
    setText(value);
    setValidator(typing);
    if (!hasFocus())
        showBeginning();
    m_showing = false;
}

void BoundTextBox::textWasChanged()
{
    if (m_showing || !m_source || m_field.isEmpty())
        return;
    // The box's text as it stands, not as the signal carried it: an edit whose line breaks
    // were joined reaches here after the joined text did.
    m_source->source()->setFieldText(m_field, text());
}

void acceptArabicDigits(QLineEdit *box)
{
    box->setValidator(new ArabicDigitsValidator(box));
}

void acceptDigitsOnly(QLineEdit *box)
{
    box->setValidator(new DigitsOnlyValidator(box));
}

BoundLabel::BoundLabel(const QString &name, const QString &caption, QWidget *parent)
    : QLabel(caption, parent)
{
    setObjectName(name);
    setTextFormat(Qt::PlainText);
}

void BoundLabel::setDataSource(DataControl *source)
{
    disconnect(m_sourceConnection);
    m_source = source;
    if (m_source)
        m_sourceConnection = connect(m_source->source(), &RecordSource::currentChanged, this, &BoundLabel::showCurrent);
    showCurrent();
}

void BoundLabel::setDataField(const QString &field)
{
    m_field = field;
    showCurrent();
}

void BoundLabel::showCurrent()
{
    if (!m_source || m_field.isEmpty())
        return;
    setText(m_source->source()->fieldText(m_field));
}

void fitListItems(QListWidget *list)
{
    const int rows = list->count();
    const QRect inside = list->contentsRect();
    if (rows == 0 || inside.height() < rows)
        return;
    const int rowHeight = inside.height() / rows;
    const int padding = list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1;
    const auto fits = [&](const QFont &font) {
        const QFontMetrics metrics(font);
        if (metrics.height() > rowHeight)
            return false;
        for (int i = 0; i < rows; ++i) {
            if (metrics.horizontalAdvance(list->item(i)->text()) + 2 * padding > inside.width())
                return false;
        }
        return true;
    };
    QFont font = list->font();
    while (font.pointSizeF() > 6 && !fits(font))
        font.setPointSizeF(font.pointSizeF() - 0.25);
    list->setFont(font);
    for (int i = 0; i < rows; ++i)
        list->item(i)->setSizeHint(QSize(inside.width(), rowHeight));
}

} // namespace dalil
