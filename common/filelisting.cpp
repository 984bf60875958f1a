#include "filelisting.h"

#include <QApplication>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QMimeDatabase>
#include <QWidget>

namespace dalil::FileListing {

namespace {

class NameOnlyIcons : public QFileIconProvider
{
public:
    using QFileIconProvider::icon;

    QIcon icon(const QFileInfo &info) const override
    {
        // A folder or a file, as the style draws them: nothing is read.
        return QFileIconProvider::icon(info.isDir() ? Folder : File);
    }

    QString type(const QFileInfo &info) const override
    {
        if (info.isDir())
            return QFileIconProvider::type(info);
        const QMimeType mime = m_types.mimeTypeForFile(info.fileName(), QMimeDatabase::MatchExtension);
        return mime.comment().isEmpty() ? mime.name() : mime.comment();
    }

private:
    QMimeDatabase m_types;
};

// Gives every file list in a window the names-only provider as the window comes up, before
// its folder's files are taken in (that happens in the window's own event loop).
class ListingGuard : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && watched->isWidgetType() && static_cast<QWidget *>(watched)->isWindow()) {
            for (QFileSystemModel *model : watched->findChildren<QFileSystemModel *>()) {
                if (model->iconProvider() != nameOnly())
                    model->setIconProvider(nameOnly());
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

QAbstractFileIconProvider *nameOnly()
{
    // Kept for the whole run: the file lists of windows not yet let go point to it.
    static auto *provider = new NameOnlyIcons;
    return provider;
}

void install()
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app || app->property("dalilFileListing").toBool())
        return;
    app->setProperty("dalilFileListing", true);
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    app->installEventFilter(new ListingGuard(app));
}

} // namespace dalil::FileListing
