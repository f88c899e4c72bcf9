// Hostile "[Schedules]" sections: whatever loads saves and loads back the
// same, and a second save of an unchanged list gives the same bytes.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "schedules/schedule_store.h"
#include "tests/support/test_support.h"

namespace {

std::wstring RandomValue(std::mt19937 &random) {
  static const wchar_t *const kPieces[] = {L"2026/12/24 18:30",
                                           L"|",
                                           L"|Y",
                                           L"|y",
                                           L"\\n",
                                           L"\\\\",
                                           L"\\",
                                           L"-2147483648",
                                           L"/",
                                           L"99999999999999999999999999999999999999",
                                           L" ",
                                           L":",
                                           L"\r",
                                           L"\0",
                                           L"\xFFFD",
                                           L"予定",
                                           L"[Schedules]",
                                           L"="};
  // Half of them start like a real schedule, so most of the rest is text.
  std::wstring value = random() % 2 ? L"2026/12/24 18:30|" : L"";
  for (int i = 0, n = static_cast<int>(random() % 12); i < n; ++i) {
    if (random() % 4 == 0)
      value += static_cast<wchar_t>(random() % 0x10000);
    else
      value += std::wstring(kPieces[random() % (sizeof kPieces / sizeof *kPieces)]);
  }
  return value;
}

} // namespace

TEST(ScheduleFuzz, WhateverLoadsRoundTripsAndSavesStably) {
  std::mt19937 random(1207);
  const int kRounds = 4000;
  size_t loaded = 0;
  for (int round = 0; round < kRounds; ++round) {
    IniText text = L"[Schedules]\r\n";
    for (int i = 0, n = static_cast<int>(random() % 20); i < n; ++i)
      text += std::to_wstring(random() % 10000) + L"=" + RandomValue(random) +
              (random() % 3 ? L"\r\n" : L"\n");
    bool dropped = false;
    ScheduleList first = ParseSchedules(text, random() % 2 == 0, &dropped);
    loaded += first.size();
    IniText saved = L"[Schedules]\r\n" + BuildScheduleSection(first);
    ScheduleList again = ParseSchedules(saved, false, &dropped);
    ASSERT_TRUE(SameSchedules(first, again)) << "round " << round;
    EXPECT_EQ(BuildScheduleSection(again), BuildScheduleSection(first)) << "round " << round;
  }
  std::printf("[reliability] hostile [Schedules] sections (random texts, marks, escapes, zero "
              "characters, 40-digit numbers) | %d | no crash; save, load and save again give "
              "the same list and bytes (%zu schedules loaded)\n",
              kRounds, loaded);
}

TEST(ScheduleFuzz, HugeLinesAndNumbersStayWhole) {
  IniText text = L"[Schedules]\r\n0001=2026/12/24 18:30|" + std::wstring(100000, L'x') + L"|\r\n" +
                 L"0002=99999999999999999999999999999999999999/-5/0 24:60|big|\r\n";
  bool dropped = false;
  ScheduleList list = ParseSchedules(text, false, &dropped);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].text.size(), 100000u);
  std::wstring saved = BuildScheduleSection(list);
  EXPECT_NE(saved.find(std::wstring(100000, L'x') + L"|\r\n"), std::wstring::npos);
  EXPECT_TRUE(SameSchedules(ParseSchedules(L"[Schedules]\r\n" + saved, false, &dropped), list));
}
