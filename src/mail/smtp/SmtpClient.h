#pragma once
// TSmtpClient: sends TPostMessage messages over one SMTP connection
// (greeting and HELO, then RSET, MAIL FROM, RCPT, DATA per message, QUIT).
#include "mail/codec/HeaderList.h"
#include "mail/codec/UUProcessor.h"
#include "mail/smtp/MessageComposer.h"
#include "mail/smtp/PostMessage.h"
#include "net/SockClient.h"

#include <QByteArray>
#include <QTime>

#include <functional>
#include <memory>
#include <optional>

class TSmtpClient : public TSockClient {
    Q_OBJECT

public:
    using THeaderInComplete = std::function<void(TSmtpClient* sender, bool& handled, int hiType)>;
    using TFileItem = std::function<void(TSmtpClient* sender, const QString& fileName)>;
    using TRecipientNotFound = std::function<void(TSmtpClient* sender, const QString& recipient)>;
    using TMailListReturn = std::function<void(TSmtpClient* sender, const QString& mailAddress)>;
    using TSmtpNotify = std::function<void(TSmtpClient* sender)>;
    using TSmtpHandled = std::function<void(TSmtpClient* sender, bool& handled)>;

    explicit TSmtpClient(QObject* owner = nullptr);
    ~TSmtpClient() override;

    TPostMessage PostMessage;
    THeaderList FinalHeader;
    QByteArray MessageBody;
    QString UserID; // the name given with EHLO / HELO
    // Transport security: none, STARTTLS after EHLO (refused when the server
    // does not offer it), or TLS from the first byte. TlsSettings (inherited)
    // say which certificates are trusted.
    TTransportSecurity Security = TTransportSecurity::None;
    // AUTH PLAIN (or AUTH LOGIN) with Login and Password when both are given
    // and the server offers it; only over an encrypted connection unless
    // AllowPlainLogin.
    QString Login;
    QString Password;
    bool AllowPlainLogin = true;
    // "" for the best the server offers (PLAIN, else LOGIN), or "PLAIN" / "LOGIN".
    QByteArray AuthMechanism;
    // The keywords of the last EHLO reply (upper case, parameters kept); empty after HELO.
    const QList<QByteArray>& Capabilities() const { return m_capabilities; }
    // The server offered `keyword` (e.g. "8BITMIME", "STARTTLS", "PIPELINING").
    bool Offers(const QByteArray& keyword) const;
    // When the server offers PIPELINING: a message's RSET, MAIL FROM, RCPT TO
    // and DATA go out in one write and their replies are read in order
    // afterwards. Every event, reply and failure is the one the command-by-
    // command dialogue (used otherwise) gives; only the waits between them go.
    // One exception, for a server that breaks the protocol: a 354 to a DATA
    // whose batch stopped at a refusal closes the connection (no message was
    // meant to go, and an empty one could be delivered).
    bool Pipelining = false;
    // The sender and recipients of the message the owner sends next, when known
    // before this one goes. Pipelining, its RSET, MAIL, RCPT and DATA go out in
    // the same write as this message's text (RFC 2920), and the next SendMail,
    // for a message with that envelope, reads their replies instead of sending
    // them again. Taken (emptied) by every SendMail.
    struct TEnvelope {
        QString FromAddress;
        QStringList ToAddress, ToCarbonCopy, ToBlindCarbonCopy;
    };
    std::optional<TEnvelope> NextEnvelope;
    QString Boundary;
    TSubType SubType = mtPlain;
    TEncodeMethod EncodeType = emBase64;
    bool ClearParams = true;
    bool Sending() const { return m_sending; }
    // Time of day used for the multipart boundary; empty means the current local time.
    std::function<QTime()> TimeOfDay;

    // Raised when greeting and HELO have succeeded (the base class's OnConnect stays unused).
    TSmtpNotify OnConnect;                // hides the base class's event, which stays unassigned
    THeaderInComplete OnHeaderIncomplete; // hiType 1: no sender, 2: no recipient
    TSmtpNotify OnSendStart;
    TSmtpNotify OnSuccess;
    TSmtpNotify OnFailure;
    TFileItem OnEncodeStart;
    TFileItem OnEncodeEnd;
    TFileItem OnAttachmentNotFound;
    TRecipientNotFound OnRecipientNotFound;
    TMailListReturn OnMailListReturn; // never raised
    TSmtpHandled OnAuthenticationFailed;

