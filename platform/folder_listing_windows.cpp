// A folder's entries through FindFirstFileExW, with the attributes each entry's listing gives.

#include <windows.h>

#include "platform/file_primitives.h"

namespace morvane {

bool ListFolder(const NativePath& folder, std::vector<ListedEntry>& entries) {
  WIN32_FIND_DATAW found{};
  const NativePath pattern =
      folder + (folder.empty() || folder.back() == L'\\' || folder.back() == L'/' ? L"*" : L"\\*");
  const HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                         nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (search == INVALID_HANDLE_VALUE) {
    return false;
  }
  do {
    const std::wstring_view name = found.cFileName;
    if (name == L"." || name == L"..") {
      continue;
    }
    // A junction or a symbolic link is a reparse point, followed only by the caller.
    const DWORD attributes = found.dwFileAttributes;
    entries.push_back({NativePath(name), (attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? ListedEntry::Kind::Link
                                         : (attributes & FILE_ATTRIBUTE_DIRECTORY)
                                             ? ListedEntry::Kind::Folder
                                             : ListedEntry::Kind::File});
  } while (FindNextFileW(search, &found));
  const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
  FindClose(search);
  return complete;
}

}  // namespace morvane
