#include "radicale.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QThread>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace testing {

namespace {

// A port no one listens on now: the system's choice for a socket bound to port 0.
quint16 freePort()
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    quint16 port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
        && ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

bool writeFile(const QString &path, const QByteArray &contents)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(contents) == contents.size();
}

} // namespace

Radicale::Radicale(bool tls)
    : m_tls(tls)
{
    QDir(m_dir.path()).mkpath(QStringLiteral("collections"));
    writeFile(m_dir.filePath(QStringLiteral("users")), (user + u':' + password + u'\n').toUtf8());
    if (m_tls) {
        QProcess openssl;
        openssl.setProcessChannelMode(QProcess::MergedChannels);
        openssl.start(QStringLiteral("openssl"),
                      {QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-newkey"), QStringLiteral("ec"),
                       QStringLiteral("-pkeyopt"), QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes"),
                       QStringLiteral("-keyout"), m_dir.filePath(QStringLiteral("key.pem")), QStringLiteral("-out"),
                       certificateFile(), QStringLiteral("-days"), QStringLiteral("2"), QStringLiteral("-subj"),
                       QStringLiteral("/CN=127.0.0.1"), QStringLiteral("-addext"), QStringLiteral("subjectAltName=IP:127.0.0.1")});
        openssl.waitForFinished(60000);
    }
}

Radicale::~Radicale()
{
    stop();
}

bool Radicale::writeConfig()
{
    QByteArray config = "[server]\nhosts = 127.0.0.1:" + QByteArray::number(m_port) + "\n";
    if (m_tls)
        config += "ssl = True\ncertificate = " + certificateFile().toUtf8() + "\nkey = "
                  + m_dir.filePath(QStringLiteral("key.pem")).toUtf8() + "\n";
    config += "[auth]\ntype = htpasswd\nhtpasswd_filename = " + m_dir.filePath(QStringLiteral("users")).toUtf8()
              + "\nhtpasswd_encryption = plain\ndelay = 0\n"
                "[rights]\ntype = owner_only\n"
                "[storage]\nfilesystem_folder = "
              + m_dir.filePath(QStringLiteral("collections")).toUtf8()
              + "\n[web]\ntype = none\n"
                "[logging]\nlevel = info\n";
    return writeFile(m_dir.filePath(QStringLiteral("config")), config);
}

bool Radicale::start()
{
    stop();
    // A port found free may be taken before the server binds it: then another one.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const bool restart = m_port != 0 && attempt == 0;
        if (!restart)
            m_port = freePort();
        if (m_port == 0 || !writeConfig())
            return false;
        const QString logFile = m_dir.filePath(QStringLiteral("log"));
        QFile::remove(logFile);
        m_process.setStandardOutputFile(logFile, QIODevice::Append);
        m_process.setStandardErrorFile(logFile, QIODevice::Append);
        // A test that crashes takes its server along.
        m_process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        // Only the tests' own configuration, never the system's.
        m_process.start(QStringLiteral("radicale"), {QStringLiteral("-C"), m_dir.filePath(QStringLiteral("config"))});
        if (!m_process.waitForStarted(10000))
            return false;
        // Up once it says so in its log; gone when it could not bind the port.
        const QDeadlineTimer deadline(30000);
        while (!deadline.hasExpired() && m_process.state() == QProcess::Running
               && !log().contains(QStringLiteral("Radicale server ready")))
            QThread::msleep(20);
        if (m_process.state() == QProcess::Running && log().contains(QStringLiteral("Radicale server ready")))
            return true;
        stop();
    }
    return false;
}

void Radicale::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
}

bool Radicale::isRunning() const
{
    return m_process.state() == QProcess::Running;
}

QUrl Radicale::url() const
{
    return url(QStringLiteral("/"));
}

QUrl Radicale::url(const QString &path) const
{
    QUrl result;
    result.setScheme(m_tls ? QStringLiteral("https") : QStringLiteral("http"));
    result.setHost(QStringLiteral("127.0.0.1"));
    result.setPort(m_port);
    result.setPath(path);
    return result;
}

QString Radicale::collectionFolder(const QString &collectionPath) const
{
    return m_dir.filePath(QStringLiteral("collections/collection-root") + collectionPath);
}

bool Radicale::createCollections(const QString &bookName, const QString &calendarName)
{
    const auto make = [this](const QString &path, const char *tag, const QString &name) {
        const QString folder = collectionFolder(path);
        const QByteArray props = "{\"D:displayname\": \"" + name.toUtf8() + "\", \"tag\": \"" + tag + "\"}";
        return QDir().mkpath(folder) && writeFile(folder + QStringLiteral("/.Radicale.props"), props);
    };
    return make(addressBook, "VADDRESSBOOK", bookName) && make(calendar, "VCALENDAR", calendarName);
}

void Radicale::forgetSyncTokens()
{
    for (const QString &path : {addressBook, calendar})
        QDir(collectionFolder(path) + QStringLiteral("/.Radicale.cache/sync-token")).removeRecursively();
}

QString Radicale::certificateFile() const
{
    return m_dir.filePath(QStringLiteral("cert.pem"));
}

QString Radicale::log() const
{
    QFile file(m_dir.filePath(QStringLiteral("log")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace testing
