#include "caldav/CalDavClient.h"

#include <QEventLoop>
#include <QFile>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslError>
#include <functional>
#include <memory>

namespace CalDav {

namespace {

constexpr int kParallel = 4; // requests in flight at once
constexpr int kMaxRedirects = 5;
constexpr int kMultigetChunk = 200; // hrefs per calendar-multiget

bool isLoopback(const QUrl& url) {
    const QString host = url.host();
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0) return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

QString where(const QUrl& url) {
    return url.toDisplayString(QUrl::RemoveUserInfo);
}

Error transportError(QNetworkReply* reply, const QUrl& url, const QString& tlsProblems) {
    Error e;
    const auto code = reply->error();
    switch (code) {
    case QNetworkReply::SslHandshakeFailedError:
        e.kind = ErrorKind::Tls;
        e.text = QStringLiteral("%1: the server's certificate is not trusted (%2)")
                     .arg(where(url), tlsProblems.isEmpty() ? reply->errorString() : tlsProblems);
        return e;
    case QNetworkReply::OperationCanceledError:
    case QNetworkReply::TimeoutError:
        e.kind = ErrorKind::Unreachable;
        e.text = QStringLiteral("%1: the server did not answer in time").arg(where(url));
        return e;
    default:
        e.kind = ErrorKind::Unreachable;
        e.text = QStringLiteral("%1: cannot reach the server (%2)").arg(where(url), reply->errorString());
        return e;
    }
}

QString statusText(int status, const QByteArray& reason) {
    return QStringLiteral("%1 %2").arg(status).arg(QString::fromLatin1(reason));
}

} // namespace

QString propName(const QString& ns, const char* local) {
    return Dav::name(ns, QLatin1String(local));
}

struct Client::Tls {
    QSslConfiguration config = QSslConfiguration::defaultConfiguration();
};

Client::Client(Account account)
    : m_account(std::move(account)), m_nam(new QNetworkAccessManager), m_tls(new Tls) {
    m_nam->setRedirectPolicy(QNetworkRequest::ManualRedirectPolicy);
    m_nam->setCookieJar(nullptr);
    const QUrl& url = m_account.url;
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || url.host().isEmpty() ||
        (scheme != QLatin1String("https") && scheme != QLatin1String("http"))) {
        m_setupError = {
            ErrorKind::Protocol, 0,
            QStringLiteral("%1: not a server address (https://host/...)").arg(url.toDisplayString())};
    } else if (scheme == QLatin1String("http") && !isLoopback(url)) {
        m_setupError = {
            ErrorKind::InsecureUrl, 0,
            QStringLiteral("%1: the password would travel unencrypted; use https://").arg(where(url))};
    }
    if (!m_account.caFile.isEmpty() && !m_setupError) {
        QFile file(m_account.caFile);
        QList<QSslCertificate> extra;
        if (file.open(QIODevice::ReadOnly)) extra = QSslCertificate::fromData(file.readAll(), QSsl::Pem);
        if (extra.isEmpty()) {
            m_setupError = {ErrorKind::TrustFile, 0,
                            QStringLiteral("%1: the trusted-certificate file cannot be read or holds no PEM "
                                           "certificate")
                                .arg(m_account.caFile)};
        } else {
            m_tls->config.addCaCertificates(extra);
        }
    }
}

Client::~Client() = default;

bool Client::fail(const Error& e) {
    m_error = e;
    return false;
}

