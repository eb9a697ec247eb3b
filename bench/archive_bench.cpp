// Throughput of Explode against zlib's inflate and libdeflate's whole-buffer inflate on
// the same content, and the implode
// encoder's speed and output size against zlib level 9 and against storing, all in one
// run. Ratios are printed as counters and, at the end, as a short summary.
#include <benchmark/benchmark.h>
#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "archive/crc32.h"
#include "archive/explode.h"
#include "archive/implode.h"
#include "archive/implode_parallel.h"
#include "bench_corpus.h"
#include "greedy_reference.h"

namespace {

using yv::archive::ImplodeLiteralMode;
using yv::bench::Corpus;

// Everything measured about one corpus is prepared once, outside the timed loops.
struct Prepared {
  const Corpus* corpus = nullptr;
  std::string implodeBinary;  // binary literals, 4096-byte dictionary (the tool's default)
  std::string implodeAscii;   // ASCII literals, 4096-byte dictionary
  std::string zlib9;          // zlib format (Adler-32 checked on inflate)
  std::string deflate9;       // raw deflate (no checksum), the fair match for bare Explode
  std::string greedyBinary;   // a greedy parse of the same format: the reference for sizes
  std::string greedyAscii;
};

std::string ExplodeToString(const std::string& stream, std::size_t size);

std::string ZlibCompress(const std::string& content, int windowBits) {
  z_stream z{};
  if (deflateInit2(&z, 9, Z_DEFLATED, windowBits, 9, Z_DEFAULT_STRATEGY) != Z_OK) {
    throw std::runtime_error("deflateInit2");
  }
  std::string out(deflateBound(&z, static_cast<uLong>(content.size())), '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
  z.avail_in = static_cast<uInt>(content.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  if (deflate(&z, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

const Prepared& Prepare(const Corpus& corpus) {
  static std::map<std::string, std::unique_ptr<Prepared>> cache;
  auto& slot = cache[corpus.name];
  if (!slot) {
    slot = std::make_unique<Prepared>();
    slot->corpus = &corpus;
    slot->implodeBinary = yv::archive::Implode(corpus.content, ImplodeLiteralMode::kBinary, 4096);
    slot->implodeAscii = yv::archive::Implode(corpus.content, ImplodeLiteralMode::kAscii, 4096);
    slot->zlib9 = ZlibCompress(corpus.content, 15);
    slot->deflate9 = ZlibCompress(corpus.content, -15);
    slot->greedyBinary = yv::bench::GreedyImplode(corpus.content, ImplodeLiteralMode::kBinary, 4096);
    slot->greedyAscii = yv::bench::GreedyImplode(corpus.content, ImplodeLiteralMode::kAscii, 4096);
    for (const std::string* stream :
         {&slot->implodeBinary, &slot->implodeAscii, &slot->greedyBinary, &slot->greedyAscii}) {
      if (ExplodeToString(*stream, corpus.content.size()) != corpus.content) {
        throw std::runtime_error("a stream of " + corpus.name + " does not decode to its content");
      }
    }
  }
  return *slot;
}

// The checksum each output block is run through: none, the way Crc32Update takes on
// this machine, or the 16-byte folds that the 32-bit programs take on any processor.
using ChecksumPath = uint32_t (*)(const void* data, std::size_t size, uint32_t crc);

// Explode's callbacks over memory: input handed out in the requested chunks, output
// copied into a buffer as the installer's write callback would hand it on.
struct ExplodeIo {
  const std::string* input = nullptr;
  std::size_t inputPosition = 0;
  char* output = nullptr;
  std::size_t outputPosition = 0;
  ChecksumPath checksum = nullptr;
  uint32_t crc = 0;
};

unsigned ReadFromMemory(char* buf, unsigned* size, void* param) {
  auto& io = *static_cast<ExplodeIo*>(param);
  const std::size_t left = io.input->size() - io.inputPosition;
  const unsigned n = static_cast<unsigned>(std::min<std::size_t>(*size, left));
  std::memcpy(buf, io.input->data() + io.inputPosition, n);
  io.inputPosition += n;
  *size = n;
  return n;
}

void WriteToMemory(char* buf, unsigned* size, void* param) {
  auto& io = *static_cast<ExplodeIo*>(param);
  std::memcpy(io.output + io.outputPosition, buf, *size);
  io.outputPosition += *size;
  if (io.checksum) io.crc = io.checksum(buf, *size, io.crc);
}

std::string ExplodeToString(const std::string& stream, std::size_t size) {
  std::string output(size + yv::archive::kExplodeBlockSize, '\0');
  std::vector<char> workArea(yv::archive::kExplodeWorkAreaSize);
  ExplodeIo io{&stream, 0, output.data(), 0, nullptr, 0};
  yv::archive::Explode(ReadFromMemory, WriteToMemory, workArea.data(), &io);
  output.resize(io.outputPosition);
  return output;
}

void BM_Explode(benchmark::State& state, const Corpus* corpus, bool ascii, ChecksumPath checksum) {
  const Prepared& p = Prepare(*corpus);
  const std::string& stream = ascii ? p.implodeAscii : p.implodeBinary;
  std::string output(corpus->content.size() + yv::archive::kExplodeBlockSize, '\0');
  std::vector<char> workArea(yv::archive::kExplodeWorkAreaSize);
  for (auto _ : state) {
    std::fill(workArea.begin(), workArea.end(), '\0');  // the callers hand it over zero-filled
    ExplodeIo io{&stream, 0, output.data(), 0, checksum, 0};
    const unsigned result = yv::archive::Explode(ReadFromMemory, WriteToMemory, workArea.data(), &io);
    if (result != yv::archive::kExplodeOk || io.outputPosition != corpus->content.size()) {
      state.SkipWithError("Explode did not give the content back");
      break;
    }
    benchmark::DoNotOptimize(io.crc);
    benchmark::ClobberMemory();
  }
  if (std::memcmp(output.data(), corpus->content.data(), corpus->content.size()) != 0) {
    state.SkipWithError("Explode output differs");
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(corpus->content.size()));
}

void BM_Inflate(benchmark::State& state, const Corpus* corpus, bool zlibFormat) {
  const Prepared& p = Prepare(*corpus);
  const std::string& compressed = zlibFormat ? p.zlib9 : p.deflate9;
  std::string output(corpus->content.size(), '\0');
  for (auto _ : state) {
    z_stream z{};
    inflateInit2(&z, zlibFormat ? 15 : -15);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.data()));
    z.avail_in = static_cast<uInt>(compressed.size());
    z.next_out = reinterpret_cast<Bytef*>(output.data());
    z.avail_out = static_cast<uInt>(output.size());
    const int rc = inflate(&z, Z_FINISH);
    inflateEnd(&z);
    if (rc != Z_STREAM_END || z.total_out != corpus->content.size()) {
      state.SkipWithError("inflate failed");
      break;
    }
    benchmark::ClobberMemory();
  }
  if (output != corpus->content) state.SkipWithError("inflate output differs");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(corpus->content.size()));
}

// libdeflate decodes a whole raw deflate stream into a buffer of known size.
void BM_Libdeflate(benchmark::State& state, const Corpus* corpus) {
  const Prepared& p = Prepare(*corpus);
  std::string output(corpus->content.size(), '\0');
  libdeflate_decompressor* d = libdeflate_alloc_decompressor();
  for (auto _ : state) {
    std::size_t produced = 0;
    const libdeflate_result rc =
        libdeflate_deflate_decompress(d, p.deflate9.data(), p.deflate9.size(), output.data(), output.size(), &produced);
    if (rc != LIBDEFLATE_SUCCESS || produced != corpus->content.size()) {
      state.SkipWithError("libdeflate failed");
      break;
    }
    benchmark::ClobberMemory();
  }
  libdeflate_free_decompressor(d);
  if (output != corpus->content) state.SkipWithError("libdeflate output differs");
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(corpus->content.size()));
}

// `threads` 1 is the plain Implode; more share its segments out (ImplodeInParallel).
void BM_Implode(benchmark::State& state, const Corpus* corpus, ImplodeLiteralMode mode, unsigned threads) {
  const Prepared& p = Prepare(*corpus);
  std::size_t size = 0;
  for (auto _ : state) {
    const std::string stream = threads == 1 ? yv::archive::Implode(corpus->content, mode, 4096)
                                            : yv::archive::ImplodeInParallel(corpus->content, mode, 4096, threads);
    size = stream.size();
    benchmark::DoNotOptimize(stream.data());
  }
  const double content = static_cast<double>(corpus->content.size());
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(corpus->content.size()));
  state.counters["size"] = static_cast<double>(size);
  state.counters["vs_stored"] = static_cast<double>(size) / content;
  state.counters["vs_zlib9"] = static_cast<double>(size) / static_cast<double>(p.zlib9.size());
  const std::string& greedy = mode == ImplodeLiteralMode::kAscii ? p.greedyAscii : p.greedyBinary;
  state.counters["vs_greedy"] = static_cast<double>(size) / static_cast<double>(greedy.size());
}

void BM_Deflate9(benchmark::State& state, const Corpus* corpus) {
  std::size_t size = 0;
  for (auto _ : state) size = ZlibCompress(corpus->content, 15).size();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(corpus->content.size()));
  state.counters["size"] = static_cast<double>(size);
  state.counters["vs_stored"] = static_cast<double>(size) / static_cast<double>(corpus->content.size());
}

