// The benchmark table shared by the benchmarks: a seeded UTF-8 table (about 1.5 million rows by 8 columns
// per 100 MB, CR LF, numbers, dates, non-ASCII names, quoted fields with commas, doubled quotes and line
// breaks), generated once and cached in /tmp/qelvar-bench.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

namespace bench {

inline constexpr const char* kTableHeader = "id,date,name,city,amount,quantity,note,code\r\n";

// The table's rows one after the other, numbered from `firstId`; the same seed gives the same rows.
class TTableRows {
 public:
  explicit TTableRows(std::uint64_t seed = 20240611, std::uint64_t firstId = 1) : rng_(seed), id_(firstId) {}

  // Appends the next row, CR LF included.
  void Append(std::string& out) {
    static const char* const kFirst[] = {"Anna", "Zoë", "Jürgen", "Øyvind", "Łukasz", "José", "Mia",
                                         "Noah", "Émile", "Ольга", "Søren", "Chloé", "Björn", "Ana",
                                         "Ömer", "Kai", "Lena", "Tomás", "Ida", "Yuki"};
    static const char* const kLast[] = {"Müller", "Smith", "García", "Nowak", "Østergaard", "Dubois", "Rossi", "Kovač",
                                        "Іваненко", "Lindqvist", "Yılmaz", "O'Brien", "Nakamura", "Fernández", "Weiß"};
    static const char* const kCities[] = {"Wien", "Zürich", "Kraków", "São Paulo", "Reykjavík", "Malmö",
                                          "Köln", "Oslo", "Lyon", "Porto", "Gdańsk", "Tromsø"};
    auto pick = [&](std::size_t n) { return static_cast<std::size_t>(rng_() % n); };
    char buf[256];
    const int n = std::snprintf(buf, sizeof buf, "%llu,20%02zu-%02zu-%02zu,%s %s,%s,%zu.%02zu,%zu,",
                                static_cast<unsigned long long>(id_), 10 + pick(15), 1 + pick(12), 1 + pick(28),
                                kFirst[pick(20)], kLast[pick(15)], kCities[pick(12)], pick(100000), pick(100),
                                pick(1000));
    out.append(buf, static_cast<std::size_t>(n));
    switch (pick(20)) {
      case 0: out += "\"late, but complete\""; break;
      case 1: out += "\"said \"\"fine\"\" twice\""; break;
      case 2: out += "\"first line\r\nsecond line\""; break;
      case 3: out += "ok"; break;
      default: break;
    }
    const int m = std::snprintf(buf, sizeof buf, ",X%06zu\r\n", pick(1000000));
    out.append(buf, static_cast<std::size_t>(m));
    ++id_;
  }

  std::uint64_t NextId() const { return id_; }

 private:
  std::mt19937_64 rng_;
  std::uint64_t id_;
};

// Writes the table in pieces, so that a table of a gigabyte needs no gigabyte of memory; the rows are the
// same for every size (one seed), so a smaller table is the beginning of a larger one. Exits the program
// when the file cannot be written.
inline void Generate(const std::string& path, std::size_t targetBytes) {
  const std::string folder = path.substr(0, path.find_last_of('/'));
  ::mkdir(folder.c_str(), 0755);
  const std::string temp = path + ".part";
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  bool ok = f != nullptr;
  constexpr std::size_t kPiece = 16u << 20;
  std::string out;
  out.reserve(kPiece + 4096);
  std::size_t written = 0;
  out += kTableHeader;
  TTableRows rows;
  while (ok && written + out.size() < targetBytes) {
    rows.Append(out);
    if (out.size() >= kPiece) {
      ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
      written += out.size();
      out.clear();
    }
  }
  if (ok) ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
  if (f && std::fclose(f) != 0) ok = false;
  if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
    std::fprintf(stderr, "bench: cannot write %s\n", path.c_str());
    std::exit(1);
  }
}

inline std::string TablePath(std::size_t megabytes) {
  return "/tmp/qelvar-bench/load-" + std::to_string(megabytes) + "mb.csv";
}

// The table of `megabytes` MB, generated when missing; false when it cannot be made.
inline bool EnsureTable(const std::string& path, std::size_t megabytes) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) return true;
  std::printf("generating %s ...\n", path.c_str());
  std::fflush(stdout);
  Generate(path, megabytes * 1000u * 1000u);
  return ::stat(path.c_str(), &st) == 0;
}

inline double FileBytes(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? static_cast<double>(st.st_size) : 0;
}

}  // namespace bench
