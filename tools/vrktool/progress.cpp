#include "vrktool/progress.h"

#include <cstdio>
#include <string>

namespace yv::vrktool {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

std::string Megabytes(uint64_t bytes) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
  return text;
}

}  // namespace

bool ProgressShown(bool terminal, bool quiet) {
  return terminal && !quiet;
}

Progress::Progress(std::ostream& err, bool shown, uint64_t total)
    : target_(err.rdbuf()), shown_(shown), total_(total) {}

Progress::~Progress() {
  Finish();
}

void Progress::Finish() {
  const std::lock_guard<std::mutex> hold(lock_);
  ClearLocked();
}

void Progress::Report(std::ostream& stream, const std::string& text) {
  const std::lock_guard<std::mutex> hold(lock_);
  ClearLocked();
  stream << text;
  stream.flush();
}

void Progress::Add(uint64_t bytes) {
  Update(bytes, true);
}

void Progress::Set(uint64_t done) {
  Update(done, false);
}

void Progress::Update(uint64_t value, bool add) {
  if (!shown_) return;
  const std::lock_guard<std::mutex> hold(lock_);
  done_ = add ? done_ + value : value;
  const Clock::time_point now = Clock::now();
  if (now - lastDraw_ >= kRedrawInterval) DrawLocked(now);
}

bool Progress::Due() const {
  return shown_ && Clock::now() - lastDraw_ >= kRedrawInterval;
}

void Progress::DrawLocked(Clock::time_point now) {
  lastDraw_ = now;
  const double seconds = std::chrono::duration<double>(now - start_).count();
  const uint64_t done = done_ < total_ ? done_ : total_;
  std::string line = Megabytes(done) + " of " + Megabytes(total_);
  if (seconds >= 0.5 && done > 0) {
    const double rate = static_cast<double>(done) / seconds;
    const auto left = static_cast<unsigned long>(static_cast<double>(total_ - done) / rate + 0.5);
    char text[64];
    std::snprintf(text, sizeof text, ", %.1f MB/s, %lu:%02lu left", rate / 1e6, left / 60, left % 60);
    line += text;
  }
  if (line.size() < drawnWidth_) line.append(drawnWidth_ - line.size(), ' ');
  line.insert(line.begin(), '\r');
  target_->sputn(line.data(), static_cast<std::streamsize>(line.size()));
  target_->pubsync();
  line.erase(line.begin());
  drawnWidth_ = line.size();
}

void Progress::ClearLocked() {
  if (!shown_ || drawnWidth_ == 0) return;
  const std::string blank = '\r' + std::string(drawnWidth_, ' ') + '\r';
  target_->sputn(blank.data(), static_cast<std::streamsize>(blank.size()));
  drawnWidth_ = 0;
}

Progress::ClearingBuffer::int_type Progress::ClearingBuffer::overflow(int_type c) {
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  const char ch = traits_type::to_char_type(c);
  return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
}

std::streamsize Progress::ClearingBuffer::xsputn(const char* s, std::streamsize n) {
  owner_.Finish();
  return owner_.target_->sputn(s, n);
}

int Progress::ClearingBuffer::sync() {
  return owner_.target_->pubsync();
}

}  // namespace yv::vrktool
