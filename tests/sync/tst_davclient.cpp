// The DAV client against a real server (Radicale): finding the collections, listing changes
// by token and by ETag, fetching, and writes that only land on the version they expect.
#include "radicale/radicale.h"
#include "radicale/wait.h"

#include "data/sync/davclient.h"

#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

using namespace dalil::Sync;
using testing::Radicale;
using testing::wait;

class DavClientTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void discovery();
    void writesListingsAndTokens();
    void wrongPassword();
    void addresses_data();
    void addresses();
    void aCertificateThatDoesNotVerify();
    void aRedirectElsewhereGetsNoPassword();
    void aTaskEndedWhileReadingBesideIsNeverResumed();

private:
    Account account(const QString &password = Radicale::password) const
    {
        return {m_server->url(), Radicale::user, password, {}};
    }
    std::unique_ptr<Radicale> m_server;
};

void DavClientTest::initTestCase()
{
    m_server = std::make_unique<Radicale>();
    QVERIFY(m_server->createCollections());
    QVERIFY2(m_server->start(), qPrintable(m_server->log()));
}

void DavClientTest::cleanupTestCase()
{
    m_server.reset();
}

void DavClientTest::discovery()
{
    Http http(account());
    DavClient client(http);
    const auto found = wait(client.discover());
    QVERIFY(found && found->ok());
    QCOMPARE(found->principal.path(), QStringLiteral("/tester/"));
    QCOMPARE(found->collections.size(), 2);
    QMap<QString, std::pair<QString, CollectionKind>> byPath;
    for (const Collection &c : found->collections)
        byPath.insert(c.url.path(), {c.name, c.kind});
    QCOMPARE(byPath.value(Radicale::addressBook), std::pair(QStringLiteral("جهات الاتصال"), CollectionKind::AddressBook));
    QCOMPARE(byPath.value(Radicale::calendar), std::pair(QStringLiteral("التقويم"), CollectionKind::Calendar));
}

void DavClientTest::writesListingsAndTokens()
{
    Http http(account());
    DavClient client(http);
    const QUrl book = m_server->url(Radicale::addressBook);
    const QString path = Radicale::addressBook + QStringLiteral("a b.vcf");
    const QByteArray card = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:a-b\r\nFN:علي\r\nN:علي;;;;\r\nEND:VCARD\r\n";

    const auto created = wait(client.put(client.urlOf(path), card, CollectionKind::AddressBook, {}));
    QVERIFY(created && created->ok());
    QVERIFY(!created->etag.isEmpty());
    // A second creation at the same address finds the first: nothing is written twice.
    const auto again = wait(client.put(client.urlOf(path), card, CollectionKind::AddressBook, {}));
    QCOMPARE(again->status, 412);

    const auto first = wait(client.changesSince(book, {}));
    QVERIFY(first && first->ok() && first->complete);
    QCOMPARE(first->etags, (QHash<QString, QByteArray>{{path, created->etag}}));
    QVERIFY(!first->token.isEmpty());
    const auto fetched = wait(client.fetch(book, CollectionKind::AddressBook, {path}, nullptr));
    QVERIFY(fetched && *fetched);
    QCOMPARE((*fetched)->size(), 1);
    QCOMPARE((*fetched)->first().path, path);
    QCOMPARE((*fetched)->first().etag, created->etag);
    QVERIFY((*fetched)->first().data.contains("FN:علي"));

    // A write or a delete against a version that is not the server's is refused.
    const QByteArray changed = QByteArray(card).replace("FN:علي", "FN:عليّ");
    QCOMPARE(wait(client.put(client.urlOf(path), changed, CollectionKind::AddressBook, "\"stale\""))->status, 412);
    const auto updated = wait(client.put(client.urlOf(path), changed, CollectionKind::AddressBook, created->etag));
    QVERIFY(updated->ok());
    QVERIFY(!updated->etag.isEmpty() && updated->etag != created->etag);

    const auto second = wait(client.changesSince(book, first->token));
    QVERIFY(second->ok() && !second->complete);
    QCOMPARE(second->etags, (QHash<QString, QByteArray>{{path, updated->etag}}));
    QCOMPARE(wait(client.remove(client.urlOf(path), created->etag))->status, 412);
    QVERIFY(wait(client.remove(client.urlOf(path), updated->etag))->ok());
    const auto third = wait(client.changesSince(book, second->token));
    QVERIFY(third->ok());
    QCOMPARE(third->removed, QStringList{path});
    QVERIFY(third->etags.isEmpty());

    // The ETags of everything, as a server without sync-collection gives them.
    const QString other = Radicale::addressBook + QStringLiteral("other.vcf");
    const auto otherPut = wait(client.put(client.urlOf(other), QByteArray(card).replace("UID:a-b", "UID:other"),
                                          CollectionKind::AddressBook, {}));
    client.setSyncReports(false);
    const auto all = wait(client.changesSince(book, third->token));
    QVERIFY(all->ok() && all->complete);
    QCOMPARE(all->etags, (QHash<QString, QByteArray>{{other, otherPut->etag}}));
    client.setSyncReports(true);

    // A token the server no longer knows is said to be invalid.
    m_server->forgetSyncTokens();
    const auto forgotten = wait(client.changesSince(book, third->token));
    QVERIFY(forgotten->invalidToken);
}

