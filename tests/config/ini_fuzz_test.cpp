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
    ForEachIniEntry(
        text, [&](const std::wstring &, const std::wstring &, const std::wstring &) { ++entries; });
    EXPECT_LE(entries, text.size());
  }
  std::printf("[reliability] random bytes as calendar.ini (invalid UTF-8, zero bytes) | 3000 | no "
              "crash; decode, encode and decode again give the same text\n");
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
    ForEachIniEntry(text, [&](const std::wstring &s, const std::wstring &k, const std::wstring &v) {
      if (s == section && k == key && !found) {
        found = true;
        seen = v;
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
    ForEachIniEntry(text, [&](const std::wstring &s, const std::wstring &, const std::wstring &v) {
      if (s == L"Schedules")
        read.push_back(v);
    });
    EXPECT_EQ(read, values) << "round " << round;
    std::vector<std::wstring> alone;
    ForEachIniEntry(text, L"Schedules",
                    [&](const std::wstring &, const std::wstring &, const std::wstring &v) {
                      alone.push_back(v);
                    });
    EXPECT_EQ(alone, values) << "round " << round;
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
  EXPECT_EQ(CountIniEntries(text, L"Schedules"), 1u);
  SetIniInt(text, L"Window", L"WinH", 320);
  ReplaceIniSection(text, L"S5000", L"k=w\r\n");
  AppSettings settings = StartupSettings();
  AssignSettingsFrom(text, settings);
  EXPECT_EQ(settings.WinW, 2147483647);
  EXPECT_EQ(settings.WinH, 320);
  size_t sections = 0;
  ForEachIniEntry(
      text, [&](const std::wstring &, const std::wstring &, const std::wstring &) { ++sections; });
  EXPECT_EQ(sections, 10000u + 3u);
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

TEST(IniFuzz, PiecesDecodeAndEncodeLikeTheWhole) {
  // Multi-byte sequences, surrogate pairs and broken ones, cut anywhere.
  static const char *const kBytes[] = {"a",        "\r\n",     "\xE7\xA5\x9D", "\xF0\x9F\x93\x85",
                                       "\xC3\xA9", "\xE0\x80", "\xFF",         "\x80",
                                       "\xF0\x9F"};
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes;
    while (bytes.size() < 60)
      bytes += kBytes[random() % (sizeof kBytes / sizeof *kBytes)];
    IniText whole = DecodeIniBytes(bytes);
    IniText pieced;
    std::string carried;
    for (size_t at = 0; at < bytes.size();) {
      size_t take = std::min<size_t>(1 + random() % 7, bytes.size() - at);
      std::string piece = carried + bytes.substr(at, take);
      at += take;
      size_t held = AppendIniBytes(pieced, piece.data(), piece.size(), at == bytes.size());
      // However long a run of multi-byte characters, a piece never waits on
      // more than one sequence: reading stays linear.
      ASSERT_LE(held, 4u) << "round " << round;
      carried = piece.substr(piece.size() - held);
    }
    ASSERT_EQ(pieced, whole) << "round " << round;

    std::string encoded = "\xEF\xBB\xBF", piece;
    for (size_t from = 0; from < whole.size();) {
      size_t used = EncodeIniPiece(whole, from, 2 + random() % 5, piece);
      ASSERT_GT(used, 0u);
      encoded += piece;
      from += used;
    }
    ASSERT_EQ(encoded, EncodeIniText(whole)) << "round " << round;
  }
}

TEST(IniFuzz, DecodesAndEncodesLikeThePlatformWhetherWellFormedOrNot) {
  auto platform = [](const std::string &bytes) {
    std::wstring text(bytes.size(), L'\0');
    int count = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                                    &text[0], static_cast<int>(text.size()));
    text.resize(count > 0 ? static_cast<size_t>(count) : 0);
    return text;
  };
  auto utf8 = [](unsigned point, std::string &out) {
    if (point < 0x80) {
      out += static_cast<char>(point);
      return;
    }
    int length = point < 0x800 ? 2 : point < 0x10000 ? 3 : 4;
    out += static_cast<char>((0xF00 >> length) | (point >> (6 * (length - 1))));
    for (int shift = 6 * (length - 2); shift >= 0; shift -= 6)
      out += static_cast<char>(0x80 | ((point >> shift) & 0x3F));
  };
  // Code points at every length and range border, and byte sequences just
  // outside them: overlong, surrogate, beyond U+10FFFF, cut short.
  static const unsigned kPoints[] = {0,       0x41,    0x7F,    0x80,    0x7FF,    0x800,
                                     0xFFF,   0x1000,  0xD7FF,  0xE000,  0xFFFD,   0xFFFF,
                                     0x10000, 0x3FFFF, 0x40000, 0xFFFFF, 0x100000, 0x10FFFF};
  static const char *const kBroken[] = {"\xC0\x80",     "\xC1\xBF",         "\xE0\x9F\xBF",
                                        "\xED\xA0\x80", "\xF0\x8F\xBF\xBF", "\xF4\x90\x80\x80",
                                        "\xF5\x80",     "\xE3\x81",         "\xBF"};
  std::mt19937 random(65001);
  for (int round = 0; round < 2000; ++round) {
    std::string bytes;
    bool broken = round % 2 == 1;
    for (int i = 0; i < 40; ++i) {
      if (broken && random() % 10 == 0)
        bytes += kBroken[random() % (sizeof kBroken / sizeof *kBroken)];
      else
        utf8(random() % 4 ? kPoints[random() % (sizeof kPoints / sizeof *kPoints)]
                          : random() % 0x110000,
             bytes);
    }
    IniText text = platform(bytes);
    ASSERT_EQ(DecodeIniBytes(bytes), text) << "round " << round;
    // And back: the text, lone surrogates and all, encodes as the platform encodes it.
    if (random() % 2 && !text.empty())
      text[random() % text.size()] = static_cast<wchar_t>(0xD800 + random() % 0x800);
    std::string encoded(text.size() * 3 + 3, '\0');
    int size =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &encoded[3],
                            static_cast<int>(encoded.size() - 3), nullptr, nullptr);
    encoded.replace(0, 3, "\xEF\xBB\xBF");
    encoded.resize(3 + static_cast<size_t>(size > 0 ? size : 0));
    ASSERT_EQ(EncodeIniText(text), encoded) << "round " << round;
  }
}
