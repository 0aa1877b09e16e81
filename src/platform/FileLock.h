#pragma once
// An advisory lock (flock) on a file that every program of ours takes around
// its reads and read-modify-writes, so two writers never interleave. The lock
// is on the file itself: when the holder replaces it by a rename (DurableFile),
// the lock passes to the new file, and a waiter that got the old one sees the
// file was replaced and locks the new one.
//
// Locks nest within a process: a lock of a file this process already holds
// (exclusive, or shared for a shared request) is the same lock, released when
// the outermost one ends. Not for use from several threads.
#include <QString>

class FileLock {
public:
    enum class Mode { Shared, Exclusive };
    static constexpr int kDefaultWaitMs = 5000;

    // Waits at most waitMs for the lock. A missing file is not locked and not
    // created: held() is false and errorNumber() is ENOENT.
    FileLock(const QString& path, Mode mode, int waitMs = kDefaultWaitMs);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool held() const { return m_held; }
    // EWOULDBLOCK when another process held it for the whole wait; else the
    // reason the file could not be opened or locked.
    int errorNumber() const { return m_errno; }
    bool timedOut() const;

    // Used by DurableFile: whether this process holds an exclusive lock on
    // `path`, and, once `fd` (already locked) has replaced it, to carry the
    // lock over to it.
    static bool heldExclusively(const QString& path);
    static void handOver(const QString& path, int fd);

private:
    QString m_key;
    bool m_held = false;
    int m_errno = 0;
};
