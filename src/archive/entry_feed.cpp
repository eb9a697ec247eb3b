#include "archive/entry_feed.h"

#include <algorithm>
#include <new>
#include <string_view>
#include <system_error>

#include "archive/explode.h"

namespace yv::archive {

namespace {

std::string_view Bytes(const unsigned char* block, uint32_t size) {
  return {reinterpret_cast<const char*>(block), size};
}

}  // namespace

EntryFeed::~EntryFeed() {
  if (!worker_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  forWorker_.notify_one();
  worker_.join();
}

bool EntryFeed::Stop(PackageFault fault) {
  fault_ = fault;
  ended_ = true;
  return false;
}

void EntryFeed::ReadAhead() {
  if (ahead_ || ended_) return;
  try {
    worker_ = std::thread([this] { Work(); });
    ahead_ = true;
  } catch (const std::system_error&) {
  }
}

// ---- The caller's side ---------------------------------------------------------------------

bool EntryFeed::NextEntry(PackageEntry& entry) {
  if (ended_) return false;
  contentTaken_ = false;
  if (!ahead_) {
    ReleaseBlock();
    if (!reader_.NextEntry(current_)) return Stop(reader_.Fault());
  } else {
    for (;;) {
      Event event = Take();
      // What was not taken of the entry before goes. Its block goes only now: the thread
      // decodes from it until it moves on to this entry.
      if (event.kind == Event::kData) block_ = std::move(event.block);
      if (event.kind != Event::kEntry && event.kind != Event::kEnd) continue;
      ReleaseBlock();
      if (event.kind == Event::kEnd) return Stop(event.fault);
      current_ = std::move(event.entry);
      break;
    }
  }
  entry = current_;
  return true;
}

bool EntryFeed::ReadData() {
  if (ended_) return false;
  if (ahead_) {
    Event event = Take();
    if (event.kind != Event::kData) return Stop(event.kind == Event::kEnd ? event.fault : PackageFault::kOutOfOrder);
    block_ = std::move(event.block);
    return true;
  }
  block_ = NewBlock(current_.storedSize);
  if (!block_.bytes) return Stop(PackageFault::kOutOfMemory);
  return reader_.ReadData(block_.bytes.get()) || Stop(reader_.Fault());
}

StreamDecode EntryFeed::Content(const BlockSink& sink) {
  // Once its pieces were handed on (the first time), the entry is decoded here again.
  if (!ahead_ || contentTaken_ || !current_.IsCompressed()) return DecodeHere(sink);
  contentTaken_ = true;
  for (;;) {
    Event event = Take();
    if (event.kind == Event::kContentEnd) return event.decode;
    StreamDecode cut;
    if (event.kind == Event::kPiece) {
      if (sink(event.piece.data(), event.piece.size())) {
        RecyclePiece(std::move(event.piece));
        continue;
      }
      cut.sinkFailed = true;
    } else {
      // The thread ended inside the entry: it had no memory for it.
      Stop(event.kind == Event::kEnd ? event.fault : PackageFault::kOutOfOrder);
      cut.outOfMemory = true;
    }
    return cut;
  }
}

StreamDecode EntryFeed::DecodeHere(const BlockSink& sink) const {
  return DecodeStream(MemoryPull(Bytes(block_.bytes.get(), current_.storedSize)), sink);
}

EntryFeed::Block EntryFeed::NewBlock(uint32_t size) {
  Block block;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (spareBlock_.bytes && spareBlock_.capacity >= size) std::swap(block, spareBlock_);
  }
  if (!block.bytes) {
    block.capacity = std::max<uint32_t>(size, 1);
    block.bytes.reset(new (std::nothrow) unsigned char[block.capacity]);
  }
  return block;
}

void EntryFeed::ReleaseBlock() {
  if (!block_.bytes) return;
  std::unique_lock<std::mutex> lock(mutex_);
  // The larger of the two is kept for a later entry.
  if (!spareBlock_.bytes || spareBlock_.capacity < block_.capacity) std::swap(block_, spareBlock_);
  block_ = {};
  if (!ahead_) return;
  storedHeld_ -= current_.storedSize;
  WakeWorker(lock);
}

std::vector<char> EntryFeed::NewPiece(std::size_t first) {
  std::vector<char> piece;
  if (first >= kPieceSize / 2) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!sparePieces_.empty()) {
      piece = std::move(sparePieces_.back());
      sparePieces_.pop_back();
      return piece;
    }
  }
  piece.reserve(first);
  return piece;
}

void EntryFeed::RecyclePiece(std::vector<char> piece) {
  if (piece.capacity() != kPieceSize) return;
  piece.clear();
  std::lock_guard<std::mutex> lock(mutex_);
  if (sparePieces_.size() < kDecodedAhead / kPieceSize) sparePieces_.push_back(std::move(piece));
}

EntryFeed::Event EntryFeed::Take() {
  std::unique_lock<std::mutex> lock(mutex_);
  if (line_.empty() && !workDone_) {
    callerWaits_ = true;
    forCaller_.wait(lock, [this] { return !line_.empty() || workDone_; });
    callerWaits_ = false;
  }
  if (line_.empty()) {
    // The thread stopped without its last word: memory ran out on the way.
    Event event{Event::kEnd};
    event.fault = PackageFault::kOutOfMemory;
    return event;
  }
  Event event = std::move(line_.front());
  line_.pop_front();
  if (event.kind == Event::kPiece) {
    decodedWaiting_ -= event.piece.capacity();
    WakeWorker(lock);
  }
  return event;
}

