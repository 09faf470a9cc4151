#include "viewer/edit/recovery.h"

#include <windows.h>

#include <array>
#include <cstdio>

#include "document/csv_document.h"
#include "localization/localization.h"
#include "platform/platform.h"
#include "platform/wide.h"

namespace qelvar {
namespace {

// A new path in the user's temporary folder named after the file and the time:
// "data.csv" -> "...\Temp\data-unsaved-20250131-140509.csv". Empty when there is no such folder.
std::u16string RecoveryPath(const std::u16string& fileName) {
  std::array<wchar_t, MAX_PATH + 2> folder{};
  const DWORD length = GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
  if (length == 0 || length >= folder.size()) return {};
  const std::u16string name = NameOf(fileName);
  const auto dot = name.find_last_of(u'.');
  const bool hasExtension = dot != std::u16string::npos && dot > 0;
  const std::u16string stem = hasExtension ? name.substr(0, dot) : name;
  const std::u16string extension = hasExtension ? name.substr(dot) : u"";

  SYSTEMTIME now{};
  GetLocalTime(&now);
  char stamp[32]{};
  std::snprintf(stamp, sizeof stamp, "-unsaved-%04u%02u%02u-%02u%02u%02u", now.wYear, now.wMonth, now.wDay,
                now.wHour, now.wMinute, now.wSecond);
  const std::u16string base = FromWide(std::wstring_view(folder.data(), length)) + stem +
                              std::u16string(stamp, stamp + std::char_traits<char>::length(stamp));
  for (int copy = 1; copy < 100; ++copy) {
    std::u16string path = base;
    if (copy > 1) {
      const std::string number = "-" + std::to_string(copy);
      path.append(number.begin(), number.end());
    }
    path += extension;
    if (!platform::FileExists(path)) return path;
  }
  return {};
}

}  // namespace

std::u16string NameOf(const std::u16string& path) {
  const auto slash = path.find_last_of(u"\\/");
  return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

std::u16string SaveFailureReason(const TCsvDocument& document, const std::u16string& fileName) {
  if (!document.Lossless()) return UiText(utSaveLossy);
  std::string bytes;
  if (!EncodeText(document.Text(), document.Encoding(), bytes))
    return FormatUiStrings(UiText(utSaveUnencodable), {document.Encoding().Name});
  if (platform::IsReadOnlyFile(fileName)) return UiText(utSaveReadOnly);
  return {};
}

bool WriteRecoveryFile(const TCsvDocument& document, const std::u16string& fileName, int commentMode,
                       std::u16string& path) {
  path = RecoveryPath(fileName);
  if (path.empty()) return false;
  TCsvEncodingInfo info = document.Encoding();
  info.Lossless = true;
  const TCsvEncodingInfo fallbacks[] = {{std::u16string(kEncodingUtf8), true, true},
                                        {std::u16string(kEncodingUtf16Le), true, true}};
  for (const TCsvEncodingInfo& fallback : fallbacks) {
    std::string bytes;
    if (EncodeText(document.Text(), info, bytes)) break;
    info = fallback;
  }
  return SaveTextToFile(path, document.Text(), info, document.Delimiter(), commentMode,
                        document.TrimValues());
}

}  // namespace qelvar
