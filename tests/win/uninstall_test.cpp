// The uninstaller's removal rules on small logs in scratch folders, and the program
// itself on a log beside a copy of it.
#include <gtest/gtest.h>

#include <functional>

#include "install_log/journal.h"
#include "install_log/log_file.h"
#include "install_log/place_rules.h"
#include "planted_libraries.h"
#include "platform/file_io.h"
#include "text/cp936.h"
#include "uninstall/removal.h"
#include "win_test_support.h"
#include "winsys/change_layer.h"
#include "winsys/handle.h"
#include "winsys/library_search.h"
#include "winsys/registry.h"

namespace {

using namespace yv;
using install_log::LogLine;

struct KeptRecords : install_log::ChangeRecorder {
  std::vector<install_log::Record> records;
  bool Record(const install_log::Record& r) override {
    records.push_back(r);
    return true;
  }
};

struct ScriptedUi : uninstall::RemovalUi {
  std::function<bool()> answer = [] { return false; };
  std::vector<std::string> inUse;
  void Step(const std::string&) override {}
  bool RetryInUse(const std::string& path) override {
    inUse.push_back(path);
    return answer();
  }
};

std::vector<LogLine> Lines(const std::string& body) {
  const auto log = install_log::ReadLog(std::string(install_log::kVersion1Header) + "\r\n" + body);
  EXPECT_EQ(log.status, install_log::LogContent::Status::kOk) << log.badLine;
  return log.lines;
}

uninstall::RemovalSite SiteIn(const test::ScratchDir& s, const std::vector<LogLine>& lines) {
  const install_log::Places places{s.Path() + "\\win",  s.Path() + "\\win\\system32", s.Path() + "\\prog",
                                   s.Path() + "\\desk", s.Path() + "\\all\\prog",     s.Path() + "\\all\\desk"};
  EXPECT_FALSE(install_log::FirstRefusedLine(lines, places));
  return {places, uninstall::InstallFolders(lines), {}, uninstall::UninstallEntryKey(install_log::GroupName(lines))};
}

bool Exists(const std::string& path) {
  return platform::PathExists(path);
}

std::string ReadValue(const std::string& key, const std::string& name) {
  return winsys::RegistryKey(HKEY_CURRENT_USER, key).ReadString(name).value_or("<none>");
}

TEST(Uninstall, RemovesWhatTheInstallationMadeAndRestoresWhatWasThere) {
  test::ScratchDir s;
  const test::RegistrySandbox user(HKEY_CURRENT_USER);
  const std::string p = s.Path();
  s.Write("win\\shared.dll", "other product's");
  s.Write("kv58\\replaced.txt", "ours now");
  s.Write("kv58\\sub\\a.txt", "a");
  s.Write("kv58\\user\\mine.txt", "the user's own");
  s.Write("win\\new.dll", "n");
  s.Write("prog\\grp\\x.lnk", "l");
  // A folder an earlier, unlogged installation made: what it left there is no record.
  s.Write("old\\prog.exe", "replaced");
  s.Write("old\\data\\quotes.day", "not this log's");
  user.SetString("Software\\YvT", "keep", "a value the installation did not set");
  user.SetString("Software\\YvT\\Sub", "v", "set");
  user.SetString("Software\\YvPre", "x", "overwritten");
  // The product's uninstall entry, which an earlier installation had made: it goes whole.
  const test::RegistrySandbox machine;
  const std::string entry = "SoftWare\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\测试组";
  machine.SetString(entry, "UninstallString", "C:\\windows\\dvuninst.exe");
  const std::vector<LogLine> lines =
      Lines("GROUP\t测试组\r\nVALUE\t32\tHKEY_LOCAL_MACHINE\\" + entry +
            "\tUninstallString\tOLD\tREG_SZ\t6200650066006F007200650000000000\r\nFOLDER\t" + p +
            "\\kv58\r\n"
            "FOLDER\t" +
            p + "\\old\r\nFILE\tOLD\t" + p +
            "\\old\\prog.exe\r\n"
            "VALUE\t32\tHKEY_CURRENT_USER\\Software\\YvPre\tx\tOLD\tREG_SZ\t6200650066006F007200650000000000\r\n"
            "DIR\t" +
            p +
            "\\kv58\r\n"
            "FILE\tOLD\t" +
            p +
            "\\kv58\\replaced.txt\r\n"
            "DIR\t" +
            p +
            "\\kv58\\sub\r\n"
            "FILE\tNEW\t" +
            p +
            "\\kv58\\sub\\a.txt\r\n"
            "DIR\t" +
            p +
            "\\kv58\\user\r\n"
            "FILE\tOLD\t" +
            p +
            "\\win\\shared.dll\r\n"
            "FILE\tNEW\t" +
            p +
            "\\win\\new.dll\r\n"
            "KEY\t32\tHKEY_CURRENT_USER\\Software\\YvT\r\n"
            "KEY\t32\tHKEY_CURRENT_USER\\Software\\YvT\\Sub\r\n"
            "VALUE\t32\tHKEY_CURRENT_USER\\Software\\YvT\\Sub\tv\tNEW\r\n"
            "DIR\t" +
            p +
            "\\prog\\grp\r\n"
            "LINK\t" +
            p + "\\prog\\grp\\x.lnk\r\n");
  KeptRecords done;
  ScriptedUi ui;
  const auto result = uninstall::RunRemoval(install_log::PlanRemoval(lines), SiteIn(s, lines), ui, done);

  EXPECT_FALSE(result.cancelled);
  EXPECT_TRUE(ui.inUse.empty());
  // Created and replaced files of the installation folder go; the Windows folder keeps
  // the file that was there; the folder with the user's file stays, with that file.
  for (const char* gone : {"\\kv58\\replaced.txt", "\\kv58\\sub", "\\win\\new.dll", "\\prog\\grp", "\\old\\prog.exe"}) {
    EXPECT_FALSE(Exists(p + gone)) << gone;
  }
  EXPECT_EQ(platform::ReadWholeFile(p + "\\win\\shared.dll"), "other product's");
  EXPECT_EQ(platform::ReadWholeFile(p + "\\kv58\\user\\mine.txt"), "the user's own");
  EXPECT_EQ(platform::ReadWholeFile(p + "\\old\\data\\quotes.day"), "not this log's");
  // The restored value, the created key gone, the key holding another value kept.
  EXPECT_EQ(ReadValue("Software\\YvPre", "x"), "before");
  EXPECT_FALSE(winsys::RegistryKey(HKEY_CURRENT_USER, "Software\\YvT\\Sub").IsOpen());
  EXPECT_EQ(ReadValue("Software\\YvT", "keep"), "a value the installation did not set");
  EXPECT_FALSE(winsys::RegistryKey(HKEY_LOCAL_MACHINE, entry).IsOpen()) << "the uninstall entry stays";
  EXPECT_EQ(result.remainders, (std::vector<std::string>{"HKEY_CURRENT_USER\\Software\\YvT", p + "\\kv58\\user",
                                                         p + "\\kv58", p + "\\old"}));
  EXPECT_EQ(done.records.size(), 12u);  // every change but the three that stayed
}

TEST(Uninstall, AFileInUseIsTriedAgainOrStopsTheRemovalForALaterRun) {
  test::ScratchDir s;
  const std::string p = s.Path();
  s.Write("kv58\\a.exe", "a");
  const std::string held = s.Write("kv58\\b.exe", "b");
  const std::vector<LogLine> lines = Lines("FOLDER\t" + p + "\\kv58\r\nDIR\t" + p + "\\kv58\r\nFILE\tNEW\t" + p +
                                           "\\kv58\\a.exe\r\nFILE\tNEW\t" + held + "\r\n");
  winsys::ScopedHandle open(CreateFileW(text::ToWide(held).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(open);

  KeptRecords done;
  ScriptedUi cancel;
  auto result = uninstall::RunRemoval(install_log::PlanRemoval(lines), SiteIn(s, lines), cancel, done);
  EXPECT_TRUE(result.cancelled);
  EXPECT_EQ(cancel.inUse, std::vector<std::string>{held});
  EXPECT_TRUE(Exists(held));
  EXPECT_TRUE(Exists(p + "\\kv58\\a.exe"));
  EXPECT_TRUE(done.records.empty());

  ScriptedUi retry;
  retry.answer = [&open] {
    open.reset();  // the program has been closed
    return true;
  };
  result = uninstall::RunRemoval(install_log::PlanRemoval(lines), SiteIn(s, lines), retry, done);
  EXPECT_FALSE(result.cancelled);
  EXPECT_EQ(retry.inUse.size(), 1u);
  EXPECT_FALSE(Exists(p + "\\kv58"));
  EXPECT_TRUE(result.remainders.empty());
  EXPECT_EQ(done.records.size(), 3u);
}

TEST(Uninstall, NothingIsRemovedThroughALinkOrJunction) {
  // A user made the installation folder, or a folder in it, a link to a folder of theirs
  // holding files of the names the log lists: the link stays, and all it leads to.
  struct Case {
    const char* link;
    std::vector<std::string> gone;
    std::vector<std::string> remainders;
  };
  for (const Case& c : std::vector<Case>{
           {"kv58", {}, {"kv58\\sub\\b.txt", "kv58\\sub", "kv58\\a.txt", "kv58"}},
           {"kv58\\sub", {"kv58\\a.txt"}, {"kv58\\sub\\b.txt", "kv58\\sub", "kv58"}},
       }) {
    SCOPED_TRACE(c.link);
    test::ScratchDir s;
    const std::string p = s.Path();
    s.Write("kv58\\a.txt", "a");
    s.Write("kv58\\sub\\b.txt", "b");
    const std::vector<LogLine> lines =
        Lines("FOLDER\t" + p + "\\kv58\r\nDIR\t" + p + "\\kv58\r\nFILE\tNEW\t" + p + "\\kv58\\a.txt\r\nDIR\t" + p +
              "\\kv58\\sub\r\nFILE\tNEW\t" + p + "\\kv58\\sub\\b.txt\r\n");
    const std::string link = p + "\\" + c.link;
    ASSERT_TRUE(MoveFileW(text::ToWide(link).c_str(), text::ToWide(p + "\\elsewhere").c_str()));
    ASSERT_TRUE(test::MakeFolderLink(link, p + "\\elsewhere"));
    const std::vector<std::string> theirs = test::TreeOf(p + "\\elsewhere");

    KeptRecords done;
    ScriptedUi ui;
    const auto result = uninstall::RunRemoval(install_log::PlanRemoval(lines), SiteIn(s, lines), ui, done);
    EXPECT_EQ(test::TreeOf(p + "\\elsewhere"), theirs);
    EXPECT_TRUE(Exists(link));
    for (const std::string& gone : c.gone) EXPECT_FALSE(Exists(p + "\\" + gone)) << gone;
    std::vector<std::string> remainders;
    for (const std::string& item : c.remainders) remainders.push_back(p + "\\" + item);
    EXPECT_EQ(result.remainders, remainders);
    test::RemoveFolderLink(link);
  }
}

// Runs a program (a copy of uninstall.exe from the test program's folder, say) with
// `arguments` (and this process's inheritable handles, when `inherit`); its exit code.
DWORD RunProgram(const std::wstring& program, const std::string& arguments, bool inherit = false) {
  std::wstring command = L"\"" + program + L"\" " + text::ToWide(arguments);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, inherit, 0, nullptr, nullptr, &startup,
                      &process)) {
    return 0xFFFFFFFF;
  }
  WaitForSingleObject(process.hProcess, 60000);
  DWORD code = 0xFFFFFFFF;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

DWORD RunUninstaller(const std::string& copy, const std::string& arguments, bool inherit = false) {
  return RunProgram(text::ToWide(copy), arguments, inherit);
}

std::string TempFolder() {
  wchar_t folder[MAX_PATH + 1];
  return text::FromWide(std::wstring(folder, GetTempPathW(MAX_PATH + 1, folder) - 1));
}

std::string BuiltUninstaller() {
  wchar_t self[MAX_PATH];
  std::wstring path(self, GetModuleFileNameW(nullptr, self, MAX_PATH));
  return text::FromWide(path.substr(0, path.rfind(L'\\')) + L"\\uninstall.exe");
}

TEST(Uninstall, TheProgramRefusesABadLogAndRemovesAGoodOneWithItself) {
  test::ScratchDir s;
  const std::string p = s.Path();
  const std::string copy = s.Folder("windows") + "\\dvuninst.exe";
  ASSERT_TRUE(CopyFileW(text::ToWide(BuiltUninstaller()).c_str(), text::ToWide(copy).c_str(), FALSE));
  const std::string log = p + "\\windows\\dvuninst.log";
  const std::string file = s.Write("kv58\\a.txt", "a");
  EXPECT_EQ(RunUninstaller(copy, "/S"), 2u) << "no log";

  const std::string header = std::string(install_log::kVersion1Header) + "\r\n";
  const std::string refused = header + "FOLDER\t" + p + "\\kv58\r\nFILE\tNEW\t" + file + "\r\nDIR\tC:\\\r\n";
  ASSERT_TRUE(platform::WriteWholeFile(log, refused));
  EXPECT_EQ(RunUninstaller(copy, "/S"), 2u) << "a drive root";
  EXPECT_TRUE(Exists(file));
  EXPECT_EQ(platform::ReadWholeFile(log), refused);

  {
    // The cleaning role deletes nothing for a number that names no process handle of its own.
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    const winsys::ScopedHandle fileHandle(CreateFileW(text::ToWide(file).c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                      &inherited, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(fileHandle);
    for (const std::string& number : {std::string(), std::string("12x"), std::string("4294967295"),
                                      std::to_string(reinterpret_cast<uintptr_t>(fileHandle.get()))}) {
      EXPECT_EQ(RunUninstaller(copy, "/cleanup " + number, true), 2u) << number;
    }
  }
  EXPECT_TRUE(Exists(copy));

  ASSERT_TRUE(platform::WriteWholeFile(
      log, header + "FOLDER\t" + p + "\\kv58\r\nDIR\t" + p + "\\kv58\r\nFILE\tNEW\t" + file + "\r\n"));
  const std::vector<std::string> tempBefore = test::FilesIn(TempFolder());
  {
    // Libraries of system names beside the program and in the temporary folder, where its
    // copy was once started: none is loaded.
    test::PlantedLibraries planted({L"dvuninst.exe", L"uninstall.exe"});
    ASSERT_TRUE(planted.PlantIn(text::ToWide(s.Path() + "\\windows")) && planted.PlantIn(text::ToWide(TempFolder())));
    EXPECT_EQ(RunUninstaller(copy, "/S"), 0u);
    EXPECT_FALSE(Exists(p + "\\kv58"));
    EXPECT_FALSE(Exists(log));
    // The copy deletes the program once it has ended.
    for (int i = 0; i < 100 && Exists(copy); ++i) Sleep(100);
    EXPECT_FALSE(Exists(copy));
    EXPECT_EQ(planted.Loaded(), std::vector<std::string>{});
  }
  // The copy ran in a folder of its own below the temporary folder, which it leaves empty;
  // the folder goes at the restart (here: the next start of the Wine session).
  std::vector<std::string> made;
  for (const std::string& name : test::FilesIn(TempFolder())) {
    if (std::find(tempBefore.begin(), tempBefore.end(), name) == tempBefore.end()) made.push_back(name);
  }
  ASSERT_EQ(made.size(), 1u);
  EXPECT_EQ(made[0].substr(0, 3), "yv_");
  EXPECT_TRUE(GetFileAttributesW(text::ToWide(TempFolder() + "\\" + made[0]).c_str()) & FILE_ATTRIBUTE_DIRECTORY);
  EXPECT_EQ(test::FilesIn(TempFolder() + "\\" + made[0]), std::vector<std::string>{});
  EXPECT_EQ(RunProgram(winsys::SystemFile(L"wineboot.exe"), "-r"), 0u);
  EXPECT_FALSE(Exists(TempFolder() + "\\" + made[0]));
}

// A run over an earlier installation that a kill ends at each step of the protocol; the
// next start of the wizard (or of the uninstaller) finds the machine wholly old or wholly
// new, with no staged or moved-aside file left. The kill is the layer dropped at that
// point: what the run wrote is on the disk, nothing more happens.
TEST(Transaction, KilledRunsEndWhollyOldOrWhollyNew) {
  const std::vector<std::string> oldTree = {"a.txt", "keep.txt", "old\\", "old\\f.txt"};
  const std::vector<std::string> newTree = {"a.txt", "cfg\\", "cfg\\h.txt", "keep.txt", "n.txt", "old\\", "old\\g.txt"};
  struct Cut {
    const char* name;
    bool commit;
    std::size_t stepsDone;  // of the commit's plan: 3 moves in, then 2 removals (a.txt's, old's)
    bool abort;             // a failure after those steps began to undo the run
    bool wholeNew;
    bool ended = false;  // the run ended; the last page was killed while it replaced a file
  };
  const Cut cuts[] = {
      {"staging", false, 0, false, false},
      {"committed", true, 0, false, true},
      {"one move in", true, 1, false, true},
      {"all moved in", true, 3, false, true},
      {"one backup gone", true, 4, false, true},
      {"undoing after two moves", true, 2, true, false},
      {"the last page after the run", true, 5, false, true, true},
  };
  for (const Cut& cut : cuts) {
    SCOPED_TRACE(cut.name);
    test::ScratchDir s;
    const std::string app = s.Folder("app");
    s.Write("app\\a.txt", "old a");
    s.Write("app\\keep.txt", "keep");
    s.Write("app\\old\\f.txt", "old f");
    const std::string journal = s.Folder("windows") + "\\dvuninst.log";
    {
      install_log::LogWriter log(journal, "测试组", install_log::Record::Of(install_log::RecordKind::Run, "t"));
      std::optional<winsys::ChangeLayer> changes(std::in_place, &log);
      ASSERT_FALSE(changes->BeginRun("测试组", app));
      ASSERT_FALSE(changes->ReplaceFolderAtCommit(app + "\\old"));
      ASSERT_FALSE(changes->CreateFolder(app + "\\old"));
      ASSERT_FALSE(changes->CreateFolder(app + "\\cfg"));
      const std::vector<std::pair<std::string, std::string>> writes = {{"a.txt", "new a"},
                                                                       {"cfg\\h.txt", "first h"},
                                                                       {"n.txt", "new n"},
                                                                       {"old\\g.txt", "new g"},
                                                                       {"cfg\\h.txt", "new h"}};
      for (const auto& [name, content] : writes) {
        winsys::StagedFile file;
        ASSERT_FALSE(changes->StageFile(app + "\\" + name, file));
        ASSERT_FALSE(file.Write(content.data(), content.size()));
        ASSERT_FALSE(file.Finish(std::nullopt));
        ASSERT_FALSE(changes->Place(file));
      }
      // A new file in a folder the run created is written in its place (again, when the
      // run writes it twice).
      EXPECT_EQ(test::TreeOf(app),
                (std::vector<std::string>{"a.txt", "a.txt.yv-new", "cfg\\", "cfg\\h.txt", "keep.txt", "n.txt.yv-new",
                                          "old.yv-new\\", "old.yv-new\\g.txt", "old\\", "old\\f.txt"}));
      // A run that a living program still writes is not another start's to finish.
      EXPECT_TRUE(winsys::RecoverJournal(journal));
      EXPECT_TRUE(Exists(app + "\\a.txt.yv-new"));
      if (cut.commit) {
        ASSERT_FALSE(changes->StagedFilesOnDisk());
        ASSERT_TRUE(changes->Record(install_log::Record::Of(install_log::RecordKind::Commit)));
        changes.reset();  // killed: nothing of the run holds a folder any more
        const auto run = install_log::FindLastRun(install_log::ReadLog(*platform::ReadWholeFile(journal)).lines);
        const auto plan = install_log::PlanCompletion(run.records);
        ASSERT_EQ(plan.size(), 5u);
        for (std::size_t i = 0; i < cut.stepsDone; ++i) {
          EXPECT_FALSE(winsys::CarryOut(plan[i], install_log::StagingMap(run.records), {}));
        }
      }
      if (cut.abort) {
        ASSERT_TRUE(log.Record(install_log::Record::Of(install_log::RecordKind::Abort)));
      }
      if (cut.ended) {
        // The last page was killed while it replaced a file of the run's replaced folder:
        // its staged copy lies beside the file, not in the folder's new tree.
        ASSERT_TRUE(log.Record(install_log::Record::Of(install_log::RecordKind::End)));
        ASSERT_TRUE(log.Record(install_log::Record::FileWrite(app + "\\old\\g.txt", true)));
        s.Write("app\\old\\g.txt.yv-new", "cut");
      }
    }
    EXPECT_TRUE(winsys::RecoverJournal(journal));
    EXPECT_EQ(test::TreeOf(app), cut.wholeNew ? newTree : oldTree);
    EXPECT_EQ(platform::ReadWholeFile(app + "\\a.txt"), cut.wholeNew ? "new a" : "old a");
    if (cut.wholeNew) {
      EXPECT_EQ(platform::ReadWholeFile(app + "\\cfg\\h.txt"), "new h");
    }
    EXPECT_EQ(install_log::FindLastRun(install_log::ReadLog(*platform::ReadWholeFile(journal)).lines).phase,
              install_log::RunPhase::kEnded);
  }
}

// The uninstaller finishes a run that a kill ended in its commit, then removes it: what
// the run brought and replaced goes, the user's file stays.
TEST(Transaction, TheUninstallerFinishesAKilledRunFirst) {
  test::ScratchDir s;
  const std::string app = s.Folder("app");
  s.Write("app\\a.txt", "old a");
  s.Write("app\\mine.txt", "the user's");
  const std::string copy = s.Folder("windows") + "\\dvuninst.exe";
  ASSERT_TRUE(CopyFileW(text::ToWide(BuiltUninstaller()).c_str(), text::ToWide(copy).c_str(), FALSE));
  {
    install_log::LogWriter log(s.Path() + "\\windows\\dvuninst.log", "测试组",
                               install_log::Record::Of(install_log::RecordKind::Run, "t"));
    winsys::ChangeLayer changes(&log);
    ASSERT_FALSE(changes.BeginRun("测试组", app));
    for (const char* name : {"a.txt", "b.txt"}) {
      winsys::StagedFile file;
      ASSERT_FALSE(changes.StageFile(app + "\\" + name, file));
      ASSERT_FALSE(file.Finish(std::nullopt));
      ASSERT_FALSE(changes.Place(file));
    }
    ASSERT_FALSE(changes.StagedFilesOnDisk());
    ASSERT_TRUE(changes.Record(install_log::Record::Of(install_log::RecordKind::Commit)));
  }
  EXPECT_EQ(RunUninstaller(copy, "/S"), 1u);  // the user's file stays, and the folder with it
  EXPECT_EQ(test::TreeOf(app), std::vector<std::string>{"mine.txt"});
}

// A folder of the run swapped for a link after the run has written in it: the next change
// there is refused, and nothing reaches where the link leads. (The folder of the run's last
// change is held and cannot be swapped itself, but a level above it can, under Wine.)
TEST(Transaction, AFolderSwappedForALinkDuringTheRunIsRefused) {
  struct Case {
    std::string swapped, changedIn;
  };
  for (const Case& c : {Case{"", ""}, Case{"", "\\sub"}, Case{"\\other", "\\other"}}) {
    SCOPED_TRACE(c.swapped + " / " + c.changedIn);
    test::ScratchDir s;
    const std::string app = s.Folder("app");
    const std::string elsewhere = s.Folder("elsewhere");
    s.Folder("elsewhere\\sub");
    install_log::LogWriter log(s.Folder("windows") + "\\dvuninst.log", "测试组",
                               install_log::Record::Of(install_log::RecordKind::Run, "t"));
    winsys::ChangeLayer changes(&log);
    ASSERT_FALSE(changes.BeginRun("测试组", app));
    const auto stage = [&](const std::string& path) {
      winsys::StagedFile file;
      return changes.StageFile(path, file).kind;
    };
    ASSERT_FALSE(changes.CreateFolder(app + "\\other"));
    ASSERT_EQ(stage(app + c.swapped + "\\a.txt"), winsys::ChangeFault::Kind::kNone);
    ASSERT_FALSE(changes.CreateFolder(app + "\\sub"));
    ASSERT_EQ(stage(app + "\\sub\\a.txt"), winsys::ChangeFault::Kind::kNone);
    ASSERT_TRUE(MoveFileW(text::ToWide(app + c.swapped).c_str(), text::ToWide(s.Path() + "\\aside").c_str()));
    ASSERT_TRUE(test::MakeFolderLink(app + c.swapped, elsewhere));
    EXPECT_EQ(stage(app + c.changedIn + "\\b.txt"), winsys::ChangeFault::Kind::kLink);
    EXPECT_EQ(changes.CreateFolder(app + c.changedIn + "\\deeper").kind, winsys::ChangeFault::Kind::kLink);
    EXPECT_EQ(test::TreeOf(elsewhere), std::vector<std::string>{"sub\\"});
    test::RemoveFolderLink(app + c.swapped);
  }
}

// A file somebody else puts into a folder the run made is no earlier file of the product's:
// the run's own is refused there rather than put in its place.
TEST(Transaction, AFilePutIntoAFolderTheRunMadeIsNotReplaced) {
  test::ScratchDir s;
  const std::string app = s.Folder("app");
  install_log::LogWriter log(s.Folder("windows") + "\\dvuninst.log", "测试组",
                             install_log::Record::Of(install_log::RecordKind::Run, "t"));
  winsys::ChangeLayer changes(&log);
  ASSERT_FALSE(changes.BeginRun("测试组", app));
  ASSERT_FALSE(changes.CreateFolder(app + "\\new"));
  const std::string theirs = s.Write("app\\new\\a.txt", "theirs");
  winsys::StagedFile file;
  EXPECT_EQ(changes.StageFile(app + "\\new\\a.txt", file).kind, winsys::ChangeFault::Kind::kCannotCreate);
  EXPECT_EQ(platform::ReadWholeFile(theirs), "theirs");
}

}  // namespace