// The console report, keeping each benchmark's throughput for the summary: the median
// of its repetitions (--benchmark_repetitions), or its one run.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      auto it = run.counters.find("bytes_per_second");
      if (it == run.counters.end() || run.error_occurred) continue;
      // The registered name, without the "/repeats:N" that repetitions add. With
      // --benchmark_report_aggregates_only only the aggregates come: the median counts.
      if (run.run_type == Run::RT_Iteration) {
        samples_[run.run_name.function_name].push_back(it->second.value);
      } else if (run.aggregate_name == "median") {
        medians_[run.run_name.function_name] = it->second.value;
      }
    }
  }
  double Throughput(const std::string& name) const {
    if (auto median = medians_.find(name); median != medians_.end()) return median->second;
    auto it = samples_.find(name);
    if (it == samples_.end() || it->second.empty()) return 0.0;
    std::vector<double> values = it->second;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
  }

 private:
  std::map<std::string, std::vector<double>> samples_;
  std::map<std::string, double> medians_;
};

void PrintSummary(const SummaryReporter& reporter, const Corpus& corpus) {
  const Prepared& p = Prepare(corpus);
  const std::string& n = corpus.name;
  auto mbs = [&](const std::string& bench) { return reporter.Throughput(bench) / 1e6; };
  auto ratio = [&](const std::string& a, const std::string& b) {
    const double db = reporter.Throughput(b);
    return db > 0 ? reporter.Throughput(a) / db : 0.0;
  };
  const double size = static_cast<double>(corpus.content.size());
  std::printf(
      "summary %s (%zu bytes, %s):\n"
      "  explode %.0f MB/s (ascii %.0f MB/s) vs raw inflate %.0f MB/s: x%.2f (ascii x%.2f), vs libdeflate %.0f "
      "MB/s: x%.2f (ascii x%.2f)\n"
      "  explode+crc32 %.0f MB/s (x%.2f of explode alone) vs zlib inflate (adler32) %.0f MB/s: x%.2f\n"
      "  explode+crc32 by 16-byte folds %.0f MB/s (x%.2f of explode alone)\n"
      "  implode binary %zu bytes (%.1f%% of stored, x%.3f of zlib -9 %zu), ascii %zu bytes (%.1f%%, "
      "x%.3f); implode %.1f MB/s vs deflate -9 %.1f MB/s\n"
      "  implode / deflate -9 speed x%.2f, on two threads x%.2f (%.1f MB/s); size / greedy parse x%.3f binary, "
      "x%.3f ascii\n",
      n.c_str(), corpus.content.size(), corpus.origin.c_str(), mbs("explode/" + n + "/binary"),
      mbs("explode/" + n + "/ascii"), mbs("inflate/" + n + "/raw"),
      ratio("explode/" + n + "/binary", "inflate/" + n + "/raw"),
      ratio("explode/" + n + "/ascii", "inflate/" + n + "/raw"), mbs("libdeflate/" + n + "/raw"),
      ratio("explode/" + n + "/binary", "libdeflate/" + n + "/raw"),
      ratio("explode/" + n + "/ascii", "libdeflate/" + n + "/raw"), mbs("explode+crc32/" + n + "/binary"),
      ratio("explode+crc32/" + n + "/binary", "explode/" + n + "/binary"), mbs("inflate/" + n + "/zlib"),
      ratio("explode+crc32/" + n + "/binary", "inflate/" + n + "/zlib"), mbs("explode+crc32x16/" + n + "/binary"),
      ratio("explode+crc32x16/" + n + "/binary", "explode/" + n + "/binary"), p.implodeBinary.size(),
      100.0 * static_cast<double>(p.implodeBinary.size()) / size,
      static_cast<double>(p.implodeBinary.size()) / static_cast<double>(p.zlib9.size()), p.zlib9.size(),
      p.implodeAscii.size(), 100.0 * static_cast<double>(p.implodeAscii.size()) / size,
      static_cast<double>(p.implodeAscii.size()) / static_cast<double>(p.zlib9.size()), mbs("implode/" + n + "/binary"),
      mbs("deflate9/" + n), ratio("implode/" + n + "/binary", "deflate9/" + n),
      ratio("implode2/" + n + "/binary", "deflate9/" + n), mbs("implode2/" + n + "/binary"),
      static_cast<double>(p.implodeBinary.size()) / static_cast<double>(p.greedyBinary.size()),
      static_cast<double>(p.implodeAscii.size()) / static_cast<double>(p.greedyAscii.size()));
}

}  // namespace

