#include "screenshot.h"

#include <cstdint>

#include "png_encode.h"
#include "win/capture.h"
#include "win/files.h"

namespace qelvar::host {

bool SaveClientPng(HWND window, const std::wstring& path) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  TPixels pixels;
  if (!CaptureClient(window, pixels)) return false;
  const std::string png = png::EncodeBgrx(reinterpret_cast<const unsigned char*>(pixels.bgrx.data()),
                                          static_cast<std::uint32_t>(pixels.width),
                                          static_cast<std::uint32_t>(pixels.height),
                                          static_cast<std::size_t>(pixels.width) * 4);
  return !png.empty() && WriteFileBytes(path, png);
}

}  // namespace qelvar::host
