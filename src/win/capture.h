// A copy of a window's client area as 32-bit pixels, for screenshots of the stand-in host and the pixel
// checks of the GUI tests. Header-only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "win/handles.h"

namespace qelvar {

struct TPixels {
  int width = 0;
  int height = 0;
  std::vector<std::uint32_t> bgrx;  // rows top-down, each pixel 0x00RRGGBB as a DIB holds it
};

// Copies the client area of `window` as it is on screen now (the caller repaints first when it must).
// False, with `pixels` empty, when the window has no area or the copy fails.
inline bool CaptureClient(HWND window, TPixels& pixels) {
  pixels = TPixels{};
  RECT client{};
  if (!GetClientRect(window, &client)) return false;
  const int width = client.right - client.left;
  const int height = client.bottom - client.top;
  if (width <= 0 || height <= 0) return false;

  const TWindowDC source(window);
  if (!source) return false;
  const TMemoryDC memory(CreateCompatibleDC(source.Get()));
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const TBitmap bitmap(CreateDIBSection(source.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!memory || !bitmap || bits == nullptr) return false;
  const TSelectObject select(memory.Get(), bitmap.Get());
  if (!BitBlt(memory.Get(), 0, 0, width, height, source.Get(), 0, 0, SRCCOPY)) return false;
  GdiFlush();
  const auto* first = static_cast<const std::uint32_t*>(bits);
  pixels.bgrx.assign(first, first + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  pixels.width = width;
  pixels.height = height;
  return true;
}

}  // namespace qelvar
