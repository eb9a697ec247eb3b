#include "winsys/change_layer.h"

#include "install_log/log_file.h"
#include "install_log/place_rules.h"
#include "install_log/removal_plan.h"
#include "platform/file_io.h"
#include "text/cp936.h"
#include "text/gbk.h"
#include "winsys/deployment.h"
#include "winsys/recording.h"
#include "winsys/winsys_texts.h"

namespace yv::winsys {

using install_log::Action;
using install_log::Record;
using install_log::RecordKind;
using Kind = ChangeFault::Kind;

namespace {

constexpr DWORD kQuotaExceeded = 1295;  // ERROR_DISK_QUOTA_EXCEEDED, not in every SDK

// Staged and moved-aside names may pass 259 characters: such a drive path goes through the
// "\\?\" form, which takes it as it is.
std::wstring Wide(const std::string& path) {
  std::wstring wide = text::ToWide(path);
  const bool drivePath = wide.size() > 2 && wide[1] == L':' && wide[2] == L'\\';
  return wide.size() >= MAX_PATH && drivePath ? L"\\\\?\\" + wide : wide;
}

DWORD Attributes(const std::string& path) {
  return GetFileAttributesW(Wide(path).c_str());
}

bool Exists(const std::string& path) {
  return Attributes(path) != INVALID_FILE_ATTRIBUTES;
}

bool IsGone(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

std::string FolderOf(const std::string& path) {
  const std::size_t separator = text::FindLastChar(path, '\\');
  return separator == std::string::npos ? std::string() : path.substr(0, separator);
}

bool AtOrBelow(const std::string& path, const std::string& folder) {
  return text::EqualsIgnoreCase(path, folder) || install_log::IsBelow(path, folder);
}

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The entry itself, a link too, not what a link leads to unless asked.
HANDLE OpenUnfollowed(const std::wstring& path, DWORD access, DWORD share, bool follow = false) {
  return CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
}

HANDLE OpenUnfollowed(const std::string& path, DWORD access, DWORD share, bool follow = false) {
  // "C:" is the drive's root.
  return OpenUnfollowed(Wide(!path.empty() && path.back() == ':' ? path + "\\" : path), access, share, follow);
}

// Whether what `handle` holds is a reparse point; nullopt when that cannot be read.
// (FileAttributeTagInfo, not GetFileInformationByHandle: under Wine that also asks for the
// volume, at some 0.5 ms a call.)
std::optional<bool> ReparsePoint(HANDLE handle) {
  FILE_ATTRIBUTE_TAG_INFO info;
  if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &info, sizeof info)) return std::nullopt;
  return (info.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Windows shows a link on the handle of the link itself; Wine opens what a link leads to
// and shows the link only in the attributes of its path.
bool IsLink(HANDLE handle, const std::string& path) {
  const std::optional<bool> reparse = ReparsePoint(handle);
  if (!reparse) return true;
  const DWORD attributes = Attributes(path);
  return *reparse || (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT));
}

// Where what `handle` holds lies, every link resolved, without a trailing backslash.
std::wstring FinalPath(HANDLE handle) {
  std::wstring path(MAX_PATH, L'\0');
  DWORD length = GetFinalPathNameByHandleW(handle, path.data(), MAX_PATH, FILE_NAME_NORMALIZED);
  if (length >= MAX_PATH) {
    path.resize(length);
    length = GetFinalPathNameByHandleW(handle, path.data(), length, FILE_NAME_NORMALIZED);
  }
  path.resize(length < path.size() ? length : 0);
  if (!path.empty() && path.back() == L'\\') path.pop_back();
  return path;
}

bool LiesAt(HANDLE handle, const std::wstring& expected) {
  const std::wstring found = FinalPath(handle);
  return !found.empty() && CompareStringOrdinal(found.c_str(), static_cast<int>(found.size()), expected.c_str(),
                                                static_cast<int>(expected.size()), TRUE) == CSTR_EQUAL;
}

// A target that may be renamed can be replaced at the commit; one opened without sharing
// its deletion cannot. A running program's file may be renamed.
ChangeFault Replaceable(const std::string& target) {
  const HANDLE probe = OpenUnfollowed(target, DELETE, kShareAll);
  if (probe != INVALID_HANDLE_VALUE) {
    CloseHandle(probe);
    return {};
  }
  const DWORD error = GetLastError();
  return IsGone(error) ? ChangeFault{} : FaultOf(error, target);
}

// A rename on the volume; the data of a staged file was flushed when it was finished.
ChangeFault Move(const std::string& from, const std::string& to, bool replacing) {
  if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(),
                  MOVEFILE_WRITE_THROUGH | (replacing ? MOVEFILE_REPLACE_EXISTING : 0)))
    return {};
  return FaultOf(GetLastError(), from);
}

