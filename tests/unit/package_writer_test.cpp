#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/byte_order.h"
#include "archive/crc32.h"
#include "archive/package_format.h"
#include "archive/package_writer.h"

using namespace yv::archive;

namespace {

const unsigned char* Bytes(const std::string& s) {
  return reinterpret_cast<const unsigned char*>(s.data());
}

std::string Repeated(const std::string& piece, std::size_t times) {
  std::string out;
  for (std::size_t i = 0; i < times; ++i) out += piece;
  return out;
}

struct SourceFile {
  std::string name;
  std::string content;
  uint64_t lastWriteTime;
  EntryStorage storage;
};

std::vector<SourceFile> SampleFiles() {
  return {
      {"readme.txt", Repeated("Install the receiver card first. ", 300), 0x01D9'1234'5678'9ABCull,
       EntryStorage::kCompress},
      {"empty.dat", "", 0x0000'0001'0000'0002ull, EntryStorage::kCompress},
      {"raw.bin", std::string("\x00\x01\x02\xFF", 4), 7, EntryStorage::kStore},
      {"\xD6\xD0\xCE\xC4.ini", "[info]\r\nName=x\r\n", 42, EntryStorage::kSmallerOfBoth},
  };
}

// Writes the sample files as an archive of `version` and reads it back with the reader.
void ExpectArchiveRoundTrip(uint8_t version, std::vector<SourceFile> files) {
  std::vector<EncodedEntry> encoded;
  for (const SourceFile& f : files) {
    encoded.push_back(EncodeEntry(f.name, f.lastWriteTime, f.content, f.storage, ImplodeSettings{}));
  }
  const std::string archive = BuildPackageArchive(version, encoded);

  MemoryByteSource source(archive);
  PackageReader reader(source);
  ASSERT_TRUE(reader.ReadHeader()) << reader.FaultText();
  EXPECT_EQ(reader.Header().formatVersion, version);
  EXPECT_EQ(reader.Header().entryCount, files.size());
  for (const SourceFile& f : files) {
    SCOPED_TRACE(f.name);
    PackageEntry entry;
    ASSERT_TRUE(reader.NextEntry(entry)) << reader.FaultText();
    std::string data;
    ASSERT_TRUE(reader.ReadData(data)) << reader.FaultText();
    EXPECT_EQ(entry.name, f.name);
    EXPECT_EQ(entry.lastWriteTime, version == 3 ? f.lastWriteTime : 0u);
    EXPECT_EQ(entry.contentChecksum, Crc32Update(f.content.data(), f.content.size(), 0));
    EXPECT_EQ(entry.storedSize, data.size());
    if (entry.IsCompressed()) {
      std::string content;
      EXPECT_TRUE(VerifyCompressedEntry(data, entry.contentChecksum, &content));
      EXPECT_EQ(content, f.content);
    } else {
      EXPECT_EQ(data, f.content);
    }
  }
  PackageEntry beyond;
  EXPECT_FALSE(reader.NextEntry(beyond));
  EXPECT_EQ(reader.Fault(), PackageFault::kNone);
}

TEST(PackageWriter, EveryFormatVersionReadsBack) {
  for (uint8_t version = 0; version <= 3; ++version) {
    SCOPED_TRACE(static_cast<int>(version));
    ExpectArchiveRoundTrip(version, SampleFiles());
  }
  ExpectArchiveRoundTrip(3, {});
}

TEST(PackageWriter, HeaderAndRecordLayout) {
  const EncodedEntry entry = EncodeEntry("a\\b.txt", 0x0102'0304'0506'0708ull, "hello hello hello",
                                         EntryStorage::kCompress, ImplodeSettings{});
  const std::string v3 = BuildPackageArchive(3, {entry});
  ASSERT_EQ(v3.size(), 32u + 32u + 7u + entry.data.size());
  EXPECT_EQ(v3.substr(0, 8), std::string("MEVRAII\0", 8));
  EXPECT_EQ(v3[8], 3);
  EXPECT_EQ(v3[9], 0);
  EXPECT_EQ(LoadLE16(Bytes(v3) + 10), 1u);
  EXPECT_EQ(v3.substr(12, 20), std::string(20, '\0'));

  const unsigned char* record = Bytes(v3) + 32;
  EXPECT_EQ(LoadLE16(record), 7u);
  EXPECT_EQ(LoadLE32(record + 2), 0x0506'0708u);  // FILETIME low half first
  EXPECT_EQ(LoadLE32(record + 6), 0x0102'0304u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(record) + 10, 5), std::string(5, '\0'));
  EXPECT_EQ(record[15], 1);
  EXPECT_EQ(LoadLE32(record + 16), 0u);
  EXPECT_EQ(LoadLE32(record + 20), entry.data.size());
  EXPECT_EQ(LoadLE32(record + 24), Crc32Update("hello hello hello", 17, 0));
  EXPECT_EQ(LoadLE32(record + 28), 0u);
  EXPECT_EQ(v3.substr(64, 7), "a\\b.txt");
  EXPECT_EQ(v3.substr(71), entry.data);

  // Versions 0-2: the name fills the record's first 15 bytes, zero-terminated.
  const EncodedEntry longest = EncodeEntry("abcdefghijklmn", 99, "x", EntryStorage::kStore, {});
  const std::string v1 = BuildPackageArchive(1, {longest});
  ASSERT_EQ(v1.size(), 32u + 32u + 1u);
  EXPECT_EQ(v1.substr(32, 15), std::string("abcdefghijklmn\0", 15));
  EXPECT_EQ(v1[32 + 15], 0);  // stored
  EXPECT_EQ(v1.back(), 'x');
}

TEST(PackageWriter, EntryNameRules) {
  EXPECT_EQ(EntryNameProblem(std::string(14, 'a'), 0), "");
  EXPECT_NE(EntryNameProblem(std::string(15, 'a'), 0), "");
  EXPECT_NE(EntryNameProblem(std::string(15, 'a'), 2), "");
  EXPECT_EQ(EntryNameProblem(std::string(15, 'a'), 3), "");
  EXPECT_EQ(EntryNameProblem(std::string(511, 'a'), 3), "");
  EXPECT_NE(EntryNameProblem(std::string(512, 'a'), 3), "");
  EXPECT_NE(EntryNameProblem("", 3), "");
  EXPECT_NE(EntryNameProblem(std::string("a\0b", 3), 3), "");
  EXPECT_NE(EntryNameProblem("..\\evil.exe", 3), "");
  EXPECT_NE(EntryNameProblem("\\windows\\x.dll", 3), "");
  EXPECT_NE(EntryNameProblem("c:x.dll", 3), "");
  // A GBK character whose trail byte is '\' ("誠", D5 5C) is not a separator.
  EXPECT_EQ(EntryNameProblem("dir\\\xD5\x5C.txt", 3), "");
}

TEST(PackageWriter, StorageChoice) {
  std::string noise;
  uint32_t x = 12345;
  for (int i = 0; i < 5000; ++i) {
    x = x * 1103515245u + 12345u;
    noise.push_back(static_cast<char>(x >> 23));
  }
  const EncodedEntry incompressible = EncodeEntry("n", 0, noise, EntryStorage::kSmallerOfBoth, {});
  EXPECT_FALSE(incompressible.entry.IsCompressed());
  EXPECT_EQ(incompressible.data, noise);
  EXPECT_EQ(incompressible.entry.contentChecksum, Crc32Update(noise.data(), noise.size(), 0));

  const std::string text = Repeated("abcabcabd ", 500);
  const EncodedEntry smaller = EncodeEntry("t", 0, text, EntryStorage::kSmallerOfBoth, {});
  EXPECT_TRUE(smaller.entry.IsCompressed());
  EXPECT_LT(smaller.data.size(), text.size() / 10);

  const EncodedEntry forced = EncodeEntry("n", 0, noise, EntryStorage::kCompress, {});
  EXPECT_TRUE(forced.entry.IsCompressed());
  EXPECT_TRUE(VerifyCompressedEntry(forced.data, forced.entry.contentChecksum));

  // Empty content compressed is the 4-byte stream, accepted with checksum 0.
  const EncodedEntry empty = EncodeEntry("e", 0, "", EntryStorage::kCompress, {});
  EXPECT_EQ(empty.data.size(), 4u);
  EXPECT_EQ(empty.entry.contentChecksum, 0u);
  EXPECT_TRUE(VerifyCompressedEntry(empty.data, 0));
}

TEST(PackedFileWriter, HeaderChecksumAndStream) {
  const std::string content = Repeated("packed file content\r\n", 1000);
  for (auto mode : {ImplodeLiteralMode::kBinary, ImplodeLiteralMode::kAscii}) {
    const std::string packed = BuildPackedFile(content, ImplodeSettings{mode, 2048});
    ASSERT_GT(packed.size(), 64u);
    EXPECT_EQ(packed.substr(0, 7), "MEVRAII");
    EXPECT_EQ(packed.substr(7, 24), std::string(24, '\0'));
    EXPECT_EQ(LoadLE32(Bytes(packed) + 31), Crc32Update(content.data(), content.size(), 0));
    EXPECT_EQ(packed.substr(35, 29), std::string(29, '\0'));
    EXPECT_EQ(packed[64], static_cast<char>(mode));
    EXPECT_EQ(packed[65], 5);

    const auto view = ParsePackedFile(packed);
    ASSERT_TRUE(view.has_value());
    const MemoryDecode decoded = DecodeToMemory(view->stream);
    EXPECT_TRUE(DecodeAccepted(decoded.explodeResult, decoded.checksum, view->contentChecksum, view->stream));
    EXPECT_EQ(decoded.content, content);
  }
}

}  // namespace
