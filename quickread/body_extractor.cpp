#include "quickread/body_extractor.h"

#include <algorithm>
#include <unordered_map>

#include "quickread/length_sort.h"
#include "web/event_pump.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

const char kJunkPattern[] =
    "<script[\\s\\S]*?/script>|<style[\\s\\S]*?/style>|<object[\\s\\S]*?/object>|"
    "<select[\\s\\S]*?/select>|<button[\\s\\S]*?/button>|<input[^<]*>";
const char kCommentPattern[] = "<!--[^\\r\\n]*?-->|/\\*[\\s\\S]*?\\*/";

// The elements of one tag name in a cleaned page, in document order, with their bare
// texts. Views point into the tag finder's copy of the page and into `index`.
class Elements {
 public:
  Elements(QuickReadTagObject& tags, std::string_view clean, std::string_view tagName)
      : page(Collect(tags, clean, tagName)), index(page) {
    const long n = tags.ElementCount();
    starts.reserve(size_t(n));
    ends.reserve(size_t(n));
    bare.reserve(size_t(n));
    for (long i = 1; i <= n; ++i) {
      PumpEvents();
      const std::string_view html = tags.ElementView(i);
      const size_t start = size_t(html.data() - page.data());
      starts.push_back(start);
      ends.push_back(start + html.size());
      bare.push_back(index.Of(start, start + html.size()));
    }
  }

  size_t Count() const { return starts.size(); }
  std::string_view Html(size_t i) const { return page.substr(starts[i], ends[i] - starts[i]); }

  std::string_view page;
  BareTextIndex index;
  std::vector<size_t> starts, ends;  // 0-based, end exclusive
  std::vector<BareRef> bare;

 private:
  static std::string_view Collect(QuickReadTagObject& tags, std::string_view clean,
                                  std::string_view tagName) {
    tags.CollectAll(clean, tagName);
    return tags.CollectedText();
  }
};

// Maximum over index ranges, for "does any element inside this one hold enough text".
class RangeMax {
 public:
  explicit RangeMax(const std::vector<size_t>& values) : size_(values.size()), tree_(2 * size_) {
    std::copy(values.begin(), values.end(), tree_.begin() + long(size_));
    for (size_t i = size_; i-- > 1;) tree_[i] = std::max(tree_[2 * i], tree_[2 * i + 1]);
  }

  size_t Of(size_t from, size_t to) const {  // [from, to), 0 when empty
    size_t best = 0;
    for (size_t l = from + size_, r = to + size_; l < r; l >>= 1, r >>= 1) {
      if (l & 1) best = std::max(best, tree_[l++]);
      if (r & 1) best = std::max(best, tree_[--r]);
    }
    return best;
  }

 private:
  size_t size_;
  std::vector<size_t> tree_;
};

bool CanOverlapItself(std::string_view needle) {
  for (size_t shift = 1; shift < needle.size(); ++shift) {
    if (EqualsIgnoreCase(needle.substr(shift), needle.substr(0, needle.size() - shift))) {
      return true;
    }
  }
  return false;
}

// Decides which blocks merely wrap an element of their own kind. Reading a block's html
// afresh for each block would cost the square of the nesting depth; the answers come
// from the page's element list instead. The elements inside a block are the elements of
// the page that start inside it, with the same extent and bare text: both lists match
// opening and closing tags by the same nesting count, and a block always ends with its
// closing tag (a lone opening tag is all markup and has no bare text), so every element
// opened inside it is closed before it.
class WrapperTest {
 public:
  WrapperTest(const Elements& elements, std::string_view tagName)
      : elements_(elements),
        closingTag_("</" + Text(tagName) + ">"),
        directCount_(CanOverlapItself(closingTag_)),
        lengths_(BareLengths(elements)) {
    if (directCount_) return;
    for (long at = FindText(elements.page, closingTag_, 1, Case::kIgnore); at > 0;
         at = FindText(elements.page, closingTag_, at + long(closingTag_.size()), Case::kIgnore)) {
      PumpEvents();
      closings_.push_back(size_t(at) - 1);
    }
  }

  // Block i holds more than one closing tag of its kind, and some element inside it has
  // a non-empty bare text above 30 % of the block's.
  bool IsWrapper(size_t i) const {
    const size_t start = elements_.starts[i], end = elements_.ends[i];
    if (ClosingTagsIn(start, end) == 1) return false;
    const size_t first = i + 1;
    const size_t last =
        size_t(std::lower_bound(elements_.starts.begin(), elements_.starts.end(), end) -
               elements_.starts.begin());
    if (first >= last) return false;
    const size_t longest = lengths_.Of(first, last);
    return longest > 0 && IsAbovePercent(double(longest), double(elements_.bare[i].size()), 30);
  }

 private:
  static std::vector<size_t> BareLengths(const Elements& elements) {
    std::vector<size_t> lengths;
    lengths.reserve(elements.Count());
    for (const BareRef& text : elements.bare) lengths.push_back(text.size());
    return lengths;
  }

  long ClosingTagsIn(size_t start, size_t end) const {
    if (directCount_) {
      return BodyExtractor::CountOccurrences(elements_.page.substr(start, end - start), closingTag_,
                                             true);
    }
    if (end - start < closingTag_.size()) return 0;
    auto from = std::lower_bound(closings_.begin(), closings_.end(), start);
    auto to = std::upper_bound(from, closings_.end(), end - closingTag_.size());
    return long(to - from);
  }

