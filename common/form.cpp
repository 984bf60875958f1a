#include "form.h"

#include "datacontrol.h"
#include "messagebox.h"
#include "twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QResizeEvent>
#include <QHash>

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
    m_designWidth = twipsSize(widthTwips, heightTwips).width();
}

void Form::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    // Wider than the design, the design area stands against the right edge, where an Arabic
    // reader starts, its controls keeping their places and sizes within it. A window laid
    // out by a layout, and the status bar that spans the bottom edge, look after themselves.
    if (layout())
        return;
    const int shift = qMax(0, width() - m_designWidth);
    const auto children = findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *child : children) {
        if (child->isWindow() || child->objectName() == u"StatusBar1")
            continue;
        auto place = m_designPlaces.find(child);
        if (place == m_designPlaces.end())
            place = m_designPlaces.insert(child, child->pos() - QPoint(m_appliedShift, 0));
        child->move(place->x() + shift, place->y());
    }
    m_appliedShift = shift;
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
