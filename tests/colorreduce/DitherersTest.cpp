#include "colorreduce/Ditherers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

using namespace colorreduce;

namespace {

// Each channel on its own to 0 or 255 (threshold 128); index = red 4 + green 2 + blue 1.
// With green 0 and blue 255 only red carries an error, so rows can be worked out by hand.
class ThresholdLookup : public TColorLookup {
 public:
  ThresholdLookup() : TColorLookup(8) {}
  std::uint8_t MatchColor(std::uint8_t r, std::uint8_t g, std::uint8_t b, std::uint8_t& mr, std::uint8_t& mg,
                          std::uint8_t& mb) override {
    mr = r >= 128 ? 255 : 0;
    mg = g >= 128 ? 255 : 0;
    mb = b >= 128 ? 255 : 0;
    return static_cast<std::uint8_t>((mr ? 4 : 0) | (mg ? 2 : 0) | (mb ? 1 : 0));
  }
};

using Rows = std::vector<std::vector<std::uint8_t>>;  // one value per pixel, rows from the top

struct Pixel {
  std::uint8_t r, g, b;
};

// Runs a ditherer over the picture the way the driver does, checking the serpentine walk;
// returns the indices in picture order.
Rows Walk(TDitherEngine& ditherer, const std::vector<std::vector<Pixel>>& picture) {
  Rows indices;
  for (std::size_t y = 0; y < picture.size(); ++y) {
    const int width = static_cast<int>(picture[y].size());
    const bool rightward = y % 2 == 0;
    EXPECT_EQ(ditherer.Direction(), rightward ? 1 : -1) << "row " << y;
    EXPECT_EQ(ditherer.Column(), rightward ? 0 : width - 1) << "row " << y;
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width));
    int visited = 0;
    while (ditherer.Column() >= 0 && ditherer.Column() < ditherer.Width()) {
      const int x = ditherer.Column();
      EXPECT_EQ(x, rightward ? visited : width - 1 - visited);
      std::uint8_t mr, mg, mb;
      const Pixel& p = picture[y][static_cast<std::size_t>(x)];
      row[static_cast<std::size_t>(x)] = ditherer.DitherPixel(p.r, p.g, p.b, mr, mg, mb);
      ++visited;
    }
    EXPECT_EQ(visited, width);
    EXPECT_EQ(ditherer.Column(), rightward ? width : -1);
    indices.push_back(row);
    ditherer.NextRow();
  }
  return indices;
}

// Red values with green 0 and blue 255 (both exact, so they carry no error).
std::vector<std::vector<Pixel>> RedRows(const Rows& reds) {
  std::vector<std::vector<Pixel>> picture;
  for (const auto& row : reds) {
    std::vector<Pixel> pixels;
    for (const std::uint8_t r : row) pixels.push_back({r, 0, 255});
    picture.push_back(pixels);
  }
  return picture;
}

}  // namespace

