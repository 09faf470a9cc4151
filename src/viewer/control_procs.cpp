// The procedures of the subclassed child controls: the list view, its header, the status bar and the
// filter edits each have their own, with what the viewer adds to the control's own handling. Every
// control carries its viewer in the property "QelvarViewer" and its previous procedure in
// "QelvarOldWndProc"; both go when the control is destroyed.
#include "viewer/viewer.h"
#include "win/keys.h"
#include "win/subclass.h"

namespace qelvar {
namespace {

// One message to a subclassed control: its viewer, kept alive while the message is handled (the control's
// own procedure may run a modal loop), and its previous procedure.
class TControlCall {
 public:
  TControlCall(HWND to, UINT what, WPARAM first, LPARAM second) noexcept
      : control(to),
        message(what),
        wParam(first),
        lParam(second),
        previous_(PreviousProcedure(to)),
        viewer_(static_cast<TCsvViewer*>(SubclassOwner(to))) {}

  // The viewer, or null when the control has none or the viewer's window is gone. Asked again after the
  // previous procedure ran, since the viewer may have gone meanwhile.
  TCsvViewer* Viewer() const noexcept { return viewer_.Get(); }
  // The control's own handling of the message.
  LRESULT Previous() const noexcept { return CallPrevious(previous_, control, message, wParam, lParam); }

  const HWND control;
  const UINT message;
  const WPARAM wParam;
  const LPARAM lParam;

