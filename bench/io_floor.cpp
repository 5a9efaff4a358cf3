// The I/O a conversion cannot avoid, as a process of its own so that its start-up counts as the
// converter's does:
//
//   build/bench/io_floor SOURCE DEST SIZE [DEST SIZE...]
//
// reads SOURCE through a 64 KiB buffer (the converter's buffer size), then writes each DEST with
// SIZE bytes from memory as the converter writes a destination: to a new file beside it,
// flushed to the disk (fdatasync), renamed over it, its folder flushed (fsync). bench/run_bench.py
// runs it through measure_run.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

constexpr std::size_t kBuffer = 64 * 1024;

bool Fail(const std::string& what) {
  std::perror(("io_floor: " + what).c_str());
  return false;
}

bool WriteFile(const std::string& destination, unsigned long long size, const std::vector<char>& chunk) {
  const std::string target = destination + ".new";
  const int fd = open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) {
    return Fail(target);
  }
  while (size > 0) {
    const std::size_t piece = size < kBuffer ? static_cast<std::size_t>(size) : kBuffer;
    const ssize_t n = write(fd, chunk.data(), piece);
    if (n <= 0) {
      return Fail(target);
    }
    size -= static_cast<unsigned long long>(n);
  }
  if (fdatasync(fd) != 0 || close(fd) != 0 || rename(target.c_str(), destination.c_str()) != 0) {
    return Fail(destination);
  }
  const std::size_t slash = destination.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : destination.substr(0, slash + 1);
  const int folderFd = open(folder.c_str(), O_RDONLY);
  if (folderFd < 0 || fsync(folderFd) != 0 || close(folderFd) != 0) {
    return Fail(folder);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || argc % 2 != 0) {
    std::fprintf(stderr, "usage: io_floor SOURCE DEST SIZE [DEST SIZE...]\n");
    return 2;
  }
  std::vector<char> chunk(kBuffer, 'x');
  const int source = open(argv[1], O_RDONLY);
  if (source < 0) {
    return Fail(argv[1]) ? 0 : 1;
  }
  ssize_t n = 0;
  while ((n = read(source, chunk.data(), chunk.size())) > 0) {
  }
  close(source);
  if (n < 0) {
    return Fail(argv[1]) ? 0 : 1;
  }
  for (int i = 2; i + 1 < argc; i += 2) {
    if (!WriteFile(argv[i], std::strtoull(argv[i + 1], nullptr, 10), chunk)) {
      return 1;
    }
  }
  return 0;
}
