// Stands in for a browser in the link tests: registered as the handler of a URL scheme, it appends the
// link it was started with (its second argument) as a UTF-8 line to the file named by its first.
#include <windows.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) return 2;
  const int size = WideCharToMultiByte(CP_UTF8, 0, argv[2], -1, nullptr, 0, nullptr, nullptr);
  std::string line(static_cast<std::size_t>(size > 0 ? size - 1 : 0), '\0');
  if (size > 1) WideCharToMultiByte(CP_UTF8, 0, argv[2], -1, line.data(), size, nullptr, nullptr);
  line += '\n';
  FILE* out = _wfopen(argv[1], L"ab");
  if (!out) return 1;
  std::fwrite(line.data(), 1, line.size(), out);
  std::fclose(out);
  return 0;
}
