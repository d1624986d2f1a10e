#include "quickread/bare_text.h"

#include <algorithm>
#include <functional>

namespace plexaro {
namespace {

constexpr size_t kNone = size_t(-1);

// A lead byte takes the byte after it, whatever it is; a lone lead byte at the end is a
// character of its own. This is how the regular-expression engine sees GBK text too.
size_t CharLength(std::string_view text, size_t at) {
  return IsLeadByte(text[at]) && at + 1 < text.size() ? 2 : 1;
}

bool IsWhiteSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// The first character start at or after `from` (a character start) where a test holds.
// Remembers its last answer, so a walk whose queries never go backwards costs one pass.
template <typename Test>
class ForwardFinder {
 public:
  ForwardFinder(std::string_view text, Test test) : text_(text), test_(test) {}

  size_t Next(size_t from) {
    if (known_ && from >= from_ && (hit_ == kNone || from <= hit_)) return hit_;
    size_t at = from;
    while (at < text_.size() && !test_(text_, at)) at += CharLength(text_, at);
    known_ = true;
    from_ = from;
    hit_ = at < text_.size() ? at : kNone;
    return hit_;
  }

 private:
  std::string_view text_;
  Test test_;
  bool known_ = false;
  size_t from_ = 0, hit_ = kNone;
};

bool IsClosingAnchor(std::string_view text, size_t at) {
  return text[at] == '/' && at + 2 < text.size() && AsciiLower(text[at + 1]) == 'a' &&
         text[at + 2] == '>';
}
bool IsTagEnd(std::string_view text, size_t at) {
  return text[at] == '>';
}

// Walks `text` as the tag pattern's global replacement does: at each character either a
// tag (anchor with its content, or any other tag) begins and is passed to `onTag` as
// [start, end), or the character is passed to `onChar` as (start, length).
template <typename OnTag, typename OnChar>
void WalkTags(std::string_view text, OnTag onTag, OnChar onChar) {
  ForwardFinder anchorEnds(text, IsClosingAnchor);
  ForwardFinder tagEnds(text, IsTagEnd);
  // Each lazy "[\s\S]+?" takes at least one character before its end can match.
  auto tagAt = [&](size_t at) {
    if (at + 3 < text.size() && AsciiLower(text[at + 1]) == 'a' && text[at + 2] == ' ') {
      size_t end = anchorEnds.Next(at + 3 + CharLength(text, at + 3));
      if (end != kNone) return end + 3;
    }
    if (at + 1 < text.size()) {
      size_t end = tagEnds.Next(at + 1 + CharLength(text, at + 1));
      if (end != kNone) return end + 1;
    }
    return kNone;
  };
  for (size_t at = 0; at < text.size();) {
    if (text[at] == '<') {
      size_t end = tagAt(at);
      if (end != kNone) {
        onTag(at, end);
        at = end;
        continue;
      }
    }
    size_t length = CharLength(text, at);
    onChar(at, length);
    at += length;
  }
}

void AppendBareChar(std::string_view text, size_t at, size_t length, Text& out) {
  if (length == 1 && IsWhiteSpace(text[at])) return;
  out.push_back(text[at]);
  if (length == 2) out.push_back(text[at + 1]);
}

constexpr uint64_t kModulus = 0x7fffffff;  // 2^31 - 1
constexpr uint64_t kBase = 1000003;

uint64_t PowerMod(uint64_t base, size_t exponent) {
  uint64_t result = 1;
  for (base %= kModulus; exponent; exponent >>= 1, base = base * base % kModulus) {
    if (exponent & 1) result = result * base % kModulus;
  }
  return result;
}

uint64_t Step(uint64_t hash, char c) {
  return (hash * kBase + uint64_t(static_cast<unsigned char>(c)) + 1) % kModulus;
}

}  // namespace

Text BareText(std::string_view fragment) {
  Text out;
  out.reserve(fragment.size() / 2);
  WalkTags(
      fragment, [](size_t, size_t) {},
      [&](size_t at, size_t length) { AppendBareChar(fragment, at, length, out); });
  return out;
}

BareTextIndex::BareTextIndex(std::string_view page) : page_(page) {
  bare_.reserve(page.size() / 2);
  const size_t tagStarts = size_t(std::count(page.begin(), page.end(), '<'));
  edges_.reserve(2 * tagStarts);
  bareAt_.reserve(2 * tagStarts);
  auto edge = [&](size_t at) {
    edges_.push_back(at);
    bareAt_.push_back(bare_.size());
  };
  WalkTags(
      page,
      [&](size_t start, size_t end) {
        edge(start);
        edge(end);
      },
      [&](size_t at, size_t length) { AppendBareChar(page, at, length, bare_); });
}

long BareTextIndex::EdgeOffset(size_t pageOffset) const {
  auto it = std::lower_bound(edges_.begin(), edges_.end(), pageOffset);
  if (it == edges_.end() || *it != pageOffset) return -1;
  return long(bareAt_[size_t(it - edges_.begin())]);
}

std::string_view BareTextIndex::Of(size_t start, size_t end) {
  end = std::min(end, page_.size());
  if (start >= end) return {};
  // The page's walk and the part's own walk agree from a shared tag edge on: every tag
  // the page's walk finds inside the part ends inside it, so the part's walk finds it too.
  const long from = EdgeOffset(start), to = EdgeOffset(end);
  if (from >= 0 && to >= from)
    return std::string_view(bare_).substr(size_t(from), size_t(to - from));
  computed_.push_back(BareText(page_.substr(start, end - start)));
  return computed_.back();
}

bool BareTextIndex::Holds(std::string_view view) const {
  std::less<const char*> before;
  const char* begin = bare_.data();
  const char* end = begin + bare_.size();
  return !view.empty() && !before(view.data(), begin) && !before(end, view.data() + view.size());
}

bool BareTextIndex::Contains(std::string_view whole, std::string_view part) const {
  if (!part.empty() && Holds(whole) && Holds(part)) {
    std::less<const char*> before;
    if (!before(part.data(), whole.data()) &&
        !before(whole.data() + whole.size(), part.data() + part.size())) {
      return true;  // the same bytes of the page's bare text, at a character start
    }
  }
  return FindText(whole, part) > 0;
}

uint64_t BareTextIndex::Hash(std::string_view text) const {
  uint64_t hash = 0;
  if (Holds(text)) {
    if (prefix_.empty()) {
      prefix_.resize(bare_.size() + 1);
      prefix_[0] = 0;
      for (size_t i = 0; i < bare_.size(); ++i)
        prefix_[i + 1] = uint32_t(Step(prefix_[i], bare_[i]));
    }
    const size_t from = size_t(text.data() - bare_.data()), to = from + text.size();
    hash = (prefix_[to] + kModulus -
            uint64_t(prefix_[from]) * PowerMod(kBase, text.size()) % kModulus) %
           kModulus;
  } else {
    for (char c : text) hash = Step(hash, c);
  }
  return (uint64_t(text.size()) << 32) ^ hash;
}

}  // namespace plexaro
