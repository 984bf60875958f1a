#include "http.h"

#include <QCryptographicHash>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QSslCertificate>
#include <QSslConfiguration>

namespace dalil::Sync {

namespace {

// A reply let go when its holder goes, aborted if it is still running: a sync stopped
// halfway leaves nothing to answer into it.
struct ReplyHolder
{
    QNetworkReply *reply;
    QMetaObject::Connection certificateCheck;

    ~ReplyHolder()
    {
        QObject::disconnect(certificateCheck);
        if (!reply->isFinished())
            reply->abort();
        reply->deleteLater();
    }
};

bool isLocalHost(const QString &host)
{
    if (host.compare(QStringLiteral("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return address == QHostAddress(QHostAddress::LocalHost) || address == QHostAddress(QHostAddress::LocalHostIPv6);
}

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

} // namespace

Http::Http(Account account, QObject *parent)
    : QObject(parent)
    , m_manager(std::make_unique<QNetworkAccessManager>())
    , m_account(std::move(account))
{
    // Every redirect is looked at here, so that the password never follows one elsewhere.
    m_manager->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    m_manager->setAutoDeleteReplies(false);
}

Http::~Http() = default;

bool Http::allowed(const QUrl &url)
{
    if (!url.isValid() || url.host().isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    return scheme == u"https" || (scheme == u"http" && isLocalHost(url.host()));
}

QString Http::fingerprint(const QByteArray &certificateDer)
{
    return QString::fromLatin1(QCryptographicHash::hash(certificateDer, QCryptographicHash::Sha256).toHex(':').toUpper());
}

bool Http::sameOrigin(const QUrl &url) const
{
    const QUrl &server = m_account.server;
    const auto defaultPort = [](const QUrl &u) { return u.port(u.scheme().toLower() == u"https" ? 443 : 80); };
    return url.scheme().compare(server.scheme(), Qt::CaseInsensitive) == 0
           && url.host().compare(server.host(), Qt::CaseInsensitive) == 0 && defaultPort(url) == defaultPort(server);
}

Task<Response> Http::send(QByteArray method, QUrl url, QByteArray body, Headers headers)
{
    Response response;
    // Credentials travel in a header of their own, never in an address.
    url.setUserInfo(QString());
    for (int redirects = 0;; ++redirects) {
        response.url = url;
        if (!allowed(url)) {
            response.failure = Failure::Insecure;
            co_return response;
        }
        QNetworkRequest request(url);
        request.setTransferTimeout(silenceMilliseconds);
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
        request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        for (const auto &[name, value] : headers)
            request.setRawHeader(name, value);
        if (!body.isEmpty() && !request.hasRawHeader("Content-Type"))
            request.setRawHeader("Content-Type", "application/xml; charset=utf-8");
        if (sameOrigin(url) && !m_account.user.isEmpty())
            request.setRawHeader("Authorization",
                                 "Basic " + (m_account.user + u':' + m_account.password).toUtf8().toBase64());

        QString refusedCertificate;
        ReplyHolder held{m_manager->sendCustomRequest(request, method, body), {}};
        ++m_sent;
        QNetworkReply *reply = held.reply;
        held.certificateCheck = connect(reply, &QNetworkReply::sslErrors, reply, [this, reply, &refusedCertificate](const QList<QSslError> &errors) {
            const QString seen = fingerprint(reply->sslConfiguration().peerCertificate().toDer());
            if (!m_account.pinnedCertificate.isEmpty() && seen == m_account.pinnedCertificate)
                reply->ignoreSslErrors(errors);
            else
                refusedCertificate = seen;
        });
        SignalAwaiter answered(reply, &QNetworkReply::finished);
        co_await answered;

        response.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (response.status == 0) {
            response.failure = refusedCertificate.isEmpty() ? Failure::Network : Failure::Certificate;
            response.fingerprint = refusedCertificate;
            response.detail = reply->errorString();
            co_return response;
        }
        if (isRedirect(response.status)) {
            const QUrl target = url.resolved(reply->header(QNetworkRequest::LocationHeader).toUrl());
            if (redirects >= mostRedirects || !target.isValid()) {
                response.failure = Failure::Redirect;
                co_return response;
            }
            // Never from https down to http, wherever it leads.
            if (url.scheme().toLower() == u"https" && target.scheme().toLower() != u"https") {
                response.failure = Failure::Redirect;
                co_return response;
            }
            if (response.status == 303) {
                method = "GET";
                body.clear();
            }
            url = target;
            url.setUserInfo(QString());
            continue;
        }
        response.body = reply->readAll();
        response.etag = reply->rawHeader("ETag");
        if (response.status == 401)
            response.failure = Failure::Authentication;
        if (m_answerHook && !m_answerHook(method, response)) {
            response = Response{};
            response.url = url;
            response.failure = Failure::Network;
        }
        co_return response;
    }
}

} // namespace dalil::Sync
