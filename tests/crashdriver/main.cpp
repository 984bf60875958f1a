// Saves records through the entry windows in a loop, as a user would, and says on standard
// output each one whose save has completed; or copies, or imports, again and again. The crash
// test kills it at random moments.
#include "common/form.h"
#include "data/exchange/access/conversion.h"
#include "data/exchange/csv.h"
#include "data/exchange/exchange.h"
#include "data/store/backup.h"
#include "shell/program.h"

#include "testsupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDate>
#include <QFile>
#include <QLineEdit>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

QWidget *control(const QString &form, const QString &name)
{
    dalil::Form *window = dalil::Forms::find(form);
    return window ? window->findChild<QWidget *>(name) : nullptr;
}

void put(const QString &form, const QString &box, const QString &text)
{
    if (auto *edit = qobject_cast<QLineEdit *>(control(form, box)))
        edit->setText(text);
}

void press(const QString &form, const QString &button)
{
    if (auto *b = qobject_cast<QAbstractButton *>(control(form, button)))
        b->click();
}

void trigger(const QString &action)
{
    for (QWidget *top : QApplication::topLevelWidgets()) {
        if (auto *a = top->findChild<QAction *>(action)) {
            a->trigger();
            return;
        }
    }
}

// One record in one of the three books, chosen by n.
void saveRecord(int n)
{
    const QString id = QString::number(n);
    switch (n % 3) {
    case 0:
        trigger(QStringLiteral("addphone"));
        put("Form3", "Text1", QStringLiteral("سجل ") + id);
        put("Form3", "Text3", id);
        put("Form3", "Text8", QStringLiteral("ملاحظة ") + id);
        press("Form3", "Command1");
        break;
    case 1: {
        const QDate today = QDate::currentDate();
        trigger(QStringLiteral("addnote"));
        put("Form5", "Text1", QStringLiteral("موعد ") + id);
        put("Form5", "Text2", QStringLiteral("الأحد"));
        put("Form5", "Text3", id);
        put("Form5", "Text4", QString::number(today.day()));
        put("Form5", "Text5", QString::number(today.month()));
        put("Form5", "Text6", QString::number(today.year()));
        press("Form5", "Command1");
        break;
    }
    default:
        trigger(QStringLiteral("addcheck"));
        put("Form7", "Text1", QStringLiteral("1"));
        put("Form7", "Text3", QStringLiteral("1"));
        put("Form7", "Text2", QStringLiteral("2020"));
        put("Form7", "Text4", QStringLiteral("مستفيد ") + id);
        put("Form7", "Text8", id);
        put("Form7", "Text7", QStringLiteral("500"));
        put("Form7", "Text5", QStringLiteral("مبلغ ") + id);
        press("Form7", "Command1");
        break;
    }
}

} // namespace

// Backs the file up, or restores the two backups a.mdb and b.mdb in turn, again and again,
// saying each time one is done.
int copyForEver(const QString &folder, bool restoring)
{
    const QString database = folder + QStringLiteral("/DB1.mdb");
    std::printf("ready\n");
    std::fflush(stdout);
    for (int n = 0;; ++n) {
        const QString from = folder + (n % 2 ? QStringLiteral("/b.mdb") : QStringLiteral("/a.mdb"));
        const dalil::Backup::Result result =
            restoring ? dalil::Backup::restore(database, from, folder + QStringLiteral("/kept.mdb"))
                      : dalil::Backup::write(database, folder + QStringLiteral("/backup.mdb"));
        if (result.outcome != dalil::Backup::Outcome::Done) {
            std::printf("failed: %s\n", qPrintable(result.error.detail));
            std::fflush(stdout);
            return 4;
        }
        std::printf("%s %d\n", restoring ? "restored" : "backed up", n);
        std::fflush(stdout);
    }
}

// Imports the cheques of cheques.csv, then undoes the import, again and again, saying each
// time one is done.
int importForEver(const QString &folder)
{
    const QString database = folder + QStringLiteral("/DB1.mdb");
    std::printf("ready\n");
    std::fflush(stdout);
    for (int n = 0;; ++n) {
        QFile input(folder + QStringLiteral("/cheques.csv"));
        if (!input.open(QIODevice::ReadOnly))
            return 4;
        const auto reader = dalil::Csv::reader(&input);
        const dalil::Exchange::Imported imported =
            dalil::Exchange::store(database, QStringLiteral("Cheque"), *reader, {});
        if (!imported.ok()) {
            std::printf("failed: %s\n", qPrintable(imported.problem.message + imported.error.detail));
            std::fflush(stdout);
            return 4;
        }
        std::printf("imported %d\n", n);
        std::fflush(stdout);
        dalil::DataError error;
        const auto batch = dalil::Exchange::newestBatch(database, QStringLiteral("Cheque"), &error);
        if (!batch || !dalil::Exchange::undo(database, *batch).ok()) {
            std::printf("failed: not undone\n");
            std::fflush(stdout);
            return 4;
        }
        std::printf("undone %d\n", n);
        std::fflush(stdout);
    }
}

// Converts the Access book DB1.mdb into a book of Dalil's own, saying when it is done.
int convertOnce(const QString &folder)
{
    const QString database = folder + QStringLiteral("/DB1.mdb");
    std::printf("ready\n");
    std::fflush(stdout);
    const dalil::Access::Survey survey = dalil::Access::survey(database);
    if (!survey.ok()) {
        std::printf("failed: %s\n", qPrintable(dalil::Access::message(survey.problem, database)));
        std::fflush(stdout);
        return 4;
    }
    const dalil::Access::Conversion conversion = dalil::Access::convert(database, survey);
    std::printf(conversion.done() ? "converted\n" : "failed: %s\n", qPrintable(conversion.failure));
    std::fflush(stdout);
    return conversion.done() ? 0 : 4;
}

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QString mode = QString::fromLocal8Bit(argv[2]);
    if (mode == u"backup" || mode == u"restore")
        return copyForEver(QString::fromLocal8Bit(argv[1]), mode == u"restore");
    if (mode == u"import")
        return importForEver(QString::fromLocal8Bit(argv[1]));
    if (mode == u"convert")
        return convertOnce(QString::fromLocal8Bit(argv[1]));
    dalil::setApplicationFolder(QString::fromLocal8Bit(argv[1]));
    int next = QString::fromLocal8Bit(argv[2]).toInt();
    // A box would stop the saving until the kill: say which, and stop at once.
    testing::BoxGuard guard([](const QString &line) {
        std::printf("%s\n", qPrintable(line));
        std::fflush(stdout);
        std::_Exit(3);
    });
    dalil::start();

    QTimer loop;
    QObject::connect(&loop, &QTimer::timeout, [&] {
        saveRecord(next);
        // Only a save that returned has completed; say so at once, unbuffered.
        std::printf("saved %d\n", next);
        std::fflush(stdout);
        ++next;
    });
    loop.start(0);
    return app.exec();
}