// Worked out by hand from the kernels; index 1 is red 0, index 5 is red 255.
TEST(Ditherers, HandComputedRows) {
  struct Case {
    const char* name;
    TDitherKind kind;
    Rows reds;
    Rows want;
  } cases[] = {
      {"nearest", dkNearest, {{100, 200, 127, 128}, {128, 127, 200, 100}}, {{1, 5, 1, 5}, {5, 1, 5, 1}}},
      // carry 7/16 ahead; 3, 5, 1 sixteenths into the row below through the accumulators
      {"floyd-steinberg", dkFloydSteinberg, {{100, 100, 100}, {120, 120, 120}}, {{1, 5, 1}, {1, 5, 1}}},
      // rounding: 151 + (-385 + 8) div 16 = 151 - 23 = 128 (truncation toward zero)
      {"floyd-steinberg rounding", dkFloydSteinberg, {{200, 151}}, {{5, 5}}},
      // a zero error (255 clamped) leaves the row entry and below/belowPrev as they are
      {"floyd-steinberg zero error", dkFloydSteinberg, {{100, 255, 100}, {120, 120, 120}}, {{1, 5, 1}, {5, 5, 1}}},
      {"stucki", dkStucki, {{100, 100, 100}, {100, 100, 100}}, {{1, 1, 5}, {1, 5, 1}}},
      {"sierra", dkSierra, {{100, 100, 100, 100}}, {{1, 1, 5, 1}}},
      {"jajuni", dkJaJuNi, {{100, 100, 100, 100}}, {{1, 1, 1, 5}}},
      {"steve arche", dkSteveArche, {{120, 120, 120, 120, 120}}, {{1, 1, 5, 5, 1}}},
      {"burkes", dkBurkes, {{100, 100, 100, 100}, {100, 100, 100, 100}}, {{1, 1, 5, 1}, {5, 1, 5, 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ThresholdLookup matcher;
    auto ditherer = CreateDitherer(c.kind, static_cast<int>(c.reds[0].size()), matcher);
    EXPECT_EQ(Walk(*ditherer, RedRows(c.reds)), c.want);
  }
}

namespace {

struct Tap {
  int dy, dx, weight;
};

struct Kernel {
  TDitherKind kind;
  int divisor;
  std::vector<Tap> taps;
};

// Plain error diffusion over a whole error plane: each tap's column counted along the walk,
// taps falling outside the picture dropped.
Rows Diffuse(const Kernel& k, const std::vector<std::vector<Pixel>>& picture, TColorLookup& matcher) {
  const int height = static_cast<int>(picture.size()), width = static_cast<int>(picture[0].size());
  std::vector<std::vector<std::array<int, 3>>> error(static_cast<std::size_t>(height) + 4,
                                                     std::vector<std::array<int, 3>>(static_cast<std::size_t>(width)));
  Rows out(static_cast<std::size_t>(height), std::vector<std::uint8_t>(static_cast<std::size_t>(width)));
  for (int y = 0; y < height; ++y) {
    const int dir = y % 2 == 0 ? 1 : -1;
    for (int i = 0; i < width; ++i) {
      const int x = dir == 1 ? i : width - 1 - i;
      const Pixel& p = picture[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
      const int in[3] = {p.r, p.g, p.b};
      int v[3];
      for (int c = 0; c < 3; ++c)
        v[c] = std::clamp(in[c] + (error[y][x][c] + k.divisor / 2) / k.divisor, 0, 255);
      std::uint8_t m[3];
      out[y][x] = matcher.MatchColor(static_cast<std::uint8_t>(v[0]), static_cast<std::uint8_t>(v[1]),
                                     static_cast<std::uint8_t>(v[2]), m[0], m[1], m[2]);
      for (const Tap& t : k.taps) {
        const int tx = x + t.dx * dir;
        if (tx < 0 || tx >= width) continue;
        for (int c = 0; c < 3; ++c) error[y + t.dy][tx][c] += (v[c] - m[c]) * t.weight;
      }
    }
  }
  return out;
}

const Kernel kKernels[] = {
    {dkStucki, 42, {{0, 1, 8}, {0, 2, 4}, {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2},
                    {2, -2, 1}, {2, -1, 2}, {2, 0, 4}, {2, 1, 2}, {2, 2, 1}}},
    {dkSierra, 32, {{0, 1, 5}, {0, 2, 3}, {1, -2, 2}, {1, -1, 4}, {1, 0, 5}, {1, 1, 4}, {1, 2, 2},
                    {2, -1, 2}, {2, 0, 3}, {2, 1, 2}}},
    {dkJaJuNi, 48, {{0, 1, 7}, {0, 2, 5}, {1, -2, 3}, {1, -1, 5}, {1, 0, 7}, {1, 1, 5}, {1, 2, 3},
                    {2, -2, 1}, {2, -1, 3}, {2, 0, 5}, {2, 1, 3}, {2, 2, 1}}},
    {dkBurkes, 32, {{0, 1, 8}, {0, 2, 4}, {1, -2, 2}, {1, -1, 4}, {1, 0, 8}, {1, 1, 4}, {1, 2, 2}}},
    {dkSteveArche, 200, {{0, 2, 32}, {1, -3, 12}, {1, -1, 26}, {1, 1, 30}, {1, 3, 16}, {2, -2, 12}, {2, 0, 26},
                         {2, 2, 12}, {3, -3, 5}, {3, -1, 12}, {3, 1, 12}, {3, 3, 5}}},
};

}  // namespace

// The row buffers, cursors, spare entries and rotation must add up to plain diffusion over
// an error plane, on every channel, at every width down to 1.
TEST(Ditherers, KernelsMatchDiffusionOverAWholePlane) {
  std::mt19937 random(11);
  for (const Kernel& k : kKernels) {
    for (const int width : {1, 2, 3, 4, 7, 31}) {
      std::vector<std::vector<Pixel>> picture(9, std::vector<Pixel>(static_cast<std::size_t>(width)));
      for (auto& row : picture)
        for (Pixel& p : row) {
          const std::uint32_t v = random();
          p = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16)};
        }
      SCOPED_TRACE(testing::Message() << "kind " << int(k.kind) << " width " << width);
      TNetscapeColorLookup matcher;
      auto ditherer = CreateDitherer(k.kind, width, matcher);
      const Rows got = Walk(*ditherer, picture);
      TNetscapeColorLookup modelMatcher;
      EXPECT_EQ(got, Diffuse(k, picture, modelMatcher));
    }
  }
}

TEST(Ditherers, PaletteColoursCarryNoErrorAndUnknownKindsHaveNoDitherer) {
  for (int kind = dkNearest; kind <= dkBurkes; ++kind) {
    SCOPED_TRACE(kind);
    TNetscapeColorLookup matcher;
    auto ditherer = CreateDitherer(static_cast<TDitherKind>(kind), 6, matcher);
    const std::vector<std::vector<Pixel>> picture(5, std::vector<Pixel>(6, Pixel{51, 204, 153}));
    for (const auto& row : Walk(*ditherer, picture))
      EXPECT_TRUE(std::ranges::all_of(row, [](std::uint8_t i) { return i == 36 + 6 * 4 + 3; }));
  }
  TNetscapeColorLookup matcher;
  EXPECT_EQ(CreateDitherer(static_cast<TDitherKind>(7), 4, matcher), nullptr);
}
