// BMP and JPEG output against their bare cost, side by side in one run:
//   BMP:  SaveBitmap to a file  vs  open() with the same flags and one write() of the same bytes
//   JPEG: SaveBitmap to a file  vs  libjpeg called directly with the same settings, same file writing
// Each benchmark reports ours_ms, bare_ms and their ratio.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <cstdlib>
#include <string>
#include <vector>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include "app/JPEGImage.h"
#include "app/SaveBitmap.h"
#include "bench/support/Corpus.h"
#include "bench/support/Timing.h"

namespace {

std::string OutPath(const char* ext) { return "/tmp/vantora-bench-output." + std::string(ext); }

void WriteWhole(const std::string& path, const void* data, std::size_t size) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size)) std::abort();
  ::close(fd);
}

// Runs ours and the bare cost alternately in every iteration (order swapped each time, so
// neither always runs on a warmer cache) and reports the median of each, timed by the
// thread's CPU clock: other processes on a shared machine do not count.
template <typename Ours, typename Bare>
void RunPaired(benchmark::State& state, Ours ours, Bare bare) {
  std::vector<double> oursMs, bareMs;
  bool oursFirst = true;
  for (auto _ : state) {
    auto timed = [](auto& work) {
      const double start = benchsupport::ThreadCpuMs();
      work();
      return benchsupport::ThreadCpuMs() - start;
    };
    if (oursFirst) {
      oursMs.push_back(timed(ours));
      bareMs.push_back(timed(bare));
    } else {
      bareMs.push_back(timed(bare));
      oursMs.push_back(timed(ours));
    }
    oursFirst = !oursFirst;
  }
  using benchsupport::Median;
  state.counters["ours_ms"] = Median(oursMs);
  state.counters["bare_ms"] = Median(bareMs);
  state.counters["ratio"] = Median(oursMs) / Median(bareMs);
}

void BM_BMP(benchmark::State& state, std::string name) {
  auto bitmap = benchsupport::CorpusCopy(name);
  gfx::TMemoryStream bytes;
  bitmap->SaveToStream(bytes);
  RunPaired(
      state, [&] { app::SaveBitmap(*bitmap, OutPath("bmp")); },
      [&] { WriteWhole(OutPath("bare.bmp"), bytes.Memory(), bytes.Bytes().size()); });
}

// libjpeg with the same settings: BGR input, quality 90 baseline, float DCT, all tables,
// rows from the top, the result written in one block.
void DirectJpeg(const gfx::TBitmap& bitmap, unsigned char** buffer, unsigned long* size) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  jpeg_mem_dest(&cinfo, buffer, size);
  cinfo.image_width = static_cast<JDIMENSION>(bitmap.Width());
  cinfo.image_height = static_cast<JDIMENSION>(bitmap.Height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&cinfo);
  cinfo.dct_method = JDCT_FLOAT;
  jpeg_set_quality(&cinfo, 90, TRUE);
  jpeg_start_compress(&cinfo, TRUE);
  for (int y = 0; y < bitmap.Height(); ++y) {
    JSAMPROW row = const_cast<JSAMPROW>(bitmap.ScanLine(y));
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
}

// Cold: every buffer made afresh, as a hotkey press does.
void BM_JPEG_Cold(benchmark::State& state, std::string name) {
  auto bitmap = benchsupport::CorpusCopy(name);
  RunPaired(
      state, [&] { app::SaveBitmap(*bitmap, OutPath("jpg")); },
      [&] {
        unsigned char* buffer = nullptr;
        unsigned long size = 0;
        DirectJpeg(*bitmap, &buffer, &size);
        WriteWhole(OutPath("bare.jpg"), buffer, size);
        std::free(buffer);
      });
}

// Warm: the JPEG object and the direct call's output buffer are reused.
void BM_JPEG_Warm(benchmark::State& state, std::string name) {
  auto bitmap = benchsupport::CorpusCopy(name);
  app::TJPEGImage jpeg;
  unsigned long capacity = static_cast<unsigned long>(bitmap->ImageSize());
  auto* buffer = static_cast<unsigned char*>(std::malloc(capacity));
  RunPaired(
      state,
      [&] {
        jpeg.Assign(bitmap.get());  // keeps the compressed-data buffer
        gfx::TFileStream file(OutPath("jpg"), gfx::TFileMode::fmCreate);
        jpeg.SaveToStream(file);
      },
      [&] {
        unsigned long size = capacity;
        DirectJpeg(*bitmap, &buffer, &size);  // fits: the library keeps our buffer
        WriteWhole(OutPath("bare.jpg"), buffer, size);
      });
  std::free(buffer);
}

void Register() {
  for (const std::string& name : benchsupport::CorpusPictures()) {
    if (name == "crop_333x77.png") continue;
    benchmark::RegisterBenchmark(("BMP/" + name).c_str(), BM_BMP, name)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("JPEG_Cold/" + name).c_str(), BM_JPEG_Cold, name)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("JPEG_Warm/" + name).c_str(), BM_JPEG_Warm, name)->Unit(benchmark::kMillisecond);
  }
}

}  // namespace

int main(int argc, char** argv) {
  Register();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  for (const char* ext : {"bmp", "jpg", "bare.bmp", "bare.jpg"}) std::remove(OutPath(ext).c_str());
  return 0;
}
