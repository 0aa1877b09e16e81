// TLS client engine over OpenSSL memory BIOs.
#include "platform/socket/TlsSession.h"

#include <QFile>
#include <QStringList>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>
#include <openssl/x509v3.h>

#include <mutex>
#include <vector>

namespace {

int sessionIndex() {
    static int index = -1;
    static std::once_flag once;
    std::call_once(once, [] { index = SSL_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr); });
    return index;
}

QString openSslErrors() {
    QStringList parts;
    while (unsigned long code = ERR_get_error()) {
        const char* reason = ERR_reason_error_string(code);
        parts << (reason ? QString::fromLatin1(reason) : QStringLiteral("error %1").arg(code));
    }
    parts.removeDuplicates();
    return parts.join(QStringLiteral("; "));
}

QString asn1TimeText(const ASN1_TIME* time) {
    if (!time) return {};
    BIO* bio = BIO_new(BIO_s_mem());
    ASN1_TIME_print(bio, time);
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    QString text = QString::fromLatin1(data, int(size));
    BIO_free(bio);
    return text;
}

// The DNS and IP names a certificate carries, for the host-mismatch message.
QStringList certificateNames(X509* cert) {
    QStringList names;
    auto* sans = static_cast<GENERAL_NAMES*>(X509_get_ext_d2i(cert, NID_subject_alt_name, nullptr, nullptr));
    if (sans) {
        for (int i = 0; i < sk_GENERAL_NAME_num(sans); ++i) {
            const GENERAL_NAME* name = sk_GENERAL_NAME_value(sans, i);
            if (name->type == GEN_DNS) {
                const auto* s = name->d.dNSName;
                names << QString::fromLatin1(reinterpret_cast<const char*>(ASN1_STRING_get0_data(s)),
                                             ASN1_STRING_length(s));
            } else if (name->type == GEN_IPADD) {
                const auto* s = name->d.iPAddress;
                const unsigned char* b = ASN1_STRING_get0_data(s);
                if (ASN1_STRING_length(s) == 4)
                    names << QStringLiteral("%1.%2.%3.%4").arg(b[0]).arg(b[1]).arg(b[2]).arg(b[3]);
                else
                    names << QStringLiteral("an IPv6 address");
            }
        }
        GENERAL_NAMES_free(sans);
    }
    if (names.isEmpty()) {
        char buffer[256] = {};
        if (X509_NAME_get_text_by_NID(X509_get_subject_name(cert), NID_commonName, buffer, sizeof buffer) > 0)
            names << QString::fromLatin1(buffer);
    }
    return names;
}

TlsSession::Failure classify(int verifyError) {
    switch (verifyError) {
    case X509_V_ERR_CERT_HAS_EXPIRED:
        return TlsSession::Failure::Expired;
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return TlsSession::Failure::NotYetValid;
    case X509_V_ERR_DEPTH_ZERO_SELF_SIGNED_CERT:
    case X509_V_ERR_SELF_SIGNED_CERT_IN_CHAIN:
        return TlsSession::Failure::SelfSigned;
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT:
    case X509_V_ERR_UNABLE_TO_GET_ISSUER_CERT_LOCALLY:
    case X509_V_ERR_UNABLE_TO_VERIFY_LEAF_SIGNATURE:
        return TlsSession::Failure::UnknownAuthority;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return TlsSession::Failure::HostMismatch;
    case X509_V_ERR_CERT_REVOKED:
        return TlsSession::Failure::Revoked;
    default:
        return TlsSession::Failure::BadCertificate;
    }
}

} // namespace

struct TlsSession::Impl {
    SSL_CTX* ctx = nullptr;
    SSL* ssl = nullptr;
    BIO* in = nullptr;  // owned by ssl
    BIO* out = nullptr; // owned by ssl
    State state = Idle;
    bool peerClosed = false;
    bool wantsRead = false;
    QString host;
    QByteArray plain;
    std::vector<X509*> pinned; // certificates of the extra file, trusted for any host name

    Failure failure = Failure::None;
    QString failureText;
    // The first verification error seen by the callback.
    int verifyError = X509_V_OK;
    QString verifyDetail;

    ~Impl() {
        if (ssl) SSL_free(ssl);
        if (ctx) SSL_CTX_free(ctx);
        for (X509* cert : pinned)
            X509_free(cert);
    }

    void fail(Failure kind, const QString& text) {
        state = Failed;
        wantsRead = false;
        if (failure == Failure::None) {
            failure = kind;
            failureText = text;
        }
    }

    bool isPinned(X509* cert) const {
        for (X509* p : pinned)
            if (X509_cmp(p, cert) == 0) return true;
        return false;
    }

