// Speed of one search pass over all 65536 combinations, the program's hot loop.

#include <benchmark/benchmark.h>

#include "search.h"

namespace kelvane {
namespace {

CalculationRequest Prepared(const char* baud, const RuleSet& rules, bool exactPass) {
  CalculationRequest request;
  request.oscillatorText = "16";
  request.baudText = baud;
  request.exactPass = exactPass;
  PrepareCalculation(request, rules, PropagationSettings());
  return request;
}

void RunPass(benchmark::State& state, const CalculationRequest& request) {
  int accepted = 0;
  SearchCallbacks callbacks;
  callbacks.accepted = [&accepted](const AcceptedPair& pair) { accepted += pair.btr0.size() > 0; };
  callbacks.progress = [](int position) { benchmark::DoNotOptimize(position); };
  callbacks.mayGoOn = [] { return true; };
  for (auto _ : state) {
    accepted = 0;
    benchmark::DoNotOptimize(RunSearch(request, callbacks));
  }
  state.counters["accepted"] = accepted;
  state.SetItemsProcessed(state.iterations() * kCombinationCount);
}

void BM_DefaultRulesExactPass(benchmark::State& state) {
  RunPass(state, Prepared("500", RuleSet(), true));
}
BENCHMARK(BM_DefaultRulesExactPass)->Unit(benchmark::kMicrosecond);

// Includes the one-off preparation of the exact comparison.
void BM_DefaultRulesExactPassWithPreparation(benchmark::State& state) {
  for (auto _ : state) {
    const CalculationRequest request = Prepared("500", RuleSet(), true);
    benchmark::DoNotOptimize(RunSearch(request, {}));
  }
}
BENCHMARK(BM_DefaultRulesExactPassWithPreparation)->Unit(benchmark::kMicrosecond);

void BM_EveryRuleOff(benchmark::State& state) {
  RunPass(state, Prepared("500", PresetRules(RulePreset::kDisableAll), true));
}
BENCHMARK(BM_EveryRuleOff)->Unit(benchmark::kMicrosecond);

void BM_OnePercentPass(benchmark::State& state) {
  RunPass(state, Prepared("500", RuleSet(), false));
}
BENCHMARK(BM_OnePercentPass)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace kelvane
