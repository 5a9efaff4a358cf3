// Names in the file system through std::filesystem, the same on every system.

#include "platform/file_system.h"

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/file_primitives.h"
#include "platform/utf8_path.h"

namespace morvane {

namespace fs = std::filesystem;

bool PathExists(std::string_view utf8) {
  std::error_code error;
  return fs::exists(fs::symlink_status(Utf8Path(utf8), error));
}

PathKind KindOf(std::string_view utf8) {
  std::error_code error;
  const fs::file_status status = fs::status(Utf8Path(utf8), error);
  if (error || !fs::exists(status)) {
    return PathKind::Missing;
  }
  return fs::is_directory(status) ? PathKind::Folder : PathKind::File;
}

std::vector<std::string> FolderNames(std::string_view folderUtf8) {
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator it(Utf8Path(folderUtf8), error), end; !error && it != end;
       it.increment(error)) {
    names.push_back(Utf8Text(it->path().filename()));
  }
  return names;
}

namespace {

// One way to a folder of a tree, and what a worker read there.
struct ReadFolder {
  explicit ReadFolder(fs::path to, bool byLink = false) : path(std::move(to)), link(byLink) {}

  fs::path path;
  bool link = false;  // a symbolic link (a junction) leads to it
  FolderEntries entries;
  std::vector<std::size_t> files;  // the entries that are files or links to files, in order
  std::vector<std::uint64_t> tags;  // each file's tag, when there is a tag to give
  struct Subfolder {
    std::size_t entry;   // its name in entries
    std::size_t folder;  // its ReadFolder
  };
  std::vector<Subfolder> subfolders;  // in the order listed
  bool complete = true;
  // The ReadFolder of the first way read to the same folder, that one's own when it is the first;
  // none when the folder is not to be read: a link leads to it and the system does not tell
  // which folder it is (only links loop).
  static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::size_t first = kNone;
};

// The folders of a tree read on several threads, each folder once. The threads share a stack of
// the ways to folders yet to read; a folder read by one way is known by its identity, and the
// other ways to it end there. Which way a thread reads first is chance: the paths come from Order,
// which walks the folders read as one thread would, so that every run gives the same answer.
class TreeWalk {
 public:
  TreeWalk(fs::path root, const FileTag& tag) : tag_(tag) {
    folders_.emplace_back(std::move(root));
    pending_.push_back(0);
  }

  void Read(unsigned workers) {
    Work(true);  // the folder given, alone: a folder without subfolders needs no other thread
    std::vector<std::thread> helpers;
    if (!pending_.empty()) {
      helpers.reserve(workers - 1);
      try {
        while (helpers.size() + 1 < workers) {
          helpers.emplace_back([this] { Work(false); });
        }
      } catch (...) {
        // no more threads to be had: those there are do the work
      }
    }
    Work(false);
    for (std::thread& helper : helpers) {
      helper.join();
    }
    if (failure_) {
      std::rethrow_exception(failure_);
    }
  }

  // The files and the unreadable folders, as one thread gives them that reads the folders one
  // by one, the last found first, and a folder by the first way it finds to it.
  FolderTree Order(std::string_view rootUtf8) const {
    struct Visit {
      std::size_t folder;
      std::string relative;  // "" for the folder given
    };
    std::vector<Visit> visits;  // the folders in the order read
    std::vector<bool> taken(folders_.size());
    taken[0] = true;
    std::size_t size = 0;  // of the text of every path
    std::size_t count = 0;
    for (std::vector<Visit> pending{{0, ""}}; !pending.empty();) {
      visits.push_back(std::move(pending.back()));
      pending.pop_back();
      const Visit& at = visits.back();
      const ReadFolder& folder = folders_[at.folder];
      size += folder.entries.names.size() + folder.files.size() * (at.relative.empty() ? 0 : at.relative.size() + 1);
      count += folder.files.size();
      for (const ReadFolder::Subfolder& sub : folder.subfolders) {
        const std::size_t first = folders_[sub.folder].first;
        if (first != ReadFolder::kNone && !taken[first]) {
          taken[first] = true;
          const std::string_view name = folder.entries.Name(sub.entry);
          pending.push_back({first, at.relative.empty() ? std::string(name) : at.relative + "/" += name});
        }
      }
    }
    FolderTree tree;
    tree.files.Reserve(size, count);
    tree.tags.reserve(tag_ ? count : 0);
    for (const Visit& at : visits) {
      const ReadFolder& folder = folders_[at.folder];
      for (const std::size_t file : folder.files) {
        tree.files.Add(at.relative, folder.entries.Name(file));
      }
      tree.tags.insert(tree.tags.end(), folder.tags.begin(), folder.tags.end());
      if (!folder.complete) {
        const std::string root(rootUtf8);
        tree.unreadable.push_back(at.relative.empty() ? root : root + "/" + at.relative);
      }
    }
    return tree;
  }

