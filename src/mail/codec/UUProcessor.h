#pragma once
// TUUProcessor: base64 and uuencode encoding of a whole stream into CR LF lines,
// and the tolerant line-by-line decoding of such lines back into bytes.
#include <QByteArray>
#include <QIODevice>

#include <functional>

enum TEncodeMethod { emBase64, emUU };

class TUUProcessor {
public:
    using TNotifyEvent = std::function<void(TUUProcessor* sender)>;

    TEncodeMethod Method = emBase64;
    TNotifyEvent OnBeginEncode;
    TNotifyEvent OnEndEncode;
    TNotifyEvent OnBeginDecode;
    TNotifyEvent OnEndDecode;
    // Not owned; both must be open (input readable, output writable).
    QIODevice* InputStream = nullptr;
    QIODevice* OutputStream = nullptr;
    // Base64 decoding writes whole groups of four alphabet characters straight
    // to the output and runs the tolerant per-character loop only around
    // anything else; the output is the same either way. Off only to compare
    // the two.
    bool WholeGroupFastPath = true;

    // Encodes all of InputStream (from its start) into OutputStream: lines of at
    // most 45 input bytes, each ending in CR LF; the UU form ends with a "`" line.
    // Throws std::runtime_error when a stream is missing or cannot be read/written.
    void Encode();
    // Decodes the lines of InputStream from its current position into OutputStream.
    // Characters outside the alphabet are skipped; never throws on bad content.
    void Decode();

    // Appends the lines of `size` bytes to out: 45 bytes a line (the last may
    // be shorter), CR LF after each, as Encode writes them; the UU end line is
    // the caller's. Encoding a stream a piece at a time, each piece but the
    // last a multiple of 45 bytes, gives Encode's lines. Throws nothing.
    static void AppendLines(const char* data, qsizetype size, TEncodeMethod method, QByteArray& out);

    // Convenience forms on memory.
    static QByteArray EncodeBytes(const QByteArray& data, TEncodeMethod method);
    static QByteArray DecodeBytes(const QByteArray& lines, TEncodeMethod method);

private:
    // One processor over in-memory buffers, encoding or decoding.
    static QByteArray RunInMemory(const QByteArray& data, TEncodeMethod method, bool encode,
                                  qsizetype reserve);
    void DecodeBase64();
    void DecodeUU();
};
