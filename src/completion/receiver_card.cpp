#include "completion/receiver_card.h"

#include <limits>

#include "archive/win/extract.h"
#include "completion/completion_texts.h"
#include "medium/medium_rules.h"
#include "platform/file_io.h"
#include "profile/ini_document.h"
#include "profile/ini_edit.h"
#include "profile/profile.h"
#include "profile/section_readers.h"
#include "text/gbk.h"
#include "ui/message_box.h"
#include "wizard/install_state.h"
#include "wizard/texts.h"

namespace yv::completion {

using text::kPathLimit;
using wizard::gInstall;

namespace {

// The "Driver" value of section "DCD" fits in 11 bytes.
constexpr std::size_t kDriverValueLimit = 11;

}  // namespace

CardMode CardModeFor(const std::string& cardSetting, int32_t cardCount) {
  if (medium::UsesDriverTable(cardSetting)) return CardMode::kDriverTable;
  return cardCount > 0 ? CardMode::kCardList : CardMode::kNone;
}

std::vector<std::string> ReadCardNames(const std::string& descPath, int32_t count) {
  std::vector<std::string> names;
  for (int32_t i = 0; i < count; ++i) {
    names.push_back(profile::ReadString(descPath, "info", "Driver" + std::to_string(i), ""));
  }
  return names;
}

bool InstallCardDrivers(HWND owner, winsys::ChangeLayer& changes, int index, const std::string& cardName) {
  const profile::SectionPairs archives =
      profile::ReadSectionPairs(gInstall.DescFilePath, "Driver" + std::to_string(index));
  archive::FaultBoxes faults(owner);
  for (std::size_t i = 0; i < archives.size(); ++i) {
    // An archive path too long to open is named, and fails like any other.
    const auto container = text::JoinBounded(kPathLimit, {gInstall.SourceDir, "\\", archives.keys[i]});
    if (!container) {
      ui::ShowMessageBox(owner, texts::kTooLong + gInstall.SourceDir + "\\" + archives.keys[i],
                         wizard::texts::kSetupCaption, MB_OK);
    }
    const archive::ItemResult result =
        container
            ? archive::InstallPackageItemQuiet(faults, changes, gInstall.InstallDir, *container, archives.values[i])
            : archive::ItemResult{false, true};
    if (!result) {
      // After a full disk the user has been told why, and the card's files are not at fault.
      if (result.blamesMedium) ui::ShowMessageBox(owner, texts::kCardFilesBad, cardName, MB_OK);
      return false;
    }
  }
  return true;
}

DriverTable ReadDriverTable(const std::string& path) {
  DriverTable table;
  const int32_t count = profile::ReadInteger(path, "DCD", "DriverNumber", 0);
  for (int32_t i = 0; i < count && i < kMaxDrivers; ++i) {
    table.names.emplace_back(
        text::CutToCharacters(profile::ReadString(path, "Driver " + std::to_string(i), "Name", ""), kPathLimit));
  }
  const std::string current = profile::ReadString(path, "DCD", "Driver", "");
  if (!current.empty()) table.current = CurrentDriverIndex(current);
  return table;
}

int32_t CurrentDriverIndex(std::string_view value) {
  if (value.size() > kDriverValueLimit) return -1;
  // Digits and '-' are single-byte characters that no double-byte character contains.
  std::string kept;
  for (char c : value) {
    if ((c >= '0' && c <= '9') || c == '-') kept.push_back(c);
  }
  std::size_t i = 0;
  const bool negative = !kept.empty() && kept[0] == '-';
  if (negative) ++i;
  int64_t number = 0;
  for (; i < kept.size() && kept[i] != '-'; ++i) {
    number = number * 10 + (kept[i] - '0');
    if (number > std::numeric_limits<int32_t>::max()) return -1;
  }
  return static_cast<int32_t>(negative ? -number : number);
}

void WriteDriverChoice(winsys::ChangeLayer& changes, const std::string& path, int index, int count) {
  const auto content = platform::ReadWholeFile(path);
  // An existing file that cannot be read must not be replaced by two entries.
  if (!content && platform::PathExists(path)) throw profile::ProfileWriteError(path);
  const auto chosen = profile::WithEntry(profile::IniDocument(content.value_or("")), "DCD", "Driver",
                                         "Driver " + std::to_string(index));
  const auto counted =
      chosen ? profile::WithEntry(profile::IniDocument(*chosen), "DCD", "DriverNumber", std::to_string(count))
             : std::nullopt;
  if (!counted) throw profile::ProfileWriteError(path);
  // One new file, recorded and put in place whole.
  winsys::StagedFile file;
  if (changes.StageFile(path, file) || file.Write(counted->data(), counted->size()) || file.Finish(std::nullopt) ||
      changes.Place(file)) {
    throw profile::ProfileWriteError(path);
  }
}

}  // namespace yv::completion
