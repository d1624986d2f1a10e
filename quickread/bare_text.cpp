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

bool BareRef::Add(std::string_view piece) {
  if (piece.empty()) return true;
  if (count_ > 0 && pieces_[count_ - 1].data() + pieces_[count_ - 1].size() == piece.data()) {
    pieces_[count_ - 1] =
        std::string_view(pieces_[count_ - 1].data(), pieces_[count_ - 1].size() + piece.size());
  } else if (count_ == kMaxPieces) {
    return false;
  } else {
    pieces_[count_++] = piece;
  }
  size_ += piece.size();
  return true;
}

Text BareRef::ToText() const {
  Text out;
  out.reserve(size_);
  for (size_t i = 0; i < count_; ++i) out += pieces_[i];
  return out;
}

bool operator==(const BareRef& a, const BareRef& b) {
  if (a.size_ != b.size_) return false;
  if (a.count_ == b.count_ &&
      std::equal(a.pieces_.begin(), a.pieces_.begin() + long(a.count_), b.pieces_.begin(),
                 [](std::string_view x, std::string_view y) {
                   return x.data() == y.data() && x.size() == y.size();
                 })) {
    return true;  // the very same slices
  }
  size_t i = 0, j = 0, x = 0, y = 0;  // piece and offset in each
  while (i < a.count_ && j < b.count_) {
    const size_t n = std::min(a.pieces_[i].size() - x, b.pieces_[j].size() - y);
    if (a.pieces_[i].substr(x, n) != b.pieces_[j].substr(y, n)) return false;
    x += n;
    y += n;
    if (x == a.pieces_[i].size()) ++i, x = 0;
    if (y == b.pieces_[j].size()) ++j, y = 0;
  }
  return true;
}

struct BareTextIndex::Walk {
  Text bare;
  std::vector<size_t> edges;   // positions stepped on: each "<" and each tag end, ascending
  std::vector<size_t> bareAt;  // length of `bare` at each edge
  size_t mergedAt = kNone;     // where it met an earlier walk
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
  std::string_view Slice(size_t from, size_t to) const {
    return std::string_view(bare).substr(from, to - from);
  }
};

struct BareTextIndex::Finders {
  explicit Finders(std::string_view page)
      : anchorEnds(page, IsClosingAnchor), tagEnds(page, IsTagEnd) {}
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
        if (at == start) return false;
        w.Edge(at);
        if (SteppedOn(at)) {
          w.mergedAt = at;
          return true;
        }
        stepped_.emplace(at, number);
        return false;
      });
  stepped_.emplace(start, number);
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

size_t BareTextIndex::TagEnd(size_t at, size_t limit) {
  if (!finders_) finders_ = std::make_unique<Finders>(page_);
  auto charLength = [&](size_t p) { return IsLeadByte(page_[p]) && p + 1 < limit ? 2 : 1; };
  if (at + 3 < limit && AsciiLower(page_[at + 1]) == 'a' && page_[at + 2] == ' ') {
    const size_t end = finders_->anchorEnds.Next(at + 3 + charLength(at + 3));
    if (end != kNone && end + 3 <= limit) return end + 3;
  }
  if (at + 1 < limit) {
    const size_t end = finders_->tagEnds.Next(at + 1 + charLength(at + 1));
    if (end != kNone && end + 1 <= limit) return end + 1;
  }
  return kNone;
}

BareRef BareTextIndex::Computed(size_t start, size_t end) {
  computed_.push_back(BareText(page_.substr(start, end - start)));
  return BareRef(computed_.back());
}

// A walk that steps on both ends of the part agrees with the part's own walk in between:
// every tag it finds there ends inside the part, so the part's walk finds it too, and
// where it finds none the part, being shorter, has none either. Where the walk's last
// step before the end reaches past it, the part's walk takes its own step there.
BareRef BareTextIndex::Of(size_t start, size_t end) {
  end = std::min(end, page_.size());
  BareRef out;
  for (size_t at = start; at < end;) {
    const Walk* walk = WalkThrough(at);
    if (!walk) return Computed(start, end);
    const size_t from = size_t(walk->OffsetAt(at));
    const long to = walk->OffsetAt(end);
    if (to >= long(from)) {
      return out.Add(walk->Slice(from, size_t(to))) ? out : Computed(start, end);
    }
    const auto last = std::upper_bound(walk->edges.begin(), walk->edges.end(), end) - 1;
    const size_t q = *last, atQ = walk->bareAt[size_t(last - walk->edges.begin())];
    if (!out.Add(walk->Slice(from, atQ))) return Computed(start, end);
    if (q == walk->mergedAt) {
      at = q;  // the earlier walk goes on from here
      continue;
    }
    if (page_[q] == '<' && TagEnd(q, page_.size()) != kNone) {
      // A tag that reaches past the end: read it again within the part.
      const size_t tagEnd = TagEnd(q, end);
      if (tagEnd != kNone) {
        at = tagEnd;
      } else if (!out.Add(page_.substr(q, 1))) {
        return Computed(start, end);
      } else {
        at = q + 1;
      }
      continue;
    }
    // Plain characters from q to the end, as the walk took them up to a character that
    // reaches past the end, which the part takes as a byte of its own.
    size_t kept = 0, p = q;
    while (p < end && p + CharLength(page_, p) <= end) {
      const size_t length = CharLength(page_, p);
      if (length == 2 || !IsWhiteSpace(page_[p])) kept += length;
      p += length;
    }
    if (!out.Add(walk->Slice(atQ, atQ + kept)) || !out.Add(page_.substr(p, end - p))) {
      return Computed(start, end);
    }
    return out;
  }
  return out;
}

