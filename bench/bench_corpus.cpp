#include "bench_corpus.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <vector>

namespace yv::bench {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kCorpusSize = 4u << 20;

std::string ReadFile(const fs::path& path, std::size_t limit) {
  std::ifstream in(path, std::ios::binary);
  std::string bytes(limit, '\0');
  in.read(bytes.data(), static_cast<std::streamsize>(limit));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  return bytes;
}

// Licence texts, then the copyright files of the installed packages, in name order
// (symbolic links skipped, so no text comes twice), up to the corpus size.
std::string SystemText() {
  std::vector<fs::path> files;
  std::error_code ec;
  for (const auto& item : fs::directory_iterator("/usr/share/common-licenses", ec)) {
    if (item.is_regular_file(ec) && !item.is_symlink(ec)) files.push_back(item.path());
  }
  std::sort(files.begin(), files.end());
  std::vector<fs::path> copyrights;
  for (const auto& item : fs::directory_iterator("/usr/share/doc", ec)) {
    const fs::path copyright = item.path() / "copyright";
    if (fs::is_regular_file(copyright, ec) && !fs::is_symlink(copyright, ec)) copyrights.push_back(copyright);
  }
  std::sort(copyrights.begin(), copyrights.end());
  files.insert(files.end(), copyrights.begin(), copyrights.end());
  std::string text;
  for (const fs::path& file : files) {
    if (text.size() >= kCorpusSize) break;
    text += ReadFile(file, kCorpusSize - text.size());
  }
  return text;
}

// Words and punctuation with a skewed vocabulary, for systems without those files.
std::string GeneratedText() {
  std::mt19937 rng(11);
  std::vector<std::string> words;
  for (int i = 0; i < 3000; ++i) {
    std::string word;
    const int length = 2 + static_cast<int>(rng() % 9);
    for (int j = 0; j < length; ++j) word.push_back(static_cast<char>('a' + rng() % 26));
    words.push_back(word);
  }
  std::string text;
  while (text.size() < kCorpusSize) {
    // Squaring a uniform number favours the first words, as in real text.
    const double u = static_cast<double>(rng()) / static_cast<double>(std::mt19937::max());
    text += words[static_cast<std::size_t>(u * u * static_cast<double>(words.size() - 1))];
    text += rng() % 12 == 0 ? ".\n" : " ";
  }
  text.resize(kCorpusSize);
  return text;
}

// Instruction-like records with repeated structures and small numbers.
std::string GeneratedBinary() {
  std::minstd_rand rng(12);  // 32-bit results, no conversions
  std::string bytes;
  while (bytes.size() < kCorpusSize) {
    const auto kind = static_cast<unsigned>(rng() % 5);
    if (kind == 0) {
      bytes.append(rng() % 24, '\0');
    } else if (kind == 1 && bytes.size() > 64) {
      const std::size_t back = 1 + rng() % std::min<std::size_t>(bytes.size(), 4000);
      for (unsigned i = 0, n = 4 + static_cast<unsigned>(rng() % 20); i < n; ++i) bytes.push_back(bytes[bytes.size() - back]);
    } else {
      for (unsigned i = 0, n = 1 + static_cast<unsigned>(rng() % 6); i < n; ++i) bytes.push_back(static_cast<char>(rng() % (kind == 2 ? 16 : 256)));
    }
  }
  bytes.resize(kCorpusSize);
  return bytes;
}

Corpus MakeText() {
  Corpus corpus{"text", SystemText(), "/usr/share/common-licenses + /usr/share/doc/*/copyright"};
  if (corpus.content.size() < kCorpusSize / 2) corpus = Corpus{"text", GeneratedText(), "generated text"};
  return corpus;
}

Corpus MakeBinary() {
  for (const char* program : {"/usr/bin/cmake", "/usr/bin/ctest", "/usr/bin/gdb", "/usr/bin/perl"}) {
    std::string bytes = ReadFile(program, kCorpusSize);
    if (bytes.size() >= kCorpusSize / 2) return Corpus{"binary", std::move(bytes), program};
  }
  return Corpus{"binary", GeneratedBinary(), "generated program-like data"};
}

}  // namespace

const Corpus& TextCorpus() {
  static const Corpus corpus = MakeText();
  return corpus;
}

const Corpus& BinaryCorpus() {
  static const Corpus corpus = MakeBinary();
  return corpus;
}

}  // namespace yv::bench
