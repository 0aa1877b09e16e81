#pragma once
// The client side of one TLS connection, without a socket of its own: the
// owner moves bytes between the socket and this engine (memory buffers), so a
// non-blocking, event-driven transport can drive it. No protocol logic lives
// here; the same engine serves implicit TLS and a STARTTLS/STLS upgrade.
//
// Driving it:
//   TlsSession tls;
//   if (!tls.start(host, options)) -> log tls.failureText(), give up
//   send(tls.takeOutgoing())                   // the ClientHello
//   on every chunk received from the socket:
//       tls.feed(chunk);
//       send(tls.takeOutgoing());              // handshake replies, alerts
//       if (tls.state() == TlsSession::Failed)  -> log tls.failureText(), close
//       if (tls.state() == TlsSession::Established) use tls.readPlain()
//   to send text once Established:  tls.writePlain(text); send(tls.takeOutgoing());
//   to end:  tls.close(); send(tls.takeOutgoing()); then close the socket.
// While the handshake runs, wantsRead() says that nothing can happen until
// more bytes arrive from the peer (the owner's watchdog should cover that wait).
// Writing never blocks: the engine's buffers grow as needed, so a "want write"
// state does not exist; hasOutgoing() tells whether bytes wait for the socket.
//
// Verification is on unless switched off: the server's chain must lead to a
// certificate of the system trust store (OpenSSL's default paths, which honour
// SSL_CERT_FILE and SSL_CERT_DIR) or of the optional extra trusted-certificates
// file, and the certificate must name the host (DNS name, or IP address for a
// literal). A certificate that is itself in the extra file is trusted for any
// host name: that is how a user trusts one self-signed or company server.
// A failed verification ends the handshake; nothing falls back to clear text.
#include <QByteArray>
#include <QString>

#include <memory>

class TlsSession {
public:
    enum State { Idle, Handshaking, Established, Closed, Failed };

    enum class Failure {
        None,
        Setup,            // the TLS library could not be set up
        TrustFile,        // the extra trusted-certificates file is unreadable or holds none
        Expired,          // the server's certificate (or one of its chain) has expired
        NotYetValid,      // ... is not valid yet
        UnknownAuthority, // the chain leads to no trusted authority
        SelfSigned,       // a self-signed certificate that is not trusted
        HostMismatch,     // the certificate does not name the host
        Revoked,          // a certificate of the chain was revoked
        BadCertificate,   // any other verification error
        Protocol,         // the handshake or a record failed (not TLS, no common version, ...)
        UsedWhileNotEstablished,
    };

    struct Options {
        // PEM file with extra trusted certificates (a company authority, or a
        // server's own certificate); empty for none.
        QString extraTrustFile;
        // Checks the chain and the host name. Only tests switch it off.
        bool verify = true;
    };

    TlsSession();
    ~TlsSession();
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;

    // Begins the handshake for host (the name the user gave, or an IP literal,
    // an IPv6 one bare or in brackets); the first bytes to send are then in
    // takeOutgoing(). Returns false, with state() Failed and a reason, when the
    // session cannot be set up.
    bool start(const QString& host, const Options& options);
    bool start(const QString& host) { return start(host, Options()); }

    // Bytes received from the peer. Advances the handshake, then decrypts
    // whatever application data they complete.
    void feed(const QByteArray& bytes);
    void feed(const char* data, qint64 count) { feed(QByteArray::fromRawData(data, int(count))); }

    // The socket reached its end (the peer closed it). During the handshake
    // this is a failure with its own reason.
    void endOfInput();

    // Bytes waiting to go to the socket (handshake, alerts, encrypted text), taken out.
    QByteArray takeOutgoing();
    bool hasOutgoing() const;

    // Decrypted text received so far, taken out.
    QByteArray readPlain();
    bool hasPlain() const;

    // Encrypts text for the peer (then call takeOutgoing()). Returns false when
    // the session is not Established.
    bool writePlain(const QByteArray& text);

    // Sends the closing alert (then call takeOutgoing()); state() becomes Closed.
    void close();

    State state() const;
    // True while the handshake waits for bytes from the peer.
    bool wantsRead() const;
    // The peer has sent its closing alert.
    bool peerClosed() const;

    Failure failure() const;
    // A sentence for the session log, e.g. "certificate verification failed for
    // mail.example.org: the certificate has expired". Empty when nothing failed.
    QString failureText() const;

    // After the handshake: protocol version and cipher, e.g. "TLSv1.3 TLS_AES_256_GCM_SHA384".
    QString connectionDescription() const;
    // After the handshake: the server certificate's subject, one line.
    QString peerSubject() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
