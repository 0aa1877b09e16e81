#pragma once
// One retrieved message read as it arrives: its header, its text and its
// parts, nested multiparts included, with every attachment written to a file.
// What a message may cost is bounded: bytes received, files written, bytes
// written, nesting depth.
#include "mail/pop3/MailMessage.h"
#include "net/SockErrors.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <stdexcept>

// A message the reader stopped on purpose; its files are gone again.
class EMailLimit : public ENetError {
public:
    enum Kind { TooLarge, TooManyFiles };
    EMailLimit(Kind kind, qint64 bytes, const char* what) : ENetError(what), kind(kind), bytes(bytes) {}
    Kind kind;
    qint64 bytes; // received when the limit was met (TooLarge)
};

class MimeReader {
public:
    // The next line of the message, its line end included, as a view valid
    // until the next call; `end` is set (and the view empty) at the final dot.
    using NextLine = std::function<QByteArrayView(bool& end)>;
    using BodyLine = std::function<void(const QString& line)>;

    struct Limits {
        qint64 messageBytes = -1;    // bytes received; < 0: no limit
        qint64 attachmentBytes = -1; // bytes that may still be written; < 0: no limit
        int files = 300;             // attachment files per message
        int depth = 20;              // nested multiparts followed; deeper ones are one part
        // The preamble of a multipart is kept up to this many bytes: when no
        // part follows (its boundary never comes), it is the text.
        qsizetype preamble = 1024 * 1024;
    };

    // Header lines kept in TMailMessage::Header: each cut to this many
    // characters, at most kMaxHeaderBytes in all (the rest is read and
    // dropped); one header field is taken up to kMaxFieldBytes.
    static constexpr int kMaxHeaderLine = 998;
    static constexpr qsizetype kMaxHeaderBytes = 64 * 1024;
    static constexpr qsizetype kMaxFieldBytes = 64 * 1024;
    static constexpr int kMaxHeaderLines = 1000;

    // folder: where attachment files go (a plain prefix); nextSuffix: the
    // numbers tried last for each name, so unique names cost one probe each
    // (kept by the caller across messages).
    MimeReader(NextLine next, QString folder, TMailMessage& message, BodyLine body, Limits limits,
               QHash<QString, int>& nextSuffix);
    ~MimeReader();
    MimeReader(const MimeReader&) = delete;
    MimeReader& operator=(const MimeReader&) = delete;

    // Reads the message to its final dot. On any failure (a limit, a file that
    // cannot be written, the connection) the files this message wrote are
    // removed and the error is thrown; `ended()` tells whether the final dot
    // was read before. Throws EMailLimit, EFileError, or what reading a line
    // threw (ESockError, EAbortError).
    void read();
    bool ended() const { return m_sourceEnded; }
    qint64 received() const { return m_received; }
    qint64 written() const { return m_written; }

private:
    struct Header;
    struct Group;
    struct Stop {
        int level;    // index of the boundary on the stack; -1: the message's end
        bool closing; // the closing delimiter ("--" after the boundary)
    };
    enum class Role { Body, HtmlCandidate, Attachment, Drop };

    QByteArrayView Next();
    void PushBack(QByteArrayView line);
    Header ReadHeader(bool top);
    void TakeField(Header& header, QByteArrayView field, bool top);
    // The level of the boundary this line delimits, innermost first; -2: none.
    Stop Delimiter(QByteArrayView line) const;
    Stop SkipToDelimiter();
    Stop ReadEntity(const Header& header, Group* group, int depth);
    Stop ReadMultipart(const Header& header, Group* group, int depth);
    Stop ReadLeaf(const Header& header, Role role, Group* group);
    Role RoleOf(const Header& header, Group* group);
    void CloseGroup(Group& group);
    QString WriteAttachment(const QString& workFile, const QString& name);
    void RemoveFiles();

    NextLine m_next;
    QString m_folder;
    TMailMessage& m_message;
    BodyLine m_body;
    Limits m_limits;
    QHash<QString, int>& m_nextSuffix;
    QList<QByteArray> m_boundaries;
    QList<QByteArray> m_pushed; // lines to be read again, next one last
    QByteArray m_current;       // the pushed line being read
    bool m_ended = false;       // the last Next() found the end (no line pushed back)
    bool m_sourceEnded = false; // the final dot was read
    bool m_bodyTaken = false;
    qint64 m_received = 0;
    qint64 m_written = 0;
    qsizetype m_headerKept = 0;
    QStringList m_workFiles; // full paths, removed whatever happens
};
