#pragma once
// TBufferStream: a fixed-size memory buffer in front of another stream, so that
// many small reads or writes become few large ones on the stream beneath.
#include "net/SockErrors.h"

#include <QIODevice>

#include <cstdint>
#include <functional>
#include <stdexcept>
#include <vector>

// Failure of a stream operation ("Seek error", "PutBack overflow").
class EStreamError : public ENetError {
public:
    using ENetError::ENetError;
};

class TBufferStream {
public:
    using TNotifyEvent = std::function<void(TBufferStream* sender)>;
    enum State { Idle = 0, Reading = 1, Writing = 2 };
    enum SeekOrigin { FromBeginning = 0, FromCurrent = 1, FromEnd = 2 };

    // Buffer size taken by streams created afterwards (initially 32768 bytes).
    static int32_t BufSizeSetting();
    static void setBufSizeSetting(int32_t bytes);

    // The underlying stream must be open; it is not owned and must outlive this one.
    explicit TBufferStream(QIODevice& stream);
    // Flushes waiting bytes when writing.
    virtual ~TBufferStream();
    TBufferStream(const TBufferStream&) = delete;
    TBufferStream& operator=(const TBufferStream&) = delete;

    // Returns the number of bytes copied (fewer only at the end of the stream).
    int32_t Read(void* buffer, int32_t count);
    // Returns the number of bytes accepted (fewer only when the stream beneath fails).
    int32_t Write(const void* buffer, int32_t count);
    // origin 0: offset; 1: position + offset; 2: size - offset. Returns the new
    // position. Throws ENetError "Invalid seek origin = N", and
    // EStreamError "Seek error" when waiting bytes cannot be written.
    int64_t Seek(int64_t offset, int origin);
    int64_t Position() const;
    int64_t Size() const;

    virtual bool FillBuffer();
    virtual bool FlushBuffer();
    // Makes byte the next one read. Throws EStreamError "PutBack overflow" at the buffer start.
    virtual void PutBack(char byte);

    int32_t BufSize() const { return m_bufSize; }
    State state() const { return m_state; }

    TNotifyEvent OnFillBuffer;
    TNotifyEvent OnFlushBuffer;

protected:
    virtual void DoFillBuffer();
    virtual void DoFlushBuffer();

private:
    QIODevice& m_stream;
    int32_t m_bufSize;
    std::vector<char> m_buffer;
    int32_t m_pos = 0; // next byte to take (reading) or to fill (writing)
    int32_t m_end = 0; // end of valid data while reading
    State m_state = Idle;
};
