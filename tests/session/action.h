// One step of a random session: what a user does, as plain data, so that a session can be
// printed, shrunk and replayed.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace session {

enum class Act {
    StartButton,   // n: Form1 Command1..Command3
    Menu,          // control: phone, note, check, help, addphone, addnote, addcheck, hijri, exit
    Click,         // form.control, a button
    DoubleClick,   // form.control, a button, two clicks within the double-click interval
    Type,          // form.control, a text box: click into it, select all, type text
    PickKind,      // form List1 row n (clicked)
    GridClick,     // form DBGrid1 row n (clicked)
    GridKey,       // form DBGrid1 with the focus, key n (Qt::Key) with modifiers m
    SelectorClick, // form DBGrid1's record selector of row n
    NavBar,        // form Data1's navigation button control (first, previous, next, last)
    CloseBox,      // form's window closed by its close box
    FocusKey,      // key n (text for a letter) sent to the widget with the focus
    OtherWrite,    // another copy writes: control = table, n = 0 insert / 1 update / 2 delete /
                   // 3 a copy of the whole file put in its place, m = row picked (modulo the
                   // rows), values = the row's texts
    HelpFind,      // Form8: Ctrl+F, text typed into the find bar, Enter, then Esc
    Print,         // control "menu": the file menu's print; "cheque": Form7's Command4
    Layouts,       // the cheque layouts window opened from the menu, value text typed into
                   // its spin box n (Spin1..), then closed by its Command4
    PickItem,      // form.control, a combo box: item n chosen with the arrow keys
    Undo,          // form, a list window: Ctrl+Z with the focus on its grid
    Deleted,       // the deleted records window opened from the menu: row n restored, or
                   // (n = -1) the list emptied and the question answered yes; then closed
    Backup,        // the file menu's backup, to a new file chosen in the file window; every
                   // file window lists the book's folder while another program reads the
                   // book, and the program must still hold its locks on the book after
    Exchange,      // the file menu's export (m = 0) or import (m = 1) of book n, through the
                   // exchange window and the file window; an import's file holds the records
                   // whose texts values gives, one after the other, and is imported if the
                   // preview offers anything
    Sync,          // a second device with a book of its own adds a record to book control
                   // (values its texts; none when values is empty) and syncs with the
                   // server; the user's "مزامنة الآن" in the file menu, waited for; the
                   // second device syncs again
    Reminders,     // the clock moves on to text (a date and time, ISO; never back), and what
                   // came due rings; the reminder window, if it is up, is answered: m = 0 its
                   // close box, 1 snooze for Combo1's item n, 2 dismiss (the selection)
    Screen,        // the frame resized to screen n: 0 800×600, 1 1366×768, 2 1920×1080
};

struct Action
{
    Act act = Act::Click;
    QString form;
    QString control;
    int n = 0;
    int m = 0;
    QString text;
    QStringList values;
    int answer = 0; // the button chosen in a box that offers a choice (Ctrl+Z: 1 says yes)

    // One line of JSON; fromLine reads it back.
    QString toLine() const;
    static std::optional<Action> fromLine(const QString &line);
    // What the user did, in words.
    QString describe() const;
};

} // namespace session
