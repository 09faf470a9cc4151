// Screenshots of the host window for people and tests.
#pragma once

#include <windows.h>

#include <string>

namespace qelvar::host {

// Repaints `window` with its children, copies its client area with BitBlt and writes it as a PNG file.
// False when nothing could be captured or the file could not be written.
bool SaveClientPng(HWND window, const std::wstring& path);

}  // namespace qelvar::host
