#include "winsys/deployment.h"

#include <mutex>

#include "install_log/log_file.h"
#include "platform/file_io.h"
#include "winsys/winsys_texts.h"

namespace yv::winsys {

Deployment gDeployment;

namespace {

struct SupportLog {
  std::mutex lock;  // the flusher's thread logs the faults it meets
  platform::AppendFile file;
  std::string lastLine;  // a question asked again quietly is logged once
  ExitCause cause = ExitCause::kFailed;
};

SupportLog& Log() {
  static SupportLog log;
  return log;
}

}  // namespace

bool OpenSupportLog(const std::string& path) {
  // Written as the run goes, never flushed: a killed run leaves all it wrote, and only a
  // power cut can lose the last lines.
  return Log().file.Open(path) && Log().file.CutTo(0);
}

void LogLine(std::string_view text) {
  SupportLog& log = Log();
  const std::lock_guard<std::mutex> held(log.lock);
  std::string line;
  for (char c : text) {
    if (c != '\r') line.push_back(c == '\n' ? ' ' : c);  // one line whatever the message
  }
  if (!log.file.IsOpen() || line == log.lastLine) return;
  log.lastLine = std::move(line);
  log.file.Append(install_log::LocalTimeText() + "  " + log.lastLine + "\r\n");
}

void NoteFault(ExitCause cause, std::string_view what, const std::string& path, DWORD error) {
  std::string line(what);
  if (!path.empty()) line += "：" + path;
  if (error != 0) line += "（" + std::string(texts::kWindowsError) + std::to_string(error) + "）";
  LogLine(line);
  NoteCause(cause);
}

void NoteCause(ExitCause cause) {
  Log().cause = cause;
}

ExitCause CauseOf(ChangeFault::Kind kind) {
  switch (kind) {
    case ChangeFault::Kind::kDiskFull:
      return ExitCause::kDiskSpace;
    case ChangeFault::Kind::kInUse:
      return ExitCause::kInUse;
    default:
      return ExitCause::kFailed;
  }
}

int FinishDeployment(bool installed) {
  const int code = static_cast<int>(installed ? ExitCause::kInstalled : Log().cause);
  LogLine(texts::kExitCode + std::to_string(code));
  return code;
}

}  // namespace yv::winsys
