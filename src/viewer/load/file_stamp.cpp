#include "viewer/load/file_stamp.h"

#include <windows.h>

#include "platform/wide.h"

namespace qelvar {

TFileStamp ReadFileStamp(const std::u16string& fileName) noexcept {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(Wide(fileName), GetFileExInfoStandard, &data)) return {};
  TFileStamp stamp;
  stamp.exists = true;
  stamp.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  stamp.writeTime = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                    data.ftLastWriteTime.dwLowDateTime;
  return stamp;
}

}  // namespace qelvar