// A file of ours that goes: now, or when the program holding it lets go (at the latest
// at the next restart).
void DropFile(const std::string& path) {
  const std::wstring wide = Wide(path);
  if (DeleteFileW(wide.c_str()) || IsGone(GetLastError())) return;
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
      SetFileAttributesW(wide.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY) && DeleteFileW(wide.c_str())) {
    return;
  }
  MoveFileExW(wide.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

// The staged file in; an earlier target aside first. A target that was not there when it
// was staged has no earlier file to keep: one there now is somebody else's, and the move
// fails rather than replace it.
ChangeFault PublishFile(const install_log::Record& r, const std::string& staged) {
  if (!Exists(staged)) return {};  // in already
  if (r.existed && Exists(r.text)) {
    const std::string backup = install_log::BackupNameOf(r.text);
    DropFile(backup);  // left by a run that ended before it could go
    if (ChangeFault moved = Move(r.text, backup, false)) return moved;
  }
  return Move(staged, r.text, false);
}

ChangeFault PublishFolder(const std::string& folder, bool keep) {
  const std::string fresh = install_log::StagedNameOf(folder);
  const std::string old = install_log::BackupNameOf(folder);
  // The earlier folder goes aside once; afterwards a folder there is the new tree.
  if (keep && !Exists(fresh)) return {};
  if (Exists(folder) && !Exists(old)) {
    if (ChangeFault moved = Move(folder, old, false)) return moved;
  }
  return keep ? Move(fresh, folder, false) : ChangeFault{};
}

ChangeFault RestoreFolder(const std::string& folder) {
  const std::string fresh = install_log::StagedNameOf(folder);
  const std::string old = install_log::BackupNameOf(folder);
  if (!RemoveTree(fresh)) return {Kind::kInUse, fresh, 0};
  if (!Exists(old)) return {};
  // The earlier folder was moved aside: a folder in its place is the run's new tree.
  if (!RemoveTree(folder)) return {Kind::kInUse, folder, 0};
  return Move(old, folder, false);
}

ChangeFault RestoreFile(const Record& r, const std::string& staged) {
  DropFile(staged);
  const std::string backup = install_log::BackupNameOf(r.text);
  if (Exists(backup)) return Move(backup, r.text, true);
  if (!r.existed && Exists(r.text) && !DeleteFileW(Wide(r.text).c_str()) && !IsGone(GetLastError())) {
    return FaultOf(GetLastError(), r.text);
  }
  return {};
}

// The installation folder of the log's last run: the FOLDER record before its BEGIN.
std::string RunFolder(const std::vector<install_log::LogLine>& lines) {
  std::string folder;
  std::string runFolder;
  for (const install_log::LogLine& line : lines) {
    if (line.record.kind == RecordKind::Folder) folder = line.record.text;
    if (line.record.kind == RecordKind::Begin) runFolder = folder;
  }
  return runFolder;
}

struct OpenedKey {
  HKEY key = nullptr;
  LONG status = ERROR_SUCCESS;
  ~OpenedKey() {
    if (key) RegCloseKey(key);
  }
};

// "ROOT\path" as a root and a path; a root this program does not write is refused.
std::optional<std::pair<HKEY, std::wstring>> SplitKey(const std::string& text) {
  const std::size_t sep = text::FindChar(text, '\\');
  const auto root = RootOf(text.substr(0, sep));
  if (!root || sep == std::string::npos) return std::nullopt;
  return std::make_pair(*root, text::ToWide(text.substr(sep + 1)));
}

}  // namespace

