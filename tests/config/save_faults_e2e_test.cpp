// Faults while calendar.ini is saved: the process killed mid-save, a full
// disk, a folder that cannot be written, a read-only or locked file, and two
// processes saving in turn. After each the file is one whole version.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "config/ini_file.h"
#include "config/ini_text.h"
#include "config/settings.h"
#include "resources/resource.h"
#include "schedules/schedule_store.h"
#include "tests/support/save_versions.h"
#include "tests/support/test_support.h"

namespace {

// The version of save_loop's output a file holds whole, or -1.
int WholeVersion(const std::string &bytes) {
  if (bytes.size() < 5 || bytes.compare(0, 3, "\xEF\xBB\xBF") != 0 ||
      bytes.compare(bytes.size() - 2, 2, "\r\n") != 0)
    return -1;
  bool dropped = false;
  ScheduleList list = ParseSchedules(DecodeIniBytes(bytes), false, &dropped);
  if (list.empty() || list[0].text.size() < 2)
    return -1;
  int version = _wtoi(list[0].text.c_str() + 1);
  ScheduleList expected = ScheduleVersion(version);
  if (list.size() != expected.size())
    return -1;
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].text != expected[i].text || list[i].when.wDay != expected[i].when.wDay)
      return -1;
  return version;
}

int SavedWidth(const std::string &bytes) {
  AppSettings settings = StartupSettings();
  AssignSettingsFrom(DecodeIniBytes(bytes), settings);
  return settings.WinW;
}

std::vector<std::wstring> Temporaries(const std::wstring &folder) {
  std::vector<std::wstring> found;
  for (const std::wstring &name : ListFiles(folder))
    if (name.size() > 4 && name.compare(name.size() - 4, 4, L".tmp") == 0)
      found.push_back(name);
  return found;
}

int SaveLoop(const std::wstring &ini, int first, int last) {
  return RunProgram(L"\"" + EnvPath(L"DAYGLASS_SAVE_LOOP") + L"\" \"" + ini + L"\" " +
                    std::to_wstring(first) + L" " + std::to_wstring(last));
}

void Report(const char *fault, int tries, const char *outcome) {
  std::printf("[reliability] %s | %d | %s\n", fault, tries, outcome);
}

// A folder the fault filesystems were mounted in, or empty when they are not.
std::wstring FaultFolder(const wchar_t *name) {
  std::wstring base = EnvPath(L"DAYGLASS_FAULT_DIR");
  if (base.empty() || FileExists(base + L"\\unavailable") || !FileExists(base + L"\\" + name))
    return std::wstring();
  return base + L"\\" + name;
}

} // namespace

TEST(SaveFaults, KilledWhileSavingLeavesOneWholeVersion) {
  TempDir dir;
  std::wstring ini = dir.File(L"calendar.ini");
  ASSERT_EQ(SaveLoop(ini, 0, 0), 0);
  std::mt19937 random(42);
  const int kRounds = 25;
  int whole = 0, advanced = 0, previous = 0, previousWidth = 100;
  for (int round = 1; round <= kRounds; ++round) {
    std::wstring line = L"\"" + EnvPath(L"DAYGLASS_SAVE_LOOP") + L"\" \"" + ini + L"\" " +
                        std::to_wstring(round * 10000) + L" " +
                        std::to_wstring(round * 10000 + 9999);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                               &startup, &process));
    // Kill at a random moment: the loop saves many times a second.
    WaitForSingleObject(process.hProcess, 100 + random() % 400);
    TerminateProcess(process.hProcess, 9);
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);

    std::string bytes = ReadFileBytes(ini);
    int version = WholeVersion(bytes);
    EXPECT_GE(version, 0) << "round " << round << ": not a whole version";
    int width = SavedWidth(bytes);
    // The settings follow the schedules: the width is this version's or the one before.
    EXPECT_TRUE(width == 100 + version || width == 100 + version - 1 || width == previousWidth)
        << "round " << round << ": width " << width << " with version " << version;
    previousWidth = width;
    whole += version >= 0;
    advanced += version != previous;
    previous = version;
  }
  EXPECT_GT(advanced, 0) << "no kill landed while the loop was saving";
  // The next save that completes clears what the killed ones left behind.
  ASSERT_EQ(SaveLoop(ini, 1, 1), 0);
  EXPECT_EQ(WholeVersion(ReadFileBytes(ini)), 1);
  EXPECT_TRUE(Temporaries(dir.Path()).empty());
  std::printf("[reliability] killed while saving | %d | %d whole versions, %d kills during "
              "saves, no temporary file after the next save\n",
              kRounds, whole, advanced);
}

