#include "document/block_decoder.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "document/ascii_run.h"
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

// The end of the run of ASCII bytes from `i` (at most `n`), eight bytes a step.
std::size_t AsciiEnd(const unsigned char* p, std::size_t i, std::size_t n) {
  while (i + 8 <= n) {
    std::uint64_t word = 0;
    std::memcpy(&word, p + i, 8);
    if ((word & 0x8080808080808080ull) != 0) break;
    i += 8;
  }
  while (i < n && p[i] < 0x80) ++i;
  return i;
}

// A two-byte sequence at p[i] (the most common kind in Latin text, never overlong from 0xC2 on), decoded
// in place of the general reader: advances `i` and sets `cp`, or returns false.
bool TwoByteSequence(const unsigned char* p, std::size_t n, std::size_t& i, char32_t& cp) {
  const unsigned char b = p[i];
  if (b < 0xC2 || b > 0xDF || i + 1 >= n || (p[i + 1] & 0xC0) != 0x80) return false;
  cp = static_cast<char32_t>(((b & 0x1Fu) << 6) | (p[i + 1] & 0x3Fu));
  i += 2;
  return true;
}

// The cut point of `bytes` for the encoding: UTF-16 keeps an odd last byte back.
std::size_t CutFor(const TCsvEncodingInfo& info, std::string_view bytes) {
  if (info.Name == kEncodingUtf16Le || info.Name == kEncodingUtf16Be) return bytes.size() & ~std::size_t{1};
  return Utf8Cut(Bytes(bytes), bytes.size());
}

}  // namespace

std::size_t TBlockDecoder::Judge(const unsigned char* p, std::size_t n, std::size_t stop) {
  std::size_t i = 0;
  while (i < stop && structural_) {
    i = AsciiEnd(p, i, stop);
    if (i >= stop) break;
    char32_t cp = 0;
    if (TwoByteSequence(p, n, i, cp)) {
      wellFormed_ = true;
      continue;
    }
    Count(NextUtf8Sequence(p, n, i, cp));
  }
  return i;
}

void TBlockDecoder::Count(Utf8Sequence kind) {
  switch (kind) {
    case Utf8Sequence::Valid: wellFormed_ = true; break;
    case Utf8Sequence::Malformed: malformed_ = true; break;
    case Utf8Sequence::Broken: structural_ = false; break;
  }
}

std::size_t TBlockDecoder::DecodeUtf8(const unsigned char* p, std::size_t n, std::size_t stop,
                                      TTextBuffer& text, bool judge) {
  // Never more code units than bytes; a sequence begun before `stop` may take three bytes more.
  const std::size_t at = text.size();
  text.resize(at + std::min(n, stop + 3));
  platform::PreferLargePages(text.data(), text.capacity() * sizeof(char16_t));
  char16_t* out = text.data() + at;
  std::size_t o = 0;
  std::size_t i = 0;
  while (i < stop) {
    // Never more code units than bytes: the run's stores stay inside `text`.
    WidenAsciiRun(p, stop, out, SIZE_MAX, i, o);
    const std::size_t j = AsciiEnd(p, i, stop);
    for (; i < j; ++i) out[o++] = p[i];
    if (i >= stop) break;
    char32_t cp = 0;
    ascii_ = false;
    if (TwoByteSequence(p, n, i, cp)) {
      if (judge && structural_) wellFormed_ = true;
      out[o++] = static_cast<char16_t>(cp);
      continue;
    }
    const Utf8Sequence kind = NextUtf8Sequence(p, n, i, cp);
    if (judge && structural_) Count(kind);
    if (kind != Utf8Sequence::Valid) {
      out[o++] = u'?';
      clean_ = false;
    } else if (cp < 0x10000) {
      out[o++] = static_cast<char16_t>(cp);
    } else {
      cp -= 0x10000;
      out[o++] = static_cast<char16_t>(0xD800 + (cp >> 10));
      out[o++] = static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    }
  }
  text.resize(at + o);
  return i;
}

void TBlockDecoder::Begin(std::string_view first, bool last, std::u16string_view forcedEncoding,
                          TTextBuffer& text) {
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
    Judge(p, cut, cut);
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

void TBlockDecoder::Decode(std::string_view bytes, TTextBuffer& text, bool judge) {
  // Bytes of a character cut by the last block come first. In UTF-8 they are decoded with the (at most
  // three) bytes that end their character, and the block in place: joining would copy every block.
  std::string joined;
  const bool utf8 = info_.Name == kEncodingUtf8;
  if (!carry_.empty() && utf8 && bytes.size() >= 8) {
    const std::string head = carry_ + std::string(bytes.substr(0, 3));
    const std::size_t stop = DecodeUtf8(Bytes(head), head.size(), carry_.size(), text, judge);
    bytes.remove_prefix(stop - carry_.size());
    carry_.clear();
  } else if (!carry_.empty()) {
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
  } else if (utf8) {
    DecodeUtf8(p, n, n, text, judge);
  } else {
    const std::u16string piece = platform::AnsiToUtf16(whole);
    if (clean_) {
      std::string back;
      clean_ = platform::Utf16ToAnsi(piece, back) && back == whole;
    }
    text.insert(text.end(), piece.begin(), piece.end());
  }
  carry_ = std::move(rest);
}

void TBlockDecoder::Next(std::string_view bytes, bool last, TTextBuffer& text) {
  // Text that is UTF-8 and not ASCII any more is judged while it is decoded: the two passes would cut
  // the same bytes the same way, and no judgement can change the encoding now.
  const bool fused = judged_ && !last && !ascii_ && info_.Name == kEncodingUtf8 && judgeCarry_ == carry_;
  if (fused) {
    Decode(bytes, text, true);
    judgeCarry_ = carry_;
    return;
  }
  if (judged_) {
    // Judged the way the bytes are decoded: from the carried bytes on, up to the cut. The carried bytes
    // are judged with the (at most three) bytes that end their character, the block then in place.
    std::string_view from = bytes;
    std::string joined;
    if (!judgeCarry_.empty() && !last && bytes.size() >= 8) {
      const std::string head = judgeCarry_ + std::string(bytes.substr(0, 3));
      const std::size_t stop = Judge(Bytes(head), head.size(), judgeCarry_.size());
      from.remove_prefix(std::max(stop, judgeCarry_.size()) - judgeCarry_.size());
    } else if (!judgeCarry_.empty()) {
      joined = judgeCarry_ + std::string(bytes);
      from = joined;
    }
    const std::size_t cut = last ? from.size() : Utf8Cut(Bytes(from), from.size());
    Judge(Bytes(from), cut, cut);
    judgeCarry_.assign(from.substr(cut));
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
      text.insert(text.end(), piece.begin(), piece.end());
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
