// Times the product's own load, save, parse and paint functions, each against
// plain file calls on the same bytes where there is such a floor.
// Usage: bench_core RUNS CALENDAR_INI HOLIDAY_CSV [LARGE_INI]
//   prints one line per measurement: name, median ms, baseline median ms
//   (0 when there is none), all measured in this one process. With
//   LARGE_INI, also the schedule list's refill after another program's
//   change with every one of LARGE_INI's rows selected.
// Usage: bench_core 1 CALENDAR_INI HOLIDAY_CSV --once NAME
//   times one of load, save, csv or its floor (NAME-floor) once and prints
//   the ms: run in fresh processes, neither side meets memory the other freed.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "bench_support.h"
#include "app/startup.h"
#include "calendar/calendar_paint.h"
#include "config/ini_text.h"
#include "config/settings.h"
#include "holidays/holiday_csv.h"
#include "holidays/holiday_store.h"
#include "resources/resource.h"
#include "schedules/schedule_dialogs.h"
#include "schedules/schedule_store.h"

namespace {

int g_runs = 10;

double MedianMs(const std::function<void()> &work) {
  std::vector<double> times;
  for (int run = 0; run < g_runs; ++run) {
    const double start = NowMs();
    work();
    times.push_back(NowMs() - start);
  }
  return SpreadOf(times).median;
}

// What a save costs at the least: the same bytes to a new file beside the
// old one, flushed and renamed over it.
void WriteBytesReplacing(const wchar_t *path, const std::string &bytes) {
  std::wstring temporary = std::wstring(path) + L".bench.tmp";
  WriteNewFile(temporary.c_str(), bytes);
  MoveFileExW(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING);
}

struct Pair {
  const char *name;
  std::function<void()> work, floor;
  bool needsList; // the schedules loaded first
};

void Report(const char *name, double ms, double baselineMs) {
  printf("%s %.3f %.3f\n", name, ms, baselineMs);
}

// The steps of start-up's read, each timed alone on the same file, beside
// the whole of it: the file's bytes, their decoding, the parse of the text
// into the settings, holidays and schedules, and the three together.
void ReportSteps(const char *tag, const wchar_t *path) {
  wcsncpy(g_app.iniPath, path, MAX_PATH - 1);
  std::string bytes;
  DecodedIni decoded;
  const double read = MedianMs([&] { bytes = ReadBytes(path); });
  // As a read decodes: in the pieces the file arrives in.
  const double decode = MedianMs([&] {
    IniDecoder decoder;
    StartIniDecode(decoder, bytes.size());
    for (size_t at = 0; at < bytes.size(); at += 1 << 16)
      FeedIniBytes(decoder, bytes.data() + at, std::min<size_t>(bytes.size() - at, 1 << 16));
    decoded = EndIniDecode(decoder);
  });
  const double parse = MedianMs([&] {
    StoredIni stored;
    stored.settings = StartSettingsRead(g_app.settings);
    ReadStoredIni(decoded.text, stored, true);
  });
  const double whole = MedianMs([] { LoadCalendarIni(); });
  printf("steps_%s %.3f %.3f %.3f %.3f\n", tag, read, decode, parse, whole);
}

double PaintMs(int width, int height) {
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  RECT client = {0, 0, width, height};
  double ms = MedianMs([&] {
    HBRUSH background = CreateSolidBrush(g_app.settings.Bg);
    FillRect(memory, &client, background);
    DeleteObject(background);
    PaintMonth(memory, client);
    GdiFlush();
  });
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ms;
}

} // namespace

int wmain(int argc, wchar_t **argv) {
  if (argc < 4) {
    fwprintf(stderr, L"usage: bench_core RUNS CALENDAR_INI HOLIDAY_CSV\n");
    return 2;
  }
  g_runs = _wtoi(argv[1]);
  wcsncpy(g_app.iniPath, argv[2], MAX_PATH - 1);
  const wchar_t *csvPath = argv[3];
  g_app.instance = GetModuleHandleW(nullptr);
  INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
  RegisterPrivateFonts();
  LoadSettings();
  g_app.displayed = {2026, 3};

  const wchar_t *iniPath = g_app.iniPath;
  // Each pair: the product's work and its floor of plain file calls.
  const Pair pairs[] = {
      {"load", [] { LoadSchedules(); },
       [&] {
         volatile size_t n = ReadBytes(iniPath).size();
         (void)n;
       },
       false},
      {"save", [] { SaveSchedules(); }, [&] { WriteBytesReplacing(iniPath, ReadBytes(iniPath)); },
       true},
      {"csv",
       [&] {
         HolidayRows rows;
         ParseHolidayCsv(csvPath, rows);
       },
       [&] {
         volatile size_t n = ReadBytes(csvPath).size();
         (void)n;
       },
       false},
  };

  // One side of one pair, once, in this fresh process: what a start-up meets.
  if (argc >= 6 && wcscmp(argv[4], L"--once") == 0) {
    for (const Pair &pair : pairs) {
      std::wstring name(pair.name, pair.name + strlen(pair.name));
      bool floor = argv[5] == name + L"-floor";
      if (argv[5] != name && !floor)
        continue;
      if (pair.needsList)
        LoadSchedules();
      g_runs = 1;
      printf("%.3f\n", MedianMs(floor ? pair.floor : pair.work));
      return 0;
    }
    return 2;
  }

  for (const Pair &pair : pairs) {
    if (pair.needsList && g_app.schedules.empty())
      LoadSchedules();
    double work = MedianMs(pair.work);
    Report(pair.name, work, MedianMs(pair.floor));
  }
  if (g_app.schedules.size() != 10000)
    fprintf(stderr, "warning: %zu schedules loaded\n", g_app.schedules.size());

  ParseHolidays(ReadIniText(), g_app.holidays);
  CreateCalendarFonts(96);
  Report("paint_small", PaintMs(300, 320), 0);
  Report("paint_large", PaintMs(1200, 1280), 0);

  double list = MedianMs([] {
    HWND dialog = CreateDialogParamW(g_app.instance, MAKEINTRESOURCEW(IDD_SCHEDULE_LIST), nullptr,
                                     ScheduleListDialogProc, 0);
    DestroyWindow(dialog);
  });
  Report("list", list, 0);

  ReportSteps("core", argv[2]);
  if (argc >= 5)
    ReportSteps("large", argv[4]);

  if (argc >= 5) {
    // The open list taking in another program's change keeps its selection
    // by value: every row selected, the list refilled and selected again.
    wcsncpy(g_app.iniPath, argv[4], MAX_PATH - 1);
    LoadCalendarIni();
    HWND dialog = CreateDialogParamW(g_app.instance, MAKEINTRESOURCEW(IDD_SCHEDULE_LIST), nullptr,
                                     ScheduleListDialogProc, 0);
    HWND view = GetDlgItem(dialog, IDC_SCHEDULE_VIEW);
    ListView_SetItemState(view, -1, LVIS_SELECTED, LVIS_SELECTED);
    double refill = MedianMs([] {
      std::vector<const ScheduleEntry *> selected;
      for (int row : SelectedScheduleRows())
        selected.push_back(&g_app.schedules[static_cast<size_t>(row)]);
      RefillScheduleList(selected);
    });
    if (static_cast<size_t>(ListView_GetSelectedCount(view)) != g_app.schedules.size())
      fprintf(stderr, "warning: the selection was not kept\n");
    Report("refill_selected", refill, 0);
    DestroyWindow(dialog);
  }
  DeleteCalendarFonts();
  UnregisterPrivateFonts();
  return 0;
}
