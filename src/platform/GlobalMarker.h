#pragma once
// Session-wide named markers: the stand-in for the global atoms "Orbalinder"
// and "OrbalinderMC". A marker is an exclusive lock on a file under
// $XDG_RUNTIME_DIR; the kernel drops the lock when its owner ends, however it
// ends, so a crashed program never blocks the next start.
#include <QString>

class GlobalMarker {
public:
    GlobalMarker() = default;
    ~GlobalMarker(); // removes the marker if this object holds it
    GlobalMarker(const GlobalMarker&) = delete;
    GlobalMarker& operator=(const GlobalMarker&) = delete;

    // True while some process (this one included) holds the marker `name`.
    static bool exists(const QString& name);
    // Takes the marker; false when another holder has it (or the lock file cannot be made).
    bool add(const QString& name);
    // Gives the marker up; nothing happens when this object does not hold it.
    void remove();
    bool held() const { return m_fd >= 0; }

    // The folder of the lock files: $XDG_RUNTIME_DIR/orbalinder, or without
    // it the private folder /tmp/orbalinder-UID/orbalinder.
    static QString directory();
    // Empty when the folder is fit for markers (made when missing, a folder
    // of this user with no access for others); otherwise why it is not, and
    // then no marker can be taken: a folder another user made first could
    // be used to switch the single-instance rule off.
    static QString folderProblem();

private:
    int m_fd = -1;
};
