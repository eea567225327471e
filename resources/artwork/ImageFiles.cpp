#include "resources/artwork/ImageFiles.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace artwork {

namespace {

class Writer {
 public:
  std::vector<std::uint8_t> bytes;
  void U8(unsigned v) { bytes.push_back(static_cast<std::uint8_t>(v)); }
  void U16LE(unsigned v) { U8(v & 0xFF), U8((v >> 8) & 0xFF); }
  void U32LE(std::uint32_t v) { U16LE(v & 0xFFFF), U16LE(v >> 16); }
  void U32BE(std::uint32_t v) {
    U8(v >> 24), U8((v >> 16) & 0xFF), U8((v >> 8) & 0xFF), U8(v & 0xFF);
  }
  void Append(std::span<const std::uint8_t> data) {
    bytes.insert(bytes.end(), data.begin(), data.end());
  }
};

std::uint8_t AlphaAt(const AlphaImage& img, int x, int y) {
  const std::size_t i = static_cast<std::size_t>(y) * img.color.Width() + x;
  return i < img.alpha.size() ? img.alpha[i] : 255;
}

std::uint32_t Crc32(std::span<const std::uint8_t> data) {
  static const auto table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  std::uint32_t c = 0xFFFFFFFFu;
  for (std::uint8_t b : data) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::uint32_t Adler32(std::span<const std::uint8_t> data) {
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t v : data) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

void PngChunk(Writer& w, std::string_view type, std::span<const std::uint8_t> data) {
  w.U32BE(static_cast<std::uint32_t>(data.size()));
  std::vector<std::uint8_t> typed(type.begin(), type.end());
  typed.insert(typed.end(), data.begin(), data.end());
  w.Append(typed);
  w.U32BE(Crc32(typed));
}

}  // namespace

AlphaImage FromMasked(const gui::MaskedImage& image) {
  AlphaImage out{image.color, {}};
  out.alpha.resize(static_cast<std::size_t>(image.color.Width()) * image.color.Height(), 255);
  for (int y = 0; y < image.color.Height(); ++y)
    for (int x = 0; x < image.color.Width(); ++x)
      if (image.Transparent(x, y))
        out.alpha[static_cast<std::size_t>(y) * image.color.Width() + x] = 0;
  return out;
}

std::vector<std::uint8_t> EncodeIco(std::span<const AlphaImage> images) {
  std::vector<std::vector<std::uint8_t>> entries;
  for (const AlphaImage& img : images) {
    const int size = img.color.Width();
    if (size < 1 || size > 256 || img.color.Height() != size) return {};
    const int maskStride = (size + 31) / 32 * 4;
    Writer w;
    // BITMAPINFOHEADER; the height counts the colour rows and the mask rows.
    w.U32LE(40);
    w.U32LE(static_cast<std::uint32_t>(size));
    w.U32LE(static_cast<std::uint32_t>(size * 2));
    w.U16LE(1);
    w.U16LE(32);
    w.U32LE(0);
    w.U32LE(static_cast<std::uint32_t>(size * size * 4 + maskStride * size));
    for (int i = 0; i < 4; ++i) w.U32LE(0);
    // Both planes are stored bottom row first.
    for (int y = size - 1; y >= 0; --y)
      for (int x = 0; x < size; ++x) {
        const std::uint8_t a = AlphaAt(img, x, y);
        const gui::Color c = a ? img.color.Pixel(x, y) : gui::kBlack;
        w.U8(gui::BlueOf(c)), w.U8(gui::GreenOf(c)), w.U8(gui::RedOf(c)), w.U8(a);
      }
    for (int y = size - 1; y >= 0; --y) {
      std::vector<std::uint8_t> row(maskStride, 0);
      for (int x = 0; x < size; ++x)
        if (AlphaAt(img, x, y) < 128) row[x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
      w.Append(row);
    }
    entries.push_back(std::move(w.bytes));
  }

  Writer w;
  w.U16LE(0);
  w.U16LE(1);  // type: icon
  w.U16LE(static_cast<unsigned>(entries.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * entries.size());
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const int size = images[i].color.Width();
    w.U8(size == 256 ? 0 : size);
    w.U8(size == 256 ? 0 : size);
    w.U8(0);  // no colour table
    w.U8(0);
    w.U16LE(1);
    w.U16LE(32);
    w.U32LE(static_cast<std::uint32_t>(entries[i].size()));
    w.U32LE(offset);
    offset += static_cast<std::uint32_t>(entries[i].size());
  }
  for (const auto& e : entries) w.Append(e);
  return w.bytes;
}

std::vector<std::uint8_t> EncodePng(const AlphaImage& image) {
  const int width = image.color.Width();
  const int height = image.color.Height();
  std::vector<std::uint8_t> raw;
  raw.reserve(static_cast<std::size_t>(width * 4 + 1) * height);
  for (int y = 0; y < height; ++y) {
    raw.push_back(0);  // filter: none
    for (int x = 0; x < width; ++x) {
      const gui::Color c = image.color.Pixel(x, y);
      raw.insert(raw.end(), {static_cast<std::uint8_t>(gui::RedOf(c)),
                             static_cast<std::uint8_t>(gui::GreenOf(c)),
                             static_cast<std::uint8_t>(gui::BlueOf(c)), AlphaAt(image, x, y)});
    }
  }
  // A zlib stream of stored deflate blocks, at most 65535 bytes each.
  Writer z;
  z.U8(0x78), z.U8(0x01);
  std::size_t pos = 0;
  do {
    const std::size_t n = std::min<std::size_t>(65535, raw.size() - pos);
    z.U8(pos + n == raw.size() ? 1 : 0);
    z.U16LE(static_cast<unsigned>(n));
    z.U16LE(static_cast<unsigned>(~n & 0xFFFF));
    z.Append(std::span(raw).subspan(pos, n));
    pos += n;
  } while (pos < raw.size());
  z.U32BE(Adler32(raw));

  Writer ihdr;
  ihdr.U32BE(static_cast<std::uint32_t>(width));
  ihdr.U32BE(static_cast<std::uint32_t>(height));
  for (unsigned v : {8u, 6u, 0u, 0u, 0u})
    ihdr.U8(v);  // 8 bits, RGBA, deflate, adaptive filtering, no interlace

  Writer w;
  w.Append(std::array<std::uint8_t, 8>{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'});
  PngChunk(w, "IHDR", ihdr.bytes);
  PngChunk(w, "IDAT", z.bytes);
  PngChunk(w, "IEND", {});
  return w.bytes;
}

}  // namespace artwork
