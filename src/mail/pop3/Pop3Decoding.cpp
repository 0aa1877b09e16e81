// TPop3Client message decoding: header lines, text body, parts written to
// attachment files through "Temp.mme", base64 and UU parts decoded.
#include "mail/pop3/AttachmentName.h"
#include "mail/pop3/Pop3Client.h"

#include "core/Cp1252.h"
#include "mail/codec/Charsets.h"
#include "mail/codec/EncodedWords.h"
#include "mail/codec/MailText.h"

#include <QFile>

#include <stdexcept>

namespace {

constexpr int ValueLimit = 256;

QByteArrayView WithoutLineEnd(QByteArrayView line) {
    if (line.endsWith("\r\n"))
        line.chop(2);
    else if (line.endsWith('\n'))
        line.chop(1);
    return line;
}

// The boundary parameter's value: quoted text, or text up to ';' or a blank.
QString BoundaryValue(const QString& line, qsizetype valueStart) {
    const QString rest = line.mid(valueStart);
    if (rest.startsWith(QLatin1Char('"'))) {
        const qsizetype close = rest.indexOf(QLatin1Char('"'), 1);
        return close < 0 ? rest.mid(1) : rest.mid(1, close - 1);
    }
    qsizetype end = 0;
    while (end < rest.size() && rest[end] != QLatin1Char(';') && !rest[end].isSpace())
        ++end;
    return rest.left(end);
}

// The file name of a name= or filename= line: the first quoted text, or the
// unquoted value after the first '='.
QString NameValue(const QString& line) {
    const qsizetype open = line.indexOf(QLatin1Char('"'));
    if (open >= 0) {
        const qsizetype close = line.indexOf(QLatin1Char('"'), open + 1);
        return close < 0 ? QString() : line.mid(open + 1, close - open - 1);
    }
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    if (equals < 0) return {};
    return NthField(line.mid(equals + 1), QLatin1Char(';'), 1).trimmed();
}

// The lines of a decoded text file, in the character set its part declared.
QStringList TextLines(const QString& fileName, const QString& contentType) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("Cannot open file " + fileName.toStdString());
    QByteArray data = file.readAll();
    if (data.isEmpty()) return {};
    if (data.endsWith('\n')) data.chop(1);
    QList<QByteArray> lines;
    for (const QByteArray& line : data.split('\n'))
        lines.append(line.endsWith('\r') ? line.chopped(1) : line);
    return DecodeTextBody(lines, QString(), contentType);
}

} // namespace

QByteArrayView TPop3Client::ReadMessageLine() {
    QByteArrayView line = ReadLnView();
    if (line == ".\r\n" || line == ".\n")
        m_messageEnded = true;
    else if (line.startsWith(".."))
        line = line.sliced(1);
    return line;
}

bool TPop3Client::IsDelimiter(QByteArrayView line) {
    if (Boundary.isEmpty() || !line.startsWith("--")) return false;
    if (m_boundaryFor != Boundary) { // encoded once per boundary, not once per line
        m_boundaryFor = Boundary;
        m_boundaryBytes = Cp1252::encode(Boundary);
    }
    return line.sliced(2).startsWith(m_boundaryBytes);
}

void TPop3Client::ReadMessage() {
    m_messageEnded = false;
    ReadHeader();
    if (ContentType.contains(QLatin1String("multipart"))) {
        ReadMultipart();
    } else if (Boundary.clear(); TransferEncoding.toUpper().contains(QLatin1String("BASE64"))) {
        PartMode = 0;
        m_bodyFromPart = true;
        ExtractPart();
        m_bodyFromPart = false;
        for (const QString& line : TextLines(AttachFilePath + MailMessage.Attachments.value(0), ContentType))
            AddBodyLine(line);
    } else {
        PartMode = 1;
        ExtractPart();
    }
    if (!m_messageEnded) ReadToMessageEnd();
}

void TPop3Client::ReadToMessageEnd() {
    while (!m_messageEnded)
        ReadMessageLine();
}

void TPop3Client::SkipRestOfMessage() {
    m_bodyFromPart = false;
    if (m_messageEnded || !Connected()) return;
    try {
        if (!Canceled()) {
            ReadToMessageEnd();
            return;
        }
    } catch (...) {
    }
    TSockClient::Disconnect();
    ClearIncomingBuffer();
}

bool TPop3Client::TextLineComplete(const QByteArray& line) const {
    const QString encoding = TransferEncoding.trimmed().toLower();
    if (encoding.startsWith(QLatin1String("base64"))) return false; // groups cross the lines
    if (!encoding.startsWith(QLatin1String("quoted-printable"))) return true;
    qsizetype end =
        line.size(); // a soft line break ("=" before blanks a transport added) joins the next line
    while (end > 0 && (line[end - 1] == ' ' || line[end - 1] == '\t'))
        --end;
    return end == 0 || line[end - 1] != '=';
}

void TPop3Client::FlushTextLines(QList<QByteArray>& lines) {
    // Quoted-printable and the declared character set undone, so a text
    // reads the same whichever path the message took.
    if (lines.isEmpty()) return;
    const QStringList text = DecodeTextBody(lines, TransferEncoding, ContentType);
    lines.clear();
    for (const QString& line : text)
        AddBodyLine(line);
}

void TPop3Client::AddBodyLine(const QString& line) {
    if (OnBodyLine)
        OnBodyLine(line);
    else
        MailMessage.Body.append(line);
}

