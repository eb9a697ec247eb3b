#include "install_log/removal_plan.h"

#include <algorithm>
#include <map>
#include <set>

#include "text/gbk.h"

namespace yv::install_log {

namespace {

bool IsChange(RecordKind kind) {
  return kind == RecordKind::File || kind == RecordKind::Dir || kind == RecordKind::Link || kind == RecordKind::Key ||
         kind == RecordKind::Value;
}

// Names are compared as the system compares them: ASCII letters without case. A file,
// a folder and a shortcut of one path are one thing on the disk.
std::string Identity(const Record& r) {
  std::string id;
  if (r.kind == RecordKind::Key || r.kind == RecordKind::Value) {
    id = std::string(r.kind == RecordKind::Key ? "K" : "V") + (r.view == View::k64 ? "64" : "32") + '\t';
  } else {
    id = "F\t";
  }
  id += text::ToUpperAscii(r.text);
  if (r.kind == RecordKind::Value) id += '\t' + text::ToUpperAscii(r.valueName);
  return id;
}

// The lines of runs that were undone (BEGIN ... ABORT ... END): nothing of them stayed.
std::set<std::size_t> UndoneLines(const std::vector<LogLine>& lines) {
  std::set<std::size_t> undone;
  std::vector<std::size_t> run;
  bool aborted = false;
  for (const LogLine& line : lines) {
    const RecordKind kind = line.record.kind;
    if (kind == RecordKind::Begin) {
      run.clear();
      aborted = false;
    }
    run.push_back(line.number);
    if (kind == RecordKind::Abort) aborted = true;
    if (kind == RecordKind::End) {
      if (aborted) undone.insert(run.begin(), run.end());
      run.clear();
      aborted = false;
    }
  }
  return undone;
}

}  // namespace

std::vector<LogLine> PlanRemoval(const std::vector<LogLine>& lines) {
  std::map<std::string, LogLine> first;
  std::map<std::size_t, std::string> identityOfLine;
  const std::set<std::size_t> undone = UndoneLines(lines);
  for (const LogLine& line : lines) {
    if (undone.count(line.number)) continue;
    if (line.record.kind == RecordKind::Done) {
      const auto id = identityOfLine.find(line.record.doneLine);
      if (id == identityOfLine.end()) continue;
      const auto active = first.find(id->second);
      if (active != first.end() && active->second.number == line.record.doneLine) first.erase(active);
      continue;
    }
    if (!IsChange(line.record.kind)) continue;
    const std::string id = Identity(line.record);
    identityOfLine[line.number] = id;
    first.emplace(id, line);
  }
  std::vector<LogLine> plan;
  for (auto& entry : first) plan.push_back(entry.second);
  std::sort(plan.begin(), plan.end(), [](const LogLine& a, const LogLine& b) { return a.number > b.number; });
  return plan;
}

std::string GroupName(const std::vector<LogLine>& lines) {
  for (const LogLine& line : lines) {
    if (line.record.kind == RecordKind::Group) return line.record.text;
  }
  return {};
}

}  // namespace yv::install_log
