// BMP and JPEG output against their bare cost, side by side in one run:
//   BMP:  SaveBitmap to a file  vs  open() with the same flags and one write() of the same bytes
//   JPEG: SaveBitmap to a file  vs  libjpeg called directly with the same settings, same file writing
// "Cold" creates every buffer afresh, as a hotkey press does; "Warm" reuses them.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

#include "app/JPEGImage.h"
#include "app/SaveBitmap.h"
#include "bench/support/Corpus.h"

namespace {

std::string OutPath(const char* ext) { return "/tmp/vantora-bench-output." + std::string(ext); }

std::unique_ptr<gfx::TBitmap> Copy(const std::string& name) {
  auto b = std::make_unique<gfx::TBitmap>();
  b->Assign(const_cast<gfx::TBitmap*>(&benchsupport::CorpusBitmap(name)));
  return b;
}

void WriteWhole(const std::string& path, const void* data, std::size_t size) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0 || ::write(fd, data, size) != static_cast<ssize_t>(size)) std::abort();
  ::close(fd);
}

void BM_BMP_SaveBitmap(benchmark::State& state, std::string name) {
  auto bitmap = Copy(name);
  for (auto _ : state) app::SaveBitmap(*bitmap, OutPath("bmp"));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bitmap->ImageSize()));
}

void BM_BMP_BareWrite(benchmark::State& state, std::string name) {
  auto bitmap = Copy(name);
  gfx::TMemoryStream bytes;
  bitmap->SaveToStream(bytes);
  for (auto _ : state) WriteWhole(OutPath("bmp"), bytes.Memory(), bytes.Bytes().size());
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bitmap->ImageSize()));
}

void BM_JPEG_SaveBitmap_Cold(benchmark::State& state, std::string name) {
  auto bitmap = Copy(name);
  for (auto _ : state) app::SaveBitmap(*bitmap, OutPath("jpg"));
}

void BM_JPEG_Object_Warm(benchmark::State& state, std::string name) {
  auto bitmap = Copy(name);
  app::TJPEGImage jpeg;
  for (auto _ : state) {
    jpeg.Assign(bitmap.get());  // keeps the compressed-data buffer
    gfx::TFileStream file(OutPath("jpg"), gfx::TFileMode::fmCreate);
    jpeg.SaveToStream(file);
  }
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

void BM_JPEG_Direct_Cold(benchmark::State& state, std::string name) {
  auto bitmap = Copy(name);
  for (auto _ : state) {
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    DirectJpeg(*bitmap, &buffer, &size);
    WriteWhole(OutPath("jpg"), buffer, size);
    std::free(buffer);
  }
}

void BM_JPEG_Direct_Warm(benchmark::State& state, std::string name) {
  auto bitmap = Copy(name);
  unsigned long capacity = static_cast<unsigned long>(bitmap->ImageSize());
  auto* buffer = static_cast<unsigned char*>(std::malloc(capacity));
  for (auto _ : state) {
    unsigned long size = capacity;
    DirectJpeg(*bitmap, &buffer, &size);  // fits: the library keeps our buffer
    WriteWhole(OutPath("jpg"), buffer, size);
  }
  std::free(buffer);
}

void Register() {
  for (const std::string& name : benchsupport::CorpusPictures()) {
    if (name == "crop_333x77.png") continue;
    benchmark::RegisterBenchmark(("BMP/SaveBitmap/" + name).c_str(), BM_BMP_SaveBitmap, name)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("BMP/BareWrite/" + name).c_str(), BM_BMP_BareWrite, name)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("JPEG/SaveBitmap_Cold/" + name).c_str(), BM_JPEG_SaveBitmap_Cold, name)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("JPEG/Direct_Cold/" + name).c_str(), BM_JPEG_Direct_Cold, name)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("JPEG/Object_Warm/" + name).c_str(), BM_JPEG_Object_Warm, name)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("JPEG/Direct_Warm/" + name).c_str(), BM_JPEG_Direct_Warm, name)->Unit(benchmark::kMillisecond);
  }
}

}  // namespace

int main(int argc, char** argv) {
  Register();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  std::remove(OutPath("bmp").c_str());
  std::remove(OutPath("jpg").c_str());
  return 0;
}
