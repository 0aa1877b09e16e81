// Reading a retrieved message: header fields, nested multiparts by a stack of
// boundaries, the text body and attachment files, each part decoded as it arrives.
#include "mail/pop3/MimeReader.h"

#include "mail/codec/EncodedWords.h"
#include "mail/codec/MailText.h"
#include "mail/codec/MimeParams.h"
#include "mail/codec/TransferDecoder.h"
#include "mail/pop3/AttachmentName.h"

#include <QFile>

#include <memory>

namespace {

constexpr int kValueLimit = 256;
constexpr qsizetype kWriteBlock = 256 * 1024;

QByteArrayView WithoutLineEnd(QByteArrayView line) {
    if (line.endsWith("\r\n"))
        line.chop(2);
    else if (line.endsWith('\n'))
        line.chop(1);
    return line;
}

// "Name: value": a name of printable characters other than ":" before a ":".
bool LooksLikeField(QByteArrayView line) {
    for (qsizetype i = 0; i < line.size(); ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (c == ':') return i > 0;
        if (c <= 32 || c >= 127) return false;
    }
    return false;
}

QByteArrayView LeftTrimmed(QByteArrayView value) {
    while (!value.isEmpty() && (value.front() == ' ' || value.front() == '\t'))
        value = value.sliced(1);
    return value;
}

QByteArray BoundaryBytes(const QString& boundary) {
    for (QChar c : boundary)
        if (c.unicode() > 0xFF) return boundary.toUtf8();
    return boundary.toLatin1();
}

} // namespace

struct MimeReader::Header {
    MimeValue type;
    MimeValue disposition;
    QString encoding;
    bool ended = false; // the message ended inside this header
    bool empty = false; // no header and no text: a delimiter right after a delimiter

    QString name() const {
        const QString file = disposition.param(QStringLiteral("filename"));
        return file.isEmpty() ? type.param(QStringLiteral("name")) : file;
    }
    bool multipart() const {
        return type.value.startsWith(QLatin1String("multipart/")) &&
               !type.param(QStringLiteral("boundary")).isEmpty();
    }
    // The media type as read: missing, malformed or a multipart without a
    // boundary reads as plain text.
    QString effectiveType() const {
        if (!type.value.contains(QLatin1Char('/')) ||
            (type.value.startsWith(QLatin1String("multipart/")) && !multipart()))
            return QStringLiteral("text/plain");
        return type.value;
    }
};

// The parts of one multipart/alternative: one text of them is kept.
struct MimeReader::Group {
    bool chosen = false; // its plain text was taken (as body or file)
    QString htmlWork;    // its HTML text, kept until the group ends
    QString htmlCharset;
};

MimeReader::MimeReader(NextLine next, QString folder, TMailMessage& message, BodyLine body, Limits limits,
                       QHash<QString, int>& nextSuffix)
    : m_next(std::move(next)), m_folder(std::move(folder)), m_message(message), m_body(std::move(body)),
      m_limits(limits), m_nextSuffix(nextSuffix) {}

MimeReader::~MimeReader() {
    for (const QString& work : std::as_const(m_workFiles))
        QFile::remove(work);
}

void MimeReader::read() {
    try {
        const Header header = ReadHeader(true);
        if (!header.ended) ReadEntity(header, nullptr, 0);
        while (!m_sourceEnded)
            Next();
    } catch (...) {
        RemoveFiles();
        throw;
    }
}

void MimeReader::RemoveFiles() {
    for (const QString& work : std::as_const(m_workFiles))
        QFile::remove(work);
    m_workFiles.clear();
    for (const QString& name : std::as_const(m_message.Attachments))
        QFile::remove(m_folder + name);
    m_message.Attachments.clear();
}

