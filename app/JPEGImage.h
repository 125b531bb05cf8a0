#pragma once
// TJPEGImage: baseline JPEG through libjpeg (quality 90, floating-point DCT).
#include <memory>
#include <string>

#include "gfx/Bitmap.h"
#include "gfx/Errors.h"
#include "gfx/Graphic.h"
#include "gfx/Stream.h"

namespace app {

// A fatal libjpeg error: "JPEG エラー #<message code>".
class EJPEG : public gfx::EInvalidGraphic {
 public:
  explicit EJPEG(int messageCode);
  int MessageCode() const { return messageCode_; }

 private:
  int messageCode_;
};

class TJPEGImage : public gfx::TGraphic {
 public:
  TJPEGImage();
  ~TJPEGImage() override;
  std::string_view ClassName() const override { return "TJPEGImage"; }

  bool Empty() const override { return bitmap_.Empty(); }
  int Width() const override { return bitmap_.Width(); }
  int Height() const override { return bitmap_.Height(); }
  void SetWidth(int) override;
  void SetHeight(int) override;

  int CompressionQuality = 90;
  bool Grayscale = false;
  bool ProgressiveEncoding = false;

  // Takes a share of a bitmap's pixels (no copy) and drops any compressed data.
  void Assign(gfx::TPersistent* source) override;
  // Compresses when there is no compressed data yet, then writes it in one block.
  void SaveToStream(gfx::TStream& stream) override;

  void Compress();
  const gfx::TMemoryStream& CompressedData() const { return data_; }

 private:
  gfx::TBitmap bitmap_;
  gfx::TMemoryStream data_;
  bool compressed_ = false;
};

}  // namespace app
