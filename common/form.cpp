#include "form.h"

#include "datacontrol.h"
#include "fittext.h"
#include "messagebox.h"
#include "twips.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QResizeEvent>
#include <QHash>

#include <algorithm>
#include <cmath>
#include <ranges>

namespace dalil {

namespace {

struct Registry
{
    FormHost *host = nullptr;
    FormHost *(*hostFactory)() = nullptr;
    void (*startWindowHandler)() = nullptr;
    QList<QPointer<Form>> forms;
};

Registry &registry()
{
    static Registry r;
    return r;
}

} // namespace

Form::Form(const QString &name, int widthTwips, int heightTwips)
{
    setObjectName(name);
    setMinimumSize(twipsSize(widthTwips, heightTwips));
    resize(twipsSize(widthTwips, heightTwips));
    m_designSize = twipsSize(widthTwips, heightTwips);
}

void Form::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // Wider than the design, the design area stands against the right edge, where an Arabic
    // reader starts, its controls keeping their places within it. A window that grows with
    // the frame draws the whole area larger first. A window laid out by a layout, and the
    // status bar that spans the bottom edge, look after themselves.
    if (layout())
        return;
    qreal scale = 1;
    if (m_scaledWithFrame) {
        // In steps of a twentieth: a frame a few pixels larger than the design keeps it as
        // drawn, and the type changes size only now and then as the frame is dragged.
        scale = std::min(width() / qreal(m_designSize.width()), height() / qreal(m_designSize.height()));
        scale = std::clamp(std::floor(scale * 20) / 20, qreal(1), maximumScale);
    }
    const bool rescaled = !qFuzzyCompare(scale, m_scale);
    const int shift = qMax(0, width() - qRound(m_designSize.width() * scale));
    const auto scaled = [scale](int length) { return qRound(length * scale); };
    const auto children = findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *child : children) {
        if (child->isWindow() || child->objectName() == u"StatusBar1")
            continue;
        auto place = m_designPlaces.find(child);
        if (place == m_designPlaces.end()) {
            const QRect at = child->geometry().translated(-m_appliedShift, 0);
            place = m_designPlaces.insert(child, QRect(qRound(at.x() / m_scale), qRound(at.y() / m_scale),
                                                       qRound(at.width() / m_scale), qRound(at.height() / m_scale)));
        }
        if (!rescaled) {
            child->move(scaled(place->x()) + shift, scaled(place->y()));
            continue;
        }
        // Neighbours stay neighbours: each edge is scaled, not each length.
        child->setGeometry(QRect(QPoint(scaled(place->left()) + shift, scaled(place->top())),
                                 QPoint(scaled(place->left() + place->width()) + shift - 1,
                                        scaled(place->top() + place->height()) - 1)));
        if (auto *button = qobject_cast<QAbstractButton *>(child); button && !button->icon().isNull()) {
            auto icon = m_designIcons.find(button);
            if (icon == m_designIcons.end())
                icon = m_designIcons.insert(button, button->iconSize() / m_scale);
            button->setIconSize(*icon * scale);
        }
    }
    if (rescaled) {
        scaleFonts(scale / m_scale);
        m_scale = scale;
        fitGrownLabels();
    }
    m_appliedShift = shift;
}

void Form::scaleFonts(qreal ratio)
{
    // Every face set on the window or one of its controls, computed before any is set: a
    // control that takes its size from the window would otherwise grow twice.
    const auto grown = [ratio](QFont font) {
        if (font.pointSizeF() > 0)
            font.setPointSizeF(font.pointSizeF() * ratio);
        else
            font.setPixelSize(qMax(1, qRound(font.pixelSize() * ratio)));
        return font;
    };
    // They are set from the innermost out, so that a control that fits its parts' faces to
    // its own as its face changes has the last word.
    QList<std::pair<QWidget *, QFont>> faces;
    const auto controls = findChildren<QWidget *>();
    for (QWidget *control : controls | std::views::reverse) {
        if (control->window() == window() && control->testAttribute(Qt::WA_SetFont))
            faces.append({control, grown(control->font())});
    }
    faces.append({this, grown(font())});
    for (const auto &[widget, face] : std::as_const(faces))
        widget->setFont(face);
}

void Form::fitGrownLabels()
{
    // Type does not grow quite as its box does: a caption that the new size would cut takes
    // the room it needs, as the design's own captions do where the face runs wide.
    const auto labels = findChildren<QLabel *>(Qt::FindDirectChildrenOnly);
    for (QLabel *label : labels) {
        if (!label->wordWrap() && !label->text().isEmpty() && label->pixmap().isNull())
            growToFit(label);
    }
}

