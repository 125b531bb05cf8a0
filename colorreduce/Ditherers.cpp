#include "colorreduce/Ditherers.h"

#include <algorithm>
#include <new>

#include "gfx/Errors.h"

namespace colorreduce {

namespace {

std::uint8_t Clamp(std::int32_t v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); }

// Zero-filled signed entries; a refused allocation is the platform's out-of-memory error.
std::vector<std::int32_t> ZeroedRow(int entries) {
  try {
    return std::vector<std::int32_t>(static_cast<std::size_t>(entries), 0);
  } catch (const std::bad_alloc&) {
    throw gfx::EOutOfMemory();
  } catch (const std::length_error&) {
    throw gfx::EOutOfMemory();
  }
}

// The frame shared by the multi-row kernels: add the rounded error waiting in row 0 to each
// channel, clamp, match through the base engine (which steps the column), spread every
// non-zero difference between wanted and matched, and move the cursors along the walk.
template <class Spread>
std::uint8_t DiffusePixel(TDitherEngine& engine, TErrorRows& rows, int direction, int divisor,
                          const std::uint8_t (&in)[3], std::uint8_t& matchedRed, std::uint8_t& matchedGreen,
                          std::uint8_t& matchedBlue, Spread spread) {
  std::uint8_t wanted[3];
  for (int c = 0; c < 3; ++c) wanted[c] = Clamp(in[c] + (*rows.At(c, 0) + divisor / 2) / divisor);
  const std::uint8_t index =
      engine.TDitherEngine::DitherPixel(wanted[0], wanted[1], wanted[2], matchedRed, matchedGreen, matchedBlue);
  const std::uint8_t matched[3] = {matchedRed, matchedGreen, matchedBlue};
  for (int c = 0; c < 3; ++c) {
    const std::int32_t error = wanted[c] - matched[c];
    if (error != 0) spread(c, error);
  }
  rows.Step(direction);
  return index;
}

}  // namespace

// ---- TDitherEngine ----

std::uint8_t TDitherEngine::DitherPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                        std::uint8_t& matchedRed, std::uint8_t& matchedGreen,
                                        std::uint8_t& matchedBlue) {
  const std::uint8_t index = matcher_.MatchColor(red, green, blue, matchedRed, matchedGreen, matchedBlue);
  StepColumn();
  return index;
}

void TDitherEngine::NextRow() {
  direction_ = -direction_;
  column_ = direction_ == 1 ? 0 : width_ - 1;
}

// ---- TErrorRows ----

TErrorRows::TErrorRows(int width, int depth, int margin)
    : width_(width), depth_(depth), margin_(margin), cursor_(margin) {
  rows_.reserve(static_cast<std::size_t>(3 * depth));
  for (int i = 0; i < 3 * depth; ++i) rows_.push_back(ZeroedRow(width + 2 * margin));
}

void TErrorRows::NextRow(int direction) {
  for (int c = 0; c < 3; ++c) {
    auto first = rows_.begin() + c * depth_;
    std::fill(first->begin(), first->end(), 0);
    std::rotate(first, first + 1, first + depth_);  // moves the buffers, copies no entries
  }
  cursor_ = direction == 1 ? margin_ : width_ - 1 + margin_;
}

// ---- TFloydSteinbergDitherer ----

TFloydSteinbergDitherer::TFloydSteinbergDitherer(int width, TColorLookup& matcher) : TDitherEngine(width, matcher) {
  for (auto& row : errors_) row = ZeroedRow(width + 2);
}

