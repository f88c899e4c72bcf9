#include "config/ini_text.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <cwchar>
#include <string_view>
#include <vector>

#include "config/numbers.h"

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

} // namespace

namespace {

// More than this many zero characters and a file is no text of ours.
constexpr size_t kFewZeros = 8;

IniText DecodeCodePage(UINT codePage, const char *bytes, size_t size, DWORD flags) {
  IniText text;
  if (size == 0 || size > INT_MAX)
    return text;
  // One pass into room for the most units the bytes can make (one each); an
  // explicit length keeps a zero byte as a character instead of ending the text.
  text.resize(size);
  int count = MultiByteToWideChar(codePage, flags, bytes, static_cast<int>(size), &text[0],
                                  static_cast<int>(size));
  text.resize(count > 0 ? static_cast<size_t>(count) : 0);
  return text;
}

IniText DecodeUtf16(const std::string &bytes, bool bigEndian) {
  IniText text((bytes.size() - 2) / 2, L'\0');
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned first = static_cast<unsigned char>(bytes[2 + 2 * i]);
    unsigned second = static_cast<unsigned char>(bytes[3 + 2 * i]);
    text[i] = static_cast<wchar_t>(bigEndian ? first << 8 | second : second << 8 | first);
  }
  return text;
}

// Bytes of well-formed multi-byte UTF-8 sequences, and bytes that belong to none.
struct Utf8Tally {
  size_t good = 0, bad = 0;
};

Utf8Tally TallyUtf8(const unsigned char *bytes, size_t size) {
  Utf8Tally tally;
  for (size_t i = 0; i < size;) {
    const unsigned lead = bytes[i];
    if (lead < 0x80) {
      ++i;
      continue;
    }
    size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                    : lead >= 0xE0 && lead <= 0xEF ? 3
                    : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                   : 0;
    // The second byte's range rules out overlong forms, surrogates and
    // points beyond U+10FFFF.
    const unsigned low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    const unsigned high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    size_t k = 1;
    for (; k < length && i + k < size; ++k) {
      const unsigned next = bytes[i + k];
      if (next < (k == 1 ? low : 0x80u) || next > (k == 1 ? high : 0xBFu))
        break;
    }
    if (length > 0 && k == length) {
      tally.good += length;
      i += length;
    } else {
      ++tally.bad;
      ++i;
    }
  }
  return tally;
}

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n' || c == 0xFEFF;
}

// Text with at least one header or key=value line, and few zero characters;
// a text of blank lines only holds nothing and reads as empty.
void Classify(DecodedIni &decoded, size_t zeros) {
  const IniText &text = decoded.text;
  bool structured = false;
  ForEachLine(text, [&](const Line &line) {
    structured = IsHeader(text, line) || FindInLine(text, line, L'=') != IniText::npos;
    return !structured;
  });
  if (!structured && std::all_of(text.begin(), text.end(), IsBlank)) {
    decoded = {IniText(), IniEncoding::Utf8};
    return;
  }
  if (!structured || zeros > kFewZeros)
    decoded.encoding = IniEncoding::NotText;
}

size_t CountZeroBytes(const std::string &bytes, size_t start) {
  size_t zeros = 0;
  for (const char *at = bytes.data() + start, *end = bytes.data() + bytes.size();
       (at = static_cast<const char *>(memchr(at, 0, static_cast<size_t>(end - at)))) != nullptr;
       ++at)
    ++zeros;
  return zeros;
}

DecodedIni DecodeEightBit(const std::string &bytes, size_t start) {
  const char *data = bytes.data() + start;
  const size_t size = bytes.size() - start;
  DecodedIni decoded = {DecodeCodePage(CP_UTF8, data, size, 0), IniEncoding::Utf8};
  // Older Japanese Notepad's "ANSI": no mark, and bytes that are mostly not
  // UTF-8 but are clean code page 932. A few stray bytes in UTF-8 text stay
  // UTF-8, each read as U+FFFD.
  if (start == 0) {
    Utf8Tally tally = TallyUtf8(reinterpret_cast<const unsigned char *>(data), size);
    if (tally.bad > tally.good) {
      IniText japanese = DecodeCodePage(932, data, size, MB_ERR_INVALID_CHARS);
      if (!japanese.empty())
        decoded = {std::move(japanese), IniEncoding::Cp932};
    }
  }
  Classify(decoded, CountZeroBytes(bytes, start));
  return decoded;
}

} // namespace

