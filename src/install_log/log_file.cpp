#include "install_log/log_file.h"

#include <ctime>

#include "text/gbk.h"

namespace yv::install_log {

namespace {

ChangeRecorder* gRecorder = nullptr;

// No record comes near this; a longer line is damage, not a record.
constexpr std::size_t kLineLimit = 1 << 20;

constexpr char kLineEnd[] = "\r\n";

std::string_view WithoutCr(std::string_view line) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

// The length of the whole lines at the start of `content`.
std::size_t WholeLinesLength(std::string_view content) {
  const std::size_t last = content.rfind('\n');
  return last == std::string_view::npos ? 0 : last + 1;
}

}  // namespace

ChangeRecorder* CurrentRecorder() {
  return gRecorder;
}

ChangeRecorder* SetCurrentRecorder(ChangeRecorder* recorder) {
  ChangeRecorder* before = gRecorder;
  gRecorder = recorder;
  return before;
}

LogContent ReadLog(std::string_view content) {
  LogContent log;
  content = content.substr(0, WholeLinesLength(content));
  std::size_t number = 0;
  while (!content.empty()) {
    const std::size_t end = content.find('\n');
    const std::string_view line = WithoutCr(content.substr(0, end));
    content.remove_prefix(end + 1);
    ++number;
    if (number == 1) {
      if (line != kHeader) return log;
      log.status = LogContent::Status::kOk;
      continue;
    }
    const auto record = line.size() <= kLineLimit ? ParseRecord(line) : std::nullopt;
    if (!record) {
      log.status = LogContent::Status::kBadLine;
      log.badLine = number;
      log.lines.clear();
      return log;
    }
    log.lines.push_back({number, *record});
  }
  return log;
}

std::string LocalTimeText() {
  const std::time_t now = std::time(nullptr);
  char text[32] = "";
  if (const std::tm* local = std::localtime(&now)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", local);
  return text;
}

std::string LogPathFor(const std::string& uninstallerPath) {
  const std::size_t slash = text::FindLastChar(uninstallerPath, '\\');
  const std::size_t dot = text::FindLastChar(uninstallerPath, '.');
  const bool hasExtension = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  return uninstallerPath.substr(0, hasExtension ? dot : std::string::npos) + ".log";
}

bool LogWriter::Start() {
  const std::string before = platform::ReadWholeFile(path_).value_or("");
  const std::size_t keep = WholeLinesLength(before);
  // Only a log of this format is appended to; a first line cut off counts as no log.
  const std::string_view firstLine = WithoutCr(std::string_view(before).substr(0, before.find('\n')));
  if (keep > 0 && firstLine != kHeader) return false;
  if (!file_.Open(path_, keep)) return false;
  std::string start = keep == 0 ? std::string(kHeader) + kLineEnd : std::string();
  install_log::Record run;
  run.kind = RecordKind::Run;
  run.text = runTime_;
  start += FormatRecord(run) + kLineEnd;
  return file_.Append(start);
}

bool LogWriter::Record(const install_log::Record& record) {
  if (failed_) return false;
  if (!file_.IsOpen() && !Start()) {
    failed_ = true;
    return false;
  }
  if (!file_.Append(FormatRecord(record) + kLineEnd)) failed_ = true;
  return !failed_;
}

}  // namespace yv::install_log
