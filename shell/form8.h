// The help viewer: Help File.rtf from the program's folder, read afresh at every opening.
#pragma once

#include "common/form.h"

#include <QTextBrowser>

class QLineEdit;
class QPushButton;

namespace dalil {

// The rich-text box: given a file's path, it shows the file's contents.
class RichTextBox : public QTextBrowser
{
    Q_OBJECT

public:
    RichTextBox(const QString &name, QWidget *parent);

    QString FileName() const { return m_fileName; }
    // Reads the file whole, in place of what the box showed. A file that cannot be read is
    // said so in the box, with its full path.
    void setFileName(const QString &path);

private:
    QString m_fileName;
};

class Form8 : public Form
{
    Q_OBJECT

public:
    Form8();
    static QString designName() { return QStringLiteral("Form8"); }

    RichTextBox *RichTextBox1;
    QPushButton *Command1;

    QWidget *restingFocus() override { return RichTextBox1; }
    // The caption is the design's name "Form8"; the frame names the window by its menu item.
    QString frameCaption() const override { return QStringLiteral("مساعدة"); }

    // The find bar of Ctrl+F: Enter finds the next match, Shift+Enter the one before, Esc
    // closes it.
    QLineEdit *findBox() const { return m_find; }
    void openFind();
    bool findNext(bool backward = false);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void Command1_Click();
    void closeFind();
    void layOut();

    QLineEdit *m_find;
};

// The open-help routine of the frame's menu.
void openHelp();

} // namespace dalil
