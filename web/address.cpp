#include "web/address.h"

#include <algorithm>
#include <array>

#include "web/event_pump.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

// The length of the address before its query or fragment.
size_t PathEnd(std::string_view address) {
  long query = FindText(address, "?");
  long fragment = FindText(address, "#");
  long end = query < 0 ? fragment : (fragment < 0 ? query : std::min(query, fragment));
  return end < 0 ? address.size() : size_t(end) - 1;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

constexpr std::array<std::string_view, 8> kCompoundSuffixLabels = {"com", "net", "org",  "edu",
                                                                   "gov", "tel", "info", "name"};

bool HasCompoundSuffix(std::string_view lowerHost) {
  for (std::string_view label : kCompoundSuffixLabels) {
    Text dotted = "." + Text(label) + ".";
    if (FindText(lowerHost, dotted) > 0) return true;
  }
  return false;
}

// The part after the `count`-th dot from the right, or the whole host when it has fewer.
Text AfterDotFromRight(const Text& host, int count) {
  long before = kWholeText;
  long dot = -1;
  for (int i = 0; i < count; ++i) {
    dot = FindTextBackward(host, ".", before);
    if (dot < 0) return host;
    before = dot;  // the next dot must end before this one
  }
  return host.substr(size_t(dot));
}

Text MainDomain(const Text& host) {
  Text lower = AsciiLowerText(host);
  Text main = AfterDotFromRight(lower, HasCompoundSuffix(lower) ? 3 : 2);
  return "www." + main == lower ? host : main;
}

// Pump roughly every this many input bytes: often enough on megabytes, cheap on words.
constexpr size_t kPumpInterval = 64 * 1024;

// Choosing here which bytes stay literal gives the same text as escaping them and then
// turning "%2E|%5F|%2D" (and "%26|%3D") back, since such a text only ever occurs as the
// escape of that very byte.
bool StaysLiteral(unsigned char byte, bool keepAmpersandAndEquals, bool encodeEverything) {
  if (keepAmpersandAndEquals && (byte == '&' || byte == '=')) return true;
  if (encodeEverything) return false;
  return (byte >= '0' && byte <= '9') || (byte >= 'a' && byte <= 'z') ||
         (byte >= 'A' && byte <= 'Z') || byte == '.' || byte == '_' || byte == '-';
}

}  // namespace

Text HostOfAddress(std::string_view address, bool mainDomain, bool withScheme) {
  long slashes = FindText(address, "//");
  long start = slashes > 0 ? slashes + 2 : 1;
  long end = FindText(address, "/", start);
  if (end < 0) end = long(address.size()) + 1;
  Text host = Mid(address, start, end - start);
  if (mainDomain && !host.empty()) host = MainDomain(host);
  if (!withScheme) return host;
  long scheme = FindText(address, "://");
  return scheme > 0 ? Mid(address, 1, scheme + 2) + host : host;
}

Text UrlEncode(std::string_view text, bool asUtf8, bool keepAmpersandAndEquals,
               bool encodeEverything) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string utf8;
  if (asUtf8) utf8 = GbkToUtf8(text);
  std::string_view bytes = asUtf8 ? std::string_view(utf8) : text;
  Text out;
  out.reserve(bytes.size() * 3);
  for (size_t i = 0; i < bytes.size(); ++i) {
    unsigned char byte = bytes[i];
    if (asUtf8 && byte == 0) continue;  // "%00" is removed in UTF-8 mode
    if (StaysLiteral(byte, keepAmpersandAndEquals, encodeEverything)) {
      out += char(byte);
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    }
    if (i % kPumpInterval == kPumpInterval - 1) PumpEvents();
  }
  return out;
}

Text ParentPath(std::string_view path, char separator) {
  long last = FindTextBackward(path, std::string_view(&separator, 1));
  return last > 0 ? Text(path.substr(0, size_t(last) - 1)) : Text();
}

// A query may hold "/" (a forwarded address), so the directory is taken from the path
// alone; a bare host is its own directory rather than the scheme's slashes.
Text AddressDirectory(std::string_view address) {
  std::string_view path = address.substr(0, PathEnd(address));
  long scheme = FindText(path, "://");
  long hostStart = scheme > 0 ? scheme + 3 : 1;
  long slash = FindTextBackward(path, "/");
  if (slash < hostStart) return Text(path) + "/";
  return Text(path.substr(0, size_t(slash)));
}

Text AbsoluteAddress(std::string_view base, std::string_view link) {
  if (link.empty()) return Text(base);
  if (FindText(link, "://") > 0) return Text(link);
  if (StartsWith(link, "//")) {
    long scheme = FindText(base, "://");
    return (scheme > 0 ? Text(base.substr(0, size_t(scheme))) : Text("http:")) + Text(link);
  }
  if (StartsWith(link, "/")) {
    return HostOfAddress(base.substr(0, PathEnd(base)), false, true) + Text(link);
  }
  if (StartsWith(link, "?")) return Text(base.substr(0, PathEnd(base))) + Text(link);
  if (StartsWith(link, "#")) {
    long fragment = FindText(base, "#");
    return Text(base.substr(0, fragment > 0 ? size_t(fragment) - 1 : base.size())) + Text(link);
  }
  return AddressDirectory(base) + Text(link);
}

}  // namespace plexaro
