#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "vrktool/file_time.h"
#include "vrktool/output_folder.h"

namespace yv::vrktool {

namespace {

class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  ~Descriptor() { Reset(); }
  Descriptor(Descriptor&& other) noexcept : fd_(other.Release()) {}
  Descriptor& operator=(Descriptor&& other) noexcept {
    Reset(other.Release());
    return *this;
  }
  int get() const { return fd_; }
  int Release() {
    const int fd = fd_;
    fd_ = -1;
    return fd;
  }
  void Reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_;
};

std::string SystemError(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

class PosixOutputFile : public OutputFile {
 public:
  PosixOutputFile(Descriptor folder, Descriptor file, std::string temp, std::string final)
      : folder_(std::move(folder)), file_(std::move(file)), temp_(std::move(temp)), final_(std::move(final)) {}
  ~PosixOutputFile() override {
    if (!committed_) {
      file_.Reset();
      ::unlinkat(folder_.get(), temp_.c_str(), 0);
    }
  }

  bool Write(const char* data, std::size_t size) override {
    while (size > 0) {
      const ssize_t n = ::write(file_.get(), data, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      data += n;
      size -= static_cast<std::size_t>(n);
    }
    return true;
  }

  bool Commit(std::optional<uint64_t> lastWriteTime, std::string& error) override {
    if (lastWriteTime) {
      const UnixTime time = FileTimeToUnix(*lastWriteTime);
      struct timespec times[2];
      times[0].tv_sec = 0;
      times[0].tv_nsec = UTIME_OMIT;
      times[1].tv_sec = static_cast<time_t>(time.seconds);
      times[1].tv_nsec = static_cast<long>(time.nanoseconds);
      if (::futimens(file_.get(), times) != 0) {
        error = SystemError("cannot set the modification time");
        return false;
      }
    }
    if (::close(file_.Release()) != 0) {
      error = SystemError("cannot write the file");
      return false;
    }
    // Replaces whatever entry has the final name (a link included) without following it.
    if (::renameat(folder_.get(), temp_.c_str(), folder_.get(), final_.c_str()) != 0) {
      error = SystemError("cannot put the file in place");
      return false;
    }
    committed_ = true;
    return true;
  }

 private:
  Descriptor folder_;
  Descriptor file_;
  std::string temp_;
  std::string final_;
  bool committed_ = false;
};

class PosixOutputFolder : public OutputFolder {
 public:
  explicit PosixOutputFolder(Descriptor root) : root_(std::move(root)) {}

  std::unique_ptr<OutputFile> Create(const std::vector<std::filesystem::path>& components,
                                     std::string& error) override {
    if (components.empty()) {
      error = "no file name";
      return nullptr;
    }
    Descriptor folder(::dup(root_.get()));
    if (folder.get() < 0) {
      error = SystemError("cannot open the destination folder");
      return nullptr;
    }
    for (std::size_t i = 0; i + 1 < components.size(); ++i) {
      const char* name = components[i].c_str();
      if (::mkdirat(folder.get(), name, 0777) != 0 && errno != EEXIST) {
        error = SystemError("cannot create the folder '" + components[i].string() + "'");
        return nullptr;
      }
      // O_NOFOLLOW: a link in place of the folder is refused, never entered.
      Descriptor next(::openat(folder.get(), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
      if (next.get() < 0) {
        error = errno == ELOOP || errno == ENOTDIR
                    ? "'" + components[i].string() + "' in the destination is a link or a file, not a folder"
                    : SystemError("cannot open the folder '" + components[i].string() + "'");
        return nullptr;
      }
      folder = std::move(next);
    }
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string temp = TemporaryName();
      Descriptor file(::openat(folder.get(), temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
      if (file.get() >= 0) {
        return std::make_unique<PosixOutputFile>(std::move(folder), std::move(file), std::move(temp),
                                                 components.back().string());
      }
      if (errno != EEXIST) break;
    }
    error = SystemError("cannot create a file in the destination");
    return nullptr;
  }

 private:
  Descriptor root_;
};

}  // namespace

std::unique_ptr<OutputFolder> OutputFolder::Open(const std::filesystem::path& folder, std::string& error) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  Descriptor root(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (root.get() < 0) {
    error = SystemError("cannot open the folder");
    return nullptr;
  }
  return std::make_unique<PosixOutputFolder>(std::move(root));
}

}  // namespace yv::vrktool
