// Seeing and steering what the plug-in asks of the system: a test points one of the plug-in's imports (its
// slot in the import address table) at a function of its own while alive, and back afterwards. The plug-in
// is not changed otherwise, and the rest of the process keeps the real functions.
#pragma once

#include <windows.h>

#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "harness.h"

namespace qelvar::gui {

// The slot through which `module` calls `function` of `library` (imported by name); null when it does
// not import it.
inline FARPROC* FindImport(HMODULE module, const char* library, const char* function) {
  auto* base = reinterpret_cast<BYTE*>(module);
  const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  if (imports.VirtualAddress == 0) return nullptr;
  for (auto* entry = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); entry->Name != 0;
       ++entry) {
    if (_stricmp(reinterpret_cast<const char*>(base + entry->Name), library) != 0) continue;
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->OriginalFirstThunk);
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + entry->FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++slots) {
      if ((names->u1.Ordinal & IMAGE_ORDINAL_FLAG) != 0) continue;
      const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
      if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
        return reinterpret_cast<FARPROC*>(&slots->u1.Function);
    }
  }
  return nullptr;
}

// While alive, the plug-in's calls of `function` go to `replacement`, which may call Original<F>().
// Installed() is false when the plug-in does not import the function.
class TImportPatch {
 public:
  template <class F>
  TImportPatch(const char* library, const char* function, F* replacement)
      : slot_(FindImport(Plugin().module.Get(), library, function)) {
    if (slot_ == nullptr) return;
    original_ = *slot_;
    Write(reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(replacement)));
  }
  ~TImportPatch() {
    if (slot_ != nullptr) Write(original_);
  }
  TImportPatch(const TImportPatch&) = delete;
  TImportPatch& operator=(const TImportPatch&) = delete;

  bool Installed() const { return slot_ != nullptr; }
  template <class F>
  F* Original() const {
    return reinterpret_cast<F*>(reinterpret_cast<void (*)()>(original_));
  }

 private:
  void Write(FARPROC value) {
    DWORD protection = 0;
    VirtualProtect(slot_, sizeof *slot_, PAGE_READWRITE, &protection);
    *slot_ = value;
    VirtualProtect(slot_, sizeof *slot_, protection, &protection);
  }

  FARPROC* slot_;
  FARPROC original_ = nullptr;
};

// What the plug-in created and has not freed yet, while alive: GDI objects, device contexts and windows.
// Wine's GetGuiResources answers 0, so the process's GDI and USER counts cannot be read there; counting at
// the plug-in's own imports (CreateFontW, CreateSolidBrush, DeleteObject, GetDC, ReleaseDC,
// CreateWindowExW, CreateStatusWindowW) sees exactly the objects it made, on Windows and under Wine alike.
// One at a time.
class TPluginObjects {
 public:
  TPluginObjects() { State() = TState{}; }
  TPluginObjects(const TPluginObjects&) = delete;
  TPluginObjects& operator=(const TPluginObjects&) = delete;

  // Every patch took: the plug-in imports each function it is expected to create objects with.
  bool Installed() const {
    for (const TImportPatch* patch : {&font_, &brush_, &deleteObject_, &getDC_, &releaseDC_, &window_, &statusBar_})
      if (!patch->Installed()) return false;
    return true;
  }
  // GDI objects created and not deleted.
  std::size_t LiveGdiObjects() const { return State().gdi.size(); }
  // Device contexts taken with GetDC and not released.
  int OpenDCs() const { return State().openDCs; }
  std::size_t CreatedGdiObjects() const { return State().createdGdi; }
  // Every window the plug-in created (alive or not).
  const std::vector<HWND>& Windows() const { return State().windows; }

 private:
  struct TState {
    std::set<HGDIOBJ> gdi;
    std::size_t createdGdi = 0;
    int openDCs = 0;
    std::vector<HWND> windows;
  };
  static TState& State() {
    static TState state;
    return state;
  }
  static HGDIOBJ Created(HGDIOBJ object) {
    if (object != nullptr) {
      State().gdi.insert(object);
      ++State().createdGdi;
    }
    return object;
  }
  static HFONT WINAPI OnCreateFontW(int h, int w, int e, int o, int weight, DWORD i, DWORD u, DWORD s, DWORD c,
                                    DWORD op, DWORD cp, DWORD q, DWORD pf, LPCWSTR face) {
    return static_cast<HFONT>(Created(CreateFontW(h, w, e, o, weight, i, u, s, c, op, cp, q, pf, face)));
  }
  static HBRUSH WINAPI OnCreateSolidBrush(COLORREF color) {
    return static_cast<HBRUSH>(Created(CreateSolidBrush(color)));
  }
  static BOOL WINAPI OnDeleteObject(HGDIOBJ object) {
    const BOOL deleted = DeleteObject(object);
    if (deleted) State().gdi.erase(object);
    return deleted;
  }
  static HDC WINAPI OnGetDC(HWND window) {
    const HDC dc = GetDC(window);
    if (dc != nullptr) ++State().openDCs;
    return dc;
  }
  static int WINAPI OnReleaseDC(HWND window, HDC dc) {
    const int released = ReleaseDC(window, dc);
    if (released) --State().openDCs;
    return released;
  }
  static HWND WINAPI OnCreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR name, DWORD style, int x, int y,
                                       int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                                       LPVOID parameter) {
    const HWND window = CreateWindowExW(exStyle, className, name, style, x, y, width, height, parent, menu,
                                        instance, parameter);
    if (window != nullptr) State().windows.push_back(window);
    return window;
  }
  static HWND WINAPI OnCreateStatusWindowW(LONG style, LPCWSTR text, HWND parent, UINT id) {
    const HWND window = CreateStatusWindowW(style, text, parent, id);
    if (window != nullptr) State().windows.push_back(window);
    return window;
  }

  TImportPatch font_{"gdi32.dll", "CreateFontW", &OnCreateFontW};
  TImportPatch brush_{"gdi32.dll", "CreateSolidBrush", &OnCreateSolidBrush};
  TImportPatch deleteObject_{"gdi32.dll", "DeleteObject", &OnDeleteObject};
  TImportPatch getDC_{"user32.dll", "GetDC", &OnGetDC};
  TImportPatch releaseDC_{"user32.dll", "ReleaseDC", &OnReleaseDC};
  TImportPatch window_{"user32.dll", "CreateWindowExW", &OnCreateWindowExW};
  TImportPatch statusBar_{"comctl32.dll", "CreateStatusWindowW", &OnCreateStatusWindowW};
};

namespace detail {
inline BOOL CALLBACK CountWindow(HWND, LPARAM count) {
  ++*reinterpret_cast<std::size_t*>(count);
  return TRUE;
}
inline BOOL CALLBACK CountWindowAndChildren(HWND window, LPARAM count) {
  ++*reinterpret_cast<std::size_t*>(count);
  EnumChildWindows(window, &CountWindow, count);
  return TRUE;
}
}  // namespace detail

// The windows of this thread, top-level and children: the USER objects a test can count under Wine.
inline std::size_t ThreadWindowCount() {
  std::size_t count = 0;
  EnumThreadWindows(GetCurrentThreadId(), &detail::CountWindowAndChildren, reinterpret_cast<LPARAM>(&count));
  return count;
}

}  // namespace qelvar::gui
