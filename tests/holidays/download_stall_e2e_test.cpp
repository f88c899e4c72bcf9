// A scheduled "/update-holidays" run against a server that accepts the
// connection and then sends nothing must end by itself, failing.
#include <gtest/gtest.h>

#include "tests/support/http_server.h"
#include "tests/support/test_support.h"

TEST(DownloadStall, HolidaySwitchGivesUpOnASilentServer) {
  HttpServer server;
  ASSERT_TRUE(server.Running());
  HttpResponse silent;
  silent.stall = true;
  server.Serve("/syukujitsu.csv", silent);
  TempDir dir;
  const std::string before =
      "\xEF\xBB\xBF[Option]\r\nHolidayUrl=" + Utf8(server.Url("/syukujitsu.csv")) +
      "\r\n[Holidays]\r\n2030-01-01=old\r\n";
  ASSERT_TRUE(WriteFileBytes(dir.File(L"calendar.ini"), before));
  Dayglass app(dir.Path(), L"/update-holidays");
  // The program's own limit is 20 s without progress; allow it ample time.
  EXPECT_EQ(app.WaitForExit(90000), 1);
  EXPECT_EQ(ReadFileBytes(dir.File(L"calendar.ini")), before);
  std::printf("[reliability] download: silent server, \"/update-holidays\" process | 1 | exits "
              "with 1 after the stall limit, file unchanged\n");
}
