// A folder's entries through FindFirstFileExW, with the attributes each entry's listing gives.
// The listing does not tell the folder's identity: the caller asks for it.

#include <windows.h>

#include "platform/file_primitives.h"
#include "platform/utf16.h"

namespace morvane {

bool ListFolder(const NativePath& folder, FolderEntries& entries, FileIdentity&) {
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
    entries.names += Utf8FromUtf16(name.data(), static_cast<int>(name.size()));
    entries.Add((attributes & FILE_ATTRIBUTE_REPARSE_POINT) ? FolderEntries::Kind::Link
                : (attributes & FILE_ATTRIBUTE_DIRECTORY)   ? FolderEntries::Kind::Folder
                                                            : FolderEntries::Kind::File);
  } while (FindNextFileW(search, &found));
  const bool complete = GetLastError() == ERROR_NO_MORE_FILES;
  FindClose(search);
  return complete;
}

}  // namespace morvane
