// Runs a program and prints "<wall seconds> <peak resident KiB>" of that run on stdout, the
// program's own output going to /dev/null:
//
//   build/bench/measure_run build/cli/morvane-convert --version
//   0.001412 3968
//
// With --processor-check instead of a program it times a fixed piece of processor work of its
// own on every processor (no I/O, a few milliseconds) and prints "<wall seconds> 0": the runner
// takes one with each conversion, so that a spell in which the machine gives the benchmark less
// processor time shows in its report beside the conversions it slowed.
//
// Exit status: the program's, or 127 when it cannot be started. The benchmark runner measures
// through this small process rather than from Python itself: Linux keeps a process's peak
// resident size across fork and exec, so any child of the Python interpreter reports at least
// the interpreter's own peak (some 14 MiB), whatever the child uses.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <thread>
#include <vector>

namespace {

double Now() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

volatile std::uint32_t checkResult = 0;

// A table of 16 KiB stirred by a linear congruential sequence: loads, stores and multiplies in
// a dependent chain, as a conversion's own work is, in the first level of cache.
void StirTable() {
  std::uint32_t table[4096] = {};
  std::uint32_t state = 1;
  for (int i = 0; i < 2'000'000; ++i) {
    state = state * 1664525u + 1013904223u + table[state >> 20];
    table[(state >> 8) & 4095] = state;
  }
  checkResult = state;  // so that the chain is worked out
}

// The same work on every processor at once, timed until the last is done: the conversions run
// on two threads or more, and a spell in which the machine takes one processor away slows them
// far more than it slows work on one.
int ProcessorCheck() {
  const double start = Now();
  std::vector<std::thread> others(std::max(1u, std::thread::hardware_concurrency()) - 1);
  for (std::thread& other : others) {
    other = std::thread(StirTable);
  }
  StirTable();
  for (std::thread& other : others) {
    other.join();
  }
  std::printf("%.6f 0\n", Now() - start);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: measure_run PROGRAM [ARGUMENT...]\n"
                         "       measure_run --processor-check\n");
    return 2;
  }
  if (std::strcmp(argv[1], "--processor-check") == 0) {
    return ProcessorCheck();
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
