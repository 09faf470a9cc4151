// Taking many blocks out of an array, or putting them back, in one pass. The text, the rows and the cells
// of a document are each one contiguous array, and an edit of many rows removes or inserts a block in each
// per row: done one block at a time, every block would move the whole rest of the array. Internal to the
// document.
#pragma once

#include <cstddef>
#include <cstring>
#include <type_traits>

namespace qelvar::blocks {

struct Block {
  std::size_t At;     // 0-based position of the block's first element
  std::size_t Count;  // its elements
};

namespace detail {
template <typename T>
void Move(T* to, const T* from, std::size_t count) {
  if (count > 0) std::memmove(to, from, count * sizeof(T));
}
}  // namespace detail

// Takes `count` blocks out of the `size` elements at `data`: blockAt(k) for k = 0 .. count-1 gives them in
// ascending, disjoint positions of the array as it is. The rest closes up in order. Returns the new size.
// Does not allocate.
template <typename T, typename BlockAt>
std::size_t RemoveBlocks(T* data, std::size_t size, std::size_t count, BlockAt blockAt) {
  static_assert(std::is_trivially_copyable_v<T>);
  std::size_t read = 0;
  std::size_t write = 0;
  for (std::size_t k = 0; k < count; ++k) {
    const Block b = blockAt(k);
    detail::Move(data + write, data + read, b.At - read);
    write += b.At - read;
    read = b.At + b.Count;
  }
  detail::Move(data + write, data + read, size - read);
  return write + size - read;
}

// The inverse: `data` holds `size` elements and room for the blocks' elements after them. blockAt(k) gives
// each block's position in the final array (ascending, disjoint); fill(k, to) writes its elements at `to`,
// called for k from the last block to the first. Everything else keeps its order around the blocks. One
// pass from the back; does not allocate.
template <typename T, typename BlockAt, typename Fill>
void InsertBlocks(T* data, std::size_t size, std::size_t count, BlockAt blockAt, Fill fill) {
  static_assert(std::is_trivially_copyable_v<T>);
  std::size_t added = 0;
  for (std::size_t k = 0; k < count; ++k) added += blockAt(k).Count;
  std::size_t moved = size;        // elements before it are still in their old places
  std::size_t end = size + added;  // the final array from here on is complete
  for (std::size_t k = count; k-- > 0;) {
    const Block b = blockAt(k);
    const std::size_t kept = end - (b.At + b.Count);
    detail::Move(data + b.At + b.Count, data + moved - kept, kept);
    moved -= kept;
    fill(k, data + b.At);
    end = b.At;
  }
}

}  // namespace qelvar::blocks
