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
    // Transport security: none, STLS after the greeting (refused when CAPA
    // shows the server lacks it), or TLS from the first byte; TlsSettings
    // (inherited) say which certificates are trusted.
    TTransportSecurity Security = TTransportSecurity::None;
    // USER/PASS over an unencrypted connection (the classic behaviour).
    bool AllowPlainLogin = true;
    // The CAPA list of the server (upper case), when it was asked for one.
    const QList<QByteArray>& Capabilities() const { return m_capabilities; }
    bool DeleteOnRead = false;
    // Asks for CAPA at login; when the server lists PIPELINING, commands go out
    // before the replies to earlier ones are read: TOP and LIST of a summary
    // together, and the next summary's with a DELE. The commands and their
    // order, every reply, event and failure stay those of the command-by-
    // command dialogue (used otherwise); only the waits between them go.
    bool Pipelining = false;
    bool Sending() const { return m_sending; }
    int MailCount() const { return m_mailCount; }

    // When assigned, the text lines of a retrieved message's body (and the
    // "File ... extracted" entries) go here as they arrive instead of into
    // MailMessage.Body, so a message's size never has to fit in memory.
    std::function<void(const QString& line)> OnBodyLine;
    // Header lines kept in MailMessage.Header and Summary.Header; the rest are read and dropped.
    static constexpr int kMaxHeaderLines = 1000;

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
    // One OnList per message line of the LIST answer; a negative reply throws it.
    // A line that does not convert throws after the answer has been read to its end.
    void List();
    void GetSummary(int msg);
    void GetMailMessage(int msg);
    // nextSummary: the message whose summary the owner asks for next (0: none
    // or not known); when pipelining, its TOP and LIST go out with the DELE.
    void DeleteMailMessage(int msg, int nextSummary = 0);

    // Message decoding steps, public for the owner's tests.
    void ReadHeader();
    bool ExtractPart();
    void ReadMultipart();

    // The reply's first field contains "+OK" (DELE asks for exactly "+OK").
    static bool IsPositive(const QByteArray& reply);
    static QByteArray FirstField(const QByteArray& reply);

private:
    // One line of the retrieved message, CR LF kept and dot-unstuffed, as a
    // view valid until the next read; sets m_messageEnded at the terminating lone dot.
    QByteArrayView ReadMessageLine();
    bool IsDelimiter(QByteArrayView line);
    void ReadMessage();
    void ReadToMessageEnd();
    // After a failure inside a message: reads what is left of it to the final
    // dot, so the next reply is the server's; drops the connection when that
    // cannot be done (cancelled, or the read fails).
    void SkipRestOfMessage();
    void AddBodyLine(const QString& line);
    // Whether the received text lines so far can be decoded now (no soft line
    // break or base64 group runs on), and the decoding that hands them on.
    bool TextLineComplete(const QByteArray& line) const;
    void FlushTextLines(QList<QByteArray>& lines);
    void WritePartFile(const QString& tempName);
    void Login();
    // CAPA; false when the server does not know it.
    bool Capa();
    bool Pipelined() const;
    // Pipelining only: sends the commands in one write; their replies are read by Reply.
    // multiLine: a positive reply is followed by lines up to a lone dot.
    void SendAhead(const QList<std::pair<QByteArray, bool>>& commands);
    // The reply to `command`: by Transaction; or, when pipelining, read after it was
    // sent ahead (or sent now), replies to earlier commands that nobody asked for read and dropped first.
    QByteArray Reply(const QByteArray& command, bool multiLine);

    bool m_sending = false;
    bool m_messageEnded = false;
    bool m_bodyFromPart = false; // a single-part encoded body: its decoded lines are the body
    QString m_boundaryFor;       // Boundary as last encoded into m_boundaryBytes
    QByteArray m_boundaryBytes;
    int m_mailCount = 0;
    QList<QByteArray> m_capabilities;
    struct SentCommand {
        QByteArray command;
        bool multiLine;
    };
    QList<SentCommand> m_unanswered; // sent ahead, reply not read yet, in order
};
