// Arrays that grow without clearing what they are about to overwrite: a load writes hundreds of
// megabytes that a std::vector or std::string would first fill with zeros. Internal to the document.
#pragma once

#include <memory>
#include <new>
#include <string_view>
#include <utility>
#include <vector>

namespace qelvar {

// An allocator whose construction without a value leaves a trivial element unwritten, so that an array
// can be sized before it is filled: std::allocator would first clear hundreds of megabytes.
template <typename T>
struct TUnclearedAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = TUnclearedAllocator<U>;
  };
  TUnclearedAllocator() = default;
  template <typename U>
  TUnclearedAllocator(const TUnclearedAllocator<U>&) noexcept {}
  template <typename U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... Args>
  void construct(U* p, Args&&... args) {
    ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
  }
};

// Decoded text on its way to a document, and bytes read from a file: resized before they are written.
using TTextBuffer = std::vector<char16_t, TUnclearedAllocator<char16_t>>;
using TByteBuffer = std::vector<char, TUnclearedAllocator<char>>;

inline std::u16string_view View(const TTextBuffer& text) { return {text.data(), text.size()}; }
inline std::string_view View(const TByteBuffer& bytes) { return {bytes.data(), bytes.size()}; }

}  // namespace qelvar
