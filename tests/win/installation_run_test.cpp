// The installation run with the real progress page, over media built with the project's
// own archive writer: order, progress, the "_" rule, failures, Cancel and the steps
// that follow whatever happened.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "archive/package_writer.h"
#include "install/installation_run.h"
#include "install/progress_page.h"
#include "install_log/change_recorder.h"
#include "platform/file_io.h"
#include "text/cp936.h"
#include "win_test_support.h"
#include "winsys/recording.h"
#include "wizard/install_state.h"

using yv::test::MessageBoxScript;
using yv::test::ScratchDir;
using yv::wizard::gInstall;

namespace {

// The real page, noting what the run shows on it. The extraction's own per-file labels
// (which carry the container's full path) are only counted.
class RecordingPage : public yv::install::TdlgStep6 {
 public:
  explicit RecordingPage(std::string source) : source_(std::move(source)) {}
  void ShowComponentText(const std::string& text) override {
    log.push_back("text " + text);
    TdlgStep6::ShowComponentText(text);
  }
  void ShowComponentCaption(const std::string& caption) override {
    log.push_back("caption " + caption);
    TdlgStep6::ShowComponentCaption(caption);
  }
  void SetComponentMaximum(int lines) override {
    log.push_back("max " + std::to_string(lines));
    TdlgStep6::SetComponentMaximum(lines);
  }
  void StepComponent() override {
    log.push_back("step");
    TdlgStep6::StepComponent();
  }
  void SetFileLabel(const std::string& text) override {
    if (text.find(source_) == std::string::npos) log.push_back(text);
    if (onLabel) onLabel(text);
    TdlgStep6::SetFileLabel(text);
  }
  std::vector<std::string> log;
  std::function<void(const std::string&)> onLabel;

 private:
  std::string source_;
};

std::string Archive(const std::vector<std::pair<std::string, std::string>>& files) {
  std::vector<yv::archive::EncodedEntry> entries;
  for (const auto& [name, content] : files) {
    entries.push_back(yv::archive::EncodeEntry(name, 0, content, yv::archive::EntryStorage::kCompress, {}));
  }
  return yv::archive::BuildPackageArchive(3, entries);
}

const char kUninstallKey[] = "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Delvrin证券分析系统";

// A medium with three components, an old folder to delete, extra files and an
// uninstaller, and the installation state pointing at it.
struct Medium {
  ScratchDir dir;
  yv::test::WorkingFolder working{dir.Folder("work")};
  yv::test::RegistrySandbox registry;
  std::string source = dir.Folder("media");
  std::string install = dir.Path() + "\\app";
  std::string link;  // planted by the test

