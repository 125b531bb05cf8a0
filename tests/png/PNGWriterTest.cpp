// The PNG writer: chunk sequence and bodies, format decisions, image data framing, errors.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "gfx/Bytes.h"
#include "gfx/Errors.h"
#include "png/PNGDeflater.h"
#include "png/PNGErrors.h"
#include "png/PNGGraphic.h"
#include "png/PNGWriteStream.h"
#include "tests/png/PngTestKit.h"
#include "tests/support/Decoders.h"

using namespace png;
using pngtest::Chunk;
using Bytes = std::vector<std::uint8_t>;

namespace {

std::unique_ptr<gfx::TBitmap> Pattern(int w, int h, gfx::TPixelFormat f, unsigned seed = 1) {
  return testsupport::NewPatternBitmap(w, h, f, seed);
}

std::vector<Chunk> WriteChunks(TPNGWriteStream& writer, gfx::TBitmap& bitmap) {
  return pngtest::SplitChunks(pngtest::Write(writer, bitmap));
}

Bytes ChunkData(const std::vector<Chunk>& chunks, const std::string& type) {
  const Chunk* c = pngtest::FindChunk(chunks, type);
  return c ? c->data : Bytes{};
}

bool Has(const std::vector<Chunk>& chunks, const std::string& type) { return pngtest::FindChunk(chunks, type) != nullptr; }

Bytes TimeNow() {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
  gmtime_r(&now, &t);
  const int year = t.tm_year + 1900;
  return {static_cast<std::uint8_t>(year >> 8), static_cast<std::uint8_t>(year), static_cast<std::uint8_t>(t.tm_mon + 1),
          static_cast<std::uint8_t>(t.tm_mday), static_cast<std::uint8_t>(t.tm_hour), static_cast<std::uint8_t>(t.tm_min),
          static_cast<std::uint8_t>(t.tm_sec)};
}

}  // namespace

TEST(PNGWriter, TheCaptureRoad) {
  auto bitmap = Pattern(5, 3, gfx::pf24bit);
  TPNGGraphic graphic;
  graphic.Assign(bitmap.get());
  const Bytes before = TimeNow();
  const auto chunks = pngtest::SplitChunks(pngtest::Save(graphic));
  const Bytes after = TimeNow();

  EXPECT_EQ(pngtest::ChunkTypes(chunks),
            (std::vector<std::string>{"IHDR", "tIME", "tEXt", "tpNG", "gAMA", "IDAT", "IEND"}));
  EXPECT_EQ(ChunkData(chunks, "IHDR"), (Bytes{0, 0, 0, 5, 0, 0, 0, 3, 8, 2, 0, 0, 0}));
  const Bytes time = ChunkData(chunks, "tIME");
  EXPECT_TRUE(time == before || time == after) << "the UTC time of saving";
  const Chunk& text = chunks[2];
  EXPECT_EQ(text.length, 23u);
  EXPECT_EQ(std::string(text.data.begin(), text.data.end()), std::string("Software\0KORPNG ver 3.4", 23));
  EXPECT_EQ(chunks[3].length, 8u);
  EXPECT_EQ(chunks[3].data, (Bytes{'K', 'O', 'R', '3', 0, 0, 0, 0}));
  EXPECT_EQ(ChunkData(chunks, "gAMA"), (Bytes{0, 0, 0xB1, 0x8F})) << "45455";
  EXPECT_EQ(chunks.back().length, 0u);

  const Bytes rows = pngtest::InflateImageData(chunks);
  ASSERT_EQ(rows.size(), 3u * (1 + 15));
  for (int y = 0; y < 3; ++y) {
    const std::uint8_t* src = std::as_const(*bitmap).ScanLine(y);
    const std::uint8_t* row = rows.data() + y * 16;
    EXPECT_EQ(row[0], 0) << "filter None";
    for (int x = 0; x < 5; ++x) {
      EXPECT_EQ(row[1 + 3 * x], src[3 * x + 2]) << "red " << x << "," << y;
      EXPECT_EQ(row[2 + 3 * x], src[3 * x + 1]) << "green " << x << "," << y;
      EXPECT_EQ(row[3 + 3 * x], src[3 * x]) << "blue " << x << "," << y;
    }
  }
}

