#pragma once
// Writing a capture into a file of its own: the file is created new, never over
// anything that exists, and removed again when the picture cannot be written whole.
#include <string>

#include "gfx/Bitmap.h"

namespace app {

enum class TNewFileResult { nfSaved, nfNameTaken };

// Whether a capture name is taken: something that is not a folder bears it (a file, a
// link, even a dangling one). Links are not followed.
bool CaptureNameTaken(const std::string& path);

// Converts the bitmap to pf24bit, creates path exclusively and encodes the bitmap into it
// in the format of its extension. When something took the name first, returns
// nfNameTaken and writes nothing; a folder of that name raises the file-creation error
// instead, as does any other refusal. When the encoder or the disk fails, the file this
// call created is removed and the error is raised again.
TNewFileResult SaveBitmapAsNewFile(gfx::TBitmap& bitmap, const std::string& path);

}  // namespace app
