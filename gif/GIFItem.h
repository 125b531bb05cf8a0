#pragma once
// The parts a GIF stream is made of, and the owning lists that hold them.
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "gfx/Graphic.h"
#include "gfx/Stream.h"
#include "gif/ColorMap.h"

namespace gif {

class TGIFImage;

// The format version an item needs; the header's signature follows the largest.
using TGIFVersion = std::uint8_t;
constexpr TGIFVersion gvUnknown = 0;  // no version can be given (an image without frames)
constexpr TGIFVersion gv87a = 1;
constexpr TGIFVersion gv89a = 2;
// "87a" or "89a" by version number.
std::string_view GIFVersionText(TGIFVersion version);

// i of n as a whole percentage, rounded to the nearest (for progress reports).
constexpr int RoundedPercent(std::int64_t i, std::int64_t n) {
  return n > 0 ? static_cast<int>((i * 200 + n) / (2 * n)) : 0;
}

class TGIFItem : public gfx::TPersistent {
 public:
  explicit TGIFItem(TGIFImage* image) : image_(image) {}
  std::string_view ClassName() const override { return "TGIFItem"; }
  TGIFImage* Image() const { return image_; }

  virtual TGIFVersion RequiredVersion() const { return gv87a; }
  // Passes the warning to the owning image's warning handler.
  virtual void ReportWarning(TGIFSeverity severity, std::string_view message);
  virtual void SaveToStream(gfx::TStream& stream) = 0;
  // Reading GIF streams is not part of this program: raises EInvalidGraphicOperation.
  virtual void LoadFromStream(gfx::TStream& stream);

 private:
  TGIFImage* image_;
};

// An owning list of items; deleting an item or clearing the list frees the items.
class TGIFList : public gfx::TPersistent {
 public:
  explicit TGIFList(TGIFImage* image) : image_(image) {}
  std::string_view ClassName() const override { return "TGIFList"; }
  TGIFImage* Image() const { return image_; }

  int Count() const { return static_cast<int>(items_.size()); }
  TGIFItem* Items(int index) const { return items_.at(static_cast<std::size_t>(index)).get(); }
  void Delete(int index);
  void Clear() { items_.clear(); }
  int IndexOf(const TGIFItem* item) const;

  virtual void ReportWarning(TGIFSeverity severity, std::string_view message);
  // Writes every item in list order.
  virtual void SaveToStream(gfx::TStream& stream);
  virtual void LoadFromStream(gfx::TStream& stream);

 protected:
  int AddItem(std::unique_ptr<TGIFItem> item);

 private:
  TGIFImage* image_;
  std::vector<std::unique_ptr<TGIFItem>> items_;
};

}  // namespace gif
