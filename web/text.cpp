#include "web/text.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace plexaro {
namespace {

// Decides whether offsets start a character, remembering the last offset known to
// start one so that a forward scan costs O(n) in total even over pure Chinese text.
// A byte below 0x80 is either a character or a trail byte; in both cases the byte
// after it starts a character, so parity over a run of high bytes settles the rest.
class BoundaryTracker {
 public:
  explicit BoundaryTracker(std::string_view text) : text_(text) {}

  bool IsBoundary(size_t offset) {
    if (offset < known_) known_ = 0;
    size_t p = offset;
    while (p > known_ && IsLeadByte(text_[p - 1])) --p;
    bool boundary = (offset - p) % 2 == 0;
    known_ = boundary ? offset : offset - 1;
    return boundary;
  }

 private:
  std::string_view text_;
  size_t known_ = 0;
};

// For a backward scan: remembers the start of the last run of high bytes it walked, so
// candidates met later inside the same run are settled by parity alone.
class BackwardBoundaryTracker {
 public:
  explicit BackwardBoundaryTracker(std::string_view text) : text_(text) {}

  bool IsBoundary(size_t offset) {
    if (!(runStart_ <= offset && offset <= runEnd_)) {
      size_t p = offset;
      while (p > 0 && IsLeadByte(text_[p - 1])) --p;
      runStart_ = p;
      runEnd_ = offset;
    }
    return (offset - runStart_) % 2 == 0;
  }

 private:
  std::string_view text_;
  size_t runStart_ = 1, runEnd_ = 0;  // empty
};

// Compares `what` with the text at a character boundary, folding ASCII letters only:
// the trail byte of a double-byte character is never folded.
bool MatchesFolded(const char* at, std::string_view what) {
  for (size_t i = 0; i < what.size(); ++i) {
    char w = what[i];
    if (IsLeadByte(w)) {
      if (at[i] != w) return false;
      if (++i < what.size() && at[i] != what[i]) return false;
    } else if (AsciiLower(at[i]) != AsciiLower(w)) {
      return false;
    }
  }
  return true;
}

// Yields, in increasing order, the offsets in [from, last] that hold the anchor byte in
// either letter case, using memchr for each case and keeping its result until passed.
class ForwardAnchors {
 public:
  ForwardAnchors(std::string_view text, char anchor, bool fold)
      : base_(text.data()),
        lower_(fold ? AsciiLower(anchor) : anchor),
        upper_(fold ? AsciiUpper(anchor) : anchor) {}

  const char* Next(size_t from, size_t last) {
    const char* pos = base_ + from;
    size_t span = last + 1 - from;
    Refresh(nextLower_, lowerDone_, lower_, pos, span);
    if (upper_ == lower_) return nextLower_;
    Refresh(nextUpper_, upperDone_, upper_, pos, span);
    if (!nextLower_) return nextUpper_;
    if (!nextUpper_) return nextLower_;
    return nextLower_ < nextUpper_ ? nextLower_ : nextUpper_;
  }

 private:
  static void Refresh(const char*& next, bool& done, char c, const char* pos, size_t span) {
    if (done || (next && next >= pos)) return;
    next = static_cast<const char*>(std::memchr(pos, c, span));
    done = next == nullptr;
  }

  const char* base_;
  char lower_, upper_;
  const char* nextLower_ = nullptr;
  const char* nextUpper_ = nullptr;
  bool lowerDone_ = false, upperDone_ = false;
};

const char* LastOf(const char* base, size_t span, char lower, char upper) {
  const char* a = static_cast<const char*>(memrchr(base, lower, span));
  if (upper == lower) return a;
  const char* b = static_cast<const char*>(memrchr(base, upper, span));
  if (!a) return b;
  if (!b) return a;
  return a > b ? a : b;
}

long FindSensitive(std::string_view text, std::string_view what, size_t from) {
  BoundaryTracker boundaries(text);
  const char* base = text.data();
  while (from + what.size() <= text.size()) {
    const void* hit = memmem(base + from, text.size() - from, what.data(), what.size());
    if (!hit) return -1;
    size_t offset = static_cast<const char*>(hit) - base;
    if (boundaries.IsBoundary(offset)) return long(offset) + 1;
    from = offset + 1;
  }
  return -1;
}

long FindFolded(std::string_view text, std::string_view what, size_t from) {
  BoundaryTracker boundaries(text);
  ForwardAnchors anchors(text, what[0], !IsLeadByte(what[0]));
  const size_t last = text.size() - what.size();
  while (from <= last) {
    const char* hit = anchors.Next(from, last);
    if (!hit) return -1;
    size_t offset = hit - text.data();
    if (MatchesFolded(hit, what) && boundaries.IsBoundary(offset)) return long(offset) + 1;
    from = offset + 1;
  }
  return -1;
}

}  // namespace

Text AsciiLowerText(std::string_view text) {
  Text out(text);
  AsciiLowerInPlace(out);
  return out;
}

