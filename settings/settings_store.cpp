#include "settings/settings_store.h"

#include <algorithm>
#include <functional>

#include "settings/registry_hive.h"
#include "web/event_pump.h"
#include "web/files.h"
#include "web/gbk.h"

namespace plexaro {
namespace {

constexpr int kMaxSectionAppends = 10;

// The text after the last separator, cut before its last "." when it has one.
Text BaseName(std::string_view path) {
  size_t slash = path.rfind(kPathSeparator);
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  size_t dot = name.rfind('.');
  return Text(dot == std::string_view::npos ? name : name.substr(0, dot));
}

bool IsFileNamePart(std::string_view part) {
  return part.find(kPathSeparator) == std::string_view::npos &&
         part.find('\0') == std::string_view::npos;
}

bool Overlaps(std::string_view a, std::string_view b) {
  std::less<const char*> before;
  return !a.empty() && !b.empty() && before(a.data(), b.data() + b.size()) &&
         before(b.data(), a.data() + a.size());
}

}  // namespace

SettingsStore::SettingsStore() : notifier_(&SilentNotifier::Instance()) {}
SettingsStore::SettingsStore(Notifier& notifier) : notifier_(&notifier) {}
SettingsStore::~SettingsStore() {
  Close();
}

// --- Opening and closing ---------------------------------------------------------------

void SettingsStore::Close() {
  openFile.reset();
  storeText.Clear();
  resyncFrom_.reset();
}

bool SettingsStore::OpenFile(std::string_view fileName, bool inMemory) {
  Close();
  loadedFile = Text(fileName);
  if (inMemory) {
    storeText.LoadFile(loadedFile);
    openFile = OpenMemoryFile(storeText.View());
    return true;
  }
  openFile = OpenDiskFile(loadedFile);
  ByteSet bytes;
  if (openFile && openFile->ReadAll(bytes)) {
    storeText.Assign(std::move(bytes));
  } else {
    storeText.LoadFile(loadedFile);  // not writable here, but perhaps readable
  }
  return openFile != nullptr;
}

bool SettingsStore::OpenStore(std::string_view path, int mode) {
  storePath = Text(path);
  storageMode = mode;
  if (mode == kRegistry) {
    Close();
    return true;
  }
  return OpenFile(path, mode == kFileInMemory);
}

const Text& SettingsStore::SelectSection(std::string_view section) {
  currentSection = Text(section);
  registryPrefix = RegistryKey() + "\\";
  return registryPrefix;
}

Text SettingsStore::RegistryKey() const {
  return gbk("Zavrin软件") + "\\" + BaseName(storePath) + "\\" + currentSection;
}

// --- Editing text and file together ----------------------------------------------------

bool SettingsStore::Edit(long start, long length, std::string_view bytes) {
  start = std::clamp<long>(start, 1, storeText.Length() + 1);
  length = std::clamp<long>(length, 0, storeText.Length() - start + 1);
  std::string aliasCopy;
  if (Overlaps(bytes, storeText.View())) bytes = aliasCopy.assign(bytes);
  std::string removed(storeText.Range(start, length));
  storeText.Replace(start, length, bytes);
  if (!openFile) return true;
  uint64_t offset = uint64_t(start - 1);
  std::optional<size_t> overwrite;
  if (size_t(length) == bytes.size()) overwrite = bytes.size();
  if (WriteThrough(offset, overwrite)) return true;
  storeText.Replace(start, long(bytes.size()), removed);
  WriteThrough(offset, std::nullopt);
  return false;
}

bool SettingsStore::WriteThrough(uint64_t offset, std::optional<size_t> overwrite) {
  if (resyncFrom_) {
    offset = std::min(offset, *resyncFrom_);
    overwrite.reset();
  }
  std::string_view text = storeText.View();
  bool ok = offset <= text.size() &&
            (overwrite ? openFile->Overwrite(offset, text.substr(offset, *overwrite))
                       : openFile->RewriteTail(offset, text.substr(offset)));
  if (ok) {
    resyncFrom_.reset();
  } else {
    resyncFrom_ = std::min(offset, resyncFrom_.value_or(offset));
  }
  return ok;
}

// --- The queue of modifications --------------------------------------------------------

int SettingsStore::Enqueue(PendingOp op) {
  pending.push_back(std::move(op));
  if (busy) return kQueued;
  return RunPending();
}

int SettingsStore::RunPending() {
  if (pending.empty()) return -1;
  // Called again from a handler inside the running modification: that run carries out
  // the queue; starting the oldest one here would carry it out twice.
  if (busy) return kQueued;
  std::optional<int> first;
  while (!pending.empty()) {
    busy = true;
    PendingOp op = std::move(pending.front());
    int result = Execute(op);
    pending.pop_front();
    busy = false;
    if (!first) first = result;
  }
  return *first;
}

int SettingsStore::Execute(const PendingOp& op) {
  switch (op.kind) {
    case PendingOp::kPutValue:
      return PutValueNow(op.first, op.second, op.third);
    case PendingOp::kDeleteEntry:
      return DeleteEntryNow(op.first, op.second);
    case PendingOp::kRenameSection:
      return RenameSectionNow(op.first, op.second);
    case PendingOp::kRenameKey:
      return RenameKeyNow(op.first, op.second, op.third);
  }
  return kFailed;
}

// --- Values ----------------------------------------------------------------------------

int SettingsStore::PutValue(std::string_view section, std::string_view key, std::string_view value,
                            bool now) {
  if (now) return PutValueNow(section, key, value);
  return Enqueue({PendingOp::kPutValue, Text(section), Text(key), Text(value)});
}

int SettingsStore::PutValueNow(std::string_view section, std::string_view key,
                               std::string_view value) {
  int appended = 0, inserted = 0;
  long from = 0;
  for (;;) {
    PumpEvents();
    HeaderPosition header = storeText.FindHeader(section, from, HeaderRule{});
    if (!header.found()) {
      long length = storeText.Length();
      Text line = length >= 1 ? Text(kLineBreak) : Text();
      line.append("[").append(section).append("]");
      if (!Edit(length + 1, 0, line)) return kFailed;
      if (++appended > kMaxSectionAppends) break;
      from = length;
      continue;
    }
    EntryPosition entry = storeText.FindEntry(header, key);
    if (entry.found()) {
      return Edit(entry.valueStart, entry.valueLength(), value) ? kDone : kFailed;
    }
    // Only a handler that keeps removing the new entry brings us back here again.
    if (++inserted > kMaxSectionAppends) break;
    Text line(kLineBreak);
    line.append(key).append("=");
    // The new entry must end its own line: whatever followed the "]" on the header's
    // line would otherwise become its value and be overwritten by the next step.
    bool headerEndsLine =
        header.end == storeText.Length() || storeText.Range(header.end + 1, 2) == kLineBreak;
    if (!headerEndsLine) line.append(kLineBreak);
    if (!Edit(header.end + 1, 0, line)) return kFailed;
  }
  ReportSectionFailure();
  return kFailed;
}

void SettingsStore::ReportSectionFailure() {
  notifier_->ShowMessage(gbk("配置模块出现意外，可能导致无法正常保存！详情请咨询Zavrin。"),
                         gbk("Zavrin："), MessageIcon::kExclamation, MessageModality::kSystem);
  notifier_->ShowMessage(Text(storeText.View()), gbk("信息："), MessageIcon::kNone);
}

Text SettingsStore::GetValue(std::string_view section, std::string_view key,
                             std::string_view defaultValue, bool emptyMeansDefault) {
  HeaderRule rule;
  rule.pumpEachStep = true;
  HeaderPosition header = storeText.FindHeader(section, 0, rule);
  if (!header.found()) return Text(defaultValue);
  EntryPosition entry = storeText.FindEntry(header, key);
  if (!entry.found() || (emptyMeansDefault && entry.valueLength() <= 0)) {
    return Text(defaultValue);
  }
  return Text(storeText.Range(entry.valueStart, entry.valueLength()));
}

// --- Typed values ----------------------------------------------------------------------

bool SettingsStore::WriteStored(std::string_view key, const Text& stored) {
  if (storageMode == kRegistry) {
    return RegistryHive(RegistryHivePath(storePath)).Write(RegistryKey(), key, stored);
  }
  return PutValue(currentSection, key, stored, false) == kDone;
}

Text SettingsStore::ReadStored(std::string_view key, const Text& defaultText) {
  if (storageMode == kRegistry) {
    Text value;
    bool found = RegistryHive(RegistryHivePath(storePath)).Read(RegistryKey(), key, value);
    return found ? value : defaultText;
  }
  return GetValue(currentSection, key, defaultText, false);
}

bool SettingsStore::WriteText(std::string_view key, std::string_view value) {
  return WriteStored(key, EscapeLineBreaks(value));
}

Text SettingsStore::ReadText(std::string_view key, std::string_view defaultValue) {
  return UnescapeLineBreaks(ReadStored(key, EscapeLineBreaks(defaultValue)));
}

bool SettingsStore::WriteNumber(std::string_view key, double value) {
  return WriteStored(key, FormatNumber(value));
}

double SettingsStore::ReadNumber(std::string_view key, double defaultValue) {
  return ParseNumber(ReadStored(key, FormatNumber(defaultValue)));
}

bool SettingsStore::WriteBool(std::string_view key, bool value) {
  return WriteStored(key, FormatBool(value));
}

bool SettingsStore::ReadBool(std::string_view key, bool defaultValue) {
  return IsTrueText(ReadStored(key, FormatBool(defaultValue)));
}

bool SettingsStore::ReadBoolNotFalse(std::string_view key, bool defaultValue) {
  return !IsFalseText(ReadStored(key, FormatBool(defaultValue)));
}

bool SettingsStore::WriteTime(std::string_view key, const DateTime& value) {
  return WriteStored(key, FormatDateTime(value));
}

DateTime SettingsStore::ReadTime(std::string_view key, const DateTime& defaultValue) {
  DateTime value = defaultValue;
  ParseDateTime(ReadStored(key, FormatDateTime(defaultValue)), value);
  return value;
}

// --- Side files ------------------------------------------------------------------------

std::optional<Text> SettingsStore::SideFilePath(std::string_view key) const {
  if (!IsFileNamePart(currentSection) || !IsFileNamePart(key)) return std::nullopt;
  size_t slash = storePath.rfind(kPathSeparator);
  // A store path without a directory keeps its side files beside it, in the current one.
  Text path = slash == Text::npos ? Text() : storePath.substr(0, slash + 1);
  path.append("inibin").push_back(kPathSeparator);
  path.append(currentSection).append("-").append(key).append(".ibn");
  return path;
}

ByteSet SettingsStore::ReadBytes(std::string_view key, std::string_view defaultValue) const {
  std::optional<Text> path = SideFilePath(key);
  ByteSet bytes;
  if (!path || !ReadWholeFile(*path, bytes) || bytes.empty()) return ByteSet(defaultValue);
  return bytes;
}

bool SettingsStore::WriteBytes(std::string_view key, std::string_view value) {
  std::optional<Text> path = SideFilePath(key);
  if (!path) return false;
  CreateOneDirectory(path->substr(0, path->rfind(kPathSeparator)));
  return WriteWholeFile(*path, value);
}

}  // namespace plexaro