TEST(PNGWriter, FormatTable) {
  struct Case {
    gfx::TPixelFormat format;
    bool gray, mask;
    int depth, colourType;
  };
  const Case cases[] = {
      {gfx::pf1bit, false, false, 1, 3},  {gfx::pf4bit, false, false, 4, 3},  {gfx::pf8bit, false, true, 8, 3},
      {gfx::pf15bit, false, false, 8, 2}, {gfx::pf16bit, false, true, 8, 6},  {gfx::pf24bit, false, false, 8, 2},
      {gfx::pf24bit, false, true, 8, 6},  {gfx::pf32bit, false, false, 8, 2}, {gfx::pfDevice, false, false, 8, 2},
      {gfx::pf1bit, true, false, 1, 0},   {gfx::pf4bit, true, true, 4, 0},    {gfx::pf8bit, true, false, 8, 0},
      {gfx::pf8bit, true, true, 8, 4},    {gfx::pf16bit, true, false, 8, 0},  {gfx::pf24bit, true, false, 8, 0},
      {gfx::pf32bit, true, true, 8, 4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "format " << int(c.format) << " gray " << c.gray << " mask " << c.mask);
    auto bitmap = Pattern(6, 4, c.format);
    auto mask = Pattern(6, 4, gfx::pf8bit, 2);
    TPNGWriteStream writer;
    writer.Grayscale = c.gray;
    if (c.mask) writer.AlphaSource = mask.get();
    const auto chunks = WriteChunks(writer, *bitmap);
    const Bytes ihdr = ChunkData(chunks, "IHDR");
    ASSERT_EQ(ihdr.size(), 13u);
    EXPECT_EQ(ihdr[8], c.depth);
    EXPECT_EQ(ihdr[9], c.colourType);
    EXPECT_EQ(Has(chunks, "PLTE"), c.colourType == 3);
    if (c.colourType == 3) {
      EXPECT_EQ(ChunkData(chunks, "PLTE").size(), 3 * bitmap->ColorTable().size());
    }
    const bool fiveBitChannels = c.format == gfx::pf15bit || c.format == gfx::pf16bit;
    EXPECT_EQ(Has(chunks, "sBIT"), fiveBitChannels && !c.gray) << "sBIT by default only for 15- and 16-bit colour";
  }
}

TEST(PNGWriter, MasksThatAreNotUsed) {
  auto bitmap = Pattern(6, 4, gfx::pf24bit);
  auto wrongSize = Pattern(6, 5, gfx::pf8bit);
  auto wrongFormat = Pattern(6, 4, gfx::pf24bit);
  gfx::TBitmap empty;
  const gfx::TBitmap* masks[] = {wrongSize.get(), wrongFormat.get(), &empty, bitmap.get()};
  for (const gfx::TBitmap* mask : masks) {
    TPNGWriteStream writer;
    writer.AlphaSource = mask;
    EXPECT_EQ(ChunkData(WriteChunks(writer, *bitmap), "IHDR")[9], 2);
  }
  // A mask that is the source itself.
  auto eightBit = Pattern(6, 4, gfx::pf8bit);
  TPNGWriteStream writer;
  writer.Grayscale = true;
  writer.AlphaSource = eightBit.get();
  EXPECT_EQ(ChunkData(WriteChunks(writer, *eightBit), "IHDR")[9], 0);
}