HeldFolder::HeldFolder(const std::string& path, const LinkGuard& guard, bool entryToo) {
  if (guard.folder.empty() || !AtOrBelow(path, guard.folder)) return;
  root_ = guard.folder;
  rootItself_ = guard.itself;
  if (guard.final.empty()) {
    const ScopedHandle root(Open(root_, FILE_READ_ATTRIBUTES, kShareAll));
    if (!root) {
      linked_ = !IsGone(GetLastError());  // no folder, nothing in it either
      return;
    }
    if (LinkAt(root.get(), root_)) {
      linked_ = true;
      return;
    }
    guard.final = FinalPath(root.get());
  }
  rootFinal_ = guard.final;
  if (path.size() > root_.size()) {
    // The folder `path` lies in, or the nearest level above it that is there.
    std::string level = FolderOf(path);
    // The folder of the last change may still be held, judged when it was opened. Held, it
    // cannot be moved, and on Windows neither can a level above it (no folder with an open
    // entry below it can). Wine lets a level above move, and does not follow that in the
    // path of a held handle either: there only what a change makes or opens in the folder
    // shows it, and that is judged where it lies (Holds, Plain).
    if (guard.held && level == guard.heldLevel) {
      folder_ = guard.held;
    } else {
      for (;;) {
        const HANDLE opened = Open(level, FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE);
        const DWORD error = GetLastError();
        folder_ = std::make_shared<ScopedHandle>(opened);
        if (*folder_ || !IsGone(error)) break;
        if (level.size() <= root_.size()) return;  // the guarded folder is gone: nothing in it
        level = FolderOf(level);
      }
      if (!*folder_ || !Holds(folder_->get(), level)) {
        linked_ = true;
        return;
      }
      if (guard.keepsHold) {
        guard.heldLevel = level;
        guard.held = folder_;
      }
    }
  }
  linked_ = entryToo && !Plain(path);
}

HANDLE HeldFolder::Open(const std::string& path, DWORD access, DWORD share) const {
  // A guarded folder that may be a link is judged where it leads.
  return OpenUnfollowed(path, access, share, !rootItself_ && path.size() == root_.size());
}

bool HeldFolder::LinkAt(HANDLE handle, const std::string& path) const {
  return (rootItself_ || path.size() > root_.size()) && IsLink(handle, path);
}

bool HeldFolder::Plain(const std::string& path) const {
  const ScopedHandle entry(Open(path, FILE_READ_ATTRIBUTES, kShareAll));
  return !entry || Holds(entry.get(), path);
}

namespace {

// No link on the way to `path` (held), at it, or under the names its staged and
// moved-aside copies take beside it.
bool Unlinked(const HeldFolder& held, const std::string& path) {
  return !held.Linked() && held.Plain(install_log::StagedNameOf(path)) && held.Plain(install_log::BackupNameOf(path));
}

}  // namespace

bool HeldFolder::Holds(HANDLE handle, const std::string& path, bool madeNew) const {
  if (root_.empty()) return true;
  if (rootFinal_.empty() || (!madeNew && LinkAt(handle, path))) return false;
  // Below the root as Windows reads the path: "/" is "\\", and repeated or trailing
  // separators name no level.
  std::wstring expected = rootFinal_;
  for (const wchar_t c : text::ToWide(path.substr(root_.size()))) {
    const bool separator = c == L'\\' || c == L'/';
    if (!separator || expected.back() != L'\\') expected += separator ? L'\\' : c;
  }
  if (expected.size() > rootFinal_.size() && expected.back() == L'\\') expected.pop_back();
  return LiesAt(handle, expected);
}

ChangeFault::Kind KindOfError(DWORD error) {
  switch (error) {
    case ERROR_SUCCESS:
      return Kind::kNone;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case kQuotaExceeded:
      return Kind::kDiskFull;
    case ERROR_SHARING_VIOLATION:  // open without sharing
    case ERROR_LOCK_VIOLATION:     // a locked range
    case ERROR_USER_MAPPED_FILE:   // mapped into a process
    case ERROR_ACCESS_DENIED:      // a running program's file, or open without delete sharing
      return Kind::kInUse;
    default:
      return Kind::kCannotCreate;
  }
}

