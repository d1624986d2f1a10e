// Text primitives: GBK-aware search, parts, split and replace on byte strings.
//
// A Text holds GBK bytes. A byte of 0x80 or above starts a two-byte character and the
// byte after it belongs to that character, whatever its value. Positions are 1-based
// byte positions; a search that finds nothing returns -1 and never reports a match that
// begins on the second byte of a two-byte character. Every search of a Text in this
// project goes through these functions.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace plexaro {

using Text = std::string;     // GBK bytes
using ByteSet = std::string;  // raw bytes: page bodies, side-file contents

enum class Case { kSensitive, kIgnore };  // kIgnore folds ASCII letters only

inline bool IsLeadByte(unsigned char byte) {
  return byte >= 0x80;
}
inline char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? char(c + 32) : c;
}
inline char AsciiUpper(char c) {
  return (c >= 'a' && c <= 'z') ? char(c - 32) : c;
}
Text AsciiLowerText(std::string_view text);
// Space, tab, CR or LF.
inline bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
// The text without blanks at either end.
std::string_view TrimBlanks(std::string_view text);
bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix);
// AsciiLowerText in place, for a buffer that is reused.
void AsciiLowerInPlace(std::string& text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// True when the 0-based offset starts a character (it is not the trail byte of a
// double-byte character). Offsets at or past the end count as boundaries.
bool IsCharBoundary(std::string_view text, size_t offset);

// First match beginning at 1-based `start` or later; a start below 1 means 1. An empty
// `what` is found at 1 in a non-empty text and nowhere in an empty one.
long FindText(std::string_view text, std::string_view what, long start = 1,
              Case mode = Case::kSensitive);

// Last match that ends before 1-based `before` (the whole text when `before` is past
// its end, which is the default).
constexpr long kWholeText = 0x7fffffffL;
long FindTextBackward(std::string_view text, std::string_view what, long before = kWholeText,
                      Case mode = Case::kSensitive);

// The part from 1-based `start` of `length` bytes, cut at the end of the text; empty
// when start is outside the text or length is 0 or less.
Text Mid(std::string_view text, long start, long length);

// Pieces between separators: empty pieces at the start and in the middle are kept, an
// empty last piece is dropped, an empty text gives no pieces.
std::vector<Text> SplitText(std::string_view text, std::string_view separator);

// Every occurrence replaced, left to right, without rescanning replaced text.
Text ReplaceAll(std::string_view text, std::string_view what, std::string_view with,
                Case mode = Case::kSensitive);

// The address checksum: CRC-32 (IEEE 802.3) as upper-case hex without leading zeros;
// empty for an empty text.
Text AddressChecksum(std::string_view text);

// value is above / below `percent` % of `base`, with the shared 0.0000001 tolerance.
bool IsAbovePercent(double value, double base, double percent);
bool IsBelowPercent(double value, double base, double percent);
// -1, 0 or 1 as a < b, a == b, a > b within the same tolerance (time differences).
int CompareWithTolerance(double a, double b);

}  // namespace plexaro
