// Randomised and hostile texts for the line rules, the set and replace
// edits and the settings loader. Seeds are fixed, so a failure repeats.
#include <windows.h>

#include <gtest/gtest.h>

#include <climits>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>

#include "config/ini_text.h"
#include "config/settings.h"
#include "tests/support/test_support.h"

namespace {

// Pieces that matter to the line rules, mixed with anything at all.
std::wstring RandomText(std::mt19937 &random, size_t length) {
  static const wchar_t *const kPieces[] = {L"[",
                                           L"]",
                                           L"=",
                                           L"\r",
                                           L"\n",
                                           L"\r\n",
                                           L"\0",
                                           L"[Window]",
                                           L"WinW=",
                                           L"[Font]",
                                           L"Face=",
                                           L"[Schedules]",
                                           L"0001=",
                                           L"|Y",
                                           L"\\n",
                                           L"\xFFFD",
                                           L"祝日",
                                           L"-2147483648",
                                           L"99999999999999999999999999999999999999",
                                           L" ",
                                           L"\t",
                                           L"[Holidays]",
                                           L"2026-01-01="};
  std::wstring text;
  while (text.size() < length) {
    if (random() % 3 == 0)
      text += static_cast<wchar_t>(random() % 0x10000);
    else
      text += std::wstring(kPieces[random() % (sizeof kPieces / sizeof *kPieces)]);
  }
  return text;
}

// What a replace must leave of the other sections: every line outside the
// replaced section, in order, each ending in CR LF, then the new section.
std::wstring ReplacedByLines(const std::wstring &text, const std::wstring &header,
                             const std::wstring &body) {
  std::wstring result;
  bool skipping = false;
  for (size_t begin = 0; begin < text.size();) {
    size_t lf = text.find(L'\n', begin);
    size_t next = lf == std::wstring::npos ? text.size() : lf + 1;
    std::wstring line = text.substr(begin, next - begin);
    if (!line.empty() && line.back() == L'\n')
      line.pop_back();
    if (!line.empty() && line.back() == L'\r')
      line.pop_back();
    if (line.size() >= 2 && line.front() == L'[' && line.back() == L']')
      skipping = line == header;
    if (!skipping)
      result += line + L"\r\n";
    begin = next;
  }
  return result + header + L"\r\n" + body;
}

std::wstring RandomName(std::mt19937 &random) {
  std::wstring name;
  size_t length = 1 + random() % 8;
  for (size_t i = 0; i < length; ++i)
    name += static_cast<wchar_t>(L'a' + random() % 26);
  return name;
}

} // namespace

TEST(IniFuzz, RandomBytesDecodeEncodeAndReadWithoutHarm) {
  std::mt19937 random(20261207);
  for (int round = 0; round < 3000; ++round) {
    std::string bytes(random() % 300, '\0');
    for (char &c : bytes)
      c = static_cast<char>(random());
    IniText text = DecodeIniBytes(bytes);
    // Whatever was read is written back whole and reads the same again.
    EXPECT_EQ(DecodeIniBytes(EncodeIniText(text)), text);
    size_t entries = 0;
    ForEachIniEntry(text,
                    [&](std::wstring_view, std::wstring_view, std::wstring_view) { ++entries; });
    EXPECT_LE(entries, text.size());
  }
  std::printf("[reliability] random bytes as calendar.ini (invalid UTF-8, zero bytes) | 3000 | no "
              "crash; decode, encode and decode again give the same text\n");
}

TEST(IniFuzz, BytesInPiecesDecodeAsTheWhole) {
  // Marked UTF-8 is decoded line by line as it arrives: cuts anywhere, inside
  // a character too, give the text and verdict of the whole. (The file ends
  // in plain text: a converter may take what follows a character cut short
  // by the end of its input as part of it.)
  std::mt19937 random(20261208);
  const char kPieces[] = "[A]\r\nk=\xE4\xBA\x88\xE5\xAE\x9A\n\xE4\xBA\r\n\xFF\x80\0=\n\n";
  for (int round = 0; round < 2000; ++round) {
    std::string bytes = round % 3 ? "\xEF\xBB\xBF" : "";
    for (size_t i = random() % 200; i > 0; --i)
      bytes += kPieces[random() % (sizeof kPieces - 1)];
    bytes += "k\r\n";
    const DecodedIni whole = DecodeIniFile(bytes);
    IniDecoder decoder;
    StartIniDecode(decoder, bytes.size());
    for (size_t at = 0; at < bytes.size();) {
      size_t piece = std::min<size_t>(bytes.size() - at, random() % 9);
      FeedIniBytes(decoder, bytes.data() + at, piece);
      at += piece;
    }
    const DecodedIni pieces = EndIniDecode(decoder);
    ASSERT_EQ(pieces.text, whole.text) << "round " << round;
    ASSERT_EQ(pieces.encoding, whole.encoding) << "round " << round;
  }
}

TEST(IniFuzz, SetThenReadGivesTheValueBack) {
  std::mt19937 random(7);
  for (int round = 0; round < 3000; ++round) {
    IniText text = RandomText(random, random() % 400);
    std::wstring section = RandomName(random), key = RandomName(random);
    std::wstring value = std::to_wstring(static_cast<int>(random()));
    SetIniString(text, section, key, value);
    // The key's first occurrence in its section's first piece is what was set.
    bool found = false;
    std::wstring seen;
    ForEachIniEntry(text, [&](std::wstring_view s, std::wstring_view k, std::wstring_view v) {
      if (s == section && k == key && !found) {
        found = true;
        seen = std::wstring(v);
      }
    });
    ASSERT_TRUE(found) << "round " << round;
    EXPECT_EQ(seen, value) << "round " << round;
  }
  std::printf("[reliability] set a key in a hostile text | 3000 | the key reads back as set\n");
}

