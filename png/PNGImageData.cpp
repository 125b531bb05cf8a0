// The image data step of the PNG writer: rows converted, optionally shown to the row hook,
// filtered, deflated and cut into IDAT chunks.
#include <algorithm>
#include <exception>
#include <span>
#include <utility>

#include "png/Filters.h"
#include "png/PNGDeflater.h"
#include "png/PNGErrors.h"
#include "png/PNGWriteStream.h"
#include "png/RowConvert.h"

namespace png {

namespace {

struct TPass {
  int StartColumn, ColumnStep, StartRow, RowStep;
};

constexpr TPass WholeImage[1] = {{0, 1, 0, 1}};
constexpr TPass Adam7[7] = {{0, 8, 0, 8}, {4, 8, 0, 8}, {0, 4, 4, 8}, {2, 4, 0, 4},
                            {0, 2, 2, 4}, {1, 2, 0, 2}, {0, 1, 1, 2}};

int CountFrom(int start, int step, int size) { return size > start ? (size - start + step - 1) / step : 0; }

void PrefetchRow(const std::uint8_t* row, std::size_t bytes) {
  constexpr std::size_t CacheLine = 64;
  for (std::size_t i = 0; i < bytes; i += CacheLine) __builtin_prefetch(row + i);
}

}  // namespace

int ProgressRowTotal(int h, bool interlaced) {
  if (!interlaced) return h;
  int total = 2 * ((h + 7) / 8) + (h + 3) / 4 + (h + 1) / 2;
  if (h >= 5) total += (h + 3) / 8;
  if (h >= 3) total += (h + 1) / 4;
  if (h >= 2) total += h / 2;
  return total;
}

void TPNGWriteStream::WriteImageData(const gfx::TBitmap& bitmap) {
  const int width = bitmap.Width();
  const int height = bitmap.Height();
  TPNGRowBlock rows(width, format_.PixelBits);
  if (format_.GrayOut && format_.SourceBits <= 8) grayTable_ = BuildGrayTable(palette_, format_.SourceBits);

  TPNGDeflater deflater([this](const std::uint8_t* data, std::size_t count) {
    WriteChunk("IDAT", data, static_cast<std::int32_t>(count));
  });
  deflater.Prepare(CompressionLevel, static_cast<std::size_t>(idatSize_));  // unprepared: the first row fails

  BeginStage(ProgressRowTotal(height, Interlaced), 0);

  const TRowConverter convert = ChooseRowConverter(bitmap.PixelFormat(), format_);
  const TRowConvertContext context{grayTable_.data(), static_cast<std::size_t>(sourceRowBytes_), Interlaced};
  const auto filterMode = static_cast<std::uint8_t>(FilterMode);
  const TFilterType fixedFilter = FixedFilterOf(filterMode);
  const std::size_t bpp = static_cast<std::size_t>((format_.PixelBits + 7) / 8);
  const bool hook = RowHookApplies();
  const auto sourceBytes = static_cast<std::size_t>(bitmap.Stride());
  const std::span<const TPass> passes = Interlaced ? std::span<const TPass>(Adam7) : std::span<const TPass>(WholeImage);

  std::exception_ptr rowError;
  try {
    int rowsDone = 0;
    for (const TPass& pass : passes) {
      const TPassColumns columns{pass.StartColumn, pass.ColumnStep, CountFrom(pass.StartColumn, pass.ColumnStep, width)};
      if (columns.Count == 0 || CountFrom(pass.StartRow, pass.RowStep, height) == 0) continue;
      const std::size_t rowLength = (static_cast<std::size_t>(columns.Count) * format_.PixelBits + 7) / 8 + 1;
      const std::size_t sampleBytes = rowLength - 1;
      std::fill_n(rows.PreviousRow, sampleBytes, std::uint8_t{0});

      for (int y = pass.StartRow; y < height; y += pass.RowStep) {
        const std::uint8_t* mask = format_.AlphaOut ? acceptedMask_->ScanLine(y) : nullptr;
        convert(bitmap.ScanLine(y), mask, rows.CurrentRow, columns, context);
        // Stored rows run bottom-up, which the processor's own prefetching follows poorly:
        // ask for the next row while this one is being compressed.
        if (y + pass.RowStep < height) PrefetchRow(bitmap.ScanLine(y + pass.RowStep), sourceBytes);
        if (hook) OnWriteRow(this, rows.CurrentRow, static_cast<int>(sampleBytes), rowsDone, RowKey);

        const std::uint8_t* filtered;
        if (filterMode == fmAdaptive) {
          TAdaptiveBuffers buffers{rows.BestRow, rows.TrialRow, rows.Histogram};
          ChooseAdaptiveFilter(rows.CurrentRow, rows.PreviousRow, sampleBytes, bpp, format_.PixelBits,
                               format_.PNGBits, buffers);
          rows.BestRow = buffers.Best;
          rows.TrialRow = buffers.Trial;
          filtered = rows.BestRow;
        } else if (fixedFilter == ftNone) {
          rows.CurrentRow[-1] = ftNone;  // the free byte in front of the row: no copy
          filtered = rows.CurrentRow - 1;
        } else {
          FilterRow(fixedFilter, rows.CurrentRow, rows.PreviousRow, sampleBytes, bpp, rows.BestRow);
          filtered = rows.BestRow;
        }
        deflater.CompressRow(filtered, rowLength);

        std::swap(rows.CurrentRow, rows.PreviousRow);
        ++rowsDone;
        if (rowsDone % 4 == 2 || height < 4) StepProgress(rowsDone);
      }
    }
  } catch (...) {
    rowError = std::current_exception();
  }

  if (rowError) {
    // What the compressor holds is still written; the row's error is the one raised.
    try {
      deflater.Finish();
    } catch (...) {
    }
    std::rethrow_exception(rowError);
  }
  deflater.Finish();
}

}  // namespace png
