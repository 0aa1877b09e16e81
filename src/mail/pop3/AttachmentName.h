#pragma once
// Attachment file names taken from a message: reduced to a plain, harmless
// file name and made unique inside the attachment folder.
#include <QHash>
#include <QString>

// The last path piece of name with control and format characters (bidi
// overrides, zero-width characters), leading dots and blanks removed, cut (whole characters, extension kept)
// to 240 bytes of UTF-8 so that the file system takes it; "text.tmp" when nothing is left.
QString SafeAttachmentName(const QString& name);
// name itself when folder + name does not exist; else Base_K.Rest with the
// smallest K >= 1 whose file does not exist (Base up to the first dot, Rest
// after it; no dot: Base_K). folder is a plain prefix (empty: current folder).
// With nextSuffix, the search for a name starts at the number after the one it
// gave that name last, so many parts of one name cost one probe each.
QString UniqueAttachmentName(const QString& folder, const QString& name,
                             QHash<QString, int>* nextSuffix = nullptr);
