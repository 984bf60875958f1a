#include "application.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QTranslator>

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

namespace {

// One Arabic face for menus, buttons, boxes, lists, cells and message boxes; its Latin
// letters and digits come from the matching Noto Sans.
const QStringList uiFaces{QStringLiteral("Noto Sans Arabic UI"), QStringLiteral("Noto Sans Arabic"),
                          QStringLiteral("Noto Sans"), QStringLiteral("DejaVu Sans")};

class EnterPressesButtons : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto *key = static_cast<QKeyEvent *>(event);
            auto *button = qobject_cast<QAbstractButton *>(watched);
            if (button && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
                && key->modifiers() == Qt::NoModifier && button->isEnabled()
                && !qobject_cast<QDialog *>(button->window())) {
                button->click();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

void installFontSubstitutions()
{
    initialiseResources();
    // The windows ask for the faces by their design names; these free faces stand in.
    QFont::insertSubstitutions(QStringLiteral("Monotype Koufi"),
                               {QStringLiteral("Noto Kufi Arabic"), QStringLiteral("Noto Sans Arabic UI"),
                                QStringLiteral("Noto Sans Arabic")});
    QFont::insertSubstitutions(QStringLiteral("Tahoma"), uiFaces);
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"), uiFaces);
    QFont::insertSubstitutions(QStringLiteral("Dalil UI"), uiFaces);
    if (qobject_cast<QApplication *>(QCoreApplication::instance())) {
        QFont ui(QStringLiteral("Dalil UI"));
        ui.setPointSizeF(9);
        QApplication::setFont(ui);
    }
}

void useInterfaceFaceFor(const QString &family)
{
    if (!family.isEmpty() && !QFontDatabase::hasFamily(family) && QFont::substitutes(family).isEmpty())
        QFont::insertSubstitutions(family, uiFaces);
}

QLocale arabicLocale()
{
    // Libya's Arabic writes the months by their common names and the digits as 0 to 9, as
    // every box of the program stores them.
    return QLocale(QLocale::Arabic, QLocale::Libya);
}

void installUserInterfaceLanguage()
{
    QLocale::setDefault(arabicLocale());
    auto *app = QCoreApplication::instance();
    if (!app || app->property("dalilLanguage").toBool())
        return;
    app->setProperty("dalilLanguage", true);
    auto *qtTexts = new QTranslator(app);
    if (qtTexts->load(QLocale(QLocale::Arabic), QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qtTexts);
    app->installEventFilter(new EnterPressesButtons(app));
}

} // namespace dalil