void AsciiLowerInPlace(std::string& text) {
  constexpr uint64_t kHighBits = 0x8080808080808080ull;
  const size_t n = text.size();
  size_t i = 0;
  while (i < n) {
    // Eight ASCII bytes at a character start hold no trail byte: fold them at once. Adding
    // 0x3F sets a byte's high bit from 'A' up, adding 0x25 from '[' up.
    uint64_t word;
    if (n - i >= 8 && (std::memcpy(&word, text.data() + i, 8), (word & kHighBits) == 0)) {
      uint64_t upper = (word + 0x3F3F3F3F3F3F3F3Full) & ~(word + 0x2525252525252525ull) & kHighBits;
      word |= upper >> 2;
      std::memcpy(text.data() + i, &word, 8);
      i += 8;
      continue;
    }
    if (IsLeadByte(text[i])) {
      i += 2;
    } else {
      text[i] = AsciiLower(text[i]);
      ++i;
    }
  }
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool StartsWithIgnoreCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() && EqualsIgnoreCase(text.substr(0, prefix.size()), prefix);
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && MatchesFolded(a.data(), b);
}

bool IsCharBoundary(std::string_view text, size_t offset) {
  if (offset >= text.size()) return true;
  return BoundaryTracker(text).IsBoundary(offset);
}

long FindText(std::string_view text, std::string_view what, long start, Case mode) {
  if (what.empty()) return text.empty() ? -1 : 1;
  if (start < 1) start = 1;
  size_t from = size_t(start) - 1;
  if (from >= text.size() || what.size() > text.size() - from) return -1;
  return mode == Case::kSensitive ? FindSensitive(text, what, from) : FindFolded(text, what, from);
}

long FindTextBackward(std::string_view text, std::string_view what, long before, Case mode) {
  if (what.empty()) return text.empty() ? -1 : 1;
  if (before < 1 || what.size() > text.size()) return -1;
  // A match must end before `before`: its 0-based start is at most before - 1 - size.
  long lastStart = std::min<long>(long(text.size() - what.size()), before - 1 - long(what.size()));
  if (lastStart < 0) return -1;
  bool fold = mode == Case::kIgnore && !IsLeadByte(what[0]);
  char lower = fold ? AsciiLower(what[0]) : what[0];
  char upper = fold ? AsciiUpper(what[0]) : what[0];
  BackwardBoundaryTracker boundaries(text);
  size_t span = size_t(lastStart) + 1;
  while (span > 0) {
    const char* hit = LastOf(text.data(), span, lower, upper);
    if (!hit) return -1;
    size_t offset = hit - text.data();
    bool equal = mode == Case::kSensitive ? std::memcmp(hit, what.data(), what.size()) == 0
                                          : MatchesFolded(hit, what);
    if (equal && boundaries.IsBoundary(offset)) return long(offset) + 1;
    span = offset;
  }
  return -1;
}

Text Mid(std::string_view text, long start, long length) {
  if (start < 1 || length <= 0 || size_t(start) > text.size()) return Text();
  return Text(text.substr(size_t(start) - 1, size_t(length)));
}

std::vector<Text> SplitText(std::string_view text, std::string_view separator) {
  std::vector<Text> pieces;
  if (text.empty()) return pieces;
  if (separator.empty()) {
    pieces.emplace_back(text);
    return pieces;
  }
  long from = 1;
  for (;;) {
    long hit = FindText(text, separator, from);
    if (hit < 0) break;
    pieces.emplace_back(text.substr(size_t(from) - 1, size_t(hit - from)));
    from = hit + long(separator.size());
  }
  if (size_t(from) <= text.size()) pieces.emplace_back(text.substr(size_t(from) - 1));
  return pieces;
}

Text ReplaceAll(std::string_view text, std::string_view what, std::string_view with, Case mode) {
  if (what.empty()) return Text(text);
  Text out;
  long from = 1;
  for (;;) {
    long hit = FindText(text, what, from, mode);
    if (hit < 0) break;
    if (out.empty()) out.reserve(text.size());
    out.append(text.substr(size_t(from) - 1, size_t(hit - from)));
    out.append(with);
    from = hit + long(what.size());
  }
  if (from == 1) return Text(text);
  out.append(text.substr(size_t(from) - 1));
  return out;
}

namespace {
constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}
constexpr auto kCrcTable = MakeCrcTable();
}  // namespace

Text AddressChecksum(std::string_view text) {
  if (text.empty()) return Text();
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : text) crc = kCrcTable[(crc ^ byte) & 0xFF] ^ (crc >> 8);
  crc = ~crc;
  char digits[9];
  std::snprintf(digits, sizeof digits, "%X", crc);
  return Text(digits);
}

namespace {
constexpr double kTolerance = 0.0000001;
}

bool IsAbovePercent(double value, double base, double percent) {
  return value * 100 / base - percent > kTolerance;
}

bool IsBelowPercent(double value, double base, double percent) {
  return value * 100 / base - percent < -kTolerance;
}

int CompareWithTolerance(double a, double b) {
  if (a - b > kTolerance) return 1;
  if (a - b < -kTolerance) return -1;
  return 0;
}

}  // namespace plexaro
