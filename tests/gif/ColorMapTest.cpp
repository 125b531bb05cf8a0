#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/Errors.h"
#include "gfx/Stream.h"
#include "gif/ColorMap.h"
#include "gif/GIFException.h"

using namespace gif;
using gfx::RGBColor;

namespace {

// A colour map with no owner that records its warnings.
class TestColorMap : public TGIFColorMap {
 public:
  void ReportWarning(TGIFSeverity, std::string_view message) override { warnings.emplace_back(message); }
  std::vector<std::string> warnings;
  int changes = 0;

 protected:
  void NotifyChanged() override { ++changes; }
};

void Fill(TGIFColorMap& map, int n) {
  for (int i = 0; i < n; ++i) map.AppendColor(RGBColor(static_cast<std::uint8_t>(i), 0, 0));
}

std::vector<std::uint8_t> Written(const TGIFColorMap& map) {
  gfx::TMemoryStream stream;
  map.WriteTable(stream);
  return {stream.Bytes().begin(), stream.Bytes().end()};
}

std::string ErrorOf(auto&& action) {
  try {
    action();
  } catch (const GIFException& e) {
    return e.what();
  }
  return "no error";
}

}  // namespace

TEST(GIFColorMap, BitsNeededAndTableSizes) {
  struct Case {
    int entries, bits;
    std::size_t bytesWritten;
  } cases[] = {{0, 0, 0},   {1, 1, 6},     {2, 1, 6},     {3, 2, 12},    {4, 2, 12},   {5, 3, 24},
               {16, 4, 48}, {17, 5, 96},   {129, 8, 768}, {216, 8, 768}, {256, 8, 768}};
  for (const Case& c : cases) {
    TestColorMap map;
    Fill(map, c.entries);
    EXPECT_EQ(map.BitsNeeded(), c.bits) << c.entries;
    const auto bytes = Written(map);
    ASSERT_EQ(bytes.size(), c.bytesWritten) << c.entries;
    // The entries as red, green, blue, then zero triples.
    for (int i = 0; i < c.entries; ++i) EXPECT_EQ(bytes[3 * i], i);
    for (std::size_t i = 3 * c.entries; i < bytes.size(); ++i) ASSERT_EQ(bytes[i], 0) << c.entries;
  }
}

TEST(GIFColorMap, StorageGrowsInSteps) {
  struct Case {
    int reserve, allocated;
  } cases[] = {{1, 16}, {16, 16}, {17, 32}, {200, 224}, {256, 256}, {300, 256}};
  for (const Case& c : cases) {
    TestColorMap map;
    map.ReserveEntries(c.reserve);
    EXPECT_EQ(map.Allocated(), c.allocated) << c.reserve;
  }
  // Growing keeps the entries; asking for less than allocated changes nothing.
  TestColorMap map;
  Fill(map, 17);
  EXPECT_EQ(map.Allocated(), 32);
  map.ReserveEntries(5);
  EXPECT_EQ(map.Allocated(), 32);
  EXPECT_EQ(map.ColorAt(16), RGBColor(16, 0, 0));
}

TEST(GIFColorMap, AppendingToAFullTableFailsAndKeepsIt) {
  TestColorMap map;
  Fill(map, 256);
  const auto before = Written(map);
  EXPECT_EQ(ErrorOf([&] { map.AppendColor(RGBColor(1, 2, 3)); }), "Color table overflow");
  EXPECT_EQ(map.EntryCount(), 256);
  EXPECT_EQ(Written(map), before);
}

TEST(GIFColorMap, FindColorDirectionFollowsSorted) {
  // The same colour at 3 and 9 of a 12-entry map.
  const gfx::TColor twice = RGBColor(7, 7, 7);
  TestColorMap m;
  for (int i = 0; i < 12; ++i) m.AppendColor(i == 3 || i == 9 ? twice : RGBColor(static_cast<std::uint8_t>(i), 0, 0));
  EXPECT_EQ(m.FindColor(twice), 9);
  m.SetSorted(true);
  EXPECT_EQ(m.FindColor(twice), 3);
  EXPECT_EQ(m.FindColor(RGBColor(1, 2, 3)), -1);
  // Appending clears the sort flag.
  m.AppendColor(RGBColor(1, 2, 3));
  EXPECT_FALSE(m.Sorted());
  EXPECT_EQ(m.FindOrAppendColor(RGBColor(1, 2, 3)), 12);
  EXPECT_EQ(m.FindOrAppendColor(RGBColor(4, 5, 6)), 13);
}

