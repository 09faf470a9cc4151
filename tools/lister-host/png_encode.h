// A minimal PNG writer for screenshots: 8-bit RGB, no filtering, zlib "stored" blocks.
//
// The files are larger than a compressing encoder's but need no library, and every viewer reads them.
// Shared by the stand-in host and the GUI tests; portable (no Windows headers) so the checksums can be
// tested natively.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace qelvar::png {

// CRC-32 (ISO 3309, polynomial 0xEDB88320) as PNG chunks use it; `crc` continues a running value.
inline std::uint32_t Crc32(std::string_view bytes, std::uint32_t crc = 0) {
  static const std::array<std::uint32_t, 256> table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1U) ? 0xEDB88320U ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (const char ch : bytes) crc = table[(crc ^ static_cast<unsigned char>(ch)) & 0xFFU] ^ (crc >> 8);
  return ~crc;
}

// Adler-32 as the zlib stream trailer uses it; `adler` continues a running value (start with 1).
inline std::uint32_t Adler32(std::string_view bytes, std::uint32_t adler = 1) {
  std::uint32_t a = adler & 0xFFFFU;
  std::uint32_t b = adler >> 16;
  // 5552 is the largest run for which the sums cannot overflow 32 bits before the modulo.
  std::size_t i = 0;
  while (i < bytes.size()) {
    const std::size_t end = i + 5552 < bytes.size() ? i + 5552 : bytes.size();
    for (; i < end; ++i) {
      a += static_cast<unsigned char>(bytes[i]);
      b += a;
    }
    a %= 65521U;
    b %= 65521U;
  }
  return (b << 16) | a;
}

namespace detail {
inline void PutBigEndian32(std::string& out, std::uint32_t v) {
  out.push_back(static_cast<char>((v >> 24) & 0xFFU));
  out.push_back(static_cast<char>((v >> 16) & 0xFFU));
  out.push_back(static_cast<char>((v >> 8) & 0xFFU));
  out.push_back(static_cast<char>(v & 0xFFU));
}

inline void PutChunk(std::string& out, std::string_view type, std::string_view data) {
  PutBigEndian32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t typeAt = out.size();
  out.append(type);
  out.append(data);
  PutBigEndian32(out, Crc32(std::string_view(out).substr(typeAt)));
}

// Wraps raw bytes in a zlib stream of uncompressed deflate blocks (at most 65535 bytes each).
inline std::string ZlibStored(std::string_view raw) {
  std::string z;
  z.reserve(raw.size() + raw.size() / 65535 * 5 + 16);
  z.push_back(static_cast<char>(0x78));  // deflate, 32 KiB window
  z.push_back(static_cast<char>(0x01));  // no preset dictionary; 0x7801 is a multiple of 31
  std::size_t at = 0;
  do {
    const std::size_t n = raw.size() - at < 65535 ? raw.size() - at : 65535;
    const bool last = at + n == raw.size();
    z.push_back(static_cast<char>(last ? 1 : 0));
    const auto len = static_cast<std::uint16_t>(n);
    const auto nlen = static_cast<std::uint16_t>(~len);
    z.push_back(static_cast<char>(len & 0xFFU));
    z.push_back(static_cast<char>(len >> 8));
    z.push_back(static_cast<char>(nlen & 0xFFU));
    z.push_back(static_cast<char>(nlen >> 8));
    z.append(raw.substr(at, n));
    at += n;
  } while (at < raw.size());
  PutBigEndian32(z, Adler32(raw));
  return z;
}
}  // namespace detail

// Encodes a top-down image whose pixels are 32-bit values laid out as a Windows DIB gives them
// (bytes B, G, R, unused), `stride` bytes per row. Returns the complete file; empty for an empty image
// or a stride too small for the width.
inline std::string EncodeBgrx(const unsigned char* pixels, std::uint32_t width, std::uint32_t height,
                              std::size_t stride) {
  if (pixels == nullptr || width == 0 || height == 0 || stride < std::size_t{width} * 4) return {};
  std::string raw;
  raw.reserve((std::size_t{width} * 3 + 1) * height);
  for (std::uint32_t y = 0; y < height; ++y) {
    raw.push_back('\0');  // filter type "none"
    const unsigned char* row = pixels + std::size_t{y} * stride;
    for (std::uint32_t x = 0; x < width; ++x) {
      raw.push_back(static_cast<char>(row[4 * x + 2]));
      raw.push_back(static_cast<char>(row[4 * x + 1]));
      raw.push_back(static_cast<char>(row[4 * x]));
    }
  }
  std::string header;
  detail::PutBigEndian32(header, width);
  detail::PutBigEndian32(header, height);
  header += std::string_view("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, no filter, no interlace

  std::string out("\x89PNG\r\n\x1a\n", 8);
  detail::PutChunk(out, "IHDR", header);
  detail::PutChunk(out, "IDAT", detail::ZlibStored(raw));
  detail::PutChunk(out, "IEND", {});
  return out;
}

}  // namespace qelvar::png
