// The default colour reduction (216-colour cube, nearest colour) side by side in one run:
//   Direct:  ReduceBitmapColors, which takes its direct road for this pair
//   Objects: the same reduction through the matcher and ditherer objects and a BMP in memory
//   Bare:    the index arithmetic alone, rows into one plain buffer (what any encoder pays)
// The source is already 24-bit, as SaveBitmap hands it over.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "bench/support/Corpus.h"
#include "colorreduce/ReduceBitmapColors.h"

namespace {

void SetPixels(benchmark::State& state, const gfx::TBitmap& bitmap) {
  state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(bitmap.Width()) * bitmap.Height());
}

void BM_Reduce_Direct(benchmark::State& state, std::string name) {
  auto bitmap = benchsupport::CorpusCopy(name);
  for (auto _ : state) {
    auto result = colorreduce::ReduceBitmapColors(*bitmap, colorreduce::rdNetscape, colorreduce::dkNearest, 8, nullptr);
    benchmark::DoNotOptimize(result->Bits());
  }
  SetPixels(state, *bitmap);
}

void BM_Reduce_Objects(benchmark::State& state, std::string name) {
  auto bitmap = benchsupport::CorpusCopy(name);
  for (auto _ : state) {
    auto result =
        colorreduce::ReduceBitmapColorsGeneral(*bitmap, colorreduce::rdNetscape, colorreduce::dkNearest, 8, nullptr);
    benchmark::DoNotOptimize(result->Bits());
  }
  SetPixels(state, *bitmap);
}

void BM_Reduce_Bare(benchmark::State& state, std::string name) {
  auto bitmap = benchsupport::CorpusCopy(name);
  const gfx::TBitmap& source = *bitmap;
  for (auto _ : state) {
    std::vector<std::uint8_t> indices(static_cast<std::size_t>(source.Width()) * source.Height());
    std::uint8_t* out = indices.data();
    for (int y = 0; y < source.Height(); ++y) {
      const std::uint8_t* p = source.ScanLine(y);
      for (int x = 0; x < source.Width(); ++x, p += 3)
        *out++ = static_cast<std::uint8_t>(36 * ((p[2] + 3) / 51) + 6 * ((p[1] + 3) / 51) + (p[0] + 3) / 51);
    }
    benchmark::DoNotOptimize(indices.data());
  }
  SetPixels(state, *bitmap);
}

const int registered = [] {
  for (const std::string& name : benchsupport::CorpusPictures()) {
    benchmark::RegisterBenchmark(("Reduce_Direct/" + name).c_str(), BM_Reduce_Direct, name)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Reduce_Objects/" + name).c_str(), BM_Reduce_Objects, name)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("Reduce_Bare/" + name).c_str(), BM_Reduce_Bare, name)->Unit(benchmark::kMillisecond);
  }
  return 0;
}();

}  // namespace

BENCHMARK_MAIN();