    // Each operation says what it throws; every exception is an ENetError
    // (net/SockErrors.h), and every wait ended by Cancel throws EAbortError.

    // Connection, greeting, EHLO (or HELO), STARTTLS and AUTH as asked; a
    // refused HELO or login is offered to OnAuthenticationFailed once.
    // On any failure after the connection, QUIT is tried and the connection closed.
    // Throws ESockError (TSockClient::Connect; "Reply too long"), ETlsError
    // with the handshake's reason, EProtocolError with a greeting below 200
    // or above 299, ESecurityError (no STARTTLS offered or it was refused, a
    // login over clear text not allowed), ENetError "Authentication failed".
    void Connect() override;
    // Sends PostMessage over the open connection; does nothing while already
    // sending. A message without sender or recipient is offered to
    // OnHeaderIncomplete once; refused recipients go to OnRecipientNotFound
    // and do not stop it.
    // Throws EFileError (an attachment cannot be read), ESockError "Not
    // Connected" (after OnConnectionRequired), ENetError "Incomplete Header",
    // "Invalid sender address", EProtocolError with the refusal of RSET,
    // MAIL FROM, DATA or the final dot (after OnFailure), ESockError
    // "Connection Closed" when a batch owed a 354 (pipelining).
    void SendMail();
    // QUIT, then close in every case.
    // Throws EProtocolError when the QUIT reply's code is above 339, or what
    // the QUIT exchange threw (after the close).
    void Disconnect() override;
    // Empties the recipient lists and the attachments of PostMessage. Throws nothing.
    void ClearParameters();
    // Rebuilds FinalHeader and MessageBody from PostMessage (SendMail makes
    // them too, the body as it goes out).
    // Throws EFileError when an attachment cannot be read (after OnAttachmentNotFound).
    void BuildMessage();
    // Appends the part of attachment index (1-based) to MessageBody.
    // Throws EFileError as BuildMessage; std::out_of_range for an index outside the list.
    void EncodeAttachment(int index);

private:
    // The whole reply whose first line is `reply` (continuation lines "NNN-" up to
    // the last "NNN " line), its lines joined with their CR LF. Throws ESockError
    // "Reply too long", the connection closed, after 100 lines.
    QByteArray ReadExtraLines(QByteArray reply);
    // One command and its whole reply; ReplyNumber comes from the first line.
    QByteArray Command(const QString& text);
    // EHLO (keywords kept in Capabilities), or HELO when EHLO is refused.
    void Hello();
    bool OffersAuth(const QByteArray& mechanism) const;
    void Authenticate();
    TComposeEvents ComposeEvents();
    // FinalHeader, Boundary and the start of MessageBody; the composer makes the rest.
    std::unique_ptr<TBodyComposer> StartMessage();
    // Reads what the server still owes to a batch that stopped at a refusal
    // (its replies drop out here, at the next command, where the command-by-
    // command dialogue waits too). Closes the connection when the batch's DATA
    // was answered with 354: no message was meant to go, and a closed
    // connection is the one way to end it without delivering one.
    void SettleOwedReplies();
    // RSET, MAIL FROM, one RCPT TO per recipient that is one plain address, DATA;
    // every recipient entry in order with whether a RCPT TO went for it.
    struct EnvelopeCommands {
        QList<QByteArray> commands;
        QList<std::pair<QString, bool>> recipients;
        bool sendable = false; // a plain sender and at least one RCPT TO
    };
    static EnvelopeCommands Envelope(const TEnvelope& envelope);
    void DoConnect();
    void DoSendMail();

    bool m_sending = false;
    QList<QByteArray> m_capabilities;
    int m_owedReplies = 0;             // replies to a sent batch not read yet; the last is DATA's
    QList<QByteArray> m_envelopeAhead; // sent with the last message's text, replies unread
};
