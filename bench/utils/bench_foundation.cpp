// The foundation's moving parts: the main-thread queue, the log writer and the gzip compressor.
#include "gzip/filecompressor.h"
#include "utils/messagecenter.h"
#include "utils/threadedlogger.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string readShared(const char* name) {
  std::ifstream in(std::string(QM_SHARED_DATA_DIR) + "/" + name, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

void count(void* counter) {
  ++*static_cast<long*>(counter);
}

// Calls queued by state.range(0) worker threads, drained on this thread.
void BM_MessageCenterPostAndDrain(benchmark::State& state) {
  MessageCenter& center = MessageCenter::instance();
  const int workers = int(state.range(0));
  constexpr int perWorker = 10000;
  long delivered = 0;
  for (auto _ : state) {
    std::vector<std::thread> threads;
    for (int w = 0; w < workers; ++w)
      threads.emplace_back([&] {
        for (int i = 0; i < perWorker; ++i)
          center.addMessage(&delivered, &count);
      });
    for (auto& t : threads)
      t.join();
    center.processMessages();
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * workers * perWorker);
}
BENCHMARK(BM_MessageCenterPostAndDrain)->Arg(1)->Arg(4)->UseRealTime();

// 100-byte entries from state.range(0) threads into an unlinked file, until the writer has written them all.
void BM_ThreadedLoggerEntries(benchmark::State& state) {
  const int threads = int(state.range(0));
  constexpr int perThread = 5000;
  const std::string entry(99, 'x');
  const std::string path =
      std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/qm-bench.log";
  for (auto _ : state) {
    ThreadedLogger logger;
    logger.setLogFile(Text(path.c_str()), true);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t)
      workers.emplace_back([&] {
        for (int i = 0; i < perThread; ++i)
          logger((entry + "\n").c_str());
      });
    for (auto& w : workers)
      w.join();
    logger.shutdown();
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * threads * perThread);
  state.SetBytesProcessed(int64_t(state.iterations()) * threads * perThread * 100);
}
BENCHMARK(BM_ThreadedLoggerEntries)->Arg(1)->Arg(4)->UseRealTime();

// The real text as a log attachment would be: one deflate pass into a gzip member.
void BM_FileCompressorCorpus(benchmark::State& state) {
  const std::string text = readShared("corpus/pku_test.utf8");
  size_t compressed = 0;
  for (auto _ : state) {
    OwnedBuffer input(text.size());
    std::memcpy(input.data, text.data(), text.size());
    FileCompressor compressor("pku_test.utf8", std::move(input));
    if (!compressor.compress()) state.SkipWithError("compress failed");
    compressed = compressor.size();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
  state.counters["ratio"] = double(compressed) / double(text.size());
}
BENCHMARK(BM_FileCompressorCorpus)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
