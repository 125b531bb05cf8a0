#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx/Bitmap.h"
#include "gfx/Errors.h"
#include "gif/GIFException.h"
#include "gif/GIFImage.h"
#include "tests/colorreduce/Pictures.h"
#include "tests/support/Decoders.h"

using namespace gif;
using colorreduce::test::CubeIndex;
using colorreduce::test::NoisePicture;
using colorreduce::test::Picture;
using colorreduce::test::PixelOf;
using colorreduce::test::RGB;

namespace {

std::string ErrorOf(auto&& action) {
  try {
    action();
  } catch (const gfx::Exception& e) {
    return e.what();
  }
  return "no error";
}

std::vector<std::uint8_t> Indices(TGIFSubImage& frame) {
  std::vector<std::uint8_t> out;
  for (int y = 0; y < frame.Height(); ++y) out.insert(out.end(), frame.RowAddress(y), frame.RowAddress(y) + frame.Width());
  return out;
}

// A graphic that cannot become a bitmap.
class OpaqueGraphic : public gfx::TGraphic {
 public:
  std::string_view ClassName() const override { return "OpaqueGraphic"; }
  bool Empty() const override { return false; }
  int Width() const override { return 1; }
  int Height() const override { return 1; }
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  void SaveToStream(gfx::TStream&) override {}
};

}  // namespace

TEST(GIFImage, NewImageHasTheDefaults) {
  TGIFImage image;
  EXPECT_EQ(image.ReductionMethod, colorreduce::rdNetscape);
  EXPECT_EQ(image.PaletteBits, 8);
  EXPECT_EQ(image.DitherKind, colorreduce::dkNearest);
  EXPECT_EQ(image.Encoding, enLZW);
  EXPECT_EQ(image.DrawOptions, 0x060F);
  EXPECT_EQ(image.AnimationSpeed, 100);
  EXPECT_EQ(image.ForceFrame, -1);
  EXPECT_TRUE(image.Empty());
  EXPECT_EQ(image.Width(), 0);
  EXPECT_EQ(image.Height(), 0);
  EXPECT_EQ(image.RequiredVersion(), gvUnknown);
  EXPECT_EQ(image.GlobalColors().EntryCount(), 0);
  EXPECT_EQ(image.Palette(), nullptr);
}

TEST(GIFImage, TrueColourBitmapBecomesOneReducedFrame) {
  auto bitmap = NoisePicture(37, 21, 5);
  TGIFImage image;
  image.Assign(bitmap.get());
  ASSERT_EQ(image.Frames().Count(), 1);
  TGIFSubImage& frame = *image.Frames().SubImages(0);
  EXPECT_EQ(frame.Left(), 0);
  EXPECT_EQ(frame.Top(), 0);
  EXPECT_EQ(frame.Width(), 37);
  EXPECT_EQ(frame.Height(), 21);
  EXPECT_EQ(image.Width(), 37);
  EXPECT_EQ(image.Height(), 21);
  EXPECT_EQ(frame.PixelDataSize(), 37u * 21u);
  ASSERT_EQ(frame.LocalColors().EntryCount(), 256);
  EXPECT_FALSE(frame.LocalColors().Sorted());
  EXPECT_EQ(frame.ExtensionBlocks().Count(), 0);
  EXPECT_EQ(image.RequiredVersion(), gv87a);
  for (int i = 0; i < 256; ++i) {
    const int r = i < 216 ? 51 * (i / 36) : 0, g = i < 216 ? 51 * (i / 6 % 6) : 0, b = i < 216 ? 51 * (i % 6) : 0;
    ASSERT_EQ(frame.LocalColors().ColorAt(i), gfx::RGBColor(r, g, b)) << i;
  }
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 37; ++x) ASSERT_EQ(frame.Pixels(x, y), CubeIndex(PixelOf(*bitmap, x, y))) << x << "," << y;

  // A new assignment replaces the frame and the logical screen starts again from 0 x 0.
  auto small = NoisePicture(5, 3, 6);
  image.Assign(small.get());
  EXPECT_EQ(image.Frames().Count(), 1);
  EXPECT_EQ(image.Width(), 5);
  EXPECT_EQ(image.Height(), 3);
}

TEST(GIFImage, EmptyBitmapGivesOneEmptyFrame) {
  gfx::TBitmap bitmap;
  bitmap.SetPixelFormat(gfx::pf24bit);
  bitmap.SetSize(7, 0);
  TGIFImage image;
  image.Assign(&bitmap);
  ASSERT_EQ(image.Frames().Count(), 1);
  EXPECT_TRUE(image.Frames().SubImages(0)->IsEmpty());
  EXPECT_EQ(image.Width(), 0);
  EXPECT_EQ(image.Height(), 0);
  EXPECT_EQ(ErrorOf([&] { image.Frames().SubImages(0)->RowAddress(0); }), "Image is empty");
}

