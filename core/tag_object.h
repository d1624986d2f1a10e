// TagObject: finds HTML elements in a page held as GBK Text, without building a tree.
//
// It scans the page bytes for opening tags of a name, filters them by attribute values,
// and finds the matching closing tag by counting nested opening and closing tags. A find
// returns one element, or collects every matching element for reading one by one.
// Positions are 1-based byte positions. Failures are results: the empty text, 0, false.
// An instance belongs to one thread; instances share nothing, so separate instances may
// run in separate threads at the same time.
#pragma once

#include <array>
#include <string_view>
#include <vector>

#include "core/tag_scan.h"
#include "web/text.h"

namespace plexaro {

class TagObject {
 public:
  // Index value of FindElement that collects every matching element.
  static constexpr long kCollect = -1;

  // Ready from construction; kept for creators that prepare their objects explicitly.
  void Init() {}

  // Collect mode of FindElement (with keep raw off) for each "|"-separated tag name in
  // turn, appending to one list; an empty `tagNames` collects elements of any tag.
  // Returns the number of collected elements.
  long CollectAll(std::string_view text, std::string_view tagNames,
                  const std::vector<Text>& attributeNames = {},
                  const std::vector<Text>& attributeValues = {},
                  std::string_view contentFilter = {}, int matchMode = 0,
                  bool allAttributes = false, bool ignoreCase = true, bool innerOnly = false,
                  bool letterOnly = false);

  // The trimmed value of attribute `name` in an element's text (quoted with " or ',
  // or unquoted); the empty text when the attribute is missing or empty.
  static Text Attribute(std::string_view element, std::string_view name);
  // The element text with the value of attribute `name` set to `newValue`; a missing
  // attribute is added to the opening tag first.
  static Text Attribute(std::string_view element, std::string_view name, std::string_view newValue);

  // Match mode 0: some candidate, trimmed, equals `wanted` ignoring ASCII case. Any
  // other mode: `wanted` occurs in some candidate, ignoring ASCII case.
  static bool AttributeMatches(std::string_view wanted, const std::array<Text, 4>& candidates,
                               int matchMode);

  // Moves `position` to the next tag start of `openingTag` after it in the buffer of the
  // find in progress (see TagScanner::FindTagStart), or to -1. Outside a find the buffer
  // is empty and the result is -1.
  void FindTagStart(std::string_view openingTag, long& position);

  // Nesting count used to find an element's closing tag. With `count` false it resets the
  // counters and returns true. Otherwise it adds the opening tags and the closing tags
  // that begin after `from` and before `to`, sets `cursor` to the last tag it counted
  // (unchanged when none) and returns whether both counts are equal.
  bool ClosesBalance(std::string_view openingTag, std::string_view closingTag, long from, long to,
                     long& cursor, bool count);

  // The text returned by the last single-element find (empty when it found nothing).
  Text LastResult() const { return lastResult_; }

  // Index 0 returns the first matching element, n > 0 the n-th, kCollect records every
  // match (nested ones too) and returns their count as decimal text; `append` keeps the
  // elements recorded before. An element runs from its opening tag through its matching
  // closing tag (just the opening tag when it has none). A single find never disturbs the
  // collected elements. The empty text when nothing matches.
  Text FindElement(std::string_view text, std::string_view tagName = {},
                   const std::vector<Text>& attributeNames = {},
                   const std::vector<Text>& attributeValues = {},
                   std::string_view contentFilter = {}, int matchMode = 0,
                   bool allAttributes = false, long index = 0, bool ignoreCase = true,
                   bool innerOnly = false, bool letterOnly = false, bool keepRaw = false,
                   bool append = false);

  // The n-th (1-based) collected element, through NormalizeEquals unless `keepRaw`;
  // the empty text for any other n.
  Text ElementText(long n, bool keepRaw = false) const;
  long ElementCount() const { return long(elementStarts_.size()); }
  // The n-th collected element as written (raw), viewing CollectedText(); empty for any
  // other n. Valid until the next collect.
  std::string_view ElementView(long n) const;
  // The text the collected elements were cut from, as written.
  std::string_view CollectedText() const { return sourceBuffer_; }

  // Every "=" with up to ten blanks (ASCII white space or the ideographic space) on
  // either side collapsed to a bare "="; every other byte is kept.
  static Text NormalizeEquals(std::string_view text);

 private:
  struct Filters;
  struct Scan;
  Text Find(Scan& scan, const Filters& filters);
  long EndBySearch(long start, std::string_view openingTag, std::string_view closingTag,
                   long noClosingEnd);
  long EndByIndex(Scan& scan, long start, std::string_view openingTag, std::string_view closingTag,
                  long noClosingEnd);

  std::vector<long> elementStarts_;
  std::vector<long> elementEnds_;  // exclusive
  Text searchBuffer_;              // the page lower-cased for a find ignoring case
  Text sourceBuffer_;              // the page of the collected elements, as written
  Text lastResult_;
  std::array<long, 2> nestingCounters_{};  // opening tags, closing tags
  TagScanner scanner_;
};

// The quick-read view's element finder. Nesting counters belong to each instance, so
// it behaves exactly like the monitor's finder and shares nothing with it.
using QuickReadTagObject = TagObject;

}  // namespace plexaro