namespace {

// Every fault a change meets is a line of the support log, whatever is made of it.
ChangeFault Logged(ChangeFault fault) {
  if (fault) LogLine(texts::kWindowsError + std::to_string(fault.error) + "：" + fault.path);
  return fault;
}

}  // namespace

ChangeFault FaultOf(DWORD error, const std::string& path) {
  return Logged({KindOfError(error), path, error});
}

ChangeFault NewFileFaultOf(DWORD error, const std::string& path) {
  return Logged({KindOfError(error) == Kind::kDiskFull ? Kind::kDiskFull : Kind::kCannotCreate, path, error});
}

ChangeFault StagedFile::Write(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const char*>(data);
  while (size > 0) {
    const DWORD chunk = size < (1u << 30) ? static_cast<DWORD>(size) : (1u << 30);
    DWORD written = 0;
    if (!WriteFile(file_, bytes, chunk, &written, nullptr) || written == 0) {
      const DWORD error = written == 0 && GetLastError() == ERROR_SUCCESS ? ERROR_DISK_FULL : GetLastError();
      return NewFileFaultOf(error, target_);
    }
    bytes += written;
    size -= written;
    size_ += written;
  }
  return {};
}

ChangeFault StagedFile::Finish(std::optional<uint64_t> lastWriteTime) {
  if (lastWriteTime) {
    // A time that cannot be applied is passed over: the content is what counts.
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(*lastWriteTime);
    time.dwHighDateTime = static_cast<DWORD>(*lastWriteTime >> 32);
    SetFileTime(file_, nullptr, nullptr, &time);
  }
  // On the disk before any record says it is whole, and before any rename publishes it: in
  // a run beside it, before the commit; outside one now.
  if (owner_ && owner_->InRun()) {
    owner_->flusher_.Hand(file_, target_);
    file_ = INVALID_HANDLE_VALUE;
    handed_ = true;
    return {};
  }
  const DWORD error = FlushAndClose(file_);
  file_ = INVALID_HANDLE_VALUE;
  return error == ERROR_SUCCESS ? ChangeFault{} : NewFileFaultOf(error, target_);
}

void StagedFile::Discard() {
  if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
  file_ = INVALID_HANDLE_VALUE;
  if (!staged_.empty() && !placed_) {
    if (handed_ && owner_) owner_->flusher_.Drain();  // closed there first
    DeleteFileW(staged_.c_str());
    if (owner_) owner_->writtenInPlace_.erase(text::ToLowerAscii(target_));
  }
  staged_.clear();
  size_ = 0;
  placed_ = false;
  handed_ = false;
}

bool ChangeLayer::Put(const install_log::Record& record, bool flush) {
  if (inRun_) run_.push_back({run_.size() + 1, record});
  if (!journal_) return true;
  return flush ? journal_->Record(record) : journal_->Append(record);
}

bool ChangeLayer::Record(const install_log::Record& record) {
  return Put(record, true);
}

bool ChangeLayer::Append(const install_log::Record& record) {
  return Put(record, false);
}

bool ChangeLayer::Flush() {
  return !journal_ || journal_->Flush();
}

ChangeFault ChangeLayer::BeginRun(const std::string& group, const std::string& installDir) {
  run_.clear();
  staging_ = {};
  lastStaged_.clear();
  placedSizes_.clear();
  writtenInPlace_.clear();
  createdFolders_.clear();
  guard_ = LinkGuard(text::WithoutTrailingBackslash(installDir));
  linked_ = {};
  if (!Put(install_log::Record::Of(RecordKind::Group, group), false) ||
      !Put(install_log::Record::Of(RecordKind::Folder, text::WithoutTrailingBackslash(installDir)), false)) {
    return {Kind::kNoJournal, installDir, 0};
  }
  inRun_ = true;
  if (!Put(install_log::Record::Of(RecordKind::Begin), true)) {
    inRun_ = false;
    return {Kind::kNoJournal, installDir, 0};
  }
  guard_.keepsHold = true;
  return {};
}

ChangeFault ChangeLayer::Refuse(const std::string& path) {
  if (!linked_) linked_ = {Kind::kLink, path, 0};
  return {Kind::kLink, path, 0};
}

