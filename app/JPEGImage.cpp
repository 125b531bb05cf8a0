#include "app/JPEGImage.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

namespace app {

namespace {

constexpr std::size_t OutputBufferSize = 64 * 1024;
constexpr int OutOfMemoryCode = -1;

// Our error manager: a fatal error leaves the library's C frames with longjmp;
// the C++ exception is raised only after we are back in our own code.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
};

void ErrorExit(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  std::longjmp(err->jump, 1);
}
void EmitMessage(j_common_ptr, int) {}
void OutputMessage(j_common_ptr) {}
void FormatMessage(j_common_ptr, char* buffer) { buffer[0] = '\0'; }
void ResetErrorManager(j_common_ptr cinfo) {
  cinfo->err->num_warnings = 0;
  cinfo->err->msg_code = 0;
}

// Destination that appends the library's output buffer to a memory stream.
struct MemoryDestination {
  jpeg_destination_mgr pub;
  gfx::TMemoryStream* stream;
  JOCTET buffer[OutputBufferSize];
};

void InitDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = OutputBufferSize;
}
boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
  dest->stream->Write(dest->buffer, OutputBufferSize);
  dest->pub.next_output_byte = dest->buffer;
  dest->pub.free_in_buffer = OutputBufferSize;
  return TRUE;
}
void TermDestination(j_compress_ptr cinfo) {
  auto* dest = reinterpret_cast<MemoryDestination*>(cinfo->dest);
  dest->stream->Write(dest->buffer, OutputBufferSize - dest->pub.free_in_buffer);
}

// Runs the compression; returns 0 or the library's message code of a fatal error.
// Only plain C data lives in this frame, so leaving it by longjmp skips no destructor.
int CompressRows(const gfx::TBitmap& bitmap, gfx::TMemoryStream& out, int quality, bool grayscale,
                 bool progressive) {
  jpeg_compress_struct cinfo;
  std::memset(&cinfo, 0, sizeof cinfo);
  ErrorManager err;
  std::memset(&err, 0, sizeof err);
  err.pub.error_exit = ErrorExit;
  err.pub.emit_message = EmitMessage;
  err.pub.output_message = OutputMessage;
  err.pub.format_message = FormatMessage;
  err.pub.reset_error_mgr = ResetErrorManager;
  cinfo.err = &err.pub;
  auto* dest = static_cast<MemoryDestination*>(std::malloc(sizeof(MemoryDestination)));
  if (dest == nullptr) return OutOfMemoryCode;

  if (setjmp(err.jump) != 0) {
    const int code = err.pub.msg_code;
    jpeg_destroy_compress(&cinfo);
    std::free(dest);
    return code;
  }

  jpeg_CreateCompress(&cinfo, 62, sizeof cinfo);
  std::memset(dest, 0, sizeof(MemoryDestination));
  dest->pub.init_destination = InitDestination;
  dest->pub.empty_output_buffer = EmptyOutputBuffer;
  dest->pub.term_destination = TermDestination;
  dest->stream = &out;
  cinfo.dest = &dest->pub;

  if (!bitmap.Empty()) {
    cinfo.image_width = static_cast<JDIMENSION>(bitmap.Width());
    cinfo.image_height = static_cast<JDIMENSION>(bitmap.Height());
    cinfo.input_components = 3;
    // The rows are stored blue, green, red: let the library read them as they are.
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    cinfo.dct_method = JDCT_FLOAT;  // this library's default is the integer DCT
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (grayscale) jpeg_set_colorspace(&cinfo, JCS_GRAYSCALE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    for (int y = 0; y < bitmap.Height(); ++y) {
      JSAMPROW row = const_cast<JSAMPROW>(bitmap.ScanLine(y));  // top row first
      jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
  }
  jpeg_destroy_compress(&cinfo);
  std::free(dest);
  return 0;
}

}  // namespace

EJPEG::EJPEG(int messageCode)
    : gfx::EInvalidGraphic("JPEG エラー #" + std::to_string(messageCode)), messageCode_(messageCode) {}

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::SetWidth(int) { throw gfx::EInvalidGraphicOperation("JPEG イメージのサイズは変更できません"); }
void TJPEGImage::SetHeight(int) { throw gfx::EInvalidGraphicOperation("JPEG イメージのサイズは変更できません"); }

void TJPEGImage::Assign(gfx::TPersistent* source) {
  if (auto* bitmap = dynamic_cast<gfx::TBitmap*>(source)) {
    bitmap_.Assign(bitmap);
    data_.Rewind();  // keeps the buffer: a reused object compresses without regrowing
    compressed_ = false;
    Changed();
    return;
  }
  TGraphic::Assign(source);
}

void TJPEGImage::Compress() {
  data_.Rewind();
  // The shared pixels are already 24-bit on every road; a conversion copies them first.
  bitmap_.SetPixelFormat(gfx::pf24bit);
  if (!bitmap_.Empty()) {
    // Reserve about what a screenshot compresses to, so the stream rarely regrows.
    data_.Reserve(bitmap_.ImageSize() / 8 + 4096);
  }
  const int code = CompressRows(bitmap_, data_, CompressionQuality, Grayscale, ProgressiveEncoding);
  if (code != 0) {
    data_.Rewind();
    if (code == OutOfMemoryCode) throw gfx::EOutOfMemory();
    throw EJPEG(code);
  }
  compressed_ = true;
}

void TJPEGImage::SaveToStream(gfx::TStream& stream) {
  if (!compressed_) Compress();
  stream.WriteBuffer(data_.Bytes());
}

}  // namespace app
