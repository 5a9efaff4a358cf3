// A folder's entries through opendir and readdir, with the type each entry's listing gives.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/file_primitives.h"

namespace morvane {

bool ListFolder(const NativePath& folder, std::vector<ListedEntry>& entries) {
  DIR* listing = ::opendir(folder.c_str());
  if (listing == nullptr) {
    return false;
  }
  bool complete = true;
  for (;;) {
    errno = 0;
    const dirent* entry = ::readdir(listing);
    if (entry == nullptr) {
      complete = errno == 0;
      break;
    }
    const std::string_view name = entry->d_name;
    if (name == "." || name == "..") {
      continue;
    }
    unsigned char type = entry->d_type;
    if (type == DT_UNKNOWN) {  // file systems that do not say: ask
      struct stat st {};
      if (::fstatat(::dirfd(listing), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        continue;  // gone meanwhile
      }
      type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : DT_REG;
    }
    entries.push_back({std::string(name), type == DT_DIR   ? ListedEntry::Kind::Folder
                                          : type == DT_LNK ? ListedEntry::Kind::Link
                                                           : ListedEntry::Kind::File});
  }
  ::closedir(listing);
  return complete;
}

}  // namespace morvane
