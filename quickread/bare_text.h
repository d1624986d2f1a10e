// The bare text of HTML, the body extractor's measure of how much a part of a page says.
//
// Anchors written "<a " ... "/a>" vanish with their link text, every other tag vanishes
// and its content stays, and ASCII white space vanishes. The result equals replacing
// "<a [\s\S]+?/a>|<[\s\S]+?>" and then "\s" with nothing (ignoring case) in the
// regular-expression engine, but takes one linear walk over the GBK bytes: lazy searches
// for "/a>" and ">" never rescan bytes, and nothing stops early where the engine would
// give up on its backtracking budget (a link of megabytes). Pure functions and objects
// of one thread.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "web/text.h"

namespace plexaro {

// The bare text of `fragment`. Never fails; bytes that are not valid GBK are kept as
// characters (a lead byte with whatever byte follows it).
Text BareText(std::string_view fragment);

// A bare text handed out by BareTextIndex: up to three slices that follow each other,
// viewing the index's buffers or the page. Valid as long as the index.
class BareRef {
 public:
  static constexpr size_t kMaxPieces = 3;
  BareRef() = default;
  explicit BareRef(std::string_view text) { Add(text); }

  // Appends a slice (joining it to the last one when it continues it); false when full.
  bool Add(std::string_view piece);
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  size_t PieceCount() const { return count_; }
  std::string_view Piece(size_t i) const { return pieces_[i]; }
  Text ToText() const;
  friend bool operator==(const BareRef& a, const BareRef& b);

 private:
  std::array<std::string_view, kMaxPieces> pieces_{};
  size_t count_ = 0, size_ = 0;
};

// Bare texts of many parts of one page. The page is walked once from its start; a part
// whose start and end that walk steps on (the usual case for an element) is a slice of
// its bare text. A part that starts where no walk stepped yet gets a walk of its own,
// which ends where it meets an earlier walk, so elements nested inside a link share one
// walk too. A part whose end lies inside a tag of its walk is the walk's bare text up to
// that tag, the tag as the part's own bytes read it, and the rest by the same rules.
// Anything that would need more slices is computed from the part's own bytes.
// The page must outlive the index, and the index the texts it hands out.
class BareTextIndex {
 public:
  explicit BareTextIndex(std::string_view page);
  ~BareTextIndex();
  BareTextIndex(const BareTextIndex&) = delete;
  BareTextIndex& operator=(const BareTextIndex&) = delete;

  // BareText of page bytes [start, end) (0-based, end exclusive, end <= page size).
  BareRef Of(size_t start, size_t end);

  // Whether `part` occurs in `whole`, by the text search's rules: an empty part occurs
  // in any non-empty whole.
  bool Contains(const BareRef& whole, const BareRef& part) const;

  // A hash of the bytes, equal for equal texts; O(pieces) for slices of this index's
  // walks once a first call has indexed their walk.
  uint64_t Hash(const BareRef& text) const;

 private:
  struct Walk;
  struct Finders;
  void AddWalk(std::unique_ptr<Walk> walk);
  const Walk* WalkFrom(size_t start);
  const Walk* WalkThrough(size_t at);
  bool SteppedOn(size_t at) const;
  size_t TagEnd(size_t at, size_t limit);
  BareRef Computed(size_t start, size_t end);
  const Walk* Holder(std::string_view view) const;  // the walk whose bare text holds view
  uint64_t PieceHash(std::string_view piece) const;

  std::string_view page_;
  std::vector<std::unique_ptr<Walk>> walks_;     // walks_[0] from the page start
  std::unordered_map<size_t, size_t> stepped_;   // "<" of later walks -> walk number
  std::map<const char*, const Walk*> byBuffer_;  // bare-text buffers by address
  std::unique_ptr<Finders> finders_;             // made for the first later walk
  std::deque<Text> computed_;                    // bare texts of other parts
};

}  // namespace plexaro
