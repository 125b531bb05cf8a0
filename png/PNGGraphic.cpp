#include "png/PNGGraphic.h"

#include <utility>

namespace png {

TPNGGraphic::TPNGGraphic()
    : ImageTime(CurrentUTCTime()), picture_(std::make_unique<gfx::TBitmap>()),
      alphaMask_(std::make_unique<gfx::TBitmap>()) {}

TPNGGraphic::~TPNGGraphic() {
  alphaMask_.reset();
  picture_.reset();
}

void TPNGGraphic::SetWidth(int value) {
  if (!picture_->Empty()) picture_->SetWidth(value);
  if (!alphaMask_->Empty()) alphaMask_->SetWidth(value);
  Changed();
}

void TPNGGraphic::SetHeight(int value) {
  if (!picture_->Empty()) picture_->SetHeight(value);
  if (!alphaMask_->Empty()) alphaMask_->SetHeight(value);
  Changed();
}

void TPNGGraphic::SetPalette(gfx::HPALETTE value) {
  picture_->SetPalette(std::move(value));
  Changed();
}

void TPNGGraphic::SetTransparent(bool value) {
  if (!inTransparentSync_ && picture_->Transparent() != value) picture_->SetTransparent(value);
  gfx::TGraphic::SetTransparent(value);
}

void TPNGGraphic::Assign(gfx::TPersistent* source) {
  if (auto* png = dynamic_cast<TPNGGraphic*>(source)) {
    if (png == this) return;
    picture_->Assign(png->picture_.get());
    alphaMask_->Assign(png->alphaMask_.get());
    CompressionLevel = png->CompressionLevel;
    FilterMode = png->FilterMode;
    IDATSize = png->IDATSize;
    Interlaced = png->Interlaced;
    Grayscale = png->Grayscale;
    Comment = png->Comment;
    BackgroundColor = png->BackgroundColor;
    TransparentColor = png->TransparentColor;
    Gamma = png->Gamma;
    SignificantBits = png->SignificantBits;
    PhysUnit = png->PhysUnit;
    PhysX = png->PhysX;
    PhysY = png->PhysY;
    UseCurrentTime = png->UseCurrentTime;
    ImageTime = png->ImageTime;
    Chromaticities = png->Chromaticities;
    SynchroniseWithPicture();
    return;
  }
  if (auto* graphic = dynamic_cast<gfx::TGraphic*>(source)) {
    picture_->Assign(graphic);  // a bitmap shares its pixels; nothing is converted
    SynchroniseWithPicture();
    return;
  }
  gfx::TGraphic::Assign(source);
}

void TPNGGraphic::AssignTo(gfx::TPersistent* dest) {
  if (auto* graphic = dynamic_cast<gfx::TGraphic*>(dest)) {
    graphic->Assign(picture_.get());
    return;
  }
  gfx::TGraphic::AssignTo(dest);
}

void TPNGGraphic::SynchroniseWithPicture() {
  SetPaletteModified(true);
  if (Transparent() == picture_->Transparent()) {
    Changed();
    return;
  }
  // Under the guard SetTransparent only takes over the picture's flag.
  struct Guard {
    bool& flag;
    explicit Guard(bool& f) : flag(f) { flag = true; }
    ~Guard() { flag = false; }
  } guard(inTransparentSync_);
  SetTransparent(picture_->Transparent());
}

void TPNGGraphic::HandSettingsTo(TPNGWriteStream& writer) const {
  writer.Grayscale = Grayscale;
  writer.Comment = Comment;
  writer.BackgroundColor = BackgroundColor;
  writer.TransparentColor = TransparentColor;
  writer.Gamma = Gamma;
  writer.SignificantBits = SignificantBits;
  writer.PhysUnit = PhysUnit;
  writer.PhysX = PhysX;
  writer.PhysY = PhysY;
  writer.Chromaticities = &Chromaticities;
  writer.GIFControl = &GIFControl;
  if (HasAlpha) writer.AlphaSource = alphaMask_.get();
}

void TPNGGraphic::SaveToStream(gfx::TStream& stream) {
  TPNGWriteStream writer;
  writer.CompressionLevel = CompressionLevel;
  writer.FilterMode = FilterMode;
  writer.SetIDATSize(IDATSize);  // out of range: raised before anything is written
  writer.Interlaced = Interlaced;
  HandSettingsTo(writer);
  writer.UseCurrentTime = UseCurrentTime;
  writer.ImageTime = &ImageTime;
  writer.OnWriteRow = OnWriteRow;
  writer.RowKey = RowKey;

  // The writer reports to the picture's handler; lend it ours for the length of the write.
  struct ProgressLoan {
    gfx::TBitmap& picture;
    gfx::TProgressEvent saved;
    bool active;
    ProgressLoan(gfx::TBitmap& p, const gfx::TProgressEvent& ours) : picture(p), active(static_cast<bool>(ours)) {
      if (!active) return;
      saved = std::move(picture.OnProgress);
      picture.OnProgress = ours;
    }
    ~ProgressLoan() {
      if (active) picture.OnProgress = std::move(saved);
    }
  } loan(*picture_, OnProgress);

  writer.Write(*picture_, stream);
}

void TPNGGraphic::WriteData(gfx::TStream& stream) {
  if (picture_->Empty()) return;
  TPNGWriteStream writer;
  HandSettingsTo(writer);
  writer.Write(*picture_, stream);
}

}  // namespace png
