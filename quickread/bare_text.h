// The bare text of HTML, the body extractor's measure of how much a part of a page says.
//
// Anchors written "<a " ... "/a>" vanish with their link text, every other tag vanishes
// and its content stays, and ASCII white space vanishes. The result equals replacing
// "<a [\s\S]+?/a>|<[\s\S]+?>" and then "\s" with nothing (ignoring case) in the
// regular-expression engine, but takes one linear walk over the GBK bytes: lazy searches
// for "/a>" and ">" never rescan bytes. Pure functions and objects of one thread.
#pragma once

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

// Bare texts of many parts of one page. The page is walked once from its start; a part
// whose start and end that walk steps on (the usual case for an element) is a slice of
// its bare text. A part that starts where no walk stepped yet gets a walk of its own,
// which ends where it meets an earlier walk, so elements nested inside a link share one
// walk too. Any other part is computed from its own bytes.
// The page must outlive the index, and the index the views it hands out.
class BareTextIndex {
 public:
  explicit BareTextIndex(std::string_view page);
  ~BareTextIndex();
  BareTextIndex(const BareTextIndex&) = delete;
  BareTextIndex& operator=(const BareTextIndex&) = delete;

  // BareText of page bytes [start, end) (0-based, end exclusive, end <= page size).
  std::string_view Of(size_t start, size_t end);

  // Whether `part` occurs in `whole` (both bare texts from this index or any text), by
  // the text search's rules: an empty part occurs in any non-empty whole.
  bool Contains(std::string_view whole, std::string_view part) const;

  // A hash of the bytes of `text`, equal for equal texts; O(1) for views this index
  // handed out once a first call has indexed their walk.
  uint64_t Hash(std::string_view text) const;

 private:
  struct Walk;
  struct Finders;
  void AddWalk(std::unique_ptr<Walk> walk);
  const Walk* WalkFrom(size_t start);
  const Walk* WalkThrough(size_t at);
  bool SteppedOn(size_t at) const;
  const Walk* Holder(std::string_view view) const;  // the walk whose bare text holds view

  std::string_view page_;
  std::vector<std::unique_ptr<Walk>> walks_;     // walks_[0] from the page start
  std::unordered_map<size_t, size_t> stepped_;   // "<" of later walks -> walk number
  std::map<const char*, const Walk*> byBuffer_;  // bare-text buffers by address
  std::unique_ptr<Finders> finders_;             // made for the first later walk
  std::deque<Text> computed_;                    // bare texts of other parts
};

}  // namespace plexaro