ChangeFault ChangeLayer::ReplaceFolderAtCommit(const std::string& folder) {
  if (!Exists(folder)) return {};
  guard_.Release();  // it may be the folder tried below, or lie in it
  const HeldFolder held(folder, guard_);
  if (!Unlinked(held, folder)) return Refuse(folder);
  if (!Put(install_log::Record::Of(RecordKind::Gone, folder), true)) return {Kind::kNoJournal, folder, 0};
  staging_.AddReplacedFolder(folder);
  // Tried now, so that a folder a program holds is found before anything has changed.
  const std::string aside = install_log::BackupNameOf(folder);
  if (!RemoveTree(aside)) return {Kind::kInUse, aside, 0};
  if (ChangeFault moved = Move(folder, aside, false)) return moved;
  return Move(aside, folder, false);
}

ChangeFault ChangeLayer::CreateFolder(const std::string& path) {
  // Each separator, and the end of the text, closes a level; a drive is no level, and
  // neither is the nothing between two separators (a trail byte 5C is no separator).
  std::size_t separator = std::string::npos;
  for (std::size_t i = 0; i <= path.size(); i += i < path.size() ? text::CharLength(path, i) : 1) {
    if (i < path.size() && path[i] != '\\') continue;
    const bool empty = i == 0 || (separator != std::string::npos && separator + 1 == i);
    separator = i;
    if (empty || path[i - 1] == ':') continue;
    const std::string level = path.substr(0, i);
    const std::string made = inRun_ ? staging_.StagedFolder(level) : level;
    const HeldFolder held(made, guard_);
    if (held.Linked()) return Refuse(level);
    if (Exists(made)) continue;
    if (!Put(install_log::Record::Of(RecordKind::Dir, level), !inRun_)) return {Kind::kNoJournal, level, 0};
    if (!CreateDirectoryW(Wide(made).c_str(), nullptr)) {
      if (GetLastError() != ERROR_ALREADY_EXISTS) return FaultOf(GetLastError(), level);
    } else if (inRun_) {
      // Made by this run, so nothing in it is anybody else's: its new files go in at once.
      createdFolders_.insert(text::ToLowerAscii(level));
    }
    if (HeldFolder(made, guard_).Linked()) return Refuse(level);  // made where a link led
  }
  return {};
}

