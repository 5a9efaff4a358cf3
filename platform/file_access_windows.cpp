// The files of a conversion on Windows. Paths arrive as UTF-8 and meet the system as UTF-16;
// the texts are read and written through C runtime descriptors in binary mode.

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <cwchar>
#include <random>
#include <utility>

#include "platform/file_access.h"

namespace morvane {

namespace {

std::string Utf8(const wchar_t* text, int length) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
  std::string result(static_cast<std::size_t>(std::max(size, 0)), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, length, result.data(), size, nullptr, nullptr);
  return result;
}

// The system's message for error, without its final full stop and line end.
std::string Reason(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
      error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string reason = length != 0 ? Utf8(text, static_cast<int>(length)) : "error " + std::to_string(error);
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
std::string IsAFolder() { return std::strerror(EISDIR); }

// path in UTF-16; false, with the reason, when it is empty or not valid UTF-8.
bool Wide(const std::string& path, std::wstring& wide, std::string& reason) {
  if (path.empty()) {
    reason = Reason(ERROR_FILE_NOT_FOUND);
    return false;
  }
  const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), static_cast<int>(path.size()),
                                       nullptr, 0);
  if (size <= 0) {
    reason = Reason(ERROR_NO_UNICODE_TRANSLATION);
    return false;
  }
  wide.assign(static_cast<std::size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path.data(), static_cast<int>(path.size()), wide.data(), size);
  return true;
}

// path made absolute, with backslashes only (replacing a file wants that on some systems).
std::wstring FullPath(const std::wstring& path) {
  std::wstring full(32768, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
  if (length == 0 || length >= full.size()) {
    return path;
  }
  full.resize(length);
  return full;
}

class Handle {
 public:
  Handle() = default;
  explicit Handle(HANDLE handle) : handle_(handle) {}
  Handle(Handle&& other) noexcept : handle_(std::exchange(other.handle_, INVALID_HANDLE_VALUE)) {}
  Handle& operator=(Handle&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = std::exchange(other.handle_, INVALID_HANDLE_VALUE);
    }
    return *this;
  }
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
  HANDLE handle_ = INVALID_HANDLE_VALUE;
};

