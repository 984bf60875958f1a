// A CardDAV/CalDAV server of the tests' own: Debian's Radicale on 127.0.0.1, on a free port,
// over a temporary folder, with one user (htpasswd), an address book and a calendar. Started
// and stopped by the test, never left behind.
#pragma once

#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

namespace testing {

class Radicale
{
public:
    static inline const QString user = QStringLiteral("tester");
    static inline const QString password = QStringLiteral("s3cret pass:ù");
    // The collections made by createCollections().
    static inline const QString addressBook = QStringLiteral("/tester/contacts/");
    static inline const QString calendar = QStringLiteral("/tester/calendar/");

    // tls: https with a self-signed certificate made for 127.0.0.1.
    explicit Radicale(bool tls = false);
    ~Radicale();
    Radicale(const Radicale &) = delete;
    Radicale &operator=(const Radicale &) = delete;

    // Starts the server, on the port it had before (a restart) or on a free one; false, with
    // the server's log in log(), when it does not come up.
    bool start();
    // Stops it (the folder stays, for a restart).
    void stop();
    bool isRunning() const;

    // The server's root, "http://127.0.0.1:port/".
    QUrl url() const;
    QUrl url(const QString &path) const;
    quint16 port() const { return m_port; }

    // Makes the user's address book and calendar in the storage, with these display names.
    bool createCollections(const QString &bookName = QStringLiteral("جهات الاتصال"),
                           const QString &calendarName = QStringLiteral("التقويم"));
    // Where the server keeps a collection's items (one file an item).
    QString collectionFolder(const QString &collectionPath) const;
    // Forgets every sync token the server gave out: a client's token is then invalid.
    void forgetSyncTokens();
    // The certificate, PEM, when tls.
    QString certificateFile() const;
    QString log() const;

private:
    bool writeConfig();
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_port = 0;
    bool m_tls;
};

} // namespace testing