DecodedIni DecodeIniFile(const std::string &bytes) {
  if (bytes.size() >= 2 &&
      ((bytes[0] == '\xFF' && bytes[1] == '\xFE') || (bytes[0] == '\xFE' && bytes[1] == '\xFF'))) {
    DecodedIni wide = {DecodeUtf16(bytes, bytes[0] == '\xFE'), IniEncoding::Utf16};
    Classify(wide, static_cast<size_t>(std::count(wide.text.begin(), wide.text.end(), L'\0')));
    if (wide.encoding != IniEncoding::NotText)
      return wide;
    // A stray mark before eight-bit text: the text counts, not the mark.
    DecodedIni narrow = DecodeEightBit(bytes, 2);
    return narrow.encoding == IniEncoding::NotText ? wide : narrow;
  }
  return DecodeEightBit(bytes, bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0);
}

IniText DecodeIniBytes(const std::string &bytes) {
  return DecodeIniFile(bytes).text;
}

std::string EncodeIniText(const IniText &text) {
  // One pass into room for the most bytes the units can make (three each).
  std::string bytes("\xEF\xBB\xBF");
  if (text.empty() || text.size() > INT_MAX / 3)
    return bytes;
  int room = static_cast<int>(text.size() * 3);
  bytes.resize(3 + static_cast<size_t>(room));
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[3],
                                 room, nullptr, nullptr);
  bytes.resize(3 + static_cast<size_t>(size > 0 ? size : 0));
  return bytes;
}

