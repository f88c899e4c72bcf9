// A scheduled "/update-holidays" run against a server that accepts the
// connection and then sends nothing, or sends a little now and then for
// ever, must end by itself, failing, and leave nothing behind.
#include <gtest/gtest.h>

#include <memory>

#include "tests/holidays/holiday_fixture.h"
#include "tests/support/http_server.h"
#include "tests/support/test_support.h"

TEST(DownloadStall, HolidaySwitchGivesUpOnASilentOrTricklingServer) {
  HttpResponse answers[2];
  answers[0].stall = true;
  // Never silent for the stall limit, never done: only the deadline ends it.
  while (answers[1].body.size() < (1u << 20))
    answers[1].body += ReadFileBytes(HolidayFixturePath(L"syukujitsu.csv"));
  answers[1].pieceBytes = 8192;
  answers[1].pieceEveryMs = 5000;
  const char *names[2] = {"silent server, \"/update-holidays\" process | 1 | exits with 1 after "
                          "the stall limit",
                          "trickle of 8 KB every 5 s of a 1 MB list, \"/update-holidays\" process "
                          "| 1 | exits with 1 at the deadline"};
  const std::vector<std::wstring> temporaries = HolTemporaries();
  // Both at once: each waits for a limit of the program's own (20 s
  // without progress, 60 s in all).
  HttpServer servers[2];
  TempDir dirs[2];
  std::string before[2];
  std::unique_ptr<Dayglass> runs[2];
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(servers[i].Running());
    servers[i].Serve("/syukujitsu.csv", answers[i]);
    before[i] = "\xEF\xBB\xBF[Option]\r\nHolidayUrl=" + Utf8(servers[i].Url("/syukujitsu.csv")) +
                "\r\n[Holidays]\r\n2030-01-01=old\r\n";
    ASSERT_TRUE(WriteFileBytes(dirs[i].File(L"calendar.ini"), before[i]));
    runs[i] = std::make_unique<Dayglass>(dirs[i].Path(), L"/update-holidays");
  }
  for (int i = 0; i < 2; ++i) {
    EXPECT_EQ(runs[i]->WaitForExit(150000), 1) << names[i];
    EXPECT_EQ(ReadFileBytes(dirs[i].File(L"calendar.ini")), before[i]) << names[i];
    std::printf("[reliability] download: %s, file unchanged, no temporary file\n", names[i]);
  }
  EXPECT_EQ(HolTemporaries(), temporaries);
}
