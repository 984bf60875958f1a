#include "form8.h"

#include "rtfreader.h"

#include "common/application.h"
#include "common/icons.h"
#include "common/twips.h"

#include <QDir>
#include <QFile>
#include <QPushButton>

namespace dalil {

RichTextBox::RichTextBox(const QString &name, QWidget *parent)
    : QTextBrowser(parent)
{
    setObjectName(name);
    setOpenLinks(false);
    setLayoutDirection(Qt::RightToLeft);
}

void RichTextBox::setFileName(const QString &path)
{
    m_fileName = path;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        // The path reads left to right inside the Arabic sentence.
        const QString shown = QChar(0x2066) + QDir::toNativeSeparators(path) + QChar(0x2069);
        setPlainText(QStringLiteral("تعذر فتح ملف المساعدة:\n%1").arg(shown));
        QTextOption option = document()->defaultTextOption();
        option.setTextDirection(Qt::RightToLeft);
        option.setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
        document()->setDefaultTextOption(option);
        return;
    }
    auto *contents = new QTextDocument(this);
    contents->setDefaultFont(font());
    readRtf(file.readAll(), contents);
    // The box's own first document goes with setDocument; those read since are ours.
    QTextDocument *previous = document();
    const bool ours = previous && previous->parent() == this;
    setDocument(contents);
    if (ours)
        delete previous;
}

Form8::Form8()
    : Form(designName(), 11880, 8595)
{
    setWindowTitle(QStringLiteral("Form8"));
    setWindowIcon(Icons::start());

    RichTextBox1 = new RichTextBox(QStringLiteral("RichTextBox1"), this);
    RichTextBox1->setGeometry(twipsRect(1560, 360, 8655, 6495));
    Command1 = new QPushButton(QStringLiteral("رجوع إلى الشاشة الرئيسية"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(twipsRect(4920, 7200, 2175, 495));

    connect(Command1, &QPushButton::clicked, this, &Form8::Command1_Click);
}

void Form8::Command1_Click()
{
    Unload();
    Forms::showStartWindow();
}

void openHelp()
{
    // The window is on screen before the file is read; a second opening reads it again.
    Form8 *help = Forms::Load<Form8>();
    help->Show();
    Forms::hideStartWindow();
    help->RichTextBox1->setFileName(helpFilePath());
}

} // namespace dalil
