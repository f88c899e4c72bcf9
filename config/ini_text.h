// calendar.ini as one wide string: the byte form, the line rules every
// loader shares, and the edits the savers make. Pure text, no file access.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

using IniText = std::wstring;
using IniVisitor = std::function<void(const std::wstring &section, const std::wstring &key,
                                      const std::wstring &value)>;

// Bytes of the file to text: a leading UTF-8 byte-order mark is skipped,
// malformed UTF-8 becomes U+FFFD, zero bytes are kept as U+0000.
IniText DecodeIniBytes(const std::string &bytes);
// Text to the bytes of the file: the byte-order mark, then UTF-8.
std::string EncodeIniText(const IniText &text);
// The same a piece at a time, so that a large file passes through a small
// buffer. AppendIniBytes decodes bytes onto text and returns how many bytes
// at the end it left for the next piece (a sequence the next piece may
// complete), to be passed again in front of it; with final set it decodes
// them all. EncodeIniPiece puts the UTF-8 of up to count units from "from"
// into bytes, one unit fewer where a surrogate pair would be split, and
// returns the number of units taken.
size_t AppendIniBytes(IniText &text, const char *bytes, size_t size, bool final);
size_t EncodeIniPiece(const IniText &text, size_t from, size_t count, std::string &bytes);

// Which lines of one section a read keeps: keep is asked about each line
// below a header of the section that is no header itself, as its UTF-8
// bytes without the line end; the lines of other sections are all kept.
struct IniLineFilter {
  std::wstring section; // ASCII
  std::function<bool(std::string_view line)> keep;
};
// Where a read a piece at a time stands in the filter's judging.
struct IniLineSieve {
  bool inside = false; // whether the next line is within the section
  size_t scanned = 0;  // how many bytes of that line hold no line end
};
// AppendIniBytes for the lines filter keeps: decodes those of the complete
// lines of bytes onto text, and returns how many bytes at the end, a line
// not yet ended, wait for the next piece (none when final). Lines are split
// as ForEachIniEntry splits them, and a kept line decodes as within the
// whole file; a dropped line is never decoded.
size_t AppendSiftedBytes(IniText &text, const char *bytes, size_t size, bool final,
                         const IniLineFilter &filter, IniLineSieve &sieve);

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
