// The settings store's text: a byte buffer with 1-based positions, and the lookups of
// its INI layout (section headers, entries, the header test of FindNextHeader).
//
// Searches here compare bytes exactly; they do not skip matches that begin on the
// trail byte of a GBK character, unlike the Text searches of web/text.h. Every pattern
// searched in the layout is anchored on a byte that no valid GBK trail byte can take
// (CR, LF, "="; "[" only where it follows CR LF or starts the text), so for well-formed
// GBK both kinds of search give the same positions. They differ only after a stray lead
// byte (a value ending in half a character, a damaged file): there the character-aware
// search would swallow the CR of the following line break and hide the next entry, and
// a write would then add a duplicate key. The byte search keeps the line structure that
// the store itself wrote. Single-threaded: the store's owner thread only.
#pragma once

#include <string>
#include <string_view>

#include "web/text.h"

namespace plexaro {

inline constexpr std::string_view kLineBreak = "\r\n";

// How a section header is looked up. Reads and PutValue accept a header only at the
// very start or right after CR LF; the maintenance operations also accept position 2.
struct HeaderRule {
  bool acceptSecondPosition = false;
  long resumeStep = 1;        // how far behind a rejected candidate the search goes on
  bool pumpEachStep = false;  // PumpEvents() before every search step
};

// A found header: `start` is its "[" (P), `end` its "]" (E); start is -1 when none.
struct HeaderPosition {
  long start = -1;
  long end = -1;
  bool found() const { return start > 0; }
};

// A found entry: CR LF at `lineStart` (J), key at `keyStart` (K), value from
// `valueStart` (F) to `valueEnd` (N), empty when N = F - 1; lineStart is -1 when none.
struct EntryPosition {
  long lineStart = -1;
  long keyStart = -1;
  long valueStart = -1;
  long valueEnd = -1;
  bool found() const { return lineStart > 0; }
  long valueLength() const { return valueEnd - valueStart + 1; }
};

class StoreText {
 public:
  long Length() const { return long(bytes_.size()); }
  std::string_view View() const { return bytes_; }
  // The bytes of a range, cut at the end of the text; empty when it lies outside.
  std::string_view Range(long start, long length) const;

  // First match beginning at `start` or later (0 and 1 mean the beginning); -1 if none.
  long Find(std::string_view what, long start = 0) const;
  // The same, but only matches beginning before `end` count (-1 otherwise).
  long FindBefore(std::string_view what, long start, long end) const;
  // Last match beginning at `start` or earlier (0, or past the end: the whole text).
  long FindBackward(std::string_view what, long start = 0) const;
  // The position before the next CR LF at or after `from`, or the last position.
  long LineEnd(long from) const;
  // True when 1-based `position` begins a line: 1, or right after CR LF.
  bool StartsLine(long position) const;

  // Edits; out-of-range arguments are clamped to the text, never read past it.
  void Replace(long start, long length, std::string_view bytes);
  void Append(std::string_view bytes) { bytes_.append(bytes); }
  void Clear() { bytes_.clear(); }
  void Assign(std::string bytes) { bytes_ = std::move(bytes); }
  // Replaces the content with the file's bytes; false, content unchanged, when the
  // file cannot be read.
  bool LoadFile(std::string_view gbkPath);

  // The header "[" + name + "]" at or after `from` that passes `rule`.
  HeaderPosition FindHeader(std::string_view name, long from, const HeaderRule& rule) const;
  // The first CR LF + key + "=" at or after header.end + skip, if it belongs to the
  // header's section (no FindNextHeader header between them); no later match is tried.
  EntryPosition FindEntry(const HeaderPosition& header, std::string_view key, long skip = 0) const;
  // The "[" of the first header standing alone between CR LF and "]" CR LF that lies
  // between `from` and `to`; -1 when none.
  long FindNextHeader(long from, long to) const;

 private:
  std::string bytes_;
};

// Every occurrence of `what` replaced by `with`, left to right, comparing bytes exactly
// (the store's own escaping of line breaks inside values).
std::string ReplaceBytes(std::string_view text, std::string_view what, std::string_view with);

}  // namespace plexaro
