// The installation log as a file: read whole, and written by appending one flushed
// record at a time, so that a run that is killed leaves every record it made on disk.
#pragma once

#include <cstddef>
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
  std::vector<LogLine> lines;
};

// Reads the whole lines of a log (CR LF or LF); a last line without its line end was cut
// off while it was written and is left out.
LogContent ReadLog(std::string_view content);

// The local time as a "RUN" record gives it: "2026-12-09 02:10:00".
std::string LocalTimeText();

// The log's path for an uninstaller's path: its extension replaced by ".log".
std::string LogPathFor(const std::string& uninstallerPath);

// Appends records to the log at `path`: the header when the log is new, then a "RUN"
// record with `runTime`, then each record, every one flushed before Record returns. An
// existing log keeps its records; a cut-off last line is dropped first. A file that is
// not such a log is left alone and nothing is recorded.
class LogWriter : public ChangeRecorder {
 public:
  LogWriter(std::string path, std::string runTime) : path_(std::move(path)), runTime_(std::move(runTime)) {}
  bool Record(const install_log::Record& record) override;
  const std::string& Path() const { return path_; }
  // True once the log could not be opened or a record could not be written.
  bool Failed() const { return failed_; }

 private:
  bool Start();
  std::string path_;
  std::string runTime_;
  platform::AppendFile file_;
  bool failed_ = false;
};

}  // namespace yv::install_log