TEST(GIFImage, IndexedBitmapsKeepTheirIndicesAndColours) {
  for (gfx::TPixelFormat format : {gfx::pf1bit, gfx::pf4bit, gfx::pf8bit}) {
    for (int width : {1, 7, 8, 9, 33}) {
      auto bitmap = testsupport::NewPatternBitmap(width, 5, format, static_cast<unsigned>(width));
      TGIFImage image;
      image.Assign(bitmap.get());
      TGIFSubImage& frame = *image.Frames().SubImages(0);
      const auto table = bitmap->ColorTable();
      ASSERT_EQ(frame.LocalColors().EntryCount(), static_cast<int>(table.size()));
      for (std::size_t i = 0; i < table.size(); ++i)
        EXPECT_EQ(frame.LocalColors().ColorAt(static_cast<int>(i)), gfx::RGBColor(table[i].Red, table[i].Green, table[i].Blue));
      const int bits = gfx::BitsPerPixel(format);
      for (int y = 0; y < 5; ++y) {
        const std::uint8_t* row = std::as_const(*bitmap).ScanLine(y);
        for (int x = 0; x < width; ++x) {
          const int bit = x * bits;
          const int index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1 << bits) - 1);
          ASSERT_EQ(frame.Pixels(x, y), index) << "bits " << bits << " width " << width << " at " << x << "," << y;
        }
      }
    }
  }
}

TEST(GIFImage, WithoutReductionExactColoursInOrderOfAppearance) {
  // 256 distinct colours, appearing in a known order, with repeats the cache must resolve.
  auto colourOf = [](int i) { return RGB{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 7}; };
  auto bitmap = Picture(64, 12, [&](int x, int y) { return colourOf((y * 64 + x) / 3 % 256); });
  TGIFImage image;
  image.ReductionMethod = colorreduce::rdNone;
  image.Assign(bitmap.get());
  TGIFSubImage& frame = *image.Frames().SubImages(0);
  ASSERT_EQ(frame.LocalColors().EntryCount(), 256);
  for (int i = 0; i < 256; ++i) {
    const RGB c = colourOf(i);
    ASSERT_EQ(frame.LocalColors().ColorAt(i), gfx::RGBColor(c.r, c.g, c.b));
  }
  for (int y = 0; y < 12; ++y)
    for (int x = 0; x < 64; ++x) ASSERT_EQ(frame.Pixels(x, y), (y * 64 + x) / 3 % 256);

  // One colour more fails, and the image keeps no frame.
  auto tooMany = Picture(257, 1, [&](int x, int) { return RGB{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(x / 256), 0}; });
  EXPECT_EQ(ErrorOf([&] { image.Assign(tooMany.get()); }), "Color table overflow");
  EXPECT_EQ(image.Frames().Count(), 0);
}

TEST(GIFImage, ReductionWithoutAPictureFailsCleanly) {
  auto bitmap = NoisePicture(4, 4, 1);
  TGIFImage image;
  image.ReductionMethod = colorreduce::rdCustomPalette;  // no custom palette is ever passed
  EXPECT_EQ(ErrorOf([&] { image.Assign(bitmap.get()); }), "Image is empty");
  EXPECT_EQ(image.Frames().Count(), 0);
}

TEST(GIFImage, FrameBoundsGrowTheScreenWithWarnings) {
  TGIFImage image;
  std::vector<std::string> warnings;
  image.WarningHandler = [&](TGIFSeverity, const std::string& message) { warnings.push_back(message); };
  auto bitmap = NoisePicture(10, 10, 2);
  image.Assign(bitmap.get());
  EXPECT_TRUE(warnings.empty()) << "a 0 x 0 screen simply grows";

  TGIFSubImage& frame = *image.Frames().SubImages(0);
  frame.SetFrameBounds(5, 2, 10, 10);
  EXPECT_EQ(warnings, (std::vector<std::string>{"Image width too small for contained frames",
                                                "Image height too small for contained frames",
                                                "Image exceeds Logical Screen size"}));
  EXPECT_EQ(image.Width(), 15);
  EXPECT_EQ(image.Height(), 12);

  // A new width reallocates the store, zero-filled.
  frame.SetPixels(3, 3, 77);
  frame.SetWidth(4);
  EXPECT_EQ(frame.PixelDataSize(), 40u);
  EXPECT_EQ(Indices(frame), std::vector<std::uint8_t>(40, 0));

  // The screen cannot shrink below a frame.
  EXPECT_EQ(ErrorOf([&] { image.SetWidth(8); }), "Image width too small for contained frames");
  EXPECT_EQ(ErrorOf([&] { image.SetHeight(11); }), "Image height too small for contained frames");
  image.SetWidth(9);
  EXPECT_EQ(image.Width(), 9);
}

TEST(GIFImage, PixelAccessChecksCoordinates) {
  auto bitmap = NoisePicture(3, 2, 3);
  TGIFImage image;
  image.Assign(bitmap.get());
  TGIFSubImage& frame = *image.Frames().SubImages(0);
  for (auto [x, y] : {std::pair{0, -1}, {0, 2}, {-1, 0}, {3, 1}})
    EXPECT_EQ(ErrorOf([&] { frame.Pixels(x, y); }), "Invalid pixel coordinates") << x << "," << y;
  frame.SetPixels(2, 1, 9);
  EXPECT_EQ(frame.RowAddress(1)[2], 9);
}

