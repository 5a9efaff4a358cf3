// The table of temporary files a request to stop removes, and the note it writes: the same on
// every system. A signal handler (a console control handler on Windows) reads both, so they hold
// plain characters and lock-free flags only.

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

#include "platform/interrupt_table.h"

namespace morvane {

namespace {

using NativeChar = std::filesystem::path::value_type;

// The table grows by blocks that stay for the life of the process, so that a handler can walk
// it while names come and go; a slot keeps its buffer for the next name that fits.
constexpr int kSlotsPerBlock = 32;

struct TemporarySlot {
  std::atomic<bool> claimed{false};
  std::atomic<bool> ready{false};  // path holds a name to remove
  NativeChar* path = nullptr;
  std::size_t capacity = 0;
};

struct SlotBlock {
  TemporarySlot slots[kSlotsPerBlock];
  std::atomic<SlotBlock*> next{nullptr};
};

SlotBlock gFirstBlock;
char gInterruptNote[512];
std::atomic<std::size_t> gInterruptNoteSize{0};
std::atomic<int> gDeferredStatus{0};
std::atomic<int> gCommits{0};
std::atomic<bool> gTerminalRequests{false};

static_assert(std::atomic<bool>::is_always_lock_free && std::atomic<std::size_t>::is_always_lock_free &&
              std::atomic<int>::is_always_lock_free && std::atomic<SlotBlock*>::is_always_lock_free);

TemporarySlot& SlotAt(int index) {
  SlotBlock* block = &gFirstBlock;
  for (int i = index / kSlotsPerBlock; i > 0; --i) {
    block = block->next.load();
  }
  return block->slots[index % kSlotsPerBlock];
}

}  // namespace

int RegisterTemporary(const std::filesystem::path::string_type& path) {
  SlotBlock* block = &gFirstBlock;
  for (int base = 0;; base += kSlotsPerBlock) {
    for (int i = 0; i < kSlotsPerBlock; ++i) {
      TemporarySlot& slot = block->slots[i];
      bool expected = false;
      if (!slot.claimed.compare_exchange_strong(expected, true)) {
        continue;
      }
      if (slot.capacity <= path.size()) {
        auto* buffer = new (std::nothrow) NativeChar[path.size() + 1];
        if (buffer == nullptr) {
          slot.claimed.store(false);
          return -1;
        }
        delete[] slot.path;  // not ready, so no handler reads it
        slot.path = buffer;
        slot.capacity = path.size() + 1;
      }
      std::copy_n(path.c_str(), path.size() + 1, slot.path);
      slot.ready.store(true);
      return base + i;
    }
    SlotBlock* next = block->next.load();
    if (next == nullptr) {
      auto* added = new (std::nothrow) SlotBlock;
      if (added == nullptr) {
        return -1;
      }
      if (block->next.compare_exchange_strong(next, added)) {
        next = added;
      } else {
        delete added;  // another thread added one first
      }
    }
    block = next;
  }
}

void UnregisterTemporary(int& slot) {
  if (slot >= 0) {
    TemporarySlot& entry = SlotAt(slot);
    entry.ready.store(false);
    entry.claimed.store(false);
    slot = -1;
  }
}

void EndAfterInterrupt(int status) {
  for (SlotBlock* block = &gFirstBlock; block != nullptr; block = block->next.load()) {
    for (TemporarySlot& slot : block->slots) {
      if (slot.ready.load()) {
        RemoveNow(slot.path);
      }
    }
  }
  const std::size_t size = gInterruptNoteSize.load();
  if (size != 0) {
    WriteToStandardError(gInterruptNote, size);
  }
  ExitNow(status);
}

void DeferInterrupt(int status) {
  int none = 0;
  gDeferredStatus.compare_exchange_strong(none, status);
}

bool CommitUnderWay() { return gCommits.load() > 0; }

void RememberRequests(InterruptRequests requests) {
  gTerminalRequests.store(requests == InterruptRequests::Terminal);
}

InterruptsHeld::InterruptsHeld(bool commit) : commit_(commit) {
  if (commit_) {
    gCommits.fetch_add(1);
  }
  HoldInterrupts();
}

InterruptsHeld::~InterruptsHeld() {
  ReleaseInterrupts(commit_);
  if (commit_ && gCommits.fetch_sub(1) == 1 && !gTerminalRequests.load() && gDeferredStatus.load() != 0) {
    EndAfterInterrupt(gDeferredStatus.load());
  }
}

void EndIfInterrupted() {
  if (const int status = gDeferredStatus.load(); status != 0) {
    gInterruptNoteSize.store(0);  // the outcome was reported
    EndAfterInterrupt(status);
  }
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
