// The base of every window of the program: one instance each, created on first use, kept
// while hidden, destroyed when unloaded, shown maximized inside the frame.
#pragma once

#include <QHash>
#include <QPointer>
#include <QWidget>

class QCloseEvent;
class QMdiSubWindow;

namespace dalil {

class Form;

// The frame that hosts the windows; the shell provides it.
class FormHost
{
public:
    virtual ~FormHost() = default;
    virtual void adopt(Form *form) = 0;
    virtual void showForm(Form *form) = 0;
    virtual void hideForm(Form *form) = 0;
};

class Form : public QWidget
{
    Q_OBJECT

public:
    // name is the window's design name (Form2, ...); the size is the design client area.
    Form(const QString &name, int widthTwips, int heightTwips);
    ~Form() override;

    // Shows the window, modeless, maximized inside the frame.
    void Show();
    void Hide();
    // Destroys the window; the next use creates it afresh from its design.
    void Unload();
    // Window state 2: fills the frame's client area.
    void setMaximized();

    // The whole design grows with the frame: places, sizes and type by one factor, the
    // largest at which the design fits the window, in twentieths from 1 (the design) to
    // maximumScale.
    void setScaledWithFrame() { m_scaledWithFrame = true; }
    static constexpr qreal maximumScale = 1.6;
    // The factor the design is drawn at now: 1 unless the window grows with the frame.
    qreal designScale() const { return m_scale; }

    bool isUnloading() const { return m_unloading; }
    // Whether the window is on screen (shown and not hidden).
    bool isShown() const;
    // Whether the program has shown the window and not hidden it since: the frame never
    // brings up a window that the program hid.
    bool isMeantToBeShown() const { return m_meantToBeShown && !m_unloading; }

    // The control that takes the focus when the window comes to the front: a harmless one,
    // never a button that deletes or cancels.
    virtual QWidget *restingFocus() { return nullptr; }
    // What the frame's title shows while the window fills it: its caption, unless the
    // caption is only the design's name.
    virtual QString frameCaption() const { return windowTitle(); }

    // The file changed elsewhere since the window's record sources read it: each is read
    // again, and the window brings what it shows of them (counts, sums, buttons) up to date.
    virtual void catchUpWithFile();

    // Runs the load handler, then opens the window's record sources.
    void load();

protected:
    virtual void Form_Load() {}
    virtual void Form_Unload() {}
    // After catchUpWithFile read a record source again.
    virtual void recordsChangedElsewhere() {}
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void forget();
    void scaleFonts(qreal ratio);
    void fitGrownLabels();

    bool m_loaded = false;
    bool m_unloading = false;
    bool m_meantToBeShown = false;
    bool m_scaledWithFrame = false;
    QSize m_designSize;                        // pixels
    int m_appliedShift = 0;
    qreal m_scale = 1;
    QHash<QWidget *, QRect> m_designPlaces;    // the controls' places in the design area
    QHash<QWidget *, QSize> m_designIcons;
};

namespace Forms {

void setHost(FormHost *host);
// The frame, created by the shell's factory when it does not exist yet.
FormHost *host();
void setHostFactory(FormHost *(*factory)());

// The loaded window of that design name, or none.
Form *find(const QString &name);
void add(Form *form);
void remove(Form *form);
QList<Form *> all();

// Refers to a window by name: creates (loads) it without showing it when it does not exist.
template <class F>
F *Load()
{
    if (auto existing = qobject_cast<F *>(find(F::designName())))
        return existing;
    auto *form = new F;
    add(form);
    form->load();
    return form;
}

// The window if it is loaded, without creating it.
template <class F>
F *loaded()
{
    return qobject_cast<F *>(find(F::designName()));
}

// The shell's start window, shown maximized again (the back buttons).
void showStartWindow();
// Hides the start window (a book or the help viewer has opened).
void hideStartWindow();
void setStartWindowHandler(void (*handler)());

// Another program put another file in the book's place, or took it away: every window reads
// what the name holds now (what was typed stays in its boxes), and the user is told.
void followReplacedFile(const QString &path);

} // namespace Forms

} // namespace dalil