TEST(PNGWriter, TimeChunk) {
  struct Case {
    TPNGTime time;
    bool written;
  };
  const Case cases[] = {
      {{2024, 12, 31, 23, 59, 60}, true}, {{1, 1, 1, 0, 0, 0}, true},     {{2024, 13, 1, 0, 0, 0}, false},
      {{2024, 0, 1, 0, 0, 0}, false},     {{2024, 1, 0, 0, 0, 0}, false},  {{2024, 1, 32, 0, 0, 0}, false},
      {{2024, 1, 1, 24, 0, 0}, false},    {{2024, 1, 1, 0, 60, 0}, false}, {{2024, 1, 1, 0, 0, 61}, false},
      {{0, 1, 1, 0, 0, 0}, false},
  };
  auto bitmap = Pattern(2, 2, gfx::pf24bit);
  for (const Case& c : cases) {
    TPNGWriteStream writer;
    writer.UseCurrentTime = false;
    writer.ImageTime = &c.time;
    const auto chunks = WriteChunks(writer, *bitmap);
    EXPECT_EQ(Has(chunks, "tIME"), c.written) << int(c.time.Year) << "-" << int(c.time.Month) << "-" << int(c.time.Day)
                                              << " " << int(c.time.Hour) << ":" << int(c.time.Minute) << ":"
                                              << int(c.time.Second);
  }
  TPNGWriteStream writer;
  const TPNGTime t{2024, 12, 31, 23, 59, 60};
  writer.UseCurrentTime = false;
  writer.ImageTime = &t;
  EXPECT_EQ(ChunkData(WriteChunks(writer, *bitmap), "tIME"), (Bytes{0x07, 0xE8, 12, 31, 23, 59, 60}));
  writer.ImageTime = nullptr;
  EXPECT_FALSE(Has(WriteChunks(writer, *bitmap), "tIME")) << "no time record";
}

TEST(PNGWriter, TextChunks) {
  EXPECT_TRUE(TextBody(std::string(79, 'k'), "x"));
  EXPECT_FALSE(TextBody(std::string(80, 'k'), "x"));
  EXPECT_FALSE(TextBody("Comment", ""));
  const std::string shiftJis = "\x83\x65\x83\x58\x83\x67";  // bytes kept as they are
  auto bitmap = Pattern(2, 2, gfx::pf24bit);
  TPNGWriteStream writer;
  writer.Comment = shiftJis;
  const auto chunks = WriteChunks(writer, *bitmap);
  const auto types = pngtest::ChunkTypes(chunks);
  ASSERT_GE(types.size(), 4u);
  EXPECT_EQ(types[2], "tEXt");
  EXPECT_EQ(std::string(chunks[2].data.begin(), chunks[2].data.end()), std::string("Comment\0", 8) + shiftJis);
  EXPECT_EQ(types[3], "tEXt") << "the Software chunk follows";
}

TEST(PNGWriter, GammaChromaticitiesAndGIFControl) {
  auto bitmap = Pattern(2, 2, gfx::pf24bit);
  const std::pair<double, Bytes> gammas[] = {
      {0.0, {}}, {1.0, {0x00, 0x01, 0x86, 0xA0}}, {0.45455, {0, 0, 0xB1, 0x8F}}, {0.000009, {}}, {-1.0, {}}};
  for (const auto& [gamma, body] : gammas) {
    TPNGWriteStream writer;
    writer.Gamma = gamma;
    EXPECT_EQ(ChunkData(WriteChunks(writer, *bitmap), "gAMA"), body) << gamma;
  }

  TPNGChromaticities chroma{31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000};
  TPNGWriteStream writer;
  writer.Chromaticities = &chroma;
  const Bytes body = ChunkData(WriteChunks(writer, *bitmap), "cHRM");
  ASSERT_EQ(body.size(), 32u);
  EXPECT_EQ(gfx::GetU32BE(body.data()), 31270u);
  EXPECT_EQ(gfx::GetU32BE(body.data() + 28), 6000u);
  chroma[1] = 0;
  EXPECT_FALSE(Has(WriteChunks(writer, *bitmap), "cHRM")) << "white point y 0";

  TPNGGIFControl control{};
  writer.GIFControl = &control;
  EXPECT_FALSE(Has(WriteChunks(writer, *bitmap), "gIFg"));
  control = {2, 1, 0, 10};
  EXPECT_EQ(ChunkData(WriteChunks(writer, *bitmap), "gIFg"), (Bytes{2, 1, 0, 10}));
}

