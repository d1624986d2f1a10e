#include "quickread/bare_text.h"

#include <algorithm>
#include <functional>
#include <memory>

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

// The character starts of `text` where a test holds, all found in one pass: answers
// queries from any position, for walks that start anywhere in the text.
class PositionList {
 public:
  template <typename Test>
  PositionList(std::string_view text, Test test) {
    for (size_t at = 0; at < text.size(); at += CharLength(text, at)) {
      if (test(text, at)) positions_.push_back(at);
    }
  }

  size_t Next(size_t from) const {
    auto it = std::lower_bound(positions_.begin(), positions_.end(), from);
    return it == positions_.end() ? kNone : *it;
  }

 private:
  std::vector<size_t> positions_;
};

// Walks `text` from `from` (a character start) as the tag pattern's global replacement
// does: at each character either a tag (an anchor with its content, or any other tag)
// begins and is passed to `onTag` as [start, end), or the character is passed to
// `onChar` as (start, length). Before each "<" it asks `stopAt(position)` whether to stop.
template <typename AnchorEnds, typename TagEnds, typename OnTag, typename OnChar, typename Stop>
void WalkTags(std::string_view text, size_t from, AnchorEnds& anchorEnds, TagEnds& tagEnds,
              OnTag onTag, OnChar onChar, Stop stopAt) {
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
  for (size_t at = from; at < text.size();) {
    if (text[at] == '<') {
      if (stopAt(at)) return;
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
  ForwardFinder anchorEnds(fragment, IsClosingAnchor);
  ForwardFinder tagEnds(fragment, IsTagEnd);
  WalkTags(
      fragment, 0, anchorEnds, tagEnds, [](size_t, size_t) {},
      [&](size_t at, size_t length) { AppendBareChar(fragment, at, length, out); },
      [](size_t) { return false; });
  return out;
}

struct BareTextIndex::Walk {
  Text bare;
  std::vector<size_t> edges;   // positions stepped on: each "<" and each tag end, ascending
  std::vector<size_t> bareAt;  // length of `bare` at each edge
  mutable std::vector<uint32_t> prefix;  // hash of bare[0, i), made on the first Hash

  void Edge(size_t at) {
    edges.push_back(at);
    bareAt.push_back(bare.size());
  }
  long OffsetAt(size_t at) const {
    auto it = std::lower_bound(edges.begin(), edges.end(), at);
    if (it == edges.end() || *it != at) return -1;
    return long(bareAt[size_t(it - edges.begin())]);
  }
};

struct BareTextIndex::Finders {
  Finders(std::string_view page) : anchorEnds(page, IsClosingAnchor), tagEnds(page, IsTagEnd) {}
  PositionList anchorEnds, tagEnds;
};

BareTextIndex::BareTextIndex(std::string_view page) : page_(page) {
  auto walk = std::make_unique<Walk>();
  walk->bare.reserve(page.size() / 2);
  const size_t tagStarts = size_t(std::count(page.begin(), page.end(), '<'));
  walk->edges.reserve(2 * tagStarts);
  walk->bareAt.reserve(2 * tagStarts);
  ForwardFinder anchorEnds(page, IsClosingAnchor);
  ForwardFinder tagEnds(page, IsTagEnd);
  Walk& w = *walk;
  WalkTags(
      page, 0, anchorEnds, tagEnds, [&](size_t, size_t end) { w.Edge(end); },
      [&](size_t at, size_t length) { AppendBareChar(page, at, length, w.bare); },
      [&](size_t at) {
        w.Edge(at);
        return false;
      });
  AddWalk(std::move(walk));
}

BareTextIndex::~BareTextIndex() = default;

void BareTextIndex::AddWalk(std::unique_ptr<Walk> walk) {
  if (!walk->bare.empty()) byBuffer_[walk->bare.data()] = walk.get();
  walks_.push_back(std::move(walk));
}

// A walk from a position the walks so far never stepped on. It stops at the first "<"
// another walk stepped on: from there on it would repeat that walk.
const BareTextIndex::Walk* BareTextIndex::WalkFrom(size_t start) {
  if (!IsCharBoundary(page_, start)) return nullptr;
  if (!finders_) finders_ = std::make_unique<Finders>(page_);
  auto walk = std::make_unique<Walk>();
  Walk& w = *walk;
  const size_t number = walks_.size();
  w.Edge(start);
  WalkTags(
      page_, start, finders_->anchorEnds, finders_->tagEnds,
      [&](size_t, size_t end) { w.Edge(end); },
      [&](size_t at, size_t length) { AppendBareChar(page_, at, length, w.bare); },
      [&](size_t at) {
        if (at != start && SteppedOn(at)) {
          w.Edge(at);
          return true;
        }
        if (at != start) w.Edge(at);
        stepped_.emplace(at, number);
        return false;
      });
  AddWalk(std::move(walk));
  return walks_.back().get();
}

bool BareTextIndex::SteppedOn(size_t at) const {
  return walks_.front()->OffsetAt(at) >= 0 || stepped_.count(at) > 0;
}

const BareTextIndex::Walk* BareTextIndex::WalkThrough(size_t at) {
  if (walks_.front()->OffsetAt(at) >= 0) return walks_.front().get();
  auto it = stepped_.find(at);
  if (it != stepped_.end()) return walks_[it->second].get();
  return WalkFrom(at);
}

std::string_view BareTextIndex::Of(size_t start, size_t end) {
  end = std::min(end, page_.size());
  if (start >= end) return {};
  // A walk that steps on both ends of the part agrees with the part's own walk in
  // between: every tag it finds there ends inside the part, so the part's walk finds it
  // too, and where it finds none the part, being shorter, has none either.
  if (const Walk* walk = WalkThrough(start)) {
    const long from = walk->OffsetAt(start), to = walk->OffsetAt(end);
    if (from >= 0 && to >= from) {
      return std::string_view(walk->bare).substr(size_t(from), size_t(to - from));
    }
  }
  computed_.push_back(BareText(page_.substr(start, end - start)));
  return computed_.back();
}

const BareTextIndex::Walk* BareTextIndex::Holder(std::string_view view) const {
  if (view.empty()) return nullptr;
  auto it = byBuffer_.upper_bound(view.data());
  if (it == byBuffer_.begin()) return nullptr;
  --it;
  const Text& bare = it->second->bare;
  std::less<const char*> before;
  return before(bare.data() + bare.size(), view.data() + view.size()) ? nullptr : it->second;
}

bool BareTextIndex::Contains(std::string_view whole, std::string_view part) const {
  const Walk* walk = Holder(part);
  if (walk && Holder(whole) == walk) {
    std::less<const char*> before;
    if (!before(part.data(), whole.data()) &&
        !before(whole.data() + whole.size(), part.data() + part.size())) {
      return true;  // the same bytes of one walk's bare text, at a character start
    }
  }
  return FindText(whole, part) > 0;
}

uint64_t BareTextIndex::Hash(std::string_view text) const {
  uint64_t hash = 0;
  if (const Walk* walk = Holder(text)) {
    std::vector<uint32_t>& prefix = walk->prefix;
    if (prefix.empty()) {
      prefix.resize(walk->bare.size() + 1);
      prefix[0] = 0;
      for (size_t i = 0; i < walk->bare.size(); ++i) {
        prefix[i + 1] = uint32_t(Step(prefix[i], walk->bare[i]));
      }
    }
    const size_t from = size_t(text.data() - walk->bare.data()), to = from + text.size();
    hash =
        (prefix[to] + kModulus - uint64_t(prefix[from]) * PowerMod(kBase, text.size()) % kModulus) %
        kModulus;
  } else {
    for (char c : text) hash = Step(hash, c);
  }
  return (uint64_t(text.size()) << 32) ^ hash;
}

}  // namespace plexaro
