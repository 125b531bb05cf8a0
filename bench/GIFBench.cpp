// GIF output against giflib, side by side in one run on the corpus screenshots:
//   Save:  SaveBitmapToStream(.gif) into memory  vs  the 216-colour indices computed from
//          the 24-bit rows plus giflib (EGifPutLine) writing the same frame into memory;
//   LZW:   our code stream with its sub-blocks (TLZWEncoder on the frame's indices)  vs
//          giflib encoding the same indices (screen and image descriptors, lines, close).
// "Cold" makes every buffer afresh, as a hotkey press does; "Warm" reuses output buffers.
// Before timing, each picture is checked: giflib decodes our file to the indices giflib was fed.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/SaveBitmap.h"
#include "bench/support/Corpus.h"
#include "gfx/Stream.h"
#include "gif/LZWEncoder.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// 36 r' + 6 g' + b' with v' = (v + 3) div 51, by table: the cheapest way to the indices.
struct CubeShares {
  std::array<std::uint8_t, 256> red{}, green{}, blue{};
  CubeShares() {
    for (int v = 0; v < 256; ++v) {
      red[v] = static_cast<std::uint8_t>(36 * ((v + 3) / 51));
      green[v] = static_cast<std::uint8_t>(6 * ((v + 3) / 51));
      blue[v] = static_cast<std::uint8_t>((v + 3) / 51);
    }
  }
};
const CubeShares shares;

void CubeIndices(const gfx::TBitmap& bitmap, std::uint8_t* out) {
  const int width = bitmap.Width();
  for (int y = 0; y < bitmap.Height(); ++y, out += width) {
    const std::uint8_t* bgr = bitmap.ScanLine(y);
    for (int x = 0; x < width; ++x, bgr += 3)
      out[x] = static_cast<std::uint8_t>(shares.red[bgr[2]] + shares.green[bgr[1]] + shares.blue[bgr[0]]);
  }
}

// ---- giflib into memory ----

int AppendOutput(GifFileType* gif, const GifByteType* data, int count) {
  auto* out = static_cast<Bytes*>(gif->UserData);
  out->insert(out->end(), data, data + count);
  return count;
}

void GiflibEncode(const std::uint8_t* indices, int width, int height, Bytes& out) {
  GifColorType colours[256] = {};
  for (int i = 0; i < 216; ++i)
    colours[i] = {static_cast<GifByteType>(51 * (i / 36)), static_cast<GifByteType>(51 * (i / 6 % 6)),
                  static_cast<GifByteType>(51 * (i % 6))};
  int error = 0;
  GifFileType* gif = EGifOpen(&out, AppendOutput, &error);
  ColorMapObject* map = GifMakeMapObject(256, colours);
  if (gif == nullptr || map == nullptr || EGifPutScreenDesc(gif, width, height, 8, 0, nullptr) != GIF_OK ||
      EGifPutImageDesc(gif, 0, 0, width, height, false, map) != GIF_OK)
    std::abort();
  for (int y = 0; y < height; ++y)
    if (EGifPutLine(gif, const_cast<GifPixelType*>(indices + std::size_t(y) * width), width) != GIF_OK) std::abort();
  if (EGifCloseFile(gif, &error) != GIF_OK) std::abort();
  GifFreeMapObject(map);
}

// ---- our side ----

void OurSave(gfx::TBitmap& bitmap, gfx::TMemoryStream& stream) {
  app::SaveBitmapToStream(bitmap, app::TSaveFormat::sfGIF, stream);
}

void OurLZW(const std::uint8_t* indices, int width, int height, gfx::TMemoryStream& stream) {
  gif::TLZWEncoder encoder;
  encoder.Encode(stream, 8, width, height, false, indices, 256);
}

// Our file must decode (with giflib) to the indices giflib itself was given.
int Decodes(GifFileType* gif, GifByteType* buffer, int count) {
  auto* source = static_cast<std::pair<const Bytes*, std::size_t>*>(gif->UserData);
  const std::size_t n = std::min<std::size_t>(count, source->first->size() - source->second);
  std::memcpy(buffer, source->first->data() + source->second, n);
  source->second += n;
  return static_cast<int>(n);
}

void CheckOutput(const std::string& name) {
  auto bitmap = benchsupport::CorpusCopy(name);
  Bytes indices(std::size_t(bitmap->Width()) * bitmap->Height());
  CubeIndices(*bitmap, indices.data());
  gfx::TMemoryStream stream;
  OurSave(*bitmap, stream);
  const Bytes file(stream.Bytes().begin(), stream.Bytes().end());
  std::pair<const Bytes*, std::size_t> source{&file, 0};
  int error = 0;
  GifFileType* gif = DGifOpen(&source, Decodes, &error);
  if (gif == nullptr || DGifSlurp(gif) != GIF_OK || gif->ImageCount != 1 ||
      std::memcmp(gif->SavedImages[0].RasterBits, indices.data(), indices.size()) != 0) {
    std::fprintf(stderr, "%s: our GIF does not decode to the expected indices\n", name.c_str());
    std::abort();
  }
  DGifCloseFile(gif, &error);
}

// ---- benchmarks ----

