#include "holidays/holiday_csv.h"

#include <gtest/gtest.h>

#include "holidays/holiday_download.h"
#include "tests/holidays/holiday_fixture.h"
#include "tests/support/http_server.h"
#include "tests/support/test_support.h"

namespace {

struct LineCase {
  std::wstring line;
  std::wstring date;
  std::wstring name;
};

HolidayRow ParseLine(const std::wstring &line, bool *parsed) {
  HolidayRow row;
  *parsed = ParseHolidayCsvLine(ShiftJis(line), row);
  return row;
}

} // namespace

TEST(TrimCsvField, RemovesSpacesTabsAndQuotesAtBothEndsOnly) {
  const std::pair<std::wstring, std::wstring> cases[] = {
      {L" \t\"元日\"\t ", L"元日"},
      {L"\"a \"\" b\"", L"a \"\" b"},
      {L"\x3000元日\x3000", L"\x3000元日\x3000"},
      {L"\" \t\"", L""},
      {L"", L""},
  };
  for (const auto &c : cases) {
    std::wstring field = c.first;
    TrimCsvField(field);
    EXPECT_EQ(field, c.second) << Utf8(c.first);
  }
}

TEST(ParseHolidayCsvLine, AcceptsEitherColumnOrderAndDateForm) {
  const std::wstring forms[] = {
      L"2026/1/1,元日",        L"\"2026/1/1\",\"元日\"", L"元日,2026/1/1",
      L"2026-01-01,元日",      L" 2026/1/1 ,\t元日 ",    L"\"元日\",\"2026-1-1\"",
      L"2026/ 1/ 1 (木),元日", // text after the third number is ignored
  };
  for (const std::wstring &line : forms) {
    bool parsed = false;
    HolidayRow row = ParseLine(line, &parsed);
    EXPECT_TRUE(parsed) << Utf8(line);
    EXPECT_EQ(row.date, L"2026-01-01") << Utf8(line);
    EXPECT_EQ(row.name, L"元日") << Utf8(line);
  }
}

TEST(ParseHolidayCsvLine, TakesFieldsAsTheyStand) {
  const LineCase cases[] = {
      {L"2026/1/1,元日,extra", L"2026-01-01", L"元日,extra"},
      {L"2026/1/1,2027/2/2", L"2026-01-01", L"2027/2/2"},
      {L"2026/1/1,", L"2026-01-01", L""},
      {L"2026/13/45,X", L"2026-13-45", L"X"},
      {L"-1/-2/-3,X", L"-001--2--3", L"X"},
      {L"2147483647/1/1,X", L"2147483647-01-01", L"X"},
      {L"-2147483648/-2147483648/-2147483648,X", L"-2147483648--2147483648--2147483648", L"X"},
      // A number beyond the int range makes no date; the other field may still be one.
      {L"2026/1/99999999999999999999999999999999999999,2027/1/1", L"2027-01-01",
       L"2026/1/99999999999999999999999999999999999999"},
  };
  for (const LineCase &c : cases) {
    bool parsed = false;
    HolidayRow row = ParseLine(c.line, &parsed);
    EXPECT_TRUE(parsed) << Utf8(c.line);
    EXPECT_EQ(row.date, c.date) << Utf8(c.line);
    EXPECT_EQ(row.name, c.name) << Utf8(c.line);
  }
}

TEST(ParseHolidayCsvLine, SkipsLinesWithoutCommaAndDate) {
  const std::wstring lines[] = {
      L"2026/1/1、元日",
      L"2026/1/1，元日",
      L"元日,祝日",
      L"2026/1,元日",
      L"2026-1/1,元日",
      L",",
      L"2147483648/1/1,X",
      L"9999999999999999999999999999999999999999/1/1,X",
      L"",
  };
  for (const std::wstring &line : lines) {
    bool parsed = true;
    ParseLine(line, &parsed);
    EXPECT_FALSE(parsed) << Utf8(line);
  }
}

TEST(ParseHolidayCsv, SkipsTheHeaderAndBlankLinesWhateverTheLineEnds) {
  TempDir dir;
  const std::wstring path = dir.File(L"h.csv");
  const struct {
    std::string bytes;
    bool ok;
    size_t rows;
  } cases[] = {
      {"", false, 0},
      {"2026/1/1,A\r\n", true, 0},
      {"2026/1/1,A", true, 0},
      {"header\r\n2026/1/1,A\r\n\r\n\n\r\r\n2026/1/2,B\r\r\n2026/1/3,C\n2026/1/4,D", true, 4},
  };
  for (const auto &c : cases) {
    ASSERT_TRUE(WriteFileBytes(path, c.bytes));
    HolidayRows rows;
    EXPECT_EQ(ParseHolidayCsv(path, rows), c.ok) << c.bytes;
    EXPECT_EQ(rows.size(), c.rows) << c.bytes;
    for (const HolidayRow &row : rows)
      EXPECT_EQ(row.name.find_first_of(L"\r\n"), std::wstring::npos);
  }
  HolidayRows rows;
  EXPECT_FALSE(ParseHolidayCsv(dir.File(L"missing.csv"), rows));
}

