// Forward searches over the element finder's search buffer, and the matching of
// opening and closing tags.
//
// A scanner only views its buffer: the owner keeps the bytes alive and unchanged while
// the scanner is in use. One scanner belongs to one thread.
#pragma once

#include <string_view>
#include <vector>

#include "web/text.h"

namespace plexaro {

// Positions are 1-based as in FindText. Each needle remembers its last answer, so look-ups
// from increasing positions (the next ">" after each tag, the next opening tag past each
// closing tag of a deep element) never scan the same bytes twice.
class TagScanner {
 public:
  // Views `buffer` and forgets every remembered answer.
  void Reset(std::string_view buffer);
  std::string_view Buffer() const { return buffer_; }

  // FindText(buffer, what, start): the first match at `start` or later, or -1.
  long Find(std::string_view what, long start);

  // The first tag start at `start` or later: a match of `openingTag` (such as "<div")
  // that is not followed by an ASCII digit or lower-case letter, so that "<div" skips
  // "<divx" and "<div2". A one-byte opening tag ("<") accepts every match; a match that
  // ends at the last byte of the buffer has nothing after it and counts. -1 when none.
  long FindTagStart(std::string_view openingTag, long start);

 private:
  struct Memo {
    Text needle;
    bool tagStart;
    long from;    // the start of the search that was remembered
    long result;  // its answer; valid for any later start not past it
  };
  long FindRemembered(std::string_view what, bool tagStart, long start);
  long Search(std::string_view what, bool tagStart, long start) const;

  std::string_view buffer_;
  std::vector<Memo> memos_;
};

// The element ends of every opening tag of one name, matched in one pass over the buffer:
// a closing tag closes the nearest opening tag before it that is still open, which is the
// closing tag at which as many closing as opening tags have been seen since that opening
// tag. Collecting nested elements this way costs no rescanning.
class ElementEnds {
 public:
  static constexpr long kUnclosed = -1;   // the opening tag has no closing tag
  static constexpr long kNotAStart = -2;  // `start` is not one of the opening tags

  ElementEnds(TagScanner& scanner, std::string_view openingTag, std::string_view closingTag);

  // The position just after the closing tag that matches the opening tag at `start`.
  long EndOf(long start) const;

 private:
  std::vector<long> starts_;
  std::vector<long> ends_;
};

}  // namespace plexaro
