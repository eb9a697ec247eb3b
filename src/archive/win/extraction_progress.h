// What the progress variant of the extraction needs from the installation progress
// page: its archive progress bar, its file label, message processing, and the answers
// to the faults, in boxes owned by the page unless the page answers otherwise.
#pragma once

#include <windows.h>

#include <string>

#include "archive/win/extraction_faults.h"
#include "ui/application.h"

namespace yv::archive {

class ExtractionProgress : public ExtractionFaults {
 public:
  virtual ~ExtractionProgress() = default;
  // The archive progress bar: its maximum is the archive's entry count; it is
  // stepped once per entry.
  virtual void SetArchiveMaximum(int entryCount) = 0;
  virtual void StepArchive() = 0;
  // The file label, set once per entry (GBK).
  virtual void SetFileLabel(const std::string& gbkText) = 0;
  // Services pending messages, so the page repaints and its Cancel button works.
  virtual void ProcessMessages() = 0;
  // The progress page: owns the message boxes of the extraction.
  virtual HWND Window() = 0;
  // Owns the "Can not Create file" box: the application's own top-level window.
  virtual HWND ApplicationWindow() { return ui::ApplicationWindow(); }
  // The fault boxes of the extraction, owned as above.
  bool Retry(const Fault& fault) override { return ShowFaultBox(fault, Window(), ApplicationWindow()); }
};

}  // namespace yv::archive
