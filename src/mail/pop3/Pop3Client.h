#pragma once
// TPop3Client: POP3 session over TSockClient (USER/PASS login, STAT, LIST,
// TOP summaries, RETR with decoding into text and attachment files, DELE, QUIT).
#include "mail/pop3/MailMessage.h"
#include "mail/pop3/MimeReader.h"
#include "net/SockClient.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QSet>

#include <deque>
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
    // together, the next summary's with a DELE, and whatever the owner
    // announced ahead (SummariesAhead, RetrievalsAhead, DeleteAhead), at most
    // kWindow unanswered at a time. The commands and their order, every reply,
    // event and failure stay those of the command-by-command dialogue (used
    // otherwise); only the waits between them go.
    bool Pipelining = false;
    static constexpr int kWindow = 64;
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

    // Each operation says what it throws; every exception is an ENetError
    // (net/SockErrors.h), and every wait ended by Cancel throws EAbortError.
    // List, GetSummary, GetMailMessage and DeleteMailMessage do nothing while
    // the component is busy; each throws ESockError "Not Connected" (after
    // OnConnectionRequired) when there is no connection.

    // Login and STAT. Missing credentials are offered to OnAuthenticationNeeded
    // once, a refused USER or PASS to OnAuthenticationFailed once. On any
    // failure after the connection, QUIT is tried and the connection closed.
    // Throws ESockError (TSockClient::Connect), ETlsError with the handshake's
    // reason, ESecurityError (no STLS, STLS refused, a login over clear text
    // not allowed), ENetError "Authentication failed", EProtocolError with a
    // greeting or STAT reply that is not positive.
    void Connect() override;
    // QUIT when connected, then close.
    // Throws EProtocolError with a negative QUIT reply, or what the QUIT
    // exchange threw (both after the close).
    void Disconnect() override;
    // Ends every wait; a connected session is closed without QUIT. Throws nothing.
    void Cancel() override;
    // One OnList per message line of the LIST answer.
    // Throws EProtocolError with a negative reply; ENetError "'x' is not a
    // valid integer value" for a line that does not convert, after the answer
    // has been read to its end; what OnList threw, likewise.
    void List();
    // Fills Summary from TOP n 0 and LIST n.
    // Throws EProtocolError with a negative TOP or LIST reply; ENetError "'x'
    // is not a valid integer value" for a size that does not convert.
    void GetSummary(int msg);
    // Fills MailMessage (its lines to OnBodyLine when assigned) and writes its
    // attachment files; DELE after it when DeleteOnRead. A failure inside the
    // message reads it to its final dot first (or drops the connection).
    // Throws EProtocolError with a negative RETR reply or a DELE reply other
    // than "+OK"; EMailLimit past a limit; EFileError when a part's file
    // cannot be written (the message's files removed in both cases).
    void GetMailMessage(int msg);
    // Marks message msg deleted. nextSummary: the message whose summary the
    // owner asks for next (0: none or not known); when pipelining, its TOP and
    // LIST go out with the DELE.
    // Throws EProtocolError with a reply other than "+OK" (after OnFailure).
    void DeleteMailMessage(int msg, int nextSummary = 0);

    // The owner's next requests, announced in the order it makes them: the
    // summaries of msgs (GetSummary), their retrieval (GetMailMessage), the
    // deletion of msg (DeleteMailMessage). With pipelining they go out ahead,
    // in that order, as the replies before them are read; without, each goes
    // out when it is asked for. An announced request the owner does not make
    // before a later one is dropped unsent (or its reply read and dropped).
    // Throw nothing: a connection that has ended is told by the request itself.
    void SummariesAhead(const QList<int>& msgs);
    void RetrievalsAhead(const QList<int>& msgs);
    void DeleteAhead(int msg);

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
    // Queues commands whose replies Reply reads later, in order (each only when
    // it is not queued already). multiLine: a positive reply is followed by lines up to a lone dot.
    void SendAhead(const QList<std::pair<QByteArray, bool>>& commands);
    void Queue(const QByteArray& command, bool multiLine);
    void Unqueue(); // the first queued command
    // Writes queued commands: with pipelining, once half the window is answered,
    // as many as the window takes in one write; without, the first alone when
    // nothing is unanswered. A write the connection's end stops is told by the reads.
    void WriteAhead();
    // The reply to `command`, queued now when it is not: the queued commands
    // before it that never went out are dropped, the replies to those that did
    // are read and dropped first.
    QByteArray Reply(const QByteArray& command, bool multiLine);
    // The command went out and its reply is coming (or already here): no
    // connection check stands before reading it.
    bool Answering(const QByteArray& command) const;
    void CheckConnectedUnlessAnswering(const QByteArray& command);
    void ClearAhead();

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
    // Queued, reply not read yet, in order; the first m_written went out.
    std::deque<SentCommand> m_ahead;
    qsizetype m_written = 0;
    QSet<QByteArray> m_queued; // the commands in m_ahead
};
