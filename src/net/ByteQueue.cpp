// Byte buffer with a read cursor.
#include "net/ByteQueue.h"

#include <cstring>

void ByteQueue::append(const char* bytes, qsizetype count) {
    if (count <= 0) return;
    dropTaken();
    m_data.append(bytes, count);
}

char* ByteQueue::reserveTail(qsizetype count) {
    dropTaken();
    const qsizetype used = m_data.size();
    m_data.resize(used + count);
    m_reserved = count;
    return m_data.data() + used;
}

void ByteQueue::commit(qsizetype filled) {
    if (filled < 0) filled = 0;
    if (filled > m_reserved) filled = m_reserved;
    m_data.resize(m_data.size() - (m_reserved - filled));
    m_reserved = 0;
}

void ByteQueue::consume(qsizetype count) {
    if (count <= 0) return;
    dropTaken();
    if (count >= size()) {
        clear();
        return;
    }
    m_head += count;
    m_scanned = count >= m_scanned ? 0 : m_scanned - count;
    compactIfWorthIt();
}

QByteArray ByteQueue::take(qsizetype count) {
    if (count > size()) count = size();
    QByteArray out(data(), count);
    consume(count);
    return out;
}

QByteArrayView ByteQueue::takeView(qsizetype count) {
    dropTaken();
    if (count > size()) count = size();
    const QByteArrayView view(data(), count);
    m_head += count;
    m_scanned = count >= m_scanned ? 0 : m_scanned - count;
    m_taken = true;
    return view;
}

void ByteQueue::dropTaken() {
    if (!m_taken) return;
    m_taken = false;
    if (m_head == m_data.size()) {
        m_data.resize(0); // keeps the storage for the next receive
        m_head = 0;
        m_scanned = 0;
        return;
    }
    compactIfWorthIt();
}

qsizetype ByteQueue::indexOfLineFeed() {
    const qsizetype available = size();
    if (m_scanned >= available) return -1;
    const void* hit = std::memchr(data() + m_scanned, '\n', static_cast<size_t>(available - m_scanned));
    if (!hit) {
        m_scanned = available;
        return -1;
    }
    const qsizetype index = static_cast<const char*>(hit) - data();
    m_scanned = index; // the LF itself is not "known free"
    return index;
}

void ByteQueue::clear() {
    m_taken = false;
    m_data.clear();
    m_head = 0;
    m_scanned = 0;
}

void ByteQueue::compactIfWorthIt() {
    // Drop the consumed front only when it is large and at least half the
    // buffer, so each byte is moved a bounded number of times.
    if (m_head < 64 * 1024 || m_head < m_data.size() / 2) return;
    m_data.remove(0, m_head);
    m_head = 0;
}
