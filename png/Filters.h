#pragma once
// Scanline filters (method 0): apply, score and choose, as small pure functions.
#include <cstddef>
#include <cstdint>

namespace png {

enum TFilterType : std::uint8_t { ftNone = 0, ftSub = 1, ftUp = 2, ftAverage = 3, ftPaeth = 4 };

// Filter modes of the writer: 0 adaptive, 1 None, 2 Sub, 3 Up, 4 Average, 5 Paeth;
// anything above 5 acts as None.
constexpr std::uint8_t fmAdaptive = 0;
constexpr TFilterType FixedFilterOf(std::uint8_t mode) {
  return (mode >= 2 && mode <= 5) ? static_cast<TFilterType>(mode - 1) : ftNone;
}

// Score of a row the filter judges uniform (chosen at once).
constexpr std::int64_t UniformScore = -1;

std::uint8_t PaethPredictor(std::uint8_t left, std::uint8_t above, std::uint8_t upperLeft);

// out[0] = type, out[1 .. length] = the filtered bytes of row against previous.
// bpp is the standard's bytes per complete pixel (at least 1).
void FilterRow(TFilterType type, const std::uint8_t* row, const std::uint8_t* previous, std::size_t length,
               std::size_t bpp, std::uint8_t* out);

// Score of a filtered row of n bytes (type byte included); higher is better, -1 uniform.
// histogram holds 256 counters of scratch space.
std::int64_t ScoreFilteredRow(const std::uint8_t* row, std::size_t n, int pixelBits, std::uint32_t* histogram);

struct TAdaptiveBuffers {
  std::uint8_t* Best;   // on return: the chosen filtered row
  std::uint8_t* Trial;  // scratch
  std::uint32_t* Histogram;
};

// Tries None, then Sub, Up, Average and Paeth, keeping the best score; the chosen row ends
// in buffers.Best (the two row buffers may change roles). formatBits 4 always takes None,
// 1 and 8 favour None by doubling its score.
TFilterType ChooseAdaptiveFilter(const std::uint8_t* row, const std::uint8_t* previous, std::size_t length,
                                 std::size_t bpp, int pixelBits, int formatBits, TAdaptiveBuffers& buffers);

}  // namespace png
