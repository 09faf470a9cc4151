// The texts of a failed load, which the document reports as a reason (TLoadFailure) and the viewer and
// the command-line tool both show.
#include <cstdio>

#include "localization/localization.h"
#include "platform/utf.h"

namespace qelvar {

std::u16string FormatFileSize(std::int64_t bytes) {
  char buffer[96];
  const long long whole = bytes;
  if (bytes < 1024) {
    std::snprintf(buffer, sizeof buffer, "%lld bytes", whole);
  } else if (bytes < 1048576) {
    std::snprintf(buffer, sizeof buffer, "%lld bytes (%.1f KB)", whole, static_cast<double>(bytes) / 1024.0);
  } else {
    std::snprintf(buffer, sizeof buffer, "%lld bytes (%.1f MB)", whole, static_cast<double>(bytes) / 1048576.0);
  }
  return Utf8ToUtf16(buffer);
}

std::u16string FileTooLargeMessage(std::int64_t fileSize, std::int64_t limit) {
  return UiText(utFileTooLarge) + u"\r\n" + UiText(utFileSize) + u": " + FormatFileSize(fileSize) + u"\r\n" +
         UiText(utLimit) + u": " + FormatFileSize(limit);
}

}  // namespace qelvar
