#include "install_log/journal.h"

#include <algorithm>

#include "install_log/place_rules.h"
#include "text/gbk.h"

namespace yv::install_log {

namespace {

bool AtOrBelow(const std::string& path, const std::string& folder) {
  return IsBelow(path, folder) || text::EqualsIgnoreCase(path, folder);
}

bool Has(const std::vector<LogLine>& run, RecordKind kind) {
  return std::any_of(run.begin(), run.end(), [kind](const LogLine& l) { return l.record.kind == kind; });
}

PlanStep Step(Action action, const Record& record, bool keep = false) {
  return {action, record, keep};
}

}  // namespace

std::string StagedNameOf(const std::string& path) {
  return path + kStagedSuffix;
}

std::string BackupNameOf(const std::string& path) {
  return path + kBackupSuffix;
}

StagingMap::StagingMap(const std::vector<LogLine>& run) {
  for (const LogLine& line : run) {
    if (line.record.kind == RecordKind::Gone) AddReplacedFolder(line.record.text);
  }
}

void StagingMap::AddReplacedFolder(const std::string& folder) {
  // A folder inside one replaced already goes with it.
  if (!ReplacedFolderOf(folder)) replaced_.push_back(folder);
}

const std::string* StagingMap::ReplacedFolderOf(const std::string& path) const {
  for (const std::string& folder : replaced_) {
    if (AtOrBelow(path, folder)) return &folder;
  }
  return nullptr;
}

std::string StagingMap::StagedFile(const Record& file) const {
  const std::string& target = file.text;
  const std::string* folder = ReplacedFolderOf(target);
  if (folder) return StagedNameOf(*folder) + target.substr(folder->size());
  return file.inPlace ? target : StagedNameOf(target);
}

std::string StagingMap::StagedFolder(const std::string& path) const {
  const std::string* folder = ReplacedFolderOf(path);
  return folder ? StagedNameOf(*folder) + path.substr(folder->size()) : path;
}

LastRun FindLastRun(const std::vector<LogLine>& lines) {
  LastRun run;
  std::size_t begin = lines.size();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (lines[i].record.kind == RecordKind::Begin) begin = i;
  }
  if (begin == lines.size()) return run;
  run.phase = RunPhase::kStaging;
  for (std::size_t i = begin; i < lines.size(); ++i) {
    const RecordKind kind = lines[i].record.kind;
    if (run.phase == RunPhase::kEnded) {
      run.after.push_back(lines[i]);
      continue;
    }
    run.records.push_back(lines[i]);
    if (kind == RecordKind::Commit && run.phase == RunPhase::kStaging) run.phase = RunPhase::kCommitted;
    if (kind == RecordKind::Abort) run.phase = RunPhase::kAborted;
    if (kind == RecordKind::End) run.phase = RunPhase::kEnded;
  }
  return run;
}

bool AnyRunWentThrough(const std::vector<LogLine>& lines) {
  bool committed = false;
  for (const LogLine& line : lines) {
    const RecordKind kind = line.record.kind;
    if (kind == RecordKind::Begin) committed = false;
    if (kind == RecordKind::Commit) committed = true;
    if (kind == RecordKind::Abort) committed = false;
    if (kind == RecordKind::End && committed) return true;
  }
  return false;
}

std::vector<PlanStep> PlanCompletion(const std::vector<LogLine>& run) {
  const StagingMap map(run);
  std::vector<PlanStep> publish;
  std::vector<PlanStep> drop;
  for (const LogLine& line : run) {
    const Record& r = line.record;
    if (r.kind == RecordKind::Gone && map.ReplacedFolderOf(r.text) && *map.ReplacedFolderOf(r.text) == r.text) {
      // The new tree goes in only when the run made something in it.
      const bool keep = std::any_of(run.begin(), run.end(), [&](const LogLine& l) {
        return (l.record.kind == RecordKind::File || l.record.kind == RecordKind::Dir) &&
               AtOrBelow(l.record.text, r.text);
      });
      publish.push_back(Step(Action::kPublishFolder, r, keep));
      drop.push_back(Step(Action::kDropOldFolder, r));
    } else if (r.kind == RecordKind::File && !map.ReplacedFolderOf(r.text) && !r.inPlace) {
      publish.push_back(Step(Action::kPublishFile, r));
      // Only an earlier file was moved aside.
      if (r.existed) drop.push_back(Step(Action::kDropBackup, r));
    }
  }
  publish.insert(publish.end(), drop.begin(), drop.end());
  return publish;
}

std::vector<PlanStep> PlanUndo(const std::vector<LogLine>& run) {
  const StagingMap map(run);
  const bool committed = Has(run, RecordKind::Commit);
  std::vector<PlanStep> steps;
  for (auto it = run.rbegin(); it != run.rend(); ++it) {
    const Record& r = it->record;
    const bool replaced = map.ReplacedFolderOf(r.text) != nullptr;
    switch (r.kind) {
      case RecordKind::File:
        // Before the commit no target was touched: only the staged file goes.
        if (!replaced) steps.push_back(Step(committed ? Action::kRestoreFile : Action::kDropStaged, r));
        break;
      case RecordKind::Dir:
        if (!replaced) steps.push_back(Step(Action::kRemoveFolder, r));
        break;
      case RecordKind::Gone:
        if (replaced && *map.ReplacedFolderOf(r.text) == r.text) steps.push_back(Step(Action::kRestoreFolder, r));
        break;
      case RecordKind::Value:
        steps.push_back(Step(Action::kRestoreValue, r));
        break;
      case RecordKind::Key:
        steps.push_back(Step(Action::kRemoveKey, r));
        break;
      default:
        break;
    }
  }
  return steps;
}

Recovery PlanRecovery(const std::vector<LogLine>& lines) {
  const LastRun run = FindLastRun(lines);
  Recovery recovery;
  switch (run.phase) {
    case RunPhase::kNone:
      break;
    case RunPhase::kStaging:
    case RunPhase::kAborted:
      recovery.direction = Recovery::Direction::kUndo;
      recovery.steps = PlanUndo(run.records);
      break;
    case RunPhase::kCommitted:
      recovery.direction = Recovery::Direction::kComplete;
      recovery.steps = PlanCompletion(run.records);
      break;
    case RunPhase::kEnded:
      for (const LogLine& line : run.after) {
        if (line.record.kind == RecordKind::File) recovery.steps.push_back(Step(Action::kDropStaged, line.record));
      }
      if (!recovery.steps.empty()) recovery.direction = Recovery::Direction::kTidy;
      break;
  }
  return recovery;
}

}  // namespace yv::install_log
