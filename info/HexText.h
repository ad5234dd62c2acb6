#pragma once

#include <QStringView>

// Checks of hex text that is about to be written into the gauge.
namespace HexText
{
// The write position is counted in 16 bits on the gauge's side: at most this many characters.
constexpr int MaxCharacters = 32767;
// Hex characters of one 400-byte record.
constexpr int RecordCharacters = 800;

enum class Problem {
    None,
    Empty,
    OddLength,       // a byte would be cut in half
    NonHexCharacter, // at position `position`
    TooLong,         // more than MaxCharacters
};

struct Check {
    Problem problem = Problem::None;
    int position = -1; // first offending character (NonHexCharacter)
    bool ok() const { return problem == Problem::None; }
};

// Total on any text: every character is looked at, nothing outside the text.
Check check(QStringView hex);
} // namespace HexText
