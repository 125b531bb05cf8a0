#include "gif/Extensions.h"

#include "gfx/Bytes.h"
#include "gif/GIFWriter.h"

namespace gif {

void TGIFExtension::SaveToStream(gfx::TStream& stream) {
  const std::uint8_t head[2] = {Introducer, Label()};
  stream.WriteBuffer(head, sizeof head);
  SaveBody(stream);
}

std::uint8_t TGIFGraphicControlExtension::PackedFields() const {
  return static_cast<std::uint8_t>(((Disposal & 0x07) << 2)  // Disposal Method
                                   | (UserInput ? 0x02 : 0)  // User Input Flag
                                   | (Transparent ? 0x01 : 0));  // Transparent Color Flag
}

void TGIFGraphicControlExtension::SaveBody(gfx::TStream& stream) {
  std::uint8_t body[6];
  body[0] = 4;  // Block Size
  body[1] = PackedFields();
  gfx::PutU16LE(body + 2, Delay);  // Delay Time
  body[4] = TransparentColorIndex;
  body[5] = 0;  // Block Terminator
  stream.WriteBuffer(body, sizeof body);
}

void TGIFTextExtension::SaveBody(gfx::TStream& stream) {
  std::uint8_t grid[13];
  grid[0] = 12;  // Block Size
  gfx::PutU16LE(grid + 1, Left);  // Text Grid Left Position
  gfx::PutU16LE(grid + 3, Top);   // Text Grid Top Position
  gfx::PutU16LE(grid + 5, GridWidth);
  gfx::PutU16LE(grid + 7, GridHeight);
  grid[9] = CellWidth;
  grid[10] = CellHeight;
  grid[11] = ForegroundColorIndex;
  grid[12] = BackgroundColorIndex;
  stream.WriteBuffer(grid, sizeof grid);
  WriteSubBlocks(stream, Text.data(), Text.size());
}

void TGIFCommentExtension::SaveBody(gfx::TStream& stream) { WriteSubBlocks(stream, Text.data(), Text.size()); }

void TGIFApplicationExtension::SaveBody(gfx::TStream& stream) {
  std::uint8_t head[12];
  head[0] = 11;  // Block Size
  std::copy(Identifier.begin(), Identifier.end(), head + 1);
  std::copy(Authentication.begin(), Authentication.end(), head + 9);
  stream.WriteBuffer(head, sizeof head);
  WriteSubBlocks(stream, Data.data(), Data.size());
}

}  // namespace gif
