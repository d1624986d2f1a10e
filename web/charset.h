// Decoding of page bodies to GBK Text: byte-order marks, meta declarations and a UTF-8
// plausibility check decide the encoding.
//
// Stateless; safe to call from any thread. Nothing is reported: a wrong guess gives a
// poorly decoded text, never a failure.
#pragma once

#include <string_view>

#include "web/text.h"

namespace plexaro {

// An encoding a caller may force, and the one DecodeBody settles on.
enum class CharsetHint : int {
  kDetect = 0,
  kSystemCodePage = 1,  // GBK: the bytes are taken as they are
  kUtf8 = 2,
  kUtf16LittleEndian = 3,
  kUtf16BigEndian = 4,
  kBig5 = 5,
  kBig5Hkscs = 6,  // Big5 with the Hong Kong supplement
};

// The body as GBK Text. kDetect looks at a byte-order mark, then the meta tags, then
// LooksLikeUtf8; a forced UTF-16 hint skips the first two bytes, a forced UTF-8 hint a
// UTF-8 mark. Characters GBK lacks become "?". When the encoding is GBK or unknown, or
// conversion gives nothing, the whole body is returned unchanged (mark included).
Text DecodeBody(std::string_view body, CharsetHint hint = CharsetHint::kDetect);

// The charset the page's meta tags declare (inside <head>...</head> when that is there):
// kUtf8, kBig5 or kBig5Hkscs from the first tag that names one, letter case ignored;
// kDetect when none does. An unquoted "charset=Big5-HKSCS" counts as Big5.
CharsetHint MetaCharset(std::string_view page);

// True when every non-ASCII byte belongs to a well-formed two- or three-byte UTF-8
// sequence and there is at least one such sequence. Pumps events now and then.
bool LooksLikeUtf8(std::string_view bytes);

// The bytes converted from `sourceCharset` to `targetCharset` by way of GBK, so any
// character GBK lacks becomes "?" (as does input that is not valid in its charset). A
// GBK-compatible target ("GB18030", "GBK", "CP936", "GB2312") gives the GBK bytes. Empty
// when either charset is unknown.
ByteSet ConvertCharset(std::string_view bytes, const char* sourceCharset,
                       const char* targetCharset);

}  // namespace plexaro