TEST(GIFColorMap, RemoveAndColorAtCheckTheIndex) {
  TestColorMap map;
  Fill(map, 4);
  map.SetSorted(true);
  map.RemoveColor(1);
  EXPECT_EQ(map.EntryCount(), 3);
  EXPECT_FALSE(map.Sorted());
  EXPECT_EQ(map.ColorAt(1), RGBColor(2, 0, 0));
  for (int bad : {-1, 3}) EXPECT_EQ(ErrorOf([&] { map.RemoveColor(bad); }), "Invalid color index");

  // A bad index warns and gives entry 0; on an empty map it raises.
  map.SetSorted(false);
  EXPECT_EQ(map.ColorAt(7), RGBColor(0, 0, 0));
  EXPECT_EQ(map.warnings, std::vector<std::string>{"Invalid color index"});
  TestColorMap empty;
  EXPECT_EQ(ErrorOf([&] { empty.ColorAt(0); }), "Color table is empty");
  EXPECT_EQ(empty.warnings.size(), 1u);
}

TEST(GIFColorMap, LoadersKeepOrderAndChannels) {
  TestColorMap map;
  const gfx::TRGBQuad quads[] = {{10, 20, 30, 0}, {1, 2, 3, 9}};
  map.LoadFromQuadTable(quads, 2);
  EXPECT_EQ(map.ColorAt(0), RGBColor(30, 20, 10));
  EXPECT_EQ(map.ColorAt(1), RGBColor(3, 2, 1));
  EXPECT_GT(map.changes, 0);
  map.LoadFromQuadTable(quads, 0);
  EXPECT_EQ(map.EntryCount(), 0);
  EXPECT_EQ(map.Allocated(), 0);

  // From a palette: flags ignored. From a bitmap's colour table: every entry, in order.
  map.LoadFromPaletteHandle(gfx::CreatePalette(std::vector<gfx::TPaletteEntry>{{9, 8, 7, 4}, {0, 0, 255, 0}}));
  ASSERT_EQ(map.EntryCount(), 2);
  EXPECT_EQ(map.ColorAt(0), RGBColor(9, 8, 7));
  map.LoadFromPaletteHandle(nullptr);
  EXPECT_EQ(map.EntryCount(), 0);

  gfx::TBitmap bitmap;
  bitmap.SetPixelFormat(gfx::pf4bit);
  bitmap.SetSize(1, 1);
  std::vector<gfx::TRGBQuad> table(16);
  for (int i = 0; i < 16; ++i) table[i] = {static_cast<std::uint8_t>(i), 0, static_cast<std::uint8_t>(100 + i), 0};
  bitmap.SetColorTable(table);
  map.LoadFromDIBSection(bitmap);
  ASSERT_EQ(map.EntryCount(), 16);
  EXPECT_EQ(map.ColorAt(15), RGBColor(115, 0, 15));
}

TEST(GIFColorMap, PaletteHandleAssignAndReadTable) {
  TestColorMap map;
  EXPECT_EQ(map.MakePaletteHandle(), nullptr);
  map.AppendColor(RGBColor(1, 2, 3));
  map.AppendColor(RGBColor(4, 5, 6));
  const gfx::HPALETTE palette = map.MakePaletteHandle();
  ASSERT_EQ(gfx::GetPaletteEntryCount(palette), 2u);
  EXPECT_EQ(palette->Version(), 0x300);
  EXPECT_EQ(palette->Entries()[1], (gfx::TPaletteEntry{4, 5, 6, 4}));

  TestColorMap copy;
  map.SetSorted(true);
  copy.Assign(&map);
  EXPECT_EQ(copy.EntryCount(), 2);
  EXPECT_EQ(copy.Allocated(), 16);
  EXPECT_TRUE(copy.Sorted());
  EXPECT_EQ(Written(copy), Written(map));
  gfx::TBitmap notAMap;
  EXPECT_THROW(copy.Assign(&notAMap), gfx::EConvertError);

  gfx::TMemoryStream stream;
  const std::uint8_t six[] = {1, 2, 3, 4, 5, 6, 7};
  stream.WriteBuffer(six, sizeof six);
  stream.SetPosition(0);
  copy.ReadTable(stream, 2);
  EXPECT_EQ(copy.ColorAt(1), RGBColor(4, 5, 6));
  stream.SetPosition(0);
  EXPECT_EQ(ErrorOf([&] { copy.ReadTable(stream, 3); }), "Premature end of data");
  stream.SetPosition(0);
  EXPECT_EQ(ErrorOf([&] { copy.ReadTable(stream, 257); }), "Color table overflow");
}
