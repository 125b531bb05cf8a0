#include "gfx/Graphic.h"

#include "gfx/Errors.h"
#include "gfx/Stream.h"

namespace gfx {

void TPersistent::Assign(TPersistent* source) {
  if (source != nullptr) {
    source->AssignTo(this);
    return;
  }
  RaiseAssignError("nil", ClassName());
}

void TPersistent::AssignTo(TPersistent* dest) {
  RaiseAssignError(ClassName(), dest ? dest->ClassName() : std::string_view("nil"));
}

void TGraphic::SetTransparent(bool value) {
  if (value != transparent_) {
    transparent_ = value;
    Changed();
  }
}

void TGraphic::SetModified(bool value) {
  if (value)
    Changed();
  else
    modified_ = false;
}

void TGraphic::Changed() {
  modified_ = true;
  if (OnChange) OnChange(this);
}

void TGraphic::Progress(TGraphic* sender, TProgressStage stage, std::uint8_t percentDone, bool redrawNow,
                        const TRect& rect, const std::string& message) {
  if (OnProgress) OnProgress(sender, stage, percentDone, redrawNow, rect, message);
}

void TGraphic::LoadFromStream(TStream&) {
  throw EInvalidGraphicOperation(std::string(ClassName()) + " は読み込みに対応していません");
}

void TGraphic::SaveToFile(const std::string& path) {
  TFileStream stream(path, TFileMode::fmCreate);
  SaveToStream(stream);
}

void TGraphic::LoadFromFile(const std::string& path) {
  TFileStream stream(path, TFileMode::fmOpenRead);
  LoadFromStream(stream);
}

}  // namespace gfx
