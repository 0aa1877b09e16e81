#pragma once
// TPop3Client: the POP3 client over TSockClient. Connect (greeting, USER/PASS,
// STAT), List, GetSummary (TOP n 0 and LIST n), GetMailMessage (RETR, decoded
// into header, text lines and attachment files), DeleteMailMessage, Disconnect.
// Received lines are dot-unstuffed; attachment names never leave their folder;
// every read ends at the terminating dot, a closed connection or Cancel.
#include "mail/codec/HeaderList.h"
#include "mail/codec/MailText.h"
#include "mail/codec/UUProcessor.h"
#include "net/SockClient.h"

#include <stdexcept>

class TPop3Client;

struct TSummary {
    QString Subject, From, MessageId;
    int Bytes = 0;
    THeaderList Header;
};

struct TMailMessage {
    THeaderList Header;
    QStringList Body;
    QStringList Attachments; // names of the files written
    QString From, Subject, MessageId;
};

class EPop3Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using TPop3HandledEvent = std::function<void(TPop3Client* sender, bool& handled)>;
using TPop3Notify = std::function<void(TPop3Client* sender)>;
using TListEvent = std::function<void(TPop3Client* sender, int msg, int size)>;

class TPop3Client : public TSockClient {
    Q_OBJECT
public:
    explicit TPop3Client(QObject* owner = nullptr);

    QString UserID() const { return m_userID; }
    void setUserID(const QString& v) { m_userID = v; }
    QString Password() const { return m_password; }
    void setPassword(const QString& v) { m_password = v; }
    bool DeleteOnRead = false;
    // Folder of attachment files (with its separator); empty: the current folder.
    QString AttachFilePath;
    int MailCount() const { return m_mailCount; }
    const TSummary& Summary() const { return m_summary; }
    const TMailMessage& MailMessage() const { return m_message; }

    TPop3Notify OnConnect, OnRetrieveStart, OnRetrieveEnd, OnSuccess, OnFailure;
    TPop3HandledEvent OnAuthenticationNeeded, OnAuthenticationFailed;
    TListEvent OnList;

    void Connect() override;
    void Disconnect() override;
    void List();
    void GetSummary(int n);
    void GetMailMessage(int n);
    void DeleteMailMessage(int n);

    // A file name from a message reduced to a plain name inside the attachment
    // folder: no folders, no "..", no control characters; empty gives "text.tmp".
    static QString NombreSeguro(const QString& name);

private:
    QByteArray command(const QString& text);
    static bool positive(const QByteArray& reply);
    // One line of a multi-line answer, without CR LF, dot-unstuffed; `end` is
    // set at the terminating "." line.
    QString readDataLine(bool& end);
    void readHeader(bool keep, bool& end);
    void readMessage();
    bool extractPart(bool toFile, bool& end);
    QString uniqueName(const QString& name) const;

    QString m_userID, m_password;
    int m_mailCount = 0;
    TSummary m_summary;
    TMailMessage m_message;
    QString m_contentType, m_transferEncoding, m_boundary, m_attachName;
    bool m_sending = false;
};
