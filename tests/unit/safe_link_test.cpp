// The allowlist of links a cell may open: web addresses pass, everything the shell would run does not.
#include <gtest/gtest.h>

#include <string>

#include "grid/safe_link.h"
#include "platform/utf.h"

namespace qelvar {
namespace {

TEST(SafeLink, WebAddressesPass) {
  struct Case {
    std::u16string cell;
    std::u16string opened;
  };
  const Case cases[] = {
      {u"http://example.com", u"http://example.com"},
      {u"see https://example.com/a?b=1#c for more", u"https://example.com/a?b=1#c"},
      {u"HTTPS://EXAMPLE.COM", u"HTTPS://EXAMPLE.COM"},
      {u"ftp://files.example.org/pub", u"ftp://files.example.org/pub"},
      {u"\"http://quoted.example\"", u"http://quoted.example"},
      {u"https://example.com:8443/x", u"https://example.com:8443/x"},
      // Text without a scheme that names a host gets https.
      {u"example.com", u"https://example.com"},
      {u"  www.sub-domain.co.uk/path?q=1  ", u"https://www.sub-domain.co.uk/path?q=1"},
      {u"shop.example.de:8080", u"https://shop.example.de:8080"},
      {u"a1.b-2.info#top", u"https://a1.b-2.info#top"},
  };
  for (const Case& c : cases) EXPECT_EQ(Utf16ToUtf8(SafeLinkToOpen(c.cell)), Utf16ToUtf8(c.opened)) << Utf16ToUtf8(c.cell);
}

TEST(SafeLink, WhatTheShellWouldRunOpensNothing) {
  const std::u16string refused[] = {
      // Schemes that run programs, read files or reach file shares.
      u"file://C:/Windows/System32/calc.exe", u"file:///etc/passwd", u"probe://payload", u"ms-settings://x",
      u"javascript://%0aalert(1)", u"xhttp://example.com", u"://example.com",
      // A web scheme without a host, or hiding a UNC path or control characters.
      u"http://", u"http:///etc/passwd", u"http://?q", u"http://\\\\server\\share", u"http://exa\u0001mple.com",
      u"https://exa\u00A0mple.com", u"https://example.com/\u202Egnp.exe", u"https://example.com\u3000x",
      // Text that is not a host: numbers, abbreviations, sentences, file names of the disk, IP numbers.
      u"1.5", u"3.14159", u"e.g.", u"a..b", u"-a.com", u"a-.com", u"x.c", u"example.c0m", u"Total: 12.50 EUR",
      u"C:\\data\\report.pdf", u"\\\\server\\share\\x.txt", u"192.168.0.1", u"example.com:", u"example.com:123456",
      u"user@example.com", u"", u"no dot here",
  };
  for (const std::u16string& cell : refused) EXPECT_EQ(SafeLinkToOpen(cell), u"") << Utf16ToUtf8(cell);
}

TEST(SafeLink, LongerThan2048CharactersOpensNothing) {
  const std::u16string base = u"https://example.com/";
  const std::u16string longest = base + std::u16string(kMaxLinkLength - base.size(), u'a');
  EXPECT_EQ(SafeLinkToOpen(longest), longest);
  EXPECT_EQ(SafeLinkToOpen(longest + u"a"), u"");
  // The fallback's added scheme counts too.
  const std::u16string host = u"example.com/" + std::u16string(kMaxLinkLength - 8 - 12, u'p');
  EXPECT_EQ(SafeLinkToOpen(host), u"https://" + host);
  EXPECT_EQ(SafeLinkToOpen(host + u"p"), u"");
}

}  // namespace
}  // namespace qelvar
