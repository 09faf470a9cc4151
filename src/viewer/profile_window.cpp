// The column profile: a small window over the viewer with the current column's type, rows, empty cells,
// distinct values, range, mean and ten most frequent values, over the rows the grid lists. The values are
// copied out at once and profiled on a worker thread, with a progress line meanwhile; closing the window
// cancels the worker. Choosing a frequent value (double-click or Enter) filters the column by it; Esc
// closes.
#include <algorithm>
#include <utility>

#include "document/csv_document.h"
#include "grid/column_stats.h"
#include "grid/filter_match.h"
#include "grid/grid_model.h"
#include "platform/wide.h"
#include "transform/transform.h"
#include "viewer/chrome/status_texts.h"
#include "viewer/viewer.h"
#include "win/handles.h"
#include "win/subclass.h"

namespace qelvar {
namespace {

constexpr wchar_t kProfileClassName[] = L"QelvarProfile";
constexpr UINT kProfileDoneMessage = WM_APP + 1;
constexpr UINT_PTR kProgressTimer = 1;

TProfileWindow* StateOf(HWND window) noexcept {
  return reinterpret_cast<TProfileWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

void AddLine(TProfileWindow& state, const std::u16string& text, std::u16string value = {}) {
  SendMessageW(state.list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(text)));
  state.values.push_back(std::move(value));
}

void ShowProgress(TProfileWindow& state) {
  SendMessageW(state.list, LB_RESETCONTENT, 0, 0);
  state.values.clear();
  AddLine(state, FormatUiText(UiText(utProfileComputing), {state.job.Percent()}));
}

std::u16string Count(std::int64_t n) { return GroupedNumber(n); }

void ShowFigures(TProfileWindow& state) {
  const TColumnProfile& p = state.job.Result();
  SendMessageW(state.list, WM_SETREDRAW, FALSE, 0);
  SendMessageW(state.list, LB_RESETCONTENT, 0, 0);
  state.values.clear();
  const TUiText type = p.type == TColumnType::Numbers ? utTypeNumbers : p.type == TColumnType::Dates ? utTypeDates : utTypeText;
  AddLine(state, UiText(utProfileType) + u": " + UiText(type));
  AddLine(state, UiText(utProfileRows) + u": " + Count(p.rows));
  AddLine(state, UiText(utProfileEmpty) + u": " + Count(p.empty));
  AddLine(state, UiText(utProfileDistinct) + u": " + Count(p.distinct));
  AddLine(state, UiText(utStatMin) + u": " + p.min);
  AddLine(state, UiText(utStatMax) + u": " + p.max);
  if (p.hasMean) AddLine(state, UiText(utProfileMean) + u": " + FormatStatsNumber(p.mean, state.separator));
  AddLine(state, UiText(utProfileTop) + u":");
  for (const TValueCount& top : p.top) AddLine(state, u"    " + top.value + u"  (" + Count(top.count) + u")", top.value);
  SendMessageW(state.list, WM_SETREDRAW, TRUE, 0);
  InvalidateRect(state.list, nullptr, TRUE);
}

// The value of the chosen line goes to the column's filter, when the viewer is still there.
void ChooseValue(TProfileWindow& state) {
  const LRESULT line = SendMessageW(state.list, LB_GETCURSEL, 0, 0);
  if (line < 0 || static_cast<std::size_t>(line) >= state.values.size()) return;
  const std::u16string& value = state.values[static_cast<std::size_t>(line)];
  if (value.empty()) return;
  TViewerCall viewer(ViewerFromWindow(state.viewer));
  if (viewer) viewer->SetColumnFilter(state.column, FilterForValue(value));
}

LRESULT CALLBACK ProfileListProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  const WNDPROC previous = PreviousProcedure(control);
  if (message == WM_KEYDOWN && (wParam == VK_ESCAPE || wParam == VK_RETURN)) {
    const HWND window = GetParent(control);
    if (wParam == VK_ESCAPE) {
      DestroyWindow(window);
    } else if (TProfileWindow* state = StateOf(window)) {
      Safely([&] {
        ChooseValue(*state);
        return LRESULT{0};
      });
    }
    return 0;
  }
  // Esc and Enter come as keys, not as dialog navigation.
  if (message == WM_GETDLGCODE) return DLGC_WANTALLKEYS;
  if (message == WM_NCDESTROY) {
    const LRESULT result = CallPrevious(previous, control, message, wParam, lParam);
    ForgetSubclass(control);
    return result;
  }
  return CallPrevious(previous, control, message, wParam, lParam);
}

LRESULT CALLBACK ProfileWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  TProfileWindow* state = StateOf(window);
  if (!state) return DefWindowProcW(window, message, wParam, lParam);
  return Safely([&]() -> LRESULT {
    switch (message) {
      case WM_SIZE:
        if (state->list) MoveWindow(state->list, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
      case WM_SETFOCUS:
        if (state->list) SetFocus(state->list);
        return 0;
      case WM_TIMER:
        if (wParam == kProgressTimer && !state->job.Done()) ShowProgress(*state);
        return 0;
      case kProfileDoneMessage:
        KillTimer(window, kProgressTimer);
        if (state->job.Done()) ShowFigures(*state);
        return 0;
      case WM_COMMAND:
        if (HIWORD(wParam) == LBN_DBLCLK) ChooseValue(*state);
        return 0;
      case WM_DESTROY:
        KillTimer(window, kProgressTimer);
        state->job.Cancel();
        return 0;
      case WM_NCDESTROY:
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        state->window = nullptr;
        state->list = nullptr;
        return DefWindowProcW(window, message, wParam, lParam);
      default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
  }, DefWindowProcW(window, message, wParam, lParam));
}

}  // namespace

void TCsvViewer::CloseColumnProfile() noexcept {
  if (profile && profile->window && IsWindow(profile->window)) DestroyWindow(profile->window);
  profile.reset();
}

void TCsvViewer::SetColumnFilter(int column, const std::u16string& filter) {
  if (!model || view.transformed || column < 0 || column >= GridColumnCount() - LineNumberOffset()) return;
  const std::vector<HWND>& edits = filterRow.Edits();
  const auto index = static_cast<std::size_t>(column + LineNumberOffset());
  if (index < edits.size() && edits[index]) {
    // The box notifies its change and marks it pending: applied now rather than after the typing pause.
    SetWindowTextW(edits[index], Wide(filter));
    ApplyPendingFilters();
    return;
  }
  // A column past the last box: the filter applies all the same.
  RebuildVisibleRows([&] { model->SetFilter(column, filter); }, false);
}

void TCsvViewer::ShowColumnProfile() {
  const int column = cursor.column - LineNumberOffset();
  if (!model || !document || view.transformed || column < 0 || column >= document->ColumnCount()) return;
  CloseColumnProfile();

  auto state = std::make_unique<TProfileWindow>();
  state->viewer = window;
  state->column = column;
  // The rows the grid lists, copied now: the document is only ever read on this thread.
  TColumnValues values;
  const int count = VisibleRowCount();
  for (int i = 0; i < count; ++i) values.Add(model->GetCell(model->VisibleToDocumentRow(i), column));
  state->separator =
      GuessDecimalSeparator(values.Count(), [&values](std::size_t i) { return values.At(i); }, 2000);

  const auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
  RegisterWindowClass(instance, kProfileClassName, &ProfileWindowProc, COLOR_WINDOW);
  RECT over{};
  GetWindowRect(window, &over);
  const int width = metrics.Scale(360);
  const int height = metrics.Scale(340);
  const std::u16string title = UiText(utColumnProfile) + u": " + SourceColumnName(document.get(), model->HeaderRow(), column);
  const HWND popup = CreateWindowExW(WS_EX_TOOLWINDOW, kProfileClassName, Wide(title),
                                     WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME,
                                     over.left + std::max(0L, (over.right - over.left - width) / 2),
                                     over.top + std::max(0L, (over.bottom - over.top - height) / 3), width, height,
                                     GetAncestor(window, GA_ROOT), nullptr, instance, state.get());
  if (!popup) return;
  state->window = popup;
  RECT client{};
  GetClientRect(popup, &client);
  state->list = CreateWindowExW(0, L"ListBox", nullptr, WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                                0, 0, client.right, client.bottom, popup, nullptr, instance, nullptr);
  if (state->list) {
    if (fonts.Regular()) SendMessageW(state->list, WM_SETFONT, reinterpret_cast<WPARAM>(fonts.Regular()), FALSE);
    Subclass(state->list, &ProfileListProc, state.get());
  }
  TProfileWindow& shown = *state;
  profile = std::move(state);
  ShowProgress(shown);
  SetTimer(popup, kProgressTimer, 100, nullptr);
  if (!shown.job.Begin(std::move(values), shown.separator, [popup] { PostMessageW(popup, kProfileDoneMessage, 0, 0); })) {
    CloseColumnProfile();
    return;
  }
  ShowWindow(popup, SW_SHOWNORMAL);
  SetFocus(shown.list);
}

}  // namespace qelvar