TEST(IniFuzz, ReplaceLeavesOneSectionLastWithExactlyItsBody) {
  std::mt19937 random(11);
  for (int round = 0; round < 3000; ++round) {
    IniText text = RandomText(random, random() % 400);
    std::wstring body;
    std::vector<std::wstring> values;
    for (int i = 0, n = static_cast<int>(random() % 5); i < n; ++i) {
      values.push_back(std::to_wstring(random()));
      body += L"k" + std::to_wstring(i) + L"=" + values.back() + L"\r\n";
    }
    std::wstring expected = ReplacedByLines(text, L"[Schedules]", body);
    ReplaceIniSection(text, L"Schedules", body);
    ASSERT_EQ(text, expected) << "round " << round;
    ASSERT_GE(text.size(), body.size() + 13);
    EXPECT_EQ(text.compare(text.size() - body.size() - 13, 13, L"[Schedules]\r\n"), 0);
    std::vector<std::wstring> read;
    ForEachIniEntry(text, [&](std::wstring_view s, std::wstring_view, std::wstring_view v) {
      if (s == L"Schedules")
        read.emplace_back(v);
    });
    EXPECT_EQ(read, values) << "round " << round;
    // Replacing again with the same body changes nothing.
    IniText again = text;
    ReplaceIniSection(again, L"Schedules", body);
    EXPECT_EQ(again, text);
  }
  std::printf("[reliability] replace a section in a hostile text | 3000 | one section, last, "
              "with exactly its body; replacing again changes nothing\n");
}

TEST(IniFuzz, HugeInputsStayWhole) {
  // One line of 100,000 characters, 10,000 sections, then 200,000 lines
  // without "=" before the last entry (a search for "=" that ran past each
  // line's end made this quadratic).
  IniText text = L"[Window]\r\nWinW=" + std::wstring(100000, L'9') + L"\r\n";
  for (int i = 0; i < 10000; ++i)
    text += L"[S" + std::to_wstring(i) + L"]\r\nk=v\r\n";
  text += L"[Schedules]\r\n";
  for (int i = 0; i < 200000; ++i)
    text += L"no equals sign\r\n";
  text += L"last=entry\r\n";
  SetIniInt(text, L"Window", L"WinH", 320);
  ReplaceIniSection(text, L"S5000", L"k=w\r\n");
  AppSettings settings = StartupSettings();
  AssignSettingsFrom(text, settings);
  EXPECT_EQ(settings.WinW, 2147483647);
  EXPECT_EQ(settings.WinH, 320);
  size_t sections = 0, schedules = 0;
  ForEachIniEntry(text, [&](std::wstring_view section, std::wstring_view, std::wstring_view) {
    ++sections;
    schedules += section == L"Schedules";
  });
  EXPECT_EQ(sections, 10000u + 3u);
  EXPECT_EQ(schedules, 1u);
  std::printf("[reliability] a line of 100,000 characters, 10,000 sections, 200,000 lines "
              "without a key | 1 | set, replace and load work; the 100,000-digit number "
              "saturates\n");
}

TEST(SettingsFuzz, AnyTextLoadsIntoUsableSettings) {
  std::mt19937 random(3);
  static const wchar_t *const kKeys[] = {
      L"WinW",   L"WinH",   L"Margin", L"PosX",    L"PosY",       L"Face",       L"TitlePx",
      L"WeekPx", L"DatePx", L"Bg",     L"Weekday", L"HolidayUrl", L"StartMonday"};
  static const wchar_t *const kSections[] = {L"Window", L"Font", L"Color", L"Option"};
  for (int round = 0; round < 3000; ++round) {
    IniText text;
    for (int i = 0, n = static_cast<int>(random() % 12); i < n; ++i) {
      text += L"[" + std::wstring(kSections[random() % 4]) + L"]\r\n";
      text +=
          std::wstring(kKeys[random() % 13]) + L"=" + RandomText(random, random() % 40) + L"\r\n";
    }
    AppSettings settings = StartupSettings();
    AssignSettingsFrom(text, settings);
    ValidateSettings(settings, {{INT_MIN, INT_MIN, INT_MAX, INT_MAX}}, 26);
    EXPECT_GE(settings.WinW, 100);
    EXPECT_GE(settings.WinH, 100);
    EXPECT_GE(settings.TitlePx, 1);
    EXPECT_NE(settings.Bg, settings.Weekday);
    EXPECT_LT(wcslen(settings.Face), 32u);
    EXPECT_LT(wcslen(settings.HolidayUrl), 512u);
    // What is saved loads back to the same record.
    IniText saved;
    PutSettingsInto(saved, settings);
    AppSettings reloaded = StartupSettings();
    AssignSettingsFrom(saved, reloaded);
    EXPECT_EQ(reloaded.WinW, settings.WinW);
    EXPECT_EQ(reloaded.Bg, settings.Bg);
    EXPECT_STREQ(reloaded.Face, settings.Face);
  }
  std::printf("[reliability] hostile settings sections (random values, 40-digit numbers, "
              "duplicate keys) | 3000 | usable settings; save then load gives the same record\n");
}
