#pragma once
// Quoted-printable transfer encoding of message bodies (RFC 2045 section 6.7).
#include <QByteArray>

// Encodes text whose lines end in CR LF (or LF): every encoded line is at most
// 76 characters, longer lines are broken with soft line breaks ("=" at the end),
// bytes outside printable ASCII, "=", and a blank or tab before a line end are
// written as "=XX". A "." at the start of a line is written as "=2E" too, so no
// encoded line can end the SMTP data block or need dot-stuffing. The result's
// lines end in CR LF.
QByteArray EncodeQuotedPrintable(const QByteArray& text);

// Decodes a quoted-printable body: "=XX" (either letter case) gives its byte, a
// "=" at a line end joins the line with the next one, blanks and tabs that a
// transport added at line ends are dropped. A "=" that starts no valid sequence
// is kept as it is. Line ends come out as CR LF.
QByteArray DecodeQuotedPrintable(const QByteArray& encoded);
