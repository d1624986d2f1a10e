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
#include <string_view>
#include <vector>

#include "web/text.h"

namespace plexaro {

// The bare text of `fragment`. Never fails; bytes that are not valid GBK are kept as
// characters (a lead byte with whatever byte follows it).
Text BareText(std::string_view fragment);

// Bare texts of many parts of one page, from one walk over the page. A part that starts
// and ends where the page's own walk has a tag edge (the usual case for an element) is a
// slice of the page's bare text; any other part is computed from its own bytes.
// The page must outlive the index, and the index the views it hands out.
class BareTextIndex {
 public:
  explicit BareTextIndex(std::string_view page);

  // BareText of page bytes [start, end) (0-based, end exclusive, end <= page size).
  std::string_view Of(size_t start, size_t end);

  // Whether `part` occurs in `whole` (both bare texts from this index or any text), by
  // the text search's rules: an empty part occurs in any non-empty whole.
  bool Contains(std::string_view whole, std::string_view part) const;

  // A hash of the bytes of `text`, equal for equal texts; O(1) for views into the
  // page's bare text once a first call has indexed it.
  uint64_t Hash(std::string_view text) const;

 private:
  bool Holds(std::string_view view) const;
  long EdgeOffset(size_t pageOffset) const;  // offset in bare_ at a tag edge, or -1

  std::string_view page_;
  Text bare_;                             // the page's bare text
  std::vector<size_t> edges_;             // page offsets where a tag starts or ends, ascending
  std::vector<size_t> bareAt_;            // length of bare_ at each edge
  mutable std::vector<uint32_t> prefix_;  // hash of bare_[0, i), made on the first Hash
  std::deque<Text> computed_;             // bare texts of parts that are not slices
};

}  // namespace plexaro