    bool loadExtraTrust(const QString& path) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            fail(Failure::TrustFile, QStringLiteral("the trusted certificates file %1 cannot be read (%2)")
                                         .arg(path, file.errorString()));
            return false;
        }
        const QByteArray pem = file.readAll();
        BIO* bio = BIO_new_mem_buf(pem.constData(), int(pem.size()));
        while (X509* cert = PEM_read_bio_X509(bio, nullptr, nullptr, nullptr))
            pinned.push_back(cert);
        BIO_free(bio);
        ERR_clear_error(); // the end of the PEM data reads as an error
        if (pinned.empty()) {
            fail(Failure::TrustFile,
                 QStringLiteral("the trusted certificates file %1 holds no certificate").arg(path));
            return false;
        }
        X509_STORE* store = SSL_CTX_get_cert_store(ctx);
        for (X509* cert : pinned)
            X509_STORE_add_cert(store, cert);
        // A trusted certificate ends the chain even when it is not a self-signed root.
        X509_VERIFY_PARAM_set_flags(SSL_CTX_get0_param(ctx), X509_V_FLAG_PARTIAL_CHAIN);
        return true;
    }

    static int verifyCallback(int ok, X509_STORE_CTX* store) {
        auto* ssl =
            static_cast<SSL*>(X509_STORE_CTX_get_ex_data(store, SSL_get_ex_data_X509_STORE_CTX_idx()));
        auto* self = ssl ? static_cast<Impl*>(SSL_get_ex_data(ssl, sessionIndex())) : nullptr;
        if (ok || !self) return ok;
        const int error = X509_STORE_CTX_get_error(store);
        X509* cert = X509_STORE_CTX_get_current_cert(store);
        if ((error == X509_V_ERR_HOSTNAME_MISMATCH || error == X509_V_ERR_IP_ADDRESS_MISMATCH) && cert &&
            self->isPinned(cert)) {
            X509_STORE_CTX_set_error(store, X509_V_OK);
            return 1;
        }
        if (self->verifyError == X509_V_OK) {
            self->verifyError = error;
            if (cert && (error == X509_V_ERR_HOSTNAME_MISMATCH || error == X509_V_ERR_IP_ADDRESS_MISMATCH))
                self->verifyDetail = QStringLiteral("the certificate is for %1, not for %2")
                                         .arg(certificateNames(cert).join(QStringLiteral(", ")), self->host);
            else if (cert && error == X509_V_ERR_CERT_HAS_EXPIRED)
                self->verifyDetail = QStringLiteral("the certificate has expired (%1)")
                                         .arg(asn1TimeText(X509_get0_notAfter(cert)));
            else if (cert && error == X509_V_ERR_CERT_NOT_YET_VALID)
                self->verifyDetail = QStringLiteral("the certificate is not valid before %1")
                                         .arg(asn1TimeText(X509_get0_notBefore(cert)));
            else if (classify(error) == Failure::UnknownAuthority)
                self->verifyDetail = QStringLiteral("the certificate is issued by an unknown authority");
            else if (classify(error) == Failure::SelfSigned)
                self->verifyDetail = QStringLiteral("the certificate is self-signed and not trusted");
            else
                self->verifyDetail = QString::fromLatin1(X509_verify_cert_error_string(error));
        }
        return 0;
    }

    void handshake() {
        ERR_clear_error();
        const int rc = SSL_do_handshake(ssl);
        if (rc == 1) {
            state = Established;
            wantsRead = false;
            drainPlain();
            return;
        }
        const int error = SSL_get_error(ssl, rc);
        if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) {
            wantsRead = true;
            return;
        }
        if (verifyError != X509_V_OK) {
            ERR_clear_error();
            fail(classify(verifyError),
                 QStringLiteral("certificate verification failed for %1: %2").arg(host, verifyDetail));
            return;
        }
        const QString detail = openSslErrors();
        fail(Failure::Protocol, QStringLiteral("TLS handshake with %1 failed: %2")
                                    .arg(host, detail.isEmpty() ? QStringLiteral("unexpected end") : detail));
    }

    void drainPlain() {
        char buffer[16384];
        for (;;) {
            ERR_clear_error();
            const int n = SSL_read(ssl, buffer, int(sizeof buffer));
            if (n > 0) {
                plain.append(buffer, n);
                continue;
            }
            const int error = SSL_get_error(ssl, n);
            if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) return;
            if (error == SSL_ERROR_ZERO_RETURN) {
                peerClosed = true;
                return;
            }
            fail(Failure::Protocol,
                 QStringLiteral("TLS connection with %1 failed: %2").arg(host, openSslErrors()));
            return;
        }
    }
};

TlsSession::TlsSession() : d(std::make_unique<Impl>()) {}

TlsSession::~TlsSession() = default;

