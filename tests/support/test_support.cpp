#include "tests/support/test_support.h"

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "app/app_state.h"
#include "app/handle_owner.h"
#include "app/startup.h"

TempDir::TempDir(const std::wstring &base) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring parent = base.empty() ? std::wstring(temp) : base + L"\\";
  static unsigned counter = 0;
  for (;;) {
    path_ = parent + L"dgtest-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(++counter);
    if (CreateDirectoryW(path_.c_str(), nullptr))
      break;
  }
}

static void RemoveTree(const std::wstring &folder) {
  for (const std::wstring &name : ListFiles(folder)) {
    std::wstring path = folder + L"\\" + name;
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
      RemoveTree(path);
    } else {
      SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
      DeleteFileW(path.c_str());
    }
  }
  RemoveDirectoryW(folder.c_str());
}

TempDir::~TempDir() {
  RemoveTree(path_);
}

std::vector<std::wstring> ListFiles(const std::wstring &folder) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE)
    return names;
  do {
    if (wcscmp(found.cFileName, L".") != 0 && wcscmp(found.cFileName, L"..") != 0)
      names.push_back(found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

std::string ReadFileBytes(const std::wstring &path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return std::string();
  std::string bytes;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
    bytes.append(buffer, got);
  CloseHandle(file);
  return bytes;
}

bool WriteFileBytes(const std::wstring &path, const std::string &bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  DWORD written = 0;
  bool ok = bytes.empty() ||
            (WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
             written == bytes.size());
  CloseHandle(file);
  return ok;
}

bool FileExists(const std::wstring &path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string Utf8(const std::wstring &text) {
  if (text.empty())
    return std::string();
  int count = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                  0, nullptr, nullptr);
  std::string bytes(static_cast<size_t>(count), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], count,
                      nullptr, nullptr);
  return bytes;
}

std::string Utf16Bytes(const std::wstring &text, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (wchar_t unit : text)
    bytes += bigEndian ? std::string{static_cast<char>(unit >> 8), static_cast<char>(unit)}
                       : std::string{static_cast<char>(unit), static_cast<char>(unit >> 8)};
  return bytes;
}

std::string Cp932Bytes(const std::wstring &text) {
  std::string bytes(text.size() * 2, '\0');
  bytes.resize(static_cast<size_t>(
      WideCharToMultiByte(932, 0, text.data(), static_cast<int>(text.size()), &bytes[0],
                          static_cast<int>(bytes.size()), nullptr, nullptr)));
  return bytes;
}

std::wstring Wide(const std::string &utf8) {
  if (utf8.empty())
    return std::wstring();
  int count =
      MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring text(static_cast<size_t>(count), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &text[0], count);
  return text;
}

void UseIniPath(const std::wstring &path) {
  wcsncpy(g_app.iniPath, path.c_str(), MAX_PATH - 1);
  g_app.iniPath[MAX_PATH - 1] = L'\0';
}

bool WaitUntil(const std::function<bool()> &condition, int timeoutMs) {
  ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
  for (;;) {
    if (condition())
      return true;
    if (GetTickCount64() > end)
      return false;
    Sleep(20);
  }
}

std::wstring DayglassExePath() {
  return EnvPath(L"DAYGLASS_EXE");
}

int RunProgram(const std::wstring &commandLine, int timeoutMs) {
  std::wstring line = commandLine;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return -1;
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0)
    GetExitCodeProcess(process.hProcess, &code);
  else
    TerminateProcess(process.hProcess, 99);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

std::wstring EnvPath(const wchar_t *name) {
  wchar_t value[MAX_PATH * 2] = {};
  GetEnvironmentVariableW(name, value, MAX_PATH * 2);
  std::wstring path = value;
  if (!path.empty() && path[0] == L'/') { // a Linux path: Wine's Z: drive
    for (wchar_t &c : path)
      if (c == L'/')
        c = L'\\';
    path = L"Z:" + path;
  }
  return path;
}

Dayglass::Dayglass(const std::wstring &folder, const std::wstring &arguments) {
  std::wstring exe = folder + L"\\dayglass.exe";
  if (!FileExists(exe))
    CopyFileW(DayglassExePath().c_str(), exe.c_str(), FALSE);
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (!arguments.empty())
    commandLine += L" " + arguments;
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  if (!CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &process_))
    process_ = {};
  else
    WaitForInputIdle(process_.hProcess, 10000);
}

Dayglass::~Dayglass() {
  if (!process_.hProcess)
    return;
  if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
    Kill();
  CloseHandle(process_.hThread);
  CloseHandle(process_.hProcess);
}

void Dayglass::Kill() {
  TerminateProcess(process_.hProcess, 99);
  WaitForSingleObject(process_.hProcess, 10000);
}

int Dayglass::WaitForExit(int timeoutMs) {
  if (WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0)
    return -1;
  DWORD code = 0;
  GetExitCodeProcess(process_.hProcess, &code);
  return static_cast<int>(code);
}

HWND FindVisibleWindow(const std::function<bool(HWND)> &match) {
  struct Search {
    const std::function<bool(HWND)> *match;
    HWND found;
  } search = {&match, nullptr};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto *search = reinterpret_cast<Search *>(data);
        if (IsWindowVisible(window) && (*search->match)(window))
          search->found = window;
        return search->found == nullptr;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

namespace {
bool HasClass(HWND window, const wchar_t *className) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return wcscmp(name, className) == 0;
}
// A dialog with the caption, or with any caption when there is none.
bool IsDialog(HWND window, const wchar_t *caption) {
  wchar_t text[64] = {};
  GetWindowTextW(window, text, 64);
  return HasClass(window, L"#32770") && (!caption || wcscmp(text, caption) == 0);
}
} // namespace

