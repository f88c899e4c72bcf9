#include "config/ini_file.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <climits>
#include <vector>

#include "tests/support/test_support.h"

namespace {

const std::string kOld = "\xEF\xBB\xBF[Window]\r\nWinW=400\r\n";

class IniFile : public ::testing::Test {
protected:
  // The program's two seconds for a held file, shortened: a held file is
  // waited out or given up on the same way.
  void SetUp() override {
    UseIniPath(path);
    SetHeldFileWait(500);
  }
  void TearDown() override { SetHeldFileWait(2000); }
  ScopedAppState state;
  TempDir dir;
  std::wstring path = dir.File(L"calendar.ini");
};

} // namespace

TEST_F(IniFile, RoundTripWritesTheMarkAndTheText) {
  ASSERT_TRUE(WriteIniText(L"[A]\r\nk=祝日\r\n"));
  EXPECT_EQ(ReadFileBytes(path), "\xEF\xBB\xBF[A]\r\nk=\xE7\xA5\x9D\xE6\x97\xA5\r\n");
  bool readable = false;
  EXPECT_EQ(ReadIniText(&readable), L"[A]\r\nk=祝日\r\n");
  EXPECT_TRUE(readable);
  EXPECT_EQ(ListFiles(dir.Path()).size(), 1u) << "no temporary file stays behind";
}

TEST_F(IniFile, MissingFileReadsEmptyButKnown) {
  bool readable = false;
  EXPECT_EQ(ReadIniText(&readable), L"");
  EXPECT_TRUE(readable);
  EXPECT_TRUE(UpdateIniText([](IniText &text) {
    SetIniInt(text, L"Window", L"WinW", 300);
    return true;
  }));
  EXPECT_EQ(ReadFileBytes(path), "\xEF\xBB\xBF[Window]\r\nWinW=300\r\n");
}

TEST_F(IniFile, EmptyTextIsNotWritten) {
  ASSERT_TRUE(WriteFileBytes(path, kOld));
  EXPECT_FALSE(WriteIniText(L""));
  EXPECT_EQ(ReadFileBytes(path), kOld);
}

TEST_F(IniFile, ReadOnlyFileIsLeftAsItWas) {
  ASSERT_TRUE(WriteFileBytes(path, kOld));
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_FALSE(WriteIniText(L"[Window]\r\nWinW=1\r\n"));
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ(ReadFileBytes(path), kOld);
  EXPECT_EQ(ListFiles(dir.Path()).size(), 1u);
}

TEST_F(IniFile, FileLockedByAnotherWriterIsNeitherReadNorReplaced) {
  ASSERT_TRUE(WriteFileBytes(path, kOld));
  HANDLE lock = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  bool readable = true;
  EXPECT_EQ(ReadIniText(&readable), L"");
  EXPECT_FALSE(readable);
  // A save must not rebuild the file from the empty text it could not read.
  EXPECT_FALSE(UpdateIniText([](IniText &text) {
    SetIniInt(text, L"Window", L"WinH", 1);
    return true;
  }));
  EXPECT_FALSE(WriteIniText(L"[Window]\r\nWinW=1\r\n"));
  CloseHandle(lock);
  EXPECT_EQ(ReadFileBytes(path), kOld);
  EXPECT_EQ(ListFiles(dir.Path()).size(), 1u);
}

TEST_F(IniFile, MissingFolderFailsCleanly) {
  UseIniPath(dir.File(L"gone\\calendar.ini"));
  EXPECT_FALSE(WriteIniText(L"[A]\r\n"));
  EXPECT_TRUE(ListFiles(dir.Path()).empty());
}

