// Which files the viewer leaves to Lister's other viewers. Portable: the unit tests run it natively.
#pragma once

#include <cstdint>

namespace qelvar {

// Whether a file of `size` bytes is declined before the viewer makes a window (so that Lister goes on
// with its other viewers, without a box): beyond a positive `maxFileSize` (a limit the user set), or, with
// a 64-bit address space, when its load (about three bytes of memory per byte of file) would not fit
// into `physicalMemory` (0: unknown, no such limit). A 32-bit address space declines nothing for its
// size: the rows that fit are shown, read-only.
bool DeclinesFile(std::uint64_t size, std::int64_t maxFileSize, std::uint64_t physicalMemory,
                  bool wideAddressSpace) noexcept;

}  // namespace qelvar