std::uint8_t TFloydSteinbergDitherer::DitherPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                                  std::uint8_t& matchedRed, std::uint8_t& matchedGreen,
                                                  std::uint8_t& matchedBlue) {
  const std::uint8_t in[3] = {red, green, blue};
  std::int32_t wanted[3];
  for (int c = 0; c < 3; ++c) wanted[c] = Clamp(in[c] + (errors_[c][cursor_] + carry_[c] + 8) / 16);
  const std::uint8_t index =
      TDitherEngine::DitherPixel(static_cast<std::uint8_t>(wanted[0]), static_cast<std::uint8_t>(wanted[1]),
                                 static_cast<std::uint8_t>(wanted[2]), matchedRed, matchedGreen, matchedBlue);
  const std::uint8_t matched[3] = {matchedRed, matchedGreen, matchedBlue};
  for (int c = 0; c < 3; ++c) {
    const std::int32_t e = wanted[c] - matched[c];
    if (e != 0) {
      errors_[c][cursor_] = belowPrev_[c] + 3 * e;
      belowPrev_[c] = below_[c] + 5 * e;
      below_[c] = e;
      carry_[c] = 7 * e;
    } else {
      carry_[c] = 0;
    }
  }
  cursor_ += direction_;
  return index;
}

void TFloydSteinbergDitherer::NextRow() {
  for (int c = 0; c < 3; ++c) {
    errors_[c][cursor_] = belowPrev_[c];
    carry_[c] = below_[c] = belowPrev_[c] = 0;
  }
  TDitherEngine::NextRow();
  cursor_ = direction_ == 1 ? 0 : width_ + 1;
}

// ---- T5by3Ditherer and its kernels ----

T5by3Ditherer::T5by3Ditherer(int width, TColorLookup& matcher, int divisor)
    : TDitherEngine(width, matcher), divisor_(divisor), rows_(width, 3, 2) {}

std::uint8_t T5by3Ditherer::DitherPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                        std::uint8_t& matchedRed, std::uint8_t& matchedGreen,
                                        std::uint8_t& matchedBlue) {
  const std::uint8_t in[3] = {red, green, blue};
  return DiffusePixel(*this, rows_, direction_, divisor_, in, matchedRed, matchedGreen, matchedBlue,
      [&](int c, std::int32_t e) { SpreadError(rows_.At(c, 0), rows_.At(c, 1), rows_.At(c, 2), e); });
}

void T5by3Ditherer::NextRow() {
  TDitherEngine::NextRow();
  direction2_ = 2 * direction_;
  rows_.NextRow(direction_);
}

void TStuckiDitherer::SpreadError(std::int32_t* row0, std::int32_t* row1, std::int32_t* row2, std::int32_t e) {
  const int d = direction_, d2 = direction2_;
  row0[d] += 8 * e;
  row0[d2] += 4 * e;
  row1[-d2] += 2 * e;
  row1[-d] += 4 * e;
  row1[0] += 8 * e;
  row1[d] += 4 * e;
  row1[d2] += 2 * e;
  row2[-d2] += e;
  row2[-d] += 2 * e;
  row2[0] += 4 * e;
  row2[d] += 2 * e;
  row2[d2] += e;
}

void TSierraDitherer::SpreadError(std::int32_t* row0, std::int32_t* row1, std::int32_t* row2, std::int32_t e) {
  const int d = direction_, d2 = direction2_;
  row0[d] += 5 * e;
  row0[d2] += 3 * e;
  row1[-d2] += 2 * e;
  row1[-d] += 4 * e;
  row1[0] += 5 * e;
  row1[d] += 4 * e;
  row1[d2] += 2 * e;
  row2[-d] += 2 * e;
  row2[0] += 3 * e;
  row2[d] += 2 * e;
}

void TJaJuNiDitherer::SpreadError(std::int32_t* row0, std::int32_t* row1, std::int32_t* row2, std::int32_t e) {
  const int d = direction_, d2 = direction2_;
  row0[d] += 7 * e;
  row0[d2] += 5 * e;
  row1[-d2] += 3 * e;
  row1[-d] += 5 * e;
  row1[0] += 7 * e;
  row1[d] += 5 * e;
  row1[d2] += 3 * e;
  row2[-d2] += e;
  row2[-d] += 3 * e;
  row2[0] += 5 * e;
  row2[d] += 3 * e;
  row2[d2] += e;
}

