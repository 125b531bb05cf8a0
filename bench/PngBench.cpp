// PNG save on real screenshots, side by side in one run:
//   Ours    SaveBitmapToStream(.png) into a memory stream (the capture road: 24-bit,
//           filter None, level 6, 32768-byte IDAT chunks)
//   Libpng  libpng with the same settings, fed the same blue-green-red rows
//   Zlib    deflate alone over the same filtered rows, prepared beforehand (the floor)
// The counters hold the median CPU times and the ratios; "time" is ours alone.
// "Warm" repeats with hot caches and reused output memory; "Cold" evicts the caches and
// starts from fresh output memory before every save.
// The counter extra_bytes is the heap our writer holds while it writes (output excluded),
// measured for pictures of one width and growing height.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "app/SaveBitmap.h"
#include "gfx/Bitmap.h"
#include "bench/support/Corpus.h"
#include "bench/support/Timing.h"
#include "gfx/Stream.h"

namespace {

constexpr int Level = 6;
constexpr std::size_t IDATSize = 32768;


// Evicts the data caches by writing a buffer well beyond the last-level cache.
void EvictCaches() {
  static std::vector<std::uint8_t> scratch(64 << 20);
  static std::uint8_t value = 0;
  std::memset(scratch.data(), ++value, scratch.size());
  benchmark::DoNotOptimize(scratch.data());
}

// ---- Ours

std::size_t SaveOurs(gfx::TBitmap& bitmap, gfx::TMemoryStream& out) {
  out.Rewind();
  app::SaveBitmapToStream(bitmap, app::TSaveFormat::sfPNG, out);
  return static_cast<std::size_t>(out.Size());
}

// ---- libpng with the same settings

void AppendToVector(png_structp png, png_bytep data, png_size_t length) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
  out->insert(out->end(), data, data + length);
}
void NoFlush(png_structp) {}

std::size_t SaveLibpng(const gfx::TBitmap& bitmap, std::vector<std::uint8_t>& out) {
  out.clear();
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("libpng failed");
  }
  png_set_write_fn(png, &out, AppendToVector, NoFlush);
  png_set_IHDR(png, info, bitmap.Width(), bitmap.Height(), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
  png_set_compression_level(png, Level);
  png_set_compression_buffer_size(png, IDATSize);
  png_set_gAMA_fixed(png, info, 45455);
  png_write_info(png, info);
  png_set_bgr(png);
  for (int y = 0; y < bitmap.Height(); ++y) png_write_row(png, const_cast<png_bytep>(bitmap.ScanLine(y)));
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return out.size();
}

// ---- zlib alone over the filtered rows

std::vector<std::uint8_t> FilteredRows(const gfx::TBitmap& bitmap) {
  const std::size_t rowBytes = std::size_t(bitmap.Width()) * 3;
  std::vector<std::uint8_t> rows;
  rows.reserve((rowBytes + 1) * bitmap.Height());
  for (int y = 0; y < bitmap.Height(); ++y) {
    const std::uint8_t* src = bitmap.ScanLine(y);
    rows.push_back(0);
    for (int x = 0; x < bitmap.Width(); ++x) rows.insert(rows.end(), {src[3 * x + 2], src[3 * x + 1], src[3 * x]});
  }
  return rows;
}

std::size_t DeflateAlone(const std::vector<std::uint8_t>& rows, std::size_t rowLength, std::vector<std::uint8_t>& out) {
  out.clear();
  std::vector<std::uint8_t> buffer(IDATSize);
  z_stream z{};
  deflateInit(&z, Level);
  z.next_out = buffer.data();
  z.avail_out = IDATSize;
  auto drain = [&] {
    out.insert(out.end(), buffer.data(), buffer.data() + (IDATSize - z.avail_out));
    z.next_out = buffer.data();
    z.avail_out = IDATSize;
  };
  for (std::size_t pos = 0; pos < rows.size(); pos += rowLength) {
    z.next_in = const_cast<Bytef*>(rows.data() + pos);
    z.avail_in = static_cast<uInt>(rowLength);
    while (z.avail_in > 0) {
      deflate(&z, Z_NO_FLUSH);
      if (z.avail_out == 0) drain();
    }
  }
  while (deflate(&z, Z_FINISH) != Z_STREAM_END)
    if (z.avail_out == 0) drain();
  drain();
  deflateEnd(&z);
  return out.size();
}

// ---- The comparison: the three writers take turns within every iteration (in rotating
// order), each timed by the thread's CPU clock, so that the load of a shared machine falls
// on all three alike. Reported: the median and the minimum of each, and their ratios.

struct Picture {
  std::string name;
  std::unique_ptr<gfx::TBitmap> bitmap;
  std::vector<std::uint8_t> filtered;
};

std::vector<std::unique_ptr<Picture>>& Pictures() {
  static std::vector<std::unique_ptr<Picture>> pictures;
  return pictures;
}

using benchsupport::Median;
using benchsupport::Min;
using benchsupport::ThreadCpuMs;