TEST(PNGWriter, SignificantBits) {
  struct Case {
    gfx::TPixelFormat format;
    bool gray, mask;
    std::uint32_t setting;
    Bytes body;
  };
  const Case cases[] = {
      {gfx::pf15bit, false, false, 0, {5, 5, 5}},
      {gfx::pf16bit, false, false, 0, {5, 6, 5}},
      {gfx::pf16bit, false, true, 0, {5, 6, 5, 8}},
      {gfx::pf15bit, true, false, 0, {}},
      {gfx::pf24bit, false, false, 0x08070605, {5, 6, 7}},
      {gfx::pf24bit, false, true, 0x08070605, {5, 6, 7, 8}},
      {gfx::pf24bit, true, false, 0x080808, {}},
      {gfx::pf24bit, false, false, 0x80000000, {}},  // negative as a signed value
      {gfx::pf8bit, false, false, 0x080808, {8, 8, 8}},
  };
  for (const Case& c : cases) {
    auto bitmap = Pattern(2, 2, c.format);
    auto mask = Pattern(2, 2, gfx::pf8bit);
    TPNGWriteStream writer;
    writer.Grayscale = c.gray;
    writer.SignificantBits = c.setting;
    if (c.mask) writer.AlphaSource = mask.get();
    EXPECT_EQ(ChunkData(WriteChunks(writer, *bitmap), "sBIT"), c.body) << int(c.format) << " " << c.setting;
  }
}

namespace {
std::unique_ptr<gfx::TBitmap> PaletteBitmap(gfx::TPixelFormat format, std::vector<gfx::TRGBQuad> table) {
  auto bitmap = Pattern(4, 2, format);
  bitmap->SetColorTable(table);
  return bitmap;
}
gfx::TRGBQuad Quad(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return {b, g, r, 0}; }
constexpr std::int32_t Index(int i) { return static_cast<std::int32_t>(PaletteIndexFlag | i); }
}  // namespace

TEST(PNGWriter, BackgroundAndTransparentColour) {
  const std::vector<gfx::TRGBQuad> ten = {Quad(0, 0, 0),    Quad(10, 10, 10),  Quad(200, 0, 0),  Quad(0, 200, 0),
                                          Quad(0, 0, 200),  Quad(90, 80, 70),  Quad(90, 80, 70), Quad(255, 255, 255),
                                          Quad(50, 50, 50), Quad(100, 100, 100)};
  struct Case {
    const char* name;
    gfx::TPixelFormat format;
    bool gray;
    std::int32_t colour;
    Bytes background, transparency;
  };
  const Case cases[] = {
      {"RGB", gfx::pf24bit, false, gfx::RGBColor(1, 2, 3), {0, 1, 0, 2, 0, 3}, {0, 1, 0, 2, 0, 3}},
      {"gray level", gfx::pf24bit, true, gfx::RGBColor(100, 150, 200), {0, 140}, {0, 140}},
      {"1-bit gray level", gfx::pf1bit, true, gfx::RGBColor(200, 200, 200), {0, 1}, {0, 1}},
      {"1-bit gray dark", gfx::pf1bit, true, gfx::RGBColor(100, 100, 100), {0, 0}, {0, 0}},
      {"4-bit gray level", gfx::pf4bit, true, gfx::RGBColor(255, 255, 255), {0, 15}, {0, 15}},
      {"gray from palette entry", gfx::pf8bit, true, Index(2), {0, 60}, {0, 60}},  // 200*77/256
      {"gray, entry past the palette counts as white", gfx::pf8bit, true, Index(12), {0, 255}, {0, 255}},
      {"palette index", gfx::pf8bit, false, Index(3), {3}, {255, 255, 255, 0}},
      {"palette exact match, first of two", gfx::pf8bit, false, gfx::RGBColor(90, 80, 70), {5}, {255, 255, 255, 255, 255, 0}},
      {"palette nearest", gfx::pf8bit, false, gfx::RGBColor(12, 9, 10), {1}, {255, 0}},
      {"palette index past the entries: no chunk", gfx::pf8bit, false, Index(10), {}, {}},
      {"no colour", gfx::pf8bit, false, NoColour, {}, {}},
  };
  for (const Case& c : cases) {
    auto bitmap = PaletteBitmap(c.format, ten);
    if (c.format == gfx::pf1bit) bitmap->SetColorTable(std::vector<gfx::TRGBQuad>{Quad(0, 0, 0), Quad(255, 255, 255)});
    TPNGWriteStream writer;
    writer.Grayscale = c.gray;
    writer.BackgroundColor = c.colour;
    writer.TransparentColor = c.colour;
    const auto chunks = WriteChunks(writer, *bitmap);
    EXPECT_EQ(ChunkData(chunks, "bKGD"), c.background) << c.name;
    EXPECT_EQ(ChunkData(chunks, "tRNS"), c.transparency) << c.name;
  }
}

