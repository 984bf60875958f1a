#include "filewindows.h"

#include "common/application.h"
#include "common/messagebox.h"
#include "data/store/database.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QIcon>
#include <QPushButton>
#include <QTimer>

namespace dalil::FileWindows {

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
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString chosen = dialog.selectedFiles().first();
    if (Database::isOwnFile(databasePath(), chosen)) {
        MessageBoxes::ownFileChosen(parent, chosen);
        return {};
    }
    return chosen;
}

Progress::Progress(QWidget *parent, const QString &name, const QString &title, const QString &label)
    : m_dialog(label, QStringLiteral("إلغاء"), 0, 1000, parent)
{
    m_dialog.setObjectName(name);
    m_dialog.setWindowTitle(title);
    m_dialog.setWindowModality(Qt::WindowModal);
    m_dialog.setMinimumDuration(300);
}

bool Progress::update(qint64 done, qint64 total)
{
    m_dialog.setValue(total > 0 ? int(qMin(done, total) * 1000 / total) : 0);
    QCoreApplication::processEvents();
    return !m_dialog.wasCanceled();
}

} // namespace dalil::FileWindows
