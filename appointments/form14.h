// The reminder window: the appointments whose time comes, and those whose time passed while
// the program was closed ("مواعيد فاتتك"), each with its weekday, its Gregorian and Hijri date
// and its time; the selected ones are snoozed or dismissed. A window of its own, outside the
// frame, so that it comes up over whatever the user is doing, the frame minimised included.
#pragma once

#include "data/reminders/reminders.h"

#include <QWidget>

class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace dalil {

class Form14 : public QWidget
{
    Q_OBJECT

public:
    Form14(const QString &databasePath, Reminders::Clock clock);
    static QString designName() { return QStringLiteral("Form14"); }

    enum class Group { Ringing, Missed };

    // Lists the reminders under their group (one already listed stays once) and selects
    // them; the window comes up in front, leaving the keyboard where it was.
    void add(const QList<Reminders::Reminder> &reminders, Group group);
    // The reminders listed, in the order shown, and those selected.
    QList<Reminders::Reminder> listed() const;
    QList<Reminders::Reminder> selected() const;
    // Lets go of the reminders answered since they rang here (by another copy of the
    // program, say) or whose appointment is gone or has another time; closes when none is left.
    void dropAnswered();

    QTreeWidget *ListView1;
    QLabel *Label1;
    QComboBox *Combo1;
    QPushButton *Command1;
    QPushButton *Command2;

signals:
    // The user snoozed or dismissed reminders: the schedule has another next ring.
    void answered();

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Command1_Click();
    void Command2_Click();
    // Keeps the user's answer for each selected reminder; those kept (or whose appointment
    // is gone or has another time now) leave the list, the others stay and the user is told.
    void answer(const std::function<DataError(const Reminders::Reminder &)> &keep);
    // Removes the rows that `gone` names, and the groups they leave empty.
    void removeRows(const std::function<bool(QTreeWidgetItem *)> &gone);
    QTreeWidgetItem *groupItem(Group group);
    void enableButtons();

    QString m_path;
    Reminders::Clock m_clock;
    QTreeWidgetItem *m_groups[2] = {};
    bool m_placed = false;
};

} // namespace dalil
