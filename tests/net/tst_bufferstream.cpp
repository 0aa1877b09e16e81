// TBufferStream over an in-memory stream: write-behind, read-ahead, seeking,
// put-back and the events.
#include "net/BufferStream.h"

#include <QBuffer>
#include <QTest>

namespace {
QByteArray pattern(int size) {
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 7 + i / 251);
    return bytes;
}
} // namespace

class TestBufferStream : public QObject {
    Q_OBJECT
private slots:
    void bytesReachStreamAtDestruction() {
        QByteArray storage;
        QBuffer beneath(&storage);
        beneath.open(QIODevice::ReadWrite);
        const QByteArray data = pattern(100);
        {
            TBufferStream stream(beneath);
            QCOMPARE(stream.Write(data.constData(), 100), 100);
            QCOMPARE(storage.size(), 0); // still buffered
            QCOMPARE(stream.Position(), 100);
        }
        QCOMPARE(storage, data);
    }

    void seekFlushesThenReadsBack() {
        QByteArray storage;
        QBuffer beneath(&storage);
        beneath.open(QIODevice::ReadWrite);
        TBufferStream stream(beneath);
        const QByteArray data = pattern(100);
        stream.Write(data.constData(), 100);
        QCOMPARE(stream.Seek(0, 0), 0);
        QByteArray back(100, '\0');
        QCOMPARE(stream.Read(back.data(), 100), 100);
        QCOMPARE(back, data);
        QCOMPARE(stream.Read(back.data(), 10), 0); // end of stream
    }

    void readRefillsInBufSizePieces() {
        QByteArray storage = pattern(50000);
        QBuffer beneath(&storage);
        beneath.open(QIODevice::ReadOnly);
        TBufferStream stream(beneath);
        QList<qint64> fills;
        stream.OnFillBuffer = [&](TBufferStream*) { fills << beneath.pos(); };
        QByteArray out(40000, '\0');
        QCOMPARE(stream.Read(out.data(), 40000), 40000);
        QCOMPARE(fills, QList<qint64>({32768, 50000}));
        QCOMPARE(out, storage.left(40000));
        QCOMPARE(stream.Position(), 40000);
        QCOMPARE(stream.Seek(0, 1), 40000);
    }

    void putBack() {
        QByteArray storage("abcdef");
        QBuffer beneath(&storage);
        beneath.open(QIODevice::ReadOnly);
        TBufferStream stream(beneath);
        QVERIFY_THROWS_EXCEPTION(EStreamError, stream.PutBack('x')); // nothing read yet
        QVERIFY(stream.FillBuffer());
        try {
            stream.PutBack('x');
            QFAIL("PutBack right after a refill must fail");
        } catch (const EStreamError& e) {
            QCOMPARE(QString::fromLatin1(e.what()), QStringLiteral("PutBack overflow"));
        }
        char c = 0;
        stream.Read(&c, 1);
        QCOMPARE(c, 'a');
        stream.PutBack('Z');
        char two[2];
        QCOMPARE(stream.Read(two, 2), 2);
        QCOMPARE(QByteArray(two, 2), QByteArray("Zb"));
    }

    void seekOrigins() {
        QByteArray storage = pattern(1000);
        QBuffer beneath(&storage);
        beneath.open(QIODevice::ReadWrite);
        TBufferStream stream(beneath);
        QCOMPARE(stream.Seek(0, 2), 1000);
        QCOMPARE(stream.Seek(10, 2), 990);
        QCOMPARE(stream.Seek(-90, 1), 900);
        try {
            stream.Seek(0, 3);
            QFAIL("origin 3 must be refused");
        } catch (const std::runtime_error& e) {
            QCOMPARE(QString::fromLatin1(e.what()), QStringLiteral("Invalid seek origin = 3"));
        }
        // The size includes bytes still waiting in the buffer.
        stream.Seek(0, 2);
        stream.Write("tail", 4);
        QCOMPARE(stream.Seek(0, 2), 1004);
    }

    void writeAfterReadGivesUpReadAhead() {
        QByteArray storage = pattern(100000);
        const QByteArray original = storage;
        QBuffer beneath(&storage);
        beneath.open(QIODevice::ReadWrite);
        {
            TBufferStream stream(beneath);
            char head[10];
            stream.Read(head, 10);
            QCOMPARE(beneath.pos(), 32768); // read ahead
            stream.Write("XYZ", 3);
            QCOMPARE(stream.Position(), 13);
        }
        QByteArray expected = original;
        expected.replace(10, 3, "XYZ");
        QCOMPARE(storage, expected);
    }

    void largeWritesFlushWhenFull() {
        QByteArray storage;
        QBuffer beneath(&storage);
        beneath.open(QIODevice::ReadWrite);
        int flushes = 0;
        const QByteArray data = pattern(100000);
        {
            TBufferStream stream(beneath);
            stream.OnFlushBuffer = [&](TBufferStream*) { ++flushes; };
            for (int at = 0; at < data.size(); at += 77)
                stream.Write(data.constData() + at, std::min<int>(77, data.size() - at));
            QCOMPARE(flushes, 3); // 3 full buffers out, the rest still waiting
        }
        QCOMPARE(flushes, 4);
        QCOMPARE(storage, data);
    }

    void failedFlushIsReported() {
        QByteArray storage;
        QBuffer beneath(&storage);
        beneath.open(QIODevice::ReadOnly); // refuses writes
        TBufferStream stream(beneath);
        stream.Write("abc", 3);
        QVERIFY_THROWS_EXCEPTION(EStreamError, stream.Seek(1, 0));
    }

    void bufSizeSettingAppliesToNewStreams() {
        const int32_t saved = TBufferStream::BufSizeSetting();
        QCOMPARE(saved, 32768);
        TBufferStream::setBufSizeSetting(16);
        QByteArray storage = pattern(100);
        QBuffer beneath(&storage);
        beneath.open(QIODevice::ReadOnly);
        TBufferStream stream(beneath);
        TBufferStream::setBufSizeSetting(saved);
        QCOMPARE(stream.BufSize(), 16);
        QByteArray out(100, '\0');
        QCOMPARE(stream.Read(out.data(), 100), 100);
        QCOMPARE(out, storage);
    }
};

QTEST_GUILESS_MAIN(TestBufferStream)
#include "tst_bufferstream.moc"
