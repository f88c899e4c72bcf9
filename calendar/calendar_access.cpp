#include "calendar/calendar_access.h"

#include <oleacc.h>

#include <new>
#include <string>

#include "app/app_state.h"
#include "app/late_bound.h"
#include "calendar/calendar_window.h"
#include "calendar/day_focus.h"
#include "calendar/month_grid.h"
#include "popup/day_popup.h"

namespace {

// Our own copy: mingw's oleacc library exports it as data without
// dllimport, which would hand the system a wrong address.
const IID kIidAccessible = {
    0x618736e0, 0x3c3d, 0x11cf, {0x81, 0x0c, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
constexpr LONG kCellCount = 42;

// oleacc and oleaut32 load at the first screen reader's question, not at
// every start.
using LresultFromObjectFunction = LRESULT(WINAPI *)(REFIID, WPARAM, LPUNKNOWN);
using CreateStdAccessibleObjectFunction = HRESULT(WINAPI *)(HWND, LONG, REFIID, void **);
using SysAllocStringFunction = BSTR(WINAPI *)(const OLECHAR *);

HRESULT PutString(BSTR *out, const std::wstring &text) {
  static const auto allocate = LateBound<SysAllocStringFunction>(L"oleaut32.dll", "SysAllocString");
  *out = allocate ? allocate(text.c_str()) : nullptr;
  return *out ? S_OK : E_OUTOFMEMORY;
}

void PutChild(VARIANT *out, LONG child) {
  out->vt = VT_I4;
  out->lVal = child;
}

} // namespace

// The month: role table, its name the month, its value the focused day.
// Children 1 to 42 are the grid's cells in reading order, simple elements
// without objects of their own. What concerns the window itself (its
// parent, its place, moving out of it) the system's client object answers.
struct CalendarAccessible final : IAccessible {
  explicit CalendarAccessible(HWND window) : window_(window) {
    static const auto create =
        LateBound<CreateStdAccessibleObjectFunction>(L"oleacc.dll", "CreateStdAccessibleObject");
    if (create)
      create(window, OBJID_CLIENT, kIidAccessible, reinterpret_cast<void **>(&standard_));
  }
  CalendarAccessible(const CalendarAccessible &) = delete;
  CalendarAccessible &operator=(const CalendarAccessible &) = delete;

  void Disconnect() {
    window_ = nullptr;
    if (standard_)
      standard_->Release();
    standard_ = nullptr;
  }

  // IUnknown
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void **out) override {
    if (!out)
      return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(id, IID_IUnknown) && !IsEqualIID(id, IID_IDispatch) &&
        !IsEqualIID(id, kIidAccessible))
      return E_NOINTERFACE;
    *out = static_cast<IAccessible *>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG left = --references_;
    if (left == 0) {
      Disconnect();
      delete this;
    }
    return static_cast<ULONG>(left);
  }