 private:
  // Reads pending folders until none is left and no thread reads one that may find more; once
  // only when alone.
  void Work(bool once) {
    std::unique_lock lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return !pending_.empty() || busy_ == 0 || failure_; });
      if (pending_.empty() || failure_) {
        return;
      }
      const std::size_t at = pending_.back();
      pending_.pop_back();
      ++busy_;
      lock.unlock();
      std::exception_ptr failure;
      try {
        List(at);
      } catch (...) {  // out of memory: the caller's thread throws it
        failure = std::current_exception();
      }
      lock.lock();
      --busy_;
      if (failure && !failure_) {
        failure_ = failure;
      }
      changed_.notify_all();
      if (once) {
        return;
      }
    }
  }

  ReadFolder& Folder(std::size_t at) {
    const std::lock_guard lock(mutex_);
    return folders_[at];  // a deque keeps each in its place while others are added
  }

  // Lists one folder and, when no other way to it came first, sorts its entries and adds its
  // subfolders to the stack.
  void List(std::size_t at) {
    ReadFolder& folder = Folder(at);
    FileIdentity id;
    folder.complete = ListFolder(folder.path.native(), folder.entries, id);
    if (!id.known) {
      id = IdentityOfPath(folder.path.native());
    }
    if (id.known) {
      const std::lock_guard lock(mutex_);
      folder.first = seen_.try_emplace(std::tuple{id.volume, id.index, id.high}, at).first->second;
    } else if (!folder.link) {
      folder.first = at;
    }
    if (folder.first != at) {
      folder.entries = {};
      return;
    }
    std::vector<ReadFolder> found;
    for (std::size_t i = 0; i < folder.entries.entries.size(); ++i) {
      const FolderEntries::Kind kind = folder.entries.entries[i].kind;
      if (kind == FolderEntries::Kind::File) {
        folder.files.push_back(i);
        continue;
      }
      fs::path path = folder.path / Utf8Path(folder.entries.Name(i));
      if (kind == FolderEntries::Kind::Link) {  // what it leads to, if anything
        std::error_code error;
        const fs::file_status status = fs::status(path, error);
        if (error || !fs::exists(status)) {
          continue;  // dangling
        }
        if (!fs::is_directory(status)) {
          folder.files.push_back(i);
          continue;
        }
      }
      folder.subfolders.push_back({i, 0});
      found.emplace_back(std::move(path), kind == FolderEntries::Kind::Link);
    }
    if (tag_) {
      folder.tags.reserve(folder.files.size());
      for (const std::size_t file : folder.files) {
        folder.tags.push_back(tag_(folder.entries.Name(file)));
      }
    }
    if (found.empty()) {
      return;
    }
    const std::lock_guard lock(mutex_);
    for (std::size_t i = 0; i < found.size(); ++i) {
      folder.subfolders[i].folder = folders_.size();
      pending_.push_back(folders_.size());
      folders_.push_back(std::move(found[i]));
    }
    changed_.notify_all();
  }

  const FileTag& tag_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<ReadFolder> folders_;  // [0]: the folder given
  std::vector<std::size_t> pending_;
  std::map<std::tuple<std::uint64_t, std::uint64_t, std::uint64_t>, std::size_t> seen_;
  unsigned busy_ = 0;
  std::exception_ptr failure_;
};

}  // namespace

FolderTree FilesUnder(std::string_view folderUtf8, unsigned workers, const FileTag& tag) {
  if (workers == 0) {
    workers = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
  }
  TreeWalk walk(Utf8Path(folderUtf8), tag);
  walk.Read(workers);
  return walk.Order(folderUtf8);
}

std::optional<std::string> AbsolutePath(std::string_view utf8) {
  std::error_code error;
  const fs::path absolute = fs::absolute(Utf8Path(utf8), error);
  if (error) {
    return std::nullopt;
  }
  return Utf8Text(absolute);
}

}  // namespace morvane