TEST_F(IniFile, StaleTemporaryFilesGoWithTheNextSave) {
  // Left by killed saves, of this version and of earlier ones.
  const std::wstring stale[] = {dir.File(L"~cal1a2b.tmp"), path + L".4242-1.tmp"};
  for (const std::wstring &file : stale)
    ASSERT_TRUE(WriteFileBytes(file, "half a file"));
  const std::wstring others[] = {dir.File(L"~calendar.tmp"), dir.File(L"notes.tmp")};
  for (const std::wstring &file : others)
    ASSERT_TRUE(WriteFileBytes(file, "not ours"));
  // One still being written by another process stays.
  std::wstring busy = dir.File(L"~cal4243.tmp");
  HANDLE writer = CreateFileW(busy.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  ASSERT_TRUE(WriteIniText(L"[A]\r\n"));
  for (const std::wstring &file : stale)
    EXPECT_FALSE(FileExists(file));
  for (const std::wstring &file : others)
    EXPECT_TRUE(FileExists(file));
  EXPECT_TRUE(FileExists(busy));
  CloseHandle(writer);
}

// Held by a reader that shares everything (an indexer), by one that shares
// nothing, for a moment or for long: a moment is waited out, a long hold
// fails the save and leaves the file as it was. The temporary file's name is
// never longer than "calendar.ini", so a save works wherever the file can be.
TEST_F(IniFile, HeldFileIsWaitedForAndTemporaryNamesStayShort) {
  struct Case {
    DWORD share;
    DWORD holdMs;
    bool saved;
  } cases[] = {
      {FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 100, true},
      {0, 100, true},
      {FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, 1000, false},
  };
  std::vector<std::wstring> seenWhileHeld;
  for (const Case &c : cases) {
    ASSERT_TRUE(WriteFileBytes(path, kOld));
    HANDLE holder = CreateFileW(path.c_str(), GENERIC_READ, c.share, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    // Closed from another thread while the save waits.
    struct Release {
      HANDLE file;
      DWORD after;
      std::wstring folder;
      std::vector<std::wstring> seen;
    } release = {holder, c.holdMs, dir.Path(), {}};
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void *parameter) -> DWORD {
          auto *r = static_cast<Release *>(parameter);
          Sleep(r->after);
          r->seen = ListFiles(r->folder);
          CloseHandle(r->file);
          return 0;
        },
        &release, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    bool saved = UpdateIniText([](IniText &text) {
      SetIniInt(text, L"Window", L"WinW", 512);
      return true;
    });
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    seenWhileHeld.insert(seenWhileHeld.end(), release.seen.begin(), release.seen.end());
    EXPECT_EQ(saved, c.saved) << c.share << " " << c.holdMs;
    EXPECT_EQ(ReadFileBytes(path).find("WinW=512") != std::string::npos, c.saved);
    EXPECT_EQ(ListFiles(dir.Path()).size(), 1u) << "no temporary file stays behind";
  }
  // Seen while the save waited: only names as short as "calendar.ini".
  for (const std::wstring &name : seenWhileHeld)
    EXPECT_LE(name.size(), 12u) << Utf8(name);
  std::printf("[reliability] calendar.ini held by a reader (all sharing or none) during a save "
              "| 3 | held a moment: saved; held past the wait: save fails, old file byte for "
              "byte; temporary names never longer than calendar.ini\n");
}

TEST_F(IniFile, NeverWritesWhatItWouldRefuseToRead) {
  ASSERT_TRUE(WriteFileBytes(path, kOld));
  SetLargestIniFile(4096);
  EXPECT_FALSE(WriteIniText(L"[Holidays]\r\n" + std::wstring(5000, L'x')));
  EXPECT_TRUE(WriteIniText(L"[Holidays]\r\n" + std::wstring(4000, L'x')));
  bool readable = false;
  EXPECT_EQ(ReadIniText(&readable).size(), 4012u);
  EXPECT_TRUE(readable);
  SetLargestIniFile(INT_MAX / 4);
  EXPECT_EQ(ListFiles(dir.Path()).size(), 1u);
  std::printf("[reliability] a save larger than the read limit | 1 | refused, old file byte for "
              "byte\n");
}

// A zero byte or two in a text file are kept through a save; a file that is
// no text (many zero bytes, a picture) is kept as a copy beside it before
// the save writes over it, and the save starts from what this process holds.
TEST_F(IniFile, ZeroBytesSurviveAndWhatIsNoTextIsKeptAsACopy) {
  g_app.silent = true; // no message box in a unit test
  const std::string text("\xEF\xBB\xBF[Keep]\r\nk=a\0b\r\n[Window]\r\nWinW=1\r\n", 36);
  const std::string picture = "\x89PNG\r\n\x1A\n" + std::string(40, '\0') + "IHDR";
  for (const std::string &before : {text, picture}) {
    ASSERT_TRUE(WriteFileBytes(path, before));
    ASSERT_TRUE(UpdateIniText([](IniText &edited) {
      SetIniInt(edited, L"Window", L"WinW", 2);
      return true;
    }));
    const bool kept = before == picture;
    const std::string after = ReadFileBytes(path);
    if (kept)
      EXPECT_EQ(after.rfind("\xEF\xBB\xBF[Window]\r\nWinW=2\r\n", 0), 0u);
    else
      EXPECT_EQ(after, std::string("\xEF\xBB\xBF[Keep]\r\nk=a\0b\r\n[Window]\r\nWinW=2\r\n", 36));
    EXPECT_EQ(ReadFileBytes(path + L".unreadable.bak"), kept ? before : std::string());
  }
  std::printf("[reliability] calendar.ini that is no text (a picture) under a save | 1 | kept "
              "beside it as calendar.ini.unreadable.bak first; the save writes what the process "
              "holds\n");
}

TEST_F(IniFile, LargeFileRoundTripsAcrossItsReadAndWritePieces) {
  // Several hundred KiB, so that characters and pairs straddle every piece border.
  IniText text = L"[Schedules]\r\n";
  for (int i = 0; text.size() < 400000; ++i)
    text += std::to_wstring(i) + L"=2026/01/01 09:00|会議 \xD83D\xDCC5 x" +
            std::wstring(i % 5, L'é') + L"|\r\n";
  ASSERT_TRUE(WriteIniText(text));
  std::string bytes = ReadFileBytes(path);
  EXPECT_EQ(bytes, EncodeIniText(text));
  EXPECT_EQ(ReadIniText(), text);
  ASSERT_TRUE(WriteFileBytes(path, bytes.substr(3))); // no byte-order mark
  EXPECT_EQ(ReadIniText(), text);
}

// Another Dayglass process saving (the lock) or another program reading
// (the file held) for a moment: a user's save waits it out, a save nobody
// asked for does not wait and fails, to be retried later. The lock and then
// the file, each held for more than half the wait: the two share it.
TEST_F(IniFile, OnlyAPatientSaveWaitsForTheLockOrAHeldFile) {
  ASSERT_TRUE(WriteFileBytes(path, kOld));
  // One file, one lock, however its path is spelled; without a folder to
  // ask, the case-folded path.
  wchar_t shortPath[MAX_PATH * 2] = {};
  GetShortPathNameW(path.c_str(), shortPath, MAX_PATH * 2);
  std::wstring upper = path;
  CharUpperW(&upper[0]);
  for (const std::wstring &spelling :
       {L"\\\\?\\" + path, L"\\\\.\\" + path, upper, std::wstring(shortPath)})
    EXPECT_EQ(IniLockName(spelling), IniLockName(path)) << Utf8(spelling);
  EXPECT_NE(IniLockName(dir.File(L"other.ini")), IniLockName(path));
  EXPECT_EQ(IniLockName(L"C:\\Tools\\calendar.ini"), IniLockName(L"c:\\TOOLS\\Calendar.INI"));
  EXPECT_NE(IniLockName(L"C:\\Tools\\calendar.ini"), IniLockName(L"C:\\Tool\\calendar.ini"));
  struct Hold {
    bool lock, file;
    DWORD ms;
    std::wstring name, path;
    HANDLE ready;
  } holds[] = {{true, false, 100, {}, {}, {}},
               {false, true, 100, {}, {}, {}},
               {true, true, 300, {}, {}, {}}};
  for (Hold &hold : holds) {
    for (IniWait wait : {IniWait::Once, IniWait::Patient}) {
      ASSERT_TRUE(WriteFileBytes(path, kOld));
      hold.name = IniLockName(path);
      hold.path = path;
      hold.ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
      HANDLE thread = CreateThread(
          nullptr, 0,
          [](void *parameter) -> DWORD {
            auto *h = static_cast<Hold *>(parameter);
            HANDLE mutex = h->lock ? CreateMutexW(nullptr, TRUE, h->name.c_str()) : nullptr;
            HANDLE file = h->file ? CreateFileW(h->path.c_str(), GENERIC_READ, 0, nullptr,
                                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                                  : nullptr;
            SetEvent(h->ready);
            Sleep(h->ms);
            if (mutex) {
              ReleaseMutex(mutex);
              CloseHandle(mutex);
              Sleep(h->ms);
            }
            if (file)
              CloseHandle(file);
            return 0;
          },
          &hold, 0, nullptr);
      ASSERT_NE(thread, nullptr);
      WaitForSingleObject(hold.ready, INFINITE);
      bool saved = UpdateIniText(
          [](IniText &text) {
            SetIniInt(text, L"Window", L"WinW", 512);
            return true;
          },
          wait);
      WaitForSingleObject(thread, INFINITE);
      CloseHandle(thread);
      CloseHandle(hold.ready);
      EXPECT_EQ(saved, wait == IniWait::Patient && hold.ms < 200) << hold.lock << hold.file;
      EXPECT_EQ(ReadFileBytes(path).find("WinW=512") != std::string::npos, saved);
    }
  }
  std::printf("[reliability] one calendar.ini spelled with \\\\?\\, \\\\.\\, another case and "
              "its short name | 4 | one lock\n");
  std::printf("[reliability] the lock, then the file, each held past half of a user's save's "
              "wait | 1 | the save gives up when the wait is over in all (about two seconds)\n");
}
