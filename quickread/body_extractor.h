// BodyExtractor: finds the HTML fragment that holds a page's body text.
//
// Two density strategies work on any page: the body is the element whose bare text is
// long compared with its markup, and an element that merely wraps a smaller one holding
// most of its text is not the body. The marker strategy takes the elements that a known
// site's opening tags name. Pages and results are GBK Text. No operation fails: a page
// without usable elements gives the empty text. One object per quick-read request, used
// only by the thread that created it.
#pragma once

#include <string_view>
#include <vector>

#include "core/tag_object.h"
#include "quickread/bare_text.h"
#include "web/regex.h"
#include "web/text.h"

namespace plexaro {

enum class ExtractMode {
  GroupDensity = 0,  // ExtractByGroups on "div" and "table", then layout arbitration
  BlockDensity = 1,  // ExtractByBlocks on "div" and "table", then layout arbitration
  MarkerFirst = 2,   // the first element of each marker
  MarkerAll = 3,     // every element of each marker
};

// An element's raw text from its opening tag through its closing tag, and its bare text.
struct TextBlock {
  Text html;
  Text text;
};

// The raw texts of all elements whose bare text is `text`.
struct TextGroup {
  std::vector<Text> htmls;
  Text text;
};

class BodyExtractor {
 public:
  // What a density strategy returns when its best candidate's bare text is below 5 % of
  // its raw length. Extract never passes it on.
  static const Text& LowRatioMarker();

  // Compiles the cleaning patterns. Run once by the creator before any other operation;
  // without it Clean leaves pages as they are.
  void Prepare();

  // The body fragment of `page` by `mode`; `markers` ("|"-separated opening tags such as
  // "<div class=\"post\">") only for the marker modes. The empty text when nothing was
  // found, and for a mode outside the four.
  Text Extract(std::string_view page, ExtractMode mode, std::string_view markers = {});

  // The elements the markers name, cleaned and with the blanks around "=" removed. Each
  // marker that is not blank gives every matching element followed by "\r\n" (`all`) or
  // its first matching element, and the markers' texts follow each other in marker order,
  // with "\r\n" in front of each once something came before. With `all`, a marker's
  // elements stop before the first that would take the result past 4 times the page's
  // size plus 1 MB (only nested matches repeating each other come near that).
  Text ExtractByMarkers(std::string_view page, std::string_view markers, bool all);

  // The density strategies for one tag name ("div" or "table"): an element's raw text,
  // the empty text, or LowRatioMarker().
  Text ExtractByGroups(std::string_view page, std::string_view tagName);
  Text ExtractByBlocks(std::string_view page, std::string_view tagName);

  // The probing insertion sort by the byte length of the text (of `text` for the
  // records); its tie order decides between equally long candidates (length_sort.h).
  static void SortByTextLength(std::vector<TextGroup>& list, bool descending);
  static void SortByTextLength(std::vector<TextBlock>& list, bool descending);
  static void SortByTextLength(std::vector<Text>& list, bool descending);

  // The page without scripts, styles, objects, selects, buttons, inputs and comments.
  Text Clean(std::string_view page);
  // The number of non-overlapping occurrences of `needle`, never starting on the second
  // byte of a double-byte character; `ignoreCase` folds ASCII letters only. 0 for an
  // empty needle.
  static long CountOccurrences(std::string_view haystack, std::string_view needle, bool ignoreCase);

 private:
  QuickReadTagObject tags_;
  RegexObject junk_;
  RegexObject comments_;
};

}  // namespace plexaro
