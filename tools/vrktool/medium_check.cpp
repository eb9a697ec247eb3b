// The rules of check-medium. The medium is read with the wizard's own INI readers and
// container readers; every rule below restates what the wizard will do with what the
// medium says, and reports where that goes wrong.
#include "vrktool/medium_check.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "archive/package_format.h"
#include "medium/medium_rules.h"
#include "profile/ini_document.h"
#include "profile/integer_text.h"
#include "profile/section_readers.h"
#include "text/gbk.h"
#include "text/path_rules.h"
#include "vrktool/medium_files.h"
#include "vrktool/native.h"

namespace yv::vrktool {

namespace fs = std::filesystem;
using profile::IniDocument;

namespace {

// The Windows folders of a standard system, where WINDIR and WINSYSDIR point.
constexpr std::string_view kWindowsFolder = "C:\\windows";
constexpr std::string_view kSystemFolder = "C:\\windows\\system32";
using medium::kCountLimit;
using medium::kGroupLimit;
using medium::kPathLimit;
static_assert(kCountLimit == 5 && kPathLimit == 255 && kGroupLimit == 203, "the texts of the findings name them");

const std::vector<FindingKind> kKinds = {
    {"setup-ini-missing", Severity::kError, "setup.ini is missing: the wizard ends at once, without a word."},
    {"description-missing", Severity::kError,
     "neither install.ini nor install6.ini exists: the wizard shows \"安装文件不正确！\" and ends."},
    {"licence-missing", Severity::kError, "Lics.txt is missing: the first page cannot open."},
    {"text-not-gbk", Severity::kWarning, "a text file of the medium is not well-formed GBK: it shows garbled."},
    {"text-utf8", Severity::kError,
     "a text file of the medium is written in UTF-8 (what modern editors save), or starts with a UTF-8 byte order "
     "mark: the wizard reads GBK (code page 936), so every non-ASCII character shows as garbage (and a mark before "
     "\"[info]\" hides that section)."},
    {"component-text-missing", Severity::kWarning,
     "adN.txt of a component (or ad4.txt of the last page) is missing: an empty text box is shown."},
    {"no-components", Severity::kError,
     "\"parts\" is missing, 0 or negative: no component can be chosen and the components page cannot be passed."},
    {"count-capped", Severity::kWarning, "\"parts\", \"copy\" or \"delete\" is over 5: the wizard uses 5."},
    {"component-caption-missing", Severity::kWarning, "a component has no caption (\"partN\" in [info])."},
    {"component-section-missing", Severity::kError,
     "a component's section is missing or empty: installing it stops with \"安装盘不正确!\"."},
    {"archive-missing", Severity::kError,
     "an archive named by a component or receiver-card section is not on the medium: \"%s数据文件错误!\"."},
    {"archive-damaged", Severity::kError,
     "an archive cannot be read, decoded or checked as the wizard reads it (checksums of stored entries "
     "included): the installation stops with \"安装文件不正确!\" or installs damaged files."},
    {"packed-file-to-folder", Severity::kError,
     "a packed file has the destination WINDIR, WINSYSDIR or \".\": it can only be decoded to a file path."},
    {"folder-missing", Severity::kError,
     "an archive writes into a folder that neither [directory] nor the installation creates: the wizard "
     "creates no folders while it unpacks, so the file is not written (\"Can not uncompress file\", or "
     "nothing at all for a stored entry)."},
    {"fresh-only-archive", Severity::kInfo,
     "an archive name begins with \"_\": it is installed only into a fresh installation, never by an upgrade."},
    {"path-too-long", Severity::kError,
     "a path the wizard composes (with the default installation folder) is over 255 bytes: it cannot be made."},
    {"group-too-long", Severity::kError, "the program group is over 203 bytes: no uninstall entry can be named."},
    {"entry-text-cut", Severity::kWarning,
     "\"version\" or \"publisher\" is over 255 bytes: the uninstall entry shows its first 255 bytes."},
    {"delete-refused", Severity::kError,
     "a \"delete\" value is not a plain folder below the installation folder (empty, absolute, a drive, "
     "\"..\", a wildcard): the wizard refuses it and the installation stops."},
    {"section-switched-off", Severity::kWarning,
     "section \"delete\" or \"copy\" has entries but its switch in [info] is 0 or missing: the section is ignored."},
    {"copy-source-missing", Severity::kWarning,
     "a \"copy\" source folder is missing on the medium: nothing is copied."},
    {"copy-source-empty", Severity::kWarning,
     "a \"copy\" source folder holds no plain file (folders, hidden and system files are not copied)."},
    {"copy-destination-missing", Severity::kWarning,
     "a \"copy\" destination is not a folder that [directory] creates: every copy fails silently."},
    {"directory-invalid", Severity::kError,
     "a \"directory\" value has a drive or a colon: the folder cannot be created (\"创建路径不正确!\")."},
    {"directory-outside", Severity::kWarning, "a \"directory\" value climbs out of the installation folder."},
    {"key-prefix-ignored", Severity::kWarning,
     "a \"reg\" or \"run\" key does not begin with WPATH or IPATH in capitals: the wizard ignores the line."},
    {"file-missing", Severity::kError,
     "a \"reg\" file or \"run\" program is neither on the medium (WPATH) nor installed by an archive of the "
     "default components (IPATH): the wizard skips it without a word."},
    {"program-path-blank", Severity::kError,
     "a resolved \"run\" program path holds a blank (the default installation folder has one): the path ends "
     "there and the wizard skips the program without a word."},
    {"shortcut-target-missing", Severity::kError,
     "an \"ico\" or \"desktop\" target is not installed by any archive or copy: the shortcut points at nothing."},
    {"shortcut-duplicate", Severity::kWarning,
     "an \"ico\" or \"desktop\" name stands twice (letter case aside): only the first line counts."},
    {"shortcut-empty", Severity::kWarning, "an \"ico\" or \"desktop\" line has an empty value: no shortcut is made."},
    {"uninstaller-not-installed", Severity::kError,
     "\"uninst\" is set but no archive installs that file into the Windows folder: the uninstall entry and "
     "shortcut point at nothing."},
    {"uninstaller-not-plain", Severity::kError,
     "\"uninst\" is not a plain file name (it holds \"\\\", \"/\" or \":\", or is \".\" or \"..\"): the "
     "uninstaller and its log would lie outside the Windows folder."},
    {"card-name-missing", Severity::kWarning, "a receiver card offered by \"DriverCards\" has no \"DriverN\" name."},
    {"card-section-empty", Severity::kWarning,
     "a receiver card's \"DriverN\" section is missing or empty: choosing it installs nothing."},
    {"cards-switched-off", Severity::kWarning,
     "\"DriverN\" sections exist but \"DriverCards\" is 0 or missing (or \"configcard\" selects the driver "
     "table): they are never installed."},
    {"card-table-missing", Severity::kError,
     "\"configcard\" selects the driver table, but no archive installs cfg\\newuser\\system.ini: no card can "
     "be chosen on the last page."},
    {"follow-up-installer", Severity::kInfo,
     "hinstall.exe and insBDE\\setup.exe: present or absent (without hinstall.exe the last page reports "
     "\"无法执行Windows版安装程序！\")."},
};

const FindingKind& KindOf(std::string_view code) {
  for (const FindingKind& kind : kKinds) {
    if (kind.code == code) return kind;
  }
  return kKinds.front();  // every code used below is in the table; checked by the tests
}

std::string Shown(std::string_view gbk) {
  return GbkForDisplay(gbk);
}

// A path the wizard composes, as a key of the index of installed files: letter case
// folded, '\' between levels.
std::string Folded(std::string_view gbk) {
  return text::ToLowerAscii(gbk);
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

// True for a relative value that leaves the folder it is relative to, or is not
// relative at all (a drive, a colon, a leading separator).
bool HasDriveOrRoot(std::string_view value) {
  return text::FindChar(value, ':') != std::string_view::npos || (!value.empty() && value[0] == '\\') ||
         (!value.empty() && value[0] == '/');
}

bool ClimbsOut(std::string_view value) {
  std::size_t start = 0;
  while (start <= value.size()) {
    std::size_t stop = std::min(text::FindChar(value, '\\', start), text::FindChar(value, '/', start));
    if (stop == std::string_view::npos) stop = value.size();
    if (value.substr(start, stop - start) == "..") return true;
    start = stop + 1;
  }
  return false;
}

// One line of an archive list: a component's or a receiver card's section.
struct ArchiveLine {
  std::string section;
  std::string name;   // relative to the medium
  std::string token;  // destination
};

class MediumCheck {
 public:
  MediumCheck(const fs::path& root, std::vector<Finding>& findings) : medium_(root), findings_(findings) {}

  void Run();

 private:
  void Add(std::string_view code, std::string_view file, std::string_view section, std::string_view key,
           std::string message) {
    findings_.push_back(
        Finding{KindOf(code).severity, std::string(code), Shown(file), Shown(section), Shown(key), std::move(message)});
  }
  void CheckTextFile(std::string_view name, std::string_view missingCode, bool required);
  void CheckEncoding(std::string_view name, std::string_view bytes);
  void CheckDescription(const std::string& file);

  // Per description.
  int Count(const IniDocument& doc, std::string_view key);
  void CheckArchives(const std::vector<ArchiveLine>& lines);
  void Provide(const std::string& installedPath, const std::string& what);
  bool Provided(const std::string& installedPath) const { return installed_.count(Folded(installedPath)) != 0; }
  // The folder of a path the wizard writes to: the extraction and the copy create none.
  bool FolderExists(const std::string& path) const;
  void ExpectFolderOf(const std::string& path, const ArchiveLine& line);
  void ReadFolders(const IniDocument& doc);
  void CheckFolders(const IniDocument& doc, int copyCount, int deleteCount);
  void CheckRegAndRun(const IniDocument& doc);
  void CheckShortcuts(const IniDocument& doc);
  void CheckCards(const IniDocument& doc);
  std::string Destination(const std::string& token) const;

  MediumFolder medium_;
  std::vector<Finding>& findings_;
  std::string file_;                              // the description being checked
  std::string installDir_;                        // its default installation folder
  std::map<std::string, std::string> installed_;  // folded installed path -> archive that installs it
  std::set<std::string> folders_;                 // folded folders that exist when archives unpack
};

void MediumCheck::Run() {
  CheckTextFile("setup.ini", "setup-ini-missing", true);
  CheckTextFile("Lics.txt", "licence-missing", true);
  std::vector<std::string> descriptions;
  for (const char* name : {"install.ini", "install6.ini"}) {
    if (medium_.IsFile(name)) descriptions.push_back(name);
  }
  if (descriptions.empty()) {
    Add("description-missing", "", "", "", "no install.ini or install6.ini in the medium folder");
  }
  for (const std::string& name : descriptions) CheckDescription(name);

  for (const char* name : {"hinstall.exe", "insBDE\\setup.exe"}) {
    Add("follow-up-installer", name, "", "", medium_.IsFile(name) ? "present: the last page runs it" : "absent");
  }
}

void MediumCheck::CheckTextFile(std::string_view name, std::string_view missingCode, bool required) {
  auto bytes = medium_.Read(name);
  if (!bytes) {
    if (required) Add(missingCode, name, "", "", "the file is missing");
    return;
  }
  CheckEncoding(name, *bytes);
}

namespace {

// True for valid UTF-8 that holds at least one multi-byte character. Text in GBK almost
// never passes: its trail bytes 0x40-0x7E and its runs of lead bytes break the rules.
bool IsUtf8BeyondAscii(std::string_view bytes) {
  bool multiByte = false;
  for (std::size_t i = 0; i < bytes.size();) {
    const auto lead = static_cast<unsigned char>(bytes[i]);
    const std::size_t length = lead < 0x80                    ? 1
                               : lead >= 0xC2 && lead <= 0xDF ? 2
                               : lead >= 0xE0 && lead <= 0xEF ? 3
                               : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                              : 0;
    if (length == 0 || i + length > bytes.size()) return false;
    for (std::size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80) return false;
    }
    // Overlong three- and four-byte forms, surrogates and code points past U+10FFFF.
    const auto second = length > 1 ? static_cast<unsigned char>(bytes[i + 1]) : 0;
    if ((lead == 0xE0 && second < 0xA0) || (lead == 0xED && second >= 0xA0) || (lead == 0xF0 && second < 0x90) ||
        (lead == 0xF4 && second >= 0x90)) {
      return false;
    }
    multiByte |= length > 1;
    i += length;
  }
  return multiByte;
}

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

}  // namespace

// The text the wizard reads as GBK: UTF-8 is an error named as such, other bytes that
// are not GBK a warning.
void MediumCheck::CheckEncoding(std::string_view name, std::string_view bytes) {
  if (bytes.substr(0, kUtf8Mark.size()) == kUtf8Mark) {
    Add("text-utf8", name, "", "",
        "the file starts with a UTF-8 byte order mark; the wizard reads GBK (code page 936)");
  } else if (IsUtf8BeyondAscii(bytes)) {
    Add("text-utf8", name, "", "", "the file is written in UTF-8; the wizard reads GBK (code page 936)");
  } else if (!text::IsWellFormedGbk(bytes)) {
    Add("text-not-gbk", name, "", "", "the file is not well-formed GBK text");
  }
}

int MediumCheck::Count(const IniDocument& doc, std::string_view key) {
  const int value = profile::ParseIntegerText(doc.Find("info", key).value_or("")).value_or(0);
  if (value > kCountLimit) {
    Add("count-capped", file_, "info", key,
        "the value " + std::to_string(value) + " counts as " + std::to_string(kCountLimit));
  }
  return medium::CappedCount(value);
}

std::string MediumCheck::Destination(const std::string& token) const {
  return medium::ComposeDestination({installDir_, std::string(kWindowsFolder), std::string(kSystemFolder)}, token);
}

void MediumCheck::Provide(const std::string& installedPath, const std::string& what) {
  installed_.emplace(Folded(installedPath), what);
}

bool MediumCheck::FolderExists(const std::string& path) const {
  const std::size_t cut = text::FindLastChar(path, '\\');
  return cut != std::string::npos && folders_.count(Folded(path.substr(0, cut))) != 0;
}

void MediumCheck::ExpectFolderOf(const std::string& path, const ArchiveLine& line) {
  if (FolderExists(path)) return;
  Add("folder-missing", file_, line.section, line.name,
      "nothing creates the folder of " + Shown(path) + " ([directory] lists the folders to create)");
}

void MediumCheck::ReadFolders(const IniDocument& doc) {
  folders_ = {Folded(installDir_), Folded(kWindowsFolder), Folded(kSystemFolder)};
  // Every level of each listed folder is created.
  for (const std::string& value : profile::ReadDirectorySection(doc).values) {
    const std::string folder = installDir_ + "\\" + value;
    for (std::size_t i = installDir_.size(); i <= folder.size();
         i += i < folder.size() ? text::CharLength(folder, i) : 1) {
      if (i == folder.size() || folder[i] == '\\') folders_.insert(Folded(folder.substr(0, i)));
    }
  }
}

void MediumCheck::CheckArchives(const std::vector<ArchiveLine>& lines) {
  for (const ArchiveLine& line : lines) {
    if (StartsWith(line.name, "_")) {
      Add("fresh-only-archive", file_, line.section, line.name, "installed only into a fresh installation");
    }
    const bool package = archive::IsPackageArchivePath(line.name);
    auto path = medium_.Find(line.name);
    if (!path || !medium_.IsFile(line.name)) {
      Add("archive-missing", file_, line.section, line.name, "the archive is not on the medium");
      continue;
    }
    const std::string destination = Destination(line.token);
    if (!package && medium::IsExistingFolder(medium::DestinationOf(line.token))) {
      Add("packed-file-to-folder", file_, line.section, line.name,
          "a packed file cannot be decoded to the folder \"" + Shown(line.token) + "\"");
    }
    const ContainerReport report = InspectContainer(*path, package);
    if (!report.good) Add("archive-damaged", file_, line.section, line.name, report.fault);
    if (!package) {
      if (destination.size() > kPathLimit) {
        Add("path-too-long", file_, line.section, line.name,
            "the output file " + Shown(destination) + " is " + std::to_string(destination.size()) + " bytes");
      }
      ExpectFolderOf(destination, line);
      Provide(destination, line.name);
      continue;
    }
    for (const std::string& entry : report.names) {
      const std::string output = destination + "\\" + entry;
      if (output.size() > kPathLimit) {
        Add("path-too-long", file_, line.section, line.name,
            "the entry " + Shown(entry) + " would be written to a path of " + std::to_string(output.size()) + " bytes");
      }
      ExpectFolderOf(output, line);
      Provide(output, line.name);
    }
  }
}

void MediumCheck::CheckFolders(const IniDocument& doc, int copyCount, int deleteCount) {
  const profile::SectionPairs removed = profile::ReadSectionPairs(doc, "delete");
  if (deleteCount < 1 && removed.size() > 0) {
    Add("section-switched-off", file_, "delete", "", "[info] delete is not 1 or more: the section is ignored");
  }
  for (std::size_t i = 0; deleteCount >= 1 && i < removed.size(); ++i) {
    const std::string& value = removed.values[i];
    if (!text::IsPathBelow(value)) {  // the wizard's own rule
      Add("delete-refused", file_, "delete", removed.keys[i],
          "\"" + Shown(value) + "\" does not name a folder inside the installation folder");
    }
  }

  const profile::SectionPairs folders = profile::ReadDirectorySection(doc);
  std::vector<std::string> created = {installDir_};
  for (std::size_t i = 0; i < folders.size(); ++i) {
    const std::string& value = folders.values[i];
    if (HasDriveOrRoot(value)) {
      Add("directory-invalid", file_, "directory", folders.keys[i], "\"" + Shown(value) + "\" cannot be created");
    } else if (ClimbsOut(value)) {
      Add("directory-outside", file_, "directory", folders.keys[i],
          "\"" + Shown(value) + "\" lies outside the installation folder");
    }
    const std::string folder = installDir_ + "\\" + value;
    if (folder.size() > kPathLimit) {
      Add("path-too-long", file_, "directory", folders.keys[i],
          "the folder is " + std::to_string(folder.size()) + " bytes long");
    }
  }

  const profile::SectionPairs copies = profile::ReadSectionPairs(doc, "copy");
  if (copyCount < 1 && copies.size() > 0) {
    Add("section-switched-off", file_, "copy", "", "[info] copy is not 1 or more: the section is ignored");
  }
  for (std::size_t i = 0; copyCount >= 1 && i < copies.size(); ++i) {
    const std::string& source = copies.keys[i];
    const std::string destination = installDir_ + "\\" + copies.values[i];
    if (!medium_.IsFolder(source)) {
      Add("copy-source-missing", file_, "copy", source, "the folder is not on the medium");
      continue;
    }
    const std::vector<std::string> files = medium_.PlainFiles(source);
    if (files.empty()) Add("copy-source-empty", file_, "copy", source, "the folder holds no plain file");
    if (folders_.count(Folded(destination)) == 0) {
      Add("copy-destination-missing", file_, "copy", source,
          "the destination " + Shown(destination) + " is not created before the copy");
    }
    for (const std::string& name : files) Provide(destination + "\\" + name, "[copy]");
  }
}

void MediumCheck::CheckRegAndRun(const IniDocument& doc) {
  for (const char* section : {"reg", "run"}) {
    const bool run = std::string_view(section) == "run";
    for (const std::string& line : profile::ReadSectionValues(doc, section)) {
      const std::size_t equals = text::FindChar(line, '=');
      const std::string key = line.substr(0, equals);
      const std::string value = line.substr(equals + 1);
      const std::optional<medium::ListedBase> listed = medium::ListedBaseOf(key);
      if (!listed) {
        Add("key-prefix-ignored", file_, section, key, "the line is ignored");
        continue;
      }
      const bool fromMedium = *listed == medium::ListedBase::kMedium;
      // A program ends at the first blank; what follows are its arguments.
      const std::size_t blank = run ? text::FindChar(value, ' ') : std::string::npos;
      const std::string file = value.substr(0, blank);
      if (fromMedium) {
        if (!medium_.IsFile(file)) Add("file-missing", file_, section, key, Shown(file) + " is not on the medium");
        continue;
      }
      if (run && text::FindChar(installDir_, ' ') != std::string::npos) {
        Add("program-path-blank", file_, section, key,
            "the installation folder " + Shown(installDir_) + " holds a blank");
      }
      if (!Provided(installDir_ + "\\" + file)) {
        Add("file-missing", file_, section, key, Shown(file) + " is installed by no archive of the default components");
      }
    }
  }
}

void MediumCheck::CheckShortcuts(const IniDocument& doc) {
  for (const char* section : {"ico", "desktop"}) {
    std::vector<std::string> seen;
    for (const std::string& name : doc.KeyNames(section)) {
      const std::string value = doc.Find(section, name).value_or("");
      const bool duplicate = std::any_of(
          seen.begin(), seen.end(), [&](const std::string& earlier) { return text::EqualsIgnoreCase(earlier, name); });
      if (duplicate) {
        Add("shortcut-duplicate", file_, section, name, "only the first line of this name makes a shortcut");
        continue;
      }
      seen.push_back(name);
      if (value.empty()) {
        Add("shortcut-empty", file_, section, name, "no shortcut is made");
      } else if (!Provided(installDir_ + "\\" + value)) {
        Add("shortcut-target-missing", file_, section, name, "the target " + Shown(value) + " is not installed");
      }
    }
  }
  const std::string uninstaller = doc.Find("info", "uninst").value_or("");
  if (!uninstaller.empty() && !medium::IsPlainFileName(uninstaller)) {
    Add("uninstaller-not-plain", file_, "info", "uninst", Shown(uninstaller) + " is not a file name alone");
  } else if (!uninstaller.empty() && !Provided(std::string(kWindowsFolder) + "\\" + uninstaller)) {
    Add("uninstaller-not-installed", file_, "info", "uninst",
        Shown(uninstaller) + " is not installed into the Windows folder");
  }
}

void MediumCheck::CheckCards(const IniDocument& doc) {
  const std::string setting = doc.Find("info", "configcard").value_or("");
  const bool cardList = !medium::UsesDriverTable(setting);
  const int cards = cardList ? profile::ParseIntegerText(doc.Find("info", "DriverCards").value_or("")).value_or(0) : 0;
  std::vector<ArchiveLine> lines;
  for (int i = 0; i < cards; ++i) {
    const std::string name = "Driver" + std::to_string(i);
    if (!doc.Find("info", name)) Add("card-name-missing", file_, "info", name, "the card has no name");
    const profile::SectionPairs pairs = profile::ReadSectionPairs(doc, name);
    if (pairs.size() == 0) Add("card-section-empty", file_, name, "", "choosing this card installs nothing");
    for (std::size_t k = 0; k < pairs.size(); ++k) lines.push_back({name, pairs.keys[k], pairs.values[k]});
  }
  const bool orphans = !doc.KeyNames("Driver" + std::to_string(std::max(cards, 0))).empty();
  if (orphans) {
    Add("cards-switched-off", file_, "Driver" + std::to_string(std::max(cards, 0)), "",
        "this card section is beyond \"DriverCards\" and is never installed");
  }
  // Card archives go in after the installation; what they install is checked but not
  // counted as installed for the other rules.
  auto saved = installed_;
  CheckArchives(lines);
  installed_ = std::move(saved);
  if (!cardList && !Provided(installDir_ + "\\" + medium::kDriverTableFile)) {
    Add("card-table-missing", file_, "info", "configcard",
        std::string("no archive installs ") + medium::kDriverTableFile);
  }
}

void MediumCheck::CheckDescription(const std::string& file) {
  file_ = file;
  installed_.clear();
  const std::string content = medium_.Read(file).value_or("");
  CheckEncoding(file, content);
  const IniDocument doc(content);

  installDir_ = text::WithoutTrailingBackslash(doc.Find("info", "path").value_or(medium::kDefaultInstallDir));
  if (installDir_.size() > kPathLimit) {
    Add("path-too-long", file, "info", "path", "the installation folder is over 255 bytes");
  }
  const std::string group = doc.Find("info", "group").value_or(medium::kDefaultProgramGroup);
  if (group.size() > kGroupLimit) {
    Add("group-too-long", file, "info", "group", "the group is " + std::to_string(group.size()) + " bytes");
  }
  for (const char* key : {"version", "publisher"}) {
    const std::string value = doc.Find("info", key).value_or("");
    if (value.size() > kPathLimit) {
      Add("entry-text-cut", file, "info", key, "the value is " + std::to_string(value.size()) + " bytes");
    }
  }

  const int parts = Count(doc, "parts");
  const int copyCount = Count(doc, "copy");
  const int deleteCount = Count(doc, "delete");
  if (parts <= 0) Add("no-components", file, "info", "parts", "no component can be chosen");

  // A fresh installation checks every component and installs "_" archives too.
  std::vector<ArchiveLine> lines;
  for (int k = 0; k < parts; ++k) {
    const std::string section = "part" + std::to_string(k);
    if (!doc.Find("info", section)) Add("component-caption-missing", file, "info", section, "no caption");
    const std::string text = "ad" + std::to_string(k) + ".txt";
    if (!medium_.IsFile(text)) {
      Add("component-text-missing", text, "", "", "shown empty while component " + std::to_string(k) + " installs");
    } else {
      CheckTextFile(text, "", false);
    }
    const profile::SectionPairs pairs = profile::ReadSectionPairs(doc, section);
    if (pairs.size() == 0) {
      Add("component-section-missing", file, section, "", "installing the component stops with \"安装盘不正确!\"");
    }
    for (std::size_t i = 0; i < pairs.size(); ++i) lines.push_back({section, pairs.keys[i], pairs.values[i]});
  }
  if (parts < kCountLimit && !medium_.IsFile("ad4.txt"))
    Add("component-text-missing", "ad4.txt", "", "", "the last page shows it empty");
  ReadFolders(doc);
  CheckArchives(lines);
  CheckFolders(doc, copyCount, deleteCount);
  CheckRegAndRun(doc);
  CheckShortcuts(doc);
  CheckCards(doc);
}

}  // namespace

const std::vector<FindingKind>& FindingKinds() {
  return kKinds;
}

std::vector<Finding> CheckMedium(const fs::path& medium) {
  std::vector<Finding> findings;
  MediumCheck(medium, findings).Run();
  return findings;
}

}  // namespace yv::vrktool