bool EntryFeed::HasRoom(const Want& want, bool half) const {
  const uint64_t held = want.decoded ? decodedWaiting_ : storedHeld_;
  const uint64_t bound = (want.decoded ? kDecodedAhead : kStoredAhead) / (half ? 2 : 1);
  return held == 0 || held + want.bytes <= bound;
}

void EntryFeed::WakeWorker(std::unique_lock<std::mutex>& lock) {
  const bool wake = workerWaits_ && HasRoom(wanted_, true);
  lock.unlock();
  if (wake) forWorker_.notify_one();
}

// ---- The reading thread -----------------------------------------------------------------------

void EntryFeed::Work() {
  try {
    for (;;) {
      Event entry{Event::kEntry};
      if (!reader_.NextEntry(entry.entry)) {
        Event end{Event::kEnd};
        end.fault = reader_.Fault();
        Put(std::move(end));
        break;
      }
      const uint32_t size = entry.entry.storedSize;
      const bool compressed = entry.entry.IsCompressed();
      if (!Put(std::move(entry))) break;
      {
        // Read ahead while the stored data held stays within the bound, or alone.
        std::unique_lock<std::mutex> lock(mutex_);
        if (!WaitForRoom(lock, {false, size})) break;
        storedHeld_ += size;
      }
      Event data{Event::kData};
      data.block = NewBlock(size);
      if (!data.block.bytes || !reader_.ReadData(data.block.bytes.get())) {
        Event end{Event::kEnd};
        end.fault = data.block.bytes ? reader_.Fault() : PackageFault::kOutOfMemory;
        Put(std::move(end));
        break;
      }
      // The caller owns the block from here on, and lets it go only once this thread has
      // moved on to the next entry.
      const unsigned char* block = data.block.bytes.get();
      if (!Put(std::move(data))) break;
      if (compressed && !DecodeAhead(block, size)) break;
    }
  } catch (const std::bad_alloc&) {
    // Take tells the caller.
  }
  std::unique_lock<std::mutex> lock(mutex_);
  workDone_ = true;
  WakeCaller(lock);
}

bool EntryFeed::WaitForRoom(std::unique_lock<std::mutex>& lock, const Want& want) {
  if (!stopping_ && !HasRoom(want, false)) {
    if (callerWaits_) forCaller_.notify_one();
    // Woken once half the line is free, not for every piece taken.
    wanted_ = want;
    workerWaits_ = true;
    forWorker_.wait(lock, [&] { return stopping_ || HasRoom(want, true); });
    workerWaits_ = false;
  }
  return !stopping_;
}

void EntryFeed::WakeCaller(std::unique_lock<std::mutex>& lock) {
  const bool wake = callerWaits_;
  lock.unlock();
  if (wake) forCaller_.notify_one();
}

bool EntryFeed::Put(Event event) {
  std::unique_lock<std::mutex> lock(mutex_);
  if (event.kind == Event::kPiece) {
    if (!WaitForRoom(lock, {true, event.piece.capacity()})) return false;
    decodedWaiting_ += event.piece.capacity();
  }
  if (stopping_) return false;
  const bool piece = event.kind == Event::kPiece;
  line_.push_back(std::move(event));
  // For pieces the caller is woken once half the line is full (or the entry ends): a
  // large entry then wakes it a few times, not for every piece.
  if (piece && decodedWaiting_ < kDecodedAhead / 2) return true;
  WakeCaller(lock);
  return true;
}

// Decodes one entry into pieces of up to kPieceSize bytes; false when the caller is gone.
bool EntryFeed::DecodeAhead(const unsigned char* block, uint32_t size) {
  Event piece{Event::kPiece};
  bool gone = false;
  bool noMemory = false;
  const auto handOn = [&] {
    if (piece.piece.empty()) return true;
    gone = !Put(std::move(piece));
    piece = Event{Event::kPiece};
    return !gone;
  };
  StreamDecode decode = DecodeStream(MemoryPull(Bytes(block, size)), [&](const char* data, std::size_t n) {
    std::vector<char>& bytes = piece.piece;
    try {
      while (n > 0) {
        if (bytes.size() == bytes.capacity()) {
          if (bytes.capacity() >= kPieceSize && !handOn()) return false;
          // A small entry gets a small piece: it grows to kPieceSize as the content does.
          if (bytes.capacity() == 0) {
            bytes = NewPiece(std::min<std::size_t>(kPieceSize, 2 * std::size_t{size} + kExplodeBlockSize));
          } else {
            bytes.reserve(std::min(kPieceSize, 2 * bytes.capacity()));
          }
        }
        const std::size_t take = std::min(n, bytes.capacity() - bytes.size());
        bytes.insert(bytes.end(), data, data + take);
        data += take;
        n -= take;
      }
      return true;
    } catch (const std::bad_alloc&) {
      noMemory = true;
      return false;
    }
  });
  if (gone || !handOn()) return false;
  if (noMemory) {
    decode.sinkFailed = false;
    decode.outOfMemory = true;
  }
  Event end{Event::kContentEnd};
  end.decode = decode;
  return Put(std::move(end));
}

}  // namespace yv::archive