HWND Dayglass::FindWindowOfClass(const wchar_t *className) const {
  return FindVisibleWindow([&](HWND window) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return owner == process_.dwProcessId && HasClass(window, className);
  });
}

HWND Dayglass::WaitForWindow(const wchar_t *className, int timeoutMs) const {
  HWND window = nullptr;
  WaitUntil([&] { return (window = FindWindowOfClass(className)) != nullptr; }, timeoutMs);
  return window;
}

HWND Dayglass::FindDialog(const wchar_t *caption) const {
  return FindVisibleWindow([&](HWND window) {
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    return owner == process_.dwProcessId && IsDialog(window, caption);
  });
}

HWND Dayglass::WaitForDialog(const wchar_t *caption) const {
  HWND dialog = nullptr;
  WaitUntil([&] { return (dialog = FindDialog(caption)) != nullptr; });
  return dialog;
}

HWND FindOwnedDialog(HWND owner, const wchar_t *caption) {
  return FindVisibleWindow([&](HWND window) {
    return GetWindow(window, GW_OWNER) == owner && IsDialog(window, caption);
  });
}

Capture CaptureDrawing(int width, int height, const std::function<void(HDC)> &draw) {
  Capture capture;
  if (width <= 0 || height <= 0)
    return capture;
  capture.width = width;
  capture.height = height;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height; // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  void *bits = nullptr;
  MemoryDc memory(nullptr);
  BitmapOwner bitmap(CreateDIBSection(memory.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap)
    return capture;
  {
    SelectGuard selected(memory.Get(), bitmap.Get());
    draw(memory.Get());
    GdiFlush();
  }
  const auto *source = static_cast<const unsigned char *>(bits);
  capture.pixels.resize(static_cast<size_t>(width) * height);
  for (size_t i = 0; i < capture.pixels.size(); ++i)
    capture.pixels[i] = RGB(source[i * 4 + 2], source[i * 4 + 1], source[i * 4]);
  return capture;
}

Capture CaptureClient(HWND window) {
  RECT client;
  GetClientRect(window, &client);
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  return CaptureDrawing(client.right, client.bottom, [&](HDC dc) {
    WindowDc screen(nullptr);
    BitBlt(dc, 0, 0, client.right, client.bottom, screen.Get(), origin.x, origin.y, SRCCOPY);
  });
}

int CountColor(const Capture &capture, const RECT &rect, COLORREF color) {
  int count = 0;
  for (int y = rect.top; y < rect.bottom; ++y)
    for (int x = rect.left; x < rect.right; ++x)
      count += capture.At(x, y) == color;
  return count;
}

LRESULT SendTo(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, 10000, &result);
  return static_cast<LRESULT>(result);
}

int FreeGdiSlots(int most) {
  std::vector<HBRUSH> made;
  while (static_cast<int>(made.size()) < most) {
    HBRUSH brush = CreateSolidBrush(RGB(7, 8, 9));
    if (!brush)
      break;
    made.push_back(brush);
  }
  for (HBRUSH brush : made)
    DeleteObject(brush);
  return static_cast<int>(made.size());
}

ScheduleEntry MakeSchedule(int year, int month, int day, int hour, int minute,
                           const std::wstring &text, bool marked) {
  ScheduleEntry entry = {};
  entry.when.wYear = static_cast<WORD>(year);
  entry.when.wMonth = static_cast<WORD>(month);
  entry.when.wDay = static_cast<WORD>(day);
  entry.when.wHour = static_cast<WORD>(hour);
  entry.when.wMinute = static_cast<WORD>(minute);
  entry.text = text;
  entry.markedOld = marked;
  return entry;
}

bool SameSchedule(const ScheduleEntry &a, const ScheduleEntry &b) {
  return memcmp(&a.when, &b.when, sizeof a.when) == 0 && a.text == b.text &&
         a.markedOld == b.markedOld;
}

bool SameSchedules(const ScheduleList &a, const ScheduleList &b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), SameSchedule);
}

std::vector<std::wstring> TextsOf(const ScheduleList &list, bool sorted) {
  std::vector<std::wstring> texts;
  for (const ScheduleEntry &entry : list)
    texts.push_back(entry.text);
  if (sorted)
    std::sort(texts.begin(), texts.end());
  return texts;
}

std::wstring SourcePath(const std::wstring &relative) {
  // __FILE__ is this file's absolute path, tests/support/ in the tree.
  std::wstring path = Wide(__FILE__);
  for (int up = 0; up < 3; ++up)
    path = path.substr(0, path.find_last_of(L"/\\"));
  path += L"/" + relative;
  for (wchar_t &c : path)
    if (c == L'/')
      c = L'\\';
  return path[0] == L'\\' ? L"Z:" + path : path;
}

void RegisterPixelFontsOnce() {
  static const bool registered = [] {
    g_app.instance = GetModuleHandleW(nullptr);
    RegisterPrivateFonts();
    return true;
  }();
  (void)registered;
}

IniText DecodeIniBytes(const std::string &bytes) {
  return DecodeIniFile(bytes).text;
}

std::string EncodeIniText(const IniText &text) {
  std::string bytes;
  IniEncoder encoder;
  encoder.text = &text;
  for (std::string_view piece; !(piece = NextIniBytes(encoder)).empty();)
    bytes += piece;
  return bytes;
}
