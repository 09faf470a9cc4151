#include "viewer/load/decline_rule.h"

namespace qelvar {

bool DeclinesFile(std::uint64_t size, std::int64_t maxFileSize, std::uint64_t physicalMemory,
                  bool wideAddressSpace) noexcept {
  if (maxFileSize > 0 && size > static_cast<std::uint64_t>(maxFileSize)) return true;
  return wideAddressSpace && physicalMemory > 0 && size > physicalMemory / 3;
}

}  // namespace qelvar