// A C runtime descriptor that owns its handle.
class CrtDescriptor {
 public:
  CrtDescriptor() = default;
  CrtDescriptor(CrtDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  CrtDescriptor& operator=(CrtDescriptor&& other) noexcept {
    if (this != &other) {
      Close();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  ~CrtDescriptor() { Close(); }

  // Takes over handle; false (with handle closed) when the runtime has no room for it.
  bool Adopt(Handle handle, int flags) {
    Close();
    fd_ = _open_osfhandle(reinterpret_cast<intptr_t>(handle.get()), flags | _O_BINARY);
    if (fd_ < 0) {
      return false;
    }
    handle.release();  // the descriptor owns it now
    return true;
  }

  int get() const { return fd_; }
  bool valid() const { return fd_ >= 0; }
  HANDLE handle() const { return reinterpret_cast<HANDLE>(_get_osfhandle(fd_)); }
  bool Close() {
    if (fd_ < 0) {
      return true;
    }
    return _close(std::exchange(fd_, -1)) == 0;
  }

 private:
  int fd_ = -1;
};

struct Identity {
  DWORD volume = 0;
  DWORD indexHigh = 0;
  DWORD indexLow = 0;
  bool known = false;

  static Identity Of(HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION information{};
    Identity identity;
    if (GetFileInformationByHandle(handle, &information)) {
      identity = {information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow, true};
    }
    return identity;
  }
  bool operator==(const Identity& other) const {
    return known && other.known && volume == other.volume && indexHigh == other.indexHigh &&
           indexLow == other.indexLow;
  }
};

// ---- Temporary files that a request to stop removes -------------------------------------------
//
// The console's control handler runs on a thread of its own and reads this table.

constexpr int kTemporarySlots = 16;
constexpr std::size_t kSlotLength = 32768;  // the longest path Windows has

struct TemporarySlot {
  std::atomic<bool> claimed{false};
  std::atomic<bool> ready{false};
  wchar_t path[kSlotLength];
};

TemporarySlot gTemporaries[kTemporarySlots];
char gInterruptNote[512];
std::atomic<std::size_t> gInterruptNoteSize{0};
// Held while destinations are put in place, so that a request to stop lands before or after.
SRWLOCK gPlacing = SRWLOCK_INIT;
InterruptRequests gRequests = InterruptRequests::Terminal;

int RegisterTemporary(const std::wstring& path) {
  if (path.size() >= kSlotLength) {
    return -1;
  }
  for (int i = 0; i < kTemporarySlots; ++i) {
    bool expected = false;
    if (gTemporaries[i].claimed.compare_exchange_strong(expected, true)) {
      std::wmemcpy(gTemporaries[i].path, path.c_str(), path.size() + 1);
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

BOOL WINAPI EndAfterInterrupt(DWORD request) {
  // Exit statuses as a POSIX shell reports the matching signals.
  DWORD status;
  switch (request) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      if (gRequests != InterruptRequests::Terminal) {
        return FALSE;
      }
      status = 130;  // SIGINT
      break;
    case CTRL_CLOSE_EVENT:
      status = 129;  // SIGHUP
      break;
    default:
      status = 143;  // SIGTERM: the session ends
      break;
  }
  AcquireSRWLockExclusive(&gPlacing);
  for (TemporarySlot& slot : gTemporaries) {
    if (slot.ready.load()) {
      DeleteFileW(slot.path);
    }
  }
  const std::size_t size = gInterruptNoteSize.load();
  DWORD written = 0;
  if (size != 0) {
    WriteFile(GetStdHandle(STD_ERROR_HANDLE), gInterruptNote, static_cast<DWORD>(size), &written, nullptr);
  }
  TerminateProcess(GetCurrentProcess(), status);
  return TRUE;
}

class InterruptsHeld {
 public:
  InterruptsHeld() { AcquireSRWLockExclusive(&gPlacing); }
  ~InterruptsHeld() { ReleaseSRWLockExclusive(&gPlacing); }
  InterruptsHeld(const InterruptsHeld&) = delete;
  InterruptsHeld& operator=(const InterruptsHeld&) = delete;
};

// The part of path up to and with its last separator (or drive), and the name after it.
std::size_t NameStart(const std::wstring& path) {
  const std::wstring::size_type separator = path.find_last_of(L"\\/:");
  return separator == std::wstring::npos ? 0 : separator + 1;
}

// "FOLDER\.NAME.morvane-XXXXXX" beside target, with six random letters and digits.
std::wstring TemporaryName(const std::wstring& target) {
  static constexpr wchar_t kLetters[] = L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  static thread_local std::minstd_rand random(std::random_device{}() ^ GetCurrentProcessId());
  const std::size_t start = NameStart(target);
  std::wstring path = target.substr(0, start) + L"." + target.substr(start) + L".morvane-";
  for (int i = 0; i < 6; ++i) {
    path += kLetters[random() % (sizeof kLetters / sizeof kLetters[0] - 1)];
  }
  return path;
}

}  // namespace

// ---- Source ----------------------------------------------------------------------------------

struct SourceFile::State {
  CrtDescriptor fd;
  Identity identity;
};

SourceFile::SourceFile() = default;
SourceFile::SourceFile(SourceFile&&) noexcept = default;
SourceFile& SourceFile::operator=(SourceFile&&) noexcept = default;
SourceFile::~SourceFile() = default;

bool SourceFile::Open(const std::string& path, std::string& reason) {
  state_.reset();
  std::wstring wide;
  if (!Wide(path, wide, reason)) {
    return false;
  }
  const DWORD attributes = GetFileAttributesW(wide.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    reason = IsAFolder();
    return false;
  }
  // Share mode 0: nobody else reads, writes or deletes the file while it is converted.
  Handle handle(CreateFileW(wide.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!handle.valid()) {
    reason = OpenReason(GetLastError());
    return false;
  }
  auto state = std::make_unique<State>();
  state->identity = Identity::Of(handle.get());
  if (!state->fd.Adopt(std::move(handle), _O_RDONLY)) {
    reason = Reason(ERROR_TOO_MANY_OPEN_FILES);
    return false;
  }
  state_ = std::move(state);
  return true;
}

int SourceFile::Descriptor() const { return state_ ? state_->fd.get() : -1; }

void SourceFile::Close() { state_.reset(); }

// ---- Destinations ----------------------------------------------------------------------------

struct DestinationFiles::Entry {
  int borrowed = -1;            // an open descriptor given by the caller, written directly
  CrtDescriptor direct;   // a destination that is not a disk file, written directly
  Handle locked;                // the existing destination, held while it is replaced
  CrtDescriptor temporary;  // where the text of a disk file destination goes
  std::wstring target;          // the file to replace (symbolic links followed)
  std::wstring temporaryPath;   // the temporary's name
  std::wstring backupPath;      // the old text while several destinations are put in place
  int slot = -1;                // its place in the table of names a request to stop removes
  bool existed = false;         // the destination existed before
  bool placed = false;          // the temporary replaced the destination

  void RemoveTemporary() {
    temporary.Close();
    if (!temporaryPath.empty()) {
      DeleteFileW(temporaryPath.c_str());
      temporaryPath.clear();
    }
    UnregisterTemporary(slot);
  }

  // Puts the temporary in place of the target; with keepOld, the old text stays as backupPath.
  // False with the system's error when it cannot; the target is then as it was.
  bool Place(bool keepOld, DWORD& error) {
    if (existed) {
      if (keepOld) {
        backupPath = TemporaryName(target);
      }
      if (Replace(error)) {
        return true;
      }
      if (error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED) {
        // Systems that refuse to replace a file this program holds open: let it go first.
        locked.Close();
        if (Replace(error)) {
          return true;
        }
      }
      if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2) {  // the old text went aside: put it back
        MoveFileExW(backupPath.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
      }
      backupPath.clear();
      if (keepOld) {
        return false;
      }
      locked.Close();
    }
    // Renaming over the destination replaces it whole or not at all.
    if (MoveFileExW(temporaryPath.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return true;
    }
    error = GetLastError();
    return false;
  }

  // Replacing keeps the old file's attributes and permissions.
  bool Replace(DWORD& error) {
    if (ReplaceFileW(target.c_str(), temporaryPath.c_str(), backupPath.empty() ? nullptr : backupPath.c_str(),
                     REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) {
      return true;
    }
    error = GetLastError();
    return false;
  }
};

DestinationFiles::DestinationFiles(const SourceFile& source) : source_(source) {}

DestinationFiles::~DestinationFiles() { Discard(); }

std::size_t DestinationFiles::size() const { return entries_.size(); }

void DestinationFiles::AddDescriptor(int fd) {
  auto entry = std::make_unique<Entry>();
  entry->borrowed = fd;
  entries_.push_back(std::move(entry));
}

int DestinationFiles::Descriptor(std::size_t index) const {
  const Entry& entry = *entries_.at(index);
  if (entry.borrowed >= 0) {
    return entry.borrowed;
  }
  return entry.direct.valid() ? entry.direct.get() : entry.temporary.get();
}

bool DestinationFiles::Add(const std::string& path, std::string& reason) {
  std::wstring wide;
  if (!Wide(path, wide, reason)) {
    return false;
  }
  const Identity source = source_.state_ ? source_.state_->identity : Identity{};
  auto entry = std::make_unique<Entry>();
  entry->target = FullPath(wide);

  // A look at what is there. Asking for no reading or writing passes even the source's share
  // mode 0, so the source itself is recognised by its identity, not refused as in use.
  Handle look(CreateFileW(wide.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (look.valid()) {
    BY_HANDLE_FILE_INFORMATION information{};
    const bool disk = GetFileType(look.get()) == FILE_TYPE_DISK;
    if (disk && GetFileInformationByHandle(look.get(), &information) &&
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
      reason = IsAFolder();
      return false;
    }
    if (Identity::Of(look.get()) == source) {
      reason = kReasonSameFile;
      return false;
    }
    if (!disk) {  // NUL, CON, a named pipe
      look.Close();
      Handle device(CreateFileW(wide.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
      if (!device.valid()) {
        reason = OpenReason(GetLastError());
        return false;
      }
      if (!entry->direct.Adopt(std::move(device), _O_WRONLY)) {
        reason = Reason(ERROR_TOO_MANY_OPEN_FILES);
        return false;
      }
      entries_.push_back(std::move(entry));
      return true;
    }
    if (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
      // Replace the file a symbolic link points to, not the link.
      std::wstring final(32768, L'\0');
      const DWORD length = GetFinalPathNameByHandleW(look.get(), final.data(), static_cast<DWORD>(final.size()),
                                                     FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
      if (length > 0 && length < final.size()) {
        final.resize(length);
        entry->target = final;
      }
    }
    look.Close();
    // Others may neither read nor write it until it is replaced; deleting stays shared, because
    // replacing the file needs that.
    entry->locked = Handle(CreateFileW(entry->target.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!entry->locked.valid()) {
      reason = OpenReason(GetLastError());
      return false;
    }
    if (Identity::Of(entry->locked.get()) == source) {  // it became the source since the look
      reason = kReasonSameFile;
      return false;
    }
    entry->existed = true;
  } else {
    const DWORD error = GetLastError();
    if (error != ERROR_FILE_NOT_FOUND) {
      reason = OpenReason(error);  // a missing folder, no permission, a sharing violation
      return false;
    }
    // Nothing to lock: the file appears when it is put in place.
  }

  for (int attempt = 0; attempt < 100 && !entry->temporary.valid(); ++attempt) {
    entry->temporaryPath = TemporaryName(entry->target);
    entry->slot = RegisterTemporary(entry->temporaryPath);
    Handle temporary(CreateFileW(entry->temporaryPath.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    const DWORD error = GetLastError();
    if (temporary.valid() && entry->temporary.Adopt(std::move(temporary), _O_WRONLY)) {
      break;
    }
    UnregisterTemporary(entry->slot);
    if (!temporary.valid() && error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      entry->temporaryPath.clear();
      // A folder that takes no new file: writing the destination in place could lose its old
      // text if the conversion then failed, so it is refused instead.
      reason = Reason(error);
      return false;
    }
    if (temporary.valid()) {  // the runtime has no room for it
      DeleteFileW(entry->temporaryPath.c_str());
    }
    entry->temporaryPath.clear();
  }
  if (!entry->temporary.valid()) {
    reason = Reason(ERROR_FILE_EXISTS);
    return false;
  }
  entries_.push_back(std::move(entry));
  return true;
}

bool DestinationFiles::Commit(std::string& reason) {
  finished_ = true;
  std::size_t replacements = 0;
  // 1. Every text on the disk before any destination changes.
  for (auto& entry : entries_) {
    if (entry->direct.valid() && !entry->direct.Close()) {
      reason = Reason(ERROR_WRITE_FAULT);
      Discard();
      return false;
    }
    if (entry->temporary.valid()) {
      ++replacements;
      if (!FlushFileBuffers(entry->temporary.handle())) {
        reason = Reason(GetLastError());
        Discard();
        return false;
      }
      if (!entry->temporary.Close()) {
        reason = Reason(ERROR_WRITE_FAULT);
        Discard();
        return false;
      }
    }
  }

  // 2. Every temporary put in place, with no request to stop in between. With several, the old
  // texts stay aside until all are in place, so that a failure can put them back.
  InterruptsHeld held;
  const bool several = replacements > 1;
  DWORD error = ERROR_SUCCESS;
  for (auto& entry : entries_) {
    if (entry->temporaryPath.empty()) {
      continue;
    }
    if (!entry->Place(several, error)) {
      break;
    }
    entry->placed = true;
    entry->temporaryPath.clear();
    UnregisterTemporary(entry->slot);
  }
  if (error != ERROR_SUCCESS) {
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it) {
      Entry& entry = **it;
      if (!entry.placed) {
        continue;
      }
      if (!entry.backupPath.empty()) {
        MoveFileExW(entry.backupPath.c_str(), entry.target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        entry.backupPath.clear();
      } else if (!entry.existed) {
        DeleteFileW(entry.target.c_str());
      }
      entry.placed = false;
    }
    reason = Reason(error);
    Discard();
    return false;
  }

  // 3. The old texts and the locks go.
  for (auto& entry : entries_) {
    if (!entry->backupPath.empty()) {
      DeleteFileW(entry->backupPath.c_str());
    }
    entry->locked.Close();
  }
  return true;
}

void DestinationFiles::Discard() {
  for (auto& entry : entries_) {
    if (!entry->placed) {
      entry->RemoveTemporary();
    }
    entry->direct.Close();
    entry->locked.Close();
  }
  entries_.clear();
}

// ---- Requests to stop ------------------------------------------------------------------------

void EndOnInterrupt(InterruptRequests requests) {
  gRequests = requests;
  SetConsoleCtrlHandler(EndAfterInterrupt, TRUE);
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
