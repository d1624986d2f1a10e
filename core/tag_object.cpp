#include "core/tag_object.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "web/event_pump.h"
#include "web/markers.h"

namespace plexaro {
namespace {

bool Contains(std::string_view text, std::string_view what) {
  return FindText(text, what, 1, Case::kIgnore) > 0;
}

// Tab, CR and LF separate attributes just as a space does; the attribute test looks
// for a space in front of the name, so the others become spaces for it.
Text WithSpaceSeparators(std::string_view tag) {
  Text out(tag);
  std::replace_if(
      out.begin(), out.end(), [](char c) { return IsBlank(c); }, ' ');
  return out;
}

// The four readings of an attribute's value that the attribute test compares.
std::array<Text, 4> ValueCandidates(std::string_view tag, std::string_view name) {
  const Text marker = " " + Text(name) + "=";
  return {TextBetween(tag, marker + "\"", "\""), TextBetween(tag, marker + "'", "'"),
          TextBetween(tag, marker, " "), TextBetween(tag, marker, ">")};
}

// Where the reading form of Attribute found a value: the text in front of the name (a
// space or nothing), the quote around the value (0 for none) and the value untrimmed.
struct AttributeSpot {
  Text prefix;
  char quote = 0;
  Text value;
};

AttributeSpot LocateAttribute(std::string_view element, std::string_view name) {
  for (const char* prefix : {" ", ""}) {
    const Text marker = prefix + Text(name) + "=";
    for (char quote : {'"', '\''}) {
      const Text q(1, quote);
      Text value = TextBetween(element, marker + q, q);
      // An empty quoted value is a value: it must not fall through to the unquoted
      // reading, which would return the two quotes.
      if (!value.empty() || Contains(element, marker + q + q)) return {prefix, quote, value};
    }
    // Unquoted: up to the next space, or up to ">" when that is shorter; a value at the
    // end of the tag has no space after it, so ">" alone bounds it.
    Text bySpace = TextBetween(element, marker, " ");
    Text byEnd = TextBetween(element, marker, ">");
    if (!byEnd.empty() && (bySpace.empty() || byEnd.size() < bySpace.size())) bySpace = byEnd;
    if (!bySpace.empty()) return {prefix, 0, bySpace};
  }
  return {};
}

// Adds name="" at the end of the opening tag, before its "/>" or ">"; a text without
// ">" is returned unchanged.
Text WithEmptyAttribute(std::string_view element, std::string_view name) {
  Text out(element);
  long close = FindText(out, ">");
  if (close < 0) return out;
  size_t at = size_t(close) - 1;
  if (at > 0 && out[at - 1] == '/') --at;
  out.insert(at, " " + Text(name) + "=\"\"");
  return out;
}

bool IsAsciiBlankByte(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
constexpr char kIdeographicSpace[] = "\xA1\xA1";  // "　" in GBK
constexpr long kMaxBlanksAroundEquals = 10;

// Is `offset` a character start, given that `known` <= offset is one?
bool StartsCharacter(std::string_view text, size_t known, size_t offset) {
  size_t p = offset;
  while (p > known && IsLeadByte(text[p - 1])) --p;  // a byte below 0x80 ends a character
  return (offset - p) % 2 == 0;
}

// The start of the blanks (at most ten) that end right before the "=" at `equals`,
// not reaching before `floor`, a character start.
size_t BlanksBefore(std::string_view text, size_t floor, size_t equals) {
  size_t at = equals;
  for (long n = 0; n < kMaxBlanksAroundEquals && at > floor; ++n) {
    if (IsAsciiBlankByte(text[at - 1]) && StartsCharacter(text, floor, at - 1)) {
      at -= 1;
    } else if (at - floor >= 2 && text.substr(at - 2, 2) == kIdeographicSpace &&
               StartsCharacter(text, floor, at - 2)) {
      at -= 2;
    } else {
      break;
    }
  }
  return at;
}

// The end of the blanks (at most ten) that begin at `from`, a character start.
size_t BlanksAfter(std::string_view text, size_t from) {
  size_t at = from;
  for (long n = 0; n < kMaxBlanksAroundEquals && at < text.size(); ++n) {
    if (IsAsciiBlankByte(text[at])) {
      at += 1;
    } else if (text.substr(at, 2) == kIdeographicSpace) {
      at += 2;
    } else {
      break;
    }
  }
  return at;
}

bool IsAsciiLetter(char c) {
  return AsciiLower(c) >= 'a' && AsciiLower(c) <= 'z';
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}
bool EndsWith(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

// Bytes `start` (1-based) up to `end` (exclusive), cut at the end of the text; empty when
// `start` lies outside the text or `end` is not after it.
std::string_view Slice(std::string_view text, long start, long end) {
  if (start < 1 || end <= start || size_t(start) > text.size()) return {};
  return text.substr(size_t(start) - 1, size_t(end - start));
}

Text Normalized(std::string_view element, bool keepRaw) {
  return keepRaw ? Text(element) : TagObject::NormalizeEquals(element);
}

// The name of the tag that `tag` opens: the bytes after "<" up to the first blank or ">".
std::string_view TagNameOf(std::string_view tag) {
  std::string_view rest = tag.substr(1);
  size_t end = 0;
  while (end < rest.size() && !IsBlank(rest[end]) && rest[end] != '>') ++end;
  return rest.substr(0, end);
}

}  // namespace

// The caller's tests for an opening tag, prepared once per find.
struct TagObject::Filters {
  std::vector<Text> names;
  std::vector<Text> values;   // one per name
  std::vector<Text> markers;  // " " + name + "=", one per name
  std::vector<Text> words;    // the content filter's non-empty words
  int matchMode = 0;
  bool allAttributes = false;

  bool PassesAttributes(std::string_view tag) const {
    if (names.empty()) return true;
    Text spacedCopy;
    std::string_view spaced = tag;
    if (tag.find_first_of("\t\r\n") != std::string_view::npos) {
      spacedCopy = WithSpaceSeparators(tag);
      spaced = spacedCopy;
    }
    for (size_t i = 0; i < names.size(); ++i) {
      // Without " name=" every reading of the value is empty and no wanted value matches.
      bool pass = Contains(spaced, markers[i]) &&
                  (values[i].empty() ||
                   AttributeMatches(values[i], ValueCandidates(spaced, names[i]), matchMode));
      if (pass != allAttributes) return pass;  // any one passes, or all must
    }
    return allAttributes;
  }

  bool PassesContent(std::string_view tag) const {
    if (words.empty()) return true;
    auto found = [&](const Text& word) { return Contains(tag, word); };
    return allAttributes ? std::all_of(words.begin(), words.end(), found)
                         : std::any_of(words.begin(), words.end(), found);
  }
};

// One find in progress.
struct TagObject::Scan {
  std::string_view source;  // the page as written; element texts are cut from it
  Text openingTag;          // "<" + the wanted name, or "<" for any tag
  Text closingTag;          // "</" + the wanted name + ">"
  bool anyTag = false;
  bool ignoreCase = true;
  bool letterOnly = false;
  bool innerOnly = false;
  bool keepRaw = false;
  long index = 0;
  std::map<Text, ElementEnds> endsByTag;  // collect mode: per opening tag
};

long TagObject::CollectAll(std::string_view text, std::string_view tagNames,
                           const std::vector<Text>& attributeNames,
                           const std::vector<Text>& attributeValues, std::string_view contentFilter,
                           int matchMode, bool allAttributes, bool ignoreCase, bool innerOnly,
                           bool letterOnly) {
  auto collect = [&](std::string_view tagName, bool append) {
    FindElement(text, tagName, attributeNames, attributeValues, contentFilter, matchMode,
                allAttributes, kCollect, ignoreCase, innerOnly, letterOnly, false, append);
  };
  elementStarts_.clear();
  elementEnds_.clear();
  if (tagNames.empty()) {
    collect({}, false);
    return ElementCount();
  }
  // An empty piece ("div||p") is no tag name; it must not collect every tag.
  bool append = false;
  for (const Text& name : SplitText(tagNames, "|")) {
    if (name.empty()) continue;
    collect(name, append);
    append = true;
  }
  return ElementCount();
}

Text TagObject::Attribute(std::string_view element, std::string_view name) {
  return Text(TrimBlanks(LocateAttribute(element, name).value));
}

Text TagObject::Attribute(std::string_view element, std::string_view name,
                          std::string_view newValue) {
  Text tag =
      Contains(element, " " + Text(name) + "=") ? Text(element) : WithEmptyAttribute(element, name);
  AttributeSpot spot = LocateAttribute(tag, name);
  Text written = spot.prefix + Text(name) + "=";
  if (spot.quote) written += spot.quote;
  long at = FindText(tag, written + spot.value, 1, Case::kIgnore);
  if (at < 0) return tag;
  tag.replace(size_t(at) - 1, written.size() + spot.value.size(), written + Text(newValue));
  return tag;
}

bool TagObject::AttributeMatches(std::string_view wanted, const std::array<Text, 4>& candidates,
                                 int matchMode) {
  return std::any_of(candidates.begin(), candidates.end(), [&](const Text& candidate) {
    return matchMode == 0 ? EqualsIgnoreCase(TrimBlanks(candidate), wanted)
                          : Contains(candidate, wanted);
  });
}

void TagObject::FindTagStart(std::string_view openingTag, long& position) {
  PumpEvents();
  position = scanner_.FindTagStart(openingTag, position + 1);
}

bool TagObject::ClosesBalance(std::string_view openingTag, std::string_view closingTag, long from,
                              long to, long& cursor, bool count) {
  if (!count) {
    nestingCounters_ = {0, 0};
    return true;
  }
  long last = -1;
  for (long at = from;;) {
    FindTagStart(openingTag, at);
    if (at < 0 || at >= to) break;
    ++nestingCounters_[0];
    last = std::max(last, at);
  }
  for (long at = scanner_.Find(closingTag, from + 1); at > 0 && at < to;
       at = scanner_.Find(closingTag, at + 1)) {
    ++nestingCounters_[1];
    last = std::max(last, at);
  }
  if (last > 0) cursor = last;
  return nestingCounters_[0] == nestingCounters_[1];
}

Text TagObject::FindElement(std::string_view text, std::string_view tagName,
                            const std::vector<Text>& attributeNames,
                            const std::vector<Text>& attributeValues,
                            std::string_view contentFilter, int matchMode, bool allAttributes,
                            long index, bool ignoreCase, bool innerOnly, bool letterOnly,
                            bool keepRaw, bool append) {
  const bool collect = index == kCollect;
  if (collect && !append) {
    elementStarts_.clear();
    elementEnds_.clear();
  }
  Scan scan;
  scan.index = index;
  scan.ignoreCase = ignoreCase;
  scan.innerOnly = innerOnly;
  scan.letterOnly = letterOnly;
  scan.keepRaw = keepRaw;
  scan.anyTag = tagName.empty();
  // A single find reads the caller's text in place and so leaves the collected page alone.
  if (collect) sourceBuffer_.assign(text.data(), text.size());
  scan.source = collect ? std::string_view(sourceBuffer_) : text;
  if (ignoreCase) {
    searchBuffer_.assign(scan.source.data(), scan.source.size());
    AsciiLowerInPlace(searchBuffer_);
  }
  scanner_.Reset(ignoreCase ? std::string_view(searchBuffer_) : scan.source);
  PumpEvents();

  const Text name = ignoreCase ? AsciiLowerText(tagName) : Text(tagName);
  scan.openingTag = "<" + name;
  if (!scan.anyTag) scan.closingTag = "</" + name + ">";

  Filters filters;
  filters.names = attributeNames;
  filters.values = attributeValues;
  filters.values.resize(filters.names.size());
  for (const Text& attribute : filters.names) filters.markers.push_back(" " + attribute + "=");
  for (Text& word : SplitText(contentFilter, "|")) {
    if (!word.empty()) filters.words.push_back(std::move(word));
  }
  filters.matchMode = matchMode;
  filters.allAttributes = allAttributes;

  Text result = Find(scan, filters);
  scanner_.Reset({});
  searchBuffer_.clear();
  return result;
}

Text TagObject::Find(Scan& scan, const Filters& filters) {
  const bool collect = scan.index == kCollect;
  long passed = 0;
  for (long g = 0;;) {
    FindTagStart(scan.openingTag, g);
    if (g < 0) break;
    const long close = scanner_.Find(">", g + 1);
    if (close < 0) continue;
    const std::string_view tag = scan.source.substr(size_t(g) - 1, size_t(close - g) + 1);
    if (StartsWith(tag, "</")) continue;
    if (!filters.PassesAttributes(tag) || !filters.PassesContent(tag)) continue;
    // Letter only is tested before counting, so that index n means the n-th element that
    // passes every test.
    if (scan.anyTag && scan.letterOnly && !IsAsciiLetter(tag[1])) {
      continue;
    }
    if (scan.index > 0 && ++passed != scan.index) continue;

    Text openingTag = scan.openingTag, closingTag = scan.closingTag;
    if (scan.anyTag) {
      const Text name = scan.ignoreCase ? AsciiLowerText(TagNameOf(tag)) : Text(TagNameOf(tag));
      openingTag = "<" + name;
      closingTag = "</" + name + ">";
    }
    const long tagEnd = g + long(tag.size());
    const bool selfClosing = EndsWith(tag, "/>");
    long end = tagEnd;
    if (!selfClosing) {
      end = collect ? EndByIndex(scan, g, openingTag, closingTag, tagEnd)
                    : EndBySearch(g, openingTag, closingTag, tagEnd);
    }
    long start = g;
    if (scan.innerOnly) {
      start = tagEnd;
      if (!selfClosing) end -= long(closingTag.size());
    }
    if (collect) {
      elementStarts_.push_back(start);
      elementEnds_.push_back(end);
      continue;  // elements nested inside this one are found too
    }
    lastResult_ = Normalized(Slice(scan.source, start, end), scan.keepRaw);
    return lastResult_;
  }
  if (collect) return std::to_string(elementStarts_.size());
  lastResult_.clear();
  return Text();
}

long TagObject::EndBySearch(long start, std::string_view openingTag, std::string_view closingTag,
                            long noClosingEnd) {
  long cursor = start;
  ClosesBalance(openingTag, closingTag, start, start, cursor, false);
  for (long s = start;;) {
    s = scanner_.Find(closingTag, s + 1);
    if (s < 0) return noClosingEnd;
    if (ClosesBalance(openingTag, closingTag, cursor, s, cursor, true)) {
      return s + long(closingTag.size());
    }
  }
}

long TagObject::EndByIndex(Scan& scan, long start, std::string_view openingTag,
                           std::string_view closingTag, long noClosingEnd) {
  auto it = scan.endsByTag.find(Text(openingTag));
  if (it == scan.endsByTag.end()) {
    it = scan.endsByTag.try_emplace(Text(openingTag), scanner_, openingTag, closingTag).first;
  }
  long end = it->second.EndOf(start);
  if (end == ElementEnds::kNotAStart)
    return EndBySearch(start, openingTag, closingTag, noClosingEnd);
  return end == ElementEnds::kUnclosed ? noClosingEnd : end;
}

Text TagObject::ElementText(long n, bool keepRaw) const {
  if (n < 1 || size_t(n) > elementStarts_.size() || size_t(n) > elementEnds_.size()) return Text();
  return Normalized(
      Slice(sourceBuffer_, elementStarts_[size_t(n) - 1], elementEnds_[size_t(n) - 1]), keepRaw);
}

std::string_view TagObject::ElementView(long n) const {
  if (n < 1 || size_t(n) > elementStarts_.size() || size_t(n) > elementEnds_.size()) return {};
  return Slice(sourceBuffer_, elementStarts_[size_t(n) - 1], elementEnds_[size_t(n) - 1]);
}

Text TagObject::NormalizeEquals(std::string_view text) {
  // The same replacement as the pattern "[\s　]{0,10}=[\s　]{0,10}" → "=", matched
  // leftmost and greedily from the end of the previous match, done on the bytes so that
  // bytes that are not valid GBK pass through unchanged.
  Text out;
  size_t copied = 0;  // everything before was written to `out`
  size_t floor = 0;   // a character start; no match reaches before it
  while (floor < text.size()) {
    const void* hit = std::memchr(text.data() + floor, '=', text.size() - floor);
    if (!hit) break;
    const size_t equals = static_cast<const char*>(hit) - text.data();
    if (!StartsCharacter(text, floor, equals)) {  // the trail byte of a character
      floor = equals + 1;
      continue;
    }
    const size_t from = BlanksBefore(text, floor, equals);
    const size_t to = BlanksAfter(text, equals + 1);
    if (out.empty()) out.reserve(text.size());
    out.append(text.substr(copied, from - copied));
    out += '=';
    copied = floor = to;
  }
  if (copied == 0) return Text(text);
  out.append(text.substr(copied));
  return out;
}

}  // namespace plexaro
