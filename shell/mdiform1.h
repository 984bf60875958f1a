// The frame: the multiple-document main window with the menu bar, hosting every window.
#pragma once

#include "common/form.h"

#include <QMainWindow>
#include <QPointer>

class QAction;
class QMdiArea;
class QMenu;
class QMdiSubWindow;

namespace dalil {
class ListWindow;
}

namespace dalil {

class MDIForm1 : public QMainWindow, public FormHost
{
    Q_OBJECT

public:
    static MDIForm1 *create();
    static MDIForm1 *instance();
    ~MDIForm1() override;

    void adopt(Form *form) override;
    void showForm(Form *form) override;
    void hideForm(Form *form) override;

    // Ends the program: every window goes at once, with no question and nothing written.
    void end();

    QMdiArea *area() const { return m_area; }

    QMenu *file;
    QAction *phone;
    QAction *note;
    QAction *check;
    QAction *print;
    QAction *import_; // "import" and "export": the names are C++ keywords
    QAction *export_;
    QAction *backup;
    QAction *restore;
    QAction *syncnow;
    QAction *border;
    QAction *help;
    QAction *exit;
    QMenu *options;
    QAction *addphone;
    QAction *addnote;
    QAction *addcheck;
    QAction *layouts;
    QAction *hijri;
    // "التذكير": how long before an appointment its reminder comes, one item a choice.
    QMenu *reminders;
    QAction *deleted;
    QAction *sync;

    // The conflicts the sync found, one at a time, for the user to choose.
    void openConflicts();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    MDIForm1();
    void exit_Click();
    void phone_Click();
    void note_Click();
    void check_Click();
    void help_Click();
    void addphone_Click();
    void addnote_Click();
    void addcheck_Click();
    void print_Click();
    void import_Click();
    void export_Click();
    void backup_Click();
    void restore_Click();
    void layouts_Click();
    // The list window in front, the one "print" prints; none when another window is in front.
    ListWindow *listInFront() const;
    void hijri_Click();
    void lead_Click(int minutes);
    void deleted_Click();
    void sync_Click();
    void syncnow_Click();
    // Every window is designed maximized: the one a hide or a close uncovers shows so too.
    void maximizeTopWindow();
    // hidden: the program hid the window above, and the one uncovered takes the focus.
    void uncoverTopWindow(bool hidden);
    void bringToFront(Form *form);

    QMdiArea *m_area;
    bool m_ending = false;
    QList<QPointer<QMdiSubWindow>> m_shownOrder; // the windows in the order the program showed them
    QPointer<Form> m_front;                      // the window last brought to the front
    bool m_showConflicts = false;                // the sync the user asked for shows its conflicts
};

} // namespace dalil
