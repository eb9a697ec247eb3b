// The one interface through which the installation records its changes, each before the
// change is made. It is handed down to whatever makes a change (the change layer of the
// run, winsys/change_layer.h); there is no process-wide recorder.
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
  // False when records go nowhere (no log and no run): the earlier state need not be read.
  virtual bool Keeps() const { return true; }
  // Whether a file may be recorded as written in its place (FILE HERE): not in a log that
  // an earlier version began, so that the uninstaller it came with can still read it.
  virtual bool TakesFilesInPlace() const { return true; }
};

}  // namespace yv::install_log
