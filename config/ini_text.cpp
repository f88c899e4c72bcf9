#include "config/ini_text.h"

#include <windows.h>

#include <algorithm>
#include <climits>
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

bool LineEquals(const IniText &text, const Line &line, const std::wstring &what) {
  return line.end - line.begin == what.size() && text.compare(line.begin, what.size(), what) == 0;
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
  size_t length = size - held;
  if (length == 0 || length > INT_MAX)
    return held;
  // An explicit length keeps zero bytes as U+0000 instead of ending the text there.
  int count = MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(length), nullptr, 0);
  if (count <= 0)
    return held;
  size_t at = text.size();
  text.resize(at + static_cast<size_t>(count));
  MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(length), &text[at], count);
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

void ForEachIniEntry(const IniText &text, const IniVisitor &visit) {
  // Reused for every entry: a large file then costs no allocation per line.
  std::wstring section, key, value;
  ForEachLine(text, [&](const Line &line) {
    if (line.end == line.begin)
      return true;
    if (IsHeader(text, line)) {
      section.assign(text, line.begin + 1, line.end - line.begin - 2);
      return true;
    }
    if (section.empty())
      return true;
    size_t equals = text.find(L'=', line.begin);
    if (equals == IniText::npos || equals >= line.end)
      return true;
    key.assign(text, line.begin, equals - line.begin);
    value.assign(text, equals + 1, line.end - equals - 1);
    visit(section, key, value);
    return true;
  });
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
