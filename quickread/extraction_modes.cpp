// The entry operation of the body extractor and the marker strategy.
#include <algorithm>

#include "quickread/body_extractor.h"
#include "web/event_pump.h"
#include "web/markers.h"

namespace plexaro {
namespace {

constexpr std::string_view kFullWidthSpace = "\xA1\xA1";  // "　" in GBK
constexpr std::string_view kLineBreak = "\r\n";

// Element texts that nest inside each other repeat each other, and every matching
// element of a deep nest would make the joined result grow with the square of the page.
// A result is never allowed past this many bytes; normal pages stay far below it.
size_t MarkerResultLimit(size_t pageSize) {
  return 4 * pageSize + (size_t(1) << 20);
}

std::string_view TrimSpaces(std::string_view text) {
  for (;;) {
    if (!text.empty() && text.front() == ' ') {
      text.remove_prefix(1);
    } else if (text.substr(0, 2) == kFullWidthSpace) {
      text.remove_prefix(2);
    } else {
      break;
    }
  }
  for (;;) {
    if (!text.empty() && text.back() == ' ') {
      text.remove_suffix(1);
    } else if (text.size() >= 2 && text.substr(text.size() - 2) == kFullWidthSpace &&
               IsCharBoundary(text, text.size() - 2)) {
      text.remove_suffix(2);
    } else {
      break;
    }
  }
  return text;
}

// What one marker such as "<div class=\"post\">" asks for: a tag name and attribute
// values that every matching element must carry.
struct Marker {
  Text tagName;
  std::vector<Text> names;
  std::vector<Text> values;
};

// The split at spaces only tells which attributes there are; each value is read from the
// whole marker, so a value holding spaces comes out whole.
Marker ParseMarker(std::string_view text) {
  Marker marker;
  marker.tagName = TextBetween(text, "<", " ");
  if (marker.tagName.empty()) marker.tagName = TextBetween(text, "<", ">");
  for (const Text& piece : SplitText(text, " ")) {
    const std::vector<Text> parts = SplitText(piece, "=");
    if (parts.size() < 2 || parts[0].empty() || parts[1].empty()) continue;
    marker.names.push_back(parts[0]);
    marker.values.push_back(TagObject::Attribute(text, parts[0]));
  }
  return marker;
}

bool IsLowRatio(std::string_view candidate) {
  return candidate == BodyExtractor::LowRatioMarker();
}

}  // namespace

Text BodyExtractor::Extract(std::string_view page, ExtractMode mode, std::string_view markers) {
  Text first, second;
  switch (mode) {
    case ExtractMode::GroupDensity:
      first = ExtractByGroups(page, "div");
      second = ExtractByGroups(page, "table");
      break;
    case ExtractMode::BlockDensity:
      first = ExtractByBlocks(page, "div");
      second = ExtractByBlocks(page, "table");
      break;
    case ExtractMode::MarkerFirst:
    case ExtractMode::MarkerAll:
      first = ExtractByMarkers(page, markers, mode == ExtractMode::MarkerAll);
      return IsLowRatio(first) ? Text() : first;
    default:
      return Text();
  }
  // The table layout wins when it says clearly more than four fifths of what the div
  // layout says; the marker of a low ratio is measured like any text.
  const double divLength = double(BareText(first).size());
  const double tableLength = double(BareText(second).size());
  const bool takeTable =
      divLength == 0 ? tableLength > 0 : IsAbovePercent(tableLength, divLength, 80);
  Text& chosen = takeTable ? second : first;
  return IsLowRatio(chosen) ? Text() : std::move(chosen);
}

Text BodyExtractor::ExtractByMarkers(std::string_view page, std::string_view markers, bool all) {
  const std::vector<Text> texts = SplitText(markers, "|");
  const Text clean = Clean(page);
  const size_t limit = MarkerResultLimit(clean.size());
  Text result;
  for (const Text& text : texts) {
    PumpEvents();
    if (TrimSpaces(text).empty()) continue;
    const Marker marker = ParseMarker(text);
    Text found;
    if (all) {
      const long n =
          tags_.CollectAll(clean, marker.tagName, marker.names, marker.values, {}, 0, true);
      for (long i = 1; i <= n; ++i) {
        PumpEvents();
        const size_t size = tags_.ElementView(i).size() + kLineBreak.size();
        if (result.size() + found.size() + size > limit) break;
        found += tags_.ElementText(i);
        found += kLineBreak;
      }
    } else {
      found = tags_.FindElement(clean, marker.tagName, marker.names, marker.values, {}, 0, true, 0);
    }
    if (!result.empty()) result += kLineBreak;
    result += found;
  }
  return result;
}

}  // namespace plexaro
