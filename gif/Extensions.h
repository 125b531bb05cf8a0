#pragma once
// Extension blocks: an introducer, a label and a body of their own. Every one of them
// makes the file need version 89a. The bitmap import never creates any.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "gif/GIFItem.h"

namespace gif {

class TGIFExtension : public TGIFItem {
 public:
  static constexpr std::uint8_t Introducer = 0x21;

  using TGIFItem::TGIFItem;
  std::string_view ClassName() const override { return "TGIFExtension"; }
  TGIFVersion RequiredVersion() const override { return gv89a; }
  virtual std::uint8_t Label() const = 0;
  // Introducer and label in one write, then the body.
  void SaveToStream(gfx::TStream& stream) override;

 protected:
  virtual void SaveBody(gfx::TStream& stream) = 0;
};

enum TDisposalMethod : std::uint8_t { dmNone, dmNoDisposal, dmBackground, dmPrevious };

class TGIFGraphicControlExtension : public TGIFExtension {
 public:
  static constexpr std::uint8_t ExtensionLabel = 0xF9;

  using TGIFExtension::TGIFExtension;
  std::string_view ClassName() const override { return "TGIFGraphicControlExtension"; }
  std::uint8_t Label() const override { return ExtensionLabel; }

  TDisposalMethod Disposal = dmNone;   // bits 4-2 of the packed byte
  bool UserInput = false;              // bit 1
  bool Transparent = false;            // bit 0
  std::uint16_t Delay = 0;             // in hundredths of a second
  std::uint8_t TransparentColorIndex = 0;

  std::uint8_t PackedFields() const;

 protected:
  // One 6-byte record: block size 4, packed byte, delay, transparent index, terminator.
  void SaveBody(gfx::TStream& stream) override;
};

class TGIFTextExtension : public TGIFExtension {
 public:
  static constexpr std::uint8_t ExtensionLabel = 0x01;

  using TGIFExtension::TGIFExtension;
  std::string_view ClassName() const override { return "TGIFTextExtension"; }
  std::uint8_t Label() const override { return ExtensionLabel; }

  std::uint16_t Left = 0, Top = 0, GridWidth = 0, GridHeight = 0;
  std::uint8_t CellWidth = 0, CellHeight = 0;
  std::uint8_t ForegroundColorIndex = 0, BackgroundColorIndex = 0;
  std::string Text;

 protected:
  // Block size 12, the text grid, then the text as data sub-blocks.
  void SaveBody(gfx::TStream& stream) override;
};

class TGIFCommentExtension : public TGIFExtension {
 public:
  static constexpr std::uint8_t ExtensionLabel = 0xFE;

  using TGIFExtension::TGIFExtension;
  std::string_view ClassName() const override { return "TGIFCommentExtension"; }
  std::uint8_t Label() const override { return ExtensionLabel; }

  std::string Text;

 protected:
  // The text as data sub-blocks.
  void SaveBody(gfx::TStream& stream) override;
};

class TGIFApplicationExtension : public TGIFExtension {
 public:
  static constexpr std::uint8_t ExtensionLabel = 0xFF;

  using TGIFExtension::TGIFExtension;
  std::string_view ClassName() const override { return "TGIFApplicationExtension"; }
  std::uint8_t Label() const override { return ExtensionLabel; }

  std::array<std::uint8_t, 8> Identifier{};
  std::array<std::uint8_t, 3> Authentication{};
  std::vector<std::uint8_t> Data;

 protected:
  // Block size 11, identifier and authentication code, then the data as sub-blocks.
  void SaveBody(gfx::TStream& stream) override;
};

// The extension blocks in front of one frame.
class TGIFExtensionList : public TGIFList {
 public:
  using TGIFList::TGIFList;
  std::string_view ClassName() const override { return "TGIFExtensionList"; }
  TGIFExtension* Extensions(int index) const { return static_cast<TGIFExtension*>(Items(index)); }
  int Add(std::unique_ptr<TGIFExtension> extension) { return AddItem(std::move(extension)); }
};

}  // namespace gif
