#pragma once
#include <cstdint>

namespace colorreduce {

// Ordinals are fixed: they are stored as settings of the GIF image.
enum TReductionMethod : std::uint8_t {
  rdNone,
  rdSystemColors,
  rdHalftone,
  rdWindowsGrays,
  rdMonochrome,
  rdGrayScale,
  rdNetscape,
  rdQuantize,
  rdQuantizeSystem,
  rdCustomPalette,
};

enum TDitherKind : std::uint8_t {
  dkNearest,
  dkFloydSteinberg,
  dkStucki,
  dkSierra,
  dkJaJuNi,
  dkSteveArche,
  dkBurkes,
};

}  // namespace colorreduce
