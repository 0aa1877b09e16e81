#pragma once
// What tells one state of a file's content from another without reading it:
// the device and inode (a file replaced by a rename is another file), the size,
// and the modification and status-change times to the nanosecond.
#include <QString>

#include <cstdint>
#include <optional>

struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    int64_t size = 0;
    int64_t modifiedNs = 0;
    int64_t changedNs = 0;

    // Empty when the file cannot be examined (missing, no access).
    static std::optional<FileIdentity> of(const QString& path);
    bool operator==(const FileIdentity&) const = default;
};
