#include "config/ini_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "tests/support/test_support.h"

namespace {

using Entry = std::tuple<std::wstring, std::wstring, std::wstring>;

std::vector<Entry> Entries(const IniText &text) {
  std::vector<Entry> entries;
  ForEachIniEntry(
      text, [&](std::wstring_view section, std::wstring_view key, std::wstring_view value) {
        entries.emplace_back(std::wstring(section), std::wstring(key), std::wstring(value));
      });
  return entries;
}

} // namespace

TEST(IniBytes, ByteOrderMarkIsSkippedWhenPresentAndAlwaysWritten) {
  EXPECT_EQ(DecodeIniBytes("\xEF\xBB\xBF[A]\r\n"), L"[A]\r\n");
  EXPECT_EQ(DecodeIniBytes("[A]\r\n"), L"[A]\r\n");
  EXPECT_EQ(DecodeIniBytes("\xEF\xBB\xBF"), L"");
  EXPECT_EQ(DecodeIniBytes(""), L"");
  EXPECT_EQ(EncodeIniText(L"[A]\r\n"), "\xEF\xBB\xBF[A]\r\n");
  EXPECT_EQ(EncodeIniText(L"祝日"), "\xEF\xBB\xBF\xE7\xA5\x9D\xE6\x97\xA5");
}

// What the bytes are read as: UTF-16 by its mark, older Notepad's code page
// 932 by bytes that fail as UTF-8, UTF-8 otherwise; what is no text of ours.
TEST(IniBytes, OtherEncodingsAndWhatIsNoText) {
  const std::wstring text = L"[Schedules]\r\n0001=2026/01/01 09:00|会議室 4|\r\n";
  const std::string utf8 = EncodeIniText(text).substr(3);
  const std::string binary = "\x89PNG\r\n\x1A\n" + std::string(40, '\0') + "IHDR";
  const struct {
    const char *what;
    std::string bytes;
    IniEncoding encoding;
    bool readsAsText;
  } cases[] = {
      {"UTF-16 little-endian", Utf16Bytes(text, false), IniEncoding::Utf16, true},
      {"UTF-16 big-endian", Utf16Bytes(text, true), IniEncoding::Utf16, true},
      {"code page 932 without a mark", Cp932Bytes(text), IniEncoding::Cp932, true},
      {"UTF-8 without a mark", utf8, IniEncoding::Utf8, true},
      {"UTF-8 with one stray byte", utf8 + "\x82\r\n", IniEncoding::Utf8, false},
      {"a UTF-16 mark before UTF-8", "\xFF\xFE" + utf8, IniEncoding::Utf8, true},
      {"more than a few zero bytes", utf8 + std::string(9, '\0'), IniEncoding::NotText, false},
      {"a picture", binary, IniEncoding::NotText, false},
      {"no header and no key", "just some words\r\n", IniEncoding::NotText, false},
      {"blank lines only", "\xEF\xBB\xBF \r\n\t\r\n", IniEncoding::Utf8, false},
  };
  for (const auto &c : cases) {
    DecodedIni decoded = DecodeIniFile(c.bytes);
    EXPECT_EQ(decoded.encoding, c.encoding) << c.what;
    EXPECT_EQ(decoded.text == text, c.readsAsText) << c.what;
  }
  EXPECT_TRUE(DecodeIniFile("\xEF\xBB\xBF \r\n\t\r\n").text.empty());
}

TEST(IniBytes, MalformedUtf8BecomesReplacementCharacter) {
  IniText text = DecodeIniBytes("a\xFF"
                                "b");
  EXPECT_EQ(text, L"a\xFFFD"
                  L"b");
}

TEST(IniBytes, ZeroByteDoesNotCutTheText) {
  std::string bytes("\xEF\xBB\xBF[A]\r\nk=1\0x\r\n[B]\r\nm=2\r\n", 25);
  IniText text = DecodeIniBytes(bytes);
  ASSERT_EQ(text.size(), 22u);
  EXPECT_EQ(EncodeIniText(text), bytes);
}

TEST(IniEntries, FollowTheLineRules) {
  IniText text = L"before=ignored\r\n"
                 L"[Window]\r\n"
                 L"WinW = 300\r\n"
                 L"\r\n"
                 L"no equals sign\r\n"
                 L"[Window]x\r\n"
                 L"a=b=c\n"
                 L"[]\r\n"
                 L"hidden=1\r\n"
                 L"[Font]\r\n"
                 L"Face=\r\n"
                 L"last=no end";
  std::vector<Entry> expected = {{L"Window", L"WinW ", L" 300"},
                                 {L"Window", L"a", L"b=c"},
                                 {L"Font", L"Face", L""},
                                 {L"Font", L"last", L"no end"}};
  EXPECT_EQ(Entries(text), expected);
}

