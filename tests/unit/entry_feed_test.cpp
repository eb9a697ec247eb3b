// The entry feed gives its caller the same entries, data, content and faults whether it
// reads ahead on a thread of its own or on the caller's thread, for whole and damaged
// archives, with entries smaller and larger than what the thread may hold ahead.
#include "archive/entry_feed.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "archive/crc32.h"
#include "archive/package_writer.h"

using namespace yv::archive;

namespace {

std::string Text(std::size_t size, unsigned seed) {
  std::string s;
  for (std::size_t i = 0; s.size() < size; ++i) s += "line " + std::to_string((i + seed) * 7919 % 1000) + " of text\n";
  s.resize(size);
  return s;
}

EncodedEntry Entry(const std::string& name, const std::string& content, bool compressed) {
  return EncodeEntry(name, 0, content, compressed ? EntryStorage::kCompress : EntryStorage::kStore, {});
}

std::string Hex(uint32_t v) {
  char buf[9];
  std::snprintf(buf, sizeof buf, "%08x", v);
  return buf;
}

// How the caller takes each compressed entry's content.
enum class Taking {
  kWhole,
  kRefusedOnceThenWhole,  // the first block refused (a full disk), then all from the start
  kEveryThirdLeft,        // every third compressed entry's content not asked for
};

// Everything the caller sees, in order, one line a step.
std::vector<std::string> Transcript(const std::string& archive, bool ahead, Taking taking) {
  MemoryByteSource source(archive);
  EntryFeed feed(source);
  if (!feed.ReadHeader()) return {"header fault " + std::to_string(static_cast<int>(feed.Fault()))};
  if (ahead) feed.ReadAhead();
  std::vector<std::string> lines;
  PackageEntry entry;
  for (int compressed = 0; feed.NextEntry(entry);) {
    lines.push_back("entry " + entry.name + " " + std::to_string(entry.storedSize));
    if (!feed.ReadData()) break;
    lines.push_back("data " + Hex(Crc32Update(feed.Data(), entry.storedSize, 0)));
    if (!entry.IsCompressed() || (taking == Taking::kEveryThirdLeft && ++compressed % 3 == 0)) continue;
    if (taking == Taking::kRefusedOnceThenWhole) {
      EXPECT_TRUE(feed.Content([](const char*, std::size_t) { return false; }).sinkFailed || entry.storedSize <= 4);
    }
    std::string content;
    const StreamDecode decode = feed.Content([&](const char* data, std::size_t size) {
      content.append(data, size);
      return true;
    });
    lines.push_back("content " + std::to_string(content.size()) + " " +
                    Hex(Crc32Update(content.data(), content.size(), 0)) +
                    (decode.Accepted(entry.contentChecksum) ? " accepted" : " refused"));
  }
  lines.push_back("end " + std::to_string(static_cast<int>(feed.Fault())));
  return lines;
}

}  // namespace

TEST(EntryFeed, ReadingAheadChangesNothingTheCallerSees) {
  // Stored data past the bound of what is held ahead, decoded content of several pieces,
  // empty content, and many small entries.
  std::vector<EncodedEntry> mixed = {Entry("a.txt", "stored", false),
                                     Entry("b.txt", Text(3000, 1), true),
                                     Entry("big.txt", Text(900000, 2), true),
                                     Entry("huge.bin", Text(EntryFeed::kStoredAhead + 1000, 3), false),
                                     Entry("three.bin", Text(3 << 20, 4), false),
                                     Entry("empty.txt", "", true)};
  for (int i = 0; i < 150; ++i) mixed.push_back(Entry("s" + std::to_string(i), Text(100 + i * 37, i), i % 5 != 0));
  mixed.push_back(Entry("last.txt", Text(300000, 5), true));
  const std::string whole = BuildPackageArchive(3, mixed);

  std::vector<EncodedEntry> damaged = {mixed[1], Entry("bad.txt", Text(5000, 6), true), mixed[2]};
  damaged[1].entry.contentChecksum ^= 1;
  std::vector<EncodedEntry> broken = damaged;
  broken[1] = Entry("broken.txt", Text(200000, 7), true);
  broken[1].data.resize(broken[1].data.size() / 2);
  broken[1].entry.storedSize = static_cast<uint32_t>(broken[1].data.size());
  std::string unsafe = BuildPackageArchive(3, {mixed[2], Entry("placeholder", "x", false), mixed[1]});
  unsafe.replace(unsafe.find("placeholder"), 11, "..\\escape.x");

  struct Case {
    const char* name;
    std::string archive;
    std::string last;  // the transcript's last line
  };
  const Case cases[] = {
      {"whole", whole, "end 0"},
      {"wrong checksum", BuildPackageArchive(3, damaged), "end 0"},
      {"stream cut short", BuildPackageArchive(3, broken), "end 0"},
      {"container cut inside the huge entry", whole.substr(0, whole.find("huge.bin") + 5000), "end 2"},
      {"unsafe name", unsafe, "end 4"},
  };
  for (const Case& c : cases) {
    for (const Taking taking : {Taking::kWhole, Taking::kRefusedOnceThenWhole, Taking::kEveryThirdLeft}) {
      SCOPED_TRACE(std::string(c.name) + " taking " + std::to_string(static_cast<int>(taking)));
      const std::vector<std::string> alone = Transcript(c.archive, false, taking);
      EXPECT_EQ(Transcript(c.archive, true, taking), alone);
      EXPECT_EQ(alone.back(), c.last);
    }
  }
  // The verdicts themselves: whole content where it is whole, and the damaged entry refused.
  const std::vector<std::string> good = Transcript(whole, true, Taking::kWhole);
  EXPECT_EQ(good[7], "content 900000 " + Hex(mixed[2].entry.contentChecksum) + " accepted");
  EXPECT_EQ(std::count_if(good.begin(), good.end(), [](const std::string& l) { return l.find(" refused") != l.npos; }),
            0);
  for (const auto* entries : {&damaged, &broken}) {
    const std::vector<std::string> bad = Transcript(BuildPackageArchive(3, *entries), true, Taking::kWhole);
    EXPECT_NE(bad[2].find(" accepted"), std::string::npos);
    EXPECT_NE(bad[5].find(" refused"), std::string::npos);
    EXPECT_NE(bad[8].find(" accepted"), std::string::npos);
  }
}
