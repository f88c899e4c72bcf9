// calendar.ini as one wide string: the byte form, the line rules every
// loader shares, and the edits the savers make. Pure text, no file access.
#pragma once
#include <string>
#include <string_view>
#include <vector>

using IniText = std::wstring;
// The line rules every reader and editor of the text shares.
namespace IniLines {

// One line of the text: [begin, end) without its line end; next is where
// the following line starts.
struct Line {
  size_t begin, end, next;
};

// Lines split at LF with one trailing CR removed; a text ending in LF has
// no empty line after it. visit returns false to stop.
template <typename Visit> void ForEachLine(const IniText &text, Visit visit) {
  size_t begin = 0;
  while (begin < text.size()) {
    size_t lf = text.find(L'\n', begin);
    size_t next = lf == IniText::npos ? text.size() : lf + 1;
    size_t end = lf == IniText::npos ? text.size() : lf;
    if (end > begin && text[end - 1] == L'\r')
      --end;
    if (!visit(Line{begin, end, next}))
      return;
    begin = next;
  }
}

inline bool IsHeader(const IniText &text, const Line &line) {
  return line.end - line.begin >= 2 && text[line.begin] == L'[' && text[line.end - 1] == L']';
}

// Only within the line: a search running on into later lines would make a
// file of many lines without "=" quadratic.
inline size_t FindInLine(const IniText &text, const Line &line, wchar_t what) {
  const wchar_t *begin = text.data() + line.begin;
  const wchar_t *found = std::char_traits<wchar_t>::find(begin, line.end - line.begin, what);
  return found ? static_cast<size_t>(found - text.data()) : IniText::npos;
}

} // namespace IniLines

// How the file's bytes were read. Every file is written back as UTF-8.
enum class IniEncoding {
  Utf8,    // with or without the byte-order mark; malformed sequences as U+FFFD
  Utf16,   // a UTF-16 byte-order mark, in either order
  Cp932,   // no mark, and bytes that fail as UTF-8 but are clean code page 932
  NotText, // NUL bytes beyond a few, or no line that is a header or key=value
};
struct DecodedIni {
  IniText text; // for NotText what UTF-8 makes of it; no writer builds on it
  IniEncoding encoding;
};
// Bytes of the file to text, by the platform's converters; zero bytes are
// kept as U+0000. A file of blank lines only is empty text.
DecodedIni DecodeIniFile(const std::string &bytes);
// The same as the bytes arrive, in pieces of any size, with the same
// result: a file with the UTF-8 mark is decoded line by line straight into
// its text, any other is kept and decoded whole at the end. expectedBytes:
// the file's size, to reserve room once.
struct IniDecoder {
  enum class Mode { Unknown, Utf8, Whole } mode = Mode::Unknown;
  size_t expected = 0;
  std::string pending; // the first bytes, a line not yet ended, or the whole file
  IniText text;
  size_t zeros = 0;
};
void StartIniDecode(IniDecoder &decoder, size_t expectedBytes);
void FeedIniBytes(IniDecoder &decoder, const char *bytes, size_t size);
DecodedIni EndIniDecode(IniDecoder &decoder);
// Text to the bytes of the file, the byte-order mark then UTF-8, in pieces
// of at most 96 KiB: each call gives the next, an empty one at the end (or
// with failed set, when the text could not be converted). No piece ends
// inside a surrogate pair. The text, set before the first call, must outlive
// the encoder.
struct IniEncoder {
  const IniText *text = nullptr;
  size_t at = 0;       // units given so far
  bool marked = false; // the byte-order mark given
  bool failed = false;
  std::string piece;
};
std::string_view NextIniBytes(IniEncoder &encoder);

// Calls visit(section, key, value) for every key=value line below a
// non-empty section header, in file order, with views into the text: the
// one walk every reader of the file makes, and no line is copied.
template <typename Visit> void ForEachIniEntry(const IniText &text, Visit visit) {
  using namespace IniLines;
  std::wstring_view section;
  ForEachLine(text, [&](const Line &line) {
    if (line.end == line.begin)
      return true;
    if (IsHeader(text, line)) {
      section = std::wstring_view(text.data() + line.begin + 1, line.end - line.begin - 2);
      return true;
    }
    size_t equals = section.empty() ? IniText::npos : FindInLine(text, line, L'=');
    if (equals != IniText::npos)
      visit(section, std::wstring_view(text.data() + line.begin, equals - line.begin),
            std::wstring_view(text.data() + equals + 1, line.end - equals - 1));
    return true;
  });
}
// The fingerprint of one section's values, in file order: fold each value
// into hash, starting from kIniFingerprintStart.
constexpr unsigned long long kIniFingerprintStart = 14695981039346656037ULL;
void MixIniFingerprint(unsigned long long &hash, std::wstring_view value);
unsigned long long IniSectionFingerprint(const IniText &text, std::wstring_view section);
// Sets one key in one section, in place, at the occurrence the loaders read
// (the last one in any piece of the section); a missing key is added at the
// end of the section's first piece, a missing section at the end.
void SetIniString(IniText &text, const std::wstring &section, const std::wstring &key,
                  const std::wstring &value);
void SetIniInt(IniText &text, const std::wstring &section, const std::wstring &key, int value);
// Several keys in one pass over the text, as SetIniString for each in turn would.
struct IniAssignment {
  std::wstring section, key, value;
};
void SetIniValues(IniText &text, const std::vector<IniAssignment> &assignments);
// Drops every piece of the section and appends it anew, with body (lines
// ending in CR LF), at the end; every other line end becomes CR LF.
void ReplaceIniSection(IniText &text, std::wstring_view section, const std::wstring &body);
