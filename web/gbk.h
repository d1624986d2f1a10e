// Conversions between GBK Text and other encodings, on iconv.
//
// Every conversion is total: a character GBK cannot hold, or an input sequence that
// is not valid in its encoding, becomes "?". Safe to call from any thread.
#pragma once

#include <string>
#include <string_view>

#include "web/text.h"

namespace plexaro {

// Converts bytes in `charset` (an iconv name such as "UTF-8", "UTF-16LE", "BIG5") to
// GBK. Returns false, leaving `out` empty, when iconv does not know the charset.
bool ConvertToGbk(std::string_view bytes, const char* charset, Text& out);

// Converts GBK bytes to `charset`. Returns false when iconv does not know the charset.
bool ConvertFromGbk(std::string_view gbk, const char* charset, std::string& out);

Text Utf8ToGbk(std::string_view utf8);
std::string GbkToUtf8(std::string_view gbk);

// GBK as UTF-8 with exactly one character for each character as text.h counts them (an
// ASCII byte; a lead byte with the byte after it; a lone lead byte at the end). A pair
// GBK has no character for, and a lone lead byte, become U+FFFD, so an ASCII byte stays
// the same byte and every double-byte character becomes one non-ASCII character.
std::string GbkToUtf8Aligned(std::string_view gbk);

// One Unicode code point as GBK bytes; empty when GBK has no such character (0 too).
Text CodePointToGbk(char32_t codePoint);

// A UTF-8 source literal as GBK, converted once and kept for the life of the program.
const Text& gbk(std::string_view utf8Literal);

}  // namespace plexaro