void DavClientTest::wrongPassword()
{
    Http http(account(QStringLiteral("wrong")));
    DavClient client(http);
    const auto found = wait(client.discover());
    QVERIFY(!found->ok());
    QCOMPARE(found->failed.failure, Failure::Authentication);
}

void DavClientTest::addresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("allowed");
    QTest::newRow("https") << "https://dav.example.com/" << true;
    QTest::newRow("http elsewhere") << "http://dav.example.com/" << false;
    QTest::newRow("http to this computer") << "http://127.0.0.1:5232/" << true;
    QTest::newRow("http to localhost") << "http://LocalHost/dav/" << true;
    QTest::newRow("http to IPv6 loopback") << "http://[::1]:5232/" << true;
    QTest::newRow("a name that only begins as localhost") << "http://localhost.example.com/" << false;
    QTest::newRow("http to 127.0.0.2") << "http://127.0.0.2/" << false;
    QTest::newRow("ftp") << "ftp://127.0.0.1/" << false;
    QTest::newRow("no host") << "https:///dav" << false;
}

void DavClientTest::addresses()
{
    QFETCH(QString, address);
    QFETCH(bool, allowed);
    QCOMPARE(Http::allowed(QUrl(address)), allowed);
}

// A server whose certificate no authority signed: refused, its SHA-256 fingerprint given as
// openssl itself reads it; accepted once pinned, and only that one.
void DavClientTest::aCertificateThatDoesNotVerify()
{
    Radicale secure(true);
    QVERIFY(secure.createCollections());
    QVERIFY2(secure.start(), qPrintable(secure.log()));
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"), {QStringLiteral("x509"), QStringLiteral("-noout"), QStringLiteral("-fingerprint"),
                                              QStringLiteral("-sha256"), QStringLiteral("-in"), secure.certificateFile()});
    QVERIFY(openssl.waitForFinished());
    const QString expected = QString::fromLatin1(openssl.readAllStandardOutput()).section(u'=', 1).trimmed();
    QVERIFY(!expected.isEmpty());

    const auto discover = [&](const QString &pinned) {
        Http http({secure.url(), Radicale::user, Radicale::password, pinned});
        DavClient client(http);
        return *wait(client.discover());
    };
    const Discovery refused = discover({});
    QCOMPARE(refused.failed.failure, Failure::Certificate);
    QCOMPARE(refused.failed.fingerprint, expected);
    QCOMPARE(discover(QString(expected).replace(0, 2, QStringLiteral("00"))).failed.failure, Failure::Certificate);
    const Discovery accepted = discover(expected);
    QVERIFY(accepted.ok());
    QCOMPARE(accepted.collections.size(), 2);
}

// The password goes to the server's own address only: a redirect to another host is followed
// without it (that host then asks for one, and gets none).
void DavClientTest::aRedirectElsewhereGetsNoPassword()
{
    QTcpServer elsewhere;
    QVERIFY(elsewhere.listen(QHostAddress::LocalHost));
    QTcpServer redirecting;
    QVERIFY(redirecting.listen(QHostAddress::LocalHost));
    QByteArrayList requests;
    const auto answer = [&requests](QTcpServer *server, const QByteArray &reply) {
        QObject::connect(server, &QTcpServer::newConnection, server, [server, reply, &requests] {
            QTcpSocket *socket = server->nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, reply, &requests] {
                const QByteArray request = socket->readAll();
                requests << request;
                socket->write(reply);
                socket->disconnectFromHost();
            });
        });
    };
    answer(&redirecting, "HTTP/1.1 301 Moved Permanently\r\nLocation: http://localhost:"
                             + QByteArray::number(elsewhere.serverPort()) + "/dav/\r\nContent-Length: 0\r\n\r\n");
    answer(&elsewhere, "HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"x\"\r\nContent-Length: 0\r\n\r\n");
    QUrl server(QStringLiteral("http://127.0.0.1/dav/"));
    server.setPort(redirecting.serverPort());
    Http http({server, Radicale::user, Radicale::password, {}});
    const QByteArray method("PROPFIND");
    const auto response = wait(http.send(method, server));
    QCOMPARE(response->failure, Failure::Authentication);
    QCOMPARE(requests.size(), 2);
    QVERIFY(requests.at(0).contains("\r\nAuthorization: Basic "));
    QVERIFY2(!requests.at(1).toLower().contains("authorization"), requests.at(1));
    QVERIFY(requests.at(1).startsWith("PROPFIND /dav/ "));
}

QTEST_GUILESS_MAIN(DavClientTest)
// A sync stopped while a long listing is read beside: the task's end waits for the reading,
// and the task is never resumed after it.
void DavClientTest::aTaskEndedWhileReadingBesideIsNeverResumed()
{
    std::atomic<bool> read = false;
    bool resumed = false;
    const auto reader = [&]() -> Task<> {
        Beside<int> reading([&] {
            QThread::msleep(200);
            read = true;
            return 1;
        });
        co_await reading;
        resumed = true;
    };
    {
        Task<> task = reader();
        task.start();
        QVERIFY(!read);
    }
    QVERIFY(read);
    QTest::qWait(100);
    QVERIFY(!resumed);
}

#include "tst_davclient.moc"
