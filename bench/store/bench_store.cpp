// The store's operations on files far larger than a user's handful of
// records: each should grow no worse than linearly with the record count.
// Import of the largest file should take a few seconds at most.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "transceiver_command.h"
#include "transceiver_store.h"

namespace kelvane {
namespace {

std::string NameOf(std::int64_t i) {
  std::string name = "R";
  name += std::to_string(i);
  return name;
}

class FileOfRecords {
 public:
  explicit FileOfRecords(std::int64_t count) {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/kelvane-bench-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) folder_ = pattern;
    for (std::int64_t i = 0; i < count; ++i) {
      trans r = DefaultRecords()[static_cast<std::size_t>(i % 2)];
      r.name = NameOf(i);
      SetDelayRowLabels(r);
      const RecordBytes bytes = EncodeRecord(r).value();
      content_.insert(content_.end(), bytes.begin(), bytes.end());
    }
    Restore();
  }
  ~FileOfRecords() {
    ::unlink(path().c_str());
    ::rmdir(folder_.c_str());
  }
  const std::string& folder() const { return folder_; }
  std::string path() const { return folder_ + "/DataTran.Dat"; }
  void Restore() const {
    std::ofstream out(path(), std::ios::binary | std::ios::trunc);
    out.write(content_.data(), static_cast<std::streamsize>(content_.size()));
  }

 private:
  std::string folder_;
  std::vector<char> content_;
};

void BM_FindRecordByNameLast(benchmark::State& state) {
  const FileOfRecords file(state.range(0));
  const TransceiverStore store(file.folder());
  const std::string last = NameOf(state.range(0) - 1);
  trans buffer;
  for (auto _ : state) {
    const StoreResult<bool> found = store.FindRecordByName(last, buffer);
    if (!found.ok() || !found.value()) state.SkipWithError("not found");
    benchmark::DoNotOptimize(buffer);
  }
  state.SetComplexityN(state.range(0));
}

void BM_ListRecordNames(benchmark::State& state) {
  const FileOfRecords file(state.range(0));
  const TransceiverStore store(file.folder());
  for (auto _ : state) {
    StoreResult<std::vector<std::string>> names = store.ListRecordNames();
    if (!names.ok()) state.SkipWithError("list failed");
    benchmark::DoNotOptimize(names);
  }
  state.SetComplexityN(state.range(0));
}

void BM_DeleteRecordAtZero(benchmark::State& state) {
  const FileOfRecords file(state.range(0));
  const TransceiverStore store(file.folder());
  for (auto _ : state) {
    if (!store.DeleteRecordAt(0).ok()) state.SkipWithError("delete failed");
    state.PauseTiming();
    file.Restore();
    state.ResumeTiming();
  }
  state.SetComplexityN(state.range(0));
}

void BM_AppendRecord(benchmark::State& state) {
  const FileOfRecords file(state.range(0));
  const TransceiverStore store(file.folder());
  trans added = DefaultRecords()[0];
  added.name = "ADDED";
  for (auto _ : state) {
    if (!store.AppendRecord(added).ok()) state.SkipWithError("append failed");
    state.PauseTiming();
    if (::truncate(file.path().c_str(), static_cast<off_t>(state.range(0) * kRecordSize)) != 0) {
      state.SkipWithError("truncate failed");
    }
    state.ResumeTiming();
  }
}

void BM_ReadRecordAtLast(benchmark::State& state) {
  const FileOfRecords file(state.range(0));
  const TransceiverStore store(file.folder());
  trans buffer;
  for (auto _ : state) {
    if (!store.ReadRecordAt(state.range(0) - 1, buffer).value()) state.SkipWithError("read failed");
    benchmark::DoNotOptimize(buffer);
  }
}

// kelvane-calc transceiver import of a CSV export of 150,000 records (close
// to the largest file), end to end: reading, the editor's rules, the write.
// Arg 0 imports into a file holding only the defaults, 1 onto one that holds
// them already (each record then keeps its bytes).
void BM_Import150000(benchmark::State& state) {
  constexpr std::int64_t kCount = 150000;
  const FileOfRecords file(0);
  const std::string csv = file.folder() + "/export.csv";
  {
    std::ofstream out(csv, std::ios::binary);
    out << "name,description,on_txd_min,on_txd_nom,on_txd_max,off_txd_min,off_txd_nom,"
           "off_txd_max,on_rxd_min,on_rxd_nom,on_rxd_max,off_rxd_min,off_rxd_nom,off_rxd_max\r\n";
    for (const trans& r : DefaultRecords()) {
      out << r.name << ",\"" << r.description << "\",0,0,50,0,40,80,0,55,120,0,90,190\r\n";
    }
    for (std::int64_t i = 0; i < kCount; ++i) {
      out << NameOf(i) << ",\"Record " << i << ", \"\"quoted\"\"\r\nsecond line\"";
      for (int k = 0; k < 12; ++k) out << ',' << (i + k) % 1000;
      out << "\r\n";
    }
  }
  const std::vector<std::string> import = {"kelvane-calc", "transceiver", "--data-file",
                                           file.path(),    "import",      csv};
  std::ostringstream out, errors;
  for (auto _ : state) {
    state.PauseTiming();
    ::unlink(file.path().c_str());
    if (state.range(0) == 1 && cli::RunTransceiverCommand(import, out, errors) != 0) {
      state.SkipWithError(errors.str().c_str());
    }
    state.ResumeTiming();
    if (cli::RunTransceiverCommand(import, out, errors) != 0)
      state.SkipWithError(errors.str().c_str());
  }
  ::unlink(csv.c_str());
}

constexpr std::int64_t kSmall = 1000;
constexpr std::int64_t kTarget = 10000;
constexpr std::int64_t kLarge = 40000;

BENCHMARK(BM_FindRecordByNameLast)->Arg(kSmall)->Arg(kTarget)->Arg(kLarge)->Complexity();
BENCHMARK(BM_ListRecordNames)->Arg(kSmall)->Arg(kTarget)->Arg(kLarge)->Complexity();
BENCHMARK(BM_DeleteRecordAtZero)->Arg(kSmall)->Arg(kTarget)->Arg(kLarge)->Complexity();
BENCHMARK(BM_AppendRecord)->Arg(kTarget);
BENCHMARK(BM_ReadRecordAtLast)->Arg(kTarget);
BENCHMARK(BM_Import150000)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace kelvane

BENCHMARK_MAIN();