TEST(GIFImage, PicturesLargerThanTheFileCanHoldAreRefused) {
  const std::string tooLarge = "Image too large for GIF: width and height are limited to 65535 pixels";
  for (auto [w, h] : {std::pair{65536, 1}, {1, 65536}}) {
    gfx::TBitmap bitmap;
    bitmap.SetPixelFormat(gfx::pf8bit);
    bitmap.SetSize(w, h);
    TGIFImage image;
    EXPECT_EQ(ErrorOf([&] { image.Assign(&bitmap); }), tooLarge) << w << "x" << h;
    EXPECT_EQ(image.Frames().Count(), 0);
  }
  TGIFImage image;
  EXPECT_EQ(ErrorOf([&] { image.SetWidth(65536); }), tooLarge);
  auto bitmap = NoisePicture(2, 2, 1);
  image.Assign(bitmap.get());
  EXPECT_EQ(ErrorOf([&] { image.Frames().SubImages(0)->SetFrameBounds(65535, 0, 1, 1); }), tooLarge);
}

TEST(GIFImage, AddFrameAndAssignFromOtherObjects) {
  TGIFImage image;
  auto a = NoisePicture(4, 3, 1);
  auto b = NoisePicture(6, 2, 2);
  EXPECT_EQ(image.AddFrame(a.get()), 0);
  EXPECT_EQ(image.AddFrame(b.get()), 1);
  EXPECT_EQ(image.Width(), 6);
  EXPECT_EQ(image.Height(), 3);
  // A frame is copied.
  EXPECT_EQ(image.AddFrame(image.Frames().SubImages(0)), 2);
  EXPECT_EQ(Indices(*image.Frames().SubImages(2)), Indices(*image.Frames().SubImages(0)));

  TGIFTrailer trailer(&image);
  EXPECT_EQ(ErrorOf([&] { image.AddFrame(&trailer); }), "Object type not supported for operation");
  EXPECT_EQ(image.Frames().Count(), 3);

  // A graphic that cannot become a frame: the platform's conversion error naming both classes.
  OpaqueGraphic opaque;
  try {
    image.Assign(&opaque);
    FAIL() << "no error";
  } catch (const gfx::EConvertError& e) {
    EXPECT_NE(std::string(e.what()).find("OpaqueGraphic"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("TGIFImage"), std::string::npos) << e.what();
  }
  EXPECT_EQ(image.Frames().Count(), 0);

  // Null empties the image; another TGIFImage is copied.
  image.Assign(a.get());
  TGIFImage copy;
  copy.Assign(&image);
  ASSERT_EQ(copy.Frames().Count(), 1);
  EXPECT_EQ(Indices(*copy.Frames().SubImages(0)), Indices(*image.Frames().SubImages(0)));
  EXPECT_EQ(copy.Width(), 4);
  image.Assign(nullptr);
  EXPECT_TRUE(image.Empty());
  EXPECT_EQ(image.Width(), 0);
}

TEST(GIFImage, ProgressOfImportAndSave) {
  struct Event {
    gfx::TProgressStage stage;
    int percent;
    std::string message;
    bool operator==(const Event&) const = default;
  };
  std::vector<Event> events;
  TGIFImage image;
  image.OnProgress = [&](gfx::TGraphic*, gfx::TProgressStage stage, std::uint8_t percent, bool, const gfx::TRect&,
                         const std::string& message) { events.push_back({stage, percent, message}); };
  auto bitmap = NoisePicture(3, 70, 1);
  image.Assign(bitmap.get());
  const std::vector<Event> converting = {{gfx::psStarting, 0, "Converting..."},
                                         {gfx::psRunning, 0, "Converting..."},
                                         {gfx::psRunning, 46, "Converting..."},
                                         {gfx::psRunning, 91, "Converting..."},
                                         {gfx::psEnding, 100, "Converting..."}};
  EXPECT_EQ(events, converting);
  events.clear();
  gfx::TMemoryStream stream;
  image.SaveToStream(stream);
  EXPECT_EQ(events, (std::vector<Event>{{gfx::psStarting, 0, "Saving..."},
                                        {gfx::psRunning, 100, "Saving..."},
                                        {gfx::psEnding, 100, "Saving..."}}));
}

TEST(GIFImage, ExtensionsAndSortedColoursNeed89a) {
  TGIFImage image;
  auto bitmap = NoisePicture(2, 2, 1);
  image.Assign(bitmap.get());
  TGIFSubImage& frame = *image.Frames().SubImages(0);
  EXPECT_EQ(frame.RequiredVersion(), gv87a);
  frame.LocalColors().SetSorted(true);
  EXPECT_EQ(image.RequiredVersion(), gv89a);
  frame.LocalColors().SetSorted(false);
  auto control = std::make_unique<TGIFGraphicControlExtension>(&image);
  TGIFGraphicControlExtension* raw = control.get();
  frame.AddExtension(std::move(control));
  EXPECT_EQ(frame.ControlExtension(), raw);
  EXPECT_EQ(image.RequiredVersion(), gv89a);
}
