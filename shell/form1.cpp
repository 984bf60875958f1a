#include "form1.h"

#include "program.h"

#include "appointments/appointments.h"
#include "chequebook/chequebook.h"
#include "phonebook/phonebook.h"

#include "common/icons.h"
#include "common/twips.h"

#include <QLabel>
#include <QStyle>
#include <QToolButton>

namespace dalil {

namespace {

// A graphical button: the book's icon above its caption.
QToolButton *bookButton(const QString &name, const QString &caption, const QIcon &icon, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(caption);
    button->setIcon(icon);
    button->setIconSize(QSize(32, 32));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setFocusPolicy(Qt::StrongFocus);
    QFont font(QStringLiteral("Monotype Koufi"));
    font.setPointSizeF(12);
    font.setBold(true);
    button->setFont(font);
    return button;
}

// The design's face at its size where the caption fits the button; a little smaller where
// the installed face runs wider, so that no caption is cut.
void fitCaption(QToolButton *button)
{
    QFont font = button->font();
    const int room = button->width() - 2 * button->style()->pixelMetric(QStyle::PM_ButtonMargin) - 4;
    while (font.pointSizeF() > 8 && QFontMetrics(font).horizontalAdvance(button->text()) > room)
        font.setPointSizeF(font.pointSizeF() - 0.25);
    button->setFont(font);
}

} // namespace

Form1::Form1()
    : Form(designName(), 11880, 8595)
{
    setScaledWithFrame();
    setWindowTitle(QStringLiteral("برنامج الدليل الشخصي"));
    setWindowIcon(Icons::start());

    Label1 = new QLabel(QStringLiteral("برنامج الدليل الشخصي"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    QFont titleFont(QStringLiteral("Monotype Koufi"));
    titleFont.setPointSizeF(15.75);
    titleFont.setBold(true);
    Label1->setFont(titleFont);
    Label1->setGeometry(twipsRect(4080, 600, 3735, 615));

    // The phone book stands right of the appointment book, the cheque book centred below:
    // the books in right-to-left reading order.
    Command1 = bookButton(QStringLiteral("Command1"), QStringLiteral("دليل الهاتف"), Icons::phone(), this);
    Command1->setGeometry(twipsRect(6008, 2685, 1815, 1575));
    Command2 = bookButton(QStringLiteral("Command2"), QStringLiteral("مذكرة المواعيد"), Icons::appointment(), this);
    Command2->setGeometry(twipsRect(4088, 2685, 1815, 1575));
    Command3 = bookButton(QStringLiteral("Command3"), QStringLiteral("دفتر الشيكات"), Icons::cheque(), this);
    Command3->setGeometry(twipsRect(5048, 4365, 1815, 1575));
    for (QToolButton *button : {Command1, Command2, Command3})
        fitCaption(button);
    setTabOrder(Command1, Command2);
    setTabOrder(Command2, Command3);

    connect(Command1, &QToolButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QToolButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QToolButton::clicked, this, &Form1::Command3_Click);
}

void Form1::Form_Unload()
{
    // The start window is never unloaded by the program: closing it, or the frame, ends it.
    endProgram();
}

void Form1::Command1_Click()
{
    phonebook::open(OpenedFrom::StartWindow);
}

void Form1::Command2_Click()
{
    appointments::open(OpenedFrom::StartWindow);
}

void Form1::Command3_Click()
{
    chequebook::open(OpenedFrom::StartWindow);
}

} // namespace dalil