TEST(IniEntries, SectionInSeveralPiecesReportsAllOfThem) {
  IniText text = L"[S]\r\nk=1\r\n[T]\r\nx=0\r\n[S]\r\nk=2\r\n";
  std::vector<Entry> expected = {{L"S", L"k", L"1"}, {L"T", L"x", L"0"}, {L"S", L"k", L"2"}};
  EXPECT_EQ(Entries(text), expected);
}

struct SetCase {
  const wchar_t *name;
  const wchar_t *before;
  const wchar_t *section;
  const wchar_t *key;
  const wchar_t *value;
  const wchar_t *after;
};

TEST(IniSet, AddsReplacesAndKeepsEverythingElse) {
  const SetCase cases[] = {
      {L"empty text", L"", L"Window", L"WinW", L"300", L"[Window]\r\nWinW=300\r\n"},
      {L"missing section after text without line end", L"[A]\r\nk=1", L"Window", L"WinW", L"300",
       L"[A]\r\nk=1\r\n[Window]\r\nWinW=300\r\n"},
      {L"missing key goes last in its section", L"[Window]\r\nWinW=300\r\n[Font]\r\n", L"Window",
       L"WinH", L"320", L"[Window]\r\nWinW=300\r\nWinH=320\r\n[Font]\r\n"},
      {L"existing key replaced with its line end", L"[Window]\r\nWinW=3\r\nWinH=4\r\n", L"Window",
       L"WinW", L"30000", L"[Window]\r\nWinW=30000\r\nWinH=4\r\n"},
      {L"key of a later section untouched", L"[Window]\r\n[Font]\r\nWinW=1\r\n", L"Window", L"WinW",
       L"2", L"[Window]\r\nWinW=2\r\n[Font]\r\nWinW=1\r\n"},
      {L"key inside another line is no key", L"[Window]\r\nXWinW=1\r\n", L"Window", L"WinW", L"2",
       L"[Window]\r\nXWinW=1\r\nWinW=2\r\n"},
      {L"header inside a line is no header", L"[S]\r\n1=a [Color] b\r\n", L"Color", L"Bg", L"0",
       L"[S]\r\n1=a [Color] b\r\n[Color]\r\nBg=0\r\n"},
      {L"section at the end without line end", L"[Window]\r\nWinW=1", L"Window", L"WinH", L"2",
       L"[Window]\r\nWinW=1\r\nWinH=2\r\n"},
      {L"LF-only file keeps the key in its section", L"[Window]\nWinW=1\n[Font]\nFace=x\n",
       L"Window", L"WinH", L"2", L"[Window]\nWinW=1\nWinH=2\r\n[Font]\nFace=x\n"},
      {L"value with an equals sign", L"", L"Option", L"HolidayUrl", L"http://h/?a=b",
       L"[Option]\r\nHolidayUrl=http://h/?a=b\r\n"},
  };
  for (const SetCase &c : cases) {
    IniText text = c.before;
    SetIniString(text, c.section, c.key, c.value);
    EXPECT_EQ(text, c.after) << c.name;
  }
}

TEST(IniSet, IntegersAsDecimalText) {
  IniText text;
  SetIniInt(text, L"W", L"Min", -2147483647 - 1);
  SetIniInt(text, L"W", L"Zero", 0);
  EXPECT_EQ(text, L"[W]\r\nMin=-2147483648\r\nZero=0\r\n");
}

TEST(IniReplace, MovesTheSectionToTheEndAndDropsEveryPiece) {
  IniText text = L"top line\n"
                 L"[Schedules]\n0001=a\n\n"
                 L"[Window]\nWinW=1\n\n"
                 L"[Schedules]\r\n0002=b\r\n"
                 L"[Font]\r\nFace=x";
  ReplaceIniSection(text, L"Schedules", L"0001=new\r\n");
  EXPECT_EQ(text, L"top line\r\n[Window]\r\nWinW=1\r\n\r\n[Font]\r\nFace=x\r\n"
                  L"[Schedules]\r\n0001=new\r\n");
}

TEST(IniReplace, EmptyBodyStillWritesTheHeaderAndOtherCaseIsAnotherSection) {
  IniText text = L"[schedules]\r\nk=v\r\n";
  ReplaceIniSection(text, L"Schedules", L"");
  EXPECT_EQ(text, L"[schedules]\r\nk=v\r\n[Schedules]\r\n");
}
