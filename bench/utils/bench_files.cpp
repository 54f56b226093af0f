// Paged and mapped reading of the shipped data and corpus: how fast a document is paged through the
// two-page window, forwards in the text view's small steps and at random; settings files parsed and saved,
// and the start-up sweep of the saves' leftover temporary files.
#include "utils/filesystem.h"
#include "utils/mappedfile.h"
#include "utils/memoryoutputstream.h"
#include "utils/pagedfile.h"
#include "utils/propertyfile.h"
#include "utils/propertygroup.h"

#include <fcntl.h>
#include <unistd.h>

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {
const std::string corpus = std::string(QM_SHARED_DATA_DIR) + "/corpus/pku_test.utf8";
const std::string dictionary = std::string(QM_RESOURCES_DIR) + "/data/cedict_ts.u8";
} // namespace

static void BM_PagedFileForward(benchmark::State& state) {
  PagedFile file(corpus.c_str());
  const size_t step = size_t(state.range(0));
  std::vector<char> buffer(step);
  for (auto _ : state) {
    size_t sum = 0;
    for (size_t offset = 0; offset < file.totalBytes(); offset += step)
      sum += file.read(buffer.data(), offset, step);
    benchmark::DoNotOptimize(sum);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.totalBytes()));
}
BENCHMARK(BM_PagedFileForward)->Arg(80)->Arg(1024)->Arg(16384);

static void BM_PagedFileRandom(benchmark::State& state) {
  PagedFile file(corpus.c_str());
  std::mt19937 random(1);
  std::vector<size_t> offsets(4096);
  for (auto& o : offsets)
    o = random() % file.totalBytes();
  char buffer[256];
  size_t i = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(file.read(buffer, offsets[i++ % offsets.size()], sizeof buffer));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(sizeof buffer));
}
BENCHMARK(BM_PagedFileRandom);

static void BM_MappedFileOpenDictionary(benchmark::State& state) {
  size_t bytes = 0;
  for (auto _ : state) {
    MappedFile<unsigned char> file(dictionary.c_str());
    bytes = file.size();
    benchmark::DoNotOptimize(file.data()[bytes - 1]);
  }
  state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_MappedFileOpenDictionary);

// A settings file of the size the program keeps: a few groups of some dozens of keys.
static std::string settingsText() {
  PropertyFile file;
  for (int g = 0; g < 8; ++g)
    for (int k = 0; k < 40; ++k)
      file.group(g ? ("group" + std::to_string(g)).c_str() : nullptr)
          ->setValue(("some.setting" + std::to_string(k)).c_str(), "a value of moderate length, 42");
  MemoryOutputStream out;
  file.writeToStream(out);
  return std::string(out.view());
}

static void BM_PropertyFileParse(benchmark::State& state) {
  const std::string text = settingsText();
  for (auto _ : state) {
    PropertyFile file(Utf8Range(text.data(), text.size()));
    benchmark::DoNotOptimize(file.group(nullptr)->size());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_PropertyFileParse);

// A whole save: temporary file, write, fsync, rename, folder sync.
static void BM_PropertyFileSave(benchmark::State& state) {
  const std::string text = settingsText();
  PropertyFile file(Utf8Range(text.data(), text.size()));
  char folder[] = "/tmp/qmbench-XXXXXX";
  if (!mkdtemp(folder)) return;
  const std::string target = std::string(folder) + "/config";
  for (auto _ : state)
    benchmark::DoNotOptimize(file.writeToFile(target.c_str()));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
  unlink(target.c_str());
  rmdir(folder);
}
BENCHMARK(BM_PropertyFileSave)->Unit(benchmark::kMicrosecond);

// The start-up sweep of one folder of the program's saves, in its usual state: nothing to remove among
// state.range(0) files, one in ten a running save's temporary file.
static void BM_RemoveLeftoverTempFiles(benchmark::State& state) {
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/qmbench-XXXXXX";
  if (!mkdtemp(folder.data())) return;
  std::vector<std::string> files;
  for (int64_t i = 0; i < state.range(0); ++i) {
    const std::string name = folder + "/list" + std::to_string(i);
    files.push_back(i % 10 ? name : FileSystem::siblingTempFilename(name.c_str()).c_str());
    close(open(files.back().c_str(), O_CREAT | O_WRONLY, 0644));
  }
  for (auto _ : state)
    benchmark::DoNotOptimize(FileSystem::removeLeftoverTempFiles(folder.c_str()));
  for (std::string const& file : files)
    unlink(file.c_str());
  rmdir(folder.c_str());
}
BENCHMARK(BM_RemoveLeftoverTempFiles)->Arg(10)->Arg(1000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