void TPop3Client::ReadHeader() {
    for (;;) {
        const QByteArrayView raw = WithoutLineEnd(ReadMessageLine());
        if (m_messageEnded) throw std::runtime_error("Message ends inside its header");
        const QString line = Cp1252::decode(raw.data(), raw.size());
        if (PartMode == 2 && MailMessage.Header.size() < kMaxHeaderLines) MailMessage.Header.append(line);
        if (line.isEmpty()) {
            if (PartMode == 2) PartMode = 1;
            return;
        }
        const QString word = line.section(QLatin1Char(' '), 0, 0).toUpper();
        const QString upper = line.toUpper();
        if (word == QLatin1String("SUBJECT:"))
            MailMessage.Subject = DecodeHeaderText(line.mid(8)).left(ValueLimit);
        if (word == QLatin1String("FROM:")) MailMessage.From = DecodeHeaderText(line.mid(6)).left(ValueLimit);
        if (word == QLatin1String("CONTENT-TYPE:")) ContentType = line.mid(14).left(ValueLimit);
        if (word == QLatin1String("MESSAGE-ID:")) MailMessage.MessageId = line.mid(12).left(ValueLimit);
        const qsizetype boundaryAt = upper.indexOf(QLatin1String("BOUNDARY="));
        if (boundaryAt >= 0) {
            const QString value = BoundaryValue(line, boundaryAt + 9).left(ValueLimit);
            if (!value.isEmpty()) Boundary = value;
        }
        if (upper.contains(QLatin1String("CONTENT-TRANSFER-ENCODING")))
            TransferEncoding = line.mid(27).trimmed().left(ValueLimit);
        if (upper.contains(QLatin1String("NAME"))) {
            const QString name = NameValue(line).left(ValueLimit);
            if (!name.isEmpty()) AttachName = name;
        }
    }
}

bool TPop3Client::ExtractPart() {
    const QString tempName = AttachFilePath + QStringLiteral("Temp.mme");
    QFile temp(tempName);
    // The part goes to the work file in large writes (a 10 MiB part in some forty).
    constexpr qsizetype kWriteBlock = 256 * 1024;
    QByteArray block;
    auto writeBlock = [&] {
        if (temp.write(block) != block.size())
            throw std::runtime_error("Cannot write file " + tempName.toStdString());
        block.clear();
    };
    if (PartMode == 0) {
        block.reserve(kWriteBlock + 1024);
        if (!temp.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
            throw std::runtime_error("Cannot create file " + tempName.toStdString());
        if (!m_bodyFromPart)
            AddBodyLine(QStringLiteral("\r\nFile \"") + OneLine(AttachName) + QStringLiteral("\" extracted"));
    }
    StatusMessage(1, QStringLiteral("Extracting file"));
    QByteArray endLine;
    QList<QByteArray> textLines; // the text as received, decoded once it is complete
    for (;;) {
        const QByteArrayView line = ReadMessageLine();
        const bool end = m_messageEnded || IsDelimiter(line);
        if (end) {
            endLine = line.toByteArray();
        } else if (PartMode > 0) {
            // Decoded and handed on as soon as a whole line can be: the text never
            // has to be held whole (a base64 text part is the exception).
            textLines.append(WithoutLineEnd(line).toByteArray());
            if (TextLineComplete(textLines.last())) FlushTextLines(textLines);
        } else {
            block.append(line);
            if (block.size() >= kWriteBlock) writeBlock();
        }
        // Counted once the line is stored: the view is gone once a handler lets events run.
        setBytesRecvd(BytesRecvd() + 1);
        if (OnPacketRecvd) OnPacketRecvd(this);
        if (end) break;
    }
    if (PartMode == 0) {
        writeBlock();
        temp.close();
        WritePartFile(tempName);
    } else {
        FlushTextLines(textLines);
    }
    bool last = false;
    if (!m_messageEnded) {
        const QByteArray rest =
            WithoutLineEnd(endLine).toByteArray().mid(2 + Cp1252::encode(Boundary).size());
        last = rest.trimmed().startsWith("--");
    }
    PartMode = 0;
    return last;
}

void TPop3Client::WritePartFile(const QString& tempName) {
    AttachName = UniqueAttachmentName(AttachFilePath, SafeAttachmentName(AttachName));
    MailMessage.Attachments.append(AttachName);
    const QString target = AttachFilePath + AttachName;
    const bool uu = TransferEncoding.toUpper().contains(QLatin1String("X-UUENCODE"));
    if (!uu && !TransferEncoding.toLower().contains(QLatin1String("base64"))) {
        // kept as received; rename never replaces an existing file
        if (!QFile::rename(tempName, target))
            throw std::runtime_error("Cannot write attachment file " + target.toStdString());
        return;
    }
    QFile input(tempName);
    QFile output(target);
    if (!input.open(QIODevice::ReadOnly))
        throw std::runtime_error("Cannot open file " + tempName.toStdString());
    if (!output.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw std::runtime_error("Cannot create attachment file " + target.toStdString());
    Decoder.InputStream = &input;
    Decoder.OutputStream = &output;
    Decoder.Method = uu ? emUU : emBase64;
    StatusMessage(1, QStringLiteral("Decoding file"));
    if (input.size() > 0) Decoder.Decode();
    Decoder.InputStream = nullptr;
    Decoder.OutputStream = nullptr;
}

void TPop3Client::ReadMultipart() {
    if (Boundary.isEmpty()) {
        // no usable boundary: the whole body is kept as text
        PartMode = 1;
        ExtractPart();
        return;
    }
    for (;;) {
        const QByteArrayView line = ReadMessageLine();
        if (m_messageEnded) return;
        if (IsDelimiter(line)) break;
    }
    for (;;) {
        // a part's name and encoding come from its own header only
        AttachName.clear();
        TransferEncoding.clear();
        ReadHeader();
        if (ExtractPart() || m_messageEnded) break;
    }
    ReadToMessageEnd();
}
