// The one interface through which the installation records its changes, each before the
// change is made. The process has at most one recorder; none means nothing is recorded
// (an installation without an uninstaller, and every test that does not ask for one).
#pragma once

#include "install_log/log_record.h"

namespace yv::install_log {

class ChangeRecorder {
 public:
  virtual ~ChangeRecorder() = default;
  // True when the record is on the disk.
  virtual bool Record(const install_log::Record& record) = 0;
  // Many records at once: each written before its change, all of them on the disk by the
  // next Flush (a killed process leaves what it wrote; only a power cut loses the rest).
  virtual bool Append(const install_log::Record& record) { return Record(record); }
  virtual bool Flush() { return true; }
};

// The process's recorder, or nullptr.
ChangeRecorder* CurrentRecorder();
// Installs `recorder` (nullptr: none) and returns the one it replaces.
ChangeRecorder* SetCurrentRecorder(ChangeRecorder* recorder);

}  // namespace yv::install_log