// The entries of every section, or of the one named by only: lines of other
// sections are then passed over without being copied.
static void WalkEntries(const IniText &text, const std::wstring *only, size_t onlyCount,
                        const IniVisitor &visit) {
  // Reused for every entry: a large file then costs no allocation per line.
  std::wstring section, key, value;
  bool wanted = false;
  ForEachLine(text, [&](const Line &line) {
    if (line.end == line.begin)
      return true;
    if (IsHeader(text, line)) {
      section.assign(text, line.begin + 1, line.end - line.begin - 2);
      wanted = !section.empty() &&
               (!only || std::find(only, only + onlyCount, section) != only + onlyCount);
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
  WalkEntries(text, nullptr, 0, visit);
}

void ForEachIniEntry(const IniText &text, const std::wstring &section, const IniVisitor &visit) {
  WalkEntries(text, &section, 1, visit);
}

void ForEachIniEntry(const IniText &text, const std::vector<std::wstring> &sections,
                     const IniVisitor &visit) {
  WalkEntries(text, sections.data(), sections.size(), visit);
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

unsigned long long IniSectionFingerprint(const IniText &text, const std::wstring &section) {
  // FNV-1a over every value, several characters a step, each value closed
  // by a mark no value holds.
  unsigned long long hash = 14695981039346656037ULL;
  auto mix = [&hash](unsigned long long value) {
    hash ^= value;
    hash *= 1099511628211ULL;
  };
  constexpr size_t kStep = sizeof(unsigned long long) / sizeof(wchar_t);
  const std::wstring header = L"[" + section + L"]";
  bool inside = false;
  ForEachLine(text, [&](const Line &line) {
    if (IsHeader(text, line)) {
      inside = LineEquals(text, line, header);
      return true;
    }
    size_t equals = inside ? FindInLine(text, line, L'=') : IniText::npos;
    if (equals == IniText::npos)
      return true;
    size_t at = equals + 1;
    for (; line.end - at >= kStep; at += kStep) {
      unsigned long long step;
      memcpy(&step, text.data() + at, sizeof step);
      mix(step);
    }
    for (; at < line.end; ++at)
      mix(static_cast<unsigned>(text[at]));
    mix(0x10000u);
    return true;
  });
  return hash;
}

namespace {

// Where a set of assignments lands, found with the loaders' own line rules
// in one pass: a key is changed where the loaders read it, its last
// occurrence in any piece of its section; a missing key goes to the end of
// the section's first piece.
struct AssignmentPlan {
  std::vector<Line> keyLines;         // per assignment; begin is npos for a missing key
  std::vector<std::wstring> sections; // each once, in the order first assigned
  std::vector<size_t> pieceEnds;      // of each section's first piece; npos while unseen
};

AssignmentPlan PlanAssignments(const IniText &text, const std::vector<IniAssignment> &assignments) {
  const size_t none = IniText::npos;
  AssignmentPlan plan;
  plan.keyLines.assign(assignments.size(), Line{none, none, none});
  for (const IniAssignment &assignment : assignments) {
    if (std::find(plan.sections.begin(), plan.sections.end(), assignment.section) ==
        plan.sections.end()) {
      plan.sections.push_back(assignment.section);
      plan.pieceEnds.push_back(none);
    }
  }
  size_t current = none;   // index into sections of the section being walked
  size_t openPiece = none; // a first piece whose end is not yet known
  ForEachLine(text, [&](const Line &line) {
    if (IsHeader(text, line)) {
      if (openPiece != none)
        plan.pieceEnds[openPiece] = line.begin;
      openPiece = none;
      std::wstring_view name(text.data() + line.begin + 1, line.end - line.begin - 2);
      auto found = std::find(plan.sections.begin(), plan.sections.end(), name);
      current =
          found == plan.sections.end() ? none : static_cast<size_t>(found - plan.sections.begin());
      if (current != none && plan.pieceEnds[current] == none) {
        plan.pieceEnds[current] = text.size(); // seen; corrected when the piece ends
        openPiece = current;
      }
      return true;
    }
    size_t equals = current == none ? none : FindInLine(text, line, L'=');
    if (equals == none)
      return true;
    std::wstring_view key(text.data() + line.begin, equals - line.begin);
    for (size_t i = 0; i < assignments.size(); ++i)
      if (assignments[i].section == plan.sections[current] && key == assignments[i].key)
        plan.keyLines[i] = line;
    return true;
  });
  return plan;
}

// "key=value" and CR LF; a line break inside a value would split the line.
std::wstring AssignmentLine(const IniAssignment &assignment) {
  std::wstring line = assignment.key + L"=" + assignment.value;
  line.erase(std::remove(line.begin(), line.end(), L'\n'), line.end());
  return line + L"\r\n";
}

struct TextEdit {
  size_t at, erase;
  std::wstring insert;
};

} // namespace

void SetIniValues(IniText &text, const std::vector<IniAssignment> &assignments) {
  const AssignmentPlan plan = PlanAssignments(text, assignments);
  std::vector<TextEdit> edits;
  std::wstring tail; // what goes at the very end, in order
  bool lastLineReplaced = false;
  for (size_t s = 0; s < plan.sections.size(); ++s) {
    std::wstring added; // the section's missing keys, in order
    for (size_t i = 0; i < assignments.size(); ++i) {
      if (assignments[i].section != plan.sections[s])
        continue;
      const Line &found = plan.keyLines[i];
      if (found.begin == IniText::npos) {
        added += AssignmentLine(assignments[i]);
        continue;
      }
      // The whole line as the loaders see it, up to and with its LF, so a
      // CR inside a value leaves nothing behind.
      lastLineReplaced = lastLineReplaced || found.next == text.size();
      edits.push_back({found.begin, found.next - found.begin, AssignmentLine(assignments[i])});
    }
    if (added.empty())
      continue;
    if (plan.pieceEnds[s] == IniText::npos)
      tail += L"[" + plan.sections[s] + L"]\r\n" + added;
    else if (plan.pieceEnds[s] == text.size())
      tail.insert(0, added); // existing sections' keys come before new sections
    else
      edits.push_back({plan.pieceEnds[s], 0, std::move(added)});
  }
  // From the back, so that every position found stays valid.
  std::stable_sort(edits.begin(), edits.end(),
                   [](const TextEdit &a, const TextEdit &b) { return a.at > b.at; });
  for (const TextEdit &edit : edits)
    text.replace(edit.at, edit.erase, edit.insert);
  if (tail.empty())
    return;
  if (!text.empty() && text.back() != L'\n' && !lastLineReplaced)
    text += L"\r\n";
  text += tail;
}

void SetIniString(IniText &text, const std::wstring &section, const std::wstring &key,
                  const std::wstring &value) {
  SetIniValues(text, {{section, key, value}});
}

void SetIniInt(IniText &text, const std::wstring &section, const std::wstring &key, int value) {
  SetIniString(text, section, key, DecimalText(value));
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
