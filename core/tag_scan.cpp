#include "core/tag_scan.h"

#include <algorithm>

#include "web/event_pump.h"

namespace plexaro {
namespace {

bool ContinuesTagName(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z');
}

}  // namespace

void TagScanner::Reset(std::string_view buffer) {
  buffer_ = buffer;
  memos_.clear();
}

long TagScanner::Search(std::string_view what, bool tagStart, long start) const {
  for (;;) {
    long hit = FindText(buffer_, what, start);
    if (hit < 0 || !tagStart || what.size() == 1) return hit;
    size_t after = size_t(hit) - 1 + what.size();
    if (after >= buffer_.size() || !ContinuesTagName(buffer_[after])) return hit;
    start = hit + 1;
  }
}

long TagScanner::Find(std::string_view what, long start) {
  return FindRemembered(what, false, start);
}

long TagScanner::FindTagStart(std::string_view openingTag, long start) {
  return FindRemembered(openingTag, true, start);
}

long TagScanner::FindRemembered(std::string_view what, bool tagStart, long start) {
  if (start < 1) start = 1;
  auto memo = std::find_if(memos_.begin(), memos_.end(), [&](const Memo& m) {
    return m.tagStart == tagStart && m.needle == what;
  });
  // A remembered answer also answers every later start up to the match it found:
  // nothing matched between the remembered start and that match.
  if (memo != memos_.end() && memo->from <= start && (memo->result < 0 || memo->result >= start)) {
    return memo->result;
  }
  long result = Search(what, tagStart, start);
  if (memo == memos_.end()) {
    memos_.push_back(Memo{Text(what), tagStart, start, result});
  } else {
    memo->from = start;
    memo->result = result;
  }
  return result;
}

ElementEnds::ElementEnds(TagScanner& scanner, std::string_view openingTag,
                         std::string_view closingTag) {
  std::vector<long> closings;
  for (long at = scanner.FindTagStart(openingTag, 1); at > 0;
       at = scanner.FindTagStart(openingTag, at + 1)) {
    starts_.push_back(at);
    PumpEvents();
  }
  for (long at = scanner.Find(closingTag, 1); at > 0; at = scanner.Find(closingTag, at + 1)) {
    closings.push_back(at);
    PumpEvents();
  }
  ends_.assign(starts_.size(), kUnclosed);
  // A closing tag and an opening tag can begin at the same byte ("<" opens any tag);
  // the closing tag is taken first, because an element's own count stops before it.
  std::vector<size_t> open;
  size_t next = 0;
  for (long closing : closings) {
    for (; next < starts_.size() && starts_[next] < closing; ++next) open.push_back(next);
    if (open.empty()) continue;
    ends_[open.back()] = closing + long(closingTag.size());
    open.pop_back();
  }
}

long ElementEnds::EndOf(long start) const {
  auto it = std::lower_bound(starts_.begin(), starts_.end(), start);
  if (it == starts_.end() || *it != start) return kNotAStart;
  return ends_[size_t(it - starts_.begin())];
}

}  // namespace plexaro
