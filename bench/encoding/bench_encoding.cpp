// Decoding legacy text: in memory, and file to file as documents are converted.
#include "encoding/encodingconverter.h"
#include "encoding/encodingdetector.h"
#include "encoding/fileconverter.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr size_t FILE_SIZE = 50u << 20;

std::string readFile(fs::path const& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The GB18030 test text repeated to 50 MB, written once into a folder of the benchmark's own.
struct LargeFile {
  LargeFile() {
    char pattern[] = "/tmp/qmbench-XXXXXX";
    folder = mkdtemp(pattern);
    const std::string pku = readFile(fs::path(QM_SHARED_DATA_DIR) / "corpus/pku_test.txt");
    std::ofstream out(folder / "large.txt", std::ios::binary);
    for (size_t n = 0; n < FILE_SIZE; n += pku.size())
      out << pku;
    setenv("XDG_DATA_HOME", (folder / "xdg").c_str(), 1);
  }
  ~LargeFile() {
    std::error_code ec;
    fs::remove_all(folder, ec);
  }
  fs::path folder;
};

LargeFile& largeFile() {
  static LargeFile file;
  return file;
}

void BM_DecodeGb18030InMemory(benchmark::State& state) {
  const std::string text = readFile(largeFile().folder / "large.txt");
  const EncodingConverter converter(EncodingDetector::Gb18030);
  for (auto _ : state) {
    NullOutputStream out;
    benchmark::DoNotOptimize(converter.convert(Span(text), out));
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_DecodeGb18030InMemory)->Unit(benchmark::kMillisecond);

// Big5 goes through a table of its own rather than iconv.
void BM_DecodeBig5InMemory(benchmark::State& state) {
  const std::string cityu = readFile(fs::path(QM_SHARED_DATA_DIR) / "corpus/cityu_test.txt");
  std::string text;
  while (text.size() < (8u << 20))
    text += cityu;
  const EncodingConverter converter(EncodingDetector::Big5);
  for (auto _ : state) {
    NullOutputStream out;
    benchmark::DoNotOptimize(converter.convert(Span(text), out));
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_DecodeBig5InMemory)->Unit(benchmark::kMillisecond);

void BM_ConvertGb18030File(benchmark::State& state) {
  const fs::path source = largeFile().folder / "large.txt";
  const auto bytes = int64_t(fs::file_size(source));
  for (auto _ : state) {
    FileConverter::Info info(0, EncodingDetector::Gb18030, nullptr, Text(source.c_str()));
    if (FileConverter::runWithInfo(info) != FileConverter::Converted)
      state.SkipWithError("conversion failed");
    state.PauseTiming();
    fs::remove(info.converted.c_str());
    state.ResumeTiming();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * bytes);
  FileConverter::cleanup();
}
BENCHMARK(BM_ConvertGb18030File)->Unit(benchmark::kMillisecond);

void BM_DetectEncoding(benchmark::State& state) {
  setenv("QUILLMERE_RESOURCES", QM_RESOURCES_DIR, 1);
  const EncodingDetector detector;
  const std::string path = (fs::path(QM_SHARED_DATA_DIR) / "corpus/cityu_test.txt").string();
  for (auto _ : state)
    benchmark::DoNotOptimize(detector.detect(path.c_str()));
}
BENCHMARK(BM_DetectEncoding);

} // namespace

BENCHMARK_MAIN();
