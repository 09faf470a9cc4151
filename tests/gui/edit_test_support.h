// Helpers of the edit-mode, save and copy tests: commands, the cell editor, file times, the clipboard,
// every message box answered and recorded, and the user's temporary folder pointed at a folder of the test.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "viewer_test_support.h"

namespace qelvar::gui {

// The cell editor while it is open (a child of the list view), else null.
inline HWND CellEditor(HWND listView) {
  return GetDlgItem(listView, kCellEditorId);
}

// Clicks a cell (it becomes the current cell), gives the grid the focus and presses F2: the editor, or null
// when none opened.
inline HWND BeginEdit(HWND listView, int item, int column) {
  const RECT cell = CellRect(listView, item, column);
  ClickAt(listView, (cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2);
  SetFocus(listView);
  SendKey(listView, VK_F2);
  return CellEditor(listView);
}

// Edits a cell through the editor: its text replaced by `value`, then Enter.
inline void EditCell(HWND listView, int item, int column, const std::wstring& value) {
  const HWND editor = BeginEdit(listView, item, column);
  ASSERT_NE(editor, nullptr) << "no editor on " << item << ":" << column;
  SetWindowTextW(editor, value.c_str());
  SendKey(editor, VK_RETURN);
  ASSERT_EQ(CellEditor(listView), nullptr) << "the editor stayed open";
}

inline void SelectItems(HWND listView, std::initializer_list<int> items) {
  LVITEMW none{};
  none.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  SendMessageW(listView, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&none));
  for (const int item : items) {
    LVITEMW state{};
    state.stateMask = state.state = LVIS_SELECTED;
    SendMessageW(listView, LVM_SETITEMSTATE, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&state));
  }
}

// Every row the list shows, each as its cells joined by "|".
inline std::vector<std::wstring> GridRows(HWND listView) {
  std::vector<std::wstring> rows;
  for (int i = 0; i < ItemCount(listView); ++i) {
    std::wstring line;
    const std::vector<std::wstring> cells = RowTexts(listView, i);
    for (std::size_t c = 0; c < cells.size(); ++c) line += (c > 0 ? L"|" : L"") + cells[c];
    rows.push_back(line);
  }
  return rows;
}

inline std::uint64_t WriteTime(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
  return (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
         data.ftLastWriteTime.dwLowDateTime;
}

// Sets a file's write time to a moment long past, so that any write shows.
inline void AgeFile(const std::wstring& path) {
  const THandle file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, 0, nullptr));
  SYSTEMTIME past{2001, 2, 0, 3, 4, 5, 6, 0};
  FILETIME time{};
  SystemTimeToFileTime(&past, &time);
  SetFileTime(file.Get(), nullptr, nullptr, &time);
}

// The first text of an encoding in the clipboard, nullopt when it holds no Unicode text.
std::optional<std::wstring> ClipboardText();
// Puts a text on the clipboard (a test's "old content").
void PutClipboardText(const std::wstring& text);

// Holds the clipboard open from another thread's window while alive, as another program would.
class TClipboardHolder {
 public:
  TClipboardHolder();
  ~TClipboardHolder();
  TClipboardHolder(const TClipboardHolder&) = delete;
  TClipboardHolder& operator=(const TClipboardHolder&) = delete;
  bool Holding() const { return holding_; }

 private:
  THandle release_;
  THandle thread_;
  bool holding_ = false;
};

// Answers every message box with `choose` (the default: the recorded answers in turn, then IDOK) and records
// what each said.
class TBoxes {
 public:
  using TBox = TDialogAnswerer::TDialog;
  explicit TBoxes(std::vector<int> answers = {})
      : answers_(std::move(answers)), answerer_([this](const TBox& box) {
          boxes_.push_back(box);
          if (onBox) onBox(box);
          return next_ < answers_.size() ? answers_[next_++] : IDOK;
        }) {}
  const std::vector<TBox>& Seen() const { return boxes_; }
  std::wstring Texts() const {
    std::wstring all;
    for (const TBox& box : boxes_) all += box.text + L"\n";
    return all;
  }
  // Runs inside the box's modal loop, before it is answered.
  std::function<void(const TBox&)> onBox;

 private:
  std::vector<int> answers_;
  std::size_t next_ = 0;
  std::vector<TBox> boxes_;
  TDialogAnswerer answerer_;  // last: it calls back into the members above
};

// The user's temporary folder (TMP) is a fresh folder of the test while alive.
class TTempFolderOverride {
 public:
  explicit TTempFolderOverride(const std::wstring& name) : folder_(TempDir() + L"\\" + name) {
    CreateDirectoryW(folder_.c_str(), nullptr);
    wchar_t old[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"TMP", old, MAX_PATH) > 0) old_ = old;
    SetEnvironmentVariableW(L"TMP", folder_.c_str());
  }
  ~TTempFolderOverride() { SetEnvironmentVariableW(L"TMP", old_ ? old_->c_str() : nullptr); }
  TTempFolderOverride(const TTempFolderOverride&) = delete;
  TTempFolderOverride& operator=(const TTempFolderOverride&) = delete;
  const std::wstring& Folder() const { return folder_; }
  // The names of the files in the folder.
  std::vector<std::wstring> Files() const {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    const TFindHandle find(FindFirstFileW((folder_ + L"\\*").c_str(), &data));
    if (!find) return names;
    do {
      if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) names.push_back(data.cFileName);
    } while (FindNextFileW(find.Get(), &data));
    return names;
  }

 private:
  std::wstring folder_;
  std::optional<std::wstring> old_;
};

}  // namespace qelvar::gui
