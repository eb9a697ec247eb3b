#include "support/product_medium.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "archive/package_writer.h"
#include "driver/process.h"

namespace yv::e2e {

namespace {

std::string ReadAll(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD got = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(file);
  bytes.resize(got);
  return bytes;
}

std::string Package(const std::vector<std::pair<std::string, std::string>>& files) {
  std::vector<archive::EncodedEntry> entries;
  for (const auto& [name, content] : files) {
    entries.push_back(archive::EncodeEntry(name, 0, content, archive::EntryStorage::kSmallerOfBoth, {}));
  }
  return archive::BuildPackageArchive(3, entries);
}

}  // namespace

const char kSystemFileContent[] = "receiver card driver\r\n";

std::string StandInProgram() {
  return ReadAll(ProgramFolder() + L"\\started_marker.exe");
}

const std::vector<InstalledFile>& ProductFiles() {
  static const std::vector<InstalledFile> files = {
      {"dravk.exe", StandInProgram()},
      {"readme.txt", "新版说明\r\n"},
      {"data\\day\\600000.day", std::string(5000, '\x07')},
      {"data\\行情.txt", "行情数据\r\n"},
      {"help\\help.txt", "帮助\r\n"},
      {"extras\\extra.txt", "附加\r\n"},
  };
  return files;
}

bool WriteProductMedium(const Medium& medium, const ProductMediumOptions& options) {
  const auto& files = ProductFiles();
  std::vector<std::pair<std::string, std::string>> dataFiles = {{"day\\600000.day", files[2].content},
                                                                {"行情.txt", files[3].content}};
  for (int i = 0; i < options.extraDataFiles; ++i) {
    dataFiles.push_back({"day\\" + std::to_string(610000 + i) + ".day", std::string(4000, static_cast<char>(i))});
  }
  std::string data = Package(dataFiles);
  if (options.breakDataArchive) data.resize(data.size() - 7);
  std::vector<std::pair<std::string, std::string>> part0 = {{"program.vrk", "."}, {"_config.vrk", "cfg"}};
  if (!options.systemFile.empty()) part0.push_back({"drivers.vrk", "WINSYSDIR"});
  if (options.everyKind) part0.push_back({"uninst.vrk", "WINDIR"});
  std::vector<IniSection> sections = {
      {"info",
       {{"title", "安装测试"},
        {"path", options.installDir},
        {"group", options.programGroup},
        {"uninst", options.uninstaller},
        {"publisher", "测试公司"},
        {"parts", "3"},
        {"part0", "系统程序"},
        {"part1", "历史数据"},
        {"part2", "帮助文档"},
        {"copy", "1"},
        {"delete", "1"}}},
      {"part0", part0},
      {"part1", {{"data.vrk", "data"}}},
      {"part2", {{"help.pk", "help\\help.txt"}}},
      {"delete", {{"old", "temp"}}},
      {"copy", {{"extras", "extras"}}},
      {"directory", {{"d1", "data\\day"}, {"d2", "extras"}, {"d3", "help"}, {"d4", "cfg"}}},
  };
  if (options.everyKind) {
    sections.push_back({"ico", {{"程序", "dravk.exe"}, {"帮助", "help\\help.txt"}}});
    sections.push_back({"desktop", {{options.programGroup, "dravk.exe"}}});
    sections.push_back({"reg", {{"WPATH1", "e2e.reg"}}});
  }
  const std::string description = IniText(sections);
  const std::string registryFile = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\" + options.programGroup +
                                   "\\设置]\r\n\"路径\"=\"" + options.installDir + "\"\r\n" +
                                   "\"数据\"=hex:01,02,\\\r\n  03\r\n";
  if (options.everyKind &&
      !(medium.Write("uninst.vrk", Package({{options.uninstaller, ReadAll(ProgramFolder() + L"\\uninstall.exe")}})) &&
        medium.Write("e2e.reg", registryFile))) {
    ADD_FAILURE() << "cannot write the product medium";
    return false;
  }
  const bool ok =
      medium.Write("setup.ini", IniText({{"info", {{"name", options.mainProgram}, {"product", "Delvrin测试"}}}})) &&
      medium.Write("install.ini", description) && medium.Write("Lics.txt", "软件许可协议\r\n") &&
      medium.Write("ad0.txt", "系统程序的说明\r\n") && medium.Write("ad1.txt", "历史数据的说明\r\n") &&
      medium.Write("ad2.txt", "帮助文档的说明\r\n") && medium.Write("ad4.txt", "安装完成\r\n") &&
      medium.Write("program.vrk", options.withMainProgram
                                      ? Package({{"dravk.exe", files[0].content}, {"readme.txt", files[1].content}})
                                      : Package({{"readme.txt", files[1].content}})) &&
      (options.systemFile.empty() ||
       medium.Write("drivers.vrk", Package({{options.systemFile, kSystemFileContent}}))) &&
      medium.Write("_config.vrk", Package({{"system.ini", "[DCD]\r\nDriverNumber=0\r\n"}})) &&
      medium.Write("data.vrk", data) && medium.Write("help.pk", archive::BuildPackedFile(files[4].content, {})) &&
      medium.Write("extras\\extra.txt", files[5].content) &&
      // Stands in for the follow-up installer that the last page runs from the medium.
      medium.Write("hinstall.exe", StandInProgram());
  if (!ok) ADD_FAILURE() << "cannot write the product medium";
  return ok;
}

}  // namespace yv::e2e
