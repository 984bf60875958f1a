// What the window tests share, beyond the data tests' own (testdata.h): starting the program
// on a folder, answering the message boxes it shows, and driving its controls.
#pragma once

#include "testdata.h"

#include "data/reminders/reminders.h"

#include <QMessageBox>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QWidget>

class QAbstractItemView;
class QModelIndex;

namespace dalil {
class BoundTextBox;
class DataControl;
class RecordSource;
}

#include <functional>
#include <memory>

namespace testing {

// Starts the program in-process on the folder, as the user starts it, and waits for its frame.
// Its reminders ring by the clocks given, and only then: a test's appointments never ring by
// the real clock.
bool startProgram(const AppFolder &folder, dalil::Reminders::Clock clock = {}, dalil::ReminderSchedule::Elapsed elapsed = {});
// Ends the program, lets its windows go, and closes every connection to the file.
void stopProgram();
// Runs the work the program has queued for later (deferred calls, windows let go), without
// waiting on a clock.
void runQueuedWork();

// A window test class whose every test starts the program on a fresh book, and ends it after.
// With Frame::Active the frame is then the active window, as when the user has just clicked
// it: the shortcuts and the active child go by it.
class ProgramFixture : public QObject
{
    Q_OBJECT
public:
    enum class Frame { AsShown, Active };
    explicit ProgramFixture(Frame frame = Frame::AsShown) : m_frame(frame) {}

protected:
    std::unique_ptr<AppFolder> folder;

private slots:
    void init();
    void cleanup();

private:
    Frame m_frame;
};

// A paint device that keeps the texts drawn on it.
class TextRecorder : public QPaintDevice
{
public:
    QStringList texts;

    QPaintEngine *paintEngine() const override { return &m_engine; }

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth:
        case PdmHeight:
            return 1000;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY:
            return 96;
        case PdmDepth:
            return 32;
        case PdmDevicePixelRatio:
            return 1;
        case PdmDevicePixelRatioScaled:
            return int(devicePixelRatioFScale());
        default:
            return QPaintDevice::metric(metric);
        }
    }

private:
    class Engine : public QPaintEngine
    {
    public:
        explicit Engine(TextRecorder *owner) : QPaintEngine(AllFeatures), m_owner(owner) {}
        bool begin(QPaintDevice *) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState &) override {}
        void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
        void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
        void drawRects(const QRectF *, int) override {}
        void drawLines(const QLineF *, int) override {}
        void drawPath(const QPainterPath &) override {}
        void drawTextItem(const QPointF &, const QTextItem &item) override { m_owner->texts << item.text(); }
        Type type() const override { return User; }

    private:
        TextRecorder *m_owner;
    };
    mutable Engine m_engine{this};
};

// The texts a view's delegate draws for a cell, run after run in the order they stand on
// screen from left to right: "+966 11 222 3333" shown right to left draws "3333 222 11 966+".
QString drawnText(QAbstractItemView *view, const QModelIndex &index);

// One message box the program showed: its title, text, icon and the direction it reads.
struct SeenBox
{
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    Qt::LayoutDirection direction = Qt::LeftToRight;
    QStringList buttons;
    QString defaultButton; // the one Enter presses, where the box names one
};

// While one lives, the message boxes the program shows are expected: the BoxGuard lets them be.
class ExpectBoxes
{
public:
    ExpectBoxes();
    ~ExpectBoxes();
    ExpectBoxes(const ExpectBoxes &) = delete;
    ExpectBoxes &operator=(const ExpectBoxes &) = delete;
};

// Fails the running test at once, naming the box by its title and text, when a message box or
// another modal dialog opens that the test did not expect (no BoxWatcher or ExpectBoxes lives),
// and closes the box so the test does not hang on it. Window tests start with one through
// TESTING_WINDOW_TEST_MAIN; report replaces the failing (to check the guard itself).
class BoxGuard : public QObject
{
public:
    using Report = std::function<void(const QString &)>;
    explicit BoxGuard(Report report = {});
    ~BoxGuard() override;
    // What was reported, one line a box.
    QStringList reported() const { return m_reported; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void unexpected(QWidget *box);
    Report m_report;
    QStringList m_reported;
};

// Watches for modal message boxes while it lives, records each and answers it.
class BoxWatcher
{
public:
    explicit BoxWatcher(QMessageBox::StandardButton answer = QMessageBox::Ok);
    ~BoxWatcher();
    void setAnswer(QMessageBox::StandardButton answer) { m_answer = answer; }
    QList<SeenBox> boxes() const;
    void clear();

private:
    struct Private;
    ExpectBoxes m_expecting;
    std::unique_ptr<Private> d;
    QMessageBox::StandardButton m_answer;
};

// A record source with bound boxes on a widget of their own, as the entry windows hold them.
struct BoundWindow
{
    BoundWindow(const QString &database, const QString &source, const QStringList &fields = {});
    dalil::RecordSource *rs() const;
    // Empties the field's box, then types into it.
    void type(const QString &field, const QString &text);

    QWidget widget;
    dalil::DataControl *data;
    QHash<QString, dalil::BoundTextBox *> boxes;
};

// What a window shows cut, by name: each caption (label, button, check box) wider or taller
// than its control, and each control that reaches past the window's edges.
QStringList cutOrOutside(QWidget *window);

// Answers the next file window with the path, as the user types it and presses the button.
void answerFileDialog(const QString &path);

// Types text into a widget one character at a time, as a keyboard would (Arabic included).
void typeText(QWidget *widget, const QString &text);

} // namespace testing

// The main of a test that opens windows: as QTEST_MAIN, with a BoxGuard watching every test.
#define TESTING_WINDOW_TEST_MAIN(TestObject) \
    QTEST_MAIN_WRAPPER(TestObject, QTEST_MAIN_SETUP() testing::BoxGuard boxGuard;)
