#include "document/block_decoder.h"

#include <cstring>

#include "platform/platform.h"
#include "platform/utf.h"

namespace qelvar {

namespace {

const unsigned char* Bytes(std::string_view s) { return reinterpret_cast<const unsigned char*>(s.data()); }

// Where the bytes of a UTF-8 character that the block's end cuts begin (`n` when none is cut): only the
// last lead byte can start one, within the last three bytes.
std::size_t Utf8Cut(const unsigned char* p, std::size_t n) {
  for (std::size_t k = n; k-- > 0 && n - k <= 3;) {
    const unsigned char b = p[k];
    if (b < 0x80) return n;
    if (b < 0xC0) continue;
    const std::size_t need = (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 1;
    return k + need > n ? k : n;
  }
  return n;
}

// The cut point of `bytes` for the encoding: UTF-16 keeps an odd last byte back.
std::size_t CutFor(const TCsvEncodingInfo& info, std::string_view bytes) {
  if (info.Name == kEncodingUtf16Le || info.Name == kEncodingUtf16Be) return bytes.size() & ~std::size_t{1};
  return Utf8Cut(Bytes(bytes), bytes.size());
}

}  // namespace

void TBlockDecoder::Judge(const unsigned char* p, std::size_t n) {
  for (std::size_t i = 0; i < n && structural_;) {
    if (p[i] < 0x80) {
      ++i;
      continue;
    }
    char32_t cp = 0;
    switch (NextUtf8Sequence(p, n, i, cp)) {
      case Utf8Sequence::Valid: wellFormed_ = true; break;
      case Utf8Sequence::Malformed: malformed_ = true; break;
      case Utf8Sequence::Broken: structural_ = false; break;
    }
  }
}

void TBlockDecoder::Begin(std::string_view first, bool last, std::u16string_view forcedEncoding,
                          std::u16string& text) {
  forced_ = !forcedEncoding.empty();
  const unsigned char* p = Bytes(first);
  const std::size_t n = first.size();
  TCsvEncodingInfo fresh;
  const std::size_t freshSkip = DetectEncoding(first.substr(0, std::min<std::size_t>(n, 4)), u"", fresh);
  // Only a mark or the first two bytes choose UTF-16; otherwise the UTF-8 test over the whole file does.
  judged_ = freshSkip == 0 && fresh.Name != kEncodingUtf16Le && fresh.Name != kEncodingUtf16Be;
  const std::size_t skip = DetectEncoding(first, forcedEncoding, info_);
  if (judged_) {
    const std::size_t cut = last ? n : Utf8Cut(p, n);
    Judge(p, cut);
    judgeCarry_.assign(first.substr(cut));
    chose_utf8_ = ChoosesUtf8();
    if (!forced_) info_.Name = chose_utf8_ ? kEncodingUtf8 : kEncodingAnsi;
  } else {
    detected_ = fresh.Name == info_.Name && fresh.HasBom == info_.HasBom;
  }
  carry_.clear();
  Decode(first.substr(skip), text);
  if (last) Next({}, true, text);
}

void TBlockDecoder::Resume(const TCsvEncodingInfo& info) {
  *this = TBlockDecoder{};
  info_ = info;
  forced_ = true;
  judged_ = false;
  detected_ = info.Detected;
}

void TBlockDecoder::Decode(std::string_view bytes, std::u16string& text) {
  // Bytes of a character cut by the last block come first.
  std::string joined;
  if (!carry_.empty()) {
    joined = carry_ + std::string(bytes);
    bytes = joined;
  }
  const std::size_t cut = CutFor(info_, bytes);
  const std::string_view whole = bytes.substr(0, cut);
  std::string rest(bytes.substr(cut));
  const unsigned char* p = Bytes(whole);
  const std::size_t n = whole.size();
  if (info_.Name == kEncodingUtf16Le || info_.Name == kEncodingUtf16Be) {
    const bool big = info_.Name == kEncodingUtf16Be;
    const std::size_t at = text.size();
    text.resize(at + n / 2);
    for (std::size_t i = 0; i < n / 2; ++i)
      text[at + i] = static_cast<char16_t>(big ? (p[2 * i] << 8) | p[2 * i + 1] : p[2 * i] | (p[2 * i + 1] << 8));
  } else if (info_.Name == kEncodingUtf8) {
    for (std::size_t i = 0; i < n;) {
      if (p[i] < 0x80) {
        std::size_t j = i;
        while (j < n && p[j] < 0x80) ++j;
        const std::size_t at = text.size();
        text.resize(at + (j - i));
        for (std::size_t k = i; k < j; ++k) text[at + k - i] = p[k];
        i = j;
        continue;
      }
      char32_t cp = 0;
      ascii_ = false;
      if (NextUtf8Sequence(p, n, i, cp) != Utf8Sequence::Valid) {
        text.push_back(u'?');
        clean_ = false;
      } else if (cp < 0x10000) {
        text.push_back(static_cast<char16_t>(cp));
      } else {
        cp -= 0x10000;
        text.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        text.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
      }
    }
  } else {
    const std::u16string piece = platform::AnsiToUtf16(whole);
    if (clean_) {
      std::string back;
      clean_ = platform::Utf16ToAnsi(piece, back) && back == whole;
    }
    text += piece;
  }
  carry_ = std::move(rest);
}

void TBlockDecoder::Next(std::string_view bytes, bool last, std::u16string& text) {
  if (judged_) {
    // Judged the way the bytes are decoded: from the carried bytes on, up to the cut.
    std::string joined = judgeCarry_ + std::string(bytes);
    const std::size_t cut = last ? joined.size() : Utf8Cut(Bytes(joined), joined.size());
    Judge(Bytes(joined), cut);
    judgeCarry_ = joined.substr(cut);
    // An ASCII start chose UTF-8 for want of evidence; a broken sequence settles ANSI for the whole file.
    if (!forced_ && !structural_ && ascii_ && info_.Name == kEncodingUtf8) {
      info_.Name = kEncodingAnsi;
      chose_utf8_ = false;
    }
  }
  Decode(bytes, text);
  if (last && !carry_.empty()) {
    // The file ends inside a character: decoded as a whole load decodes its end.
    const std::string tail = std::move(carry_);
    carry_.clear();
    const unsigned char* p = Bytes(tail);
    if (info_.Name == kEncodingUtf16Le || info_.Name == kEncodingUtf16Be) {
      clean_ = false;  // an odd last byte is dropped
    } else if (info_.Name == kEncodingUtf8) {
      for (std::size_t i = 0; i < tail.size();) {
        char32_t cp = 0;
        NextUtf8Sequence(p, tail.size(), i, cp);
        text.push_back(u'?');
        clean_ = false;
      }
    } else {
      const std::u16string piece = platform::AnsiToUtf16(tail);
      std::string back;
      clean_ = clean_ && platform::Utf16ToAnsi(piece, back) && back == tail;
      text += piece;
    }
  }
}

TCsvEncodingInfo TBlockDecoder::Info() const {
  TCsvEncodingInfo info = info_;
  info.Lossless = clean_;
  info.Detected = true;
  if (forced_) {
    info.Detected = judged_ ? !info.HasBom && info.Name == (ChoosesUtf8() ? kEncodingUtf8 : kEncodingAnsi)
                            : detected_;
  }
  return info;
}

bool TBlockDecoder::Agrees() const { return forced_ || !judged_ || ChoosesUtf8() == chose_utf8_; }

}  // namespace qelvar