TEST(SaveFaults, FullDiskLeavesTheOldFile) {
  std::wstring folder = FaultFolder(L"full");
  if (folder.empty())
    GTEST_SKIP() << "no small filesystem could be mounted";
  std::wstring ini = folder + L"\\calendar.ini";
  ASSERT_EQ(SaveLoop(ini, 5, 5), 0);
  const std::string before = ReadFileBytes(ini);
  // Fill the filesystem to the last byte.
  std::wstring filler = folder + L"\\filler.bin";
  HANDLE file = CreateFileW(filler.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  std::string block(65536, 'f');
  for (DWORD size = 65536; size > 0; size /= 2) {
    DWORD written = 0;
    while (WriteFile(file, block.data(), size, &written, nullptr) && written == size) {
    }
  }
  CloseHandle(file);

  EXPECT_EQ(SaveLoop(ini, 6, 6), 0) << "a failed save is silent";
  EXPECT_EQ(ReadFileBytes(ini), before);
  EXPECT_TRUE(Temporaries(folder).empty());

  DeleteFileW(filler.c_str());
  EXPECT_EQ(SaveLoop(ini, 7, 7), 0);
  EXPECT_EQ(WholeVersion(ReadFileBytes(ini)), 7);
  EXPECT_TRUE(Temporaries(folder).empty());
  DeleteFileW(ini.c_str());
  Report("disk full during the save (2 MiB filesystem filled up)", 1,
         "old file byte for byte, no temporary file; next save complete");
}

TEST(SaveFaults, FolderThatCannotBeWrittenKeepsTheFile) {
  std::wstring folder = FaultFolder(L"readonly");
  if (folder.empty())
    GTEST_SKIP() << "no read-only filesystem could be mounted";
  const std::string before = ReadFileBytes(folder + L"\\calendar.ini");
  Dayglass app(folder);
  HWND window = app.WaitForWindow(L"Dayglass");
  ASSERT_NE(window, nullptr);
  PostMessageW(window, WM_CLOSE, 0, 0); // saves the settings, then the schedules
  EXPECT_EQ(app.WaitForExit(), 0);
  EXPECT_EQ(ReadFileBytes(folder + L"\\calendar.ini"), before);
  Report("folder not writable (read-only mount), settings and schedule saves", 1,
         "silent, file unchanged");
}

TEST(SaveFaults, ReadOnlyOrLockedFileIsNotTouched) {
  const std::string before =
      "\xEF\xBB\xBF[Window]\r\nWinW=333\r\n[Schedules]\r\n0001=2030/01/02 03:04|kept|\r\n";
  for (int locked = 0; locked < 2; ++locked) {
    TempDir dir;
    std::wstring ini = dir.File(L"calendar.ini");
    ASSERT_TRUE(WriteFileBytes(ini, before));
    HANDLE lock = INVALID_HANDLE_VALUE;
    if (locked)
      lock = CreateFileW(ini.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
    else
      SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY);
    {
      Dayglass app(dir.Path());
      HWND window = app.WaitForWindow(L"Dayglass");
      ASSERT_NE(window, nullptr);
      SetWindowPos(window, nullptr, 40, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
      SendTo(window, WM_EXITSIZEMOVE); // a settings save
      PostMessageW(window, WM_CLOSE, 0, 0);
      EXPECT_EQ(app.WaitForExit(), 0);
    }
    if (lock != INVALID_HANDLE_VALUE)
      CloseHandle(lock);
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFileBytes(ini), before) << (locked ? "locked" : "read-only");
    EXPECT_TRUE(Temporaries(dir.Path()).empty());
  }
  Report("calendar.ini read-only, settings and schedule saves", 1, "silent, file unchanged");
  Report("calendar.ini locked by another process, settings and schedule saves", 1,
         "silent, file unchanged");
}

TEST(SaveFaults, TwoProcessesSavingInTurnKeepEachOthersSections) {
  TempDir dir;
  std::wstring ini = dir.File(L"calendar.ini");
  ASSERT_TRUE(WriteFileBytes(ini, "\xEF\xBB\xBF[Window]\r\nPosX=10\r\nPosY=10\r\n[Holidays]\r\n"
                                  "2030-01-01=元日\r\n[Schedules]\r\n"
                                  "0001=2030/05/06 07:08|one|\r\n0002=2030/06/07 08:09|two|\r\n"));
  Dayglass calendar(dir.Path());
  HWND window = calendar.WaitForWindow(L"Dayglass");
  ASSERT_NE(window, nullptr);
  const int kTurns = 4;
  for (int turn = 1; turn <= kTurns; ++turn) {
    int x = 20 + turn * 30;
    SetWindowPos(window, nullptr, x, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    SendTo(window, WM_EXITSIZEMOVE);
    std::string bytes = ReadFileBytes(ini);
    EXPECT_NE(bytes.find("PosX=" + std::to_string(x) + "\r\n"), std::string::npos) << turn;

    Dayglass list(dir.Path(), L"/schedule");
    if (HWND dialog = list.WaitForWindow(L"#32770", 5000))
      PostMessageW(dialog, WM_CLOSE, 0, 0);
    EXPECT_EQ(list.WaitForExit(), 0);
    bytes = ReadFileBytes(ini);
    IniText text = DecodeIniBytes(bytes);
    bool dropped = false;
    EXPECT_EQ(ParseSchedules(text, false, &dropped).size(), 2u) << turn;
    EXPECT_NE(bytes.find("PosX=" + std::to_string(x) + "\r\n"), std::string::npos) << turn;
    EXPECT_NE(bytes.find("[Holidays]\r\n2030-01-01=\xE5\x85\x83\xE6\x97\xA5\r\n"),
              std::string::npos)
        << turn;
    EXPECT_EQ(bytes.compare(bytes.size() - 2, 2, "\r\n"), 0);
  }
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_EQ(calendar.WaitForExit(), 0);
  Report("a calendar window and a /schedule run saving in turn", kTurns * 2,
         "every save well-formed, the other writer's sections intact");
}

// Held by another program past start-up's wait (a scanner or sync client
// at sign-in): what the calendar never read is never overwritten, and once
// the file is free the stored settings are read, the window takes its
// stored place, and a later move is saved.
TEST(SaveFaults, FileHeldAtStartUpIsReadOnceFree) {
  const std::string before = "\xEF\xBB\xBF[Window]\r\nWinW=333\r\nWinH=344\r\nPosX=120\r\n"
                             "PosY=90\r\n[Schedules]\r\n0001=2030/01/02 03:04|kept|\r\n";
  TempDir dir;
  std::wstring ini = dir.File(L"calendar.ini");
  ASSERT_TRUE(WriteFileBytes(ini, before));
  HANDLE lock = CreateFileW(ini.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  const ULONGLONG start = GetTickCount64();
  Dayglass app(dir.Path());
  HWND window = app.WaitForWindow(L"Dayglass");
  ASSERT_NE(window, nullptr);
  SendTo(window, WM_EXITSIZEMOVE); // a move's save while the file is held
  auto placed = [&](int x, int y, int width, int height) {
    RECT rect;
    GetWindowRect(window, &rect);
    return rect.left == x && rect.top == y && rect.right - rect.left == width &&
           rect.bottom - rect.top == height;
  };
  EXPECT_FALSE(placed(120, 90, 333, 344));
  Sleep(static_cast<DWORD>(4000 - std::min<ULONGLONG>(GetTickCount64() - start, 4000)));
  std::string held(before.size() + 1, '\0'); // read through the holder's own handle
  DWORD got = 0;
  SetFilePointer(lock, 0, nullptr, FILE_BEGIN);
  ReadFile(lock, &held[0], static_cast<DWORD>(held.size()), &got, nullptr);
  EXPECT_EQ(held.substr(0, got), before);
  CloseHandle(lock);
  EXPECT_TRUE(WaitUntil([&] { return placed(120, 90, 333, 344); }));

  SetWindowPos(window, nullptr, 150, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SendTo(window, WM_EXITSIZEMOVE);
  EXPECT_TRUE(
      WaitUntil([&] { return ReadFileBytes(ini).find("PosX=150\r\n") != std::string::npos; }));
  // A move whose save meets another Dayglass process's lock, then 終了.
  HANDLE busy = CreateMutexW(nullptr, TRUE, IniLockName(ini).c_str());
  SetWindowPos(window, nullptr, 170, 110, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  SendTo(window, WM_EXITSIZEMOVE);
  EXPECT_EQ(ReadFileBytes(ini).find("PosX=170\r\n"), std::string::npos);
  ReleaseMutex(busy);
  CloseHandle(busy);
  PostMessageW(window, WM_COMMAND, IDM_EXIT, 0);
  EXPECT_EQ(app.WaitForExit(), 0);
  const std::string after = ReadFileBytes(ini);
  for (const char *kept : {"WinW=333\r\n", "WinH=344\r\n", "PosX=170\r\n", "|kept|"})
    EXPECT_NE(after.find(kept), std::string::npos) << kept;
  Report("calendar.ini held for 4 s at start-up, then free; later a move's save meets a busy "
         "lock, then 終了",
         1,
         "nothing written while held; then the stored window place and size taken, a move "
         "saved; the move that met the lock saved by 終了; the schedules kept");
}
