// Counts the GDI objects and device contexts that the plug-in itself creates and frees, by pointing its
// imports of the creating and freeing functions at counting wrappers. Wine answers GetGuiResources with 0,
// so the process's own counts cannot tell a leak there.
#pragma once

#include <array>

#include "viewer_test_support.h"

namespace qelvar::gui {

namespace counted {

// The functions counted; the wrappers are found by their index.
enum TFunction {
  kCreateFontW,
  kCreateFontIndirectW,
  kCreateSolidBrush,
  kCreatePen,
  kCreateCompatibleDC,
  kCreateCompatibleBitmap,
  kGetDC,
  kGetWindowDC,
  kDeleteObject,
  kDeleteDC,
  kReleaseDC,
  kFunctionCount
};

inline int& Live() {
  static int live = 0;
  return live;
}

inline std::array<FARPROC, kFunctionCount>& Originals() {
  static std::array<FARPROC, kFunctionCount> originals{};
  return originals;
}

template <int Index, class Function>
struct TWrapper;

// A handle that comes back counts as one more object; a call that frees one (non-zero result) as one less.
template <int Index, class Result, class... Arguments>
struct TWrapper<Index, Result (*)(Arguments...)> {
  static Result WINAPI Create(Arguments... arguments) {
    const Result result = Original()(arguments...);
    if (result) ++Live();
    return result;
  }
  static Result WINAPI Free(Arguments... arguments) {
    const Result result = Original()(arguments...);
    if (result) --Live();
    return result;
  }

 private:
  static auto Original() {
    return reinterpret_cast<Result(WINAPI*)(Arguments...)>(reinterpret_cast<void (*)()>(Originals()[Index]));
  }
};

template <int Index, class Function>
FARPROC Creating(Function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&TWrapper<Index, Function>::Create));
}
template <int Index, class Function>
FARPROC Freeing(Function) {
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&TWrapper<Index, Function>::Free));
}

}  // namespace counted

class TGdiObjectCounter {
 public:
  TGdiObjectCounter() {
    using namespace counted;
    struct TEntry {
      const char* library;
      const char* function;
      FARPROC wrapper;
    };
    const TEntry entries[kFunctionCount] = {
        {"gdi32.dll", "CreateFontW", Creating<kCreateFontW>(&::CreateFontW)},
        {"gdi32.dll", "CreateFontIndirectW", Creating<kCreateFontIndirectW>(&::CreateFontIndirectW)},
        {"gdi32.dll", "CreateSolidBrush", Creating<kCreateSolidBrush>(&::CreateSolidBrush)},
        {"gdi32.dll", "CreatePen", Creating<kCreatePen>(&::CreatePen)},
        {"gdi32.dll", "CreateCompatibleDC", Creating<kCreateCompatibleDC>(&::CreateCompatibleDC)},
        {"gdi32.dll", "CreateCompatibleBitmap", Creating<kCreateCompatibleBitmap>(&::CreateCompatibleBitmap)},
        {"user32.dll", "GetDC", Creating<kGetDC>(&::GetDC)},
        {"user32.dll", "GetWindowDC", Creating<kGetWindowDC>(&::GetWindowDC)},
        {"gdi32.dll", "DeleteObject", Freeing<kDeleteObject>(&::DeleteObject)},
        {"gdi32.dll", "DeleteDC", Freeing<kDeleteDC>(&::DeleteDC)},
        {"user32.dll", "ReleaseDC", Freeing<kReleaseDC>(&::ReleaseDC)},
    };
    counted::Live() = 0;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
      slots_[i] = FindImportSlot(Plugin().module, entries[i].library, entries[i].function);
      if (slots_[i] != nullptr) Originals()[i] = ReplaceImport(slots_[i], entries[i].wrapper);
    }
  }
  ~TGdiObjectCounter() {
    for (std::size_t i = 0; i < slots_.size(); ++i)
      if (slots_[i] != nullptr) ReplaceImport(slots_[i], counted::Originals()[i]);
  }
  TGdiObjectCounter(const TGdiObjectCounter&) = delete;
  TGdiObjectCounter& operator=(const TGdiObjectCounter&) = delete;

  // Whether the plug-in's font creation and object deletion are counted (without them nothing is).
  bool Installed() const {
    return slots_[counted::kCreateFontW] != nullptr && slots_[counted::kDeleteObject] != nullptr;
  }
  // Objects and device contexts created and not freed since the counter was installed.
  int Live() const { return counted::Live(); }

 private:
  std::array<FARPROC*, counted::kFunctionCount> slots_{};
};

}  // namespace qelvar::gui
