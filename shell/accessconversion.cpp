#include "accessconversion.h"

#include "filewindows.h"
#include "form17.h"

#include "common/application.h"
#include "common/form.h"
#include "common/messagebox.h"
#include "common/workprogress.h"
#include "data/store/database.h"
#include "data/text/counts.h"

#include <QDir>
#include <QFileInfo>

namespace dalil::AccessConversion {

namespace {

const QString title = QStringLiteral("تحويل الدفاتر");

// What runs once the file is Dalil's own (the reminders).
std::function<void()> &afterwards()
{
    static std::function<void()> then;
    return then;
}

// A path read left to right inside an Arabic sentence (an embedding: Qt's text layout
// does not know the isolates).
QString shown(const QString &path)
{
    return QChar(0x202A) + QDir::toNativeSeparators(path) + QChar(0x202C);
}

void tell(QWidget *parent, QMessageBox::Icon icon, const QString &text)
{
    MessageBoxes::show(parent, icon, title, text, QMessageBox::Ok, true);
}

Access::Progress progressOf(WorkProgress &window)
{
    return [&window](qint64 done, qint64 total) { return window.update(done, total); };
}

} // namespace

void offer(QWidget *parent, std::function<void()> then)
{
    const QString path = databasePath();
    if (!Access::hasSignature(path)) {
        if (then)
            then();
        return;
    }
    afterwards() = std::move(then);
    const auto answer = MessageBoxes::show(
        parent, QMessageBox::Question, title,
        QStringLiteral("ملف الدفاتر محفوظ بصيغة البرنامج السابق (قاعدة بيانات Microsoft Access):\n%1\n\n"
                       "هل تريد تحويله الآن إلى صيغة الدليل؟ يبقى الملف الأصلي كما هو بجانبه باسم %2.")
            .arg(shown(path), shown(QFileInfo(Access::keepName(path)).fileName())),
        QMessageBox::Yes | QMessageBox::No, true);
    if (answer != QMessageBox::Yes)
        return;
    Access::Survey survey;
    {
        WorkProgress progress(parent, QStringLiteral("ProgressDialog5"), title,
                              QStringLiteral("تجري قراءة الدفاتر القديمة وفحص كل سجل فيها..."));
        survey = Access::survey(path, progressOf(progress));
    }
    if (survey.stopped)
        return;
    if (survey.problem.isProblem()) {
        tell(parent, QMessageBox::Critical, Access::message(survey.problem, path) + QStringLiteral("\n\nلم يتغير شيء."));
        return;
    }
    if (!survey.held.isEmpty()) {
        // The user sees them before anything is written, and decides.
        Form17 *window = Forms::Load<Form17>();
        window->setSurvey(path, survey);
        window->Show();
        return;
    }
    convert(parent, path, survey);
}

void convert(QWidget *parent, const QString &databasePath, const Access::Survey &survey)
{
    Database::closeAll();
    Access::Conversion conversion;
    {
        WorkProgress progress(parent, QStringLiteral("ProgressDialog5"), title, QStringLiteral("يجري تحويل الدفاتر..."));
        conversion = Access::convert(databasePath, survey, progressOf(progress));
    }
    Forms::showStartWindow();
    switch (conversion.outcome) {
    case Access::Conversion::Outcome::Stopped:
        return;
    case Access::Conversion::Outcome::Failed:
        tell(parent, QMessageBox::Critical,
             conversion.problem.isProblem()
                 ? Access::message(conversion.problem, databasePath) + QStringLiteral("\n\nلم يتغير شيء.")
                 : QStringLiteral("تعذر تحويل الدفاتر، وبقي الملف كما هو.\n\n%1").arg(conversion.failure));
        return;
    case Access::Conversion::Outcome::Done:
        break;
    }
    QString text = QStringLiteral("تم تحويل الدفاتر: %1، %2، %3.\nالملف الأصلي محفوظ كما هو باسم:\n%4")
                       .arg(Counts::text(survey.converted(QStringLiteral("Phone")), Counts::phoneRecord()),
                            Counts::text(survey.converted(QStringLiteral("Note")), Counts::appointment()),
                            Counts::text(survey.converted(QStringLiteral("Cheque")), Counts::cheque()),
                            shown(QFileInfo(conversion.keptAs).fileName()));
    if (!conversion.heldFiles.isEmpty()) {
        QStringList names;
        for (const QString &file : std::as_const(conversion.heldFiles))
            names << shown(QFileInfo(file).fileName());
        text += QStringLiteral("\n\nلم يُحوَّل ما لا يحفظه الدليل كما هو: %1. حُفظ ذلك كما قُرئ في:\n%2")
                    .arg(Counts::text(survey.held.size(), Counts::record()), names.join(u'\n'));
    }
    tell(parent, conversion.heldFiles.isEmpty() ? QMessageBox::Information : QMessageBox::Warning, text);
    if (auto then = std::exchange(afterwards(), {}))
        then();
}

void stopped()
{
    afterwards() = {};
    Forms::showStartWindow();
}

} // namespace dalil::AccessConversion
