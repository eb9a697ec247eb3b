// Scratch installation media: a fresh folder under the temp folder per scenario, filled
// with exactly the files the scenario needs, removed again afterwards.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace yv::e2e {

struct IniSection {
  std::string name;                                       // GBK
  std::vector<std::pair<std::string, std::string>> keys;  // GBK, in file order
};

// The bytes of an INI file (CRLF lines), as a vendor would write it.
std::string IniText(const std::vector<IniSection>& sections);

class Medium {
 public:
  Medium();   // a new empty folder
  ~Medium();  // removes the folder and all it holds
  Medium(const Medium&) = delete;
  Medium& operator=(const Medium&) = delete;

  const std::wstring& Path() const { return path_; }
  bool Created() const { return created_; }
  // Writes bytes to name (GBK, relative to the medium, subfolders made as needed).
  bool Write(std::string_view name, std::string_view bytes) const;
  bool Exists(std::string_view name) const;

 private:
  std::wstring path_;
  bool created_ = false;
};


}  // namespace yv::e2e
