// The harness's input, message-box, capture and resource helpers (declared in harness.h).
#include <algorithm>
#include <cstdio>

#include "../../tools/lister-host/png_encode.h"
#include "harness.h"
#include "win/capture.h"

namespace qelvar::gui {

// ---- input ----------------------------------------------------------------------------------------------

TModifierKeys::TModifierKeys(std::initializer_list<int> keys) {
  GetKeyboardState(saved_);
  BYTE state[256];
  std::copy(std::begin(saved_), std::end(saved_), std::begin(state));
  for (const int key : keys) {
    state[key & 0xFF] |= 0x80;
    // The left-hand key too, for code that asks about it.
    if (key == VK_CONTROL) state[VK_LCONTROL] |= 0x80;
    if (key == VK_SHIFT) state[VK_LSHIFT] |= 0x80;
    if (key == VK_MENU) state[VK_LMENU] |= 0x80;
  }
  SetKeyboardState(state);
}

TModifierKeys::~TModifierKeys() { SetKeyboardState(saved_); }

namespace {
LPARAM KeyLParam(int vk, bool up) {
  const UINT scan = MapVirtualKeyW(static_cast<UINT>(vk), MAPVK_VK_TO_VSC);
  auto value = static_cast<std::uint32_t>(1U | (scan << 16));
  if (up) value |= 0xC0000000U;
  return static_cast<LPARAM>(value);
}
}  // namespace

LRESULT SendKeyDown(HWND window, int vk) {
  return SendMessageW(window, WM_KEYDOWN, static_cast<WPARAM>(vk), KeyLParam(vk, false));
}

void SendKey(HWND window, int vk) {
  SendKeyDown(window, vk);
  SendMessageW(window, WM_KEYUP, static_cast<WPARAM>(vk), KeyLParam(vk, true));
  PumpPending();
}

void TypeText(HWND edit, std::wstring_view text) {
  for (const wchar_t c : text) SendMessageW(edit, WM_CHAR, static_cast<WPARAM>(c), 1);
  PumpPending();
}

void ClickColumnHeader(HWND listView, int column) {
  const auto header = reinterpret_cast<HWND>(SendMessageW(listView, LVM_GETHEADER, 0, 0));
  const auto itemIn = [&](RECT& item) {
    if (!SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&item)))
      return false;
    MapWindowPoints(header, listView, reinterpret_cast<POINT*>(&item), 2);
    return true;
  };
  RECT item{};
  if (header == nullptr || !itemIn(item)) return;
  RECT client{};
  GetClientRect(listView, &client);
  if (item.left < client.left || item.right > client.right) {
    SendMessageW(listView, LVM_SCROLL, static_cast<WPARAM>(item.left - client.left), 0);
    PumpPending();
    itemIn(item);
  }
  // The middle of the item's visible part, in the header's own coordinates.
  POINT point{(std::max(item.left, client.left) + std::min(item.right, client.right)) / 2,
              (item.top + item.bottom) / 2};
  MapWindowPoints(listView, header, &point, 1);
  ClickAt(header, point.x, point.y);
}

void ClickAt(HWND window, int x, int y) {
  const LPARAM point = MAKELPARAM(x, y);
  // The button-up is queued first: controls that track the mouse after a button-down find it at once
  // instead of waiting for a real mouse.
  PostMessageW(window, WM_LBUTTONUP, 0, point);
  SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, point);
  PumpPending();
}

// ---- pixels and resources -------------------------------------------------------------------------------

COLORREF TCapture::At(int x, int y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return CLR_INVALID;
  const std::uint32_t p = pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)];
  return RGB((p >> 16) & 0xFFU, (p >> 8) & 0xFFU, p & 0xFFU);
}

TCapture CaptureWindow(HWND window) {
  TCapture capture;
  if (window == nullptr || !IsWindow(window)) return capture;
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  UpdateWindow(window);
  PumpPending();
  TPixels pixels;
  if (!CaptureClient(window, pixels)) return capture;
  capture.width = pixels.width;
  capture.height = pixels.height;
  capture.pixels = std::move(pixels.bgrx);
  return capture;
}

bool SavePng(const TCapture& capture, const std::wstring& path) {
  if (capture.Empty()) return false;
  const std::string png = png::EncodeBgrx(reinterpret_cast<const unsigned char*>(capture.pixels.data()),
                                          static_cast<std::uint32_t>(capture.width),
                                          static_cast<std::uint32_t>(capture.height),
                                          static_cast<std::size_t>(capture.width) * 4);
  return !png.empty() && WriteFileBytes(path, png);
}

DWORD GdiObjectCount() { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); }
DWORD UserObjectCount() { return GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS); }

std::string Utf8(std::wstring_view text) {
  if (text.empty()) return {};
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr, nullptr);
  return out;
}

}  // namespace qelvar::gui
