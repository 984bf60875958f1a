// The running sync's word in the status bars when it cannot work: no keyring holds the
// password (asked once a run, never at every try), and a file that cannot be written (nothing
// synced, and said so).
#include "radicale/radicale.h"
#include "testsupport.h"

#include "data/database.h"
#include "data/sync/keyring.h"
#include "data/sync/service.h"

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

QTEST_GUILESS_MAIN(SyncServiceTest)
#include "tst_syncservice.moc"
