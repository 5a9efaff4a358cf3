// Runs a program and prints "<wall seconds> <peak resident KiB>" of that run on stdout, the
// program's own output going to /dev/null:
//
//   build/bench/measure_run build/cli/morvane-convert --version
//   0.001412 3968
//
// Exit status: the program's, or 127 when it cannot be started. The benchmark runner measures
// through this small process rather than from Python itself: Linux keeps a process's peak
// resident size across fork and exec, so any child of the Python interpreter reports at least
// the interpreter's own peak (some 14 MiB), whatever the child uses.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>

namespace {

double Now() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: measure_run PROGRAM [ARGUMENT...]\n");
    return 2;
  }
  const double start = Now();
  const pid_t child = fork();
  if (child < 0) {
    std::perror("measure_run: fork");
    return 127;
  }
  if (child == 0) {
    const int devNull = open("/dev/null", O_WRONLY);
    if (devNull >= 0) {
      dup2(devNull, STDOUT_FILENO);
    }
    execv(argv[1], argv + 1);
    std::perror("measure_run: exec");
    _exit(127);
  }
  int status = 0;
  rusage usage{};
  if (wait4(child, &status, 0, &usage) != child) {
    std::perror("measure_run: wait4");
    return 127;
  }
  const double elapsed = Now() - start;
  std::printf("%.6f %ld\n", elapsed, usage.ru_maxrss);  // ru_maxrss is in KiB on Linux
  if (WIFEXITED(status)) {
    return WEXITSTATUS(status);
  }
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}
