#pragma once
// The screenshots the benchmarks run on, loaded as 24-bit bitmaps.
#include <memory>
#include <string>
#include <vector>

#include "gfx/Bitmap.h"

namespace benchsupport {

// File names in the corpus folder, e.g. "desktop_1920x1080.png".
const std::vector<std::string>& CorpusPictures();
// Decodes a corpus PNG (with libpng) into a pf24bit bitmap. Cached: every call shares
// the same pixels, so take a copy (Assign) before changing it.
const gfx::TBitmap& CorpusBitmap(const std::string& name);
// A new bitmap sharing the cached picture's pixels (copied on its first change).
std::unique_ptr<gfx::TBitmap> CorpusCopy(const std::string& name);
// A fresh pf32bit bitmap with the picture's pixels, as a screen capture would be.
std::unique_ptr<gfx::TBitmap> CorpusCapture32(const std::string& name);

}  // namespace benchsupport
