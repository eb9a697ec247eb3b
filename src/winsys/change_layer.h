// The change layer: the one way the wizard changes the machine. It records each change in
// the journal before making it, writes new files through one durable primitive, and
// returns one fault value. The installation run owns it and hands it down.
//
// The protocol of a run (install_log/journal.h names the files; docs/install-log.md lists
// the states a kill leaves), each rule with the test that holds it:
//  1. BeginRun writes GROUP, FOLDER and BEGIN, BEGIN flushed; the start of the program
//     finished the journal's last run before (rule 7). (Journal.RecoveryAfterACutAtEveryRecord)
//  2. Staging changes nothing the product uses: a folder of section "delete" is recorded
//     (GONE) and tried, not moved; folders are created (DIR, recorded first); each file is
//     recorded (FILE), then written under its staged name and flushed, and a target that
//     was there is checked to be replaceable. A new file in a folder the run created is
//     written in its place: the product has nothing there yet, and the commit has no
//     rename to make for it. Every question is asked here.
//     (InstallationRun/RecordsEveryChange.BeforeItIsMadeAndCommitsWhenAllIsStaged,
//     InstallationRun.ACancelAtAFileInUseKeepsTheEarlierInstallationWhole)
//  3. Registry values of the run are written at the end of staging, each recorded with
//     what it held. (InstallationRun/RecordsEveryChange...)
//  4. Commit waits for every staged file to be on the disk, flushes the journal, writes
//     COMMIT and flushes it: from here the run goes through. Then renames only: each
//     earlier file aside (".yv-old"), its staged file in; a replaced folder aside, its new
//     tree in. (Transaction.KilledRunsEndWhollyOldOrWhollyNew)
//  5. Then the moved-aside files and folders go (one a program holds at restart, or when a
//     later run replaces it) and END is written. (same test)
//  6. A fault or Cancel before END writes ABORT and undoes the run in reverse; END follows.
//     (InstallationRun.AFailedRunLeavesTheMachineAsItWasAndThenShowsItsMessage)
//  7. The next start of either program finishes the last run before anything else: without
//     COMMIT or with ABORT it is undone, with COMMIT completed; a run that a living program
//     still writes is left to it. (Transaction.*, InstallScenario.AnUpgradeKilledAtAnyInstant...)
// No change at or below the installation folder goes through a link or junction
// (HeldFolder): the run fails and is undone. (InstallationRun.AFailedRunLeaves...,
// Transaction.AFolderSwappedForALinkDuringTheRunIsRefused)
// A staged file's data is flushed on a thread of its own while the run goes on
// (data_flusher.h).
// Outside a run (the last page) a file is replaced at once: staged, flushed, then moved over
// its target; a kill leaves at most the staged file, which the next start removes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "install_log/change_recorder.h"
#include "install_log/journal.h"
#include "winsys/change_fault.h"
#include "winsys/data_flusher.h"
#include "winsys/handle.h"

namespace yv::winsys {

// Where links are refused: at and below `folder` (no trailing backslash; empty: nowhere).
struct LinkGuard {
  LinkGuard() = default;
  explicit LinkGuard(std::string guarded, bool guardItself = true) : folder(std::move(guarded)), itself(guardItself) {}
  std::string folder;
  bool itself = true;  // false: the folder itself may be a link (a system folder moved elsewhere)
  // Where `folder` lies, learnt the first time it is found there and no link. Each level a
  // later change opens is judged against it, so a folder swapped since is seen.
  mutable std::wstring final;
  // While a run stages or commits, the folder of its last change stays held (nothing can
  // move it meanwhile), so that the next change there need not open it again. Released
  // before a folder is moved or removed, and when the run ends.
  bool keepsHold = false;
  mutable std::string heldLevel;
  mutable std::shared_ptr<ScopedHandle> held;
  void Release() const {
    heldLevel.clear();
    held.reset();
  }
};

// The folder a change is made in, held for the change: opened without following a link,
// its deletion not shared, so that it can be neither renamed nor deleted, and so not
// replaced by a link or junction, until the change is made. Linked() when a level from
// the guarded folder down to `path` (`path` itself when it is there) is a link or
// junction, or leads elsewhere: what was opened is judged, by where it lies
// (GetFinalPathNameByHandle) and by its reparse attribute, never the path alone. A path
// outside the guarded folder is not judged. `entryToo` false: `path` itself is not judged
// (a name that is only deleted: a link there is deleted itself).
class HeldFolder {
 public:
  HeldFolder(const std::string& path, const LinkGuard& guard, bool entryToo = true);
  bool Linked() const { return linked_; }
  // Whether `handle`, opened at `path` without following a link, is what the path names.
  // A file made new (CREATE_NEW) is no link: it is made only where nothing is, a link too.
  bool Holds(HANDLE handle, const std::string& path, bool madeNew = false) const;
  // Whether what stands at `path` now (nothing, or an entry in the held folder) is no link.
  bool Plain(const std::string& path) const;

