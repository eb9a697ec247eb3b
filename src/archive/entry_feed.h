// The entries of a package archive as the extraction takes them, in container order: each
// entry's record and name, then its stored data whole, then its content (the decoded bytes
// of a compressed entry, with the verdict of their checksum).
//
// Read ahead (ReadAhead), the reading and the decoding run on a thread of their own while
// the caller writes the files, so that they take none of the caller's time. The caller
// sees the same entries, data, blocks and faults in the same order either way: only when
// the work is done differs. A fault met ahead waits in line behind the entries before it,
// so it reaches the caller at the entry it belongs to.
//
// Memory between the two threads: at most kDecodedAhead bytes of decoded content waiting to
// be written (2 MiB) and kStoredAhead bytes of stored data read ahead (4 MiB), besides the
// entry the caller is at. An entry larger than that is read alone, as without the thread.
// Kept for reuse besides: one block of stored data and up to kDecodedAhead bytes of pieces.
// A new block costs a page fault for each of its pages (and Wine touches every page that a
// read fills), a reused one none.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "archive/package_format.h"
#include "archive/stream_decode.h"

namespace yv::archive {

class EntryFeed {
 public:
  static constexpr std::size_t kPieceSize = 256 * 1024;  // decoded bytes handed over at once
  static constexpr std::size_t kDecodedAhead = 2 * 1024 * 1024;
  static constexpr uint64_t kStoredAhead = 4 * 1024 * 1024;

  explicit EntryFeed(ByteSource& source) : reader_(source) {}
  ~EntryFeed();
  EntryFeed(const EntryFeed&) = delete;
  EntryFeed& operator=(const EntryFeed&) = delete;

  bool ReadHeader() { return reader_.ReadHeader() || Stop(reader_.Fault()); }
  const PackageHeader& Header() const { return reader_.Header(); }
  // After the header: the entries are read and decoded ahead on a thread of their own.
  // Without a thread to be had they are read as they are asked for.
  void ReadAhead();

  // The next entry's record and name; false after the last entry or on a fault (Fault()).
  bool NextEntry(PackageEntry& entry);
  // The entry's stored data, whole (Data(), storedSize bytes); false on a fault
  // (kOutOfMemory when no block could be had for it).
  bool ReadData();
  const unsigned char* Data() const { return block_.bytes.get(); }
  PackageFault Fault() const { return fault_; }
  // Hands the compressed entry's decoded content to `sink` from its first byte on. Called
  // again (after a full disk) it starts again from the first byte.
  StreamDecode Content(const BlockSink& sink);

 private:
  struct Block {
    std::unique_ptr<unsigned char[]> bytes;
    uint32_t capacity = 0;
  };
  struct Event {
    enum Kind { kEntry, kData, kPiece, kContentEnd, kEnd } kind;
    explicit Event(Kind k) : kind(k) {}
    PackageEntry entry;                        // kEntry
    Block block;                               // kData
    std::vector<char> piece;                   // kPiece
    StreamDecode decode;                       // kContentEnd
    PackageFault fault = PackageFault::kNone;  // kEnd: kNone after the last entry
  };

  // What the reading thread waits to have room for.
  struct Want {
    bool decoded;  // a piece, else stored data
    uint64_t bytes;
  };

  bool Stop(PackageFault fault);
  StreamDecode DecodeHere(const BlockSink& sink) const;
  // A block of at least `size` bytes, the spare one when it is large enough; no bytes
  // without memory.
  Block NewBlock(uint32_t size);
  void ReleaseBlock();
  // A piece to fill, of `first` bytes or a spare one of kPieceSize.
  std::vector<char> NewPiece(std::size_t first);
  void RecyclePiece(std::vector<char> piece);
  // The reading thread.
  void Work();
  bool Put(Event event);
  bool DecodeAhead(const unsigned char* block, uint32_t size);
  // The caller's side of the line.
  Event Take();
  // The line between them. Each side is woken only while it waits.
  bool HasRoom(const Want& want, bool half) const;
  bool WaitForRoom(std::unique_lock<std::mutex>& lock, const Want& want);  // false: stopping
  void WakeWorker(std::unique_lock<std::mutex>& lock);                     // unlocks
  void WakeCaller(std::unique_lock<std::mutex>& lock);                     // unlocks

  PackageReader reader_;
  // The caller's entry.
  PackageEntry current_;
  Block block_;
  bool contentTaken_ = false;  // its decoded pieces were handed on
  PackageFault fault_ = PackageFault::kNone;
  bool ended_ = false;

  // The line between the threads.
  bool ahead_ = false;
  std::mutex mutex_;
  std::condition_variable forCaller_;
  std::condition_variable forWorker_;
  bool callerWaits_ = false;
  bool workerWaits_ = false;
  Want wanted_{false, 0};
  std::deque<Event> line_;
  Block spareBlock_;
  std::vector<std::vector<char>> sparePieces_;
  std::size_t decodedWaiting_ = 0;  // bytes of the pieces in the line (their capacity)
  uint64_t storedHeld_ = 0;         // stored data read and not yet let go by the caller
  bool stopping_ = false;           // the caller is gone
  bool workDone_ = false;
  std::thread worker_;
};

}  // namespace yv::archive
