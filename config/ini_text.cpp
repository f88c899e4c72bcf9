#include "config/ini_text.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwchar>

namespace {

// One line of the text: [begin, end) without its line end; next is where
// the following line starts.
struct Line {
  size_t begin, end, next;
};

// Lines split at LF with one trailing CR removed; a text ending in LF has
// no empty line after it.
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

bool IsHeader(const IniText &text, const Line &line) {
  return line.end - line.begin >= 2 && text[line.begin] == L'[' && text[line.end - 1] == L']';
}

// Only within the line: a search running on into later lines would make a
// file of many lines without "=" quadratic.
size_t FindInLine(const IniText &text, const Line &line, wchar_t what) {
  const wchar_t *begin = text.data() + line.begin;
  const wchar_t *found = std::char_traits<wchar_t>::find(begin, line.end - line.begin, what);
  return found ? static_cast<size_t>(found - text.data()) : IniText::npos;
}

bool LineEquals(const IniText &text, const Line &line, const std::wstring &what) {
  return line.end - line.begin == what.size() && text.compare(line.begin, what.size(), what) == 0;
}

// What valid UTF-8 decodes to: a unit for every byte that starts a
// sequence, two for a four-byte one.
size_t CountUtf16Units(const unsigned char *bytes, size_t size) {
  size_t units = 0;
  for (size_t i = 0; i < size; ++i)
    units += ((bytes[i] & 0xC0) != 0x80) + (bytes[i] >= 0xF0);
  return units;
}

// Decodes well-formed UTF-8, the usual content of the file, at several times
// the platform's speed; false at the first malformed sequence, whose
// replacement is then left to the platform's own rules. Well-formed input
// has only one decoding, so both give the same text.
bool DecodeValidUtf8(const unsigned char *in, size_t size, wchar_t *out) {
  const unsigned char *end = in + size;
  while (in < end) {
    if (end - in >= 8) {
      unsigned long long eight;
      memcpy(&eight, in, 8);
      if ((eight & 0x8080808080808080ULL) == 0) {
        for (int i = 0; i < 8; ++i)
          out[i] = in[i];
        in += 8;
        out += 8;
        continue;
      }
    }
    unsigned lead = *in;
    if (lead < 0x80) {
      *out++ = static_cast<wchar_t>(lead);
      ++in;
      continue;
    }
    // Lengths and the allowed range of the second byte, which excludes
    // overlong forms, surrogates and code points beyond U+10FFFF.
    size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    unsigned low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    unsigned high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    if (lead < 0xC2 || lead > 0xF4 || static_cast<size_t>(end - in) < length || in[1] < low ||
        in[1] > high)
      return false;
    unsigned point = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
      if ((in[i] & 0xC0) != 0x80)
        return false;
      point = (point << 6) | (in[i] & 0x3F);
    }
    in += length;
    if (point >= 0x10000) {
      point -= 0x10000;
      *out++ = static_cast<wchar_t>(0xD800 + (point >> 10));
      *out++ = static_cast<wchar_t>(0xDC00 + (point & 0x3FF));
    } else {
      *out++ = static_cast<wchar_t>(point);
    }
  }
  return true;
}

} // namespace

size_t AppendIniBytes(IniText &text, const char *bytes, size_t size, bool final) {
  // Cut where none of the three bytes before the cut can start a sequence:
  // then no sequence, whole or broken, reaches past it, and the bytes before
  // it decode as they would within the whole file.
  size_t cut = size;
  if (!final) {
    auto lead = [&](size_t back) {
      return cut >= back && static_cast<unsigned char>(bytes[cut - back]) >= 0xC0;
    };
    while (cut > 0 && (lead(1) || lead(2) || lead(3)))
      --cut;
  }
  size_t held = size - cut;
  if (cut == 0 || cut > INT_MAX)
    return held;
  size_t at = text.size();
  const auto *data = reinterpret_cast<const unsigned char *>(bytes);
  text.resize(at + CountUtf16Units(data, cut));
  if (DecodeValidUtf8(data, cut, &text[at]))
    return held;
  text.resize(at);
  // An explicit length keeps zero bytes as U+0000 instead of ending the text there.
  int count = MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(cut), nullptr, 0);
  if (count <= 0)
    return held;
  text.resize(at + static_cast<size_t>(count));
  MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(cut), &text[at], count);
  return held;
}

