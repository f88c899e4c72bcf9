// A scheduled "/update-holidays" run against a server that accepts the
// connection and then sends nothing, or sends a little now and then for
// ever, must end by itself, failing, and leave nothing behind.
#include <gtest/gtest.h>

#include <memory>

#include "tests/holidays/holiday_fixture.h"
#include "tests/support/http_server.h"
#include "tests/support/test_support.h"

TEST(DownloadStall, HolidaySwitchGivesUpOnASilentOrTricklingServer) {
  HttpResponse silent, trickle;
  silent.stall = true;
  // Never silent for the stall limit, never done: only the deadline ends it.
  while (trickle.body.size() < (1u << 20))
    trickle.body += ReadFileBytes(HolidayFixturePath(L"syukujitsu.csv"));
  trickle.pieceBytes = 8192;
  trickle.pieceEveryMs = 5000;
  const struct {
    const char *name;
    HttpResponse response;
    const char *outcome;
  } cases[] = {
      {"silent server", silent, "after the stall limit"},
      {"trickle of 8 KB every 5 s of a 1 MB list", trickle, "at the deadline"},
  };
  const std::vector<std::wstring> temporaries = HolTemporaries();
  // Both at once: each waits for a limit of the program's own (20 s
  // without progress, 60 s in all).
  std::vector<std::unique_ptr<HttpServer>> servers;
  std::vector<std::unique_ptr<TempDir>> dirs;
  std::vector<std::unique_ptr<Dayglass>> runs;
  std::vector<std::string> before;
  for (const auto &c : cases) {
    servers.push_back(std::make_unique<HttpServer>());
    ASSERT_TRUE(servers.back()->Running());
    servers.back()->Serve("/syukujitsu.csv", c.response);
    dirs.push_back(std::make_unique<TempDir>());
    before.push_back(
        "\xEF\xBB\xBF[Option]\r\nHolidayUrl=" + Utf8(servers.back()->Url("/syukujitsu.csv")) +
        "\r\n[Holidays]\r\n2030-01-01=old\r\n");
    ASSERT_TRUE(WriteFileBytes(dirs.back()->File(L"calendar.ini"), before.back()));
    runs.push_back(std::make_unique<Dayglass>(dirs.back()->Path(), L"/update-holidays"));
  }
  for (size_t i = 0; i < runs.size(); ++i) {
    SCOPED_TRACE(cases[i].name);
    EXPECT_EQ(runs[i]->WaitForExit(150000), 1);
    EXPECT_EQ(ReadFileBytes(dirs[i]->File(L"calendar.ini")), before[i]);
    std::printf("[reliability] download: %s, \"/update-holidays\" process | 1 | exits with 1 %s, "
                "file unchanged, no temporary file\n",
                cases[i].name, cases[i].outcome);
  }
  EXPECT_EQ(HolTemporaries(), temporaries);
}
