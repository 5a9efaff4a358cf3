#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

#include "platform/process.h"
#include "platform/utf8_path.h"

namespace morvane::testing {

// A folder of a test's own for the tests of files: empty at the start, removed at the end, named
// after the process and the test so that tests running side by side do not meet.
class ScratchFolder {
 public:
  const std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("morvane-" + std::to_string(ProcessId()) + "-" +
                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());

  ScratchFolder() {
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
  }
  ~ScratchFolder() {
    std::error_code error;
    std::filesystem::remove_all(path, error);
  }

  std::filesystem::path operator/(std::string_view utf8Name) const { return path / Utf8Path(utf8Name); }
  // The names in the folder, so that a test sees that nothing was left beside its files.
  std::set<std::string> Names() const {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path))
      names.insert(Utf8Text(entry.path().filename()));
    return names;
  }
};

// The bytes of a file; empty when it cannot be read.
inline std::string ReadFile(const std::filesystem::path& path) {
  std::ostringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

inline void WriteFile(const std::filesystem::path& path, std::string_view text) {
  std::ofstream(path, std::ios::binary) << text;
}

}  // namespace morvane::testing
