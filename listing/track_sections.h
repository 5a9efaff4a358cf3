#pragma once

#include <cstdint>

#include "listing/clip_tables.h"
#include "listing/listing_context.h"
#include "listing/timeline_recorder.h"

namespace morvane {

// [MainAV]: count clip records (name, then a body by ClipKind), one listing line per clip, each
// stored in mainClips; status "[MainAV] %d / %d" and 40 progress steps.
void ReadMainAvSection(ListingContext& context, std::int32_t count, MainClipTable& mainClips);

// [InsertAV]: the main reader's twin with a begin field; status "[InsertAV] %d / %d", 20 steps.
void ReadInsertAvSection(ListingContext& context, std::int32_t count, InsertClipTable& insertClips);

// [ExAudio1] and [ExAudio2]: audio clip records of one layout; status "[ExAudio] %d / %d",
// 10 steps per track. track says which of the two it is, for the timeline recorder only.
void ReadExAudioSection(ListingContext& context, std::int32_t count, AudioClipTable& clips,
                        TimelineTrack track = TimelineTrack::ExAudio1);

}  // namespace morvane