TEST(ParseHolidayCsv, ReadsLongLinesInPiecesOfAtMost1023Bytes) {
  TempDir dir;
  const std::wstring path = dir.File(L"h.csv");
  // 1023 bytes make one piece; the rest of the physical line is the next.
  std::string first = "2026/1/1,X" + std::string(1013, 'a');
  ASSERT_TRUE(WriteFileBytes(path, "header\r\n" + first + "2027/2/3,Y\r\n" +
                                       std::string(5000, '9') + "/1/1,Z\r\n" +
                                       std::string(3000, ',') + "\r\n"));
  HolidayRows rows;
  ASSERT_TRUE(ParseHolidayCsv(path, rows));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].date, L"2026-01-01");
  EXPECT_EQ(rows[0].name, L"X" + std::wstring(1013, L'a'));
  EXPECT_EQ(rows[1].date, L"2027-02-03");
  EXPECT_EQ(rows[1].name, L"Y");
}

TEST(ParseHolidayCsv, ReadsThePublishedFormAndDecodesEverythingAsShiftJis) {
  HolidayRows rows;
  ASSERT_TRUE(ParseHolidayCsv(HolidayFixturePath(L"syukujitsu.csv"), rows));
  HolidayRows expected = FixtureHolidays();
  ASSERT_GT(expected.size(), 1000u);
  ASSERT_EQ(rows.size(), expected.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    EXPECT_EQ(rows[i].date, expected[i].date) << i;
    EXPECT_EQ(rows[i].name, expected[i].name) << i;
  }

  // A UTF-8 file still gives its dates; only the names come out garbled.
  TempDir dir;
  ASSERT_TRUE(WriteFileBytes(dir.File(L"u.csv"), Utf8(L"月日,名称\r\n2026/1/1,元日\r\n")));
  HolidayRows utf8;
  ASSERT_TRUE(ParseHolidayCsv(dir.File(L"u.csv"), utf8));
  ASSERT_EQ(utf8.size(), 1u);
  EXPECT_EQ(utf8[0].date, L"2026-01-01");
  EXPECT_NE(utf8[0].name, L"元日");
}

TEST(DownloadHolidayCsv, ParsesWhatArrivedAndLeavesNoTemporaryFile) {
  HttpServer server;
  ASSERT_TRUE(server.Running());
  HttpResponse csv;
  csv.body = HolidayCsv({L"2026/1/1,元日", L"2026/1/12,成人の日"});
  server.Serve("/ok.csv", csv);
  server.Serve("/empty.csv", HttpResponse());
  std::vector<std::wstring> before = HolTemporaries();
  // What a killed run left goes at the next download; a name of that
  // prefix that the platform would not have made stays.
  wchar_t folder[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, folder);
  const std::wstring killed = std::wstring(folder) + L"hol1F2E.tmp";
  const std::wstring foreign = std::wstring(folder) + L"holiday.tmp";
  ASSERT_TRUE(WriteFileBytes(killed, "2026/1/1,"));
  ASSERT_TRUE(WriteFileBytes(foreign, "kept"));

  HolidayRows rows;
  EXPECT_TRUE(DownloadHolidayCsv(server.Url("/ok.csv"), rows));
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[1].date, L"2026-01-12");
  EXPECT_EQ(rows[1].name, L"成人の日");

  const std::wstring failing[] = {
      server.Url("/empty.csv"),
      L"http://127.0.0.1:" + std::to_wstring(ClosedLoopbackPort()) + L"/syukujitsu.csv",
      L"nowhere:/at all",
  };
  for (const std::wstring &url : failing) {
    HolidayRows none;
    EXPECT_FALSE(DownloadHolidayCsv(url, none)) << Utf8(url);
    EXPECT_TRUE(none.empty());
  }
  EXPECT_FALSE(FileExists(killed));
  EXPECT_TRUE(FileExists(foreign));
  DeleteFileW(foreign.c_str());
  EXPECT_EQ(HolTemporaries(), before);
  EXPECT_EQ(server.Requests(), (std::vector<std::string>{"/ok.csv", "/empty.csv"}));
}

TEST(DownloadHolidayCsv, FailsWithoutFetchingWhenNoTemporaryFileCanBeMade) {
  HttpServer server;
  ASSERT_TRUE(server.Running());
  HttpResponse csv;
  csv.body = HolidayCsv({L"2026/1/1,元日"});
  server.Serve("/ok.csv", csv);
  wchar_t tmp[MAX_PATH] = {}, temp[MAX_PATH] = {};
  GetEnvironmentVariableW(L"TMP", tmp, MAX_PATH);
  GetEnvironmentVariableW(L"TEMP", temp, MAX_PATH);
  TempDir dir;
  const std::wstring missing = dir.File(L"no such folder");
  SetEnvironmentVariableW(L"TMP", missing.c_str());
  SetEnvironmentVariableW(L"TEMP", missing.c_str());

  HolidayRows rows;
  EXPECT_FALSE(DownloadHolidayCsv(server.Url("/ok.csv"), rows));
  SetEnvironmentVariableW(L"TMP", tmp[0] ? tmp : nullptr);
  SetEnvironmentVariableW(L"TEMP", temp[0] ? temp : nullptr);
  EXPECT_TRUE(rows.empty());
  EXPECT_TRUE(server.Requests().empty());
  EXPECT_TRUE(ListFiles(dir.Path()).empty());
}
