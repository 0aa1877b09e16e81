#pragma once
// TSmtpClient: the SMTP client over TSockClient. Connect (greeting, HELO),
// SendMail (RSET, MAIL FROM, RCPT for every recipient, DATA, header, body,
// final dot), Disconnect (QUIT). Failures raise with the server's reply line.
// Data from the message never carries CR or LF into a command or header line.
#include "mail/codec/HeaderList.h"
#include "mail/codec/MailText.h"
#include "mail/codec/UUProcessor.h"
#include "net/SockClient.h"

#include <stdexcept>

class TSmtpClient;

// The message to send.
struct TPostMessage {
    QString FromName, FromAddress, Subject, LocalProgram, Date, ReplyTo;
    QStringList Attachments; // file paths
    QStringList ToAddress, ToCarbonCopy, ToBlindCarbonCopy;
    QStringList Body;
};

enum class TSubType { mtPlain, mtEnriched, mtSgml, mtTabSeparated, mtHtml };

// A failure with the server's reply line (or a fixed text) as its message.
class ESmtpError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using TSmtpHandledEvent = std::function<void(TSmtpClient* sender, bool& handled)>;
using TSmtpNotify = std::function<void(TSmtpClient* sender)>;
using TRecipientEvent = std::function<void(TSmtpClient* sender, const QString& entry)>;
using THeaderIncompleteEvent = std::function<void(TSmtpClient* sender, bool& handled, int hiType)>;

class TSmtpClient : public TSockClient {
    Q_OBJECT
public:
    explicit TSmtpClient(QObject* owner = nullptr);

    QString UserID() const { return m_userID; }
    void setUserID(const QString& id) { m_userID = id; }
    TPostMessage& PostMessage() { return m_post; }
    TSubType SubType = TSubType::mtPlain;
    TEncodeMethod EncodeType = emBase64;
    bool ClearParams = true;

    TSmtpNotify OnConnect, OnSuccess, OnFailure, OnSendStart;
    TSmtpHandledEvent OnAuthenticationFailed;
    TRecipientEvent OnRecipientNotFound, OnAttachmentNotFound;
    THeaderIncompleteEvent OnHeaderIncomplete;

    void Connect() override;
    void SendMail();
    void Disconnect() override;
    void ClearParameters();

    // What BuildMessage made of PostMessage: the header lines and the body bytes
    // (dot-stuffed, CR LF line ends).
    const THeaderList& FinalHeader() const { return m_header; }
    const QByteArray& MessageBody() const { return m_body; }
    QString Boundary() const { return m_boundary; }
    void BuildMessage();

private:
    QByteArray command(const QString& text); // one command, its reply line
    void ReadExtraLines(QByteArray& reply);
    void EncodeAttachment(int index);

    QString m_userID;
    TPostMessage m_post;
    THeaderList m_header;
    QByteArray m_body;
    QString m_boundary;
    bool m_sending = false;
};
