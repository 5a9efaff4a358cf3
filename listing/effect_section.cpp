#include "listing/effect_section.h"

#include "listing/field_listing.h"
#include "listing/wrap32.h"

namespace morvane {

void ReadEffectSection(ListingContext& context, std::int32_t effectCount, MainClipTable& mainClips) {
  SourceReader& source = context.source;
  ListingWriter& out = context.out;
  ProgressShare share(context.progress, "[Effect]", kEffectShare, effectCount);
  for (std::int32_t j = 0; j < effectCount; ++j) {
    const std::int32_t clipIndex = source.ReadU32();
    const std::int32_t clipLength = source.ReadU32();
    ShortString effectName;
    if (out.Discards()) {
      // An export lists nothing: the fields are read in pieces, the parameters' words at once.
      source.Drop(4 + 2);
      effectName = source.ReadShortString();
      source.Drop(5 * 4);
      DropWords(source, source.ReadU32());
      source.DropShortString();
    } else {
      out.WriteUnsigned(static_cast<std::uint32_t>(clipIndex));
      out.WriteChar(',');
      out.WriteUnsigned(static_cast<std::uint32_t>(clipLength));
      ListU32(source, out);
      out.WriteChar(',');
      out.WriteUnsigned(source.ReadU16());
      effectName = source.ReadShortString();
      out.Write(',', effectName);
      ListU32s(source, out, 5);
      // The offset is 64-bit so that a size near 2^31 cannot wrap it back below the size.
      const std::int32_t parameterBytes = source.ReadU32();
      for (std::int64_t offset = 0; offset < parameterBytes; offset += 4) {
        ListU32(source, out);
      }
      out.Write(',', source.ReadShortString(), "\r\n");
    }

    // The index comes from the file: a record naming a clip outside the table is listed only,
    // and both entries are checked before either is changed.
    MainClipEntry* before = mainClips.At(clipIndex);
    MainClipEntry* after = mainClips.At(WrapAdd(clipIndex, 1));
    if (before != nullptr && after != nullptr) {
      before->length = clipLength;
      after->transition.Assign(effectName.Text());
    }

    share.ItemDone(j + 1);
  }
}

}  // namespace morvane
