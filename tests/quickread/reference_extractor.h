// A direct and slow reading of the density strategies, step by step, on the regular-
// expression engine and fresh element finders. The tests hold the fast extractor to it.
#pragma once

#include <string_view>
#include <vector>

#include "core/tag_object.h"
#include "quickread/body_extractor.h"
#include "web/regex.h"
#include "web/text.h"

namespace plexaro::reference {

// The probing insertion sort, literally: probe ceil(j/2), then walk.
template <typename T, typename KeyOf>
void ProbingSort(std::vector<T>& list, bool descending, KeyOf keyOf) {
  std::vector<T> placed;
  std::vector<size_t> keys;
  for (T& item : list) {
    const size_t key = keyOf(item);
    const size_t j = placed.size();
    size_t at = 0;  // 0-based insertion index
    if (j > 0) {
      const size_t p = (j + 1) / 2;  // 1-based
      const bool probeSmaller = keys[p - 1] < key;
      if (descending == probeSmaller) {
        // Walk towards the front to the first key beyond ours; insert after it.
        long q = long(p);
        while (q >= 1 && !(descending ? keys[q - 1] > key : keys[q - 1] < key)) --q;
        at = size_t(q);
      } else {
        // Walk towards the end to the first key short of ours; insert before it.
        size_t q = p;
        while (q <= j && !(descending ? keys[q - 1] < key : keys[q - 1] > key)) ++q;
        at = q - 1;
      }
    }
    placed.insert(placed.begin() + long(at), std::move(item));
    keys.insert(keys.begin() + long(at), key);
  }
  list = std::move(placed);
}

inline Text BareTextByPatterns(std::string_view fragment) {
  RegexObject markup, space;
  markup.Create("<a [\\s\\S]+?/a>|<[\\s\\S]+?>");
  space.Create("\\s");
  return space.ReplaceAll(markup.ReplaceAll(fragment, ""), "");
}

inline Text Blocks(BodyExtractor& cleaner, std::string_view page, std::string_view tagName) {
  const Text clean = cleaner.Clean(page);
  TagObject tags;
  const long n = tags.CollectAll(clean, tagName);
  std::vector<TextBlock> blocks;
  for (long i = 1; i <= n; ++i) {
    Text html = tags.ElementText(i, true);
    Text text = BareTextByPatterns(html);
    if (!text.empty()) blocks.push_back({html, text});
  }
  const Text closing = "</" + Text(tagName) + ">";
  for (size_t k = blocks.size(); k >= 1; --k) {
    const TextBlock& block = blocks[k - 1];
    if (BodyExtractor::CountOccurrences(block.html, closing, true) == 1) continue;
    TagObject inner;
    const long m = inner.CollectAll(block.html, tagName);
    for (long j = 2; j <= m; ++j) {
      const Text sub = BareTextByPatterns(inner.ElementText(j, true));
      if (!sub.empty() && IsAbovePercent(double(sub.size()), double(block.text.size()), 30)) {
        blocks.erase(blocks.begin() + long(k - 1));
        break;
      }
    }
  }
  if (blocks.empty()) return Text();
  ProbingSort(blocks, true, [](const TextBlock& b) { return b.text.size(); });
  const TextBlock& first = blocks.front();
  if (IsBelowPercent(double(first.text.size()), double(first.html.size()), 5)) {
    return BodyExtractor::LowRatioMarker();
  }
  return first.html;
}

inline Text Groups(BodyExtractor& cleaner, std::string_view page, std::string_view tagName) {
  const Text clean = cleaner.Clean(page);
  TagObject tags;
  const long n = tags.CollectAll(clean, tagName);
  std::vector<TextGroup> groups;
  for (long i = 1; i <= n; ++i) {
    Text html = tags.ElementText(i, true);
    Text text = BareTextByPatterns(html);
    bool joined = false;
    for (TextGroup& group : groups) {
      if (group.text == text) {
        group.htmls.push_back(html);
        joined = true;
        break;
      }
    }
    if (!joined) groups.push_back({{html}, text});
  }
  if (groups.empty()) return Text();
  for (TextGroup& group : groups) {
    ProbingSort(group.htmls, true, [](const Text& t) { return t.size(); });
  }
  auto textLength = [](const TextGroup& g) { return g.text.size(); };
  ProbingSort(groups, false, textLength);
  Text prev;
  for (size_t l = groups.size(); l >= 1; --l) {
    const Text cur = groups[l - 1].text;
    if (!prev.empty() && FindText(prev, cur) > 0 &&
        IsAbovePercent(double(cur.size()), double(prev.size()), 50)) {
      groups.erase(groups.begin() + long(l));
    }
    prev = cur;
  }
  ProbingSort(groups, true, textLength);
  const TextGroup& first = groups.front();
  if (IsBelowPercent(double(first.text.size()), double(first.htmls.front().size()), 5)) {
    return BodyExtractor::LowRatioMarker();
  }
  return first.htmls.front();
}

}  // namespace plexaro::reference