ChangeFault ChangeLayer::StageFile(const std::string& target, StagedFile& file) {
  file.Discard();
  file.owner_ = this;
  file.target_ = target;
  const bool replaced = inRun_ && staging_.ReplacedFolderOf(target);
  // A file in a folder the run created is written in its place, where the log may say so:
  // no earlier file is there to keep. It is not looked for first: CREATE_NEW finds out,
  // and a file somebody else put there meanwhile is refused, not replaced.
  const bool inPlace = inRun_ && !replaced && (!journal_ || journal_->TakesFilesInPlace()) &&
                       createdFolders_.count(text::ToLowerAscii(FolderOf(target))) > 0;
  const DWORD attributes = inPlace ? INVALID_FILE_ATTRIBUTES : Attributes(target);
  const bool existed = attributes != INVALID_FILE_ATTRIBUTES;
  const install_log::Record record = install_log::Record::FileWrite(target, existed && !replaced, inPlace);
  const std::string stagedName = inRun_ ? staging_.StagedFile(record) : install_log::StagedNameOf(target);
  // Made in its folder, held meanwhile, and never where a link or junction leads: none on
  // the way, none under the staged name, none as a target that stays where it is or
  // under the name it goes aside to. A file made in its place is made only where nothing
  // is (a link there too): the way to it is all there is to judge before.
  const HeldFolder held(replaced || inPlace ? stagedName : target, guard_, !inPlace);
  if (replaced || inPlace ? held.Linked() : !Unlinked(held, target)) return Refuse(target);
  // A read-only file is not replaced, and a folder never: that is no program's doing.
  if (existed && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
    return {Kind::kReadOnly, target, 0};
  }
  // Written again after a full disk: recorded once.
  if (target != lastStaged_) {
    if (!Put(record, !inRun_)) return {Kind::kNoJournal, target, 0};
    lastStaged_ = target;
  }
  const std::wstring staged = Wide(stagedName);
  file.existed_ = existed;
  const auto create = [&] {
    return CreateFileW(staged.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  };
  const std::string folded = text::ToLowerAscii(target);
  file.file_ = create();
  // A staged file already there (no link: judged above) is this run's (a target written
  // twice) or one a killed run left: neither is anybody else's. In its place, only this
  // run's own is (a target it wrote there before).
  if (file.file_ == INVALID_HANDLE_VALUE && GetLastError() == ERROR_FILE_EXISTS &&
      (!inPlace || writtenInPlace_.count(folded) > 0)) {
    flusher_.Drain();  // the earlier one may still be open there
    if (DeleteFileW(staged.c_str())) file.file_ = create();
  }
  if (file.file_ == INVALID_HANDLE_VALUE) {
    const DWORD error = GetLastError();
    return NewFileFaultOf(error, target);
  }
  if (!held.Holds(file.file_, stagedName, true)) {
    // Made where a link put in the meantime led: it goes again, by what was made.
    FILE_DISPOSITION_INFO gone{TRUE};
    SetFileInformationByHandle(file.file_, FileDispositionInfo, &gone, sizeof gone);
    CloseHandle(file.file_);
    file.file_ = INVALID_HANDLE_VALUE;
    return Refuse(target);
  }
  file.staged_ = staged;
  if (inPlace) writtenInPlace_.insert(folded);
  return {};
}

ChangeFault ChangeLayer::Place(StagedFile& file) {
  const std::string& target = file.target_;
  if (inRun_) {
    // The staged file waits for the commit.
    const bool replacing = file.existed_ && !staging_.ReplacedFolderOf(target);
    if (const ChangeFault held = replacing ? Replaceable(target) : ChangeFault{}) return held;
    file.placed_ = true;
    placedSizes_[text::ToLowerAscii(target)] = file.size_;
    return {};
  }
  const HeldFolder held(target, guard_);
  if (held.Linked()) return Refuse(target);
  if (MoveFileExW(file.staged_.c_str(), Wide(target).c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    file.placed_ = true;
    return {};
  }
  const DWORD error = GetLastError();
  const DWORD attributes = Attributes(target);
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY))) {
    return {Kind::kReadOnly, target, error};
  }
  return FaultOf(error, target);
}

uint64_t ChangeLayer::StagedBytes() const {
  uint64_t total = 0;
  if (!inRun_) return total;
  for (const auto& placed : placedSizes_) total += placed.second;
  return total;
}

ChangeFault ChangeLayer::Commit() {
  if (!inRun_) return {};
  if (const ChangeFault unflushed = StagedFilesOnDisk()) {
    Undo();
    return unflushed;
  }
  if (!Flush() || !Put(install_log::Record::Of(RecordKind::Commit), true)) {
    Undo();
    return {Kind::kNoJournal, {}, 0};
  }
  for (const install_log::PlanStep& step : install_log::PlanCompletion(run_)) {
    const ChangeFault fault = CarryOut(step, staging_, guard_);
    const bool publishing = step.action == Action::kPublishFile || step.action == Action::kPublishFolder;
    if (fault && publishing) {
      if (fault.kind == Kind::kLink) Refuse(fault.path);
      Undo();
      return fault;
    }
  }
  Put(install_log::Record::Of(RecordKind::End), true);
  EndRun();
  return {};
}

void ChangeLayer::EndRun() {
  inRun_ = false;
  guard_.keepsHold = false;
  guard_.Release();
}

void ChangeLayer::Undo() {
  if (!inRun_) return;
  flusher_.Drain();  // every staged file closed before it goes
  Put(install_log::Record::Of(RecordKind::Abort), true);
  bool undone = true;
  for (const install_log::PlanStep& step : install_log::PlanUndo(run_)) {
    if (CarryOut(step, staging_, guard_)) undone = false;
  }
  // What could not be undone now is undone by the next start.
  if (undone) Put(install_log::Record::Of(RecordKind::End), true);
  EndRun();
}