int main(int argc, char** argv) {
  const Corpus* corpora[] = {&yv::bench::TextCorpus(), &yv::bench::BinaryCorpus()};
  for (const Corpus* c : corpora) {
    const std::string& n = c->name;
    benchmark::RegisterBenchmark(("explode/" + n + "/binary").c_str(), BM_Explode, c, false, nullptr);
    benchmark::RegisterBenchmark(("explode/" + n + "/ascii").c_str(), BM_Explode, c, true, nullptr);
    benchmark::RegisterBenchmark(("explode+crc32/" + n + "/binary").c_str(), BM_Explode, c, false,
                                 yv::archive::Crc32Update);
    if (yv::archive::crc32::CanFold()) {
      benchmark::RegisterBenchmark(("explode+crc32x16/" + n + "/binary").c_str(), BM_Explode, c, false,
                                   yv::archive::crc32::UpdateByFolding);
    }
    benchmark::RegisterBenchmark(("inflate/" + n + "/raw").c_str(), BM_Inflate, c, false);
    benchmark::RegisterBenchmark(("inflate/" + n + "/zlib").c_str(), BM_Inflate, c, true);
    benchmark::RegisterBenchmark(("libdeflate/" + n + "/raw").c_str(), BM_Libdeflate, c);
    // The encoders in wall time, their reference too: the two-thread one can only be
    // measured so, and each ratio compares like with like.
    benchmark::RegisterBenchmark(("implode/" + n + "/binary").c_str(), BM_Implode, c, ImplodeLiteralMode::kBinary, 1u)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("implode/" + n + "/ascii").c_str(), BM_Implode, c, ImplodeLiteralMode::kAscii, 1u)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("implode2/" + n + "/binary").c_str(), BM_Implode, c, ImplodeLiteralMode::kBinary, 2u)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("deflate9/" + n).c_str(), BM_Deflate9, c)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  for (const Corpus* c : corpora) PrintSummary(reporter, *c);
  benchmark::Shutdown();
  return 0;
}
