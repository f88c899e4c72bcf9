// Hostile holiday sections and CSV input: random bytes, invalid Shift_JIS,
// zero bytes, long lines and numbers of any size never crash or overrun.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "holidays/holiday_csv.h"
#include "holidays/holiday_store.h"
#include "holidays/holiday_update.h"
#include "tests/support/test_support.h"

namespace {

std::string RandomBytes(std::mt19937 &random, size_t length) {
  static const char *const kPieces[] = {"2026/1/1",
                                        "2026-01-01",
                                        ",",
                                        "\"",
                                        "\x8C\xB3\x93\xFA",
                                        "\x81\x43",
                                        "\r\n",
                                        "\n",
                                        "\0",
                                        "\x82",
                                        "\xFF\xFF",
                                        "-2147483649",
                                        "99999999999999999999999999999999999999"};
  std::string bytes;
  while (bytes.size() < length) {
    if (random() % 3 == 0)
      bytes += static_cast<char>(random());
    else
      bytes += std::string(kPieces[random() % (sizeof kPieces / sizeof *kPieces)]);
  }
  return bytes;
}

} // namespace

TEST(HolidayFuzz, CsvLinesAndFilesOfAnyBytes) {
  std::mt19937 random(99);
  const int kLines = 20000;
  size_t rows = 0;
  for (int i = 0; i < kLines; ++i) {
    std::string line = RandomBytes(random, random() % 80);
    HolidayRow row;
    if (ParseHolidayCsvLine(line, row)) {
      ++rows;
      EXPECT_GE(row.date.size(), 10u);
    }
  }
  TempDir dir;
  const int kFiles = 60;
  for (int i = 0; i < kFiles; ++i) {
    std::string bytes = RandomBytes(random, random() % 20000);
    if (i % 10 == 0)
      bytes += std::string(100000, '9') + ",x\r\n"; // one physical line of 100,000 bytes
    ASSERT_TRUE(WriteFileBytes(dir.File(L"f.csv"), bytes));
    HolidayRows parsed;
    ParseHolidayCsv(dir.File(L"f.csv"), parsed);
    for (const HolidayRow &row : parsed)
      EXPECT_GE(row.date.size(), 10u);
    // The section written from whatever parsed loads without harm.
    HolidayMap map;
    ParseHolidays(L"[Holidays]\r\n" + BuildHolidaySection(parsed, 2026), map);
    EXPECT_LE(map.size(), parsed.size());
  }
  std::printf("[reliability] hostile CSV lines and files (random bytes, invalid Shift_JIS, zero "
              "bytes, 100,000-byte lines, huge numbers) | %d | no crash; %zu lines gave rows\n",
              kLines + kFiles, rows);
}

TEST(HolidayFuzz, HolidaySectionsOfAnyText) {
  std::mt19937 random(5);
  const int kRounds = 3000;
  for (int round = 0; round < kRounds; ++round) {
    std::wstring text = L"[Holidays]\r\n";
    for (int i = 0, n = static_cast<int>(random() % 30); i < n; ++i)
      text += Wide(RandomBytes(random, random() % 40)) + L"=" + std::to_wstring(random()) + L"\r\n";
    HolidayMap map;
    ParseHolidays(text, map);
    EXPECT_LE(map.size(), 30u);
  }
  std::printf("[reliability] hostile [Holidays] sections (random dates and names, duplicate "
              "keys) | %d | no crash\n",
              kRounds);
}
