// What the progress variant of the extraction needs from the installation progress
// page: its archive progress bar, its file label, message processing, and the windows
// that own the message boxes.
#pragma once

#include <windows.h>

#include <string>

#include "ui/application.h"

namespace yv::archive {

class ExtractionProgress {
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
};

}  // namespace yv::archive