enum Writer { wOurs, wLibpng, wZlib, WriterCount };

void Compare(benchmark::State& state, const Picture& p, bool cold) {
  const std::size_t rowLength = std::size_t(p.bitmap->Width()) * 3 + 1;
  gfx::TMemoryStream oursReused;
  std::vector<std::uint8_t> libpngReused, zlibReused;
  std::vector<double> times[WriterCount];
  std::size_t bytes[WriterCount] = {};
  int turn = 0;
  for (auto _ : state) {
    for (int k = 0; k < WriterCount; ++k) {
      const int which = (turn + k) % WriterCount;
      if (cold) EvictCaches();
      gfx::TMemoryStream oursFresh;
      std::vector<std::uint8_t> fresh;
      const double start = ThreadCpuMs();
      switch (which) {
        case wOurs: bytes[wOurs] = SaveOurs(*p.bitmap, cold ? oursFresh : oursReused); break;
        case wLibpng: bytes[wLibpng] = SaveLibpng(*p.bitmap, cold ? fresh : libpngReused); break;
        case wZlib: bytes[wZlib] = DeflateAlone(p.filtered, rowLength, cold ? fresh : zlibReused); break;
      }
      times[which].push_back(ThreadCpuMs() - start);
    }
    ++turn;
    state.SetIterationTime(times[wOurs].back() / 1e3);
  }
  state.counters["ours_ms"] = Median(times[wOurs]);
  state.counters["libpng_ms"] = Median(times[wLibpng]);
  state.counters["zlib_ms"] = Median(times[wZlib]);
  state.counters["ours/zlib"] = Median(times[wOurs]) / Median(times[wZlib]);
  state.counters["ours/libpng"] = Median(times[wOurs]) / Median(times[wLibpng]);
  state.counters["min ours/zlib"] = Min(times[wOurs]) / Min(times[wZlib]);
  state.counters["min ours/libpng"] = Min(times[wOurs]) / Min(times[wLibpng]);
  state.counters["ours_bytes"] = double(bytes[wOurs]);
  state.counters["libpng_bytes"] = double(bytes[wLibpng]);
}

void RegisterPicture(Picture& p) {
  const double pixels = double(p.bitmap->Width()) * p.bitmap->Height();
  const int iterations = pixels > 4e6 ? 11 : pixels > 1e6 ? 31 : 301;
  for (bool cold : {false, true})
    benchmark::RegisterBenchmark(("Compare/" + p.name + (cold ? "/cold" : "/warm")).c_str(),
                                 [&p](benchmark::State& s, bool c) { Compare(s, p, c); }, cold)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime()
        ->Iterations(iterations);
}

// ---- Memory held while writing, by picture height

// Discards the output; records the heap in use when the first image data arrives
// (everything the writer needs is allocated by then, and nothing is allocated later).
class TMeasuringSink : public gfx::TStream {
 public:
  std::size_t Write(const void*, std::size_t count) override {
    const struct mallinfo2 m = mallinfo2();
    peak = std::max(peak, m.uordblks + m.hblkhd);
    return count;
  }
  std::size_t Read(void*, std::size_t) override { return 0; }
  std::int64_t Seek(std::int64_t, gfx::TSeekOrigin) override { return 0; }
  void SetSize(std::int64_t) override {}
  std::size_t peak = 0;
};

void ExtraMemory(benchmark::State& state) {
  const int width = 1920, height = static_cast<int>(state.range(0));
  gfx::TBitmap bitmap;
  bitmap.SetPixelFormat(gfx::pf24bit);
  bitmap.SetSize(width, height);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width * 3; ++x) bitmap.ScanLine(y)[x] = static_cast<std::uint8_t>((x * 7) ^ (y * 13) ^ (x * y));
  std::size_t extra = 0;
  for (auto _ : state) {
    TMeasuringSink sink;
    const struct mallinfo2 before = mallinfo2();
    app::SaveBitmapToStream(bitmap, app::TSaveFormat::sfPNG, sink);
    extra = sink.peak - (before.uordblks + before.hblkhd);
  }
  state.counters["extra_bytes"] = double(extra);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  for (const char* name : {"desktop_1920x1080.png", "web_text_1920x1080.png", "web_photo_1920x1080.png",
                           "desktop_3840x2160.png", "crop_333x77.png"}) {
    auto p = std::make_unique<Picture>();
    p->name = std::string(name).substr(0, std::string(name).size() - 4);
    try {
      p->bitmap = benchsupport::CorpusCopy(name);
    } catch (const std::exception& e) {
      std::fprintf(stderr, "skipped: %s\n", e.what());
      continue;
    }
    p->filtered = FilteredRows(*p->bitmap);
    Pictures().push_back(std::move(p));
  }
  for (auto& p : Pictures()) RegisterPicture(*p);
  benchmark::RegisterBenchmark("ExtraMemory/1920xH", ExtraMemory)->Arg(1080)->Arg(2160)->Arg(8640)->Iterations(1);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
