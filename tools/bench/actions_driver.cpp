// Times what a user does with the schedule list in the running calendar,
// each from the command until its result is there:
//   open    the list command, until the list shows all its rows;
//   add     OK in the edit dialog, until calendar.ini holds the new schedule
//           and the list shows it;
//   delete  the delete command on that row, until calendar.ini no longer
//           holds it and the list shows one row fewer;
//   shut    OK in the list, until the list is gone and the calendar is
//           enabled and answers;
//   close   the close of the caption (WM_CLOSE, with its saves), until the
//           process has exited.
// Also the peak working set with the list open, and the floors: one read
// of the data file, and its bytes written to a new file and flushed.
// Usage: bench_actions RUNS FOLDER ROWS COLOUR
//   FOLDER holds dayglass.exe and data.ini (ROWS schedules, background
//   COLOUR); each run starts from a fresh copy of data.ini as calendar.ini.
//   Prints one line per measurement: name, median, lower and upper quartile.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "bench_support.h"
#include "resources/resource.h"

namespace {

const wchar_t kListCaption[] = L"予定一覧";
const wchar_t kEditCaption[] = L"予定編集";
const wchar_t kAddedText[] = L"ベンチマークの予定";

// Memory in the calendar's process for list view messages that carry pointers.
class RemoteMemory {
public:
  explicit RemoteMemory(HANDLE process) : process_(process) {
    address_ = static_cast<char *>(
        VirtualAllocEx(process, nullptr, kSize, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
  }
  ~RemoteMemory() {
    if (address_)
      VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  RemoteMemory(const RemoteMemory &) = delete;
  RemoteMemory &operator=(const RemoteMemory &) = delete;
  static constexpr size_t kSize = 4096;
  char *Address() const { return address_; }
  void Write(const void *data, size_t size) {
    WriteProcessMemory(process_, address_, data, size, nullptr);
  }
  void Read(size_t offset, void *data, size_t size) const {
    ReadProcessMemory(process_, address_ + offset, data, size, nullptr);
  }

private:
  HANDLE process_;
  char *address_ = nullptr;
};

// A sent message, or -1 when the window did not answer in time.
LRESULT Ask(HWND window, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 60000, &result))
    return -1;
  return static_cast<LRESULT>(result);
}

// Posted: a button that opens or ends a modal window would hold a sent
// message up.
void Click(HWND dialog, int id) {
  PostMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

HWND VisibleDialog(DWORD processId, const wchar_t *caption) {
  HWND dialog = FindProcessWindow(processId, L"#32770", caption);
  return dialog && IsWindowVisible(dialog) ? dialog : nullptr;
}

LONGLONG FileSize(const std::wstring &path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
    return -1;
  return static_cast<LONGLONG>(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

// Until the file is there with another size than before: saves rename a
// finished file over it, so a new size is the whole new content.
bool FileChanged(const std::wstring &path, LONGLONG before) {
  LONGLONG now = FileSize(path);
  return now >= 0 && now != before;
}

bool HoldsAddedText(const std::wstring &path) {
  char utf8[64] = {};
  WideCharToMultiByte(CP_UTF8, 0, kAddedText, -1, utf8, sizeof utf8, nullptr, nullptr);
  return ReadBytes(path.c_str()).find(utf8) != std::string::npos;
}

// The first column of a row, asked of the list (a virtual list supplies it
// only now).
std::wstring RowText(HWND view, int row, RemoteMemory &memory) {
  LVITEMW item = {};
  item.pszText = reinterpret_cast<wchar_t *>(memory.Address() + sizeof item);
  item.cchTextMax = 64;
  memory.Write(&item, sizeof item);
  if (Ask(view, LVM_GETITEMTEXTW, static_cast<WPARAM>(row),
          reinterpret_cast<LPARAM>(memory.Address())) <= 0)
    return L"";
  wchar_t text[64] = {};
  memory.Read(sizeof item, text, sizeof text);
  text[63] = L'\0';
  return text;
}

void SelectRow(HWND view, int row, RemoteMemory &memory) {
  LVITEMW item = {};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  memory.Write(&item, sizeof item);
  Ask(view, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(memory.Address()));
}

struct Measure {
  const char *name;
  std::vector<double> values;
};
enum { kOpen, kAdd, kDelete, kShut, kClose, kPeak, kRead, kWrite, kMeasures };

struct Setup {
  std::wstring folder, data, ini;
  int rows;
  COLORREF colour;
};

bool Fail(const wchar_t *what) {
  fwprintf(stderr, L"bench_actions: %ls\n", what);
  return false;
}

// The user's round on the open list: add a schedule through the edit
// dialog, then delete it again.
bool AddAndDelete(const Setup &setup, DWORD processId, HWND list, RemoteMemory &memory,
                  Measure *measures) {
  HWND view = GetDlgItem(list, IDC_SCHEDULE_VIEW);
  Click(list, IDC_SCHEDULE_ADD);
  HWND edit = nullptr;
  if (!WaitUntil([&] { return (edit = VisibleDialog(processId, kEditCaption)) != nullptr; }))
    return Fail(L"no edit dialog");
  const std::pair<int, std::wstring> fields[] = {
      {IDC_EDIT_YEAR, L"2099"}, {IDC_EDIT_MONTH, L"12"},  {IDC_EDIT_DAY, L"31"},
      {IDC_EDIT_HOUR, L"23"},   {IDC_EDIT_MINUTE, L"59"}, {IDC_EDIT_TEXT, kAddedText}};
  for (const auto &field : fields)
    Ask(GetDlgItem(edit, field.first), WM_SETTEXT, 0,
        reinterpret_cast<LPARAM>(field.second.c_str()));

  LONGLONG before = FileSize(setup.ini);
  double start = NowMs();
  Click(edit, IDOK);
  if (!WaitUntil([&] {
        return FileChanged(setup.ini, before) && Ask(view, LVM_GETITEMCOUNT) == setup.rows + 1;
      }))
    return Fail(L"the added schedule did not arrive");
  measures[kAdd].values.push_back(NowMs() - start);
  if (!HoldsAddedText(setup.ini))
    return Fail(L"calendar.ini lacks the added schedule");

  // Its date-time is later than every other, so it is the last row.
  SelectRow(view, setup.rows, memory);
  before = FileSize(setup.ini);
  start = NowMs();
  PostMessageW(list, WM_COMMAND, IDC_SCHEDULE_DELETE, 0);
  if (!WaitUntil([&] {
        return FileChanged(setup.ini, before) && Ask(view, LVM_GETITEMCOUNT) == setup.rows;
      }))
    return Fail(L"the delete did not arrive");
  measures[kDelete].values.push_back(NowMs() - start);
  if (HoldsAddedText(setup.ini))
    return Fail(L"calendar.ini still holds the deleted schedule");
  return true;
}

// One run: the calendar started on a fresh copy of the data, the list
// opened, a schedule added and deleted, the list and the calendar closed.
bool RunOnce(const Setup &setup, Measure *measures) {
  if (!CopyFileW(setup.data.c_str(), setup.ini.c_str(), FALSE))
    return Fail(L"cannot copy data.ini");
  PROCESS_INFORMATION process;
  if (!StartProgram(L"\"" + setup.folder + L"\\dayglass.exe\"", process))
    return false;
  const DWORD id = process.dwProcessId;
  HWND calendar = nullptr;
  bool ok = WaitUntil([&] {
    calendar = FindProcessWindow(id, L"Dayglass");
    return calendar && ShowsColour(calendar, setup.colour);
  });
  ok = ok && WaitForInputIdle(process.hProcess, 60000) == 0 && Ask(calendar, WM_NULL) == 0;
  if (!ok) {
    EndProgram(process);
    return Fail(L"the calendar did not start");
  }
  RemoteMemory memory(process.hProcess);

  double start = NowMs();
  PostMessageW(calendar, WM_COMMAND, IDM_SCHEDULE_LIST, 0);
  HWND list = nullptr;
  ok = WaitUntil([&] {
    list = VisibleDialog(id, kListCaption);
    if (!list)
      return false;
    HWND view = GetDlgItem(list, IDC_SCHEDULE_VIEW);
    return Ask(view, LVM_GETITEMCOUNT) == setup.rows &&
           (setup.rows == 0 || !RowText(view, setup.rows - 1, memory).empty());
  });
  if (ok)
    measures[kOpen].values.push_back(NowMs() - start);
  ok = ok && AddAndDelete(setup, id, list, memory, measures);
  if (!ok) {
    EndProgram(process);
    return Fail(L"the list round did not finish");
  }
  measures[kPeak].values.push_back(PeakWorkingSetKib(process.hProcess));

  start = NowMs();
  Click(list, IDOK);
  // Wine's modal loop may notice the end only at the next posted message.
  ok = WaitUntil([&] {
    if (IsWindow(list) && !IsWindowVisible(list))
      PostMessageW(calendar, WM_NULL, 0, 0);
    return !IsWindow(list) && IsWindowEnabled(calendar) && Ask(calendar, WM_NULL) == 0;
  });
  if (ok)
    measures[kShut].values.push_back(NowMs() - start);

  start = NowMs();
  PostMessageW(calendar, WM_CLOSE, 0, 0);
  ok = ok && WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0;
  DWORD exitCode = 1;
  ok = ok && GetExitCodeProcess(process.hProcess, &exitCode) && exitCode == 0;
  if (ok)
    measures[kClose].values.push_back(NowMs() - start);
  EndProgram(process);
  return ok || Fail(L"the calendar did not close");
}

void TimeFloors(const Setup &setup, Measure *measures) {
  const std::wstring copy = setup.folder + L"\\floor.tmp";
  double start = NowMs();
  std::string bytes = ReadBytes(setup.data.c_str());
  measures[kRead].values.push_back(NowMs() - start);
  start = NowMs();
  WriteNewFile(copy.c_str(), bytes);
  measures[kWrite].values.push_back(NowMs() - start);
  DeleteFileW(copy.c_str());
}

} // namespace

int wmain(int argc, wchar_t **argv) {
  if (argc < 5) {
    fwprintf(stderr, L"usage: bench_actions RUNS FOLDER ROWS COLOUR\n");
    return 2;
  }
  const int runs = _wtoi(argv[1]);
  Setup setup;
  setup.folder = argv[2];
  setup.data = setup.folder + L"\\data.ini";
  setup.ini = setup.folder + L"\\calendar.ini";
  setup.rows = _wtoi(argv[3]);
  setup.colour = static_cast<COLORREF>(wcstoul(argv[4], nullptr, 10));

  Measure measures[kMeasures] = {{"open", {}},       {"add", {}},        {"delete", {}},
                                 {"shut", {}},       {"close", {}},      {"peak_kib", {}},
                                 {"floor_read", {}}, {"floor_write", {}}};
  for (int run = 0; run < runs; ++run) {
    TimeFloors(setup, measures);
    if (!RunOnce(setup, measures))
      return 1;
  }
  for (const Measure &measure : measures)
    PrintSpread(measure.name, measure.values);
  return 0;
}
