#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "archive/byte_order.h"
#include "archive/crc32.h"
#include "archive/explode.h"
#include "archive/package_format.h"
#include "entry_name_cases.h"
#include "hand_stream.h"

using namespace yv::archive;

namespace {

const unsigned char* U(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

std::string Header(uint8_t version, uint16_t count, uint8_t flags = 0,
                   std::string_view magic = std::string_view("MEVRAII\0", 8)) {
  std::string h(32, '\x5A');  // bytes that are not interpreted hold anything
  h.replace(0, 8, magic);
  h[8] = static_cast<char>(version);
  h[9] = static_cast<char>(flags);
  StoreLE16(reinterpret_cast<unsigned char*>(&h[10]), count);
  return h;
}

// A version 0-2 record: name in bytes 0-14, zero-terminated.
std::string ShortRecord(const std::string& name, uint8_t flag, uint32_t size, uint32_t checksum) {
  std::string r(32, '\x33');
  r.replace(0, 15, std::string(15, '\0'));
  r.replace(0, name.size(), name);
  r[15] = static_cast<char>(flag);
  auto* p = reinterpret_cast<unsigned char*>(r.data());
  StoreLE32(p + 20, size);
  StoreLE32(p + 24, checksum);
  return r;
}

// A version 3 record followed by its name.
std::string LongRecord(const std::string& name, uint64_t time, uint8_t flag, uint32_t size,
                       uint32_t checksum, int nameLength = -1) {
  std::string r(32, '\x33');
  auto* p = reinterpret_cast<unsigned char*>(r.data());
  StoreLE16(p, static_cast<uint16_t>(nameLength < 0 ? name.size() : static_cast<std::size_t>(nameLength)));
  StoreLE64(p + 2, time);
  r[15] = static_cast<char>(flag);
  StoreLE32(p + 20, size);
  StoreLE32(p + 24, checksum);
  return r + name;
}

struct Item {
  PackageEntry entry;
  std::string data;
};

// Reads a whole archive from memory: its items, and the fault it ended with.
std::vector<Item> ReadAll(const std::string& archive, PackageFault& fault) {
  MemoryByteSource source(archive);
  PackageReader reader(source);
  std::vector<Item> items;
  if (reader.ReadHeader()) {
    Item item;
    while (reader.NextEntry(item.entry)) {
      if (!reader.ReadData(item.data)) break;
      items.push_back(item);
    }
  }
  fault = reader.Fault();
  return items;
}

// The stream of "hello hello" in binary mode, and its checksum.
std::string HelloStream() {
  yv::testing::HandStream s(0, 6);
  for (char c : std::string("hello ")) s.Literal(static_cast<unsigned char>(c));
  s.Copy(5, 6);
  s.EndOfStream();
  return s.Bytes();
}

}  // namespace

TEST(PackageHeader, ChecksMagicVersionAndFlags) {
  auto h = ParsePackageHeader(U(Header(3, 513)));
  ASSERT_TRUE(h);
  EXPECT_EQ(h->formatVersion, 3);
  EXPECT_EQ(h->entryCount, 513);
  EXPECT_TRUE(ParsePackageHeader(U(Header(0, 0))));
  EXPECT_FALSE(ParsePackageHeader(U(Header(4, 1))));
  EXPECT_FALSE(ParsePackageHeader(U(Header(255, 1))));
  EXPECT_FALSE(ParsePackageHeader(U(Header(1, 1, 1))));
  EXPECT_FALSE(ParsePackageHeader(U(Header(1, 1, 0, std::string_view("mevraii\0", 8)))));
  // The zero byte after the letters belongs to the magic.
  EXPECT_FALSE(ParsePackageHeader(U(Header(1, 1, 0, "MEVRAIIX"))));
}

TEST(PackageHeader, PackedFileMagicIgnoresCaseAndChecksumSitsAtOffset31) {
  std::string h(64, '\0');
  h.replace(0, 7, "mEvRaIi");
  StoreLE32(reinterpret_cast<unsigned char*>(&h[31]), 0xCA6598D0u);
  EXPECT_TRUE(PackedFileMagicMatches(U(h)));
  EXPECT_EQ(PackedFileChecksum(U(h)), 0xCA6598D0u);
  h[3] = 'X';
  EXPECT_FALSE(PackedFileMagicMatches(U(h)));

  auto file = ParsePackedFile(std::string("MEVRAII") + std::string(57, '\0') + "stream");
  ASSERT_TRUE(file);
  EXPECT_EQ(file->stream, "stream");
  EXPECT_FALSE(ParsePackedFile(std::string("MEVRAII") + std::string(56, '\0')));  // 63 bytes
}

TEST(PackagePath, ArchiveKindComesFromThePathAlone) {
  EXPECT_TRUE(IsPackageArchivePath("D:\\setup\\data.vrk"));
  EXPECT_TRUE(IsPackageArchivePath("D:\\media.vrk\\drivers.bin"));  // in a folder name
  EXPECT_TRUE(IsPackageArchivePath("a.vrkx"));
  EXPECT_FALSE(IsPackageArchivePath("D:\\setup\\DATA.VRK"));
  EXPECT_FALSE(IsPackageArchivePath("D:\\setup\\data.vr"));
}

TEST(PackageEntryName, OneRuleForEveryName) {
  for (const auto& c : yv::test::kEntryNameCases) {
    EXPECT_EQ(CheckEntryName(c.name), c.verdict) << "'" << c.name << "'";
  }
  // Windows compares names without regard to ASCII letter case, double-byte characters
  // exactly (the lead byte B0 with the trail bytes 41 'A' and 61 'a' are two characters).
  EXPECT_EQ(EntryNameKeyHash("Bin/README.txt"), EntryNameKeyHash("bin\\readme.TXT"));
  EXPECT_NE(EntryNameKeyHash("\xB0\x41"), EntryNameKeyHash("\xB0\x61"));
  // A separator after a lone lead byte stays a separator: "\xD2/x" is a folder and a
  // file, "\xD2\\x" one file named with the character D2 5C.
  EXPECT_NE(EntryNameKeyHash("\xD2/x"), EntryNameKeyHash("\xD2\\x"));
  EXPECT_EQ(FolderKeyHashes("\xD2/x"), std::vector<uint64_t>{EntryNameKeyHash("\xD2")});
  EXPECT_TRUE(FolderKeyHashes("\xD2\\x").empty());
}

TEST(PackageReader, ReadsVersionsZeroToTwoAndThree) {
  const std::string hello = HelloStream();
  const uint32_t helloCrc = Crc32Update("hello hello", 11, 0);
  for (uint8_t version : {uint8_t{0}, uint8_t{1}, uint8_t{2}}) {
    const std::string archive = Header(version, 2) + ShortRecord("stored.txt", 0, 3, 0xBAD) + "abc" +
                                ShortRecord("fourteen_bytes", 1, static_cast<uint32_t>(hello.size()), helloCrc) +
                                hello + "trailing bytes are not read";
    PackageFault fault;
    auto items = ReadAll(archive, fault);
    EXPECT_EQ(fault, PackageFault::kNone);
    ASSERT_EQ(items.size(), 2u);
    EXPECT_EQ(items[0].entry.name, "stored.txt");
    EXPECT_FALSE(items[0].entry.IsCompressed());
    EXPECT_EQ(items[0].data, "abc");
    EXPECT_EQ(items[1].entry.name, "fourteen_bytes");
    EXPECT_EQ(items[1].entry.lastWriteTime, 0u);
    std::string content;
    EXPECT_TRUE(VerifyCompressedEntry(items[1].data, items[1].entry.contentChecksum, &content));
    EXPECT_EQ(content, "hello hello");
  }

  const uint64_t time = 0x01D2A3B4C5D6E7F8ull;
  const std::string archive = Header(3, 2) + LongRecord("sub\\\xD5\x5C.dat", time, 2, 4, 0) + "data" +
                              LongRecord(std::string("cut\0here", 8), 5, 0, 0, 0);
  PackageFault fault;
  auto items = ReadAll(archive, fault);
  EXPECT_EQ(fault, PackageFault::kNone);
  ASSERT_EQ(items.size(), 2u);
  EXPECT_EQ(items[0].entry.name, "sub\\\xD5\x5C.dat");
  EXPECT_EQ(items[0].entry.lastWriteTime, time);  // low 32 bits first
  EXPECT_EQ(items[0].entry.compressedFlag, 2);
  EXPECT_TRUE(items[0].entry.IsCompressed());
  EXPECT_EQ(items[0].data, "data");
  EXPECT_EQ(items[1].entry.name, "cut");  // the name ends at its first zero byte
  EXPECT_EQ(items[1].data, "");
}

TEST(PackageReader, EmptyArchiveAndRefusedHeaders) {
  PackageFault fault;
  EXPECT_TRUE(ReadAll(Header(2, 0), fault).empty());
  EXPECT_EQ(fault, PackageFault::kNone);
  // The header is refused as a whole before any entry is looked at.
  ReadAll(Header(4, 1) + ShortRecord("a", 0, 0, 0), fault);
  EXPECT_EQ(fault, PackageFault::kBadHeader);
  ReadAll(Header(1, 0).substr(0, 31), fault);
  EXPECT_EQ(fault, PackageFault::kBadHeader);
}

TEST(PackageReader, ContainersThatEndEarlyOrClaimTooMuchAreRefused) {
  PackageFault fault;
  // Fewer entries than the header counts.
  auto items = ReadAll(Header(1, 2) + ShortRecord("a", 0, 1, 0) + "x", fault);
  EXPECT_EQ(items.size(), 1u);
  EXPECT_EQ(fault, PackageFault::kTruncated);
  // A record cut short.
  ReadAll(Header(1, 1) + ShortRecord("a", 0, 1, 0).substr(0, 20), fault);
  EXPECT_EQ(fault, PackageFault::kTruncated);
  // Data running past the end: refused before anything is allocated or read.
  items = ReadAll(Header(1, 1) + ShortRecord("a", 0, 0xFFFFFFF0u, 0) + "xyz", fault);
  EXPECT_TRUE(items.empty());
  EXPECT_EQ(fault, PackageFault::kTruncated);
  ReadAll(Header(3, 1) + LongRecord("a", 0, 0, 4, 0) + "abc", fault);
  EXPECT_EQ(fault, PackageFault::kTruncated);
  // A name running past the end, and one longer than 511 bytes.
  ReadAll(Header(3, 1) + LongRecord("abc", 0, 0, 0, 0, 10), fault);
  EXPECT_EQ(fault, PackageFault::kTruncated);
  ReadAll(Header(3, 1) + LongRecord(std::string(512, 'n'), 0, 0, 0, 0), fault);
  EXPECT_EQ(fault, PackageFault::kBadName);
  // A short name without its terminating zero.
  std::string record = ShortRecord("", 0, 0, 0);
  record.replace(0, 15, "fifteen_chars_x");
  ReadAll(Header(0, 1) + record, fault);
  EXPECT_EQ(fault, PackageFault::kBadName);
}

TEST(PackageReader, UnsafeNamesStopTheReading) {
  PackageFault fault;
  auto items = ReadAll(Header(3, 2) + LongRecord("ok", 0, 0, 1, 0) + "1" +
                           LongRecord("..\\..\\evil.dll", 0, 0, 1, 0) + "2",
                       fault);
  EXPECT_EQ(items.size(), 1u);
  EXPECT_EQ(fault, PackageFault::kUnsafeName);
  ReadAll(Header(1, 1) + ShortRecord("C:\\x", 0, 0, 0), fault);
  EXPECT_EQ(fault, PackageFault::kUnsafeName);
}

TEST(PackageReader, ReadsFromAFile) {
  std::FILE* f = std::tmpfile();
  ASSERT_NE(f, nullptr);
  const std::string archive = Header(3, 1) + LongRecord("f", 7, 0, 5, 0) + "12345";
  std::fwrite(archive.data(), 1, archive.size(), f);
  std::rewind(f);
  StdioByteSource source(f);
  EXPECT_EQ(source.Remaining(), archive.size());
  PackageReader reader(source);
  PackageEntry entry;
  std::string data;
  ASSERT_TRUE(reader.ReadHeader());
  ASSERT_TRUE(reader.NextEntry(entry));
  ASSERT_TRUE(reader.ReadData(data));
  EXPECT_EQ(data, "12345");
  EXPECT_FALSE(reader.NextEntry(entry));
  EXPECT_EQ(reader.Fault(), PackageFault::kNone);
  std::fclose(f);
}

TEST(DecodeAcceptance, ABrokenStreamNeverPassesOnItsChecksumAlone) {
  // Zeros: a run of zero bytes has checksum 0, so a stream cut short still matches 0.
  yv::testing::HandStream s(0, 4);
  s.Literal(0);
  for (int i = 0; i < 20; ++i) s.Copy(518, 1);
  s.EndOfStream();
  std::string whole = s.Bytes();
  std::string content;
  EXPECT_TRUE(VerifyCompressedEntry(whole, 0, &content));
  EXPECT_EQ(content.size(), 1u + 20 * 518);
  const std::string cut = whole.substr(0, whole.size() / 2);
  MemoryDecode broken = DecodeToMemory(cut);
  EXPECT_EQ(broken.explodeResult, kExplodeBrokenStream);
  EXPECT_EQ(broken.checksum, 0u);  // matches, but must not pass
  EXPECT_FALSE(VerifyCompressedEntry(cut, 0));

  // The 4-byte stream of empty content passes with checksum 0, and only with it.
  const std::string empty("\x00\x06\x01\xFF", 4);
  EXPECT_TRUE(VerifyCompressedEntry(empty, 0));
  EXPECT_FALSE(VerifyCompressedEntry(empty, 1));
  // Invalid header bytes are no stream at all.
  EXPECT_FALSE(VerifyCompressedEntry(std::string("\x00\x07\x00\x00\x00", 5), 0));
  EXPECT_FALSE(VerifyCompressedEntry(std::string("\x03\x06\x00\x00\x00", 5), 0));
  // A wrong checksum fails, and the content is still handed back.
  EXPECT_FALSE(VerifyCompressedEntry(HelloStream(), 1234, &content));
  EXPECT_EQ(content, "hello hello");
}
