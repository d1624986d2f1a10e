#include "quickread/link_fixing.h"

#include <array>
#include <vector>

#include "core/tag_object.h"
#include "web/address.h"
#include "web/event_pump.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

constexpr std::array<std::string_view, 2> kAttributes = {"src=", "href="};
// The quote styles in the order the rewriting passes take them; the order matters (see
// Rewrite).
constexpr std::array<std::string_view, 3> kQuotes = {"\"", "'", ""};
// The attributes that lazily loaded images keep their address in, most wanted first.
constexpr std::array<std::string_view, 4> kLazyImageAttributes = {"zoomfile", "file", "data-src",
                                                                  "real_src"};

// "src=" or "href=" in full-width letters: the mark of a value that the remaining
// passes must leave alone, undone at the end.
const Text& FullWidth(std::string_view attribute) {
  return attribute == "src=" ? gbk("ｓｒｃ＝") : gbk("ｈｒｅｆ＝");
}

// What the relative values are joined to.
struct Bases {
  Text address;    // "#f": the page's own address
  Text query;      // "?q": the base without its query, fragment and the "?"
  Text root;       // "/x": scheme and host, never ending in "/"
  Text directory;  // "x": always ending in "/"
  Text scheme;     // "//host/x": "http:" or "https:"; empty when the base has none
};

std::string_view WithoutQuery(std::string_view address) {
  for (std::string_view mark : {"?", "#"}) {
    long at = FindText(address, mark);
    if (at > 0) address = address.substr(0, size_t(at) - 1);
  }
  return address;
}

// The scheme with its ":" ("https:"); empty when the address has none.
Text SchemeOf(std::string_view address) {
  long at = FindText(address, "://");
  return at > 0 ? Text(address.substr(0, size_t(at))) : Text();
}

Bases BasesOf(std::string_view address, const Text& page) {
  QuickReadTagObject tags;
  tags.Init();
  Text href =
      TagObject::Attribute(tags.FindElement(page, "base", {"href"}, {""}, {}, 0, false, 0), "href");
  Bases bases;
  bases.address = Text(address);
  if (!href.empty()) {
    bool slashed = href.back() == '/';
    bases.root = slashed ? href.substr(0, href.size() - 1) : href;
    bases.directory = slashed ? href : href + "/";
    bases.query = Text(WithoutQuery(href));
  } else {
    bases.root = HostOfAddress(WithoutQuery(address), false, true);
    bases.directory = AddressDirectory(address);
    bases.query = Text(WithoutQuery(address));
  }
  bases.scheme = SchemeOf(bases.root);
  if (bases.scheme.empty()) bases.scheme = SchemeOf(address);
  return bases;
}

// Whether the text starts with a URL scheme and its ":" ("javascript:", "mailto:",
// "data:", "ftp:"): such a value is absolute and must keep its form.
bool StartsWithScheme(std::string_view text) {
  auto letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (text.empty() || !letter(text[0])) return false;
  size_t i = 1;
  while (i < text.size() && (letter(text[i]) || digit(text[i]) || text[i] == '+' ||
                             text[i] == '-' || text[i] == '.')) {
    ++i;
  }
  return i < text.size() && text[i] == ':';
}

// Every occurrence of `what` (case-sensitive) that a scheme follows replaced by `with`.
Text ReplaceBeforeScheme(std::string_view text, std::string_view what, std::string_view with) {
  Text out;
  size_t copied = 0;
  for (long hit = FindText(text, what); hit > 0;
       hit = FindText(text, what, hit + long(what.size()))) {
    size_t at = size_t(hit) - 1;
    size_t after = at + what.size();
    if (!StartsWithScheme(text.substr(after))) continue;
    if (out.empty()) out.reserve(text.size() + 64);
    out.append(text.substr(copied, at - copied)).append(with);
    copied = after;
  }
  if (copied == 0) return Text(text);
  out.append(text.substr(copied));
  return out;
}

// "src=" + q + lead by "src=" + q + prefix + lead, then the same for "href=".
void JoinRelative(Text& text, std::string_view q, std::string_view lead, std::string_view prefix) {
  for (std::string_view attribute : kAttributes) {
    Text what = Text(attribute) + Text(q) + Text(lead);
    text = ReplaceAll(text, what, Text(attribute) + Text(q) + Text(prefix) + Text(lead));
  }
}

// Swaps each attribute whose value is already absolute, whatever its quote, between its
// plain form and its marked (full-width) form: marking protects the value from the
// rewrites, unmarking puts it back.
void SwapAbsoluteMarks(Text& text, bool mark) {
  auto from = [mark](std::string_view attribute) {
    return mark ? Text(attribute) : FullWidth(attribute);
  };
  auto to = [mark](std::string_view attribute) {
    return mark ? FullWidth(attribute) : Text(attribute);
  };
  for (std::string_view q : kQuotes) {
    for (std::string_view attribute : kAttributes) {
      Text tail = Text(q) + "http";
      text = ReplaceAll(text, from(attribute) + tail, to(attribute) + tail);
    }
  }
  for (std::string_view q : kQuotes) {
    for (std::string_view attribute : kAttributes) {
      text = ReplaceBeforeScheme(text, from(attribute) + Text(q), to(attribute) + Text(q));
    }
  }
}

// The passes depend on each other: a quoted value made absolute in one pass starts with
// "http" and is protected in the next, so the last pass (no quote) reaches only the
// unquoted relative values.
Text Rewrite(Text text, const Bases& bases) {
  for (std::string_view q : kQuotes) {
    PumpEvents();
    if (!bases.scheme.empty()) JoinRelative(text, q, "//", bases.scheme);
    JoinRelative(text, q, "/", bases.root);
    JoinRelative(text, q, "#", bases.address);
    JoinRelative(text, q, "?", bases.query);
    SwapAbsoluteMarks(text, true);
    JoinRelative(text, q, "", bases.directory);
  }
  PumpEvents();
  SwapAbsoluteMarks(text, false);
  return text;
}

Text LazyImageAddress(std::string_view tag) {
  for (std::string_view name : kLazyImageAttributes) {
    Text value = TagObject::Attribute(tag, name);
    if (!value.empty()) return value;
  }
  return {};
}

// Each image is rewritten where it stands, in one pass over the page, so that a page of
// many images stays linear.
Text ResolveLazyImages(const Text& text) {
  QuickReadTagObject tags;
  tags.Init();
  const std::vector<Text> names(kLazyImageAttributes.begin(), kLazyImageAttributes.end());
  long count = tags.CollectAll(text, "img", names);
  Text out;
  size_t copied = 0;
  bool changed = false;
  for (long i = 1; i <= count; ++i) {
    PumpEvents();
    Text tag = tags.ElementText(i, true);
    Text value = LazyImageAddress(tag);
    if (tag.empty() || value.empty()) continue;
    long at = FindText(text, tag, long(copied) + 1, Case::kIgnore);
    if (at < 0) continue;  // inside an image element already rewritten
    if (!changed) out.reserve(text.size() + 256);
    out.append(text, copied, size_t(at) - 1 - copied);
    out += TagObject::Attribute(tag, "src", value);
    copied = size_t(at) - 1 + tag.size();
    changed = true;
  }
  if (!changed) return text;
  out.append(text, copied);
  return out;
}

}  // namespace

Text FixLinks(std::string_view address, Text& page) {
  Text text = ResolveLazyImages(TagObject::NormalizeEquals(page));
  page = text;
  Text fixed = Rewrite(std::move(text), BasesOf(address, page));
  return ReplaceAll(fixed, "&amp;", "&", Case::kIgnore);
}

}  // namespace plexaro