bool TlsSession::start(const QString& host, const Options& options) {
    d = std::make_unique<Impl>();
    QString name = host.trimmed().toLower();
    while (name.endsWith(QLatin1Char('.')))
        name.chop(1);
    if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']'))) name = name.mid(1).chopped(1);
    d->host = name;
    if (name.isEmpty()) {
        d->fail(Failure::Setup, QStringLiteral("TLS needs a server name"));
        return false;
    }
    ERR_clear_error();
    d->ctx = SSL_CTX_new(TLS_client_method());
    if (!d->ctx) {
        d->fail(Failure::Setup, QStringLiteral("TLS cannot be set up: %1").arg(openSslErrors()));
        return false;
    }
    SSL_CTX_set_min_proto_version(d->ctx, TLS1_2_VERSION);
    SSL_CTX_set_default_verify_paths(d->ctx);
    ERR_clear_error(); // a missing system store shows later as an unknown authority
    if (!options.extraTrustFile.isEmpty() && !d->loadExtraTrust(options.extraTrustFile)) return false;

    d->ssl = SSL_new(d->ctx);
    d->in = BIO_new(BIO_s_mem());
    d->out = BIO_new(BIO_s_mem());
    if (!d->ssl || !d->in || !d->out) {
        if (d->in && !d->ssl) BIO_free(d->in);
        if (d->out && !d->ssl) BIO_free(d->out);
        d->fail(Failure::Setup, QStringLiteral("TLS cannot be set up: %1").arg(openSslErrors()));
        return false;
    }
    BIO_set_mem_eof_return(d->in, -1); // an empty input means "wait", not "end"
    SSL_set_bio(d->ssl, d->in, d->out);
    SSL_set_connect_state(d->ssl);
    SSL_set_ex_data(d->ssl, sessionIndex(), d.get());

    const QByteArray nameBytes = name.toUtf8();
    X509_VERIFY_PARAM* param = SSL_get0_param(d->ssl);
    if (X509_VERIFY_PARAM_set1_ip_asc(param, nameBytes.constData()) != 1) {
        // A host name: checked against the certificate, and sent for name-based servers.
        // (An IP literal is never sent as the server name.)
        ERR_clear_error();
        SSL_set_hostflags(d->ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS);
        SSL_set1_host(d->ssl, nameBytes.constData());
        SSL_set_tlsext_host_name(d->ssl, nameBytes.constData());
    }
    SSL_set_verify(d->ssl, options.verify ? SSL_VERIFY_PEER : SSL_VERIFY_NONE,
                   options.verify ? &Impl::verifyCallback : nullptr);

    d->state = Handshaking;
    d->handshake();
    return d->state != Failed;
}

void TlsSession::feed(const QByteArray& bytes) {
    if (!d->ssl || d->state == Failed || d->state == Idle) return;
    if (!bytes.isEmpty()) BIO_write(d->in, bytes.constData(), int(bytes.size()));
    if (d->state == Handshaking)
        d->handshake();
    else if (d->state == Established)
        d->drainPlain();
}

void TlsSession::endOfInput() {
    if (d->state == Handshaking)
        d->fail(
            Failure::Protocol,
            QStringLiteral("TLS handshake with %1 failed: the server closed the connection").arg(d->host));
}

QByteArray TlsSession::takeOutgoing() {
    if (!d->out) return {};
    QByteArray bytes;
    const size_t pending = BIO_ctrl_pending(d->out);
    if (pending == 0) return bytes;
    bytes.resize(qsizetype(pending));
    const int n = BIO_read(d->out, bytes.data(), int(pending));
    bytes.resize(n > 0 ? n : 0);
    return bytes;
}

bool TlsSession::hasOutgoing() const {
    return d->out && BIO_ctrl_pending(d->out) > 0;
}

QByteArray TlsSession::readPlain() {
    QByteArray text;
    text.swap(d->plain);
    return text;
}

bool TlsSession::hasPlain() const {
    return !d->plain.isEmpty();
}

bool TlsSession::writePlain(const QByteArray& text) {
    if (d->state != Established) return false;
    qsizetype done = 0;
    while (done < text.size()) {
        ERR_clear_error();
        const int n =
            SSL_write(d->ssl, text.constData() + done, int(qMin<qsizetype>(text.size() - done, 1 << 20)));
        if (n <= 0) {
            d->fail(Failure::Protocol,
                    QStringLiteral("TLS connection with %1 failed: %2").arg(d->host, openSslErrors()));
            return false;
        }
        done += n;
    }
    return true;
}

void TlsSession::close() {
    if (d->ssl && d->state == Established) {
        ERR_clear_error();
        SSL_shutdown(d->ssl);
        ERR_clear_error();
    }
    if (d->state != Failed) d->state = Closed;
}

TlsSession::State TlsSession::state() const {
    return d->state;
}

bool TlsSession::wantsRead() const {
    return d->state == Handshaking && d->wantsRead;
}

bool TlsSession::peerClosed() const {
    return d->peerClosed;
}

TlsSession::Failure TlsSession::failure() const {
    return d->failure;
}

QString TlsSession::failureText() const {
    return d->failureText;
}

QString TlsSession::connectionDescription() const {
    if (!d->ssl || d->state != Established) return {};
    return QStringLiteral("%1 %2").arg(QString::fromLatin1(SSL_get_version(d->ssl)),
                                       QString::fromLatin1(SSL_get_cipher_name(d->ssl)));
}

QString TlsSession::peerSubject() const {
    if (!d->ssl) return {};
    X509* cert = SSL_get0_peer_certificate(d->ssl);
    if (!cert) return {};
    char* line = X509_NAME_oneline(X509_get_subject_name(cert), nullptr, 0);
    QString text = QString::fromLatin1(line);
    OPENSSL_free(line);
    return text;
}
