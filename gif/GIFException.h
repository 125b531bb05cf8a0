#pragma once
// The one error class of the GIF encoder, shared with the colour reduction so that a
// caller catches a single type for both layers.
#include "colorreduce/GIFException.h"

namespace gif {
using colorreduce::GIFException;
}  // namespace gif
