// SettingsStore: the INI-style store of named values behind the configuration file.
//
// The store keeps the whole text of its file in memory, answers reads from it and
// applies every change at once to the text and, at the same byte offset, to the open
// backing file, so the file always holds exactly the bytes of the text. Lines end in
// CR LF; a section starts with a line "[name]"; an entry is a line "key=value" under it.
// Lookups are exact byte searches over the text (see settings/store_text.h for why).
//
// Storage modes: 0 a file on disk (held open and write-locked until Close), 1 the file
// read once and then kept in memory (the disk changes only through SaveAs), 2 the values
// of the typed operations live in the registry hive beside the store (see
// settings/registry_hive.h; its keys are "Zavrin软件\" + base name + "\" + section, with
// the registry's own "\" separator) and the text stays empty. Byte values live in side
// files <store directory>/inibin/<section>-<key>.ibn in every mode.
//
// Threading: the store belongs to one thread (the GUI thread). Several operations call
// PumpEvents() once per search step, so a handler may run inside an operation and call
// the store again: modifications requested meanwhile are queued and carried out right
// after the running one, in request order; reads are not serialised and may see a
// modification half done. No operation throws; failures are results. Text arguments
// must not view the store's own bytes (StoreBytes()), which an edit moves; SetAllText
// is the exception.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "settings/backing_file.h"
#include "settings/store_text.h"
#include "settings/value_format.h"
#include "web/notifier.h"
#include "web/text.h"

namespace plexaro {

enum StorageMode : int { kFileOnDisk = 0, kFileInMemory = 1, kRegistry = 2 };

// One modification waiting to be carried out.
struct PendingOp {
  enum Kind : int { kPutValue = 0, kDeleteEntry = 1, kRenameSection = 2, kRenameKey = 3 };
  Kind kind = kPutValue;
  Text first, second, third;  // see the modification of that kind for their meaning
};

// Results of PutValue and the modifications.
inline constexpr int kDone = 0;
inline constexpr int kFailed = -1;
inline constexpr int kNoSuchSection = 1;
inline constexpr int kNoSuchKey = 2;
inline constexpr int kQueued = 3;

class SettingsStore {
 public:
  // A new store is empty: no file, mode 0, no current section, nothing pending. Messages
  // go to `notifier`, which must outlive the store (by default nothing is shown).
  SettingsStore();
  explicit SettingsStore(Notifier& notifier);
  ~SettingsStore();  // Close()
  SettingsStore(const SettingsStore&) = delete;
  SettingsStore& operator=(const SettingsStore&) = delete;

  void SetNotifier(Notifier& notifier) { notifier_ = &notifier; }

  // --- The interface the program uses -------------------------------------------------

  // Remembers path and mode and opens the file (mode 0 on disk, 1 in memory). Mode 2
  // closes any open file and returns true without loading anything. False when the file
  // cannot be opened for writing: the text (loaded when readable) then changes in memory
  // only.
  bool OpenStore(std::string_view path, int storageMode);
  // Makes `section` current and returns the new registry prefix
  // "Zavrin软件\" + base name of the store path + "\" + section + "\".
  const Text& SelectSection(std::string_view section);
  const Text& GetPath() const { return storePath; }

  // The side file's bytes; the default when it is missing, unreadable or empty, or when
  // the section or key holds "/" or a zero byte (no valid file name).
  ByteSet ReadBytes(std::string_view key, std::string_view defaultValue = {}) const;
  // Replaces the side file with exactly `value`; false when it cannot be written.
  bool WriteBytes(std::string_view key, std::string_view value);
  // The side file of `key` in the current section; nothing when no valid file name.
  std::optional<Text> SideFilePath(std::string_view key) const;

  // Typed writes to the current section: true when written now, false when queued
  // behind a running modification (it is carried out afterwards) or failed.
  bool WriteText(std::string_view key, std::string_view value);
  bool WriteNumber(std::string_view key, double value);
  bool WriteBool(std::string_view key, bool value);
  bool WriteTime(std::string_view key, const DateTime& value);
  // Typed reads from the current section: the default when the key is missing; a key
  // present with an empty value reads as the empty text (0, false, ...).
  Text ReadText(std::string_view key, std::string_view defaultValue = {});
  double ReadNumber(std::string_view key, double defaultValue = 0);
  bool ReadBool(std::string_view key, bool defaultValue = false);          // only "真" is true
  bool ReadBoolNotFalse(std::string_view key, bool defaultValue = false);  // only "假" is false
  // The default also when the stored text is no date of the written form.
  DateTime ReadTime(std::string_view key, const DateTime& defaultValue = {});

  // --- Lower operations --------------------------------------------------------------

