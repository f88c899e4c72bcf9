// calendar.ini as one wide string: the byte form, the line rules every
// loader shares, and the edits the savers make. Pure text, no file access.
#pragma once
#include <functional>
#include <string>

using IniText = std::wstring;
using IniVisitor = std::function<void(const std::wstring &section, const std::wstring &key,
                                      const std::wstring &value)>;

// Bytes of the file to text: a leading UTF-8 byte-order mark is skipped,
// malformed UTF-8 becomes U+FFFD, zero bytes are kept as U+0000.
IniText DecodeIniBytes(const std::string &bytes);
// Text to the bytes of the file: the byte-order mark, then UTF-8.
std::string EncodeIniText(const IniText &text);

// Calls visit for every key=value line below a non-empty section header, in
// file order. The strings are valid during the call only.
void ForEachIniEntry(const IniText &text, const IniVisitor &visit);
// Sets one key in one section, in place; adds the key or the section when missing.
void SetIniString(IniText &text, const std::wstring &section, const std::wstring &key,
                  const std::wstring &value);
void SetIniInt(IniText &text, const std::wstring &section, const std::wstring &key, int value);
// Drops every piece of the section and appends it anew, with body (lines
// ending in CR LF), at the end; every other line end becomes CR LF.
void ReplaceIniSection(IniText &text, const std::wstring &section, const std::wstring &body);

// The number at the start of a value, read like "%d" (leading white space,
// optional sign, digits); 0 when there is none; saturates at the int range.
int ScanIniInt(const std::wstring &value);
