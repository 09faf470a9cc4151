// A file's size and last write time, as it was loaded or last saved.
#pragma once

#include <cstdint>
#include <string>

namespace qelvar {

// What a file looked like on disk: compared before a save, so that a save does not overwrite what another
// program wrote since the load.
struct TFileStamp {
  bool exists = false;
  std::uint64_t size = 0;
  std::uint64_t writeTime = 0;  // FILETIME ticks
  bool operator==(const TFileStamp&) const = default;
};

// The file's size and last write time now (`exists` false when it cannot be read).
TFileStamp ReadFileStamp(const std::u16string& fileName) noexcept;

}  // namespace qelvar
