// Micro-benchmarks of the core: the work behind Update, Load, Save and the SysEx text box.
#include <benchmark/benchmark.h>

#include <string>

#include "presets/PresetFile.h"
#include "settings/FilterSettings.h"
#include "settings/SettingsDump.h"
#include "settings/SysExPatternText.h"

namespace {

void BM_BuildSettingsDump(benchmark::State& state) {
    const corvane::FilterSettings settings = corvane::defaultSettings();
    for (auto _ : state) {
        benchmark::DoNotOptimize(corvane::BuildSettingsDump(settings));
    }
}
BENCHMARK(BM_BuildSettingsDump);

void BM_ReadPreset(benchmark::State& state) {
    const std::string text = corvane::writePresetText(corvane::defaultSettings());
    for (auto _ : state) {
        benchmark::DoNotOptimize(corvane::readPresetText(text));
    }
}
BENCHMARK(BM_ReadPreset);

void BM_WritePreset(benchmark::State& state) {
    const corvane::FilterSettings settings = corvane::defaultSettings();
    for (auto _ : state) {
        benchmark::DoNotOptimize(corvane::writePresetText(settings));
    }
}
BENCHMARK(BM_WritePreset);

void BM_ParsePatternText(benchmark::State& state) {
    const std::string text = " 65, 0, 66, 18, 64, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11,";
    for (auto _ : state) {
        benchmark::DoNotOptimize(corvane::parseSysExPatternText(text));
    }
}
BENCHMARK(BM_ParsePatternText);

}  // namespace

BENCHMARK_MAIN();