QList<Client::Answer> Client::send(const QList<Request>& requests) {
    QList<Answer> answers(requests.size());
    if (m_setupError) {
        for (Answer& a : answers)
            a.error = m_setupError;
        return answers;
    }
    const QByteArray auth =
        "Basic " + (m_account.user + QLatin1Char(':') + m_account.password).toUtf8().toBase64();
    QEventLoop loop;
    int next = 0, running = 0;
    std::function<void(int, QUrl, int)> start = [&](int i, QUrl url, int redirects) {
        const Request& r = requests[i];
        QNetworkRequest q(url);
        q.setSslConfiguration(m_tls->config);
        q.setTransferTimeout(m_account.timeoutMs);
        q.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
        q.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
        if (!m_account.user.isEmpty()) q.setRawHeader("Authorization", auth);
        for (const auto& [name, value] : r.headers)
            q.setRawHeader(name, value);
        if (!r.body.isEmpty() && !q.hasRawHeader("Content-Type"))
            q.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/xml; charset=utf-8"));
        ++m_requests;
        ++running;
        QNetworkReply* reply = m_nam->sendCustomRequest(q, r.verb, r.body);
        auto tlsProblems = std::make_shared<QString>();
        QObject::connect(reply, &QNetworkReply::sslErrors, reply,
                         [tlsProblems](const QList<QSslError>& errors) {
                             QStringList texts;
                             for (const QSslError& e : errors)
                                 texts << e.errorString();
                             *tlsProblems = texts.join(QStringLiteral("; "));
                         });
        QObject::connect(reply, &QNetworkReply::finished, &loop, [&, i, url, redirects, reply, tlsProblems] {
            reply->deleteLater();
            --running;
            Answer& a = answers[i];
            a.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
            const QByteArray reason =
                reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toByteArray();
            const QUrl location = url.resolved(QUrl::fromEncoded(reply->rawHeader("Location")));
            a.body = reply->readAll();
            a.etag = reply->rawHeader("ETag");
            if (a.status == 0) {
                a.error = transportError(reply, url, *tlsProblems);
            } else if ((a.status == 301 || a.status == 302 || a.status == 303 || a.status == 307 ||
                        a.status == 308) &&
                       reply->hasRawHeader("Location")) {
                const bool safe = location.scheme() == QLatin1String("https") ||
                                  (location.scheme() == QLatin1String("http") && isLoopback(location));
                if (redirects < kMaxRedirects && safe) {
                    a = {};
                    start(i, location, redirects + 1);
                    return;
                }
                a.error = {ErrorKind::Protocol, a.status,
                           QStringLiteral("%1: redirected too often or to an unsafe address (%2)")
                               .arg(where(requests[i].url), where(location))};
            } else if (a.status < 200 || a.status >= 300) {
                const ErrorKind kind = kindOfStatus(a.status);
                QString text;
                switch (kind) {
                case ErrorKind::Credentials:
                    text = QStringLiteral("%1: the server refused the user name or password (%2)");
                    break;
                case ErrorKind::Precondition:
                    text = QStringLiteral("%1: the event was changed on the server meanwhile (%2)");
                    break;
                case ErrorKind::Server:
                    text = QStringLiteral("%1: the server failed (%2)");
                    break;
                default:
                    text = QStringLiteral("%1: the server answered %2");
                }
                a.error = {kind, a.status, text.arg(where(url), statusText(a.status, reason))};
            }
            if (next < requests.size()) {
                const int n = next++;
                start(n, requests[n].url, 0);
            } else if (running == 0) {
                loop.quit();
            }
        });
    };
    while (next < requests.size() && running < kParallel) {
        const int n = next++;
        start(n, requests[n].url, 0);
    }
    if (running > 0) loop.exec();
    return answers;
}

Client::Answer Client::sendOne(const Request& r) {
    return send({r}).value(0);
}

namespace {

QByteArray propfindBody(const QStringList& props) {
    QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<D:propfind xmlns:D=\"DAV:\"><D:prop>";
    for (const QString& p : props) {
        const int close = p.indexOf(QLatin1Char('}'));
        const QString ns = p.mid(1, close - 1), local = p.mid(close + 1);
        body += "<" + local.toUtf8() + " xmlns=\"" + ns.toHtmlEscaped().toUtf8() + "\"/>";
    }
    return body + "</D:prop></D:propfind>";
}

} // namespace

bool Client::propfind(const QUrl& url, int depth, const QStringList& props, Dav::Multistatus& out) {
    const Answer a = sendOne({"PROPFIND", url, propfindBody(props), {{"Depth", QByteArray::number(depth)}}});
    if (a.error) return fail(a.error);
    QString why;
    if (a.status != 207 || !Dav::parseMultistatus(a.body, url, out, &why))
        return fail({ErrorKind::Protocol, a.status,
                     QStringLiteral("%1: unusable PROPFIND answer (%2)")
                         .arg(where(url), why.isEmpty() ? QString::number(a.status) : why)});
    return true;
}

bool Client::report(const QUrl& url, int depth, const QByteArray& body, Dav::Multistatus& out, int* status) {
    const Answer a = sendOne({"REPORT", url, body, {{"Depth", QByteArray::number(depth)}}});
    if (status) *status = a.status;
    if (a.error) return fail(a.error);
    QString why;
    if (a.status != 207 || !Dav::parseMultistatus(a.body, url, out, &why))
        return fail({ErrorKind::Protocol, a.status,
                     QStringLiteral("%1: unusable REPORT answer (%2)")
                         .arg(where(url), why.isEmpty() ? QString::number(a.status) : why)});
    return true;
}

namespace {

bool sameResource(const QUrl& a, const QUrl& b) {
    auto path = [](const QUrl& u) {
        QString p = u.path(QUrl::FullyDecoded);
        while (p.endsWith(QLatin1Char('/')))
            p.chop(1);
        return p;
    };
    return a.host() == b.host() && path(a) == path(b);
}

EventRef refOf(const Dav::Response& r) {
    const Dav::Property* etag = r.prop(Dav::kDav, QStringLiteral("getetag"));
    return {r.href, etag ? etag->text.trimmed() : QString()};
}

} // namespace

bool Client::listEvents(const QUrl& calendar, QList<EventRef>& out) {
    out.clear();
    Dav::Multistatus ms;
    if (!report(calendar, 1,
                "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                "<C:calendar-query xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:caldav\">"
                "<D:prop><D:getetag/></D:prop><C:filter><C:comp-filter name=\"VCALENDAR\">"
                "<C:comp-filter name=\"VEVENT\"/></C:comp-filter></C:filter></C:calendar-query>",
                ms))
        return false;
    for (const Dav::Response& r : ms.responses)
        if (!sameResource(r.href, calendar) && (r.status == 0 || r.status / 100 == 2)) out << refOf(r);
    return true;
}

