// Where the characters of job texts are kept. A snapshot makes a few hundred thousand short texts
// at once and drops them all together, so short texts are cut one after another from 64 KiB slabs
// instead of being asked of the heap one by one: taking a snapshot is cheaper, a record's texts lie
// side by side in memory, and dropping a snapshot hands back whole slabs.
//
// A slab is given back once the last text cut from it has been freed, on whichever thread, and is
// kept for the texts that come next. A text that lives on keeps its slab, so what is kept beyond a
// snapshot is copied out of it, not moved. Long texts come from the heap as usual.
#pragma once

#include <cstddef>
#include <new>

// The longest block, in bytes, that is cut from a slab.
constexpr std::size_t kLongestSlabText = 1024;

void* AllocateTextBytes(std::size_t bytes);
void FreeTextBytes(void* block, std::size_t bytes) noexcept;

// The slabs that hold a text or are being cut from, on every thread; spares are not counted.
std::size_t LiveTextSlabs();

template <class T>
struct TextAllocator {
  using value_type = T;

  TextAllocator() noexcept = default;
  template <class U>
  TextAllocator(const TextAllocator<U>&) noexcept {}

  T* allocate(std::size_t count) {
    if (count > static_cast<std::size_t>(-1) / sizeof(T)) throw std::bad_array_new_length();
    return static_cast<T*>(AllocateTextBytes(count * sizeof(T)));
  }
  void deallocate(T* block, std::size_t count) noexcept { FreeTextBytes(block, count * sizeof(T)); }
};

template <class T, class U>
bool operator==(const TextAllocator<T>&, const TextAllocator<U>&) noexcept {
  return true;
}
template <class T, class U>
bool operator!=(const TextAllocator<T>&, const TextAllocator<U>&) noexcept {
  return false;
}
