// Shared test helpers: a temporary folder that removes itself, and file helpers on UTF-16 paths.
#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace qelvar::test {

class TempDir {
 public:
  TempDir() {
    static std::atomic<int> counter{0};
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 1000; ++attempt) {
      path_ = base / ("qelvar-test-" + std::to_string(Pid()) + "-" + std::to_string(counter++));
      std::error_code ec;
      if (std::filesystem::create_directory(path_, ec)) return;
    }
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  // The path of `name` inside the folder, as the core takes paths.
  std::u16string File(const std::string& name) const { return (path_ / name).u16string(); }
  std::u16string Folder() const { return path_.u16string(); }

 private:
  static long Pid();
  std::filesystem::path path_;
};

inline long TempDir::Pid() {
  // Distinguishes concurrent test processes without a platform header.
  static const long pid = static_cast<long>(reinterpret_cast<std::uintptr_t>(&pid) & 0xFFFFFF);
  return pid;
}

inline void WriteBytes(const std::u16string& path, const std::string& bytes) {
  std::ofstream out(std::filesystem::path(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::u16string& path) {
  std::ifstream in(std::filesystem::path(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::size_t CountFiles(const std::filesystem::path& folder) {
  std::size_t n = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) n += entry.is_regular_file() ? 1 : 0;
  return n;
}

}  // namespace qelvar::test
