// The file layer's calls on Windows. Paths arrive as UTF-8 and meet the system as UTF-16; the
// texts are read and written through C runtime descriptors in binary mode.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstring>
#include <cwctype>
#include <utility>

#include "platform/error_text.h"
#include "platform/file_primitives.h"
#include "platform/utf16.h"

namespace morvane {

namespace {

// The system's message for error, without its final full stop and line end.
std::string Reason(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string reason =
      length != 0 ? Utf8FromUtf16(text, static_cast<int>(length)) : "error " + std::to_string(error);
  LocalFree(text);
  while (!reason.empty() && std::strchr(".\r\n ", reason.back()) != nullptr) {
    reason.pop_back();
  }
  return reason;
}

std::string OpenReason(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION ? std::string(kReasonInUse)
                                                                           : Reason(error);
}

// The C runtime's text, the same as on POSIX systems.
std::string IsAFolder() { return ErrorText(EISDIR); }

// path in UTF-16; false, with the reason, when it is empty or not valid UTF-8.
bool Wide(const std::string& path, std::wstring& wide, std::string& reason) {
  if (path.empty()) {
    reason = Reason(ERROR_FILE_NOT_FOUND);
    return false;
  }
  const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(),
                                       static_cast<int>(path.size()), nullptr, 0);
  if (size <= 0) {
    reason = Reason(ERROR_NO_UNICODE_TRANSLATION);
    return false;
  }
  wide.assign(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), static_cast<int>(path.size()), wide.data(),
                      size);
  return true;
}

// path made absolute, with backslashes only (replacing a file wants that on some systems), in
// the \\?\ form when it is longer than the old limit of 260 characters (with room for the
// temporary's longer name beside it).
std::wstring FullPath(const std::wstring& path) {
  std::wstring full(32768, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length == 0 || length >= full.size()) {
    return path;
  }
  full.resize(length);
  if (full.size() + 16 >= MAX_PATH && full.rfind(LR"(\\?\)", 0) != 0 && full.rfind(LR"(\\.\)", 0) != 0) {
    full = full.rfind(LR"(\\)", 0) == 0 ? LR"(\\?\UNC\)" + full.substr(2) : LR"(\\?\)" + full;
  }
  return full;
}

// The names Windows keeps for devices in every folder (NUL, CON, COM1...), with any extension
// ("nul.txt"), and names of a file's streams ("a.txt:stream"): neither is a file to write.
bool IsDeviceOrStream(const std::wstring& path) {
  const std::size_t slash = path.find_last_of(LR"(\/)");
  std::wstring name = path.substr(slash == std::wstring::npos ? 0 : slash + 1);
  if (name.size() > 2 && name[1] == L':' && slash == std::wstring::npos) {
    name.erase(0, 2);  // "C:name", relative to drive C's current folder
  }
  if (name.find(L':') != std::wstring::npos) {
    return true;
  }
  name = name.substr(0, name.find(L'.'));
  while (!name.empty() && name.back() == L' ') {
    name.pop_back();
  }
  for (wchar_t& c : name) {
    c = static_cast<wchar_t>(towupper(c));
  }
  static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
  for (const wchar_t* device : kDevices) {
    if (name == device) {
      return true;
    }
  }
  return name.size() == 4 && (name.rfind(L"COM", 0) == 0 || name.rfind(L"LPT", 0) == 0) &&
         ((name[3] >= L'1' && name[3] <= L'9') || name[3] == 0xB9 || name[3] == 0xB2 || name[3] == 0xB3);
}

MissingCalls gMissing;

class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  ~Handle() { Close(); }

  HANDLE get() const { return handle_; }
  HANDLE release() { return std::exchange(handle_, INVALID_HANDLE_VALUE); }
  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  void Close() {
    if (valid()) {
      CloseHandle(std::exchange(handle_, INVALID_HANDLE_VALUE));
    }
  }

 private:
  HANDLE handle_;
};

HANDLE HandleOf(const OwnedFile& file) { return reinterpret_cast<HANDLE>(_get_osfhandle(file.get())); }

// Hands handle over to a C runtime descriptor in file; false, with the reason, when the runtime
// has no room for it (the handle is then closed).
bool Adopt(Handle& handle, int flags, OwnedFile& file, std::string& reason) {
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle.get()), flags | _O_BINARY);
  if (fd < 0) {
    handle.Close();
    reason = Reason(ERROR_TOO_MANY_OPEN_FILES);
    return false;
  }
  handle.release();  // the descriptor owns it now
  file = OwnedFile(fd);
  return true;
}

