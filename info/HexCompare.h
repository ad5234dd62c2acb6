#pragma once

#include <QStringView>

// Byte-for-byte comparison of two hex texts (two digits per byte, either case), as done after a
// write: what was sent against what the gauge gives back.
namespace HexCompare
{
// A byte that is not there (beyond the end of its text) or whose two digits are not hex.
constexpr int NoByte = -1;

struct Difference {
    int offset = -1;       // first differing byte offset; -1 when the texts hold the same bytes
    int written = NoByte;  // that byte as sent
    int readBack = NoByte; // that byte as read back
    bool none() const { return offset < 0; }
};

// The byte at `offset` of hex text, or NoByte. Total on any text and offset.
int byteAt(QStringView hex, int offset);

// The first byte offset at which the two texts differ, a length difference included (the first
// byte that one of them lacks). Total on any texts; a malformed pair never equals a good one.
Difference firstDifference(QStringView written, QStringView readBack);
} // namespace HexCompare