  const Elements& elements_;
  Text closingTag_;
  bool directCount_;
  RangeMax lengths_;
  std::vector<size_t> closings_;  // 0-based offsets of the closing tags in the page
};

struct TextHash {
  const BareTextIndex* index;
  size_t operator()(const BareRef& text) const { return size_t(index->Hash(text)); }
};

struct Group {
  std::vector<size_t> members;  // element numbers, longest html first once sorted
  BareRef text;
};

std::vector<Group> GroupByText(const Elements& elements) {
  std::vector<Group> groups;
  std::unordered_map<BareRef, size_t, TextHash> byText(16, TextHash{&elements.index});
  for (size_t i = 0; i < elements.Count(); ++i) {
    PumpEvents();
    auto [it, added] = byText.try_emplace(elements.bare[i], groups.size());
    if (added) groups.push_back(Group{{}, elements.bare[i]});
    groups[it->second].members.push_back(i);
  }
  return groups;
}

// Walking from the longest group down, a group whose text contains the next shorter
// group's text, and is less than twice as long, is a wrapper of it and goes.
std::vector<size_t> WithoutWrappers(const std::vector<Group>& groups,
                                    const std::vector<size_t>& ascending,
                                    const BareTextIndex& index) {
  std::vector<bool> removed(ascending.size(), false);
  for (size_t l = ascending.size() - 1; l-- > 0;) {
    PumpEvents();
    const BareRef& prev = groups[ascending[l + 1]].text;
    const BareRef& cur = groups[ascending[l]].text;
    if (!prev.empty() && IsAbovePercent(double(cur.size()), double(prev.size()), 50) &&
        index.Contains(prev, cur)) {
      removed[l + 1] = true;
    }
  }
  std::vector<size_t> kept;
  for (size_t l = 0; l < ascending.size(); ++l) {
    if (!removed[l]) kept.push_back(ascending[l]);
  }
  return kept;
}

Text ByRatio(size_t textLength, std::string_view html) {
  if (IsBelowPercent(double(textLength), double(html.size()), 5)) {
    return BodyExtractor::LowRatioMarker();
  }
  return Text(html);
}

}  // namespace

const Text& BodyExtractor::LowRatioMarker() {
  return gbk("[#文字比例低于5%#]");
}

void BodyExtractor::Prepare() {
  tags_.Init();
  junk_.Create(kJunkPattern);
  comments_.Create(kCommentPattern);
}

Text BodyExtractor::Clean(std::string_view page) {
  return comments_.ReplaceAll(junk_.ReplaceAll(page, ""), "");
}

long BodyExtractor::CountOccurrences(std::string_view haystack, std::string_view needle,
                                     bool ignoreCase) {
  // An empty needle would be found again at the same place forever; nothing is counted.
  if (needle.empty()) return 0;
  const Case mode = ignoreCase ? Case::kIgnore : Case::kSensitive;
  long count = 0;
  for (long at = FindText(haystack, needle, 1, mode); at > 0;
       at = FindText(haystack, needle, at + long(needle.size()), mode)) {
    PumpEvents();
    ++count;
  }
  return count;
}

Text BodyExtractor::ExtractByBlocks(std::string_view page, std::string_view tagName) {
  const Text clean = Clean(page);
  const Elements elements(tags_, clean, tagName);
  const WrapperTest wrappers(elements, tagName);
  std::vector<size_t> blocks;
  for (size_t i = 0; i < elements.Count(); ++i) {
    PumpEvents();
    if (!elements.bare[i].empty() && !wrappers.IsWrapper(i)) blocks.push_back(i);
  }
  if (blocks.empty()) return Text();
  SortByKeyProbing(blocks, true, [&](size_t i) { return elements.bare[i].size(); });
  return ByRatio(elements.bare[blocks.front()].size(), elements.Html(blocks.front()));
}

Text BodyExtractor::ExtractByGroups(std::string_view page, std::string_view tagName) {
  const Text clean = Clean(page);
  const Elements elements(tags_, clean, tagName);
  std::vector<Group> groups = GroupByText(elements);
  if (groups.empty()) return Text();
  for (Group& group : groups) {
    SortByKeyProbing(group.members, true, [&](size_t i) { return elements.Html(i).size(); });
  }
  std::vector<size_t> order(groups.size());
  for (size_t g = 0; g < order.size(); ++g) order[g] = g;
  auto textLength = [&](size_t g) { return groups[g].text.size(); };
  SortByKeyProbing(order, false, textLength);
  order = WithoutWrappers(groups, order, elements.index);
  SortByKeyProbing(order, true, textLength);
  const Group& first = groups[order.front()];
  return ByRatio(first.text.size(), elements.Html(first.members.front()));
}

void BodyExtractor::SortByTextLength(std::vector<TextGroup>& list, bool descending) {
  SortByKeyProbing(list, descending, [](const TextGroup& g) { return g.text.size(); });
}

void BodyExtractor::SortByTextLength(std::vector<TextBlock>& list, bool descending) {
  SortByKeyProbing(list, descending, [](const TextBlock& b) { return b.text.size(); });
}

void BodyExtractor::SortByTextLength(std::vector<Text>& list, bool descending) {
  SortByKeyProbing(list, descending, [](const Text& t) { return t.size(); });
}

}  // namespace plexaro
