// A large, realistic CSV table for the benchmarks, the same on every run: an id, a name with digits, a
// city, a price with two decimals, a quantity, a date and a comment that is sometimes quoted (with a
// comma or doubled quotes inside). About 70 bytes per row, so 100 MB is about 1.5 million rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace qelvar::bench {

inline constexpr const char* kTableHeader = "id,name,city,price,quantity,date,comment\r\n";

// Deterministic (xorshift) so that every run and every benchmark sees the same table.
inline std::string GenerateTable(std::size_t targetBytes, std::uint32_t seed = 20240611) {
  static const char* const kWords[] = {"alpha", "bravo", "charlie", "delta", "echo", "foxtrot", "golf", "hotel",
                                       "india", "juliett", "kilo", "lima", "mike", "november", "oscar", "papa"};
  static const char* const kCities[] = {"Berlin", "Kyiv", "Lisbon", "Oslo", "Zürich", "Москва", "Praha", "Wien",
                                        "Kraków", "Łódź", "Genève", "Tallinn"};
  static const char* const kComments[] = {"", "ok", "\"late, again\"", "checked", "\"said \"\"fine\"\"\"",
                                          "returned", "", "priority"};
  std::uint32_t state = seed ? seed : 1;
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  };
  std::string out;
  out.reserve(targetBytes + 256);
  out += kTableHeader;
  char line[256];
  for (std::uint64_t id = 1; out.size() < targetBytes; ++id) {
    const std::uint32_t r = next(), s = next();
    const int n = std::snprintf(line, sizeof line, "%llu,%s %s %u,%s,%u.%02u,%u,20%02u-%02u-%02u,%s\r\n",
                                static_cast<unsigned long long>(id), kWords[r % 16], kWords[(r >> 4) % 16],
                                (r >> 8) % 100000, kCities[s % 12], (s >> 4) % 10000, (s >> 20) % 100,
                                (r >> 24) % 500, 10 + (s >> 8) % 15, 1 + (s >> 12) % 12, 1 + (s >> 16) % 28,
                                kComments[(r >> 28) % 8]);
    if (n > 0) out.append(line, static_cast<std::size_t>(n));
  }
  return out;
}

}  // namespace qelvar::bench
