#include "backups.h"

#include "filewindows.h"

#include "common/application.h"
#include "common/bidi.h"
#include "common/datacontrol.h"
#include "common/form.h"
#include "common/messagebox.h"
#include "common/workprogress.h"
#include "data/store/backup.h"
#include "data/sync/service.h"
#include "data/text/clock.h"
#include "data/text/counts.h"

#include <QApplication>
#include <QDate>
#include <QDir>
#include <QFileInfo>

namespace dalil::Backups {

namespace {

const QString title = QStringLiteral("النسخ الاحتياطي");
const QString fileFilter = QStringLiteral("ملفات الدليل (*.mdb);;كل الملفات (*)");

// A path read left to right inside an Arabic sentence.
QString shown(const QString &path)
{
    return Bidi::leftToRight(QDir::toNativeSeparators(path));
}

QString contents(const Backup::Census &c)
{
    return Counts::text(c.phones, Counts::phoneRecord()) + QStringLiteral("، ")
           + Counts::text(c.notes, Counts::appointment()) + QStringLiteral("، ") + Counts::text(c.cheques, Counts::cheque());
}

// The file the user chooses, in Qt's own file window.
QString chooseFile(QWidget *parent, bool saving)
{
    // Where the last backup went: the next one most likely goes there too, and a restore
    // most likely takes one from there.
    return FileWindows::choose(parent, {saving ? QStringLiteral("حفظ نسخة احتياطية")
                                               : QStringLiteral("اختيار النسخة المراد استعادتها"),
                                        fileFilter, saving, Backup::proposedName(Clock::today()),
                                        QStringLiteral("mdb"), Backup::lastFolder(databasePath())});
}

// The copy's progress, with a button to stop it.
class Progress
{
public:
    Progress(QWidget *parent, const QString &label)
        : m_progress(parent, QStringLiteral("ProgressDialog3"), title, label)
    {
    }
    Backup::Progress callback()
    {
        return [this](qint64 done, qint64 total) { return m_progress.update(done, total); };
    }

private:
    WorkProgress m_progress;
};

void tell(QWidget *parent, QMessageBox::Icon icon, const QString &text)
{
    MessageBoxes::show(parent, icon, title, text, QMessageBox::Ok, true);
}

} // namespace

void backUp(QWidget *parent)
{
    const QString target = chooseFile(parent, true);
    if (target.isEmpty())
        return;
    Backup::Result result;
    {
        Progress progress(parent, QStringLiteral("يجري حفظ نسخة احتياطية من الدفاتر..."));
        result = Backup::write(databasePath(), target, progress.callback());
    }
    switch (result.outcome) {
    case Backup::Outcome::Done:
        Backup::keepFolder(databasePath(), QFileInfo(target).absolutePath());
        tell(parent, QMessageBox::Information,
             QStringLiteral("تم حفظ نسخة احتياطية سليمة من الدفاتر (%1) في:\n%2")
                 .arg(contents(result.census), shown(target)));
        break;
    case Backup::Outcome::Stopped:
        break;
    case Backup::Outcome::Failed:
        tell(parent, QMessageBox::Critical,
             QStringLiteral("تعذر حفظ النسخة الاحتياطية لأن %1:\n%2")
                     .arg(MessageBoxes::cause(result.error), shown(result.error.path))
                 + MessageBoxes::detailLine(result.error));
        break;
    }
}

void restore(QWidget *parent)
{
    const QString source = chooseFile(parent, false);
    if (source.isEmpty())
        return;
    const Backup::Census backup = Backup::census(source);
    if (backup.opened && !backup.sound) {
        tell(parent, QMessageBox::Critical,
             QStringLiteral("الملف المختار تالف، ولم يتغير شيء:\n%1").arg(shown(source)));
        return;
    }
    if (!backup.opened || !backup.isBook) {
        tell(parent, QMessageBox::Critical,
             QStringLiteral("الملف المختار ليس ملف دفاتر للدليل، ولم يتغير شيء:\n%1").arg(shown(source)));
        return;
    }
    const QString keepAs = Backup::keepName(databasePath(), Clock::today());
    const auto answer = MessageBoxes::show(
        parent, QMessageBox::Warning, QStringLiteral("الرجاء التأكيد"),
        QStringLiteral("ستحل النسخة المختارة (%1) محل الدفاتر الحالية، ويُحتفظ بالملف الحالي باسم:\n%2\n\n"
                       "ستُغلق النوافذ المفتوحة، وما كُتب فيها ولم يُحفظ لن يُحفظ.\n\n"
                       "هل تريد المتابعة؟")
            .arg(contents(backup), shown(QFileInfo(keepAs).fileName())),
        QMessageBox::Yes | QMessageBox::No, true);
    if (answer != QMessageBox::Yes)
        return;

    // Every window lets go of the file: what was typed and not saved goes with it, never into
    // the restored books.
    const auto forms = Forms::all();
    for (Form *form : forms) {
        for (DataControl *control : form->findChildren<DataControl *>())
            control->source()->discardPending();
    }
    for (Form *form : forms) {
        if (form->objectName() != u"Form1")
            form->Unload();
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

    // A sync going on stops first; it starts again on the file as restored.
    Sync::Service::instance()->stop();
    Backup::Result result;
    {
        Progress progress(parent, QStringLiteral("تجري استعادة النسخة..."));
        result = Backup::restore(databasePath(), source, keepAs, progress.callback());
    }
    Sync::Service::instance()->start(databasePath());
    Forms::showStartWindow();
    switch (result.outcome) {
    case Backup::Outcome::Done:
        tell(parent, QMessageBox::Information,
             QStringLiteral("تمت استعادة النسخة (%1). الملف السابق محفوظ باسم:\n%2")
                 .arg(contents(result.census), shown(QFileInfo(keepAs).fileName())));
        break;
    case Backup::Outcome::Stopped:
        break;
    case Backup::Outcome::Failed:
        tell(parent, QMessageBox::Critical,
             QStringLiteral("تعذرت استعادة النسخة لأن %1، وبقيت الدفاتر كما كانت:\n%2")
                     .arg(MessageBoxes::cause(result.error), shown(result.error.path))
                 + MessageBoxes::detailLine(result.error));
        break;
    }
}

} // namespace dalil::Backups
