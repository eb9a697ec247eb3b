#include "install_log/log_file.h"

#include <ctime>

#include "install_log/removal_plan.h"
#include "text/gbk.h"

namespace yv::install_log {

namespace {

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

// "YORVANE-INSTALL-LOG 1", or "YORVANE-INSTALL-LOG 2" (or 3) TAB product: the version and
// product.
bool ReadHeader(std::string_view line, LogContent& log) {
  const std::string start = std::string(kFormatName) + ' ';
  if (line.substr(0, start.size()) != start) return false;
  line.remove_prefix(start.size());
  if (line == "1") {
    log.version = 1;
    return true;
  }
  const int version = line.empty() ? 0 : line[0] - '0';
  if (version < 2 || version > kFormatVersion || line.substr(1, 1) != "\t") return false;
  // The product is read as a GROUP record's field is.
  const auto product = ParseRecord(std::string("GROUP") + std::string(line.substr(1)));
  if (!product) return false;
  log.version = version;
  log.product = product->text;
  return true;
}

}  // namespace

std::string HeaderLine(const std::string& product) {
  // The product is written as a GROUP record's field is.
  const std::string group = FormatRecord(Record::Of(RecordKind::Group, product));
  return std::string(kFormatName) + ' ' + std::to_string(kFormatVersion) + group.substr(group.find('\t'));
}

std::string ProductOf(const LogContent& log) {
  return log.version == 1 ? GroupName(log.lines) : log.product;
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
      if (!ReadHeader(line, log)) return log;
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
  if (!file_.Open(path_)) return false;
  const std::optional<std::string> before = file_.ReadAll();
  if (!before) return false;
  std::string start;
  if (before->empty()) {
    start = HeaderLine(product_) + kLineEnd;
    version_ = kFormatVersion;
  } else {
    // Judged on what the very handle it appends through reads.
    const LogContent log = ReadLog(*before);
    if (log.status != LogContent::Status::kOk) return false;
    const std::string owner = ProductOf(log);
    if (!text::EqualsIgnoreCase(owner, product_) && !(log.version == 1 && owner.empty())) return false;
    earlier_ = log.lines;
    version_ = log.version;
    if (!file_.CutTo(WholeLinesLength(*before))) return false;
  }
  if (opening_) start += FormatRecord(*opening_) + kLineEnd;
  return file_.Append(start) && file_.Flush();
}

bool LogWriter::Open() {
  if (!failed_ && !file_.IsOpen() && !Start()) failed_ = true;
  return !failed_;
}

bool LogWriter::Append(const install_log::Record& record) {
  if (!Open()) return false;
  if (!file_.Append(FormatRecord(record) + kLineEnd)) failed_ = true;
  return !failed_;
}

bool LogWriter::Flush() {
  if (!failed_ && file_.IsOpen() && !file_.Flush()) failed_ = true;
  return !failed_;
}

bool LogWriter::Record(const install_log::Record& record) {
  return Append(record) && Flush();
}

}  // namespace yv::install_log
