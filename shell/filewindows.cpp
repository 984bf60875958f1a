#include "filewindows.h"

#include "common/application.h"
#include "common/bidi.h"
#include "common/messagebox.h"
#include "data/store/database.h"
#include "data/text/dates.h"

#include <QComboBox>
#include <QEvent>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QIcon>
#include <QIdentityProxyModel>
#include <QStyleOptionComboBox>
#include <QStyledItemDelegate>
#include <QStylePainter>
#include <QPushButton>
#include <QTimer>

namespace dalil::FileWindows {

namespace {

// "ملفات الدليل (*.mdb)" with its pattern read left to right, "(*.mdb)", where a right-to-left
// line would show "(mdb.*)". Only what is shown changes: the window reads its patterns from
// the texts it was given.
QString shownFilter(const QString &filter)
{
    const qsizetype open = filter.lastIndexOf(u'(');
    if (open < 0 || !filter.endsWith(u')'))
        return filter;
    return filter.left(open) + Bidi::leftToRight(filter.mid(open));
}

// A box's items shown through `shown`, in its list and in the box itself when closed, drawn
// as the box draws them.
class ShownItems : public QStyledItemDelegate
{
public:
    ShownItems(QString (*shown)(const QString &), QObject *parent)
        : QStyledItemDelegate(parent)
        , m_shown(shown)
    {
    }

    QString displayText(const QVariant &value, const QLocale &locale) const override
    {
        return m_shown(QStyledItemDelegate::displayText(value, locale));
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *box = qobject_cast<QComboBox *>(watched);
        if (!box || event->type() != QEvent::Paint)
            return QStyledItemDelegate::eventFilter(watched, event);
        QStylePainter painter(box);
        QStyleOptionComboBox option;
        option.initFrom(box);
        option.editable = box->isEditable();
        option.frame = box->hasFrame();
        option.subControls = QStyle::SC_All;
        option.currentText = m_shown(box->currentText());
        option.currentIcon = box->itemIcon(box->currentIndex());
        option.iconSize = box->iconSize();
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        painter.drawControl(QStyle::CE_ComboBoxLabel, option);
        return true;
    }

    static void install(QComboBox *box, QString (*shown)(const QString &))
    {
        auto *items = new ShownItems(shown, box);
        box->setItemDelegate(items);
        box->installEventFilter(items);
    }

private:
    QString (*m_shown)(const QString &);
};

// The files' times as every date of the program reads, day first, rather than in the
// system's language.
class FileTimes : public QIdentityProxyModel
{
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex &index, int role) const override
    {
        auto *files = qobject_cast<QFileSystemModel *>(sourceModel());
        if (role != Qt::DisplayRole || index.column() != 3 || !files)
            return QIdentityProxyModel::data(index, role);
        const QDateTime at = files->lastModified(mapToSource(index));
        return at.isValid() ? Dates::dateText(at.date()) + u' ' + at.time().toString(QStringLiteral("hh:mm")) : QString();
    }
};

} // namespace

QString choose(QWidget *parent, const Choice &choice)
{
    QFileDialog dialog(parent, choice.caption, choice.folder.isEmpty() ? applicationFolder() : choice.folder,
                       choice.filter);
    dialog.setObjectName(QStringLiteral("FileDialog1"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setLayoutDirection(Qt::RightToLeft);
    dialog.resize(900, 560);
    // The buttons' icons push their Arabic captions out of them, right to left: words alone,
    // once the window has made its buttons.
    QTimer::singleShot(0, &dialog, [&dialog] {
        for (QPushButton *button : dialog.findChildren<QPushButton *>())
            button->setIcon(QIcon());
    });
    if (choice.saving) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        if (!choice.suffix.isEmpty())
            dialog.setDefaultSuffix(choice.suffix);
        dialog.selectFile(choice.proposed);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    dialog.setProxyModel(new FileTimes(&dialog));
    if (auto *types = dialog.findChild<QComboBox *>(QStringLiteral("fileTypeCombo")))
        ShownItems::install(types, shownFilter);
    // The folders above the one shown, each a path read left to right: "/home/user", not "home/user/".
    if (auto *folders = dialog.findChild<QComboBox *>(QStringLiteral("lookInCombo")))
        ShownItems::install(folders, Bidi::leftToRight);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString chosen = dialog.selectedFiles().first();
    if (Database::isOwnFile(databasePath(), chosen)) {
        MessageBoxes::ownFileChosen(parent, chosen);
        return {};
    }
    return chosen;
}

} // namespace dalil::FileWindows