TEST(PNGWriter, NoTransparentColourBesideAnAlphaChannel) {
  auto bitmap = Pattern(3, 3, gfx::pf24bit);
  auto mask = Pattern(3, 3, gfx::pf8bit);
  TPNGWriteStream writer;
  writer.AlphaSource = mask.get();
  writer.TransparentColor = gfx::RGBColor(1, 2, 3);
  const auto chunks = WriteChunks(writer, *bitmap);
  EXPECT_EQ(ChunkData(chunks, "IHDR")[9], 6);
  EXPECT_FALSE(Has(chunks, "tRNS"));
}

TEST(PNGWriter, PhysicalDensity) {
  struct Case {
    std::int32_t unit, x, y;
    Bytes body;
  };
  const Case cases[] = {
      {2, 96, 96, {0, 0, 0x0E, 0xC3, 0, 0, 0x0E, 0xC3, 1}},  // 3779 per metre
      {2, 72, 96, {0, 0, 0x0B, 0x12, 0, 0, 0x0E, 0xC3, 1}},  // 2834
      {1, 100, 200, {0, 0, 0, 100, 0, 0, 0, 200, 1}},
      {0, 3, 4, {0, 0, 0, 3, 0, 0, 0, 4, 0}},
      {1, 0, 200, {}},
      {1, 100, -1, {}},
  };
  auto bitmap = Pattern(2, 2, gfx::pf24bit);
  for (const Case& c : cases) {
    TPNGWriteStream writer;
    writer.PhysUnit = c.unit;
    writer.PhysX = c.x;
    writer.PhysY = c.y;
    EXPECT_EQ(ChunkData(WriteChunks(writer, *bitmap), "pHYs"), c.body) << c.unit << " " << c.x << " " << c.y;
  }
}

TEST(PNGWriter, ChunkOrderWithEverySetting) {
  auto bitmap = Pattern(4, 2, gfx::pf8bit);
  TPNGChromaticities chroma{1, 1, 1, 1, 1, 1, 1, 1};
  TPNGGIFControl control{1, 0, 0, 0};
  TPNGWriteStream writer;
  writer.Comment = "c";
  writer.Gamma = 1.0;
  writer.Chromaticities = &chroma;
  writer.GIFControl = &control;
  writer.SignificantBits = 0x080808;
  writer.BackgroundColor = Index(1);
  writer.TransparentColor = Index(1);
  writer.PhysX = writer.PhysY = 1;
  EXPECT_EQ(pngtest::ChunkTypes(WriteChunks(writer, *bitmap)),
            (std::vector<std::string>{"IHDR", "tIME", "tEXt", "tEXt", "tpNG", "gIFg", "gAMA", "cHRM", "sBIT", "PLTE",
                                      "bKGD", "tRNS", "pHYs", "IDAT", "IEND"}));
}

TEST(PNGWriter, IDATChunksHoldExactlyTheBufferSizeButTheLast) {
  auto noise = Pattern(160, 160, gfx::pf24bit, 9);  // about 77000 bytes that do not compress
  for (std::int32_t size : {32768, 256, 100000, 4096}) {
    TPNGGraphic graphic;
    graphic.Assign(noise.get());
    graphic.IDATSize = size;
    const auto chunks = pngtest::SplitChunks(pngtest::Save(graphic));
    const auto lengths = pngtest::IDATLengths(chunks);
    std::uint64_t total = 0;
    for (auto l : lengths) total += l;
    ASSERT_FALSE(lengths.empty());
    const std::uint64_t full = (total - 1) / size;  // chunks before the last
    ASSERT_EQ(lengths.size(), full + 1) << size;
    for (std::size_t i = 0; i + 1 < lengths.size(); ++i) EXPECT_EQ(lengths[i], std::uint32_t(size));
    EXPECT_EQ(lengths.back(), total - full * size);
    if (size == 32768) {
      EXPECT_GT(total, 70000u) << "the picture should give at least three chunks";
    }
    EXPECT_EQ(testsupport::DecodePNG(pngtest::Save(graphic)).pixels, testsupport::ToRGB(*noise).pixels);
  }
}