bool Client::changesSince(const QUrl& calendar, const QString& token, Changes& out, bool* tokenRefused) {
    out = {};
    if (tokenRefused) *tokenRefused = false;
    QString from = token;
    // A server may cut a long answer short (507 on the calendar itself): ask again from where it stopped.
    for (int round = 0; round < 1000; ++round) {
        const QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                                "<D:sync-collection xmlns:D=\"DAV:\"><D:sync-token>" +
                                from.toHtmlEscaped().toUtf8() +
                                "</D:sync-token><D:sync-level>1</D:sync-level>"
                                "<D:prop><D:getetag/></D:prop></D:sync-collection>";
        Dav::Multistatus ms;
        int status = 0;
        if (!report(calendar, 0, body, ms, &status)) {
            if (!token.isEmpty() && (status == 403 || status == 409 || status == 400) && tokenRefused)
                *tokenRefused = true;
            return false;
        }
        bool truncated = false;
        for (const Dav::Response& r : ms.responses) {
            if (sameResource(r.href, calendar)) {
                truncated = truncated || r.status == 507;
                continue;
            }
            if (r.status == 404)
                out.removed << r.href;
            else
                out.changed << refOf(r);
        }
        if (ms.syncToken.isEmpty())
            return fail(
                {ErrorKind::Protocol, 207,
                 QStringLiteral("%1: the sync-collection answer holds no sync-token").arg(where(calendar))});
        out.syncToken = ms.syncToken;
        if (!truncated || ms.syncToken == from) return true;
        from = ms.syncToken;
    }
    return true;
}

bool Client::fetch(const QUrl& calendar, const QList<QUrl>& hrefs, QList<Event>& out) {
    out.clear();
    QList<Request> requests;
    for (int at = 0; at < hrefs.size(); at += kMultigetChunk) {
        QByteArray body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                          "<C:calendar-multiget xmlns:D=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:caldav\">"
                          "<D:prop><D:getetag/><C:calendar-data/></D:prop>";
        for (const QUrl& h : hrefs.mid(at, kMultigetChunk))
            body += "<D:href>" +
                    QString::fromUtf8(h.path(QUrl::FullyEncoded).toUtf8()).toHtmlEscaped().toUtf8() +
                    "</D:href>";
        requests.push_back({"REPORT", calendar, body + "</C:calendar-multiget>", {{"Depth", "1"}}});
    }
    const QList<Answer> answers = send(requests);
    for (const Answer& a : answers) {
        if (a.error) return fail(a.error);
        Dav::Multistatus ms;
        QString why;
        if (a.status != 207 || !Dav::parseMultistatus(a.body, calendar, ms, &why))
            return fail(
                {ErrorKind::Protocol, a.status,
                 QStringLiteral("%1: unusable calendar-multiget answer (%2)").arg(where(calendar), why)});
        for (const Dav::Response& r : ms.responses) {
            const Dav::Property* data = r.prop(Dav::kCalDav, QStringLiteral("calendar-data"));
            if (!data || (r.status != 0 && r.status / 100 != 2)) continue;
            const EventRef ref = refOf(r);
            out.push_back({ref.href, ref.etag, data->text.toUtf8()});
        }
    }
    return true;
}

QList<PutResult> Client::put(const QList<PutItem>& items) {
    QList<Request> requests;
    for (const PutItem& p : items) {
        Request r{"PUT", p.href, p.ics, {{"Content-Type", "text/calendar; charset=utf-8"}}};
        if (p.ifMatch.isEmpty())
            r.headers.push_back({"If-None-Match", "*"});
        else
            r.headers.push_back({"If-Match", p.ifMatch.toUtf8()});
        requests << r;
    }
    const QList<Answer> answers = send(requests);
    QList<PutResult> results;
    m_error = {};
    for (const Answer& a : answers) {
        results.push_back({a.error, QString::fromUtf8(a.etag)});
        if (a.error && a.error.kind != ErrorKind::Precondition && !m_error) m_error = a.error;
    }
    return results;
}

QList<Error> Client::remove(const QList<DeleteItem>& items) {
    QList<Request> requests;
    for (const DeleteItem& d : items) {
        Request r{"DELETE", d.href, {}, {}};
        if (!d.ifMatch.isEmpty()) r.headers.push_back({"If-Match", d.ifMatch.toUtf8()});
        requests << r;
    }
    const QList<Answer> answers = send(requests);
    QList<Error> results;
    m_error = {};
    for (const Answer& a : answers) {
        // Already gone is what was asked for.
        Error e = a.error.kind == ErrorKind::NotFound ? Error{} : a.error;
        if (e && e.kind != ErrorKind::Precondition && !m_error) m_error = e;
        results << e;
    }
    return results;
}

} // namespace CalDav