bool RestoreValue(const Record& r) {
  const auto key = SplitKey(r.text);
  if (!key) return false;
  const REGSAM view = ViewAccess(r.view);
  const std::wstring name = text::ToWide(r.valueName);
  OpenedKey k;
  if (!r.existed) {
    k.status = RegOpenKeyExW(key->first, key->second.c_str(), 0, KEY_SET_VALUE | view, &k.key);
    if (k.status == ERROR_FILE_NOT_FOUND) return true;
    if (k.status != ERROR_SUCCESS) return false;
    const LONG status = RegDeleteValueW(k.key, name.c_str());
    return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
  }
  k.status = RegCreateKeyExW(key->first, key->second.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_SET_VALUE | view,
                             nullptr, &k.key, nullptr);
  if (k.status != ERROR_SUCCESS) return false;
  const std::string& data = r.earlier.data;
  return RegSetValueExW(k.key, name.c_str(), 0, r.earlier.type, reinterpret_cast<const BYTE*>(data.data()),
                        static_cast<DWORD>(data.size())) == ERROR_SUCCESS;
}

bool RemoveEmptyKey(const Record& r) {
  const auto key = SplitKey(r.text);
  if (!key) return false;
  const REGSAM view = ViewAccess(r.view);
  OpenedKey k;
  k.status = RegOpenKeyExW(key->first, key->second.c_str(), 0, KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | view, &k.key);
  if (k.status == ERROR_FILE_NOT_FOUND) return true;
  if (k.status != ERROR_SUCCESS) return false;
  DWORD subkeys = 0;
  DWORD values = 0;
  if (RegQueryInfoKeyW(k.key, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr, nullptr,
                       nullptr) != ERROR_SUCCESS ||
      subkeys != 0 || values != 0) {
    return false;
  }
  const LONG status = RegDeleteKeyExW(key->first, key->second.c_str(), view, 0);
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

ChangeFault CarryOut(const install_log::PlanStep& step, const install_log::StagingMap& map, const LinkGuard& guard) {
  const Record& r = step.record;
  // Every step acts on its record's path or its staged or moved-aside copy, in their
  // folder held meanwhile. A folder moved or removed is held by nobody.
  const bool movesFolder = step.action == Action::kPublishFolder || step.action == Action::kDropOldFolder ||
                           step.action == Action::kRestoreFolder || step.action == Action::kRemoveFolder;
  if (movesFolder) guard.Release();
  // Going forward, a link under a name that is only moved aside or deleted is moved or
  // deleted itself: what must be no link is the way to the folder, and a staged file that
  // is moved in. Going back, a moved-aside file is moved in again: every name is judged.
  bool unlinked = false;
  if (step.action == Action::kPublishFile) {
    unlinked = !HeldFolder(map.StagedFile(r), guard).Linked();
  } else if (step.action == Action::kDropBackup) {
    unlinked = !HeldFolder(install_log::BackupNameOf(r.text), guard, false).Linked();
  } else {
    unlinked = Unlinked(HeldFolder(r.text, guard), r.text);
  }
  if (!unlinked) return {Kind::kLink, r.text, 0};
  switch (step.action) {
    case Action::kPublishFile:
      return PublishFile(r, map.StagedFile(r));
    case Action::kDropBackup:
      DropFile(install_log::BackupNameOf(r.text));
      return {};
    case Action::kPublishFolder:
      return PublishFolder(r.text, step.keep);
    case Action::kDropOldFolder:
      RemoveTree(install_log::BackupNameOf(r.text));
      return {};
    case Action::kRestoreFile:
      return RestoreFile(r, map.StagedFile(r));
    case Action::kDropStaged:
      DropFile(map.StagedFile(r));
      return {};
    case Action::kRestoreFolder:
      return RestoreFolder(r.text);
    case Action::kRemoveFolder:
      // Not empty: something not ours is in it, and it stays with it.
      RemoveDirectoryW(Wide(r.text).c_str());
      return {};
    case Action::kRestoreValue:
      return RestoreValue(r) ? ChangeFault{} : ChangeFault{Kind::kCannotCreate, r.text, 0};
    case Action::kRemoveKey:
      RemoveEmptyKey(r);
      return {};
  }
  return {};
}

bool RecoverJournal(const std::string& path) {
  const auto content = platform::ReadWholeFile(path);
  if (!content) return true;
  const install_log::LogContent log = install_log::ReadLog(*content);
  if (log.status != install_log::LogContent::Status::kOk) return true;
  if (install_log::PlanRecovery(log.lines).direction == install_log::Recovery::Direction::kNothing) return true;
  // Held for writing while the run is finished, and judged on what that handle reads: the
  // run of a program that still writes the log (another setup.exe) is not ours to finish.
  install_log::LogWriter writer(path, install_log::ProductOf(log), std::nullopt);
  if (!writer.Open()) return true;
  const install_log::Recovery recovery = install_log::PlanRecovery(writer.Earlier());
  const install_log::LastRun run = install_log::FindLastRun(writer.Earlier());
  // After an ended run the files to tidy are the last page's, each beside its target.
  const install_log::StagingMap map = recovery.direction == install_log::Recovery::Direction::kTidy
                                          ? install_log::StagingMap()
                                          : install_log::StagingMap(run.records);
  const LinkGuard guard{RunFolder(writer.Earlier())};
  bool finished = true;
  for (const install_log::PlanStep& step : recovery.steps) {
    if (CarryOut(step, map, guard)) finished = false;
  }
  using Direction = install_log::Recovery::Direction;
  const bool endsTheRun = recovery.direction == Direction::kUndo || recovery.direction == Direction::kComplete;
  LogLine((recovery.direction == Direction::kUndo ? texts::kRecoveryUndone : texts::kRecoveryCompleted) +
          std::string(finished ? "" : texts::kRecoveryUnfinished) + "：" + path);
  if (!finished || !endsTheRun) {
    return finished;
  }
  if (run.phase != install_log::RunPhase::kCommitted && run.phase != install_log::RunPhase::kAborted) {
    writer.Append(Record::Of(RecordKind::Abort));
  }
  return writer.Record(Record::Of(RecordKind::End));
}

void RemoveEndedJournal(const std::string& path, bool unlessInstalled) {
  const auto content = platform::ReadWholeFile(path);
  if (!content) return;
  const install_log::LogContent log = install_log::ReadLog(*content);
  if (log.status != install_log::LogContent::Status::kOk) return;
  const install_log::RunPhase phase = install_log::FindLastRun(log.lines).phase;
  if (phase != install_log::RunPhase::kNone && phase != install_log::RunPhase::kEnded) return;
  if (!unlessInstalled || !install_log::AnyRunWentThrough(log.lines)) DeleteFileW(Wide(path).c_str());
}

namespace {

bool RemoveTreeWide(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return IsGone(GetLastError());
  if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    // The link goes, never what it leads to.
    if (!RemoveDirectoryW(path.c_str())) DeleteFileW(path.c_str());
  } else if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
    // Held while what is in it goes, so that it cannot be swapped for a link meanwhile; a
    // link there already is not listed, and only it goes.
    ScopedHandle held(CreateFileW(path.c_str(), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    const bool plain = held && ReparsePoint(held.get()) == false;
    const std::wstring where = plain ? FinalPath(held.get()) : std::wstring();
    WIN32_FIND_DATAW found;
    const HANDLE listing = plain ? FindFirstFileW((path + L"\\*").c_str(), &found) : INVALID_HANDLE_VALUE;
    if (listing != INVALID_HANDLE_VALUE) {
      do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        // Wine shows a link to a file as that file, and deletes what it leads to: such an
        // entry, found to lie elsewhere, stays.
        const ScopedHandle entry(OpenUnfollowed(path + L"\\" + name, FILE_READ_ATTRIBUTES, kShareAll));
        if (entry && !LiesAt(entry.get(), where + L"\\" + name)) continue;
        RemoveTreeWide(path + L"\\" + name);
      } while (FindNextFileW(listing, &found));
      FindClose(listing);
    }
    held.reset();
    RemoveDirectoryW(path.c_str());
  } else {
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(path.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
    DeleteFileW(path.c_str());
  }
  return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

}  // namespace

bool RemoveTree(const std::string& path) {
  return RemoveTreeWide(Wide(path));
}

}  // namespace yv::winsys
