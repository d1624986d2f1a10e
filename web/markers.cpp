#include "web/markers.h"

#include <algorithm>

#include "web/gbk.h"

namespace plexaro {
namespace {

// The source with a fill-in literal before and/or after it, searched exactly as if the
// three were one text, without copying the source. Only short windows around the two
// seams (at most a marker's length plus the literal) are ever copied.
//
// The head must consist of whole characters (the fill-in literals do), so every offset
// in the body is a character boundary exactly when it is one in the body alone.
class ExtendedSource {
 public:
  ExtendedSource(std::string_view head, std::string_view body, std::string_view tail)
      : head_(head), body_(body), tail_(tail) {}

  size_t size() const { return head_.size() + body_.size() + tail_.size(); }

  // FindText(joined, what, start, Case::kIgnore).
  long Find(std::string_view what, long start) const {
    if (what.empty()) return size() > 0 ? 1 : -1;
    const size_t from = start < 1 ? 0 : size_t(start) - 1;
    if (from >= size() || what.size() > size() - from) return -1;
    const size_t h = head_.size();
    if (from < h) {  // a match beginning in the head, possibly running on into the body
      Text window = Window(0, HeadWindowEnd(what));
      long hit = FindText(window, what, long(from) + 1, Case::kIgnore);
      if (hit > 0 && size_t(hit) <= h) return hit;
    }
    const size_t bodyFrom = std::max(from, h) - h;
    if (bodyFrom < body_.size()) {
      long hit = FindText(body_, what, long(bodyFrom) + 1, Case::kIgnore);
      if (hit > 0) return hit + long(h);
    }
    if (tail_.empty()) return -1;
    const size_t w0 = TailWindowStart(what);
    Text window = Window(w0, size());
    long hit = FindText(window, what, long(std::max(from, w0) - w0) + 1, Case::kIgnore);
    return hit > 0 ? hit + long(w0) : -1;
  }

  // FindTextBackward(joined, what, before, Case::kIgnore).
  long FindBackward(std::string_view what, long before) const {
    if (what.empty()) return size() > 0 ? 1 : -1;
    if (before < 1 || what.size() > size()) return -1;
    const long n = long(what.size());
    const long lastStart = std::min(long(size()) - n, before - 1 - n);  // 0-based
    if (lastStart < 0) return -1;
    const long h = long(head_.size());
    if (!tail_.empty()) {
      const long w0 = long(TailWindowStart(what));
      if (lastStart >= w0) {
        Text window = Window(size_t(w0), size());
        long hit = FindTextBackward(window, what, lastStart - w0 + n + 1, Case::kIgnore);
        if (hit > 0) return hit + w0;
      }
    }
    const long lastInBody = std::min(lastStart - h, long(body_.size()) - n);
    if (lastInBody >= 0) {
      long hit = FindTextBackward(body_, what, lastInBody + n + 1, Case::kIgnore);
      if (hit > 0) return hit + h;
    }
    if (h == 0) return -1;
    Text window = Window(0, HeadWindowEnd(what));
    long hit = FindTextBackward(window, what, std::min(lastStart, h - 1) + n + 1, Case::kIgnore);
    return hit;
  }

  // Mid(joined, start, length).
  Text Mid(long start, long length) const {
    if (start < 1 || length <= 0 || size_t(start) > size()) return Text();
    const size_t from = size_t(start) - 1;
    const size_t to = size() - from < size_t(length) ? size() : from + size_t(length);
    return Window(from, to);
  }

 private:
  // The end of the window that holds every match beginning in the head.
  size_t HeadWindowEnd(std::string_view what) const {
    return std::min(size(), head_.size() + what.size() - 1);
  }

  // The start of the window that holds every match running into the tail: the last
  // what.size() - 1 body bytes, moved back one byte when that would begin on a trail
  // byte, so that the window's own character boundaries are the joined text's.
  size_t TailWindowStart(std::string_view what) const {
    const size_t reach = what.size() - 1;
    if (body_.size() <= reach) return head_.size();
    size_t offset = body_.size() - reach;
    if (!IsCharBoundary(body_, offset)) --offset;
    return head_.size() + offset;
  }

  // Bytes [from, to) of the joined text.
  Text Window(size_t from, size_t to) const {
    Text out;
    out.reserve(to - from);
    size_t base = 0;
    for (std::string_view part : {head_, body_, tail_}) {
      size_t lo = std::max(from, base), hi = std::min(to, base + part.size());
      if (lo < hi) out.append(part.substr(lo - base, hi - lo));
      base += part.size();
    }
    return out;
  }

  std::string_view head_, body_, tail_;
};

struct Span {
  long start = -1;  // position of the start marker
  long end = -1;    // position of the end marker
};

Span Locate(const ExtendedSource& source, std::string_view startMarker, std::string_view endMarker,
            long position, bool reverse) {
  Span span;
  if (reverse) {
    span.end = source.Find(endMarker, position);
    if (span.end > 0) span.start = source.FindBackward(startMarker, span.end);
  } else {
    span.start = source.Find(startMarker, position);
    if (span.start > 0) span.end = source.Find(endMarker, span.start + long(startMarker.size()));
  }
  return span;
}

Text WithoutDoubleQuotes(std::string_view text) {
  Text out(text);
  out.erase(std::remove(out.begin(), out.end(), '"'), out.end());
  return out;
}

// The piece from just after the start marker (plus skip) to the end marker (minus
// drop); empty when it would have no bytes, including when the arithmetic overflows.
Text Piece(const ExtendedSource& source, const Span& span, long startLength, long skip, long drop) {
  long from = 0, length = 0;
  if (__builtin_add_overflow(span.start + startLength, skip, &from)) return Text();
  if (__builtin_sub_overflow(span.end, from, &length)) return Text();
  if (__builtin_sub_overflow(length, drop, &length)) return Text();
  return source.Mid(from, length);
}

}  // namespace

Text PairsToQuotes(std::string_view text) {
  return ReplaceAll(text, "''", "\"");
}

Text TextBetween(std::string_view source, std::string_view startMarker, std::string_view endMarker,
                 long* searchPosition, bool reverse, long skipAfterStart, long dropBeforeEnd,
                 bool keepQuotePairs) {
  Text start = keepQuotePairs ? Text(startMarker) : PairsToQuotes(startMarker);
  Text end = keepQuotePairs ? Text(endMarker) : PairsToQuotes(endMarker);
  std::string_view head, tail;
  if (start.empty()) {
    head = gbk("#Zavrin头#");
    start = head;
  }
  if (end.empty()) {
    tail = gbk("#Zavrin尾#");
    end = tail;
  }
  const ExtendedSource extended(head, source, tail);
  const long entry = searchPosition ? *searchPosition : 1;

  Span span = Locate(extended, start, end, entry, reverse);
  bool quoted = start.find('"') != Text::npos || end.find('"') != Text::npos;
  if ((span.start < 0 || span.end < 0) && quoted) {
    // The second attempt; without double quotes it would only repeat the first.
    start = WithoutDoubleQuotes(start);
    end = WithoutDoubleQuotes(end);
    span = Locate(extended, start, end, entry, reverse);
  }
  if (span.start < 0 || span.end < 0) return Text();
  if (searchPosition) *searchPosition = span.end + long(end.size());
  return Piece(extended, span, long(start.size()), skipAfterStart, dropBeforeEnd);
}

}  // namespace plexaro
