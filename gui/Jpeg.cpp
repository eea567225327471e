#include "gui/Jpeg.h"

#include <climits>
#include <csetjmp>
#include <cstdio>  // jpeglib.h needs FILE
#include <memory>
#include <new>
#include <vector>

// After the standard headers: it expects size_t and FILE to be declared.
#include <jpeglib.h>

namespace gui {

namespace {

struct ErrorManager {
  jpeg_error_mgr pub;  // first: libjpeg hands its callbacks a pointer to it
  std::jmp_buf escape;
  char message[JMSG_LENGTH_MAX];
};

// Everything one decode needs, on the heap and outside the function that
// calls setjmp, so that a jump back from libjpeg skips no destructor and
// finds every member as it was left.
struct Session {
  jpeg_decompress_struct cinfo;
  ErrorManager err;
  Bitmap picture;
  std::vector<JSAMPLE> row;
};

[[noreturn]] void Escape(j_common_ptr cinfo) {
  auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, err->message);
  std::longjmp(err->escape, 1);
}

// Level -1 is a corrupt-data warning; higher levels are traces, dropped.
void OnMessage(j_common_ptr cinfo, int level) {
  if (level < 0) Escape(cinfo);
}

void Silent(j_common_ptr) {}

void Refuse(Session& s, const char* why) {
  std::snprintf(s.err.message, sizeof s.err.message, "%s", why);
}

// The standard sequence from a memory source. Holds no objects with
// destructors of its own: libjpeg's errors land at the setjmp.
bool Decode(Session& s, const unsigned char* data, unsigned long size) {
  if (setjmp(s.err.escape)) return false;
  jpeg_create_decompress(&s.cinfo);
  jpeg_mem_src(&s.cinfo, data, size);
  jpeg_read_header(&s.cinfo, TRUE);
  if (s.cinfo.image_width == 0 || s.cinfo.image_height == 0 ||
      s.cinfo.image_width > static_cast<JDIMENSION>(kMaxJpegSide) ||
      s.cinfo.image_height > static_cast<JDIMENSION>(kMaxJpegSide)) {
    Refuse(s, "picture larger than the decoder accepts");
    return false;
  }
  switch (s.cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE: s.cinfo.out_color_space = JCS_GRAYSCALE; break;
    case JCS_YCbCr:
    case JCS_RGB: s.cinfo.out_color_space = JCS_RGB; break;
    default: Refuse(s, "colour space other than RGB or greyscale"); return false;
  }
  jpeg_start_decompress(&s.cinfo);
  const int width = static_cast<int>(s.cinfo.output_width);
  const int channels = s.cinfo.output_components;
  s.picture = Bitmap(width, static_cast<int>(s.cinfo.output_height));
  s.row.resize(static_cast<std::size_t>(width) * channels);
  while (s.cinfo.output_scanline < s.cinfo.output_height) {
    const int y = static_cast<int>(s.cinfo.output_scanline);
    JSAMPROW rows[] = {s.row.data()};
    if (jpeg_read_scanlines(&s.cinfo, rows, 1) != 1) {
      Refuse(s, "no scanline");
      return false;
    }
    std::uint32_t* out = s.picture.Row(y);
    const JSAMPLE* in = s.row.data();
    for (int x = 0; x < width; ++x, in += channels) {
      const unsigned r = in[0];
      const unsigned g = channels == 3 ? in[1] : r;
      const unsigned b = channels == 3 ? in[2] : r;
      out[x] = Bitmap::ToDevice(Rgb(r, g, b));
    }
  }
  jpeg_finish_decompress(&s.cinfo);
  return true;
}

}  // namespace

std::optional<Bitmap> DecodeJpeg(std::span<const std::uint8_t> bytes, std::string* why) {
  if (bytes.size() > ULONG_MAX) {  // the memory source counts in unsigned long
    if (why) *why = "picture file too large";
    return std::nullopt;
  }
  auto s = std::make_unique<Session>();
  s->cinfo.err = jpeg_std_error(&s->err.pub);
  s->err.pub.error_exit = Escape;
  s->err.pub.emit_message = OnMessage;
  s->err.pub.output_message = Silent;
  s->err.message[0] = '\0';
  bool ok = false;
  try {
    ok = Decode(*s, bytes.data(), static_cast<unsigned long>(bytes.size()));
  } catch (const std::bad_alloc&) {
    Refuse(*s, "out of memory");
  }
  jpeg_destroy_decompress(&s->cinfo);
  if (!ok) {
    if (why) *why = s->err.message;
    return std::nullopt;
  }
  return std::move(s->picture);
}

}  // namespace gui
