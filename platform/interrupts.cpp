// The table of temporary files a request to stop removes, and the note it writes: the same on
// every system. A signal handler (a console control handler on Windows) reads both, so they hold
// plain characters and lock-free flags only.

#include <algorithm>
#include <atomic>
#include <cstring>
#include <type_traits>

#include "platform/interrupt_table.h"

namespace morvane {

namespace {

using NativeChar = std::filesystem::path::value_type;

constexpr int kTemporarySlots = 16;
// The longest path the system takes, terminator included: 32767 UTF-16 units on Windows,
// PATH_MAX (4096 bytes) on Linux.
constexpr std::size_t kSlotLength = std::is_same_v<NativeChar, wchar_t> ? 32768 : 4096;

struct TemporarySlot {
  std::atomic<bool> claimed{false};
  std::atomic<bool> ready{false};  // path holds a name to remove
  NativeChar path[kSlotLength];
};

TemporarySlot gTemporaries[kTemporarySlots];
char gInterruptNote[512];
std::atomic<std::size_t> gInterruptNoteSize{0};

static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<std::size_t>::is_always_lock_free);

}  // namespace

int RegisterTemporary(const std::filesystem::path::string_type& path) {
  if (path.size() >= kSlotLength) {
    return -1;
  }
  for (int i = 0; i < kTemporarySlots; ++i) {
    bool expected = false;
    if (gTemporaries[i].claimed.compare_exchange_strong(expected, true)) {
      std::copy_n(path.c_str(), path.size() + 1, gTemporaries[i].path);
      gTemporaries[i].ready.store(true);
      return i;
    }
  }
  return -1;
}

void UnregisterTemporary(int& slot) {
  if (slot >= 0) {
    gTemporaries[slot].ready.store(false);
    gTemporaries[slot].claimed.store(false);
    slot = -1;
  }
}

void EndAfterInterrupt(int status) {
  for (TemporarySlot& slot : gTemporaries) {
    if (slot.ready.load()) {
      RemoveNow(slot.path);
    }
  }
  const std::size_t size = gInterruptNoteSize.load();
  if (size != 0) {
    WriteToStandardError(gInterruptNote, size);
  }
  ExitNow(status);
}

void SetInterruptNote(std::string_view note) {
  InterruptsHeld held;
  const std::size_t size = std::min(note.size(), sizeof gInterruptNote);
  std::memcpy(gInterruptNote, note.data(), size);
  if (size < note.size() && note.back() == '\n') {
    gInterruptNote[size - 1] = '\n';  // a shortened line still ends
  }
  gInterruptNoteSize.store(size);
}

}  // namespace morvane
