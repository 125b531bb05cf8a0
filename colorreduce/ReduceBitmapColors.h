#pragma once
// Turns a true-colour bitmap into a new 8-bit bitmap whose pixels index a palette of at
// most 256 colours, by one of the reduction methods and one of the pixel walks.
#include <memory>

#include "colorreduce/ReductionTypes.h"
#include "gfx/Bitmap.h"
#include "gfx/Palette.h"

namespace colorreduce {

// Returns a new bitmap the caller owns:
//  - rdNone: a 24-bit copy of the source (the source itself is left as it is);
//  - otherwise a pf8bit bitmap of the source's size with a 256-entry colour table (the
//    method's palette, then black) and every pixel the index the ditherer chose for it;
//  - an empty bitmap, with no error, for a method beyond rdCustomPalette, a dither kind
//    beyond dkBurkes, or a palette without colours (e.g. rdCustomPalette with null).
// Except with rdNone the source is converted to pf24bit in place first.
// reductionBits is read only by rdQuantize (2 to that power colours, held to 0..8 bits);
// customPalette only by rdCustomPalette, which copies it and never frees it.
// Raises GIFException "Invalid image dimensions" for a source of zero width or height, and
// the platform's out-of-memory error "Failed to allocate memory for GIF DIB" when the
// result's pixels cannot be had.
std::unique_ptr<gfx::TBitmap> ReduceBitmapColors(gfx::TBitmap& source, TReductionMethod method, TDitherKind dither,
                                                 int reductionBits, const gfx::HPALETTE& customPalette);

// The same reduction always through the matcher and ditherer objects, without the direct
// road that ReduceBitmapColors takes for rdNetscape with dkNearest. The two give the same
// bitmaps; this one exists so that can be checked and measured.
std::unique_ptr<gfx::TBitmap> ReduceBitmapColorsGeneral(gfx::TBitmap& source, TReductionMethod method,
                                                        TDitherKind dither, int reductionBits,
                                                        const gfx::HPALETTE& customPalette);

}  // namespace colorreduce
