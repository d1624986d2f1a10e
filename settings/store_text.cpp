#include "settings/store_text.h"

#include <algorithm>
#include <cstring>

#include "web/event_pump.h"
#include "web/files.h"

namespace plexaro {
namespace {

// How common a byte is in configuration text, lower for rarer: brackets are rare, the
// line-structure bytes appear about once a line, letters, digits, blanks and the bytes
// of Chinese text are everywhere.
int Commonness(unsigned char byte) {
  if (byte == '[' || byte == ']') return 0;
  if (byte == '=' || byte == '\r' || byte == '\n') return 2;
  if (byte >= 0x80 || byte == ' ' || (byte >= '0' && byte <= '9') ||
      ((byte | 0x20) >= 'a' && (byte | 0x20) <= 'z')) {
    return 3;
  }
  return 1;
}

// The first match of a non-empty `what` in text[from, stop), or null. Scans for the
// needle's rarest byte with memchr and compares around it, which is many times faster
// than memmem while that byte stays rare; when it turns out common here, memmem takes
// over for the rest.
const char* FindInRange(const char* text, size_t from, size_t stop, std::string_view what) {
  size_t anchor = 0;
  for (size_t i = 1; i < what.size(); ++i) {
    if (Commonness(what[i]) < Commonness(what[anchor])) anchor = i;
  }
  const char* begin = text + from;
  const char* last = text + stop - what.size();  // the last possible start
  const char* candidate = begin;
  size_t misses = 0;
  while (candidate <= last) {
    if (misses > 16 && size_t(candidate - begin) < misses * 32) {
      return static_cast<const char*>(
          memmem(candidate, size_t(last - candidate) + what.size(), what.data(), what.size()));
    }
    const void* hit = std::memchr(candidate + anchor, what[anchor], size_t(last - candidate) + 1);
    if (!hit) return nullptr;
    candidate = static_cast<const char*>(hit) - anchor;
    if (std::memcmp(candidate, what.data(), what.size()) == 0) return candidate;
    ++candidate;
    ++misses;
  }
  return nullptr;
}

}  // namespace

std::string_view StoreText::Range(long start, long length) const {
  if (start < 1 || length <= 0 || start > Length()) return {};
  return std::string_view(bytes_).substr(size_t(start - 1), size_t(length));
}

long StoreText::Find(std::string_view what, long start) const {
  return FindBefore(what, start, Length() + 1);
}

long StoreText::FindBefore(std::string_view what, long start, long end) const {
  if (start < 1) start = 1;
  size_t from = size_t(start - 1);
  if (what.empty()) return from < bytes_.size() && start < end ? start : -1;
  // Matches must begin before `end`, so the bytes searched stop at end - 2 + size.
  size_t stop = end <= 1 ? 0 : std::min(bytes_.size(), size_t(end - 2) + what.size());
  if (from >= stop || what.size() > stop - from) return -1;
  const char* hit = FindInRange(bytes_.data(), from, stop, what);
  return hit ? long(hit - bytes_.data()) + 1 : -1;
}

long StoreText::FindBackward(std::string_view what, long start) const {
  if (what.empty() || what.size() > bytes_.size()) return -1;
  long lastStart = long(bytes_.size() - what.size()) + 1;
  if (start >= 1 && start < lastStart) lastStart = start;
  const char* base = bytes_.data();
  size_t span = size_t(lastStart);  // candidate offsets 0 .. lastStart - 1
  while (span > 0) {
    const void* hit = memrchr(base, what[0], span);
    if (!hit) return -1;
    size_t offset = size_t(static_cast<const char*>(hit) - base);
    if (std::memcmp(base + offset, what.data(), what.size()) == 0) return long(offset) + 1;
    span = offset;
  }
  return -1;
}

long StoreText::LineEnd(long from) const {
  long lineBreak = Find(kLineBreak, from);
  return lineBreak < 0 ? Length() : lineBreak - 1;
}

bool StoreText::StartsLine(long position) const {
  return position == 1 || (position >= 3 && Range(position - 2, 2) == kLineBreak);
}

void StoreText::Replace(long start, long length, std::string_view bytes) {
  size_t at = size_t(std::clamp<long>(start, 1, Length() + 1) - 1);
  size_t count = length <= 0 ? 0 : std::min(size_t(length), bytes_.size() - at);
  bytes_.replace(at, count, bytes);
}

bool StoreText::LoadFile(std::string_view gbkPath) {
  return ReadWholeFile(gbkPath, bytes_);
}

HeaderPosition StoreText::FindHeader(std::string_view name, long from,
                                     const HeaderRule& rule) const {
  std::string pattern;
  pattern.reserve(name.size() + 2);
  pattern.append("[").append(name).append("]");
  for (;;) {
    // The pump may run a handler that edits this text: positions are taken after it.
    if (rule.pumpEachStep) PumpEvents();
    long at = Find(pattern, from);
    if (at < 0) return {};
    if (StartsLine(at) || (rule.acceptSecondPosition && at == 2)) {
      return {at, at + long(pattern.size()) - 1};
    }
    from = at + rule.resumeStep;
  }
}

EntryPosition StoreText::FindEntry(const HeaderPosition& header, std::string_view key,
                                   long skip) const {
  std::string pattern;
  pattern.reserve(key.size() + 3);
  pattern.append(kLineBreak).append(key).append("=");
  long lineStart = Find(pattern, header.end + skip);
  if (lineStart < 0 || FindNextHeader(header.end + 1, lineStart + 1) != -1) return {};
  EntryPosition entry;
  entry.lineStart = lineStart;
  entry.keyStart = lineStart + 2;
  entry.valueStart = entry.keyStart + long(key.size()) + 1;
  entry.valueEnd = LineEnd(entry.valueStart);
  return entry;
}

long StoreText::FindNextHeader(long from, long to) const {
  long a = from;
  long close = -1;  // the last "]" CR LF found; still the first one at or after any a <= it
  for (;;) {
    a = FindBefore("\r\n[", a, to);  // a CR LF "[" at or after `to` ends the search
    if (a < 0) return -1;
    a += 2;
    if (close < a) close = Find("]\r\n", a);
    // Without a "]" CR LF after this "[", there is none after any later one either.
    if (close < 0) return -1;
    if (close > to) return -1;
    long lineBreak = Find(kLineBreak, a);
    if (lineBreak < 0 || lineBreak + 1 > close - 1) return a;
  }
}

std::string ReplaceBytes(std::string_view text, std::string_view what, std::string_view with) {
  std::string out;
  if (what.empty()) return std::string(text);
  size_t from = 0;
  for (;;) {
    size_t hit = text.find(what, from);
    if (hit == std::string_view::npos) break;
    if (out.empty()) out.reserve(text.size() + with.size());
    out.append(text.substr(from, hit - from)).append(with);
    from = hit + what.size();
  }
  if (from == 0) return std::string(text);
  out.append(text.substr(from));
  return out;
}

}  // namespace plexaro
