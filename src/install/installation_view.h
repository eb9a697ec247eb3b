// What the installation run needs from the progress page: the page's controls as
// operations, the extraction's progress (archive bar, file label, message processing,
// owners of the boxes) and the two fields the run leaves on the page.
#pragma once

#include <string>

#include "archive/win/extraction_progress.h"

namespace yv::install {

class InstallationView : public archive::ExtractionProgress {
 public:
  // Memo1: the text file of the component being installed (GBK, line ends as read).
  virtual void ShowComponentText(const std::string& text) = 0;
  // Label1, beside "正在安装": the component's caption.
  virtual void ShowComponentCaption(const std::string& caption) = 0;
  // ProgressBar1, over the archive lines of one component: setting the maximum empties it.
  virtual void SetComponentMaximum(int lines) = 0;
  virtual void StepComponent() = 0;
  // The current action goes to the file label (StaticText1), SetFileLabel.

  // The run's flag: set at the start of the run, cleared by a failure or a confirmed
  // Cancel, never set again during the run; afterwards the run's result.
  bool InstallOk = false;
  // The uninstall command, once the uninstall entry has been composed.
  std::string UninstallCommand;
};

}  // namespace yv::install
