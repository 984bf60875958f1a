#include "menustyle.h"

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>
#include <QTextLayout>

namespace dalil {

namespace {

bool &shown()
{
    static bool value = false;
    return value;
}

// The text without its access-key marks ("&&" stays one "&"), and where the key's letter is.
QString withoutMarks(const QString &text, int *keyAt)
{
    QString plain;
    *keyAt = -1;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'&' && i + 1 < text.size()) {
            ++i;
            if (text.at(i) != u'&' && *keyAt < 0)
                *keyAt = int(plain.size());
        }
        plain += text.at(i);
    }
    return plain;
}

// Where a control drew anything, left to right: the columns of the image that differ.
std::pair<int, int> inkColumns(const QImage &with, const QImage &without)
{
    int first = -1, last = -1;
    for (int x = 0; x < with.width(); ++x) {
        for (int y = 0; y < with.height(); ++y) {
            if (with.pixel(x, y) != without.pixel(x, y)) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
        }
    }
    return {first, last};
}

class AltWatch : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
            const auto *key = static_cast<QKeyEvent *>(event);
            const bool alt = key->modifiers().testFlag(Qt::AltModifier) || key->key() == Qt::Key_Alt;
            const bool down = event->type() == QEvent::KeyPress ? alt : (alt && key->key() != Qt::Key_Alt);
            // A menu opened from the keyboard keeps its keys shown until it closes.
            const bool inMenu = qobject_cast<QMenu *>(QApplication::activePopupWidget()) && MenuStyle::underlinesShown();
            if (down != MenuStyle::underlinesShown() && !inMenu)
                MenuStyle::setUnderlinesShown(down);
        } else if (event->type() == QEvent::Hide && qobject_cast<QMenu *>(watched)
                   && !QApplication::activePopupWidget()) {
            MenuStyle::setUnderlinesShown(false);
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void MenuStyle::install()
{
    if (qobject_cast<MenuStyle *>(QApplication::style()))
        return;
    QApplication::setStyle(new MenuStyle(QStyleFactory::create(QApplication::style()->name())));
    qApp->installEventFilter(new AltWatch(qApp));
}

bool MenuStyle::underlinesShown()
{
    return shown();
}

void MenuStyle::setUnderlinesShown(bool value)
{
    if (shown() == value)
        return;
    shown() = value;
    const auto widgets = QApplication::allWidgets();
    for (QWidget *w : widgets) {
        if (qobject_cast<QMenuBar *>(w) || (qobject_cast<QMenu *>(w) && w->isVisible()))
            w->update();
    }
}

int MenuStyle::styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                         QStyleHintReturn *returnData) const
{
    if (hint == SH_UnderlineShortcut)
        return 0; // drawn by drawControl, whole words kept
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void MenuStyle::drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                            const QWidget *widget) const
{
    const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
    if (!item || (element != CE_MenuBarItem && element != CE_MenuItem) || !item->text.contains(u'&')) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    // The text is drawn without its marks, so that the engine shapes each word whole.
    QStyleOptionMenuItem plain = *item;
    int keyAt = -1;
    const QString label = item->text.section(u'\t', 0, 0);
    plain.text = withoutMarks(label, &keyAt) + item->text.mid(label.size());
    QProxyStyle::drawControl(element, &plain, painter, widget);
    if (!shown() || keyAt < 0)
        return;

    // The underline goes under the key's letter where the style put the words: found by
    // drawing the item with and without its text.
    const QRect area = item->rect;
    QImage with(area.size(), QImage::Format_ARGB32_Premultiplied);
    QImage without(area.size(), QImage::Format_ARGB32_Premultiplied);
    for (QImage *image : {&with, &without}) {
        image->fill(Qt::transparent);
        QPainter p(image);
        p.translate(-area.topLeft());
        QStyleOptionMenuItem copy = plain;
        if (image == &without)
            copy.text = item->text.mid(label.size());
        QProxyStyle::drawControl(element, &copy, &p, widget);
    }
    const auto [left, right] = inkColumns(with, without);
    if (left < 0)
        return;
    const QString words = plain.text.section(u'\t', 0, 0);
    QTextLayout layout(words, item->font);
    QTextOption textOption;
    textOption.setTextDirection(item->direction);
    layout.setTextOption(textOption);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    layout.endLayout();
    if (!line.isValid())
        return;
    const qreal width = line.naturalTextWidth();
    const qreal a = line.cursorToX(keyAt);
    const qreal b = line.cursorToX(keyAt + 1);
    // The words' ink ends at the right edge in a right-to-left item, starts at the left otherwise.
    const qreal origin = item->direction == Qt::RightToLeft ? area.left() + right + 1 - width : area.left() + left;
    const int y = area.top() + (area.height() + QFontMetrics(item->font).ascent()) / 2 + 1;
    painter->save();
    painter->setPen(QPen(item->palette.color(QPalette::ButtonText), 1));
    painter->drawLine(QPointF(origin + qMin(a, b), y), QPointF(origin + qMax(a, b), y));
    painter->restore();
}

} // namespace dalil