const BareTextIndex::Walk* BareTextIndex::Holder(std::string_view view) const {
  if (view.empty()) return nullptr;
  auto it = byBuffer_.upper_bound(view.data());
  if (it == byBuffer_.begin()) return nullptr;
  --it;
  const Text& bare = it->second->bare;
  std::less<const char*> before;
  if (before(view.data(), bare.data())) return nullptr;
  return before(bare.data() + bare.size(), view.data() + view.size()) ? nullptr : it->second;
}

namespace {

bool Within(std::string_view inner, std::string_view outer) {
  std::less<const char*> before;
  return !before(inner.data(), outer.data()) &&
         !before(outer.data() + outer.size(), inner.data() + inner.size());
}

// Whether `part`'s slices are, in order, the same bytes of memory as a run of `whole`'s
// slices: then it occurs in `whole` at a character start, without reading a byte.
bool IsSliceOf(const BareRef& whole, const BareRef& part) {
  const size_t c = part.PieceCount(), d = whole.PieceCount();
  for (size_t k = 0; c > 0 && k + c <= d; ++k) {
    const std::string_view first = part.Piece(0), outer = whole.Piece(k);
    if (c == 1) {
      if (Within(first, outer)) return true;
      continue;
    }
    const std::string_view last = part.Piece(c - 1), lastOuter = whole.Piece(k + c - 1);
    bool same = Within(first, outer) &&
                first.data() + first.size() == outer.data() + outer.size() &&
                Within(last, lastOuter) && last.data() == lastOuter.data();
    for (size_t i = 1; same && i + 1 < c; ++i) {
      same = part.Piece(i).data() == whole.Piece(k + i).data() &&
             part.Piece(i).size() == whole.Piece(k + i).size();
    }
    if (same) return true;
  }
  return false;
}

}  // namespace

bool BareTextIndex::Contains(const BareRef& whole, const BareRef& part) const {
  // Slices of the walks begin and end at character starts of their bare text, so the
  // same memory is the same characters; other views may begin anywhere.
  bool held = !part.empty();
  for (size_t i = 0; held && i < part.PieceCount(); ++i) held = Holder(part.Piece(i)) != nullptr;
  if (held && IsSliceOf(whole, part)) return true;
  return FindText(whole.ToText(), part.ToText()) > 0;
}

uint64_t BareTextIndex::PieceHash(std::string_view piece) const {
  const Walk* walk = Holder(piece);
  uint64_t hash = 0;
  if (!walk) {
    for (char c : piece) hash = Step(hash, c);
    return hash;
  }
  std::vector<uint32_t>& prefix = walk->prefix;
  if (prefix.empty()) {
    prefix.resize(walk->bare.size() + 1);
    prefix[0] = 0;
    for (size_t i = 0; i < walk->bare.size(); ++i) {
      prefix[i + 1] = uint32_t(Step(prefix[i], walk->bare[i]));
    }
  }
  const size_t from = size_t(piece.data() - walk->bare.data()), to = from + piece.size();
  return (prefix[to] + kModulus -
          uint64_t(prefix[from]) * PowerMod(kBase, piece.size()) % kModulus) %
         kModulus;
}

uint64_t BareTextIndex::Hash(const BareRef& text) const {
  uint64_t hash = 0;
  for (size_t i = 0; i < text.PieceCount(); ++i) {
    const std::string_view piece = text.Piece(i);
    hash = (hash * PowerMod(kBase, piece.size()) + PieceHash(piece)) % kModulus;
  }
  return (uint64_t(text.size()) << 32) ^ hash;
}

}  // namespace plexaro
