#pragma once
// TPersistent (assignment between objects) and TGraphic, the base of every picture
// object: bitmaps and the PNG, GIF and JPEG encoders.
#include <functional>
#include <string>
#include <string_view>

#include "gfx/Palette.h"
#include "gfx/Types.h"

namespace gfx {

class TStream;

class TPersistent {
 public:
  virtual ~TPersistent() = default;
  TPersistent() = default;
  TPersistent(const TPersistent&) = delete;
  TPersistent& operator=(const TPersistent&) = delete;

  // Copies source into this object. The default asks the source to assign itself
  // (AssignTo); a source that cannot raises EConvertError naming both classes.
  virtual void Assign(TPersistent* source);
  virtual std::string_view ClassName() const { return "TPersistent"; }

 protected:
  virtual void AssignTo(TPersistent* dest);
  friend class TGraphic;
};

class TGraphic;

using TProgressEvent = std::function<void(TGraphic* sender, TProgressStage stage, std::uint8_t percentDone,
                                          bool redrawNow, const TRect& rect, const std::string& message)>;
using TNotifyEvent = std::function<void(TGraphic* sender)>;

class TGraphic : public TPersistent {
 public:
  std::string_view ClassName() const override { return "TGraphic"; }

  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int value) = 0;
  virtual void SetHeight(int value) = 0;
  virtual HPALETTE Palette() const { return nullptr; }
  virtual void SetPalette(HPALETTE) {}

  bool Transparent() const { return GetTransparent(); }
  virtual void SetTransparent(bool value);

  bool Modified() const { return modified_; }
  void SetModified(bool value);
  bool PaletteModified() const { return paletteModified_; }
  void SetPaletteModified(bool value) { paletteModified_ = value; }

  // Writes the whole graphic at the stream's current position.
  virtual void SaveToStream(TStream& stream) = 0;
  virtual void LoadFromStream(TStream& stream);
  // Creates the file (an existing one is truncated), writes it through SaveToStream
  // and closes it on every way out.
  void SaveToFile(const std::string& path);
  void LoadFromFile(const std::string& path);

  TProgressEvent OnProgress;
  TNotifyEvent OnChange;

 protected:
  virtual bool GetTransparent() const { return transparent_; }
  // Raises the change notification and marks the graphic modified.
  virtual void Changed();
  // Calls OnProgress when it is assigned.
  void Progress(TGraphic* sender, TProgressStage stage, std::uint8_t percentDone, bool redrawNow,
                const TRect& rect, const std::string& message);

 private:
  bool transparent_ = false;
  bool modified_ = false;
  bool paletteModified_ = false;
};

}  // namespace gfx
