// The stand-in host's portable helpers: the PNG writer of its screenshots (checksums, stored deflate
// blocks, chunk layout) and the detect-string test that decides which files N and P open.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "../../tools/lister-host/detect_string.h"
#include "../../tools/lister-host/png_encode.h"

namespace qelvar {
namespace {

std::uint32_t BigEndian32(const std::string& bytes, std::size_t at) {
  return (std::uint32_t{static_cast<unsigned char>(bytes[at])} << 24) |
         (std::uint32_t{static_cast<unsigned char>(bytes[at + 1])} << 16) |
         (std::uint32_t{static_cast<unsigned char>(bytes[at + 2])} << 8) |
         std::uint32_t{static_cast<unsigned char>(bytes[at + 3])};
}

TEST(PngChecksums, KnownAnswers) {
  EXPECT_EQ(png::Crc32(""), 0U);
  EXPECT_EQ(png::Crc32("123456789"), 0xCBF43926U);
  EXPECT_EQ(png::Crc32("IEND"), 0xAE426082U);  // the CRC every PNG file ends with
  EXPECT_EQ(png::Crc32("6789", png::Crc32("12345")), 0xCBF43926U);
  EXPECT_EQ(png::Adler32(""), 1U);
  EXPECT_EQ(png::Adler32("Wikipedia"), 0x11E60398U);
  EXPECT_EQ(png::Adler32("pedia", png::Adler32("Wiki")), 0x11E60398U);
}

TEST(PngChecksums, AdlerOfLongRunsMatchesTheDefinition) {
  // Long runs of 0xFF are where a missing modulo would overflow the sums.
  for (const std::size_t n : {5551U, 5552U, 5553U, 100000U}) {
    const std::string bytes(n, '\xFF');
    std::uint64_t a = 1;
    std::uint64_t b = 0;
    for (const char c : bytes) {
      a = (a + static_cast<unsigned char>(c)) % 65521;
      b = (b + a) % 65521;
    }
    EXPECT_EQ(png::Adler32(bytes), static_cast<std::uint32_t>((b << 16) | a)) << n;
  }
}

// Walks the chunks, checks every CRC, inflates the stored blocks and returns the raw scan lines.
std::string DecodeStoredPng(const std::string& file, std::uint32_t& width, std::uint32_t& height) {
  EXPECT_EQ(file.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  std::string zlib;
  std::vector<std::string> types;
  for (std::size_t at = 8; at + 12 <= file.size();) {
    const std::uint32_t length = BigEndian32(file, at);
    const std::string type = file.substr(at + 4, 4);
    const std::string data = file.substr(at + 8, length);
    EXPECT_EQ(BigEndian32(file, at + 8 + length), png::Crc32(type + data)) << type;
    types.push_back(type);
    if (type == "IHDR") {
      width = BigEndian32(data, 0);
      height = BigEndian32(data, 4);
      EXPECT_EQ(data.substr(8), std::string("\x08\x02\x00\x00\x00", 5));
    }
    if (type == "IDAT") zlib += data;
    at += 12 + length;
  }
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
  EXPECT_EQ((static_cast<unsigned char>(zlib[0]) * 256 + static_cast<unsigned char>(zlib[1])) % 31, 0);
  std::string raw;
  std::size_t at = 2;
  for (bool last = false; !last;) {
    last = (zlib.at(at) & 1) != 0;
    const unsigned len = static_cast<unsigned>(static_cast<unsigned char>(zlib[at + 1])) |
                         (static_cast<unsigned>(static_cast<unsigned char>(zlib[at + 2])) << 8);
    const unsigned nlen = static_cast<unsigned>(static_cast<unsigned char>(zlib[at + 3])) |
                          (static_cast<unsigned>(static_cast<unsigned char>(zlib[at + 4])) << 8);
    EXPECT_EQ(len ^ nlen, 0xFFFFU);
    raw += zlib.substr(at + 5, len);
    at += 5 + len;
  }
  EXPECT_EQ(BigEndian32(zlib, at), png::Adler32(raw));
  EXPECT_EQ(at + 4, zlib.size());
  return raw;
}

TEST(PngEncode, PixelsBecomeRgbRowsBehindFilterBytes) {
  struct Case {
    std::uint32_t width;
    std::uint32_t height;
    std::size_t padding;  // extra bytes per source row (a DIB stride may be wider than the pixels)
  };
  // 200 x 120 needs two stored blocks (72120 raw bytes > 65535).
  for (const Case c : {Case{1, 1, 0}, Case{3, 2, 4}, Case{200, 120, 0}}) {
    const std::size_t stride = c.width * 4 + c.padding;
    std::vector<unsigned char> pixels(stride * c.height, 0xEE);
    for (std::uint32_t y = 0; y < c.height; ++y) {
      for (std::uint32_t x = 0; x < c.width; ++x) {
        unsigned char* p = &pixels[y * stride + x * 4];
        p[0] = static_cast<unsigned char>(x);      // blue
        p[1] = static_cast<unsigned char>(y);      // green
        p[2] = static_cast<unsigned char>(x + y);  // red
      }
    }
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    const std::string raw = DecodeStoredPng(png::EncodeBgrx(pixels.data(), c.width, c.height, stride), width, height);
    EXPECT_EQ(width, c.width);
    EXPECT_EQ(height, c.height);
    ASSERT_EQ(raw.size(), (c.width * 3 + 1) * c.height);
    for (std::uint32_t y = 0; y < c.height; ++y) {
      const std::size_t row = y * (c.width * 3 + 1);
      EXPECT_EQ(raw[row], '\0');
      for (std::uint32_t x = 0; x < c.width; ++x) {
        EXPECT_EQ(static_cast<unsigned char>(raw[row + 1 + x * 3]), static_cast<unsigned char>(x + y));
        EXPECT_EQ(static_cast<unsigned char>(raw[row + 2 + x * 3]), static_cast<unsigned char>(y));
        EXPECT_EQ(static_cast<unsigned char>(raw[row + 3 + x * 3]), static_cast<unsigned char>(x));
      }
    }
  }
}

TEST(PngEncode, RefusesImagesItCannotDescribe) {
  const std::vector<unsigned char> pixels(64, 0);
  EXPECT_TRUE(png::EncodeBgrx(nullptr, 1, 1, 4).empty());
  EXPECT_TRUE(png::EncodeBgrx(pixels.data(), 0, 1, 4).empty());
  EXPECT_TRUE(png::EncodeBgrx(pixels.data(), 1, 0, 4).empty());
  EXPECT_TRUE(png::EncodeBgrx(pixels.data(), 2, 1, 7).empty());  // stride shorter than a row
}

TEST(DetectString, Table) {
  constexpr const char* kDefault = "MULTIMEDIA & (ext=\"CSV\" | ext=\"TAB\" | ext=\"TSV\")";
  struct Case {
    const char* detect;
    const char* extension;
    std::optional<bool> expected;
  };
  const Case cases[] = {
      {kDefault, "csv", true},
      {kDefault, "CSV", true},
      {kDefault, "Tsv", true},
      {kDefault, "tab", true},
      {kDefault, "txt", false},
      {kDefault, "", false},
      {kDefault, "csvx", false},
      {"ext=\"CSV\" & !ext=\"TXT\"", "csv", true},
      {"ext!=\"TXT\"", "csv", true},
      {"ext!=\"TXT\"", "TXT", false},
      {"!(ext=\"CSV\" | ext=\"TSV\")", "tsv", false},
      {"((ext=\"CSV\"))", "csv", true},
      {"ext=CSV", "csv", true},
      // Terms that depend on the content or size cannot be judged from a name: they pass.
      {"ext=\"CSV\" & SIZE<1000000", "csv", true},
      {"[0]=\"M\" & [1]=\"Z\"", "exe", true},
      {"FIND(\"a|b\") & ext=\"LOG\"", "log", true},
      {"FORCE | ext=\"CSV\"", "doc", true},
      // Malformed strings pass nothing.
      {"ext=\"CSV\" |", "csv", std::nullopt},
      {"(ext=\"CSV\"", "csv", std::nullopt},
      {"ext=", "csv", std::nullopt},
      {"ext=\"CSV", "csv", std::nullopt},
      {"ext=\"CSV\")", "csv", std::nullopt},
      {"", "csv", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(host::DetectStringAccepts(c.detect, c.extension), c.expected) << c.detect << " / " << c.extension;
  }
}

TEST(DetectString, HostileNestingIsRefusedNotRecursedInto) {
  const std::string deep = std::string(100000, '(') + "ext=\"CSV\"" + std::string(100000, ')');
  EXPECT_EQ(host::DetectStringAccepts(deep, "csv"), std::nullopt);
  const std::string nots = std::string(100000, '!') + "ext=\"CSV\"";
  EXPECT_EQ(host::DetectStringAccepts(nots, "csv"), std::nullopt);
}

TEST(DetectString, ExtensionOfNames) {
  struct Case {
    std::u16string name;
    std::u16string extension;
  };
  const Case cases[] = {
      {u"a.csv", u"csv"},       {u"a.b.TSV", u"TSV"},     {u"README", u""},          {u".profile", u""},
      {u"dir.d\\file", u""},    {u"dir.d/file.tab", u"tab"}, {u"C:\\x\\y.csv", u"csv"}, {u"trailing.", u""},
  };
  for (const Case& c : cases) EXPECT_EQ(host::ExtensionOf<char16_t>(c.name), c.extension);
}

}  // namespace
}  // namespace qelvar
