#pragma once
// TPop3Client: POP3 session over TSockClient (USER/PASS login, STAT, LIST,
// TOP summaries, RETR with decoding into text and attachment files, DELE, QUIT).
#include "mail/codec/UUProcessor.h"
#include "mail/pop3/MailMessage.h"
#include "net/SockClient.h"

#include <QByteArray>

#include <functional>

class TPop3Client : public TSockClient {
    Q_OBJECT

public:
    using TPop3Notify = std::function<void(TPop3Client* sender)>;
    using TListEvent = std::function<void(TPop3Client* sender, int msg, int size)>;

    explicit TPop3Client(QObject* owner = nullptr);
    ~TPop3Client() override;

    TUUProcessor Decoder;
    // Folder prefix of attachment files, used as it stands; empty: the current folder.
    QString AttachFilePath;
    // Parsing state of the message being retrieved.
    QString AttachName;
    QString Boundary;
    QString ContentType;
    QString TransferEncoding;
    int PartMode = 2; // 2 message header, 1 text lines to Body, 0 part to a file
    TSummary Summary;
    TMailMessage MailMessage;
    QString UserID;
    QString Password;
    bool DeleteOnRead = false;
    bool Sending() const { return m_sending; }
    int MailCount() const { return m_mailCount; }

    THandledEvent OnAuthenticationNeeded;
    THandledEvent OnAuthenticationFailed;
    TPop3Notify OnReset; // never raised
    TListEvent OnList;
    TPop3Notify OnRetrieveStart;
    TPop3Notify OnRetrieveEnd;
    TPop3Notify OnSuccess;
    TPop3Notify OnFailure;
    TPop3Notify OnConnect; // hides the base class's event, which stays unassigned

    // Login and STAT; throws ESockError or std::runtime_error.
    void Connect() override;
    // QUIT when connected, then close; a negative QUIT reply throws after the close.
    void Disconnect() override;
    // Ends every wait; a connected session is closed without QUIT.
    void Cancel() override;
    // One OnList per message line of the LIST answer.
    void List();
    void GetSummary(int msg);
    void GetMailMessage(int msg);
    void DeleteMailMessage(int msg);

    // Message decoding steps, public for the owner's tests.
    void ReadHeader();
    bool ExtractPart();
    void ReadMultipart();

    // The reply's first field contains "+OK" (DELE asks for exactly "+OK").
    static bool IsPositive(const QByteArray& reply);
    static QByteArray FirstField(const QByteArray& reply);

private:
    // One line of the retrieved message, CR LF kept and dot-unstuffed;
    // sets m_messageEnded at the terminating lone dot.
    QByteArray ReadMessageLine();
    bool IsDelimiter(const QByteArray& line) const;
    void ReadMessage();
    void ReadToMessageEnd();
    void WritePartFile(const QString& tempName);
    void Login();

    bool m_sending = false;
    bool m_messageEnded = false;
    int m_mailCount = 0;
};
