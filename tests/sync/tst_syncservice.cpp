// The running sync: a conflict brought up by "مزامنة الآن" and settled in its window; its word
// in the status bars when it cannot work: no keyring holds the password (asked once a run,
// never at every try), and a file that cannot be written (nothing synced, and said so).
#include "radicale/radicale.h"
#include "testsupport.h"

#include "data/store/database.h"
#include "data/sync/engine.h"
#include "data/sync/keyring.h"
#include "data/sync/service.h"
#include "radicale/wait.h"
#include "shell/form16.h"
#include "shell/mdiform1.h"
#include "shell/program.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace dalil;
using testing::Radicale;

class SyncServiceTest : public QObject
{
    Q_OBJECT

private slots:
    void withoutAKeyringThePasswordIsAskedOnce();
    // After the one before: the running program asks for a missing password in a window.
    void aConflictIsSettledInItsWindow();
    // Last: it gives up the privileges of root for good.
    void aReadOnlyFileSyncsNothingAndSaysSo();

private:
    // Syncs now and waits until the sync is done.
    static void syncNow()
    {
        Sync::Service *service = Sync::Service::instance();
        service->syncNow();
        QTRY_VERIFY_WITH_TIMEOUT(!service->isSyncing(), 120000);
    }
};

// The same number changed here and on another device: "مزامنة الآن" brings up Form16 with the
// number marked and both values; the server's kept, this computer's goes among the deleted.
void SyncServiceTest::aConflictIsSettledInItsWindow()
{
    Radicale server;
    QVERIFY(server.createCollections());
    QVERIFY2(server.start(), qPrintable(server.log()));
    testing::AppFolder here;
    testing::AppFolder device;
    const auto sync = [&server](const testing::AppFolder &copy) {
        Sync::Http http({server.url(), Radicale::user, Radicale::password, {}});
        Sync::Engine engine(copy.databasePath(), http, {{QStringLiteral("Phone"), server.url(Radicale::addressBook)}});
        const std::optional<Sync::Outcome> outcome = testing::wait(engine.run());
        return outcome && outcome->ok();
    };
    here.exec("INSERT INTO Phone (الإسم, الجوال, المنزل) VALUES ('سمير', '0791', '06')");
    QVERIFY(sync(here));
    QVERIFY(sync(device));
    device.exec("UPDATE Phone SET الجوال = '0792'");
    QVERIFY(sync(device));
    here.exec("UPDATE Phone SET الجوال = '0793', المنزل = '07'");
    const Sync::Settings settings{server.url(), Radicale::user, server.url(Radicale::addressBook), {}, 0, {}};
    QVERIFY(!Sync::saveSettings(here.databasePath(), settings).isError());
    Database::closeAll();
    setSyncDelay(-1, false);
    QVERIFY(testing::startProgram(here));
    Sync::Service::instance()->setPassword(Radicale::password);
    MDIForm1::instance()->findChild<QAction *>(QStringLiteral("syncnow"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(Forms::loaded<Form16>() && Forms::loaded<Form16>()->isVisible(), 120000);
    Form16 *window = Forms::loaded<Form16>();
    QVERIFY(window->Label1->text().startsWith(QStringLiteral("تعارض 1 من 1 في ")));
    const auto row = [window](const QString &caption) {
        for (int r = 0; r < window->Table1->rowCount(); ++r) {
            if (window->Table1->item(r, 0)->text() != caption)
                continue;
            // Numbers stand in left-to-right isolates.
            const auto cell = [&](int c) { return window->Table1->item(r, c)->text().remove(QChar(0x2066)).remove(QChar(0x2069)); };
            return QStringList{cell(1), cell(2), window->Table1->item(r, 1)->font().bold() ? "marked" : ""};
        }
        return QStringList();
    };
    QCOMPARE(row(QStringLiteral("هاتف الجوّال")), (QStringList{"0793", "0792", "marked"}));
    // Changed here only: taken into both versions, not marked.
    QCOMPARE(row(QStringLiteral("هاتف المنزل")), (QStringList{"07", "07", ""}));
    QTest::mouseClick(window->Command2, Qt::LeftButton);
    QTRY_VERIFY(!Forms::loaded<Form16>());
    QCOMPARE(here.rows("SELECT الجوال, المنزل FROM Phone"), (QList<QVariantList>{{"0792", "07"}}));
    QCOMPARE(here.value("SELECT الجوال FROM DeletedPhone").toString(), QStringLiteral("0793"));
    // The choice goes out with the next sync and the other device takes it.
    MDIForm1::instance()->findChild<QAction *>(QStringLiteral("syncnow"))->trigger();
    QTRY_VERIFY_WITH_TIMEOUT(!Sync::Service::instance()->isSyncing(), 120000);
    QVERIFY(sync(device));
    QCOMPARE(device.rows("SELECT الجوال, المنزل FROM Phone"), (QList<QVariantList>{{"0792", "07"}}));
    testing::stopProgram();
}

void SyncServiceTest::withoutAKeyringThePasswordIsAskedOnce()
{
    // No session bus: no keyring answers.
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/bus");
    Sync::Keyring::setEnabled(true);
    Radicale server;
    QVERIFY(server.createCollections());
    QVERIFY2(server.start(), qPrintable(server.log()));
    testing::AppFolder folder;
    folder.exec("INSERT INTO Phone (الإسم) VALUES ('سمير')");
    const Sync::Settings settings{server.url(), Radicale::user, server.url(Radicale::addressBook), {}, 15, {}};
    QVERIFY(!Sync::saveSettings(folder.databasePath(), settings).isError());
    Sync::Service *service = Sync::Service::instance();
    QSignalSpy asked(service, &Sync::Service::passwordNeeded);
    service->start(folder.databasePath(), -1);
    syncNow();
    syncNow();
    QTRY_COMPARE(asked.size(), 1);
    QCOMPARE(service->statusText(), QStringLiteral("المزامنة: أدخل كلمة المرور في نافذة المزامنة"));
    QCOMPARE(folder.value("SELECT count(*) FROM SyncItems").toInt(), 0);
    // Given for the run, it syncs; the file never holds it.
    service->setPassword(Radicale::password);
    QTRY_VERIFY_WITH_TIMEOUT(service->state() == Sync::Service::State::Done, 120000);
    QVERIFY(service->statusText().startsWith(QStringLiteral("آخر مزامنة: ")));
    QCOMPARE(folder.value("SELECT count(*) FROM SyncItems WHERE etag IS NOT NULL").toInt(), 1);
    QCOMPARE(asked.size(), 1);
    service->stop();
    Database::closeAll();
    QFile file(folder.databasePath());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(!file.readAll().contains(Radicale::password.toUtf8()));
}

void SyncServiceTest::aReadOnlyFileSyncsNothingAndSaysSo()
{
    QVERIFY(testing::runAsOrdinaryUser());
    testing::AppFolder folder;
    folder.exec("INSERT INTO Phone (الإسم) VALUES ('سمير')");
    // A server that is not there: a read-only file never gets as far as asking it.
    const Sync::Settings settings{QUrl(QStringLiteral("http://127.0.0.1:9/")), Radicale::user,
                                  QUrl(QStringLiteral("http://127.0.0.1:9/tester/contacts/")), {}, 15, {}};
    QVERIFY(!Sync::saveSettings(folder.databasePath(), settings).isError());
    Database::closeAll();
    QVERIFY(QFile::setPermissions(folder.databasePath(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    Sync::Service *service = Sync::Service::instance();
    service->start(folder.databasePath(), -1);
    service->setPassword(Radicale::password);
    QTRY_VERIFY_WITH_TIMEOUT(service->state() == Sync::Service::State::Problem, 120000);
    QCOMPARE(service->statusText(), QStringLiteral("المزامنة متوقفة: ملف البيانات للقراءة فقط"));
    QCOMPARE(folder.value("SELECT count(*) FROM SyncItems").toInt(), 0);
    service->stop();
}

QTEST_MAIN(SyncServiceTest)
#include "tst_syncservice.moc"