TEST(PNGWriter, ACompressedStreamOfExactlyTwoBuffersGivesTwoFullChunks) {
  // Stored blocks (level 0) grow with the input byte for byte, so some input length
  // compresses to exactly 65536 bytes; find it and check that no empty chunk follows.
  const std::size_t outSize = 32768;
  Bytes row(1001);
  for (std::size_t i = 0; i < row.size(); ++i) row[i] = static_cast<std::uint8_t>(i * 131 + 7);
  auto run = [&](std::size_t rows, std::size_t lastRow, std::vector<std::size_t>& chunks) {
    TPNGDeflater deflater([&](const std::uint8_t*, std::size_t n) { chunks.push_back(n); });
    EXPECT_TRUE(deflater.Prepare(0, outSize));
    for (std::size_t r = 0; r < rows; ++r) deflater.CompressRow(row.data(), r + 1 == rows ? lastRow : row.size());
    deflater.Finish();
    std::size_t total = 0;
    for (auto n : chunks) total += n;
    return total;
  };
  for (std::size_t rows = 60; rows <= 70; ++rows)
    for (std::size_t last = 1; last <= row.size(); ++last) {
      std::vector<std::size_t> chunks;
      const std::size_t total = run(rows, last, chunks);
      if (total < 65536) continue;
      if (total > 65536) break;
      EXPECT_EQ(chunks, (std::vector<std::size_t>{outSize, outSize}));
      return;
    }
  FAIL() << "no input length compressed to 65536 bytes";
}

TEST(PNGWriter, IDATSizeBounds) {
  auto bitmap = Pattern(3, 3, gfx::pf24bit);
  for (std::int32_t size : {255, 100001, 0, -1}) {
    TPNGGraphic graphic;
    graphic.Assign(bitmap.get());
    graphic.IDATSize = size;
    pngtest::TRecordingStream out;
    try {
      graphic.SaveToStream(out);
      ADD_FAILURE() << size << " accepted";
    } catch (const EPNGImageError& e) {
      EXPECT_EQ(e.Message(), "Write PNG Param: Err IDAT Size(min:256  max:100000)");
    }
    EXPECT_TRUE(out.blocks.empty()) << "nothing written";
  }
  for (std::int32_t size : {256, 100000}) {
    TPNGGraphic graphic;
    graphic.Assign(bitmap.get());
    graphic.IDATSize = size;
    EXPECT_NO_THROW(pngtest::Save(graphic)) << size;
  }
  TPNGWriteStream writer;
  writer.SetIDATSize(1000);
  EXPECT_THROW(writer.SetIDATSize(100001), EPNGImageError);
  EXPECT_EQ(writer.IDATSize(), 1000) << "a refused size leaves the setting";
}

TEST(PNGWriter, EmptyPictures) {
  for (auto [w, h] : {std::pair{0, 0}, std::pair{0, 3}, std::pair{4, 0}}) {
    gfx::TBitmap bitmap;
    bitmap.SetPixelFormat(gfx::pf24bit);
    bitmap.SetSize(w, h);
    TPNGGraphic graphic;
    graphic.Assign(&bitmap);
    const auto chunks = pngtest::SplitChunks(pngtest::Save(graphic));
    const Bytes ihdr = ChunkData(chunks, "IHDR");
    ASSERT_EQ(ihdr.size(), 13u);
    EXPECT_EQ(gfx::GetU32BE(ihdr.data()), std::uint32_t(w));
    EXPECT_EQ(gfx::GetU32BE(ihdr.data() + 4), std::uint32_t(h));
    EXPECT_EQ(pngtest::IDATLengths(chunks).size(), 1u) << "one IDAT with an empty compressed stream";
    EXPECT_TRUE(pngtest::InflateImageData(chunks).empty());
    EXPECT_EQ(chunks.back().type, "IEND");
  }
}

TEST(PNGWriter, InterlacedPassesWithoutColumnsOrRowsAreSkipped) {
  struct Case {
    int w, h;
    std::size_t bytes;
  };
  // 1x1: only the first pass, one row of type byte and three samples. 3x3: passes 2 and 3 have
  // no columns or rows; the others give 4 + 4 + 7 + 2*4 + 10 bytes.
  const Case cases[] = {{1, 1, 4}, {3, 3, 33}};
  for (const Case& c : cases) {
    auto bitmap = Pattern(c.w, c.h, gfx::pf24bit);
    TPNGWriteStream writer;
    writer.Interlaced = true;
    const auto chunks = WriteChunks(writer, *bitmap);
    EXPECT_EQ(ChunkData(chunks, "IHDR")[12], 1);
    EXPECT_EQ(pngtest::InflateImageData(chunks).size(), c.bytes) << c.w << "x" << c.h;
  }
}

