#include <windows.h>

#include "vrktool/output_folder.h"

namespace yv::vrktool {

namespace {

std::string SystemError(const std::string& what) {
  return what + " (error " + std::to_string(GetLastError()) + ")";
}

class WinOutputFile : public OutputFile {
 public:
  WinOutputFile(HANDLE file, std::filesystem::path temp, std::filesystem::path final)
      : file_(file), temp_(std::move(temp)), final_(std::move(final)) {}
  ~WinOutputFile() override {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    if (!committed_) DeleteFileW(temp_.c_str());
  }

  bool Write(const char* data, std::size_t size) override {
    while (size > 0) {
      const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
      DWORD written = 0;
      if (!WriteFile(file_, data, chunk, &written, nullptr) || written == 0) return false;
      data += written;
      size -= written;
    }
    return true;
  }

  bool Commit(std::optional<uint64_t> lastWriteTime, std::string& error) override {
    if (lastWriteTime) {
      FILETIME ft;
      ft.dwLowDateTime = static_cast<DWORD>(*lastWriteTime);
      ft.dwHighDateTime = static_cast<DWORD>(*lastWriteTime >> 32);
      if (!SetFileTime(file_, nullptr, nullptr, &ft)) {
        error = SystemError("cannot set the modification time");
        return false;
      }
    }
    const bool closed = CloseHandle(file_) != 0;
    file_ = INVALID_HANDLE_VALUE;
    if (!closed) {
      error = SystemError("cannot write the file");
      return false;
    }
    // Replaces the entry of the final name itself, a link included.
    if (!MoveFileExW(temp_.c_str(), final_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      error = SystemError("cannot put the file in place");
      return false;
    }
    committed_ = true;
    return true;
  }

 private:
  HANDLE file_;
  std::filesystem::path temp_;
  std::filesystem::path final_;
  bool committed_ = false;
};

class WinOutputFolder : public OutputFolder {
 public:
  explicit WinOutputFolder(std::filesystem::path root) : root_(std::move(root)) {}

  std::unique_ptr<OutputFile> Create(const std::vector<std::filesystem::path>& components,
                                     std::string& error) override {
    if (components.empty()) {
      error = "no file name";
      return nullptr;
    }
    std::filesystem::path folder = root_;
    for (std::size_t i = 0; i + 1 < components.size(); ++i) {
      folder /= components[i];
      if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        error = SystemError("cannot create the folder '" + components[i].string() + "'");
        return nullptr;
      }
      // A junction or link in place of the folder could lead anywhere: refused.
      const DWORD attributes = GetFileAttributesW(folder.c_str());
      if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY) ||
          (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        error = "'" + components[i].string() + "' in the destination is a link or a file, not a folder";
        return nullptr;
      }
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::filesystem::path temp = folder / TemporaryName();
      // CREATE_NEW fails on anything already there, a link included.
      HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
      if (file != INVALID_HANDLE_VALUE) {
        return std::make_unique<WinOutputFile>(file, std::move(temp), folder / components.back());
      }
      if (GetLastError() != ERROR_FILE_EXISTS) break;
    }
    error = SystemError("cannot create a file in the destination");
    return nullptr;
  }

 private:
  std::filesystem::path root_;
};

}  // namespace

std::unique_ptr<OutputFolder> OutputFolder::Open(const std::filesystem::path& folder, std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (!std::filesystem::is_directory(folder, ec)) {
    error = "cannot create the folder";
    return nullptr;
  }
  return std::make_unique<WinOutputFolder>(folder);
}

}  // namespace yv::vrktool
