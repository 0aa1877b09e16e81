#pragma once
// TPop3Client: POP3 session over TSockClient (USER/PASS login, STAT, LIST,
// TOP summaries, RETR with decoding into text and attachment files, DELE, QUIT).
#include "mail/pop3/MailMessage.h"
#include "mail/pop3/MimeReader.h"
#include "net/SockClient.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>

#include <functional>

class TPop3Client : public TSockClient {
    Q_OBJECT

public:
    using TPop3Notify = std::function<void(TPop3Client* sender)>;
    using TListEvent = std::function<void(TPop3Client* sender, int msg, int size)>;

    explicit TPop3Client(QObject* owner = nullptr);
    ~TPop3Client() override;

    // Folder prefix of attachment files, used as it stands; empty: the current folder.
    QString AttachFilePath;
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
    static constexpr int kMaxHeaderLines = MimeReader::kMaxHeaderLines;
    // What one retrieved message may cost: bytes received (< 0: no limit) and
    // attachment files written; what the whole session may write to
    // AttachFilePath (< 0: no limit). A message past a limit fails with
    // EMailLimit, its files removed, read to its end.
    qint64 MaxMessageBytes = -1;
    int MaxFilesPerMessage = 300;
    qint64 MaxAttachmentBytes = -1;
    qint64 AttachmentBytesWritten() const { return m_attachmentBytes; }
    // Removes the attachment files of the last retrieved message (its text
    // could not be kept, so it stays on the server and comes again).
    void DiscardAttachments();

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

    // The reply's first field contains "+OK" (DELE asks for exactly "+OK").
    static bool IsPositive(const QByteArray& reply);
    static QByteArray FirstField(const QByteArray& reply);

private:
    // One line of the retrieved message, CR LF kept and dot-unstuffed, as a
    // view valid until the next read; sets m_messageEnded at the terminating lone dot.
    QByteArrayView ReadMessageLine();
    void ReadMessage();
    void ReadToMessageEnd();
    // After a failure inside a message: reads what is left of it to the final
    // dot, so the next reply is the server's; drops the connection when that
    // cannot be done (cancelled, or the read fails).
    void SkipRestOfMessage();
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
    qint64 m_attachmentBytes = 0;
    QHash<QString, int> m_nextSuffix; // unique attachment names: the next number per name
    QElapsedTimer m_sinceEvents;      // events run at least this often while lines come from the buffer
    int m_mailCount = 0;
    QList<QByteArray> m_capabilities;
    struct SentCommand {
        QByteArray command;
        bool multiLine;
    };
    QList<SentCommand> m_unanswered; // sent ahead, reply not read yet, in order
};
