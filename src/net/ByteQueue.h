#pragma once
// A growable byte buffer consumed from the front through a read cursor: taking
// bytes costs nothing per byte left behind, and the consumed part is dropped
// only now and then, so draining N bytes in small pieces is linear in N.
#include <QByteArray>

class ByteQueue {
public:
    qsizetype size() const { return m_data.size() - m_head; }
    bool isEmpty() const { return size() == 0; }
    const char* data() const { return m_data.constData() + m_head; }
    void append(const char* bytes, qsizetype count);
    void append(const QByteArray& bytes) { append(bytes.constData(), bytes.size()); }
    // Room for up to count more bytes at the end, to be filled in place and
    // then kept with commit(filled); saves a copy when receiving.
    char* reserveTail(qsizetype count);
    void commit(qsizetype filled);
    // Drops count bytes from the front (at most size()).
    void consume(qsizetype count);
    // Removes and returns the first count bytes.
    QByteArray take(qsizetype count);
    // Removes the first count bytes and returns them as a view into the queue:
    // no copy, and valid until the next change of the queue (append,
    // reserveTail, consume, take, takeView, clear).
    QByteArrayView takeView(qsizetype count);
    // Index (from the front) of the first LF, or -1. Remembers how far it has
    // looked, so repeated calls while a long line trickles in stay linear.
    qsizetype indexOfLineFeed();
    void clear();

private:
    void compactIfWorthIt();
    // Drops what takeView left in front, before the storage may move.
    void dropTaken();

    QByteArray m_data;
    qsizetype m_head = 0;
    qsizetype m_scanned = 0;  // bytes after m_head known to hold no LF
    qsizetype m_reserved = 0; // bytes of room handed out by reserveTail
    bool m_taken = false;     // takeView advanced m_head without compacting
};
