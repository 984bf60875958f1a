#include "form8.h"

#include "rtfreader.h"

#include "common/application.h"
#include "common/bidi.h"
#include "common/icons.h"
#include "common/twips.h"

#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QTextBlock>
#include <QTextDocument>

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
        const QString shown = Bidi::leftToRight(QDir::toNativeSeparators(path));
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
    // The file names the faces of the computer it was written on.
    for (QTextBlock block = contents->begin(); block.isValid(); block = block.next()) {
        for (auto fragment = block.begin(); !fragment.atEnd(); ++fragment) {
            for (const QString &family : fragment.fragment().charFormat().fontFamilies().toStringList())
                useInterfaceFaceFor(family);
        }
    }
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

    m_find = new QLineEdit(this);
    m_find->setObjectName(QStringLiteral("find"));
    m_find->setPlaceholderText(QStringLiteral("بحث"));
    m_find->setClearButtonEnabled(true);
    m_find->hide();
    connect(m_find, &QLineEdit::returnPressed, this, [this] { findNext(); });
    auto *find = new QShortcut(QKeySequence::Find, this);
    find->setContext(Qt::WidgetWithChildrenShortcut);
    connect(find, &QShortcut::activated, this, &Form8::openFind);
    auto *close = new QShortcut(Qt::Key_Escape, m_find);
    close->setContext(Qt::WidgetShortcut);
    connect(close, &QShortcut::activated, this, &Form8::closeFind);
    auto *previous = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Return), m_find);
    previous->setContext(Qt::WidgetShortcut);
    connect(previous, &QShortcut::activated, this, [this] { findNext(true); });
}

void Form8::resizeEvent(QResizeEvent *event)
{
    Form::resizeEvent(event);
    layOut();
}

void Form8::layOut()
{
    // The text fills the window, maximized in the frame, with the back button (and the find
    // bar while it is open) in a row beneath it; never smaller than the design drew them.
    const int margin = twipsToPixels(360);
    const QSize button = twipsSize(2175, 495);
    const int rowTop = qMax(twipsToPixels(7200), height() - margin - button.height());
    const int textWidth = qMax(twipsToPixels(8655), width() - 2 * margin);
    const int textLeft = qMax(0, (width() - textWidth) / 2);
    RichTextBox1->setGeometry(textLeft, margin, textWidth,
                              qMax(twipsToPixels(6495), rowTop - twipsToPixels(345) - margin));
    Command1->setGeometry((width() - button.width()) / 2, rowTop, button.width(), button.height());
    // Right to left: the find bar stands at the row's right end, under the text's start.
    const int findWidth = qMin(twipsToPixels(3600), qMax(0, textLeft + textWidth - Command1->geometry().right() - margin));
    m_find->setGeometry(textLeft + textWidth - findWidth, rowTop, findWidth, button.height());
}

void Form8::openFind()
{
    layOut();
    m_find->show();
    m_find->setFocus(Qt::ShortcutFocusReason);
    m_find->selectAll();
}

void Form8::closeFind()
{
    m_find->hide();
    RichTextBox1->setExtraSelections({});
    RichTextBox1->setFocus(Qt::ShortcutFocusReason);
}

bool Form8::findNext(bool backward)
{
    const QString wanted = m_find->text();
    if (wanted.isEmpty())
        return false;
    const QTextDocument::FindFlags flags = backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
    QTextDocument *document = RichTextBox1->document();
    QTextCursor match = document->find(wanted, RichTextBox1->textCursor(), flags);
    if (match.isNull()) {
        // Past the last match the search starts again from the other end.
        QTextCursor end(document);
        end.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
        match = document->find(wanted, end, flags);
    }
    if (match.isNull()) {
        RichTextBox1->setExtraSelections({});
        return false;
    }
    RichTextBox1->setTextCursor(match);
    // Marked as well as selected: a selection fades while the focus stays in the find bar.
    QTextEdit::ExtraSelection mark;
    mark.cursor = match;
    mark.format.setBackground(palette().brush(QPalette::Active, QPalette::Highlight));
    mark.format.setForeground(palette().brush(QPalette::Active, QPalette::HighlightedText));
    RichTextBox1->setExtraSelections({mark});
    return true;
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
