// The two corpora of the archive benchmarks: several MiB of text and of program code,
// taken from files every Debian system has, or generated when they are missing.
#pragma once

#include <string>

namespace yv::bench {

struct Corpus {
  std::string name;
  std::string content;
  std::string origin;  // where the bytes came from, for the report
};

const Corpus& TextCorpus();
const Corpus& BinaryCorpus();

}  // namespace yv::bench
