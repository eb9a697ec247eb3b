// What can go wrong while an archive line is installed, as the extraction reports it,
// and the interface through which the page side shows it and answers the questions.
// The extraction decides nothing about boxes: a page, or a test, does.
#pragma once

#include <windows.h>

#include <string>

namespace yv::archive {

enum class FaultKind {
  // Told (OK box); the archive line fails.
  kContainerMissing,  // the container path does not exist
  kCannotOpen,        // the package archive cannot be opened
  kBadHeader,         // its header fails the check
  kNoMemory,          // no memory for an entry's data
  kContainerShort,    // the container ends early or holds a malformed or unsafe name
  kChecksum,          // a compressed entry did not decode to its checksum
  kCannotCreate,      // the new file cannot be created or written (a read-only target too)
  // Asked (Retry or Cancel).
  kReadError,    // the medium could not be read: Retry installs the archive line again
  kDiskFull,     // no space for the new file: Retry writes the entry again
  kTargetInUse,  // another program holds the file: Retry tries to replace it again
};

struct Fault {
  FaultKind kind;
  std::string path;         // the container (container faults) or the file to be replaced
  bool compressed = false;  // the entry's data is compressed (entry faults)
};

// A question's faults: kReadError, kDiskFull, kTargetInUse.
bool IsQuestion(FaultKind kind);

class ExtractionFaults {
 public:
  virtual ~ExtractionFaults() = default;
  // Shows the fault; for a question, true means Retry. Told faults return false.
  virtual bool Retry(const Fault& fault) = 0;
};

// The boxes of every fault: owned by `page`, apart from "Can not Create file", owned by
// `openFailureOwner`. The archive routines' own boxes are English with the caption
// "Warning"; the questions are Chinese with the caption "警告".
bool ShowFaultBox(const Fault& fault, HWND page, HWND openFailureOwner);

// Every box owned by one window: the quiet variant of the last page.
class FaultBoxes : public ExtractionFaults {
 public:
  explicit FaultBoxes(HWND owner) : owner_(owner) {}
  bool Retry(const Fault& fault) override { return ShowFaultBox(fault, owner_, owner_); }

 private:
  HWND owner_;
};

}  // namespace yv::archive
