#include "gif/GIFItem.h"

#include <stdexcept>
#include <string>

#include "gfx/Errors.h"
#include "gif/GIFImage.h"

namespace gif {

std::string_view GIFVersionText(TGIFVersion version) {
  static constexpr std::string_view texts[] = {"", "87a", "89a"};
  return version <= gv89a ? texts[version] : std::string_view();
}

void TGIFItem::ReportWarning(TGIFSeverity severity, std::string_view message) {
  if (image_ != nullptr) image_->ReportWarning(this, severity, message);
}

void TGIFItem::LoadFromStream(gfx::TStream&) {
  throw gfx::EInvalidGraphicOperation(std::string(ClassName()) + " は読み込みに対応していません");
}

void TGIFList::Delete(int index) {
  if (index < 0 || index >= Count()) throw std::out_of_range("TGIFList::Delete: index out of range");
  items_.erase(items_.begin() + index);
}

int TGIFList::IndexOf(const TGIFItem* item) const {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == item) return static_cast<int>(i);
  return -1;
}

int TGIFList::AddItem(std::unique_ptr<TGIFItem> item) {
  items_.push_back(std::move(item));
  return Count() - 1;
}

void TGIFList::ReportWarning(TGIFSeverity severity, std::string_view message) {
  if (image_ != nullptr) image_->ReportWarning(this, severity, message);
}

void TGIFList::SaveToStream(gfx::TStream& stream) {
  for (const auto& item : items_) item->SaveToStream(stream);
}

void TGIFList::LoadFromStream(gfx::TStream&) {
  throw gfx::EInvalidGraphicOperation(std::string(ClassName()) + " は読み込みに対応していません");
}

}  // namespace gif
