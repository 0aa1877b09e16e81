#pragma once
// The one way a whole file is replaced. The new content goes to a work file
// beside the target (same folder, so the final rename is atomic), every byte
// of every write checked, forced to disk, and only then renamed over the old
// file. On any failure (a full disk, a quota, an I/O error) the old file stays
// exactly as it was, the work file is removed and the caller is told why.
//
// Work files are named ".<target name>.orbwork-<process id>-<n>"; those left
// by a process that no longer runs (it was killed mid-save) are removed by
// removeStaleWorkFiles, which each program calls for its folders at start.
#include <QByteArray>
#include <QString>
#include <QStringList>

class DurableFile {
public:
    // Permissions of the new file: kKeepMode keeps the old file's (a new file
    // gets 0666 less the umask, as any file the program creates).
    static constexpr int kKeepMode = -1;

    explicit DurableFile(const QString& target, int mode = kKeepMode);
    ~DurableFile(); // an uncommitted work file is removed
    DurableFile(const DurableFile&) = delete;
    DurableFile& operator=(const DurableFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    // False (and the save failed) unless every byte was written.
    bool write(const char* data, qint64 size);
    bool write(const QByteArray& bytes) { return write(bytes.constData(), bytes.size()); }
    // Forces the work file to disk and renames it over the target. False: the
    // target is untouched. A lock this process holds on the target
    // (FileLock) passes to the new file in the same step.
    bool commit();
    void discard();

    const QString& target() const { return m_target; }
    const QString& workPath() const { return m_work; }
    int errorNumber() const { return m_errno; }
    // "Cannot write /path: No space left on device", or empty.
    QString errorString() const;

    // The whole file at once. `error` receives errorString() on failure.
    static bool save(const QString& target, const QByteArray& bytes, QString* error = nullptr,
                     int mode = kKeepMode);
    // Two files that belong together: both are written before either is
    // replaced, and a failure leaves both as they were.
    static bool savePair(const QString& first, const QByteArray& firstBytes, const QString& second,
                         const QByteArray& secondBytes, QString* error = nullptr, int mode = kKeepMode);

    // Removes the work files in `folder` of processes that no longer run, and
    // the files matching `extraPatterns` ("name-%1-*.tmp": %1 is the process id
    // as the pattern's first number) whose process no longer runs. Returns the
    // names removed.
    static QStringList removeStaleWorkFiles(const QString& folder, const QStringList& extraPatterns = {});
    // Whether a process of that id runs (a process of another user counts).
    static bool processRuns(qint64 pid);

private:
    bool failWith(int errorNumber, const char* step);
    bool sync();       // fsync and close the work file
    bool renameOver(); // the work file takes the target's place

    QString m_target;
    QString m_work;
    int m_fd = -1;
    int m_errno = 0;
    const char* m_step = "";
    bool m_committed = false;
};
