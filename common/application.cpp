#include "application.h"

#include <QCoreApplication>
#include <QDir>
#include <QFont>

static void initialiseResources()
{
    // The library is static: its resources register only when asked to.
    Q_INIT_RESOURCE(icons);
}

namespace dalil {

namespace {

QString &folderOverride()
{
    static QString folder;
    return folder;
}

} // namespace

QString applicationFolder()
{
    if (!folderOverride().isEmpty())
        return folderOverride();
    return QCoreApplication::applicationDirPath();
}

void setApplicationFolderPath(const QString &folder)
{
    folderOverride() = QDir(folder).absolutePath();
}

QString databasePath()
{
    return applicationFolder() + QStringLiteral("/DB1.mdb");
}

QString helpFilePath()
{
    return applicationFolder() + QStringLiteral("/Help File.rtf");
}

void installFontSubstitutions()
{
    initialiseResources();
    // The windows ask for the faces by their design names; these free faces stand in.
    QFont::insertSubstitutions(QStringLiteral("Monotype Koufi"),
                               {QStringLiteral("Noto Kufi Arabic"), QStringLiteral("Noto Sans Arabic")});
    QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                               {QStringLiteral("Noto Sans Arabic"), QStringLiteral("Noto Sans"),
                                QStringLiteral("DejaVu Sans")});
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Noto Sans Arabic"), QStringLiteral("Noto Sans"),
                                QStringLiteral("DejaVu Sans")});
}

} // namespace dalil
