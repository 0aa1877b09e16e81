// TBufferStream: read-ahead and write-behind buffering over a QIODevice.
#include "net/BufferStream.h"

#include <QString>

#include <algorithm>
#include <cstring>

namespace {
int32_t s_bufSize = 32768;
}

int32_t TBufferStream::BufSizeSetting() {
    return s_bufSize;
}
void TBufferStream::setBufSizeSetting(int32_t bytes) {
    s_bufSize = std::max<int32_t>(1, bytes);
}

TBufferStream::TBufferStream(QIODevice& stream)
    : m_stream(stream), m_bufSize(s_bufSize), m_buffer(static_cast<size_t>(m_bufSize)) {}

TBufferStream::~TBufferStream() {
    if (m_state != Writing) return;
    try {
        FlushBuffer();
    } catch (...) {
        // A destructor must not throw; the bytes that could be written were written.
    }
}

int64_t TBufferStream::Position() const {
    const int64_t beneath = m_stream.pos();
    if (m_state == Reading) return beneath - (m_end - m_pos);
    if (m_state == Writing) return beneath + m_pos;
    return beneath;
}

int64_t TBufferStream::Size() const {
    return m_stream.size();
}

bool TBufferStream::FillBuffer() {
    const qint64 n = m_stream.read(m_buffer.data(), m_bufSize);
    m_pos = 0;
    m_end = n > 0 ? static_cast<int32_t>(n) : 0;
    m_state = m_end > 0 ? Reading : Idle;
    DoFillBuffer();
    return m_end > 0;
}

bool TBufferStream::FlushBuffer() {
    const qint64 n = m_pos > 0 ? m_stream.write(m_buffer.data(), m_pos) : 0;
    const bool complete = n == m_pos;
    m_pos = 0;
    m_end = 0;
    m_state = Idle;
    DoFlushBuffer();
    return complete;
}

int32_t TBufferStream::Read(void* buffer, int32_t count) {
    if (m_state == Writing) FlushBuffer();
    auto* out = static_cast<char*>(buffer);
    int32_t total = 0;
    while (count > 0) {
        if (m_state != Reading || m_pos >= m_end) {
            if (!FillBuffer()) break;
        }
        const int32_t n = std::min(count, m_end - m_pos);
        std::memcpy(out + total, m_buffer.data() + m_pos, static_cast<size_t>(n));
        m_pos += n;
        total += n;
        count -= n;
    }
    return total;
}

int32_t TBufferStream::Write(const void* buffer, int32_t count) {
    if (m_state == Reading) {
        // Give up the read-ahead: writing starts at the logical position.
        m_stream.seek(Position());
        m_pos = 0;
        m_end = 0;
        m_state = Idle;
    }
    const auto* in = static_cast<const char*>(buffer);
    int32_t total = 0;
    while (count > 0) {
        const int32_t n = std::min(count, m_bufSize - m_pos);
        std::memcpy(m_buffer.data() + m_pos, in + total, static_cast<size_t>(n));
        m_pos += n;
        total += n;
        count -= n;
        m_state = Writing;
        if (m_pos == m_bufSize && !FlushBuffer()) break;
    }
    return total;
}

int64_t TBufferStream::Seek(int64_t offset, int origin) {
    int64_t target = 0;
    switch (origin) {
    case FromBeginning:
        target = offset;
        break;
    case FromCurrent:
        target = Position() + offset;
        break;
    case FromEnd:
        // Bytes still in the buffer belong to the size too.
        if (m_state == Writing && !FlushBuffer()) throw EStreamError("Seek error");
        target = Size() - offset;
        break;
    default:
        throw ENetError(QStringLiteral("Invalid seek origin = %1").arg(origin));
    }
    if (target == Position()) return target;
    if (m_state == Writing && !FlushBuffer()) throw EStreamError("Seek error");
    m_stream.seek(target);
    m_pos = 0;
    m_end = 0;
    m_state = Idle;
    return target;
}

void TBufferStream::PutBack(char byte) {
    if (m_pos == 0) throw EStreamError("PutBack overflow");
    --m_pos;
    m_buffer[static_cast<size_t>(m_pos)] = byte;
}

void TBufferStream::DoFillBuffer() {
    if (OnFillBuffer) OnFillBuffer(this);
}

void TBufferStream::DoFlushBuffer() {
    if (OnFlushBuffer) OnFlushBuffer(this);
}
