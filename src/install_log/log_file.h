// The installation log as a file: read whole, and written by appending one flushed
// record at a time, so that a run that is killed leaves every record it made on disk.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "install_log/change_recorder.h"
#include "install_log/log_record.h"
#include "platform/file_io.h"

namespace yv::install_log {

struct LogLine {
  std::size_t number;  // 1 is the header
  install_log::Record record;
};

struct LogContent {
  enum class Status { kOk, kNoHeader, kBadLine } status = Status::kNoHeader;
  std::size_t badLine = 0;  // kBadLine: the first line that is no record
  int version = 0;          // of the header
  std::string product;      // version 2 on: the product its header names
  std::vector<LogLine> lines;
};

// The first line of a log of this version for `product`.
std::string HeaderLine(const std::string& product);
// The product a log belongs to: its header's, or in version 1 its first GROUP's.
std::string ProductOf(const LogContent& log);

// Reads the whole lines of a log (CR LF or LF); a last line without its line end was cut
// off while it was written and is left out.
LogContent ReadLog(std::string_view content);

// The local time as a "RUN" record gives it: "2026-12-09 02:10:00".
std::string LocalTimeText();

// The log's path for an uninstaller's path: its extension replaced by ".log".
std::string LogPathFor(const std::string& uninstallerPath);

// Appends records to the log at `path`, opened once at the first record: a new log gets
// its header, then the opening record (a "RUN" or "REMOVAL" with its time), then each
// record. Only a log of this product whose version this reader reads is appended to; a
// cut-off last line is dropped first. Any other file there (another product's log, a
// newer log, something that is no log, a file that cannot be read) is left exactly as it
// is, and nothing is recorded.
class LogWriter : public ChangeRecorder {
 public:
  // `opening` std::nullopt: records that finish an earlier run, with no opening record.
  LogWriter(std::string path, std::string product, std::optional<install_log::Record> opening)
      : path_(std::move(path)), product_(std::move(product)), opening_(std::move(opening)) {}
  // Appended and flushed.
  bool Record(const install_log::Record& record) override;
  // Appended; on the disk at the next Flush or Record.
  bool Append(const install_log::Record& record) override;
  bool Flush() override;
  // Opens the log now, holding it for writing (another writer of it is refused until this
  // one ends); false when it cannot be, or is not this product's log.
  bool Open();
  const std::string& Path() const { return path_; }
  // True once the log could not be opened or a record could not be written.
  bool Failed() const { return failed_; }
  // The lines the log held when it was opened (empty before the first record).
  const std::vector<LogLine>& Earlier() const { return earlier_; }
  // Once open: false for a log of a version before FILE HERE.
  bool TakesFilesInPlace() const override { return version_ >= kFilesInPlaceVersion; }

 private:
  bool Start();
  std::string path_;
  std::string product_;
  std::optional<install_log::Record> opening_;
  platform::AppendFile file_;
  std::vector<LogLine> earlier_;
  int version_ = 0;  // of the log as opened: a new one is of this version
  bool failed_ = false;
};

}  // namespace yv::install_log