QByteArrayView MimeReader::Next() {
    if (!m_pushed.isEmpty()) {
        m_ended = false;
        m_current = m_pushed.takeLast();
        return m_current;
    }
    if (m_sourceEnded) {
        m_ended = true;
        return {};
    }
    bool end = false;
    const QByteArrayView line = m_next(end);
    if (end) {
        m_sourceEnded = m_ended = true;
        return {};
    }
    m_received += line.size();
    if (m_limits.messageBytes >= 0 && m_received > m_limits.messageBytes)
        throw EMailLimit(EMailLimit::TooLarge, m_received, "Mail too large");
    return line;
}

void MimeReader::PushBack(QByteArrayView line) {
    m_pushed.append(line.toByteArray());
}

MimeReader::Header MimeReader::ReadHeader(bool top) {
    Header header;
    QByteArray field;
    bool first = true;
    auto keep = [&](QByteArrayView content) {
        if (!top || m_message.Header.size() >= kMaxHeaderLines || m_headerKept >= kMaxHeaderBytes) return;
        const QString text =
            HeaderBytesText(content.first(qMin<qsizetype>(content.size(), 4 * kMaxHeaderLine)))
                .left(kMaxHeaderLine);
        m_headerKept += text.size();
        m_message.Header.append(text);
    };
    for (;;) {
        const QByteArrayView line = Next();
        if (m_ended) {
            TakeField(header, field, top);
            header.ended = true; // a header without an empty line after it: a message without text
            return header;
        }
        const QByteArrayView content = WithoutLineEnd(line);
        if (content.isEmpty()) {
            keep(content);
            TakeField(header, field, top);
            return header;
        }
        if (top && first && content.startsWith("From ")) continue; // a mailbox file's separator line
        const bool folded = content.front() == ' ' || content.front() == '\t';
        if (!folded) {
            if (!LooksLikeField(content) || Delimiter(content).level >= 0) {
                header.empty = first && Delimiter(content).level >= 0;
                // No empty line before the text (or before the next part): this line is text.
                TakeField(header, field, top);
                PushBack(line);
                return header;
            }
            TakeField(header, field, top);
            field.clear();
        }
        keep(content);
        first = false;
        if (field.size() < kMaxFieldBytes)
            field.append(content.first(qMin(content.size(), kMaxFieldBytes - field.size())));
    }
}

void MimeReader::TakeField(Header& header, QByteArrayView field, bool top) {
    const qsizetype colon = field.indexOf(':');
    if (colon <= 0) return;
    const QByteArray name = field.first(colon).trimmed().toByteArray().toLower();
    const QByteArrayView value = field.sliced(colon + 1);
    if (name == "content-type") {
        header.type = ParseMimeValue(value);
    } else if (name == "content-disposition") {
        header.disposition = ParseMimeValue(value);
    } else if (name == "content-transfer-encoding") {
        header.encoding = QString::fromLatin1(value.trimmed()).toLower();
    } else if (!top) {
        return;
    } else if (name == "subject") { // keeps the blank after the colon
        m_message.Subject = DecodeHeaderText(HeaderBytesText(value)).left(kValueLimit);
    } else if (name == "from") {
        m_message.From = DecodeHeaderText(HeaderBytesText(LeftTrimmed(value))).left(kValueLimit);
    } else if (name == "message-id") {
        m_message.MessageId = HeaderBytesText(LeftTrimmed(value)).left(kValueLimit);
    }
}

MimeReader::Stop MimeReader::Delimiter(QByteArrayView line) const {
    if (m_boundaries.isEmpty() || !line.startsWith("--")) return {-2, false};
    const QByteArrayView rest = line.sliced(2);
    for (qsizetype i = m_boundaries.size() - 1; i >= 0; --i) {
        const QByteArray& boundary = m_boundaries[i];
        if (!rest.startsWith(boundary)) continue;
        QByteArrayView after = rest.sliced(boundary.size());
        const bool closing = after.startsWith("--");
        if (closing) after = after.sliced(2);
        if (after.trimmed().isEmpty()) return {int(i), closing};
    }
    return {-2, false};
}

