#pragma once
// Header text outside ASCII as RFC 2047 encoded words, and their decoding.
#include <QString>

// A display name or other header text ready for a header line: ASCII text as
// it is (quoted when it holds characters that end a name, so the address
// after it stays apart), other text as UTF-8 "Q" encoded words of at most 75
// characters, separated by blanks.
QString EncodeDisplayName(const QString& name);
// Unstructured header text (a subject): ASCII as it is, otherwise encoded words.
QString EncodeHeaderText(const QString& text);

// Decodes every encoded word ("=?charset?B?...?=" or "=?charset?Q?...?=") in a
// header value; blanks between two encoded words are dropped. Text that is not
// a valid encoded word stays as it is.
QString DecodeHeaderText(const QString& value);
