// Bad downloads against the loopback server: each fails, leaves
// calendar.ini byte for byte and no temporary file behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <wininet.h>

#include <cstdio>

#include "app/app_state.h"
#include "holidays/holiday_download.h"
#include "holidays/holiday_update.h"
#include "tests/holidays/holiday_fixture.h"
#include "tests/support/http_server.h"

namespace {

const std::string kIni = "\xEF\xBB\xBF[Option]\r\nHolidayUrl=x\r\n[Holidays]\r\n2030-01-01=old\r\n"
                         "[Schedules]\r\n0001=2030/01/02 03:04|kept|\r\n";

struct Fault {
  const char *name;
  HttpResponse response;
};

HttpResponse Page(int status, const char *reason, std::string body) {
  HttpResponse response;
  response.status = status;
  response.reason = reason;
  response.body = std::move(body);
  return response;
}

} // namespace

TEST(DownloadFaults, EachFailsAndLeavesTheFileAndNoTemporaryFile) {
  HttpServer server;
  ASSERT_TRUE(server.Running());
  const std::string csv = ReadFileBytes(HolidayFixturePath(L"syukujitsu.csv"));
  ASSERT_GT(csv.size(), 10000u);

  std::vector<Fault> faults;
  HttpResponse dropped = Page(200, "OK", csv);
  dropped.dropAfter = csv.size() / 2;
  faults.push_back({"connection dropped mid-body", dropped});
  faults.push_back({"404 page", Page(404, "Not Found", "<html>not found</html>")});
  faults.push_back({"500 page", Page(500, "Internal Server Error", "<html>oops</html>")});
  faults.push_back(
      {"HTML page with status 200",
       Page(200, "OK", "<!DOCTYPE html>\r\n<html><body>2026/1/1 moved</body></html>")});
  std::string junk;
  junk.reserve(50u << 20);
  while (junk.size() < (50u << 20))
    junk += "this is not a holiday list, only a very long answer\r\n";
  faults.push_back({"50 MB body without holiday rows", Page(200, "OK", std::move(junk))});
  // Real rows after the flood: only the limit keeps them out.
  faults.push_back({"flood of 30 MB of line breaks before the real list",
                    Page(200, "OK", std::string(30u << 20, '\n') + csv)});
  HttpResponse bomb = Page(200, "OK", GzipOfRunThen('\n', 24u << 20, csv));
  bomb.headers.push_back({"Content-Encoding", "gzip"});
  faults.push_back({"gzip body of 170 KB expanding to 24 MB of line breaks and the list", bomb});
  std::string rows = csv.substr(0, csv.find('\n') + 1);
  while (rows.size() < (2u << 20))
    rows += "2099/1/1,x\r\n";
  faults.push_back({"more rows than any holiday list (170,000)", Page(200, "OK", rows)});
  HttpResponse chunkCut = Page(200, "OK", csv);
  chunkCut.chunked = true;
  chunkCut.dropAfter = csv.find('\n', csv.size() / 3) - 4;
  faults.push_back({"chunked answer cut before its last chunk", chunkCut});
  faults.push_back(
      {"body without a final line break", Page(200, "OK", csv.substr(0, csv.size() - 2))});
  HttpResponse loop = Page(302, "Found", "");
  loop.headers.push_back({"Location", "/loop.csv"});
  faults.push_back({"redirect loop", loop});
  // Never silent for the stall limit, done only long after the deadline.
  HttpResponse trickle = Page(200, "OK", "");
  while (trickle.body.size() < (200u << 10))
    trickle.body += csv;
  trickle.pieceBytes = 8192;
  trickle.pieceEveryMs = 100;
  faults.push_back({"trickle of 8 KB every 0.1 s, past the deadline", trickle});
  HttpResponse stall;
  stall.stall = true;
  faults.push_back({"server accepts, then sends nothing", stall});

  // The program's own limits, which end a scheduled "/update-holidays" run
  // on a silent or trickling server. The test runs the same path on shorter
  // ones: long enough for the large bodies to arrive and be refused for what
  // they hold, and shorter still for the slow servers, which only a limit ends.
  const DownloadLimits own;
  EXPECT_EQ(own.stallMs, 20000u);
  EXPECT_EQ(own.deadlineMs, 60000u);
  const DownloadLimits forBodies = {2000, 4000}, forSlowServers = {400, 1000};
  ScopedAppState state;
  TempDir dir;
  UseIniPath(dir.File(L"calendar.ini"));
  std::vector<std::wstring> before = HolTemporaries();
  for (const Fault &fault : faults) {
    std::string path = fault.response.stall           ? "/stall.csv"
                       : fault.response.status == 302 ? "/loop.csv"
                                                      : "/fault.csv";
    server.Serve(path, fault.response);
    const bool slow = fault.response.stall || fault.response.pieceEveryMs > 0;
    SetDownloadLimits(slow ? forSlowServers : forBodies);
    ASSERT_TRUE(WriteFileBytes(dir.File(L"calendar.ini"), kIni));
    CopyToField(g_app.settings.HolidayUrl, 512, server.Url(path));
    EXPECT_FALSE(UpdateHolidaysFromCommandLine()) << fault.name;
    EXPECT_EQ(ReadFileBytes(dir.File(L"calendar.ini")), kIni) << fault.name;
    EXPECT_EQ(HolTemporaries(), before) << fault.name;
    std::printf("[reliability] download: %s | 1 | update fails (exit code 1), file unchanged, "
                "no temporary file\n",
                fault.name);
    if (fault.response.stall)
      break; // the stalled connection holds the server until it stops
  }
  SetDownloadLimits(DownloadLimits());
}