TEST(PNGWriter, ProgressOfAHundredRows) {
  auto bitmap = Pattern(3, 100, gfx::pf24bit);
  std::vector<int> percents;
  std::vector<gfx::TProgressStage> stages;
  bitmap->OnProgress = [&](gfx::TGraphic*, gfx::TProgressStage stage, std::uint8_t percent, bool, const gfx::TRect&,
                           const std::string&) {
    percents.push_back(percent);
    stages.push_back(stage);
  };
  TPNGWriteStream writer;
  pngtest::Write(writer, *bitmap);
  ASSERT_EQ(percents.size(), 28u) << "start, header, one report every fourth row from row 2, end";
  EXPECT_EQ(std::vector<int>(percents.begin(), percents.begin() + 7), (std::vector<int>{0, 29, 30, 33, 36, 38, 41}));
  EXPECT_EQ(percents[26], 97) << "after row 98";
  EXPECT_EQ(percents[27], 100);
  EXPECT_EQ(stages.front(), gfx::psStarting);
  EXPECT_EQ(stages.back(), gfx::psEnding);
  for (std::size_t i = 1; i + 1 < stages.size(); ++i) EXPECT_EQ(stages[i], gfx::psRunning);
}

TEST(PNGWriter, ProgressOfShortAndInterlacedPictures) {
  EXPECT_EQ(ProgressRowTotal(100, false), 100);
  // Interlaced: the rows of all seven passes.
  for (int h : {1, 2, 3, 4, 5, 8, 9, 100}) {
    int rows = 0;
    const int starts[7] = {0, 0, 4, 0, 2, 0, 1}, steps[7] = {8, 8, 8, 4, 4, 2, 2};
    for (int p = 0; p < 7; ++p) rows += h > starts[p] ? (h - starts[p] + steps[p] - 1) / steps[p] : 0;
    EXPECT_EQ(ProgressRowTotal(h, true), rows) << h;
  }
  // Fewer than 4 rows: every row reports.
  auto bitmap = Pattern(3, 3, gfx::pf24bit);
  std::vector<int> percents;
  bitmap->OnProgress = [&](gfx::TGraphic*, gfx::TProgressStage, std::uint8_t percent, bool, const gfx::TRect&,
                           const std::string&) { percents.push_back(percent); };
  TPNGWriteStream writer;
  pngtest::Write(writer, *bitmap);
  EXPECT_EQ(percents, (std::vector<int>{0, 29, 52, 75, 99, 100}));
}

TEST(PNGWriter, RowHook) {
  auto bitmap = Pattern(4, 3, gfx::pf24bit);
  std::vector<int> numbers, counts;
  TPNGWriteStream writer;
  writer.RowKey = "key";
  writer.OnWriteRow = [&](TPNGWriteStream* sender, std::uint8_t* row, int count, int number, const std::string& key) {
    EXPECT_EQ(sender, &writer);
    EXPECT_EQ(key, "key");
    numbers.push_back(number);
    counts.push_back(count);
    std::fill_n(row, count, std::uint8_t{0x42});  // the hook may change the row
  };
  const auto chunks = WriteChunks(writer, *bitmap);
  EXPECT_EQ(numbers, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(counts, (std::vector<int>{12, 12, 12}));
  EXPECT_EQ(ChunkData(chunks, "tpNG")[4], 1);
  const Bytes rows = pngtest::InflateImageData(chunks);
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i], i % 13 == 0 ? 0 : 0x42) << i;

  writer.Interlaced = true;
  auto eightWide = Pattern(8, 3, gfx::pf24bit);
  numbers.clear();
  counts.clear();
  WriteChunks(writer, *eightWide);
  EXPECT_EQ(numbers, (std::vector<int>{0, 1, 2, 3, 4, 5, 6})) << "numbered over all passes";
  EXPECT_EQ(counts, (std::vector<int>{3, 3, 6, 12, 12, 12, 24})) << "pass columns 1, 1, 2, 4, 4, 4, 8";

  writer.RowKey.clear();
  numbers.clear();
  EXPECT_EQ(ChunkData(WriteChunks(writer, *bitmap), "tpNG")[4], 0);
  EXPECT_TRUE(numbers.empty()) << "no key, no hook";
}