  // IDispatch: not offered; clients call IAccessible directly.
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT *count) override {
    if (count)
      *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo **) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR *, UINT, LCID, DISPID *) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS *, VARIANT *, EXCEPINFO *,
                                   UINT *) override {
    return E_NOTIMPL;
  }

  // IAccessible
  HRESULT STDMETHODCALLTYPE get_accParent(IDispatch **parent) override {
    if (!Connected())
      return CO_E_OBJNOTCONNECTED;
    return standard_ ? standard_->get_accParent(parent) : E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE get_accChildCount(long *count) override {
    if (!Connected())
      return CO_E_OBJNOTCONNECTED;
    *count = kCellCount;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch **out) override {
    *out = nullptr;
    return Cell(child) < 0 ? CellError(child) : S_FALSE; // simple elements
  }
  HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR *name) override {
    *name = nullptr;
    const int cell = Cell(child);
    if (cell < -1)
      return CellError(child);
    const MonthGrid grid = CalendarGrid(window_);
    return PutString(name, cell < 0 ? MonthName(grid.year, grid.month)
                                    : CalendarDayName(grid.cells[cell]));
  }
  HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR *value) override {
    *value = nullptr;
    const int cell = Cell(child);
    if (cell != -1)
      return cell < -1 ? CellError(child) : DISP_E_MEMBERNOTFOUND;
    return PutString(value, CalendarDayName(CalendarGrid(window_).cells[FocusedCell()]));
  }
  HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR *description) override {
    *description = nullptr;
    const int cell = Cell(child);
    if (cell < 0)
      return cell < -1 ? CellError(child) : S_FALSE;
    const GridCell at = CalendarGrid(window_).cells[cell];
    std::wstring text = DayAppointmentsText({at.year, at.month, at.day});
    return text.empty() ? S_FALSE : PutString(description, JoinPopupLines(text, L" ", L" / "));
  }
  HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT *role) override {
    const int cell = Cell(child);
    if (cell < -1)
      return CellError(child);
    PutChild(role, cell < 0 ? ROLE_SYSTEM_TABLE : ROLE_SYSTEM_CELL);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT *state) override {
    const int cell = Cell(child);
    if (cell < -1)
      return CellError(child);
    LONG flags = STATE_SYSTEM_FOCUSABLE;
    if (cell >= 0) {
      const GridCell at = CalendarGrid(window_).cells[cell];
      if (!at.inMonth && !g_app.settings.ShowOutMonth)
        flags = STATE_SYSTEM_INVISIBLE;
      else
        flags |= STATE_SYSTEM_SELECTABLE;
      if (cell == FocusedCell())
        flags |= STATE_SYSTEM_SELECTED | (GetFocus() == window_ ? STATE_SYSTEM_FOCUSED : 0);
    }
    PutChild(state, flags);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR *help) override {
    *help = nullptr;
    return Cell(child) < -1 ? CellError(child) : DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR *file, VARIANT, long *topic) override {
    *file = nullptr;
    *topic = 0;
    return DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR *shortcut) override {
    *shortcut = nullptr;
    return Cell(child) < -1 ? CellError(child) : DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT *focus) override {
    focus->vt = VT_EMPTY;
    if (!Connected())
      return CO_E_OBJNOTCONNECTED;
    if (GetFocus() != window_)
      return S_FALSE;
    PutChild(focus, FocusedCell() + 1);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT *selection) override {
    selection->vt = VT_EMPTY;
    if (!Connected())
      return CO_E_OBJNOTCONNECTED;
    PutChild(selection, FocusedCell() + 1);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR *action) override {
    *action = nullptr;
    const int cell = Cell(child);
    if (cell < -1)
      return CellError(child);
    if (cell < 0 || !CalendarGrid(window_).cells[cell].inMonth)
      return DISP_E_MEMBERNOTFOUND;
    return PutString(action, L"開く");
  }
  HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override {
    const int cell = Cell(child);
    if (cell < 0)
      return cell < -1 ? CellError(child) : E_INVALIDARG;
    if (flags & (SELFLAG_TAKEFOCUS | SELFLAG_TAKESELECTION)) {
      const GridCell at = CalendarGrid(window_).cells[cell];
      FocusDay(window_, {at.year, at.month, at.day});
    }
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accLocation(long *left, long *top, long *width, long *height,
                                        VARIANT child) override {
    const int cell = Cell(child);
    if (cell < -1)
      return CellError(child);
    if (cell < 0)
      return standard_ ? standard_->accLocation(left, top, width, height, child) : E_FAIL;
    RECT rect = CalendarGrid(window_).cells[cell].rect;
    MapWindowPoints(window_, nullptr, reinterpret_cast<POINT *>(&rect), 2);
    *left = rect.left;
    *top = rect.top;
    *width = rect.right - rect.left;
    *height = rect.bottom - rect.top;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT *end) override {
    end->vt = VT_EMPTY;
    const int cell = Cell(start);
    if (cell < -1)
      return CellError(start);
    if (cell < 0 && direction != NAVDIR_FIRSTCHILD && direction != NAVDIR_LASTCHILD)
      return standard_ ? standard_->accNavigate(direction, start, end) : S_FALSE;
    int to = -1;
    const int column = cell % 7;
    switch (direction) {
    case NAVDIR_FIRSTCHILD:
      to = 0;
      break;
    case NAVDIR_LASTCHILD:
      to = kCellCount - 1;
      break;
    case NAVDIR_LEFT:
      to = column > 0 ? cell - 1 : -1;
      break;
    case NAVDIR_RIGHT:
      to = column < 6 ? cell + 1 : -1;
      break;
    case NAVDIR_UP:
      to = cell - 7;
      break;
    case NAVDIR_DOWN:
      to = cell + 7 < kCellCount ? cell + 7 : -1;
      break;
    case NAVDIR_PREVIOUS:
      to = cell - 1;
      break;
    case NAVDIR_NEXT:
      to = cell + 1 < kCellCount ? cell + 1 : -1;
      break;
    }
    if (to < 0)
      return S_FALSE;
    PutChild(end, to + 1);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT *hit) override {
    hit->vt = VT_EMPTY;
    if (!Connected())
      return CO_E_OBJNOTCONNECTED;
    POINT point = {x, y};
    ScreenToClient(window_, &point);
    RECT client;
    GetClientRect(window_, &client);
    if (!PtInRect(&client, point))
      return S_FALSE;
    const MonthGrid grid = CalendarGrid(window_);
    LONG child = CHILDID_SELF;
    for (LONG cell = 0; cell < kCellCount; ++cell) {
      const GridCell &at = grid.cells[cell];
      if (PtInRect(&at.rect, point) && (at.inMonth || g_app.settings.ShowOutMonth))
        child = cell + 1;
    }
    PutChild(hit, child);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override {
    const int cell = Cell(child);
    if (cell < -1)
      return CellError(child);
    if (cell < 0)
      return DISP_E_MEMBERNOTFOUND;
    const GridCell at = CalendarGrid(window_).cells[cell];
    if (!at.inMonth)
      return DISP_E_MEMBERNOTFOUND;
    OpenDayPopup(window_, {at.year, at.month, at.day});
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

private:
  bool Connected() const { return window_ && IsWindow(window_); }
  // The cell a child id names, 0 to 41; -1 for the month itself; -2 for an
  // id that names nothing, or a call after the window is gone.
  int Cell(const VARIANT &child) const {
    if (!Connected() || child.vt != VT_I4 || child.lVal < 0 || child.lVal > kCellCount)
      return -2;
    return static_cast<int>(child.lVal) - 1;
  }
  HRESULT CellError(const VARIANT &) const {
    return Connected() ? E_INVALIDARG : CO_E_OBJNOTCONNECTED;
  }
  int FocusedCell() const {
    const CalendarDate focus = FocusedDay();
    const MonthGrid grid = CalendarGrid(window_);
    return grid.firstColumn + focus.day - 1;
  }

  LONG references_ = 1;
  HWND window_;
  IAccessible *standard_ = nullptr;
};

LRESULT CalendarAccessibleObject(HWND window, WPARAM wParam, LPARAM lParam) {
  if (static_cast<LONG>(lParam) != OBJID_CLIENT)
    return 0;
  static const auto result =
      LateBound<LresultFromObjectFunction>(L"oleacc.dll", "LresultFromObject");
  if (!result)
    return 0;
  if (!g_app.accessible)
    g_app.accessible = new (std::nothrow) CalendarAccessible(window);
  return g_app.accessible ? result(kIidAccessible, wParam, g_app.accessible) : 0;
}

void DisconnectCalendarAccessible() {
  if (!g_app.accessible)
    return;
  g_app.accessible->Disconnect();
  g_app.accessible->Release();
  g_app.accessible = nullptr;
}

void NotifyFocusedDay(HWND window) {
  if (GetFocus() != window)
    return;
  const MonthGrid grid = CalendarGrid(window);
  const LONG child = grid.firstColumn + FocusedDay().day;
  NotifyWinEvent(EVENT_OBJECT_FOCUS, window, OBJID_CLIENT, child);
  NotifyWinEvent(EVENT_OBJECT_SELECTION, window, OBJID_CLIENT, child);
}

void NotifyMonthShown(HWND window) {
  NotifyWinEvent(EVENT_OBJECT_NAMECHANGE, window, OBJID_CLIENT, CHILDID_SELF);
}