IniText DecodeIniBytes(const std::string &bytes) {
  size_t start = 0;
  if (bytes.size() >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
      static_cast<unsigned char>(bytes[1]) == 0xBB && static_cast<unsigned char>(bytes[2]) == 0xBF)
    start = 3;
  IniText text;
  AppendIniBytes(text, bytes.data() + start, bytes.size() - start, true);
  return text;
}

size_t EncodeIniPiece(const IniText &text, size_t from, size_t count, std::string &bytes) {
  bytes.clear();
  size_t end = from + std::min(count, text.size() - from);
  if (end < text.size() && end - from > 1 && IS_HIGH_SURROGATE(text[end - 1]))
    --end;
  size_t units = end - from;
  if (units == 0 || units > INT_MAX / 3)
    return 0;
  int length = static_cast<int>(units);
  int size =
      WideCharToMultiByte(CP_UTF8, 0, text.data() + from, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0)
    return 0;
  bytes.resize(static_cast<size_t>(size));
  WideCharToMultiByte(CP_UTF8, 0, text.data() + from, length, &bytes[0], size, nullptr, nullptr);
  return units;
}

std::string EncodeIniText(const IniText &text) {
  std::string bytes;
  EncodeIniPiece(text, 0, text.size(), bytes);
  return "\xEF\xBB\xBF" + bytes;
}

// The entries of every section, or of the one named by only: lines of other
// sections are then passed over without being copied.
static void WalkEntries(const IniText &text, const std::wstring *only, const IniVisitor &visit) {
  // Reused for every entry: a large file then costs no allocation per line.
  std::wstring section, key, value;
  bool wanted = false;
  ForEachLine(text, [&](const Line &line) {
    if (line.end == line.begin)
      return true;
    if (IsHeader(text, line)) {
      section.assign(text, line.begin + 1, line.end - line.begin - 2);
      wanted = !section.empty() && (!only || section == *only);
      return true;
    }
    if (!wanted)
      return true;
    size_t equals = FindInLine(text, line, L'=');
    if (equals == IniText::npos)
      return true;
    key.assign(text, line.begin, equals - line.begin);
    value.assign(text, equals + 1, line.end - equals - 1);
    visit(section, key, value);
    return true;
  });
}

void ForEachIniEntry(const IniText &text, const IniVisitor &visit) {
  WalkEntries(text, nullptr, visit);
}

void ForEachIniEntry(const IniText &text, const std::wstring &section, const IniVisitor &visit) {
  WalkEntries(text, &section, visit);
}

size_t CountIniEntries(const IniText &text, const std::wstring &section) {
  const std::wstring header = L"[" + section + L"]";
  size_t count = 0;
  bool inside = false;
  ForEachLine(text, [&](const Line &line) {
    if (IsHeader(text, line))
      inside = LineEquals(text, line, header);
    else if (inside && FindInLine(text, line, L'=') != IniText::npos)
      ++count;
    return true;
  });
  return count;
}