namespace {

// Entries of the system's download cache for the server's address.
std::vector<std::wstring> CachedCopies(const HttpServer &server) {
  const std::wstring host = L"127.0.0.1:" + std::to_wstring(server.Port());
  std::vector<std::wstring> found;
  std::vector<char> buffer(64 * 1024);
  DWORD size = static_cast<DWORD>(buffer.size());
  auto *entry = reinterpret_cast<INTERNET_CACHE_ENTRY_INFOW *>(buffer.data());
  HANDLE find = FindFirstUrlCacheEntryW(nullptr, entry, &size);
  for (bool more = find != nullptr; more;) {
    if (entry->lpszSourceUrlName && wcsstr(entry->lpszSourceUrlName, host.c_str()))
      found.push_back(entry->lpszSourceUrlName);
    size = static_cast<DWORD>(buffer.size());
    more = FindNextUrlCacheEntryW(find, entry, &size) != 0;
  }
  if (find)
    FindCloseUrlCache(find);
  return found;
}

} // namespace

// A download that arrives, one that breaks off and one given up on while it
// runs leave nothing in the system's download cache.
TEST(DownloadCache, NoDownloadLeavesACopy) {
  HttpServer server;
  ASSERT_TRUE(server.Running());
  HttpResponse whole;
  whole.body = ReadFileBytes(HolidayFixturePath(L"syukujitsu.csv"));
  server.Serve("/whole.csv", whole);
  HttpResponse broken = whole;
  broken.dropAfter = whole.body.size() / 2;
  server.Serve("/broken.csv", broken);
  HttpResponse slow = whole;
  slow.pieceBytes = 1024;
  slow.pieceEveryMs = 100;
  server.Serve("/slow.csv", slow);

  HolidayRows rows;
  EXPECT_TRUE(DownloadHolidayCsv(server.Url("/whole.csv"), rows));
  EXPECT_FALSE(DownloadHolidayCsv(server.Url("/broken.csv"), rows));
  std::shared_ptr<HolidayDownload> cancelled = StartHolidayDownload(server.Url("/slow.csv"));
  ASSERT_TRUE(cancelled);
  ASSERT_TRUE(WaitUntil([&] { return HolidayBytesReceived(*cancelled) > 0; }));
  EXPECT_FALSE(FinishHolidayDownload(*cancelled, nullptr));
  // The transfer lets go of its share when it has ended.
  ASSERT_TRUE(WaitUntil([&] { return cancelled.use_count() == 1; }, 30000));
  EXPECT_EQ(CachedCopies(server), std::vector<std::wstring>());
}
