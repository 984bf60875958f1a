// Requests to the user's CardDAV/CalDAV server, with the rules that keep the user's password
// and data safe: https only (http to this computer alone), a certificate that does not verify
// refused unless it is the one the user accepted, the password sent to the server's own
// address only and never after a redirect to another host, and no answer waited on for ever.
#pragma once

#include "task.h"

#include <QByteArray>
#include <QUrl>

#include <functional>
#include <memory>
#include <utility>

class QNetworkAccessManager;

namespace dalil::Sync {

// Where the server is and who the user is there. The password lives in memory only.
struct Account
{
    QUrl server;
    QString user;
    QString password;
    // The one certificate the user accepted although it does not verify: its SHA-256, as
    // fingerprint() writes it; empty when none.
    QString pinnedCertificate;
};

enum class Failure {
    None,
    Insecure,       // not https, and not this computer
    Network,        // no answer: no network, the server down, a timeout
    Certificate,    // a certificate that does not verify, not the one accepted
    Authentication, // 401: the user or the password is wrong
    Redirect,       // too many redirects, or a redirect to http elsewhere
};

struct Response
{
    int status = 0; // the HTTP status; 0 when there was no answer
    QByteArray body;
    QByteArray etag;
    QUrl url; // the address that answered, after redirects
    Failure failure = Failure::None;
    // Certificate: the server's certificate's SHA-256, "AB:CD:...".
    QString fingerprint;
    // For the curious (the network layer's own words); never holds a credential.
    QString detail;

    bool ok() const { return failure == Failure::None && status >= 200 && status < 300; }
};

using Headers = QList<std::pair<QByteArray, QByteArray>>;

class Http : public QObject
{
    Q_OBJECT

public:
    // How long an answer may keep silent before the request is given up. A server says
    // nothing while it composes a large report: Radicale listing 10,000 items on a busy
    // 2-core machine kept silent for over 30 s.
    static constexpr int silenceMilliseconds = 120000;
    // How many redirects one request follows.
    static constexpr int mostRedirects = 5;

    explicit Http(Account account, QObject *parent = nullptr);
    ~Http() override;

    // Whether Dalil talks to this address at all: https, or http to this computer.
    static bool allowed(const QUrl &url);
    // A certificate's SHA-256 as the user is shown it: upper-case hex in pairs, with ':'.
    static QString fingerprint(const QByteArray &certificateDer);

    const Account &account() const { return m_account; }
    // Sends the request; the credentials go only to the server's own scheme, host and port.
    Task<Response> send(QByteArray method, QUrl url, QByteArray body = {}, Headers headers = {});

    // Requests sent since this object was made (for the bench).
    int requestsSent() const { return m_sent; }
    // For tests: hears each answer before the caller does; false loses it, as when the
    // connection breaks after the server did the work.
    using AnswerHook = std::function<bool(const QByteArray &method, const Response &answer)>;
    void setAnswerHook(AnswerHook hook) { m_answerHook = std::move(hook); }

private:
    bool sameOrigin(const QUrl &url) const;

    std::unique_ptr<QNetworkAccessManager> m_manager;
    Account m_account;
    int m_sent = 0;
    AnswerHook m_answerHook;
};

} // namespace dalil::Sync
