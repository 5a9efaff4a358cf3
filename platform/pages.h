#pragma once

#include <cstddef>
#include <memory>
#include <new>

namespace morvane {

// Zeroed memory straight from the system, its pages made present at once where the system can
// (Linux): a large table that a conversion writes in full then costs half of what it costs when
// each page is made on its first write (the clip tables, some 190 pages, were a twentieth of a
// large project's conversion). Throws std::bad_alloc when the system has no memory to give.
void* AllocatePages(std::size_t size);
void FreePages(void* block, std::size_t size) noexcept;

template <class T>
struct PagesDeleter {
  void operator()(T* object) const noexcept {
    object->~T();
    FreePages(object, sizeof(T));
  }
};

template <class T>
using PagesPtr = std::unique_ptr<T, PagesDeleter<T>>;

// A T, value-initialised, on pages of its own.
template <class T>
PagesPtr<T> MakeOnPages() {
  void* const block = AllocatePages(sizeof(T));
  try {
    return PagesPtr<T>(new (block) T());
  } catch (...) {
    FreePages(block, sizeof(T));
    throw;
  }
}

}  // namespace morvane