Form::~Form()
{
    Forms::remove(this);
}

void Form::load()
{
    if (m_loaded)
        return;
    m_loaded = true;
    Form_Load();
    // The record sources open once the load handler has set them up; a window reports a
    // database that cannot be used once, however many record sources it holds.
    DataError first;
    const auto controls = findChildren<DataControl *>();
    for (DataControl *control : controls) {
        if (!control->source()->open() && !first.isError())
            first = control->source()->lastError();
    }
    if (first.isError())
        MessageBoxes::dataError(this, first);
}

void Form::Show()
{
    m_meantToBeShown = true;
    if (FormHost *frame = Forms::host())
        frame->showForm(this);
    else
        show();
}

void Form::Hide()
{
    m_meantToBeShown = false;
    if (FormHost *frame = Forms::host())
        frame->hideForm(this);
    else
        hide();
    // With no other window to take it, the focus would stay on a control of the hidden
    // window, where a key the user presses next (Space on its cancel button) would act
    // unseen.
    if (QWidget *focus = QApplication::focusWidget(); focus && isAncestorOf(focus) && !focus->isVisible())
        focus->clearFocus();
}

bool Form::isShown() const
{
    const QWidget *outer = parentWidget() ? parentWidget() : this;
    return !m_unloading && outer->isVisible() && isVisible();
}

void Form::setMaximized()
{
    // Window state 2. A hidden window stays hidden: changing the state of a hidden frame
    // window shows it, so the state is left for the next Show, which always maximizes. A
    // state change brings no window to the front.
    if (QWidget *window = parentWidget()) {
        if (window->isVisible() && !window->isMaximized())
            window->setWindowState(window->windowState() | Qt::WindowMaximized);
    }
}

void Form::catchUpWithFile()
{
    bool changed = false;
    const auto controls = findChildren<DataControl *>();
    for (DataControl *control : controls)
        changed = control->source()->resyncIfChanged() || changed;
    if (changed)
        recordsChangedElsewhere();
}

void Form::Unload()
{
    if (m_unloading)
        return;
    // Hidden first, so that the window it uncovers comes to the front at once.
    if (isMeantToBeShown())
        Hide();
    if (parentWidget())
        parentWidget()->close(); // the frame's window closes us through closeEvent
    else
        close();
}

void Form::forget()
{
    if (m_unloading)
        return;
    m_unloading = true;
    m_meantToBeShown = false;
    Form_Unload();
    // What was typed and not saved is dropped: an unloaded window writes nothing.
    const auto controls = findChildren<DataControl *>();
    for (DataControl *control : controls)
        control->source()->discardPending();
    Forms::remove(this);
}

void Form::closeEvent(QCloseEvent *event)
{
    forget();
    event->accept();
    if (!parentWidget())
        deleteLater();
}

namespace Forms {

void setHost(FormHost *h)
{
    registry().host = h;
}

FormHost *host()
{
    Registry &r = registry();
    if (!r.host && r.hostFactory)
        r.host = r.hostFactory();
    return r.host;
}

void setHostFactory(FormHost *(*factory)())
{
    registry().hostFactory = factory;
}

Form *find(const QString &name)
{
    for (const QPointer<Form> &form : std::as_const(registry().forms)) {
        if (form && !form->isUnloading() && form->objectName() == name)
            return form;
    }
    return nullptr;
}

void add(Form *form)
{
    registry().forms.append(form);
    if (FormHost *frame = host())
        frame->adopt(form);
}

void remove(Form *form)
{
    registry().forms.removeAll(form);
    registry().forms.removeAll(nullptr);
}

QList<Form *> all()
{
    QList<Form *> result;
    for (const QPointer<Form> &form : std::as_const(registry().forms)) {
        if (form)
            result << form;
    }
    return result;
}

void showStartWindow()
{
    if (registry().startWindowHandler)
        registry().startWindowHandler();
}

void hideStartWindow()
{
    if (Form *start = find(QStringLiteral("Form1")))
        start->Hide();
}

void followReplacedFile(const QString &path)
{
    Database::letGoIfReplaced(path);
    const QList<Form *> forms = all();
    for (Form *form : forms) {
        if (form->isUnloading())
            continue;
        form->catchUpWithFile();
        // Told now: what the windows write next goes to the file there now, as they find it.
        for (DataControl *control : form->findChildren<DataControl *>())
            control->source()->model()->acknowledgeReplacement();
    }
    MessageBoxes::dataError(QApplication::activeWindow(), {DataError::Kind::Replaced, path, {}, {}});
}

void setStartWindowHandler(void (*handler)())
{
    registry().startWindowHandler = handler;
}

} // namespace Forms

} // namespace dalil
