// read_report [TRADES] [FILE]: times ReadTradeReport on a synthetic report
// of TRADES trades (1,000,000 by default) against `cat FILE > /dev/null`
// and `wc -l FILE` in the same run, and prints the peak memory of the
// process beside the file's size.  The report is written by a child
// process, so its memory does not count here.  The reader takes the two
// halves of a report on two threads: its CPU time is the sum of both, and
// its clock time needs a second core free to come out below it.
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "RTS/ReportReader.h"
#include "bench/ReportGen.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double>(b - a).count();
}

// CPU seconds (user + system) used so far by this process or by its
// finished children: on a busy machine a steadier yardstick than the clock.
double CpuSeconds(int who) {
  struct rusage ru {};
  ::getrusage(who, &ru);
  return ru.ru_utime.tv_sec + ru.ru_stime.tv_sec + (ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

struct Timing {
  double wall = 1e9, cpu = 1e9;  // best of the runs
};

Timing TimeShell(const std::string& command, int runs) {
  Timing best;
  for (int i = 0; i < runs; ++i) {
    const double c = CpuSeconds(RUSAGE_CHILDREN);
    const auto a = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) {
      std::fprintf(stderr, "failed: %s\n", command.c_str());
      std::exit(1);
    }
    best.wall = std::min(best.wall, Seconds(a, std::chrono::steady_clock::now()));
    best.cpu = std::min(best.cpu, CpuSeconds(RUSAGE_CHILDREN) - c);
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  const unsigned long long trades = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 1000000ULL;
  const std::string file = argc > 2 ? argv[2] : "/tmp/rts_bench_report_" + std::to_string(trades) + ".txt";

  struct stat st {};
  if (::stat(file.c_str(), &st) != 0) {
    const pid_t pid = ::fork();
    if (pid == 0) {
      std::FILE* out = std::fopen(file.c_str(), "wb");
      if (!out) _exit(1);
      rts::bench::WriteReport(out, trades);
      _exit(std::fclose(out) == 0 ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || ::stat(file.c_str(), &st) != 0) {
      std::fprintf(stderr, "cannot write %s\n", file.c_str());
      return 1;
    }
  }
  const double mib = st.st_size / (1024.0 * 1024.0);

  const int runs = 5;
  const Timing cat = TimeShell("cat '" + file + "' > /dev/null", runs);
  const Timing wc = TimeShell("wc -l '" + file + "' > /dev/null", runs);

  Timing best;
  size_t rows = 0;
  for (int i = 0; i < runs; ++i) {
    rts::TradeTable table;
    const double c = CpuSeconds(RUSAGE_SELF);
    const auto a = std::chrono::steady_clock::now();
    if (!rts::ReadTradeReport(file, table)) return 1;
    best.wall = std::min(best.wall, Seconds(a, std::chrono::steady_clock::now()));
    best.cpu = std::min(best.cpu, CpuSeconds(RUSAGE_SELF) - c);
    rows = table.RowCount();
  }
  struct rusage ru {};
  ::getrusage(RUSAGE_SELF, &ru);
  const double peak = ru.ru_maxrss / 1024.0;  // KiB -> MiB

  std::printf("report: %s, %llu trades, %zu grid rows, %.1f MiB\n", file.c_str(), trades, rows, mib);
  std::printf("best of %d runs    wall        cpu (user+sys)\n", runs);
  std::printf("cat > /dev/null : %7.3f s   %7.3f s\n", cat.wall, cat.cpu);
  std::printf("wc -l           : %7.3f s   %7.3f s\n", wc.wall, wc.cpu);
  std::printf("ReadTradeReport : %7.3f s   %7.3f s   (%.1f x wc -l by the clock, %.1f x by cpu)\n",
              best.wall, best.cpu, best.wall / wc.wall, best.cpu / wc.cpu);
  std::printf("peak RSS        : %8.1f MiB (%.2f x file size)\n", peak, peak / mib);
  return 0;
}