FileIdentity IdentityOf(HANDLE handle) {
  // The 128-bit id first: on ReFS the 64-bit index may be empty.
  FILE_ID_INFO id{};
  if (GetFileInformationByHandleEx(handle, FileIdInfo, &id, sizeof id)) {
    std::uint64_t low = 0, high = 0;
    std::memcpy(&low, id.FileId.Identifier, 8);
    std::memcpy(&high, id.FileId.Identifier + 8, 8);
    if (low != 0 || high != 0) {
      return {id.VolumeSerialNumber, low, true, high};
    }
  }
  BY_HANDLE_FILE_INFORMATION information{};
  if (!GetFileInformationByHandle(handle, &information)) {
    return {};
  }
  return {information.dwVolumeSerialNumber,
          std::uint64_t{information.nFileIndexHigh} << 32 | information.nFileIndexLow, true};
}

// Replacing keeps the old file's attributes and permissions; with a backup name the old text
// stays there.
bool ReplaceWithBackup(const DestinationFiles::Entry& entry, const std::wstring& backup, DWORD& error) {
  if (ReplaceFileW(entry.target.c_str(), entry.temporaryPath.c_str(),
                   backup.empty() ? nullptr : backup.c_str(), REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr,
                   nullptr)) {
    return true;
  }
  error = GetLastError();
  return false;
}

// Renaming over a file replaces it whole or not at all.
bool MoveOver(const std::wstring& from, const std::wstring& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

}  // namespace

std::string CloseFailureReason() { return Reason(ERROR_WRITE_FAULT); }

void SetMissingCallsForTesting(MissingCalls calls) { gMissing = calls; }

FileIdentity IdentityOfDescriptor(int fd) {
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  return handle == INVALID_HANDLE_VALUE || GetFileType(handle) != FILE_TYPE_DISK ? FileIdentity{}
                                                                                : IdentityOf(handle);
}

