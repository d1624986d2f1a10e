// Marker-based extraction, on which all page parsing rests.
//
// Pure functions on GBK Text; safe to call from any thread.
#pragma once

#include <string_view>

#include "web/text.h"

namespace plexaro {

// Every "''" (two single quotes, exact match) replaced by one double quote. Callers write
// a double quote inside a marker this way.
Text PairsToQuotes(std::string_view text);

// The piece of `source` between a start and an end marker, searched ignoring ASCII case.
// Markers get PairsToQuotes unless keepQuotePairs; an empty start marker means
// "#Zavrin头#" put in front of the source, an empty end marker "#Zavrin尾#" appended,
// and positions then count in that extended source. When the first attempt fails a
// second one runs with every double quote removed from both markers (so "''" in a
// marker matches attribute values with or without quotes).
// Forward mode: the first start marker at or after the position, then the first end
// marker after it. Reverse mode: the first end marker at or after the position, then
// the start marker nearest before it.
// searchPosition: in/out 1-based position (nullptr means start at 1 and report nothing);
// on success it becomes the byte after the end marker, on failure it keeps its value
// and the result is empty. skipAfterStart / dropBeforeEnd trim the piece.
Text TextBetween(std::string_view source, std::string_view startMarker, std::string_view endMarker,
                 long* searchPosition = nullptr, bool reverse = false, long skipAfterStart = 0,
                 long dropBeforeEnd = 0, bool keepQuotePairs = false);

}  // namespace plexaro
