#include "uninstall/removal.h"

#include <windows.h>

#include <algorithm>
#include <map>
#include <optional>

#include "medium/medium_rules.h"
#include "text/cp936.h"
#include "text/gbk.h"
#include "winsys/change_layer.h"
#include "winsys/recording.h"

namespace yv::uninstall {

using install_log::LogLine;
using install_log::Record;
using install_log::RecordKind;

namespace {

enum class Outcome {
  kDone,     // removed or restored, or there was nothing left to do
  kRemains,  // had to stay (a folder or key that is not empty, a link on the way, no rights)
  kInUse,    // a file another program holds
};

DWORD Attributes(const std::string& path) {
  return GetFileAttributesW(text::ToWide(path).c_str());
}

bool IsGone(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

// The place a path lies in, of those the site knows; empty when none.
std::string PlaceOf(const std::string& path, const RemovalSite& site) {
  std::string best;
  const auto consider = [&](const std::string& folder) {
    if ((install_log::IsBelow(path, folder) || text::EqualsIgnoreCase(path, folder)) && folder.size() > best.size()) {
      best = folder;
    }
  };
  for (const std::string& dir : site.installDirs) consider(dir);
  for (const std::string* p : site.places.All()) {
    consider(*p);
  }
  return best;
}

// Where links are refused for each path: below its place, and at an installation folder
// itself too (a system folder may have been moved elsewhere by a link). One guard a place,
// so that a place's own location is learnt once for the whole removal.
class Guards {
 public:
  explicit Guards(const RemovalSite& site) : site_(site) {}
  // Null when the path lies in no place.
  const winsys::LinkGuard* Of(const std::string& path) {
    const std::string place = PlaceOf(path, site_);
    if (place.empty()) return nullptr;
    const auto known = guards_.find(place);
    if (known != guards_.end()) return &known->second;
    const bool installDir = std::any_of(site_.installDirs.begin(), site_.installDirs.end(),
                                        [&](const std::string& dir) { return text::EqualsIgnoreCase(dir, place); });
    return &guards_.emplace(place, winsys::LinkGuard(place, installDir)).first->second;
  }

 private:
  const RemovalSite& site_;
  std::map<std::string, winsys::LinkGuard> guards_;
};

// Each removal is made in its folder, held meanwhile. A link or junction on the way, or
// in the place of what is removed, stays as it is, with what it leads to.
Outcome RemoveFile(const std::string& path, Guards& guards) {
  const winsys::LinkGuard* guard = guards.Of(path);
  if (!guard) return Outcome::kRemains;
  const winsys::HeldFolder held(path, *guard);
  if (held.Linked()) return Outcome::kRemains;
  const std::wstring wide = text::ToWide(path);
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return IsGone(GetLastError()) ? Outcome::kDone : Outcome::kRemains;
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return Outcome::kRemains;
  if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(wide.c_str(), attributes & ~FILE_ATTRIBUTE_READONLY);
  if (DeleteFileW(wide.c_str())) return Outcome::kDone;
  const DWORD error = GetLastError();
  if (IsGone(error)) return Outcome::kDone;
  // A running program's file, or one opened without sharing its deletion.
  if (winsys::KindOfError(error) == winsys::ChangeFault::Kind::kInUse) {
    if (attributes & FILE_ATTRIBUTE_READONLY) SetFileAttributesW(wide.c_str(), attributes);
    return Outcome::kInUse;
  }
  return Outcome::kRemains;
}

Outcome RemoveFolder(const std::string& path, Guards& guards) {
  const winsys::LinkGuard* guard = guards.Of(path);
  if (!guard) return Outcome::kRemains;
  const winsys::HeldFolder held(path, *guard);
  if (held.Linked()) return Outcome::kRemains;
  if (RemoveDirectoryW(text::ToWide(path).c_str())) return Outcome::kDone;
  // Not empty (a file the user made), or held as some program's working folder.
  return IsGone(GetLastError()) ? Outcome::kDone : Outcome::kRemains;
}

Outcome RemoveKey(const Record& r) {
  return winsys::RemoveEmptyKey(r) ? Outcome::kDone : Outcome::kRemains;
}

Outcome RestoreValue(const Record& r) {
  return winsys::RestoreValue(r) ? Outcome::kDone : Outcome::kRemains;
}

bool IsOwnFile(const std::string& path, const RemovalSite& site) {
  for (const std::string& own : site.ownFiles) {
    if (text::EqualsIgnoreCase(path, own)) return true;
  }
  return false;
}

// A file that was there before the installation stays unless it lies in an installation
// folder: in the Windows or system folder it belongs to Windows or to another product.
bool IsOurs(const Record& r, const RemovalSite& site) {
  if (r.kind != RecordKind::File || !r.existed) return true;
  for (const std::string& dir : site.installDirs) {
    if (install_log::IsBelow(r.text, dir)) return true;
  }
  return false;
}

// The product's own uninstall entry goes whole, even where an earlier, unlogged
// installation of the product had made it: restored, it would keep the product in the
// list of installed programs with a command that names the uninstaller being removed.
bool InUninstallEntry(const Record& r, const RemovalSite& site) {
  return !site.uninstallEntry.empty() && (r.kind == RecordKind::Value || r.kind == RecordKind::Key) &&
         text::EqualsIgnoreCase(r.text, site.uninstallEntry);
}

Outcome Reverse(const Record& r, const RemovalSite& site, Guards& guards) {
  if (InUninstallEntry(r, site) && r.kind == RecordKind::Value) {
    Record value = r;
    value.existed = false;
    return RestoreValue(value);
  }
  switch (r.kind) {
    case RecordKind::File:
    case RecordKind::Link:
      return RemoveFile(r.text, guards);
    case RecordKind::Dir:
      return RemoveFolder(r.text, guards);
    case RecordKind::Key:
      return RemoveKey(r);
    case RecordKind::Value:
      return RestoreValue(r);
    default:
      return Outcome::kDone;
  }
}

std::string Describe(const Record& r) {
  if (r.kind != RecordKind::Value) return r.text;
  return r.text + "\\" + (r.valueName.empty() ? "@" : r.valueName);
}

}  // namespace

std::string UninstallEntryKey(const std::string& group) {
  // As the installation writes it: HKEY_LOCAL_MACHINE, the 32-bit view. A group over the
  // limit named no entry.
  const std::optional<std::string> key = medium::UninstallKeyOf(group);
  return group.empty() || !key ? std::string() : "HKEY_LOCAL_MACHINE\\" + *key;
}

std::vector<std::string> InstallFolders(const std::vector<LogLine>& lines) {
  std::vector<std::string> folders;
  for (const LogLine& line : lines) {
    if (line.record.kind == RecordKind::Folder) folders.push_back(line.record.text);
  }
  return folders;
}

RemovalResult RunRemoval(const std::vector<LogLine>& plan, const RemovalSite& site, RemovalUi& ui,
                         install_log::ChangeRecorder& log) {
  RemovalResult result;
  Guards guards(site);
  for (const LogLine& line : plan) {
    const Record& r = line.record;
    if (r.kind == RecordKind::File && IsOwnFile(r.text, site)) continue;
    ui.Step(Describe(r));
    Outcome outcome = Outcome::kDone;
    if (IsOurs(r, site)) {
      while ((outcome = Reverse(r, site, guards)) == Outcome::kInUse) {
        if (!ui.RetryInUse(r.text)) {
          result.cancelled = true;
          return result;
        }
      }
      if (outcome == Outcome::kDone) result.removedSomething = true;
    }
    if (outcome == Outcome::kRemains) {
      result.remainders.push_back(Describe(r));
      continue;
    }
    Record done;
    done.kind = RecordKind::Done;
    done.doneLine = line.number;
    log.Record(done);
  }
  // The entry's key, emptied above, goes too when nothing else holds it.
  if (!site.uninstallEntry.empty()) {
    Record entry;
    entry.kind = RecordKind::Key;
    entry.text = site.uninstallEntry;
    entry.view = install_log::View::k32;
    if (RemoveKey(entry) == Outcome::kRemains) result.remainders.push_back(site.uninstallEntry);
  }
  // An installation folder that was there before (an earlier installation's, or one
  // holding what this log does not name) stays with what it holds: the user is told.
  for (const std::string& dir : site.installDirs) {
    const bool listed = std::any_of(result.remainders.begin(), result.remainders.end(),
                                    [&](const std::string& item) { return text::EqualsIgnoreCase(item, dir); });
    if (!listed && Attributes(dir) != INVALID_FILE_ATTRIBUTES) result.remainders.push_back(dir);
  }
  return result;
}

}  // namespace yv::uninstall
