// A folder's entries through opendir and readdir, with the type each entry's listing gives.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/file_primitives.h"

namespace morvane {

bool ListFolder(const NativePath& folder, FolderEntries& entries, FileIdentity& identity) {
  DIR* listing = ::opendir(folder.c_str());
  if (listing == nullptr) {
    return false;
  }
  identity = IdentityOfDescriptor(::dirfd(listing));
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
    entries.names += name;
    entries.Add(type == DT_DIR   ? FolderEntries::Kind::Folder
                : type == DT_LNK ? FolderEntries::Kind::Link
                                 : FolderEntries::Kind::File);
  }
  ::closedir(listing);
  return complete;
}

}  // namespace morvane
