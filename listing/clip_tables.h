#pragma once

#include <array>
#include <cstdint>

#include "listing/short_string.h"

namespace morvane {

// What the listing hands to the EDL: one entry per clip of the four timeline tracks, in file
// order. Numbers are signed 32-bit frame counts; out points are exclusive.
//
// The tables are value-initialised for every conversion, so an entry that its section does not
// store (a clip of kind Other) holds an empty name and zero numbers.

struct MainClipEntry {
  ShortString name;             // the clip's name; "color clip" for a colour clip
  std::int32_t length = 0;      // frames on the recorder timeline; an effect may shorten it
  std::int32_t sourceIn = 0;    // first source frame (0 for stills and colour clips)
  std::int32_t sourceOut = 0;   // source frame after the last one
  ShortString transition;       // the effect that leads into this clip; empty for a cut
  std::int32_t hasAudio = 0;    // 1 when a movie clip has any nonzero audio level
  std::int32_t slow = 0;        // nonzero: played at half speed
};

struct InsertClipEntry {
  ShortString name;
  std::int32_t sourceIn = 0;    // as read, for every kind (may be negative for stills)
  std::int32_t sourceOut = 0;   // out as read, plus 1
  std::int32_t begin = 0;       // timeline frame at which the clip starts
  std::int32_t hasAudio = 0;
  std::int32_t slow = 0;
};

struct AudioClipEntry {
  ShortString name;
  std::int32_t sourceIn = 0;
  std::int32_t sourceOut = 0;
  std::int32_t begin = 0;
};

inline constexpr std::int32_t kMainCapacity = 1000;
inline constexpr std::int32_t kInsertCapacity = 300;
inline constexpr std::int32_t kExAudioCapacity = 300;

// A fixed table with the count its section announced. The count may be negative (a count with
// its top bit set lists nothing); it is never above the capacity, since the driver refuses such
// a project when it reads the count.
template <class Entry, std::int32_t Capacity>
struct ClipTable {
  static constexpr std::int32_t kCapacity = Capacity;

  // Entry i, or nullptr when i lies outside the table: nothing is ever stored or read past
  // either end.
  Entry* At(std::int32_t i) { return i >= 0 && i < Capacity ? &entries[static_cast<std::size_t>(i)] : nullptr; }
  const Entry* At(std::int32_t i) const {
    return i >= 0 && i < Capacity ? &entries[static_cast<std::size_t>(i)] : nullptr;
  }

  std::int32_t count = 0;
  std::array<Entry, static_cast<std::size_t>(Capacity)> entries{};
};

using MainClipTable = ClipTable<MainClipEntry, kMainCapacity>;
using InsertClipTable = ClipTable<InsertClipEntry, kInsertCapacity>;
using AudioClipTable = ClipTable<AudioClipEntry, kExAudioCapacity>;

// About 700 KB: allocate it (std::make_unique<ClipTables>() or MakeOnPages<ClipTables>() of
// platform/pages.h value-initialise every entry),
// never put it on the stack.
struct ClipTables {
  MainClipTable mainClips;
  InsertClipTable insertClips;
  AudioClipTable exAudio1Clips;
  AudioClipTable exAudio2Clips;
};

}  // namespace morvane
