// calendar.ini as one wide string: the byte form, the line rules every
// loader shares, and the edits the savers make. Pure text, no file access.
#pragma once
#include <functional>
#include <string>
#include <vector>

using IniText = std::wstring;
using IniVisitor = std::function<void(const std::wstring &section, const std::wstring &key,
                                      const std::wstring &value)>;

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
// The text alone.
IniText DecodeIniBytes(const std::string &bytes);
// Text to the bytes of the file: the byte-order mark, then UTF-8.
std::string EncodeIniText(const IniText &text);

// Calls visit for every key=value line below a non-empty section header, in
// file order. The strings are valid during the call only.
void ForEachIniEntry(const IniText &text, const IniVisitor &visit);
// The same for one section, or some: the lines of the others are passed
// over at once.
void ForEachIniEntry(const IniText &text, const std::wstring &section, const IniVisitor &visit);
void ForEachIniEntry(const IniText &text, const std::vector<std::wstring> &sections,
                     const IniVisitor &visit);
// How many entries of the section ForEachIniEntry would visit, without
// visiting them: lets a loader size its list once.
size_t CountIniEntries(const IniText &text, const std::wstring &section);
// A fingerprint of the values of the section's entries, in file order, as
// ForEachIniEntry would report them; read in place, nothing copied.
unsigned long long IniSectionFingerprint(const IniText &text, const std::wstring &section);
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
void ReplaceIniSection(IniText &text, const std::wstring &section, const std::wstring &body);