 private:
  const WNDPROC previous_;
  const TViewerCall viewer_;
};

// The control's own handling, then `after` on the viewer when it is still there.
template <class After>
LRESULT PreviousThen(const TControlCall& call, After&& after) noexcept {
  const LRESULT result = call.Previous();
  if (TCsvViewer* viewer = call.Viewer()) Safely([&] {
      after(*viewer);
      return LRESULT{0};
    });
  return result;
}

LRESULT OnControlNcDestroy(const TControlCall& call) noexcept {
  const LRESULT result = call.Previous();
  ForgetSubclass(call.control);
  return result;
}

// What every subclassed control shares: Ctrl+wheel zooms the grid, key-downs go through the viewer's key
// routing, and the properties go with the control.
LRESULT CommonControlMessage(const TControlCall& call) noexcept {
  TCsvViewer* viewer = call.Viewer();
  switch (call.message) {
    case WM_MOUSEWHEEL:
      if (viewer && viewer->ZoomByWheel(call.wParam)) return 0;
      break;
    case WM_KEYDOWN:
      if (viewer && Safely([&] { return LRESULT{viewer->RouteControlKey(call.control, call.wParam)}; }, 1)) return 0;
      break;
    case WM_NCDESTROY:
      return OnControlNcDestroy(call);
    default:
      break;
  }
  return call.Previous();
}

// A notification from the header to the list view.
LRESULT OnHeaderToListView(const TControlCall& call) noexcept {
  TCsvViewer* viewer = call.Viewer();
  const auto* notify = reinterpret_cast<const NMHDR*>(call.lParam);
  if (!viewer || !notify || notify->hwndFrom != viewer->header) return call.Previous();
  // The viewer window paints the header (the list view would answer the custom draw itself).
  if (notify->code == static_cast<UINT>(NM_CUSTOMDRAW))
    return SendMessageW(viewer->window, WM_NOTIFY, call.wParam, call.lParam);
  // Any other change of the header (a column resized or dragged) moves the filter boxes with the columns.
  return PreviousThen(call, [](TCsvViewer& v) { v.PlaceFilterEdits(); });
}

// The header's custom draw paints every item; the area right of the last one is painted after the
// header's own painting.
LRESULT OnHeaderPaint(const TControlCall& call) noexcept {
  return PreviousThen(call, [](TCsvViewer& v) { v.PaintHeaderFiller(); });
}

// The viewer paints the whole status bar in its theme's colours.
LRESULT OnStatusBarPaint(const TControlCall& call) noexcept {
  TCsvViewer* viewer = call.Viewer();
  if (!viewer) return call.Previous();
  const TPaintDC dc(call.control);
  if (dc) viewer->PaintStatusBar(dc.Get());
  return 0;
}

// A control the viewer paints itself (with `onPaint`): its background is never erased first, which would
// flicker.
LRESULT PaintedByViewer(const TControlCall& call, LRESULT (*onPaint)(const TControlCall&) noexcept) noexcept {
  switch (call.message) {
    case WM_ERASEBKGND: return call.Viewer() ? 1 : call.Previous();
    case WM_PAINT: return onPaint(call);
    default: return CommonControlMessage(call);
  }
}

// A character typed on the grid in edit mode starts the current cell's editor with it; otherwise the list
// view's own handling (its type-ahead search) follows.
LRESULT OnListViewChar(const TControlCall& call) noexcept {
  TCsvViewer* viewer = call.Viewer();
  const auto first = static_cast<wchar_t>(call.wParam);
  if (!viewer || first < 0x20 || first == 0x7F || KeyHeld(VK_CONTROL) || !viewer->TypingIntoCell())
    return call.Previous();
  std::u16string typed(1, static_cast<char16_t>(first));
  // A character beyond the first plane comes as two messages: both go into the box.
  MSG low{};
  if (IS_HIGH_SURROGATE(first) && PeekMessageW(&low, call.control, WM_CHAR, WM_CHAR, PM_REMOVE | PM_NOYIELD))
    typed += static_cast<char16_t>(low.wParam);
  Safely([&] {
    viewer->StartTypingInCell(typed);
    return LRESULT{0};
  });
  return 0;
}

// A message that may scroll the grid (a scroll bar, the wheel, a key): handled as usual, then follow mode
// learns whether the end is still in view.
LRESULT OnListViewScroll(const TControlCall& call) noexcept {
  const LRESULT result = call.message == WM_VSCROLL ? call.Previous() : CommonControlMessage(call);
  if (TCsvViewer* viewer = call.Viewer()) Safely([&] {
      viewer->GridScrolled();
      return LRESULT{0};
    });
  return result;
}

}  // namespace

TCsvViewer* ControlViewer(HWND control) noexcept { return static_cast<TCsvViewer*>(SubclassOwner(control)); }

void TCsvViewer::SubclassControl(HWND control, WNDPROC procedure) noexcept { Subclass(control, procedure, this); }

LRESULT CALLBACK ListViewProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  const TControlCall call(control, message, wParam, lParam);
  // The cell editor does not move with the rows: an open edit ends (committing) before they scroll.
  if ((message == WM_VSCROLL || message == WM_HSCROLL) && call.Viewer()) call.Viewer()->EndCellEditSafely();
  switch (message) {
    case WM_NOTIFY: return OnHeaderToListView(call);
    case WM_CHAR: return OnListViewChar(call);
    case WM_VSCROLL:
    case WM_MOUSEWHEEL:
    case WM_KEYDOWN: return OnListViewScroll(call);
    // The grid scrolled or a column changed width: the filter boxes follow their columns.
    case WM_HSCROLL:
    case LVM_SCROLL:
    case LVM_SETCOLUMNWIDTH: return PreviousThen(call, [](TCsvViewer& v) { v.PlaceFilterEdits(); });
    default: return CommonControlMessage(call);
  }
}

LRESULT CALLBACK HeaderProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  const TControlCall call(control, message, wParam, lParam);
  return PaintedByViewer(call, &OnHeaderPaint);
}

LRESULT CALLBACK StatusBarProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  const TControlCall call(control, message, wParam, lParam);
  return PaintedByViewer(call, &OnStatusBarPaint);
}

LRESULT CALLBACK FilterEditProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
  const TControlCall call(control, message, wParam, lParam);
  return CommonControlMessage(call);
}

}  // namespace qelvar
