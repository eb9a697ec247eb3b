// The progress line of the long commands: one line on standard error, redrawn in place
// ("12.0 MB of 600.0 MB, 25.3 MB/s, 0:23 left"), shown only when standard error is a
// terminal and --quiet was not given, so that scripts and logs stay clean.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <string>

namespace yv::vrktool {

class Progress {
 public:
  // Draws on `err` only when `shown`; `total` is the number of bytes the work covers.
  // `err` must outlive the progress.
  Progress(std::ostream& err, bool shown, uint64_t total);
  // Clears the line.
  ~Progress();
  Progress(const Progress&) = delete;
  Progress& operator=(const Progress&) = delete;

  // Counts `bytes` more done (from any thread); redraws at most ten times a second.
  void Add(uint64_t bytes);
  // Sets the bytes done, for work that knows its position rather than its steps.
  void Set(uint64_t done);
  bool Shown() const { return shown_; }
  // True when a redraw would be due, so that a caller can skip finding its position.
  bool Due() const;
  // Clears the line; the next Add or Set draws it again.
  void Finish();
  // Clears the line and writes `text` to `stream` before another thread may draw it again.
  void Report(std::ostream& stream, const std::string& text);
  // The stream for messages while the line may be shown: it clears the line before
  // each message, so that the message stands on a line of its own.
  std::ostream& Messages() { return messages_; }

 private:
  using Clock = std::chrono::steady_clock;
  class ClearingBuffer : public std::streambuf {
   public:
    explicit ClearingBuffer(Progress& owner) : owner_(owner) {}

   protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize n) override;
    int sync() override;

   private:
    Progress& owner_;
  };

  void Update(uint64_t value, bool add);
  void DrawLocked(Clock::time_point now);
  void ClearLocked();

  std::streambuf* const target_;
  const bool shown_;
  const uint64_t total_;
  uint64_t done_ = 0;
  std::mutex lock_;
  const Clock::time_point start_ = Clock::now();
  Clock::time_point lastDraw_{};
  std::size_t drawnWidth_ = 0;
  ClearingBuffer buffer_{*this};
  std::ostream messages_{&buffer_};
};

// Whether the line is shown: only on a terminal (as the entry point found standard
// error) and not after --quiet.
bool ProgressShown(bool terminal, bool quiet);

}  // namespace yv::vrktool
