// Replacing by lists, file-name cleaning, counting by characters and decoding of HTML
// character references.
//
// Pure functions on GBK Text; safe to call from any thread.
#pragma once

#include <string_view>

#include "web/text.h"

namespace plexaro {

// Replaces every occurrence of find item i by replacement item i, for i in list order,
// each step on the result of the one before; ASCII case is ignored. Missing
// replacement items are empty (the find item is deleted), surplus ones ignored.
Text BatchReplace(std::string_view text, std::string_view findList,
                  std::string_view replacementList, std::string_view separator = "|");

// The text fit for a file name: \ / : * ? | < > become their full-width forms, double
// quotes, CR, LF and TAB are removed.
Text CleanFileName(std::string_view text);

// Characters counted as the user sees them: a double-byte character, a CR LF pair, a
// lone CR or LF and any other byte each count one. A lone lead byte at the end counts one.
long CharCount(std::string_view text);

// The first `count` characters (never splitting a double-byte character or a CR LF
// pair); a negative count keeps all but the last |count|. Empty for 0 and when no
// character would remain; the whole text when it has fewer characters.
Text LeftChars(std::string_view text, long count);

// Decodes the 40 named entities of the project's table (ASCII case ignored, "&amp;"
// last, so an escaped entity decodes once) and then numeric references "&#NNN;" and
// "&#xHHH;", from the last to the first, each with the first ";" after it. A reference
// whose value is not a GBK character (0, negative, above 0xFFFF, or a character GBK
// lacks) is removed; hex digits are read up to the first non-hex-digit; "&#" without a
// ";" after it stays. Linear in the text's length; pumps events now and then.
Text DecodeEntities(std::string_view text);

}  // namespace plexaro