  explicit Medium(const std::string& parts =
                      "[part0]\r\na.vrk=.\r\n_cfg.vrk=cfg\r\nb.vrk=sub\r\n"
                      "[part1]\r\nx.vrk=.\r\n[part2]\r\nc.pak=sub\\c.txt\r\n") {
    dir.Write("media\\a.vrk", Archive({{"a.txt", "A"}}));
    dir.Write("media\\_cfg.vrk", Archive({{"settings.ini", "fresh"}}));
    dir.Write("media\\b.vrk", Archive({{"b.txt", "B"}}));
    dir.Write("media\\c.pak", yv::archive::BuildPackedFile("packed content", {}));
    dir.Write("media\\ad0.txt", "第一行\n第二行");
    dir.Write("media\\extra\\e.txt", "extra");
    dir.Write("app\\old\\f.txt", "old");
    gInstall = {};
    Description(parts + "[directory]\r\n1=cfg\r\n2=sub\r\n[delete]\r\n1=old\r\n[copy]\r\nextra=cfg\r\n");
    gInstall.SourceDir = source;
    gInstall.InstallDir = install;
    gInstall.PartCaptions = std::vector<std::string>{"主程序", "行情数据", "工具"};
    gInstall.PartSelected = {true, false, true};
    gInstall.DeleteCount = 1;
    gInstall.CopyCount = 1;
    gInstall.ProgramGroup = "Delvrin证券分析系统";
    gInstall.UninstallProgram = "uninst.exe";
    gInstall.MainProgram = "dravkp.exe";
  }
  ~Medium() {
    if (!link.empty()) yv::test::RemoveFolderLink(link);
  }
  void Description(const std::string& text) { gInstall.DescFilePath = dir.Write("media\\install.ini", text); }
  // Makes `relative` (the installation folder itself when empty) a link to the folder
  // "elsewhere", which holds what was there and an a.txt of its own.
  void PlantLink(const std::string& relative) {
    link = install + (relative.empty() ? "" : "\\" + relative);
    MoveFileW(yv::text::ToWide(link).c_str(), yv::text::ToWide(Elsewhere()).c_str());
    dir.Write("elsewhere\\a.txt", "theirs");
    ASSERT_TRUE(yv::test::MakeFolderLink(link, Elsewhere()));
  }
  std::string Elsewhere() const { return dir.Path() + "\\elsewhere"; }
  // What lies in "elsewhere", byte for byte.
  std::vector<std::string> Theirs() const {
    std::vector<std::string> files;
    for (const std::string& name : yv::test::TreeOf(Elsewhere())) {
      files.push_back(name + "=" + yv::platform::ReadWholeFile(Elsewhere() + "\\" + name).value_or(""));
    }
    return files;
  }
  bool Has(const std::string& relative) const { return yv::platform::PathExists(install + "\\" + relative); }
  bool EntryWritten() const {
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
  }
  // The entry's "EstimatedSize"; 0 when there is none.
  DWORD EntrySize() const {
    DWORD size = 0;
    DWORD bytes = sizeof size;
    RegGetValueA(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize", RRF_RT_REG_DWORD, nullptr, &size, &bytes);
    return size;
  }
};

TEST(InstallationRun, SelectedComponentsInOrderThenExtraFilesAndTheUninstallEntry) {
  Medium medium;
  RecordingPage page(medium.source);
  page.Show();
  MessageBoxScript boxes;
  EXPECT_TRUE(yv::install::RunInstallation(page, yv::test::DirectChanges()));
  EXPECT_TRUE(page.InstallOk);
  EXPECT_TRUE(boxes.Calls().empty());
  EXPECT_TRUE(gInstall.FreshInstall);
  const std::vector<std::string> expected = {"text 第一行\n第二行",
                                             "max 3",
                                             "caption 主程序",
                                             "step",
                                             "安装a.vrk 到 .",
                                             "step",
                                             "安装_cfg.vrk 到 cfg",
                                             "step",
                                             "安装b.vrk 到 sub",
                                             "text ",  // no "ad2.txt" on the medium
                                             "max 1",
                                             "caption 工具",
                                             "step",
                                             "安装c.pak 到 sub\\c.txt"};
  EXPECT_EQ(page.log, expected);
  EXPECT_EQ(yv::platform::ReadWholeFile(medium.install + "\\a.txt"), "A");
  EXPECT_EQ(yv::platform::ReadWholeFile(medium.install + "\\cfg\\settings.ini"), "fresh");
  EXPECT_EQ(yv::platform::ReadWholeFile(medium.install + "\\sub\\b.txt"), "B");
  EXPECT_EQ(yv::platform::ReadWholeFile(medium.install + "\\sub\\c.txt"), "packed content");
  EXPECT_EQ(yv::platform::ReadWholeFile(medium.install + "\\cfg\\e.txt"), "extra");
  EXPECT_FALSE(medium.Has("old"));
  EXPECT_TRUE(medium.EntryWritten());
  EXPECT_EQ(medium.EntrySize(), 1u);  // the 26 bytes of the five files, in KiB rounded up
  char windows[MAX_PATH];
  GetWindowsDirectoryA(windows, MAX_PATH);
  EXPECT_EQ(page.UninstallCommand, std::string(windows) + "\\uninst.exe");
  // The page as the run left it: a packed file keeps the line's text in StaticText1.
  EXPECT_EQ(page["Label1"].Text(), "工具");
  EXPECT_EQ(page["StaticText1"].Text(), "安装c.pak 到 sub\\c.txt");
  EXPECT_EQ(page["ProgressBar1"].Position(), 1);
  EXPECT_EQ(page["ProgressBar2"].Position(), 1);
}

TEST(InstallationRun, AnEarlierInstallationKeepsItsUnderscoreArchivesAndCountsZeroSkipSteps) {
  struct Case {
    bool systemIsFolder;  // "system" as a folder that the delete step removes, or as a file
    int counts;           // DeleteCount and CopyCount
  };
  for (const Case c : {Case{true, 1}, Case{false, 0}}) {
    SCOPED_TRACE(c.counts);
    Medium medium;
    if (c.systemIsFolder) {
      medium.dir.Folder("app\\system");
      medium.Description(
          "[part0]\r\na.vrk=.\r\n_cfg.vrk=cfg\r\nb.vrk=sub\r\n[directory]\r\n1=cfg\r\n2=sub\r\n"
          "[delete]\r\n1=system\r\n[copy]\r\nextra=cfg\r\n");
    } else {
      medium.dir.Write("app\\system", "a file");
    }
    gInstall.PartSelected = {true};
    gInstall.DeleteCount = gInstall.CopyCount = c.counts;
    gInstall.UninstallProgram.clear();
    gInstall.FreshInstall = true;  // the run decides again
    RecordingPage page(medium.source);
    MessageBoxScript boxes;
    EXPECT_TRUE(yv::install::RunInstallation(page, yv::test::DirectChanges()));
    EXPECT_FALSE(gInstall.FreshInstall);
    const std::vector<std::string> expected = {"text 第一行\n第二行", "max 3", "caption 主程序",  "step",
                                               "安装a.vrk 到 .",      "step",  "安装b.vrk 到 sub"};
    EXPECT_EQ(page.log, expected);
    EXPECT_EQ(page["ProgressBar1"].Position(), 2);  // the skipped line leaves the bar short
    EXPECT_FALSE(medium.Has("cfg\\settings.ini"));
    EXPECT_EQ(medium.Has("system"), !c.systemIsFolder);
    EXPECT_EQ(medium.Has("old"), true);
    EXPECT_EQ(medium.Has("cfg\\e.txt"), c.counts == 1);
    EXPECT_FALSE(medium.EntryWritten());
    EXPECT_TRUE(boxes.Calls().empty());
  }
}

// What a run that did not go through leaves: the installation folder as the medium's
// fixture made it (old\f.txt, and what `earlier` adds), no uninstall entry, and no staged
// or moved-aside file anywhere in it.
void ExpectAsBefore(const Medium& medium, const std::vector<std::string>& earlier = {}) {
  std::vector<std::string> expected;
  for (std::string file : earlier) {
    for (std::size_t slash = file.find('\\'); slash != std::string::npos; slash = file.find('\\', slash + 1))
      expected.push_back(file.substr(0, slash + 1));
    expected.push_back(file);
  }
  expected.push_back("old\\");
  expected.push_back("old\\f.txt");
  std::sort(expected.begin(), expected.end());
  expected.erase(std::unique(expected.begin(), expected.end()), expected.end());
  EXPECT_EQ(yv::test::TreeOf(medium.install), expected);
  EXPECT_FALSE(medium.EntryWritten());
}

TEST(InstallationRun, AFailedRunLeavesTheMachineAsItWasAndThenShowsItsMessage) {
  struct Box {
    std::string text, caption;
  };
  struct Case {
    const char* name;
    std::string parts;                 // sections before the common ones; "" keeps the medium's
    std::function<void(Medium&)> set;  // further changes
    std::vector<Box> boxes;
    std::vector<std::string> earlier;  // what was there before the run, besides old\f.txt
  };
  const std::string tooLongDir = "C:\\" + std::string(246, 'd');
  const std::string kept = "\r\n原有的安装已保留。";
  const std::string link = "安装目录中有指向别处的链接或目录联接：\r\n";
  const std::vector<Case> cases = {
      {"missing section, empty caption",
       "[part1]\r\nx.vrk=.\r\n",
       [](Medium&) {
         gInstall.PartSelected = {true, true};
         (*gInstall.PartCaptions)[0] = "";
       },
       {{"安装盘不正确!", ""}},
       {}},
      // Over an earlier installation: its files and folders stay as they were, and the
      // message says so.
      {"damaged last archive",
       "[part0]\r\na.vrk=.\r\nb.vrk=.\r\n[part2]\r\nbroken.vrk=.\r\n",
       [](Medium& m) {
         m.dir.Write("media\\broken.vrk", "not an archive at all, just text");
         m.dir.Write("app\\system\\s.dat", "s");
         m.dir.Write("app\\a.txt", "earlier a");
       },
       {{"Version Error!", "Warning"}, {"安装文件不正确!" + kept, "工具"}},
       {"a.txt", "system\\s.dat"}},
      {"delete value climbing out",
       "",
       [](Medium& m) { m.dir.Write("media\\install.ini", "[delete]\r\n1=..\\work\r\n"); },
       {{"无法删除目录 " + std::string() + "%INSTALL%\\..\\work!\r\n请手动删除该目录后,重新安装!", "警告"}},
       {}},
      {"folder in the way",
       "",
       [](Medium& m) {
         m.dir.Write("app\\file", "");
         m.dir.Write("media\\install.ini", "[part0]\r\na.vrk=.\r\n[directory]\r\n1=file\\sub\r\n");
       },
       {{"创建路径不正确!", "CreateDirectory"}},
       {"file"}},
      // A link or junction a user put at or below the installation folder: nothing is
      // written, replaced or deleted through it, and the run says why.
      {"installation folder a link",
       "",
       [](Medium& m) { m.PlantLink(""); },
       {{link + "%INSTALL%\\old", "警告"}},
       {"a.txt"}},
      {"folder of an upgrade a link",
       "",
       [](Medium& m) {
         m.dir.Write("app\\system\\s.dat", "s");
         m.PlantLink("sub");
       },
       {{link + "%INSTALL%\\sub" + kept, "警告"}},
       {"system\\s.dat", "sub\\a.txt"}},
      {"staged name a link",
       "",
       [](Medium& m) { m.PlantLink("a.txt.yv-new"); },
       {{link + "%INSTALL%\\a.txt", "警告"}},
       {"a.txt.yv-new\\a.txt"}},
      {"folder to delete a link",
       "",
       [](Medium& m) { m.PlantLink("old"); },
       {{link + "%INSTALL%\\old", "警告"}},
       {"old\\a.txt"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Medium medium;
    if (!c.parts.empty()) medium.Description(c.parts + "[directory]\r\n1=cfg\r\n[copy]\r\nextra=cfg\r\n");
    gInstall.DeleteCount = 1;
    c.set(medium);
    const std::vector<std::string> theirs = medium.Theirs();
    RecordingPage page(medium.source);
    MessageBoxScript boxes;
    EXPECT_FALSE(yv::install::RunInstallation(page, yv::test::DirectChanges()));
    EXPECT_FALSE(page.InstallOk);
    ASSERT_EQ(boxes.Calls().size(), c.boxes.size());
    for (std::size_t i = 0; i < c.boxes.size(); ++i) {
      std::string text = c.boxes[i].text;
      if (auto at = text.find("%INSTALL%"); at != std::string::npos) text.replace(at, 9, medium.install);
      EXPECT_EQ(boxes.Calls()[i].text, text);
      EXPECT_EQ(boxes.Calls()[i].caption, c.boxes[i].caption);
      EXPECT_EQ(boxes.Calls()[i].owner, page.Handle());
    }
    ExpectAsBefore(medium, c.earlier);
    EXPECT_EQ(medium.Theirs(), theirs);
    EXPECT_TRUE(yv::platform::PathExists(medium.dir.Path() + "\\work"));
  }
  // An installation folder too long for its paths is named before anything is done.
  Medium medium;
  gInstall.InstallDir = tooLongDir;
  RecordingPage page(medium.source);
  MessageBoxScript boxes;
  EXPECT_FALSE(yv::install::RunInstallation(page, yv::test::DirectChanges()));
  EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"安装目录太长!\r\n" + tooLongDir});
}

TEST(InstallationRun, AConfirmedCancelLetsTheArchiveInProgressFinishThenUndoesTheRun) {
  Medium medium("[part0]\r\na.vrk=.\r\nb.vrk=.\r\nc.vrk=.\r\nd.vrk=.\r\n");
  medium.dir.Write("media\\c.vrk", Archive({{"c1.txt", "1"}, {"c2.txt", "2"}, {"c3.txt", "3"}}));
  medium.dir.Write("media\\d.vrk", Archive({{"d.txt", "D"}}));
  gInstall.PartSelected = {true, false, true};
  RecordingPage page(medium.source);
  page.Show();
  // Declined during the first archive, confirmed at the first file of the third.
  MessageBoxScript boxes({IDCANCEL, IDOK});
  bool confirmedPosted = false;
  int thirdArchiveFiles = 0;
  page.onLabel = [&](const std::string& text) {
    const bool thirdArchiveFile = text.rfind("安装" + medium.source + "\\c.vrk", 0) == 0;
    thirdArchiveFiles += thirdArchiveFile;
    if (text == "安装a.vrk 到 ." || (thirdArchiveFile && !confirmedPosted)) {
      confirmedPosted = thirdArchiveFile;
      PostMessageW(page["Button3"].Handle(), BM_CLICK, 0, 0);
    }
  };
  EXPECT_FALSE(yv::install::RunInstallation(page, yv::test::DirectChanges()));
  ASSERT_EQ(boxes.Calls().size(), 2u);  // a fresh installation: nothing earlier to keep
  EXPECT_EQ(boxes.Calls()[1].text, "安装程序未完成，请确认要退出。");
  EXPECT_EQ(thirdArchiveFiles, 3);
  EXPECT_EQ(page.log.back(), "安装c.vrk 到 .");  // nothing after the third line, no second component
  ExpectAsBefore(medium);
}

TEST(InstallationRun, ACancelAtAFileInUseKeepsTheEarlierInstallationWhole) {
  // Held in an archive: the archive fails as any other; held in the copy step: the step
  // stops there. Either is found while staging, before anything has changed.
  struct Case {
    const char* held;
    std::string runMessage;
  };
  for (const Case& c : {Case{"a.txt", "安装文件不正确!\r\n"}, Case{"cfg\\e.txt", ""}}) {
    SCOPED_TRACE(c.held);
    Medium medium;
    medium.dir.Write("app\\system\\s.dat", "s");
    const std::string held = medium.dir.Write("app\\" + std::string(c.held), "earlier");
    HANDLE holder = CreateFileW(yv::text::ToWide(held).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    RecordingPage page(medium.source);
    page.Show();
    MessageBoxScript boxes({IDCANCEL});
    EXPECT_FALSE(yv::install::RunInstallation(page, yv::test::DirectChanges()));
    CloseHandle(holder);
    EXPECT_EQ(boxes.Texts(),
              (std::vector<std::string>{
                  "文件 " + held + " 正在被其他程序使用。\r\n请关闭该程序后单击“重试”，或单击“取消”停止安装。",
                  c.runMessage + "原有的安装已保留。"}));
    EXPECT_EQ(boxes.Calls()[0].owner, page.Handle());
    ExpectAsBefore(medium, {c.held, "system\\s.dat"});
    EXPECT_EQ(yv::platform::ReadWholeFile(held), "earlier");
  }
}

TEST(InstallationRun, ProgressPageLayout) {
  yv::install::TdlgStep6 page;
  struct Row {
    const char* name;
    RECT rect;  // left, top, right, bottom in the client area
  };
  const Row rows[] = {
      {"Memo1", {136, 8, 481, 131}},
      {"ProgressBar1", {136, 156, 481, 173}},
      {"ProgressBar2", {136, 178, 481, 195}},
      {"Button3", {400, 256, 475, 281}},
  };
  for (const auto& row : rows) {
    RECT rc;
    GetWindowRect(page[row.name].Handle(), &rc);
    MapWindowPoints(nullptr, page.Handle(), reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_TRUE(EqualRect(&rc, &row.rect))
        << row.name << " " << rc.left << "," << rc.top << "," << rc.right << "," << rc.bottom;
  }
  const LONG memo = GetWindowLongW(page["Memo1"].Handle(), GWL_STYLE);
  EXPECT_TRUE((memo & ES_READONLY) && (memo & WS_VSCROLL));
  EXPECT_EQ(page["Label0"].Text(), "正在安装");
  EXPECT_EQ(page["Label1"].Text(), "Label1");
  EXPECT_EQ(page["StaticText1"].Text(), "StaticText1");

  // Label1 stands at 192,140 and takes the width of its text; bars empty on a new maximum.
  auto bounds = [&](const char* name) {
    RECT rc;
    GetWindowRect(page[name].Handle(), &rc);
    MapWindowPoints(nullptr, page.Handle(), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
  };
  page.ShowComponentCaption("行情数据");
  const RECT shortCaption = bounds("Label1");
  page.ShowComponentCaption("行情数据和历史数据");
  const RECT longCaption = bounds("Label1");
  EXPECT_EQ(longCaption.left, 192);
  EXPECT_EQ(longCaption.top, 140);
  EXPECT_GT(shortCaption.right, 192);
  EXPECT_GT(longCaption.right - longCaption.left, shortCaption.right - shortCaption.left);
  EXPECT_LE(bounds("Label0").right, 192);
  page.SetComponentMaximum(4);
  page.StepComponent();
  page.StepComponent();
  EXPECT_EQ(page["ProgressBar1"].Position(), 2);
  page.SetComponentMaximum(3);
  EXPECT_EQ(page["ProgressBar1"].Position(), 0);
  page.ShowComponentText("a\nb");
  EXPECT_EQ(page["Memo1"].Text(), "a\r\nb");
}

}  // namespace

// Keeps each record with what its file held when the record was made, and at the commit
// and the end how many staged files lay in the installation folder.
struct RecordsWithState : yv::install_log::ChangeRecorder {
  RecordsWithState(std::string folder, bool inPlace) : install(std::move(folder)), takesFilesInPlace(inPlace) {}
  std::string install;
  bool takesFilesInPlace;
  std::vector<std::string> lines;
  bool TakesFilesInPlace() const override { return takesFilesInPlace; }
  bool Record(const yv::install_log::Record& r) override {
    using yv::install_log::RecordKind;
    std::string line = yv::install_log::FormatRecord(r);
    if (r.kind == RecordKind::File) line += " [" + yv::platform::ReadWholeFile(r.text).value_or("-") + "]";
    if (r.kind == RecordKind::Commit || r.kind == RecordKind::End) {
      const auto tree = yv::test::TreeOf(install);
      line += " [" +
              std::to_string(
                  std::count_if(tree.begin(), tree.end(),
                                [](const std::string& name) { return name.find(".yv-new") != std::string::npos; })) +
              " staged]";
    }
    lines.push_back(line);
    return true;
  }
};

// Into a log that takes files written in place (HERE), and into one an earlier version
// began, whose new files are all staged (NEW).
class RecordsEveryChange : public ::testing::TestWithParam<bool> {};

TEST_P(RecordsEveryChange, BeforeItIsMadeAndCommitsWhenAllIsStaged) {
  const bool inPlace = GetParam();
  Medium medium;
  medium.dir.Write("app\\a.txt", "earlier");
  RecordsWithState log(medium.install, inPlace);
  yv::winsys::ChangeLayer changes(&log);
  RecordingPage page(medium.source);
  page.Show();
  MessageBoxScript boxes;
  EXPECT_TRUE(yv::install::RunInstallation(page, changes));
  const std::string app = medium.install;
  std::vector<std::string> expected = {
      "GROUP\tDelvrin证券分析系统",
      "FOLDER\t" + app,
      "BEGIN",
      "GONE\t" + app + "\\old",
      "DIR\t" + app + "\\cfg",
      "DIR\t" + app + "\\sub",
      "FILE\tOLD\t" + app + "\\a.txt [earlier]",
  };
  // The new folders' files, written in their place where the log takes that.
  for (const char* name : {"cfg\\settings.ini", "sub\\b.txt", "sub\\c.txt", "cfg\\e.txt"}) {
    expected.push_back(std::string("FILE\t") + (inPlace ? "HERE" : "NEW") + "\t" + app + "\\" + name + " [-]");
  }
  // The uninstall entry's key, level by level (the sandbox starts empty), then its values.
  const std::string view = sizeof(void*) == 8 ? "64" : "32";
  std::string key = "HKEY_LOCAL_MACHINE";
  for (const char* level : {"SoftWare", "Microsoft", "Windows", "CurrentVersion", "Uninstall", "Delvrin证券分析系统"}) {
    key += std::string("\\") + level;
    expected.push_back("KEY\t" + view + "\t" + key);
  }
  for (const char* name :
       {"UninstallString", "DisplayName", "DisplayVersion", "Publisher", "DisplayIcon", "InstallLocation",
        "InstallDate", "EstimatedSize", "QuietUninstallString", "NoModify", "NoRepair"}) {
    expected.push_back("VALUE\t" + view + "\t" + key + "\t" + name + "\tNEW");
  }
  expected.push_back(inPlace ? "COMMIT [1 staged]" : "COMMIT [5 staged]");
  expected.push_back("END [0 staged]");
  EXPECT_EQ(log.lines, expected);
  EXPECT_EQ(yv::test::TreeOf(app), (std::vector<std::string>{"a.txt", "cfg\\", "cfg\\e.txt", "cfg\\settings.ini",
                                                             "sub\\", "sub\\b.txt", "sub\\c.txt"}));
}

INSTANTIATE_TEST_SUITE_P(InstallationRun, RecordsEveryChange, ::testing::Bool());

TEST(InstallationRun, ARegistryFileIsRecordedWithWhatItsKeysAndValuesHeldBefore) {
  ScratchDir dir;
  yv::test::RegistrySandbox user(HKEY_CURRENT_USER);
  user.SetString("Software\\YvImp", "old", "ab");
  user.SetString("Software\\YvGone\\Deeper", "v", "c");
  const std::string file = dir.Write("import.reg",
                                     "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Software\\YvImp\\Sub]\r\n\"new\"=\"n\"\r\n"
                                     "[HKEY_CURRENT_USER\\Software\\YvImp]\r\n\"old\"=hex:01,\\\r\n  02\r\n"
                                     "[-HKEY_CURRENT_USER\\Software\\YvGone]\r\n");
  struct Keep : yv::install_log::ChangeRecorder {
    std::vector<std::string> lines;
    bool Record(const yv::install_log::Record& r) override {
      lines.push_back(yv::install_log::FormatRecord(r));
      return true;
    }
  } log;
  yv::winsys::RecordRegistryImport(log, file);
  // The same in both views: a 32-bit program on 64-bit Windows cannot know which one
  // the registry editor writes.
  const std::vector<std::string> oneView = {
      "KEY\tV\tHKEY_CURRENT_USER\\Software\\YvImp\\Sub",
      "VALUE\tV\tHKEY_CURRENT_USER\\Software\\YvImp\\Sub\tnew\tNEW",
      "VALUE\tV\tHKEY_CURRENT_USER\\Software\\YvImp\told\tOLD\tREG_SZ\t610062000000",
      "VALUE\tV\tHKEY_CURRENT_USER\\Software\\YvGone\\Deeper\tv\tOLD\tREG_SZ\t63000000",
  };
  std::vector<std::string> expected;
  for (const char* view : {"32", "64"}) {
    for (std::string line : oneView)
      expected.push_back(line.replace(line.find("\tV\t"), 3, std::string("\t") + view + "\t"));
  }
  EXPECT_EQ(log.lines, expected);
}
