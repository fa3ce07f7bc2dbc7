// gen_report TRADES FILE: writes a synthetic trade report of TRADES trades.
#include <cstdio>
#include <cstdlib>

#include "bench/ReportGen.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s TRADES FILE\n", argv[0]);
    return 2;
  }
  std::FILE* out = std::fopen(argv[2], "wb");
  if (!out) {
    std::perror(argv[2]);
    return 1;
  }
  const unsigned long long rows = rts::bench::WriteReport(out, std::strtoull(argv[1], nullptr, 10));
  if (std::fclose(out) != 0) {
    std::perror(argv[2]);
    return 1;
  }
  std::printf("%s: %s trades, %llu grid rows\n", argv[2], argv[1], rows);
  return 0;
}
