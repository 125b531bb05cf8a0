#include "png/Filters.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace png {

std::uint8_t PaethPredictor(std::uint8_t left, std::uint8_t above, std::uint8_t upperLeft) {
  const int p = left + above - upperLeft;
  const int pa = std::abs(p - left);
  const int pb = std::abs(p - above);
  const int pc = std::abs(p - upperLeft);
  if (pa <= pb && pa <= pc) return left;
  if (pb <= pc) return above;
  return upperLeft;
}

void FilterRow(TFilterType type, const std::uint8_t* row, const std::uint8_t* previous, std::size_t length,
               std::size_t bpp, std::uint8_t* out) {
  out[0] = type;
  std::uint8_t* o = out + 1;
  const std::size_t lead = bpp < length ? bpp : length;  // bytes without a left neighbour
  switch (type) {
    case ftNone:
      std::memcpy(o, row, length);
      break;
    case ftSub:
      std::memcpy(o, row, lead);
      for (std::size_t i = lead; i < length; ++i) o[i] = static_cast<std::uint8_t>(row[i] - row[i - bpp]);
      break;
    case ftUp:
      for (std::size_t i = 0; i < length; ++i) o[i] = static_cast<std::uint8_t>(row[i] - previous[i]);
      break;
    case ftAverage:
      for (std::size_t i = 0; i < lead; ++i) o[i] = static_cast<std::uint8_t>(row[i] - (previous[i] >> 1));
      for (std::size_t i = lead; i < length; ++i)
        o[i] = static_cast<std::uint8_t>(row[i] - ((row[i - bpp] + previous[i]) >> 1));
      break;
    case ftPaeth:
      for (std::size_t i = 0; i < lead; ++i) o[i] = static_cast<std::uint8_t>(row[i] - previous[i]);
      for (std::size_t i = lead; i < length; ++i)
        o[i] = static_cast<std::uint8_t>(row[i] - PaethPredictor(row[i - bpp], previous[i], previous[i - bpp]));
      break;
  }
}

std::int64_t ScoreFilteredRow(const std::uint8_t* row, std::size_t n, int pixelBits, std::uint32_t* histogram) {
  std::memset(histogram, 0, 256 * sizeof(std::uint32_t));
  for (std::size_t i = 0; i < n; ++i) ++histogram[row[i]];
  std::uint64_t top1 = 0, top2 = 0, top3 = 0;
  int distinct = 0;
  for (int v = 0; v < 256; ++v) {
    const std::uint64_t c = histogram[v];
    if (c != 0) ++distinct;
    if (c >= top1) {
      top3 = top2;
      top2 = top1;
      top1 = c;
    } else if (c >= top2) {
      top3 = top2;
      top2 = c;
    } else if (c >= top3) {
      top3 = c;
    }
  }
  if (distinct <= 8 || top1 * 100 >= 90 * static_cast<std::uint64_t>(n)) return UniformScore;
  const double len = static_cast<double>(n);
  double score;
  if (pixelBits < 8)
    score = len / 1.5 / distinct * 1500.0 + static_cast<double>(top1 + top2) / len * 1000.0;
  else
    score = len / 1.5 / distinct * 1000.0 + static_cast<double>(top1 + top2 + top3) / len * 1000.0;
  return static_cast<std::int64_t>(score);
}

TFilterType ChooseAdaptiveFilter(const std::uint8_t* row, const std::uint8_t* previous, std::size_t length,
                                 std::size_t bpp, int pixelBits, int formatBits, TAdaptiveBuffers& buffers) {
  const std::size_t n = length + 1;
  FilterRow(ftNone, row, previous, length, bpp, buffers.Best);
  std::int64_t bestScore = ScoreFilteredRow(buffers.Best, n, pixelBits, buffers.Histogram);
  if (bestScore == UniformScore || formatBits == 4) return ftNone;
  if (formatBits == 1 || formatBits == 8) bestScore *= 2;
  TFilterType best = ftNone;
  for (TFilterType type : {ftSub, ftUp, ftAverage, ftPaeth}) {
    FilterRow(type, row, previous, length, bpp, buffers.Trial);
    const std::int64_t score = ScoreFilteredRow(buffers.Trial, n, pixelBits, buffers.Histogram);
    if (score == UniformScore) {
      std::swap(buffers.Best, buffers.Trial);
      return type;
    }
    if (score > bestScore) {
      bestScore = score;
      best = type;
      std::swap(buffers.Best, buffers.Trial);
    }
  }
  return best;
}

}  // namespace png