TEST(PNGWriter, PaletteFormatWithoutEntriesIsRefused) {
  auto bitmap = Pattern(4, 2, gfx::pf8bit);
  bitmap->SetColorTable({});
  TPNGWriteStream writer;
  pngtest::TRecordingStream out;
  try {
    writer.Write(*bitmap, out);
    FAIL() << "an invalid file was written";
  } catch (const EPNGImageError& e) {
    EXPECT_EQ(e.Message(), Msg::NoPalette);
  }
  EXPECT_TRUE(out.bytes.empty());
  writer.Grayscale = true;  // gray output needs no palette: identity levels
  const auto decoded = testsupport::DecodePNG(pngtest::Write(writer, *bitmap));
  EXPECT_EQ(decoded.At(1, 0)[0], pngtest::IndexAt(*bitmap, 1, 0));
}

TEST(PNGWriter, ErrorsPassOnAndNoIENDFollows) {
  auto noise = Pattern(200, 200, gfx::pf24bit, 3);
  {
    TPNGWriteStream writer;
    pngtest::TRecordingStream out;
    out.acceptLimit = 70000;
    EXPECT_THROW(writer.Write(*noise, out), gfx::EWriteError);
    std::size_t handed = 0;
    for (auto b : out.blocks) handed += b;
    EXPECT_GT(handed, out.bytes.size()) << "the last block came up short";
    EXPECT_EQ(std::string(out.bytes.begin(), out.bytes.end()).find("IEND"), std::string::npos);
  }
  {
    TPNGWriteStream writer;
    writer.RowKey = "k";
    int calls = 0;
    writer.OnWriteRow = [&](TPNGWriteStream*, std::uint8_t*, int, int, const std::string&) {
      if (++calls == 150) throw gfx::EInvalidGraphic("row hook failed");
    };
    pngtest::TRecordingStream out;
    try {
      writer.Write(*noise, out);
      FAIL() << "no error";
    } catch (const gfx::EInvalidGraphic& e) {
      EXPECT_EQ(std::string(e.what()), "row hook failed") << "the row's own error";
    }
    const std::string written(out.bytes.begin(), out.bytes.end());
    EXPECT_EQ(written.find("IEND"), std::string::npos);
  }
}

TEST(PNGWriter, AnUnpreparedCompressorFailsWithTheWriteError) {
  std::vector<std::size_t> chunks;
  TPNGDeflater deflater([&](const std::uint8_t*, std::size_t n) { chunks.push_back(n); });
  const std::uint8_t row[4] = {0, 1, 2, 3};
  for (int step = 0; step < 2; ++step) {
    try {
      if (step == 0)
        deflater.CompressRow(row, sizeof row);
      else
        deflater.Finish();  // ending the stream early would write a truncated file
      ADD_FAILURE() << "step " << step << " succeeded";
    } catch (const EPNGImageError& e) {
      EXPECT_EQ(e.Message(), "Write Image (PNG): Write Error");
    }
  }
  EXPECT_TRUE(chunks.empty());
}

TEST(PNGWriter, RowBlockBuffers) {
  for (auto [width, bits] : {std::pair{1, 1}, std::pair{33, 4}, std::pair{5, 24}, std::pair{1920, 32}, std::pair{7, 16}}) {
    TPNGRowBlock block(width, bits);
    const std::size_t padded = static_cast<std::size_t>(PaddedRowBytes(width, bits));
    EXPECT_EQ(block.RowRoom(), (padded + 39) / 32 * 32);
    EXPECT_GE(block.RowRoom(), padded + 1);
    for (const void* p : {static_cast<const void*>(block.CurrentRow), static_cast<const void*>(block.PreviousRow),
                          static_cast<const void*>(block.BestRow), static_cast<const void*>(block.TrialRow),
                          static_cast<const void*>(block.Histogram)})
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 32, 0u) << width << "x" << bits;
  }
}