  // Closes the backing file, if any, and empties the text.
  void Close();
  // Close, then load the file (a missing or unreadable file gives the empty text) and
  // open it: in memory, or on disk for writing (created when missing, never truncated).
  // True when a backing file is open.
  bool OpenFile(std::string_view fileName, bool inMemory);
  // Carries out the queued modifications, oldest first; returns the first one's result,
  // -1 when none was waiting, 3 when called from inside a running modification.
  int RunPending();
  // Sets an entry's value, appending the section and putting a new key first in its
  // section when missing. 0 done, -1 failed (reported through the notifier when the
  // section cannot be made; also when the backing file refused the write, which leaves
  // text and file unchanged), 3 queued behind a running modification (now false only).
  int PutValue(std::string_view section, std::string_view key, std::string_view value, bool now);
  // The entry's value, or the default when the section or key is missing (or, when
  // emptyMeansDefault, when the value is empty).
  Text GetValue(std::string_view section, std::string_view key, std::string_view defaultValue,
                bool emptyMeansDefault);
  // The "[" of the first header standing alone on its line between from and to, or -1.
  long FindNextHeader(long from, long to) const { return storeText.FindNextHeader(from, to); }

  // --- Maintenance --------------------------------------------------------------------

  // Loads the text again from the loaded file (through the open descriptor when it is
  // that file); a file in memory is reset to the reloaded text. False when unreadable.
  bool Reload();
  // Names of the sections holding the key, each once, in text order; returns the count.
  int ListSectionsWithKey(std::string_view key, std::vector<Text>& out);
  // For each occurrence of "=" + value (empty value: "=" before CR LF), the text from
  // its line's start to that "="; with a section, only under a header naming it.
  int ListKeysWithValue(std::string_view value, std::vector<Text>& out,
                        std::string_view section = {});
  // Writes the whole text to the file (empty name: the loaded file), replacing it. False
  // when it cannot be written or another store holds it open for writing.
  bool SaveAs(std::string_view fileName = {});
  // Names of the header lines ("[" ... "]") of the text, filtered by the line holding /
  // not holding the texts given; returns the count. Empty in registry mode.
  int ListSections(std::vector<Text>& out, std::string_view mustContain = {},
                   std::string_view mustNotContain = {});
  // The keys (text before the first "=") of the lines that are no headers, filtered by
  // the key holding / not holding the texts given. With a section filter, only the keys
  // of the first section whose header line holds sectionMustContain and not
  // sectionMustNotContain (each when given). Returns the count.
  int ListKeys(std::vector<Text>& out, std::string_view mustContain = {},
               std::string_view mustNotContain = {}, std::string_view sectionFilter = {},
               std::string_view sectionMustContain = {},
               std::string_view sectionMustNotContain = {});
  // Removes a section (empty key) or one entry of it: 0 done, 1 no such section, 2 no
  // such key in it, 3 queued, -1 the backing file refused the write.
  int DeleteEntry(std::string_view section, std::string_view key, bool now);
  // 0 done, 1 no such section, 3 queued, -1 write refused.
  int RenameSection(std::string_view oldName, std::string_view newName, bool now);
  // 0 done, 1 no such section, 2 no such key, 3 queued, -1 write refused.
  int RenameKey(std::string_view section, std::string_view oldKey, std::string_view newKey,
                bool now);
  // The text up to its first zero byte.
  Text GetAllText() const;
  // Replaces the text (or, with append, adds to its end), in memory and file alike;
  // false, nothing changed, when the backing file refused the write.
  bool SetAllText(std::string_view text, bool append);

  // --- Observers ----------------------------------------------------------------------

  std::string_view StoreBytes() const { return storeText.View(); }  // every byte
  bool IsFileOpen() const { return openFile != nullptr; }
  bool IsBusy() const { return busy; }
  size_t PendingCount() const { return pending.size(); }
  int GetStorageMode() const { return storageMode; }
  const Text& GetCurrentSection() const { return currentSection; }
  const Text& GetLoadedFile() const { return loadedFile; }

 private:
  int Enqueue(PendingOp op);
  int Execute(const PendingOp& op);
  int PutValueNow(std::string_view section, std::string_view key, std::string_view value);
  int DeleteEntryNow(std::string_view section, std::string_view key);
  int RenameSectionNow(std::string_view oldName, std::string_view newName);
  int RenameKeyNow(std::string_view section, std::string_view oldKey, std::string_view newKey);
  void ReportSectionFailure();

  // Replaces `length` bytes at 1-based `start` by `bytes` in the text and the file.
  // When the file refuses, the text is put back and false returned.
  bool Edit(long start, long length, std::string_view bytes);
  // Brings the file up to the text from 0-based `offset`; `overwrite` bytes when the
  // length did not change, else the whole tail.
  bool WriteThrough(uint64_t offset, std::optional<size_t> overwrite);
  long SectionEnd(const HeaderPosition& header) const;

  bool WriteStored(std::string_view key, const Text& stored);
  Text ReadStored(std::string_view key, const Text& defaultText);
  Text RegistryKey() const;

  StoreText storeText;
  std::unique_ptr<BackingFile> openFile;
  Text loadedFile;
  bool busy = false;
  std::deque<PendingOp> pending;
  Text storePath;
  Text currentSection;
  int storageMode = kFileOnDisk;
  Text registryPrefix;

  Notifier* notifier_;
  // Set when a failed write could not be undone in the file: from this offset on the file
  // may differ from the text, and the next change rewrites it from there.
  std::optional<uint64_t> resyncFrom_;
};

}  // namespace plexaro
