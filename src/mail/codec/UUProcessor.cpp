// Encoding direction of TUUProcessor: 45-byte blocks into base64 or UU lines.
#include "mail/codec/UUProcessor.h"

#include <QBuffer>

#include <stdexcept>

namespace {

const char kBase64Table[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

char UUChar(int value) {
    return value == 0 ? '`' : char(32 + value);
}

// Two output characters for every 12-bit value, so a 3-byte group needs two look-ups.
struct PairTable {
    char pairs[4096][2];
    explicit PairTable(TEncodeMethod method) {
        for (int v = 0; v < 4096; ++v) {
            pairs[v][0] = method == emUU ? UUChar(v >> 6) : kBase64Table[v >> 6];
            pairs[v][1] = method == emUU ? UUChar(v & 63) : kBase64Table[v & 63];
        }
    }
};

const PairTable& PairsFor(TEncodeMethod method) {
    static const PairTable base64(emBase64);
    static const PairTable uu(emUU);
    return method == emUU ? uu : base64;
}

// Appends the line for one block of at most 45 bytes to out.
void EncodeLine(const unsigned char* in, int n, TEncodeMethod method, char*& out) {
    const bool uu = method == emUU;
    const PairTable& table = PairsFor(method);
    auto code = [uu](int value) { return uu ? UUChar(value) : kBase64Table[value]; };
    if (uu) *out++ = UUChar(n);
    int i = 0;
    for (; i + 3 <= n; i += 3) {
        const unsigned v = (unsigned(in[i]) << 16) | (unsigned(in[i + 1]) << 8) | in[i + 2];
        const char* high = table.pairs[v >> 12];
        const char* low = table.pairs[v & 0xFFF];
        out[0] = high[0];
        out[1] = high[1];
        out[2] = low[0];
        out[3] = low[1];
        out += 4;
    }
    const int rest = n - i;
    if (rest == 1) {
        const unsigned v = unsigned(in[i]) << 16;
        *out++ = code((v >> 18) & 63);
        *out++ = code((v >> 12) & 63);
        if (!uu) {
            *out++ = '=';
            *out++ = '=';
        }
    } else if (rest == 2) {
        const unsigned v = (unsigned(in[i]) << 16) | (unsigned(in[i + 1]) << 8);
        *out++ = code((v >> 18) & 63);
        *out++ = code((v >> 12) & 63);
        *out++ = code((v >> 6) & 63);
        if (!uu) *out++ = '=';
    }
    *out++ = '\r';
    *out++ = '\n';
}

void WriteAll(QIODevice& device, const char* data, qint64 size) {
    if (device.write(data, size) != size) throw std::runtime_error("Stream write error");
}

} // namespace

void TUUProcessor::Encode() {
    if (!InputStream || !OutputStream) throw std::runtime_error("No stream to encode");
    struct EndNotice {
        TUUProcessor* self;
        ~EndNotice() {
            if (!self->OutputStream->isSequential()) self->OutputStream->seek(0);
            if (self->OnEndEncode) self->OnEndEncode(self);
        }
    } endNotice{this};

    if (!InputStream->isSequential()) InputStream->seek(0);
    if (OnBeginEncode) OnBeginEncode(this);

    // Many blocks per read and per write: one line per 45 bytes, 63 bytes out at most.
    constexpr int kBlocks = 4096;
    constexpr int kChunk = 45 * kBlocks;
    QByteArray input(kChunk, Qt::Uninitialized);
    QByteArray output(kBlocks * 63 + 3, Qt::Uninitialized);
    QByteArray carry;
    for (;;) {
        qint64 got = 0;
        while (got < kChunk) {
            const qint64 n = InputStream->read(input.data() + got, kChunk - got);
            if (n < 0) throw std::runtime_error("Stream read error");
            if (n == 0) break;
            got += n;
        }
        if (got == 0) break;
        output.resize(0);
        AppendLines(input.constData(), got, Method, output);
        WriteAll(*OutputStream, output.constData(), output.size());
        if (got < kChunk) break;
    }
    if (Method == emUU) WriteAll(*OutputStream, "`\r\n", 3);
}

void TUUProcessor::AppendLines(const char* data, qsizetype size, TEncodeMethod method, QByteArray& out) {
    const qsizetype start = out.size();
    out.resize(start + (size + 44) / 45 * 63);
    char* end = out.data() + start;
    const auto* in = reinterpret_cast<const unsigned char*>(data);
    for (qsizetype pos = 0; pos < size; pos += 45)
        EncodeLine(in + pos, int(qMin<qsizetype>(45, size - pos)), method, end);
    out.resize(end - out.constData());
}

QByteArray TUUProcessor::RunInMemory(const QByteArray& data, TEncodeMethod method, bool encode,
                                     qsizetype reserve) {
    QByteArray source = data;
    QBuffer input(&source);
    input.open(QIODevice::ReadOnly);
    QByteArray result;
    result.reserve(reserve);
    QBuffer output(&result);
    output.open(QIODevice::WriteOnly);
    TUUProcessor processor;
    processor.Method = method;
    processor.InputStream = &input;
    processor.OutputStream = &output;
    if (encode)
        processor.Encode();
    else
        processor.Decode();
    return result;
}

QByteArray TUUProcessor::EncodeBytes(const QByteArray& data, TEncodeMethod method) {
    return RunInMemory(data, method, true, (data.size() + 44) / 45 * 63 + 3);
}