// ---- TSteveArcheDitherer ----

TSteveArcheDitherer::TSteveArcheDitherer(int width, TColorLookup& matcher)
    : TDitherEngine(width, matcher), rows_(width, 4, 3) {}

std::uint8_t TSteveArcheDitherer::DitherPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                              std::uint8_t& matchedRed, std::uint8_t& matchedGreen,
                                              std::uint8_t& matchedBlue) {
  const std::uint8_t in[3] = {red, green, blue};
  return DiffusePixel(*this, rows_, direction_, 200, in, matchedRed, matchedGreen, matchedBlue,
      [&](int c, std::int32_t e) {
        const int d = direction_, d2 = direction2_, d3 = direction3_;
        std::int32_t* row0 = rows_.At(c, 0);
        std::int32_t* row1 = rows_.At(c, 1);
        std::int32_t* row2 = rows_.At(c, 2);
        std::int32_t* row3 = rows_.At(c, 3);
        row0[d2] += 32 * e;
        row1[-d3] += 12 * e;
        row1[-d] += 26 * e;
        row1[d] += 30 * e;
        row1[d3] += 16 * e;
        row2[-d2] += 12 * e;
        row2[0] += 26 * e;
        row2[d2] += 12 * e;
        row3[-d3] += 5 * e;
        row3[-d] += 12 * e;
        row3[d] += 12 * e;
        row3[d3] += 5 * e;
      });
}

void TSteveArcheDitherer::NextRow() {
  TDitherEngine::NextRow();
  direction2_ = 2 * direction_;
  direction3_ = 3 * direction_;
  rows_.NextRow(direction_);
}

// ---- TBurkesDitherer ----

TBurkesDitherer::TBurkesDitherer(int width, TColorLookup& matcher)
    : TDitherEngine(width, matcher), rows_(width, 2, 2) {}

std::uint8_t TBurkesDitherer::DitherPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue,
                                          std::uint8_t& matchedRed, std::uint8_t& matchedGreen,
                                          std::uint8_t& matchedBlue) {
  const std::uint8_t in[3] = {red, green, blue};
  return DiffusePixel(*this, rows_, direction_, 32, in, matchedRed, matchedGreen, matchedBlue,
      [&](int c, std::int32_t e) {
        const int d = direction_, d2 = direction2_;
        std::int32_t* row0 = rows_.At(c, 0);
        std::int32_t* row1 = rows_.At(c, 1);
        row0[d] += 8 * e;
        row0[d2] += 4 * e;
        row1[-d2] += 2 * e;
        row1[-d] += 4 * e;
        row1[0] += 8 * e;
        row1[d] += 4 * e;
        row1[d2] += 2 * e;
      });
}

void TBurkesDitherer::NextRow() {
  TDitherEngine::NextRow();
  direction2_ = 2 * direction_;
  rows_.NextRow(direction_);
}

// ---- Choice by kind ----

std::unique_ptr<TDitherEngine> CreateDitherer(TDitherKind kind, int width, TColorLookup& matcher) {
  switch (kind) {
    case dkNearest: return std::make_unique<TDitherEngine>(width, matcher);
    case dkFloydSteinberg: return std::make_unique<TFloydSteinbergDitherer>(width, matcher);
    case dkStucki: return std::make_unique<TStuckiDitherer>(width, matcher);
    case dkSierra: return std::make_unique<TSierraDitherer>(width, matcher);
    case dkJaJuNi: return std::make_unique<TJaJuNiDitherer>(width, matcher);
    case dkSteveArche: return std::make_unique<TSteveArcheDitherer>(width, matcher);
    case dkBurkes: return std::make_unique<TBurkesDitherer>(width, matcher);
  }
  return nullptr;
}

}  // namespace colorreduce