 private:
  HANDLE Open(const std::string& path, DWORD access, DWORD share) const;
  // A link where none may be: below the guarded folder, and at it unless it may be one.
  bool LinkAt(HANDLE handle, const std::string& path) const;
  std::string root_;  // empty: nothing judged
  bool rootItself_ = true;
  std::wstring rootFinal_;
  std::shared_ptr<ScopedHandle> folder_;  // shared with the guard while it keeps it
  bool linked_ = false;
};

// A new file being written under its staged name. Destroyed before it was placed, it is
// deleted; the target is untouched.
class StagedFile {
 public:
  StagedFile() = default;
  ~StagedFile() { Discard(); }
  StagedFile(const StagedFile&) = delete;
  StagedFile& operator=(const StagedFile&) = delete;

  const std::string& Target() const { return target_; }
  ChangeFault Write(const void* data, std::size_t size);
  // The last-write time (when given), the data flushed to the disk, the file closed.
  ChangeFault Finish(std::optional<uint64_t> lastWriteTime);
  void Discard();

 private:
  friend class ChangeLayer;
  class ChangeLayer* owner_ = nullptr;
  bool handed_ = false;  // to the layer's flusher: closed there
  std::string target_;
  std::wstring staged_;
  HANDLE file_ = INVALID_HANDLE_VALUE;
  uint64_t size_ = 0;     // bytes written
  bool existed_ = false;  // the target was there when the file was staged
  bool placed_ = false;
};

class ChangeLayer : public install_log::ChangeRecorder {
 public:
  // `journal` nullptr: nothing is recorded (no installation log and no run).
  explicit ChangeLayer(install_log::ChangeRecorder* journal) : journal_(journal) {}
  void SetJournal(install_log::ChangeRecorder* journal) { journal_ = journal; }

  // Records pass through to the journal; within a run they are the run's too.
  bool Record(const install_log::Record& record) override;
  bool Append(const install_log::Record& record) override;
  bool Flush() override;
  bool Keeps() const override { return journal_ != nullptr || inRun_; }

  // --- The run. Nothing at or below the installation folder is changed through a link or
  // junction: such a change fails with kLink, also on the last page.
  ChangeFault BeginRun(const std::string& group, const std::string& installDir);
  bool InRun() const { return inRun_; }
  // A folder of section "delete": replaced at the commit by what the run makes in it.
  ChangeFault ReplaceFolderAtCommit(const std::string& folder);
  // Creates the folder with its missing levels (inside a replaced folder's new tree).
  ChangeFault CreateFolder(const std::string& path);
  // Records the file and opens its staged file; in a run the target stays as it is.
  ChangeFault StageFile(const std::string& target, StagedFile& file);
  // In a run: whether the finished file's target can be replaced at the commit (kInUse
  // when a program holds it). Outside a run: the finished file replaces its target now.
  ChangeFault Place(StagedFile& file);
  // The bytes of the files the run has staged and placed so far, each target counted once
  // with its last content; 0 outside a run.
  uint64_t StagedBytes() const;
  // Waits until every staged file of the run is on the disk; the first fault.
  ChangeFault StagedFilesOnDisk() { return flusher_.Drain(); }
  // Everything in, or on a fault everything undone (the fault returned).
  ChangeFault Commit();
  void Undo();
  // The first change of the run that a link or junction refused (kNone when none).
  const ChangeFault& LinkInTheWay() const { return linked_; }

  // Registry keys and values, shortcuts, folders outside a run and registry imports are
  // recorded through this layer by what makes them (registry.h, shell_link.h, recording.h).

 private:
  friend class StagedFile;
  bool Put(const install_log::Record& record, bool flush);
  // A change a link or junction stands in the way of; the first is the run's.
  ChangeFault Refuse(const std::string& path);
  void EndRun();
  install_log::ChangeRecorder* journal_;
  bool inRun_ = false;
  std::vector<install_log::LogLine> run_;
  install_log::StagingMap staging_;
  std::string lastStaged_;
  std::map<std::string, uint64_t> placedSizes_;  // placed targets of the run, folded -> bytes
  std::set<std::string> writtenInPlace_;         // targets the run made in their place, folded
  std::set<std::string> createdFolders_;         // folders the run created, folded
  LinkGuard guard_;                              // the run's installation folder
  ChangeFault linked_;
  DataFlusher flusher_;  // staged files of the run, made durable beside it
};

// Undoes one registry record: a value back to what it held, a created key gone when it is
// empty. False when it had to stay.
bool RestoreValue(const install_log::Record& value);
bool RemoveEmptyKey(const install_log::Record& key);

// Carries out one step of a plan; the fault that kept it from being done (kLink when a
// link or junction at or below the run's installation folder stands in the way).
ChangeFault CarryOut(const install_log::PlanStep& step, const install_log::StagingMap& map, const LinkGuard& guard);

// Finishes the last run of the log at `path` (install_log::PlanRecovery) and records its
// end there. False when a step could not be done: the run stays unfinished for the next
// start. A missing log, or a file that is no log, needs nothing.
bool RecoverJournal(const std::string& path);

// Deletes the journal at `path` when its last run is over (or it has none); a file there
// that is no such journal is left alone.
// `unlessInstalled`: a log that this start made is deleted too when no run of it went
// through, so that an installation that was undone leaves no log behind.
void RemoveEndedJournal(const std::string& path, bool unlessInstalled = false);

// Deletes a folder with everything in it, never following a link or junction (a link is
// removed itself). False when something stayed.
bool RemoveTree(const std::string& path);

}  // namespace yv::winsys
