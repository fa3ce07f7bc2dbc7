// A deterministic generator of synthetic trade reports of any size, for
// the benchmarks: split client pairs (joined by a hyphen or a comma),
// commas in numbers and comments, tab runs, blank and short lines, and
// Windows-1251 Cyrillic bytes in counterparties and comments.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace rts::bench {

class Lcg {
 public:
  explicit Lcg(uint64_t seed) : s_(seed) {}
  uint32_t Next() {
    s_ = s_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<uint32_t>(s_ >> 33);
  }
  uint32_t Below(uint32_t n) { return Next() % n; }

 private:
  uint64_t s_;
};

// Writes a report of `trades` trade lines (plus the header and a few
// lines the reader drops) to `out`.  Returns the number of grid rows the
// reader will make (split trades give two).
inline uint64_t WriteReport(std::FILE* out, uint64_t trades, uint64_t seed = 20240601) {
  static const char* kSecurities[] = {"GAZP", "LKOH", "SBER", "MTSS", "RTKM", "YNDX", "GMKN", "ROSN"};
  static const char* kCounterparties[] = {"FIRM7", "\xc1\xd0\xce\xca\xc5\xd0", "MC0001234",
                                          "\xd4\xc8\xd0\xcc\xc0-2"};
  static const char* kComments[] = {"none", "\xea\xee\xec\xec\xe5\xed\xf2\xe0\xf0\xe8\xe9",
                                    "a,b,c", "ok"};
  Lcg rnd(seed);
  std::string line;
  uint64_t rows = 0;
  std::fputs("\xd0\xe5\xe5\xf1\xf2\xf0 \xf1\xe4\xe5\xeb\xee\xea\r\n", out);  // header
  for (uint64_t i = 0; i < trades; ++i) {
    if (i % 5000 == 4999) std::fputs(" \t \r\n", out);  // blank line, dropped
    if (i % 7000 == 6999) std::fputs("ab\r\n", out);    // too short, dropped
    line.clear();
    const uint32_t kind = rnd.Below(100);
    line += kSecurities[rnd.Below(8)];
    line += '\t';
    line += kind < 3 ? "A, 5" : "0" + std::to_string(1 + rnd.Below(3));
    line += '\t';
    line += rnd.Below(2) ? 'S' : 'B';
    line += static_cast<char>('1' + rnd.Below(3));
    line += kind % 11 == 0 ? "\t\t\t" : "\t";  // a tab run now and then
    line += "C\t";
    const uint32_t client = 1000 + rnd.Below(200000);
    line += std::to_string(client);
    if (kind < 10) {  // a client pair
      line += kind % 2 ? ',' : '-';
      line += std::to_string(1000 + rnd.Below(200000));
      ++rows;
    }
    ++rows;
    line += '\t';
    line += kCounterparties[rnd.Below(4)];
    char num[96];
    std::snprintf(num, sizeof num, "\t%u.%02u\t%u\t%u.%04u\tSUR\t", 10 + rnd.Below(9000),
                  rnd.Below(100), 1 + rnd.Below(1000), rnd.Below(5000), rnd.Below(10000));
    line += num;
    line += "08/09/2004\t";
    line += std::to_string(600000 + i);
    line += "\t05/09/2004\t";
    std::snprintf(num, sizeof num, "%02u:%02u:%02u\tT0\t", 10 + rnd.Below(9), rnd.Below(60),
                  rnd.Below(60));
    line += num;
    line += kComments[rnd.Below(4)];
    line += "\r\n";
    std::fwrite(line.data(), 1, line.size(), out);
  }
  return rows;
}

}  // namespace rts::bench