MimeReader::Stop MimeReader::SkipToDelimiter() {
    for (;;) {
        const QByteArrayView line = Next();
        if (m_ended) return {-1, false};
        const Stop stop = Delimiter(WithoutLineEnd(line));
        if (stop.level >= 0) return stop;
    }
}

MimeReader::Stop MimeReader::ReadEntity(const Header& header, Group* group, int depth) {
    if (header.multipart() && depth < m_limits.depth) return ReadMultipart(header, group, depth);
    return ReadLeaf(header, RoleOf(header, group), group);
}

MimeReader::Stop MimeReader::ReadMultipart(const Header& header, Group* group, int depth) {
    m_boundaries.append(BoundaryBytes(header.type.param(QStringLiteral("boundary"))));
    const int level = int(m_boundaries.size()) - 1;
    Group own;
    Group* parts = header.type.value == QLatin1String("multipart/alternative") ? &own : group;
    // The preamble, kept while it is short: when no part follows, it is the text.
    QList<QByteArray> preamble;
    qsizetype preambleBytes = 0;
    QByteArray endLine;
    Stop stop{-1, false};
    for (;;) {
        const QByteArrayView line = Next();
        if (m_ended) break;
        stop = Delimiter(WithoutLineEnd(line));
        if (stop.level >= 0) {
            endLine = line.toByteArray();
            break;
        }
        stop = {-1, false};
        preambleBytes += line.size();
        if (preambleBytes <= m_limits.preamble) preamble.append(line.toByteArray());
    }
    if (stop.level != level) {
        // No part at all: the lines read are one text, up to where they ended.
        m_boundaries.removeLast();
        if (stop.level >= 0) PushBack(endLine);
        for (auto it = preamble.crbegin(); it != preamble.crend(); ++it)
            m_pushed.append(*it);
        Header text = header;
        text.type.value = QStringLiteral("text/plain");
        text.type.params.remove(QStringLiteral("boundary"));
        return ReadLeaf(text, RoleOf(text, group), group);
    }
    preamble.clear();
    while (stop.level == level && !stop.closing) {
        const Header part = ReadHeader(false);
        if (part.ended) {
            stop = {-1, false};
            break;
        }
        stop = part.empty ? Delimiter(WithoutLineEnd(Next())) : ReadEntity(part, parts, depth + 1);
    }
    if (parts == &own) CloseGroup(own);
    m_boundaries.removeLast();
    if (stop.level == level) stop = SkipToDelimiter(); // the epilogue
    return stop;
}

MimeReader::Role MimeReader::RoleOf(const Header& header, Group* group) {
    const QString type = header.effectiveType();
    if (!header.name().isEmpty() || header.disposition.value == QLatin1String("attachment") ||
        !type.startsWith(QLatin1String("text/")))
        return Role::Attachment;
    if (type == QLatin1String("text/plain")) {
        const Role role = !m_bodyTaken ? Role::Body : group && group->chosen ? Role::Drop : Role::Attachment;
        if (group) group->chosen = true;
        if (role == Role::Body) m_bodyTaken = true;
        return role;
    }
    if (type == QLatin1String("text/html")) {
        if (group) {
            // One of the forms of the same text: the plain one wins.
            if (group->chosen || !group->htmlWork.isEmpty()) return Role::Drop;
            return m_bodyTaken ? Role::Attachment : Role::HtmlCandidate;
        }
        if (!m_bodyTaken) {
            m_bodyTaken = true;
            return Role::Body;
        }
    }
    return Role::Attachment;
}

