#include "settings/store_text.h"

#include <algorithm>
#include <cstring>

#include "web/event_pump.h"
#include "web/files.h"

namespace plexaro {

std::string_view StoreText::Range(long start, long length) const {
  if (start < 1 || length <= 0 || start > Length()) return {};
  return std::string_view(bytes_).substr(size_t(start - 1), size_t(length));
}

long StoreText::Find(std::string_view what, long start) const {
  if (start < 1) start = 1;
  size_t from = size_t(start - 1);
  if (from > bytes_.size() || what.size() > bytes_.size() - from) return -1;
  if (what.empty()) return from < bytes_.size() ? start : -1;
  const void* hit = memmem(bytes_.data() + from, bytes_.size() - from, what.data(), what.size());
  return hit ? long(static_cast<const char*>(hit) - bytes_.data()) + 1 : -1;
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
    a = Find("\r\n[", a);
    if (a < 0 || a >= to) return -1;
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