void SetIniString(IniText &text, const std::wstring &section, const std::wstring &key,
                  const std::wstring &value) {
  const std::wstring newLine = key + L"=" + value + L"\r\n";
  const std::wstring header = L"[" + section + L"]";

  size_t bodyStart = IniText::npos;
  ForEachLine(text, [&](const Line &line) {
    if (!LineEquals(text, line, header))
      return true;
    bodyStart = line.next;
    return false;
  });
  if (bodyStart == IniText::npos) {
    if (!text.empty() && text.back() != L'\n')
      text += L"\r\n";
    text += header + L"\r\n" + newLine;
    return;
  }

  // The body ends where the next line starting with "[" begins. Any LF
  // starts a line, so files with LF-only line ends keep keys in their section.
  size_t bodyEnd = text.size();
  for (size_t at = bodyStart; at < text.size();) {
    if (text[at] == L'[') {
      bodyEnd = at;
      break;
    }
    size_t lf = text.find(L'\n', at);
    if (lf == IniText::npos)
      break;
    at = lf + 1;
  }

  const std::wstring prefix = key + L"=";
  for (size_t at = bodyStart; at < bodyEnd;) {
    size_t lf = text.find(L'\n', at);
    size_t next = lf == IniText::npos || lf >= bodyEnd ? bodyEnd : lf + 1;
    if (text.compare(at, prefix.size(), prefix) == 0 && at + prefix.size() <= bodyEnd) {
      // The line ends at its first CR or LF; CR LF ends together.
      size_t stop = text.find_first_of(L"\r\n", at);
      if (stop == IniText::npos)
        stop = text.size();
      else if (text[stop] == L'\r' && stop + 1 < text.size() && text[stop + 1] == L'\n')
        stop += 2;
      else
        stop += 1;
      text.replace(at, stop - at, newLine);
      return;
    }
    at = next;
  }

  if (bodyEnd == text.size() && !text.empty() && text.back() != L'\n')
    text.insert(bodyEnd, L"\r\n" + newLine);
  else
    text.insert(bodyEnd, newLine);
}

void SetIniInt(IniText &text, const std::wstring &section, const std::wstring &key, int value) {
  SetIniString(text, section, key, std::to_wstring(value));
}

// Every line end as CR LF, but for a last line without any. Copies the text
// only when some line ends in a bare LF, which files written here never do.
static void MakeLineEndsCrLf(IniText &text) {
  size_t bare = 0;
  for (size_t lf = text.find(L'\n'); lf != IniText::npos; lf = text.find(L'\n', lf + 1))
    if (lf == 0 || text[lf - 1] != L'\r')
      ++bare;
  if (bare == 0)
    return;
  IniText result;
  result.reserve(text.size() + bare);
  for (wchar_t c : text) {
    if (c == L'\n' && (result.empty() || result.back() != L'\r'))
      result += L'\r';
    result += c;
  }
  text.swap(result);
}

void ReplaceIniSection(IniText &text, const std::wstring &section, const std::wstring &body) {
  const std::wstring header = L"[" + section + L"]";
  MakeLineEndsCrLf(text);
  // Kept lines move down over the dropped ones inside the same buffer: a
  // large file is then neither copied nor given a second buffer.
  size_t kept = 0;
  bool skipping = false;
  ForEachLine(text, [&](const Line &line) {
    if (IsHeader(text, line))
      skipping = LineEquals(text, line, header);
    if (!skipping) {
      size_t length = line.next - line.begin;
      if (kept != line.begin)
        wmemmove(&text[kept], &text[line.begin], length);
      kept += length;
    }
    return true;
  });
  text.resize(kept);
  if (!text.empty() && text.back() != L'\n')
    text += text.back() == L'\r' ? L"\n" : L"\r\n";
  text.reserve(text.size() + header.size() + 2 + body.size());
  text += header;
  text += L"\r\n";
  text += body;
}

int ScanIniInt(const std::wstring &value) {
  size_t at = 0;
  while (at < value.size() && (value[at] == L' ' || (value[at] >= L'\t' && value[at] <= L'\r')))
    ++at;
  bool negative = false;
  if (at < value.size() && (value[at] == L'+' || value[at] == L'-'))
    negative = value[at++] == L'-';
  long long magnitude = 0;
  for (; at < value.size() && value[at] >= L'0' && value[at] <= L'9'; ++at) {
    magnitude = magnitude * 10 + (value[at] - L'0');
    if (magnitude > 1LL + INT_MAX)
      magnitude = 1LL + INT_MAX; // saturate, keep reading digits
  }
  long long number = negative ? -magnitude : magnitude;
  if (number > INT_MAX)
    return INT_MAX;
  if (number < INT_MIN)
    return INT_MIN;
  return static_cast<int>(number);
}