MimeReader::Stop MimeReader::ReadLeaf(const Header& header, Role role, Group* group) {
    TransferDecoder decoder(TransferDecoder::KindOf(header.encoding));
    const QString charset = header.type.param(QStringLiteral("charset"));
    std::unique_ptr<TextLineSplitter> text;
    std::unique_ptr<QFile> file;
    QString work;
    QByteArray block;
    if (role == Role::Body) text = std::make_unique<TextLineSplitter>(charset, m_body);
    if (role == Role::Attachment || role == Role::HtmlCandidate) {
        if (role == Role::Attachment && m_message.Attachments.size() >= m_limits.files)
            throw EMailLimit(EMailLimit::TooManyFiles, m_received, "Too many parts");
        // An HTML text waits while its group is read: one work file per nesting level.
        work =
            m_folder + (role == Role::Attachment ? QStringLiteral("Temp.mme")
                                                 : QStringLiteral("Temp%1.mme").arg(m_boundaries.size() + 1));
        m_workFiles << work;
        file = std::make_unique<QFile>(work);
        if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate))
            throw EFileError(QStringLiteral("Cannot create file ") + work);
        block.reserve(kWriteBlock + 4096);
    }
    auto flush = [&] {
        if (file->write(block) != block.size()) throw EFileError(QStringLiteral("Cannot write file ") + work);
        block.clear();
    };
    QByteArray out;
    auto store = [&] {
        if (out.isEmpty()) return;
        if (text) {
            text->bytes(out);
        } else if (file) {
            m_written += out.size();
            if (m_limits.attachmentBytes >= 0 && m_written > m_limits.attachmentBytes)
                throw EMailLimit(EMailLimit::TooLarge, m_received, "Attachments too large");
            block.append(out);
            if (block.size() >= kWriteBlock) flush();
        }
        out.clear();
    };
    Stop stop{-1, false};
    for (;;) {
        const QByteArrayView line = Next();
        if (m_ended) break;
        const QByteArrayView content = WithoutLineEnd(line);
        stop = Delimiter(content);
        if (stop.level >= 0) break;
        decoder.line(content, out);
        store();
        stop = {-1, false};
    }
    decoder.finish(out, stop.level < 0);
    store();
    if (text) text->finish();
    if (!file) return stop;
    flush();
    file->close();
    if (role == Role::HtmlCandidate) {
        group->htmlWork = work;
        group->htmlCharset = charset;
    } else {
        const QString name = WriteAttachment(work, header.name());
        m_body(QStringLiteral("\r\nFile \"") + OneLine(name) + QStringLiteral("\" extracted"));
    }
    return stop;
}

void MimeReader::CloseGroup(Group& group) {
    if (group.htmlWork.isEmpty()) return;
    if (!group.chosen && !m_bodyTaken) {
        m_bodyTaken = true;
        QFile file(group.htmlWork);
        if (!file.open(QIODevice::ReadOnly))
            throw EFileError(QStringLiteral("Cannot open file ") + group.htmlWork);
        TextLineSplitter text(group.htmlCharset, m_body);
        while (!file.atEnd())
            text.bytes(file.read(kWriteBlock));
        text.finish();
    } else if (!group.chosen) {
        if (m_message.Attachments.size() >= m_limits.files)
            throw EMailLimit(EMailLimit::TooManyFiles, m_received, "Too many parts");
        const QString name = WriteAttachment(group.htmlWork, QString());
        m_body(QStringLiteral("\r\nFile \"") + OneLine(name) + QStringLiteral("\" extracted"));
    }
    QFile::remove(group.htmlWork);
    m_workFiles.removeOne(group.htmlWork);
    group.htmlWork.clear();
}

QString MimeReader::WriteAttachment(const QString& workFile, const QString& name) {
    const QString safe = SafeAttachmentName(name);
    for (int tries = 0;; ++tries) {
        const QString unique = UniqueAttachmentName(m_folder, safe, &m_nextSuffix);
        // A rename never replaces a file: one that appeared meanwhile makes the next name be tried.
        if (QFile::rename(workFile, m_folder + unique)) {
            m_workFiles.removeOne(workFile);
            m_message.Attachments.append(unique);
            return unique;
        }
        if (tries >= 3 || !QFile::exists(m_folder + unique))
            throw EFileError(QStringLiteral("Cannot write attachment file ") + (m_folder + unique));
    }
}
