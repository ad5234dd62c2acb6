#pragma once

#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

// Conversions between the gauge's little-endian hex text and numbers or text.
// Every function is total: malformed input gives std::nullopt, never an exception or an assert.
namespace RecordCodec
{
// The value of one hexadecimal digit (either case), -1 for any other character.
int hexDigitValue(QChar c);

// The float whose 32 bits are the integer's 32 bits.
float LongToSingle(int32_t bits);

// Little-endian hex text to a number. With kind "F" the bytes are an IEEE single; with any other
// kind they are an integer of 16 bits or less, returned as a float. nullopt on an empty text, a
// non-hex digit, more than 8 digits, or (not "F") a value that does not fit in 16 bits.
std::optional<float> HexToValue(QStringView hex, QStringView kind);

// Little-endian hex text to a signed 32-bit integer (1-4 digits: 16-bit two's complement,
// sign-extended; 5-8 digits: 32-bit two's complement).
std::optional<int32_t> HexToLong(QStringView hex);

// One character per byte, in stored order; a zero byte gives a NUL character. Bytes above 127
// are read as Windows-1252. nullopt on an empty text or a non-hex digit.
std::optional<QString> HexToText(QStringView hex);

} // namespace RecordCodec
