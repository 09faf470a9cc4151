// The allowlist in front of the shell: see safe_link.h.
#include "grid/safe_link.h"

#include "grid/grid_values.h"

namespace qelvar {
namespace {

bool IsAsciiLetter(char16_t c) noexcept { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }
bool IsAsciiDigit(char16_t c) noexcept { return c >= u'0' && c <= u'9'; }
char16_t AsciiLower(char16_t c) noexcept { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

// Characters that would end or disguise a URL: C0 and C1 controls, every Unicode space, the invisible
// separators and the byte-order mark; the backslash, which the shell reads as a path separator (UNC).
bool IsForbidden(char16_t c) noexcept {
  if (c <= 0x20 || (c >= 0x7F && c <= 0xA0) || c == u'\\') return true;
  if (c == 0x1680 || (c >= 0x2000 && c <= 0x200F) || (c >= 0x2028 && c <= 0x202F)) return true;
  return c == 0x205F || c == 0x2060 || c == 0x3000 || c == 0xFEFF;
}

bool HasForbidden(std::u16string_view text) noexcept {
  for (const char16_t c : text)
    if (IsForbidden(c)) return true;
  return false;
}

bool EqualsAsciiLower(std::u16string_view text, std::u16string_view lower) noexcept {
  if (text.size() != lower.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i)
    if (AsciiLower(text[i]) != lower[i]) return false;
  return true;
}

// Host names as people write them: "example.com", "www.sub-domain.co.uk", never "1.5" or "a..b".
bool IsHostName(std::u16string_view host) noexcept {
  std::size_t labels = 0;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = host.find(u'.', start);
    const std::u16string_view label = host.substr(start, dot == std::u16string_view::npos ? host.npos : dot - start);
    if (label.empty() || label.size() > 63 || label.front() == u'-' || label.back() == u'-') return false;
    for (const char16_t c : label)
      if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != u'-') return false;
    ++labels;
    if (dot == std::u16string_view::npos) {
      if (labels < 2 || label.size() < 2) return false;
      for (const char16_t c : label)
        if (!IsAsciiLetter(c)) return false;
      return true;
    }
    start = dot + 1;
  }
}

// "host", "host:8080", each optionally followed by a path, query or fragment.
bool IsHostLike(std::u16string_view text) noexcept {
  const std::size_t end = text.find_first_of(u"/?#");
  std::u16string_view authority = text.substr(0, end);
  if (const std::size_t colon = authority.find(u':'); colon != std::u16string_view::npos) {
    const std::u16string_view port = authority.substr(colon + 1);
    if (port.empty() || port.size() > 5) return false;
    for (const char16_t c : port)
      if (!IsAsciiDigit(c)) return false;
    authority = authority.substr(0, colon);
  }
  return IsHostName(authority);
}

bool IsAllowedUrl(std::u16string_view link) noexcept {
  const std::size_t marker = link.find(u"://");
  if (marker == std::u16string_view::npos) return false;
  const std::u16string_view scheme = link.substr(0, marker);
  if (!EqualsAsciiLower(scheme, u"http") && !EqualsAsciiLower(scheme, u"https") && !EqualsAsciiLower(scheme, u"ftp"))
    return false;
  const std::u16string_view rest = link.substr(marker + 3);
  // A host must follow: "http:///path" and "http://?x" name none.
  const std::size_t hostEnd = rest.find_first_of(u"/?#");
  return hostEnd != 0 && !rest.empty();
}

}  // namespace

std::u16string SafeLinkToOpen(std::u16string_view cellText) {
  const bool hasScheme = cellText.find(u"://") != std::u16string_view::npos;
  std::u16string link = ExtractLink(cellText);
  if (link.empty() || link.size() > kMaxLinkLength || HasForbidden(link)) return {};
  if (hasScheme) return IsAllowedUrl(link) ? link : std::u16string();
  constexpr std::u16string_view kFallback = u"https://";
  if (link.compare(0, kFallback.size(), kFallback) != 0 || !IsHostLike(std::u16string_view(link).substr(kFallback.size())))
    return {};
  return link;
}

}  // namespace qelvar
