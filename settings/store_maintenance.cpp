// The settings store's maintenance operations: listings, deletions, renames, whole-text
// access, SaveAs and Reload.
//
// The listings cut section names out of lines. "[" and "]" can be the trail byte of a GBK
// character, so the searches that find a name's brackets away from a line start are the
// character-aware ones of web/text.h; the structure bytes CR, LF and "=" never are, and
// are searched exactly, as in the store's lookups.
#include <unordered_set>

#include "settings/settings_store.h"
#include "web/event_pump.h"
#include "web/files.h"

namespace plexaro {
namespace {

// A "[" ... "]" pair on one line whose "]" is followed by CR LF.
struct BracketPair {
  long open = -1, close = -1;
  bool found() const { return open > 0; }
};

// The nearest such pair whose "]" lies at or before `lastClose`; a pair broken by a
// line break is passed over and the search goes on before its "]".
BracketPair NearestHeaderBefore(const StoreText& text, long lastClose) {
  for (long from = lastClose; from >= 1;) {
    long close = text.FindBackward("]\r\n", from);
    if (close < 0) return {};
    long open = FindTextBackward(text.View(), "[", close);
    if (open < 0) return {};
    long lineBreak = text.Find(kLineBreak, open);
    if (lineBreak < 0 || lineBreak > close) return {open, close};
    from = close - 1;
  }
  return {};
}

std::string_view NameBetween(const StoreText& text, const BracketPair& pair) {
  return text.Range(pair.open + 1, pair.close - pair.open - 1);
}

bool Contains(std::string_view text, std::string_view what) {
  return FindText(text, what) > 0;
}

// Passes when the text holds `mustContain` and not `mustNotContain`, each when given.
bool PassesFilters(std::string_view text, std::string_view mustContain,
                   std::string_view mustNotContain) {
  return (mustContain.empty() || Contains(text, mustContain)) &&
         (mustNotContain.empty() || !Contains(text, mustNotContain));
}

// Calls `visit` with each line of the text (CR LF ends a line) until it returns false.
template <class Visit>
void ForEachLine(std::string_view text, Visit visit) {
  size_t from = 0;
  while (from < text.size()) {
    size_t lineBreak = text.find(kLineBreak, from);
    size_t end = lineBreak == std::string_view::npos ? text.size() : lineBreak;
    if (!visit(text.substr(from, end - from)) || lineBreak == std::string_view::npos) return;
    from = lineBreak + kLineBreak.size();
  }
}

bool IsHeaderLine(std::string_view line) {
  return line.size() >= 2 && line.front() == '[' && line.back() == ']' &&
         IsCharBoundary(line, line.size() - 1);
}

// The text between the line's first "[" and the next "]".
std::string_view HeaderLineName(std::string_view line) {
  long close = FindText(line, "]", 2);
  return line.substr(1, size_t(close - 2));
}

constexpr HeaderRule kDeleteRule{true, 2, false};
constexpr HeaderRule kRenameRule{true, 1, true};

}  // namespace

// --- Whole text ------------------------------------------------------------------------

Text SettingsStore::GetAllText() const {
  std::string_view text = storeText.View();
  return Text(text.substr(0, text.find('\0')));
}

bool SettingsStore::SetAllText(std::string_view text, bool append) {
  // One rewrite from the start instead of emptying the file first: a crash in between
  // must not leave the user with an empty configuration file.
  if (append) return Edit(storeText.Length() + 1, 0, text);
  return Edit(1, storeText.Length(), text);
}

bool SettingsStore::Reload() {
  ByteSet bytes;
  bool throughOpenFile = openFile && openFile->IsFile(loadedFile);
  bool read = throughOpenFile ? openFile->ReadAll(bytes) : ReadWholeFile(loadedFile, bytes);
  if (!read) return false;
  storeText.Assign(std::move(bytes));
  if (throughOpenFile) {
    resyncFrom_.reset();  // the text is now what the file holds
  } else if (openFile) {
    // A file in memory still holds the changes just dropped; make it the text again.
    resyncFrom_ = 0;
    WriteThrough(0, std::nullopt);
  }
  return true;
}

bool SettingsStore::SaveAs(std::string_view fileName) {
  Text target(fileName.empty() ? std::string_view(loadedFile) : fileName);
  if (target.empty()) return false;
  // Our own open file already holds the text; replacing it by a new file would leave
  // the open descriptor, and every later change, on the old one.
  if (openFile && openFile->IsFile(target)) {
    if (resyncFrom_ && !WriteThrough(*resyncFrom_, std::nullopt)) return false;
    return openFile->Flush();
  }
  // A file another store holds open for writing is not replaced: that store would go
  // on writing into the replaced file and every later change of it would be lost.
  std::unique_ptr<BackingFile> lock = OpenDiskFile(target);
  if (!lock && FileExists(target)) return false;
  return WriteWholeFile(target, storeText.View());
}

// --- Listings --------------------------------------------------------------------------

int SettingsStore::ListSectionsWithKey(std::string_view key, std::vector<Text>& out) {
  out.clear();
  std::unordered_set<Text> listed;
  Text pattern(kLineBreak);
  pattern.append(key).append("=");
  long previousHit = 0;
  for (long hit = storeText.Find(pattern, 1); hit > 0; hit = storeText.Find(pattern, hit + 1)) {
    BracketPair header = NearestHeaderBefore(storeText, hit - 1);
    bool atLineStart = header.open <= 2 || storeText.StartsLine(header.open);
    if (header.found() && header.open > previousHit && atLineStart) {
      Text name(NameBetween(storeText, header));
      if (listed.insert(name).second) out.push_back(std::move(name));
    }
    previousHit = hit;
    PumpEvents();  // a handler may edit the text: the next search starts from a position
  }
  return int(out.size());
}

int SettingsStore::ListKeysWithValue(std::string_view value, std::vector<Text>& out,
                                     std::string_view section) {
  out.clear();
  Text pattern = value.empty() ? Text("=\r\n") : "=" + Text(value);
  for (long hit = storeText.Find(pattern, 1); hit > 0; hit = storeText.Find(pattern, hit + 1)) {
    long lineBreak = hit >= 3 ? storeText.FindBackward(kLineBreak, hit - 2) : -1;
    long lineStart = lineBreak > 0 ? lineBreak + 2 : 1;
    bool keep = section.empty();
    if (!keep) {
      BracketPair header = NearestHeaderBefore(storeText, lineStart - 3);
      keep = header.found() && NameBetween(storeText, header) == section;
    }
    if (keep) out.emplace_back(storeText.Range(lineStart, hit - lineStart));
    PumpEvents();
  }
  return int(out.size());
}

int SettingsStore::ListSections(std::vector<Text>& out, std::string_view mustContain,
                                std::string_view mustNotContain) {
  out.clear();
  ForEachLine(storeText.View(), [&](std::string_view line) {
    if (IsHeaderLine(line) && PassesFilters(line, mustContain, mustNotContain)) {
      out.emplace_back(HeaderLineName(line));
    }
    return true;
  });
  return int(out.size());
}

int SettingsStore::ListKeys(std::vector<Text>& out, std::string_view mustContain,
                            std::string_view mustNotContain, std::string_view sectionFilter,
                            std::string_view sectionMustContain,
                            std::string_view sectionMustNotContain) {
  out.clear();
  bool restricted = !sectionFilter.empty();
  bool inSection = !restricted;
  ForEachLine(storeText.View(), [&](std::string_view line) {
    if (IsHeaderLine(line)) {
      if (restricted && inSection) return false;  // the chosen section has ended
      if (restricted) inSection = PassesFilters(line, sectionMustContain, sectionMustNotContain);
      return true;
    }
    size_t equals = line.find('=');
    if (!inSection || equals == std::string_view::npos || equals == 0) return true;
    std::string_view key = line.substr(0, equals);
    if (PassesFilters(key, mustContain, mustNotContain)) out.emplace_back(key);
    return true;
  });
  return int(out.size());
}

// --- Modifications ---------------------------------------------------------------------

int SettingsStore::DeleteEntry(std::string_view section, std::string_view key, bool now) {
  if (now) return DeleteEntryNow(section, key);
  return Enqueue({PendingOp::kDeleteEntry, Text(section), Text(key), Text()});
}

int SettingsStore::RenameSection(std::string_view oldName, std::string_view newName, bool now) {
  if (now) return RenameSectionNow(oldName, newName);
  return Enqueue({PendingOp::kRenameSection, Text(oldName), Text(newName), Text()});
}

int SettingsStore::RenameKey(std::string_view section, std::string_view oldKey,
                             std::string_view newKey, bool now) {
  if (now) return RenameKeyNow(section, oldKey, newKey);
  return Enqueue({PendingOp::kRenameKey, Text(section), Text(oldKey), Text(newKey)});
}

long SettingsStore::SectionEnd(const HeaderPosition& header) const {
  long next = storeText.FindNextHeader(header.start, storeText.Length());
  if (next > 0) return next - 1;
  // FindNextHeader needs CR LF after a header; a bare header on the last line is a
  // section of its own all the same and must survive the deletion of the one before.
  long lastBreak = storeText.FindBackward(kLineBreak);
  long lastLine = lastBreak + 2;
  if (lastBreak > header.end && IsHeaderLine(storeText.View().substr(size_t(lastLine - 1)))) {
    return lastLine - 1;
  }
  return storeText.Length();
}

int SettingsStore::DeleteEntryNow(std::string_view section, std::string_view key) {
  HeaderPosition header = storeText.FindHeader(section, 0, kDeleteRule);
  if (!header.found()) return kNoSuchSection;
  long sectionEnd = SectionEnd(header);
  if (key.empty()) {
    return Edit(header.start, sectionEnd - header.start + 1, {}) ? kDone : kFailed;
  }
  Text pattern(kLineBreak);
  pattern.append(key).append("=");
  long lineStart = storeText.Find(pattern, header.start);
  if (lineStart < 0) return kNoSuchKey;
  long lineEnd = storeText.LineEnd(lineStart + 2);
  if (lineEnd > sectionEnd) return kNoSuchKey;
  return Edit(lineStart, lineEnd - lineStart + 1, {}) ? kDone : kFailed;
}

int SettingsStore::RenameSectionNow(std::string_view oldName, std::string_view newName) {
  HeaderPosition header = storeText.FindHeader(oldName, 0, kRenameRule);
  if (!header.found()) return kNoSuchSection;
  return Edit(header.start + 1, long(oldName.size()), newName) ? kDone : kFailed;
}

int SettingsStore::RenameKeyNow(std::string_view section, std::string_view oldKey,
                                std::string_view newKey) {
  HeaderPosition header = storeText.FindHeader(section, 0, kRenameRule);
  if (!header.found()) return kNoSuchSection;
  EntryPosition entry = storeText.FindEntry(header, oldKey, 1);
  if (!entry.found()) return kNoSuchKey;
  return Edit(entry.keyStart, long(oldKey.size()), newKey) ? kDone : kFailed;
}

}  // namespace plexaro
