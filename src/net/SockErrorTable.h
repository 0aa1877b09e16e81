#pragma once
// The table of Winsock error numbers and their texts.
#include <QString>

namespace SockErrorTable {
// The row's text for a known number, or an empty text.
QString textFor(int errorNo);
// "10061:Connection refused"; "" for 0; "Unknown Error No. N" for numbers not in the table.
QString message(int errorNo);
} // namespace SockErrorTable
