// qelvar-host: a stand-in for the file manager's Lister window, for people and for tests.
//
//   qelvar-host [--plugin PATH] [--ini PATH] [--dark] [--size WxH]
//               [--screenshot OUT.png [--after MS] [--until TEXT]] FILE
//
// Exit codes: 0 success, 1 the plug-in could not be loaded or refused the file (or a screenshot could not
// be written), 2 wrong arguments.
#include <windows.h>
#include <shellapi.h>

#include <optional>
#include <string>
#include <vector>

#include "host_app.h"
#include "win/handles.h"

namespace {

constexpr wchar_t kUsage[] =
    L"usage: qelvar-host [--plugin PATH] [--ini PATH] [--dark] [--size WxH]\n"
    L"                   [--screenshot OUT.png [--after MS] [--until TEXT]] FILE\n"
    L"  --plugin PATH      the plug-in to load (default: qelvar.wlx64 / qelvar.wlx beside the host)\n"
    L"  --ini PATH         the ini file handed to the plug-in (default: lsplugin.ini beside the host)\n"
    L"  --dark             tell the plug-in that the host is in dark mode\n"
    L"  --size WxH         size of the client area in pixels (default 1000x640)\n"
    L"  --screenshot OUT   wait, write the window as a PNG file, close and exit\n"
    L"  --after MS         milliseconds to wait before the screenshot (default 1000); the screenshot also\n"
    L"                     waits until the grid is shown\n"
    L"  --until TEXT       the screenshot also waits (at most 15 s more) until the status bar shows TEXT;\n"
    L"                     the status bar's texts are written to the output with the screenshot\n"
    L"Keys: Esc closes, F3 / Ctrl+F find, N / P next / previous file of the folder.";

std::optional<int> ParseNumber(const std::wstring& text) {
  if (text.empty() || text.size() > 6) return std::nullopt;
  int value = 0;
  for (const wchar_t c : text) {
    if (c < L'0' || c > L'9') return std::nullopt;
    value = value * 10 + (c - L'0');
  }
  return value;
}

// Parses the arguments; nullopt (with `error` set) on a usage error.
std::optional<qelvar::host::THostOptions> ParseArguments(const std::vector<std::wstring>& args, std::wstring& error) {
  qelvar::host::THostOptions options;
  bool afterGiven = false;
  std::vector<std::wstring> files;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::wstring& arg = args[i];
    const auto value = [&]() -> std::optional<std::wstring> {
      if (i + 1 >= args.size()) {
        error = arg + L" needs a value";
        return std::nullopt;
      }
      return args[++i];
    };
    if (arg == L"--plugin" || arg == L"--ini" || arg == L"--screenshot" || arg == L"--until") {
      const auto v = value();
      if (!v) return std::nullopt;
      (arg == L"--plugin"   ? options.plugin
       : arg == L"--ini"    ? options.ini
       : arg == L"--until"  ? options.until
                            : options.screenshot) = *v;
    } else if (arg == L"--dark") {
      options.dark = true;
    } else if (arg == L"--size") {
      const auto v = value();
      if (!v) return std::nullopt;
      const auto x = v->find_first_of(L"xX");
      const auto w = x == std::wstring::npos ? std::nullopt : ParseNumber(v->substr(0, x));
      const auto h = x == std::wstring::npos ? std::nullopt : ParseNumber(v->substr(x + 1));
      if (!w || !h || *w < 100 || *h < 100 || *w > 10000 || *h > 10000) {
        error = L"--size wants WIDTHxHEIGHT, each from 100 to 10000, not " + *v;
        return std::nullopt;
      }
      options.width = *w;
      options.height = *h;
    } else if (arg == L"--after") {
      const auto v = value();
      if (!v) return std::nullopt;
      const auto ms = ParseNumber(*v);
      if (!ms) {
        error = L"--after wants milliseconds, not " + *v;
        return std::nullopt;
      }
      options.afterMs = *ms;
      afterGiven = true;
    } else if (arg == L"--help" || arg == L"-h") {
      error.clear();
      return std::nullopt;
    } else if (arg.size() > 1 && arg[0] == L'-' && arg[1] == L'-') {
      error = L"unknown option " + arg;
      return std::nullopt;
    } else {
      files.push_back(arg);
    }
  }
  if (files.size() != 1) {
    error = files.empty() ? L"no file given" : L"only one file can be shown";
    return std::nullopt;
  }
  if ((afterGiven || !options.until.empty()) && options.screenshot.empty()) {
    error = afterGiven ? L"--after needs --screenshot" : L"--until needs --screenshot";
    return std::nullopt;
  }
  options.file = files.front();
  return options;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  int argc = 0;
  const qelvar::TLocalMemory<LPWSTR*> argv(CommandLineToArgvW(GetCommandLineW(), &argc));
  std::vector<std::wstring> args;
  for (int i = 1; argv && i < argc; ++i) args.emplace_back(argv.Get()[i]);

  try {
    std::wstring error;
    const std::optional<qelvar::host::THostOptions> options = ParseArguments(args, error);
    if (!options) {
      qelvar::host::Report(error.empty() ? std::wstring(kUsage) : error + L"\n" + kUsage, true);
      return error.empty() ? qelvar::host::kExitOk : qelvar::host::kExitUsage;
    }
    qelvar::host::THostApp app(*options);
    return app.Run();
  } catch (...) {
    qelvar::host::Report(L"unexpected failure", true);
    return qelvar::host::kExitFailed;
  }
}