void SetCounters(benchmark::State& state, const gfx::TBitmap& bitmap, std::size_t outputBytes) {
  state.counters["MPix/s"] = benchmark::Counter(static_cast<double>(bitmap.Width()) * bitmap.Height() * 1e-6,
                                                benchmark::Counter::kIsIterationInvariantRate);
  state.counters["out_KiB"] = static_cast<double>(outputBytes) / 1024.0;
}

void BM_Save_Ours_Cold(benchmark::State& state, std::string name) {
  auto bitmap = benchsupport::CorpusCopy(name);
  std::size_t size = 0;
  for (auto _ : state) {
    gfx::TMemoryStream stream;
    OurSave(*bitmap, stream);
    size = stream.Bytes().size();
  }
  SetCounters(state, *bitmap, size);
}

void BM_Save_Ours_Warm(benchmark::State& state, std::string name) {
  auto bitmap = benchsupport::CorpusCopy(name);
  gfx::TMemoryStream stream;
  for (auto _ : state) {
    stream.Rewind();
    OurSave(*bitmap, stream);
  }
  SetCounters(state, *bitmap, stream.Bytes().size());
}

void BM_Save_Giflib_Cold(benchmark::State& state, std::string name) {
  auto bitmap = benchsupport::CorpusCopy(name);
  std::size_t size = 0;
  for (auto _ : state) {
    Bytes indices(std::size_t(bitmap->Width()) * bitmap->Height());
    CubeIndices(*bitmap, indices.data());
    Bytes out;
    GiflibEncode(indices.data(), bitmap->Width(), bitmap->Height(), out);
    size = out.size();
  }
  SetCounters(state, *bitmap, size);
}

void BM_Save_Giflib_Warm(benchmark::State& state, std::string name) {
  auto bitmap = benchsupport::CorpusCopy(name);
  Bytes indices(std::size_t(bitmap->Width()) * bitmap->Height());
  Bytes out;
  for (auto _ : state) {
    CubeIndices(*bitmap, indices.data());
    out.clear();
    GiflibEncode(indices.data(), bitmap->Width(), bitmap->Height(), out);
  }
  SetCounters(state, *bitmap, out.size());
}

void BM_LZW_Ours_Cold(benchmark::State& state, std::string name) {
  auto bitmap = benchsupport::CorpusCopy(name);
  Bytes indices(std::size_t(bitmap->Width()) * bitmap->Height());
  CubeIndices(*bitmap, indices.data());
  std::size_t size = 0;
  for (auto _ : state) {
    gfx::TMemoryStream stream;
    OurLZW(indices.data(), bitmap->Width(), bitmap->Height(), stream);
    size = stream.Bytes().size();
  }
  SetCounters(state, *bitmap, size);
}

void BM_LZW_Ours_Warm(benchmark::State& state, std::string name) {
  auto bitmap = benchsupport::CorpusCopy(name);
  Bytes indices(std::size_t(bitmap->Width()) * bitmap->Height());
  CubeIndices(*bitmap, indices.data());
  gfx::TMemoryStream stream;
  for (auto _ : state) {
    stream.Rewind();
    OurLZW(indices.data(), bitmap->Width(), bitmap->Height(), stream);
  }
  SetCounters(state, *bitmap, stream.Bytes().size());
}

void BM_LZW_Giflib_Cold(benchmark::State& state, std::string name) {
  auto bitmap = benchsupport::CorpusCopy(name);
  Bytes indices(std::size_t(bitmap->Width()) * bitmap->Height());
  CubeIndices(*bitmap, indices.data());
  std::size_t size = 0;
  for (auto _ : state) {
    Bytes out;
    GiflibEncode(indices.data(), bitmap->Width(), bitmap->Height(), out);
    size = out.size();
  }
  SetCounters(state, *bitmap, size);
}

void BM_LZW_Giflib_Warm(benchmark::State& state, std::string name) {
  auto bitmap = benchsupport::CorpusCopy(name);
  Bytes indices(std::size_t(bitmap->Width()) * bitmap->Height());
  CubeIndices(*bitmap, indices.data());
  Bytes out;
  for (auto _ : state) {
    out.clear();
    GiflibEncode(indices.data(), bitmap->Width(), bitmap->Height(), out);
  }
  SetCounters(state, *bitmap, out.size());
}

void Register() {
  for (const std::string& name : benchsupport::CorpusPictures()) {
    CheckOutput(name);
    auto add = [&](const std::string& label, void (*fn)(benchmark::State&, std::string)) {
      // The least time of the repetitions is the steadiest figure on a shared machine.
      benchmark::RegisterBenchmark((label + "/" + name).c_str(), fn, name)
          ->Unit(benchmark::kMillisecond)
          ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); });
    };
    add("GIF_Save/Ours_Cold", BM_Save_Ours_Cold);
    add("GIF_Save/Giflib_Cold", BM_Save_Giflib_Cold);
    add("GIF_Save/Ours_Warm", BM_Save_Ours_Warm);
    add("GIF_Save/Giflib_Warm", BM_Save_Giflib_Warm);
    add("GIF_LZW/Ours_Cold", BM_LZW_Ours_Cold);
    add("GIF_LZW/Giflib_Cold", BM_LZW_Giflib_Cold);
    add("GIF_LZW/Ours_Warm", BM_LZW_Ours_Warm);
    add("GIF_LZW/Giflib_Warm", BM_LZW_Giflib_Warm);
  }
}

}  // namespace

int main(int argc, char** argv) {
  Register();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
