#pragma once
// Pixel walks for the reduction driver. The base engine maps every pixel to its matched
// index and walks the rows in serpentine order (even rows left to right, odd rows right
// to left); the error-diffusion kinds carry each pixel's colour error over to pixels not
// yet visited, with their own kernels. The driver asks the ditherer for its column and
// direction to know which pixel to hand over next.
#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "colorreduce/ColorLookup.h"
#include "colorreduce/ReductionTypes.h"

namespace colorreduce {

class TDitherEngine {
 public:
  TDitherEngine(int width, TColorLookup& matcher) : width_(width), matcher_(matcher) {}
  virtual ~TDitherEngine() = default;
  TDitherEngine(const TDitherEngine&) = delete;
  TDitherEngine& operator=(const TDitherEngine&) = delete;

  // Matches one pixel, returns its index and the matched colour, and steps the column.
  virtual std::uint8_t DitherPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t& matchedRed,
                                   std::uint8_t& matchedGreen, std::uint8_t& matchedBlue);
  // Ends the row; the next one is walked the other way, from its first column in walk order.
  virtual void NextRow();

  int Direction() const { return direction_; }
  int Column() const { return column_; }
  int Width() const { return width_; }

 protected:
  void StepColumn() { column_ += direction_; }

  int direction_ = 1;
  int column_ = 0;
  int width_;
  TColorLookup& matcher_;
};

// Signed error rows of the kernels that reach several rows ahead: for each channel `depth`
// rows of width + 2 * margin entries, the entry of column c being c + margin, so a kernel
// may write up to `margin` columns beyond either edge. Row 0 is the current row.
class TErrorRows {
 public:
  TErrorRows(int width, int depth, int margin);

  // The entry of the current column in one channel's row.
  std::int32_t* At(int channel, int row) { return rows_[static_cast<std::size_t>(channel * depth_ + row)].data() + cursor_; }
  void Step(int direction) { cursor_ += direction; }
  // Zeroes row 0 and rotates it to the back, then puts the cursor on the new row's first
  // column in walk order.
  void NextRow(int direction);

 private:
  int width_, depth_, margin_;
  int cursor_;
  std::vector<std::vector<std::int32_t>> rows_;  // channel-major: red rows, green rows, blue rows
};

// Floyd-Steinberg with one error row per channel of width + 2 entries and three
// accumulators: carry (next pixel of this row), below and belowPrev (shares for the next row).
class TFloydSteinbergDitherer : public TDitherEngine {
 public:
  TFloydSteinbergDitherer(int width, TColorLookup& matcher);
  std::uint8_t DitherPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t& matchedRed,
                           std::uint8_t& matchedGreen, std::uint8_t& matchedBlue) override;
  void NextRow() override;

 private:
  std::array<std::vector<std::int32_t>, 3> errors_;
  int cursor_ = 0;
  std::array<std::int32_t, 3> carry_{}, below_{}, belowPrev_{};
};

// Kernels five columns wide and three rows deep; each kind sets its divisor and spreads
// one channel's error into that channel's three rows.
class T5by3Ditherer : public TDitherEngine {
 public:
  std::uint8_t DitherPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t& matchedRed,
                           std::uint8_t& matchedGreen, std::uint8_t& matchedBlue) override;
  void NextRow() override;

 protected:
  T5by3Ditherer(int width, TColorLookup& matcher, int divisor);
  virtual void SpreadError(std::int32_t* row0, std::int32_t* row1, std::int32_t* row2, std::int32_t error) = 0;

  int divisor_;
  int direction2_ = 2;
  TErrorRows rows_;
};

class TStuckiDitherer : public T5by3Ditherer {
 public:
  TStuckiDitherer(int width, TColorLookup& matcher) : T5by3Ditherer(width, matcher, 42) {}

 protected:
  void SpreadError(std::int32_t* row0, std::int32_t* row1, std::int32_t* row2, std::int32_t error) override;
};

class TSierraDitherer : public T5by3Ditherer {
 public:
  TSierraDitherer(int width, TColorLookup& matcher) : T5by3Ditherer(width, matcher, 32) {}

 protected:
  void SpreadError(std::int32_t* row0, std::int32_t* row1, std::int32_t* row2, std::int32_t error) override;
};

class TJaJuNiDitherer : public T5by3Ditherer {
 public:
  TJaJuNiDitherer(int width, TColorLookup& matcher) : T5by3Ditherer(width, matcher, 48) {}

 protected:
  void SpreadError(std::int32_t* row0, std::int32_t* row1, std::int32_t* row2, std::int32_t error) override;
};

// Seven columns wide, four rows deep, divisor 200.
class TSteveArcheDitherer : public TDitherEngine {
 public:
  TSteveArcheDitherer(int width, TColorLookup& matcher);
  std::uint8_t DitherPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t& matchedRed,
                           std::uint8_t& matchedGreen, std::uint8_t& matchedBlue) override;
  void NextRow() override;

 private:
  int direction2_ = 2, direction3_ = 3;
  TErrorRows rows_;
};

// Five columns wide, two rows deep, divisor 32.
class TBurkesDitherer : public TDitherEngine {
 public:
  TBurkesDitherer(int width, TColorLookup& matcher);
  std::uint8_t DitherPixel(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t& matchedRed,
                           std::uint8_t& matchedGreen, std::uint8_t& matchedBlue) override;
  void NextRow() override;

 private:
  int direction2_ = 2;
  TErrorRows rows_;
};

// The ditherer of a kind; null for a kind beyond dkBurkes.
std::unique_ptr<TDitherEngine> CreateDitherer(TDitherKind kind, int width, TColorLookup& matcher);

}  // namespace colorreduce
