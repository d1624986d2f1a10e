// The byte form in which a list control's items live in their side file.
//
// A 4-byte little-endian item count, then for each item a 4-byte little-endian length
// and that many bytes. Any item bytes survive (zero bytes, CR LF, separators), and even
// an empty list takes four bytes, so it is stored rather than read back as "no value".
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "web/text.h"

namespace plexaro {

ByteSet EncodeItemList(const std::vector<Text>& items);
// The items, or nothing when `bytes` is not exactly one encoded list (truncated, with
// bytes left over, or counts that do not fit); never reads outside `bytes`.
std::optional<std::vector<Text>> DecodeItemList(std::string_view bytes);

}  // namespace plexaro