FileIdentity IdentityOfPath(const NativePath& path) {
  // No access asked for: only the file's id. Backup semantics open a folder too; a junction or
  // a symbolic link is followed to what it names.
  const Handle handle(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  return handle.valid() ? IdentityOf(handle.get()) : FileIdentity{};
}

bool OpenSource(const std::string& path, SourceFile::State& state, std::string& reason) {
  std::wstring wide;
  if (!Wide(path, wide, reason)) {
    return false;
  }
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    reason = IsAFolder();
    return false;
  }
  wide = FullPath(wide);
  // Share mode 0: nobody else reads, writes or deletes the file while it is converted.
  Handle handle(CreateFileW(wide.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!handle.valid()) {
    reason = OpenReason(GetLastError());
    return false;
  }
  state.identity = IdentityOf(handle.get());
  return Adopt(handle, _O_RDONLY, state.file, reason);
}

bool OpenDestination(const std::string& path, const FileIdentity& source, DestinationFiles::Entry& entry,
                     std::string& reason) {
  std::wstring wide;
  if (!Wide(path, wide, reason)) {
    return false;
  }
  entry.target = FullPath(wide);
  if (IsDeviceOrStream(wide)) {
    reason = Reason(ERROR_INVALID_NAME);
    return false;
  }
  wide = entry.target;

  // A look at what is there. Asking for no reading or writing passes even the source's share
  // mode 0, so the source itself is recognised by its identity, not refused as in use.
  Handle look(CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                          FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!look.valid()) {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) {
      reason = OpenReason(error);  // a missing folder, no permission, a sharing violation
      return false;
    }
    return true;  // nothing to lock: the file appears when it is put in place
  }
  BY_HANDLE_FILE_INFORMATION information{};
  const bool disk = GetFileType(look.get()) == FILE_TYPE_DISK;
  if (disk && GetFileInformationByHandle(look.get(), &information) &&
      (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    reason = IsAFolder();
    return false;
  }
  if (IdentityOf(look.get()) == source) {
    reason = kReasonSameFile;
    return false;
  }
  if (!disk) {  // a named pipe, a device by its \\.\ name
    look.Close();
    Handle device(CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!device.valid()) {
      reason = OpenReason(GetLastError());
      return false;
    }
    return Adopt(device, _O_WRONLY, entry.direct, reason);
  }
  if (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
    // Replace the file a symbolic link points to, not the link.
    std::wstring final(32768, L'\0');
    const DWORD length = GetFinalPathNameByHandleW(look.get(), final.data(), static_cast<DWORD>(final.size()),
                                                   FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length > 0 && length < final.size()) {
      final.resize(length);
      entry.target = final;
    }
  }
  look.Close();
  // Others may neither read nor write it until it is replaced; deleting stays shared, because
  // replacing the file needs that.
  Handle locked(CreateFileW(entry.target.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!locked.valid()) {
    reason = OpenReason(GetLastError());
    return false;
  }
  if (IdentityOf(locked.get()) == source) {  // it became the source since the look
    reason = kReasonSameFile;
    return false;
  }
  entry.existed = true;
  return Adopt(locked, _O_WRONLY, entry.locked, reason);
}

Creation CreateUnnamedFile(const NativePath&, OwnedFile&, std::string&) { return Creation::Unsupported; }

Creation CreateNewFile(const NativePath& path, OwnedFile& file, std::string& reason) {
  // Others may neither read nor write it, which is its lock; deleting stays shared, so that the
  // handler of a request to stop, on a thread of its own, can remove it.
  Handle created(CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!created.valid()) {
    const DWORD error = GetLastError();
    reason = Reason(error);
    return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? Creation::Exists : Creation::Failed;
  }
  if (!Adopt(created, _O_WRONLY, file, reason)) {
    DeleteFileW(path.c_str());
    return Creation::Failed;
  }
  return Creation::Created;
}

// Every temporary has a name from the start (CreateUnnamedFile makes none).
Creation NameUnnamedFile(const OwnedFile&, const NativePath&, std::string& reason) {
  reason = Reason(ERROR_NOT_SUPPORTED);
  return Creation::Failed;
}

// ReplaceFileW keeps the old file's attributes and permissions.
void TakeOverPermissions(DestinationFiles::Entry&) {}

bool FlushFile(const OwnedFile& file, std::string& reason) {
  if (FlushFileBuffers(HandleOf(file))) {
    return true;
  }
  reason = Reason(GetLastError());
  return false;
}

bool MoveOver(const NativePath& from, const NativePath& to, std::string& reason) {
  if (MoveOver(from, to)) {
    return true;
  }
  reason = Reason(GetLastError());
  return false;
}

Creation MoveIfFree(const NativePath& from, const NativePath& to, std::string& reason) {
  if (MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) {
    return Creation::Created;
  }
  const DWORD error = GetLastError();
  reason = Reason(error);
  return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS ? Creation::Exists : Creation::Failed;
}

Creation LinkFile(const NativePath& from, const NativePath& to, std::string& reason) {
  if (!gMissing.hardLinks && CreateHardLinkW(to.c_str(), from.c_str(), nullptr)) {
    return Creation::Created;
  }
  const DWORD error = gMissing.hardLinks ? ERROR_NOT_SUPPORTED : GetLastError();
  reason = Reason(error);
  if (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) {
    return Creation::Exists;
  }
  return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION ? Creation::Unsupported
                                                                         : Creation::Failed;
}

Creation ReplaceKeepingOld(DestinationFiles::Entry& entry, std::string& reason) {
  if (gMissing.exchange) {
    return Creation::Unsupported;
  }
  const std::wstring backup = TemporaryName(entry.target);
  DWORD error = ERROR_SUCCESS;
  bool replaced = ReplaceWithBackup(entry, backup, error);
  if (!replaced && (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED)) {
    // Systems that refuse to replace a file this program holds open: let it go first.
    entry.locked.Close();
    replaced = ReplaceWithBackup(entry, backup, error);
  }
  if (replaced) {
    entry.oldPath = backup;
    return Creation::Created;
  }
  if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {
    MoveOver(backup, entry.target);  // the old text went aside: put it back
  }
  reason = Reason(error);
  return Creation::Failed;
}

bool Replace(DestinationFiles::Entry& entry, std::string& reason) {
  DWORD error = ERROR_SUCCESS;
  if (ReplaceWithBackup(entry, std::wstring(), error)) {
    return true;
  }
  // Systems that refuse to replace a file this program holds open: let it go first; a file
  // system without ReplaceFileW: a plain rename over it.
  entry.locked.Close();
  return ReplaceWithBackup(entry, std::wstring(), error) || MoveOver(entry.temporaryPath, entry.target, reason);
}

bool RemoveIfAbandoned(const NativePath& path) {
  // Share mode 0 is taken only when no conversion holds the file.
  Handle file(CreateFileW(path.c_str(), GENERIC_READ | DELETE, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  FILE_BASIC_INFO basic{};
  FILETIME now{};
  GetSystemTimeAsFileTime(&now);
  const auto ticks = [](const FILETIME& time) {
    return static_cast<std::int64_t>(std::uint64_t{time.dwHighDateTime} << 32 | time.dwLowDateTime);
  };
  constexpr std::int64_t kDay = 24LL * 60 * 60 * 10'000'000;  // in 100 ns
  FILE_DISPOSITION_INFO remove{TRUE};
  return file.valid() && GetFileInformationByHandleEx(file.get(), FileBasicInfo, &basic, sizeof basic) &&
         !(basic.FileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) &&
         basic.LastWriteTime.QuadPart < ticks(now) - kDay &&
         SetFileInformationByHandle(file.get(), FileDispositionInfo, &remove, sizeof remove);
}

void RemoveFile(const NativePath& path) { DeleteFileW(path.c_str()); }

// MoveFileExW and ReplaceFileW write the renames through.
void FlushFolder(const NativePath&) {}

}  // namespace morvane
