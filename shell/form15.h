// The sync window: the server's address, the user and the password; the address books and
// calendars found there, one chosen for the phone book and one for the appointments; how often
// to sync; a certificate that does not verify, shown by its fingerprint to be accepted or not.
#pragma once

#include "common/form.h"

#include "data/sync/service.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace dalil {

class Form15 : public Form
{
    Q_OBJECT

public:
    Form15();
    static QString designName() { return QStringLiteral("Form15"); }

    QLabel *Label1;
    QLineEdit *Text1; // the server's address
    QLabel *Label2;
    QLineEdit *Text2; // the user
    QLabel *Label3;
    QLineEdit *Text3; // the password, never shown
    QPushButton *Command1; // find the address books and calendars
    QLabel *Label4;
    QComboBox *Combo1; // the address book for the phone book
    QLabel *Label5;
    QComboBox *Combo2; // the calendar for the appointments
    QLabel *Label6;
    QComboBox *Combo3; // how often
    QLabel *Label7;    // what happened: found, refused, the certificate's fingerprint
    QPushButton *Command2; // accept the certificate shown
    QPushButton *Command3; // save
    QPushButton *Command4; // cancel
    QPushButton *Command5; // stop syncing

    QWidget *restingFocus() override;
    // The choices of Combo3 in minutes, 0 for "only when asked".
    static const QList<int> &intervals();

protected:
    void Form_Load() override;

private:
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void fillCollections(const QList<Sync::Collection> &found, const Sync::Settings &current);
    Sync::Account typedAccount() const;
    void say(const QString &text);

    QString m_fingerprint; // of the certificate shown, until accepted
    QString m_accepted;    // the one accepted here, saved with the rest
};

} // namespace dalil
