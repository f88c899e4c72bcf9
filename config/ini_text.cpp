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

// Decodes well-formed UTF-8, the usual content of the file, at several times
// the platform's speed, into out, which has room for a unit per byte; the
// end of what it wrote, or null at the first malformed sequence, whose
// replacement is then left to the platform's own rules. Well-formed input
// has only one decoding, so both give the same text.
wchar_t *DecodeValidUtf8(const unsigned char *in, size_t size, wchar_t *out) {
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
    // Three bytes, all of kana and kanji, on a path of their own; the
    // result excludes overlong forms and surrogates.
    if ((lead & 0xF0) == 0xE0 && end - in >= 3 && (in[1] & 0xC0) == 0x80 &&
        (in[2] & 0xC0) == 0x80) {
      unsigned point = ((lead & 0x0F) << 12) | ((in[1] & 0x3Fu) << 6) | (in[2] & 0x3Fu);
      if (point < 0x800 || (point >= 0xD800 && point <= 0xDFFF))
        return nullptr;
      *out++ = static_cast<wchar_t>(point);
      in += 3;
      continue;
    }
    // Lengths and the allowed range of the second byte, which excludes
    // overlong forms, surrogates and code points beyond U+10FFFF.
    size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    unsigned low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
    unsigned high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
    if (lead < 0xC2 || lead > 0xF4 || static_cast<size_t>(end - in) < length || in[1] < low ||
        in[1] > high)
      return nullptr;
    unsigned point = lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
      if ((in[i] & 0xC0) != 0x80)
        return nullptr;
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
  return out;
}

// Encodes well-formed UTF-16, the usual content, in one pass; false at a
// lone surrogate, whose replacement is then left to the platform's rules.
// Well-formed input has only one encoding, so both give the same bytes.
bool EncodeValidUtf16(const wchar_t *in, size_t count, std::string &out) {
  out.resize(count * 3); // a pair's four bytes stand for two units
  auto *at = reinterpret_cast<unsigned char *>(&out[0]);
  for (size_t i = 0; i < count; ++i) {
    unsigned unit = in[i];
    if (unit < 0x80) {
      *at++ = static_cast<unsigned char>(unit);
      continue;
    }
    if (unit < 0x800) {
      *at++ = static_cast<unsigned char>(0xC0 | (unit >> 6));
    } else if (unit < 0xD800 || unit > 0xDFFF) {
      *at++ = static_cast<unsigned char>(0xE0 | (unit >> 12));
      *at++ = static_cast<unsigned char>(0x80 | ((unit >> 6) & 0x3F));
    } else {
      if (unit > 0xDBFF || i + 1 >= count || !IS_LOW_SURROGATE(in[i + 1]))
        return false;
      unit = 0x10000 + ((unit - 0xD800) << 10) + (in[++i] - 0xDC00u);
      *at++ = static_cast<unsigned char>(0xF0 | (unit >> 18));
      *at++ = static_cast<unsigned char>(0x80 | ((unit >> 12) & 0x3F));
      *at++ = static_cast<unsigned char>(0x80 | ((unit >> 6) & 0x3F));
    }
    *at++ = static_cast<unsigned char>(0x80 | (unit & 0x3F));
  }
  out.resize(static_cast<size_t>(at - reinterpret_cast<unsigned char *>(&out[0])));
  return true;
}

} // namespace

size_t AppendIniBytes(IniText &text, const char *bytes, size_t size, bool final) {
  // Cut before one of the last four bytes that is no continuation byte: no
  // sequence, whole or broken, then runs on across the cut, and at most
  // four bytes wait for the next piece however long a run of multi-byte
  // characters is. With four continuation bytes at the end, none of them
  // can belong to a sequence that started before them.
  auto continuation = [&](size_t at) {
    return (static_cast<unsigned char>(bytes[at]) & 0xC0) == 0x80;
  };
  size_t cut = size;
  if (!final) {
    cut = size > 0 ? size - 1 : 0;
    for (size_t back = 1; back <= 4 && back <= size; ++back) {
      if (!continuation(size - back)) {
        cut = size - back;
        break;
      }
    }
  }
  size_t held = size - cut;
  if (cut == 0 || cut > INT_MAX - 3)
    return held;
  size_t at = text.size();
  const auto *data = reinterpret_cast<const unsigned char *>(bytes);
  // Units never outnumber bytes.
  text.resize(at + cut);
  if (wchar_t *decoded = DecodeValidUtf8(data, cut, &text[at])) {
    text.resize(static_cast<size_t>(decoded - text.data()));
    return held;
  }
  text.resize(at);
  // The platform treats a sequence broken by the end of its input unlike
  // one broken by the byte that follows. Followed by three line ends of our
  // own, which no sequence of at most four bytes can take in or run out
  // before, the bytes before the cut decode as they do within the whole
  // file; the line ends' units are dropped again. An explicit length keeps
  // zero bytes as U+0000 instead of ending the text.
  const size_t kEnds = final ? 0 : 3;
  std::string piece(bytes, cut);
  piece.append(kEnds, '\n');
  int length = static_cast<int>(piece.size());
  int count = MultiByteToWideChar(CP_UTF8, 0, piece.data(), length, nullptr, 0);
  if (count <= static_cast<int>(kEnds))
    return held;
  text.resize(at + static_cast<size_t>(count));
  MultiByteToWideChar(CP_UTF8, 0, piece.data(), length, &text[at], count);
  text.resize(text.size() - kEnds);
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
  if (EncodeValidUtf16(text.data() + from, units, bytes))
    return units;
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

// The first LF in [at, end), or null. Eight bytes are looked at together:
// the file is long, its lines short, and a call per line costs more than
// the search.
static const char *FindLineFeed(const char *at, const char *end) {
  constexpr unsigned long long kOnes = 0x0101010101010101ull;
  constexpr unsigned long long kHighs = kOnes * 0x80;
  constexpr unsigned long long kFeeds = kOnes * '\n';
  for (; end - at >= 8; at += 8) {
    unsigned long long word;
    memcpy(&word, at, sizeof word);
    // A byte of word equal to LF leaves a zero byte here, which the
    // subtraction turns into one with its high bit set.
    unsigned long long x = word ^ kFeeds;
    if ((x - kOnes) & ~x & kHighs)
      break;
  }
  for (; at < end; ++at)
    if (*at == '\n')
      return at;
  return nullptr;
}

size_t AppendSiftedBytes(IniText &text, const char *bytes, size_t size, bool final,
                         const IniLineFilter &filter, IniLineSieve &sieve) {
  // Judged on the bytes: the line end, the brackets and every character of
  // the section's name are ASCII, which UTF-8 uses for nothing else. Kept
  // lines are decoded in runs that end with a line end, after which every
  // decoding starts afresh.
  const std::wstring &name = filter.section;
  size_t run = 0;   // the first kept byte not yet decoded
  size_t begin = 0; // the line being judged
  size_t from = std::min(sieve.scanned, size);
  while (begin < size) {
    const char *lf = FindLineFeed(bytes + from, bytes + size);
    if (!lf && !final)
      break;
    size_t next = lf ? static_cast<size_t>(lf - bytes) + 1 : size;
    size_t end = lf ? next - 1 : size;
    if (end > begin && bytes[end - 1] == '\r')
      --end;
    std::string_view line(bytes + begin, end - begin);
    bool keep = true;
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']')
      sieve.inside = line.size() == name.size() + 2 &&
                     std::equal(name.begin(), name.end(), line.begin() + 1, [](wchar_t a, char b) {
                       return a == static_cast<unsigned char>(b);
                     });
    else if (sieve.inside)
      keep = filter.keep(line);
    if (!keep) {
      if (run != begin)
        AppendIniBytes(text, bytes + run, begin - run, true);
      run = next;
    }
    begin = from = next;
  }
  AppendIniBytes(text, bytes + run, begin - run, true);
  sieve.scanned = size - begin;
  return size - begin;
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

void SetIniValues(IniText &text, const std::vector<IniAssignment> &assignments) {
  // Found with the loaders' own line rules in one pass: a key is changed
  // where the loaders read it, its last occurrence in any piece of its
  // section, and a missing key goes to the end of the section's first piece.
  const size_t none = IniText::npos;
  const size_t count = assignments.size();
  std::vector<Line> keyLines(count, Line{none, none, none});
  std::vector<std::wstring> sections;
  std::vector<size_t> pieceEnds; // of each section's first piece; none while unseen
  for (const IniAssignment &assignment : assignments) {
    if (std::find(sections.begin(), sections.end(), assignment.section) == sections.end()) {
      sections.push_back(assignment.section);
      pieceEnds.push_back(none);
    }
  }
  size_t current = none;   // index into sections of the section being walked
  size_t openPiece = none; // a first piece whose end is not yet known
  ForEachLine(text, [&](const Line &line) {
    if (IsHeader(text, line)) {
      if (openPiece != none)
        pieceEnds[openPiece] = line.begin;
      openPiece = none;
      std::wstring_view name(text.data() + line.begin + 1, line.end - line.begin - 2);
      auto found = std::find(sections.begin(), sections.end(), name);
      current = found == sections.end() ? none : static_cast<size_t>(found - sections.begin());
      if (current != none && pieceEnds[current] == none) {
        pieceEnds[current] = text.size(); // seen; corrected when the piece ends
        openPiece = current;
      }
      return true;
    }
    if (current == none)
      return true;
    size_t equals = FindInLine(text, line, L'=');
    if (equals == IniText::npos)
      return true;
    std::wstring_view key(text.data() + line.begin, equals - line.begin);
    for (size_t i = 0; i < count; ++i)
      if (assignments[i].section == sections[current] && key == assignments[i].key)
        keyLines[i] = line;
    return true;
  });

  struct Edit {
    size_t at, erase;
    std::wstring insert;
  };
  std::vector<Edit> edits;
  std::wstring tail; // what goes at the very end, in order
  bool lastLineReplaced = false;
  for (size_t s = 0; s < sections.size(); ++s) {
    std::wstring added; // the section's missing keys, in order
    for (size_t i = 0; i < count; ++i) {
      const IniAssignment &assignment = assignments[i];
      if (assignment.section != sections[s])
        continue;
      std::wstring line = assignment.key + L"=" + assignment.value + L"\r\n";
      // A line break inside a value would split the line in two.
      line.erase(std::remove(line.begin(), line.end() - 2, L'\n'), line.end() - 2);
      if (keyLines[i].begin == none) {
        added += line;
        continue;
      }
      const Line &found = keyLines[i];
      // The whole line as the loaders see it, up to and with its LF, so a
      // CR inside a value leaves nothing behind.
      lastLineReplaced = lastLineReplaced || found.next == text.size();
      edits.push_back({found.begin, found.next - found.begin, std::move(line)});
    }
    if (added.empty())
      continue;
    if (pieceEnds[s] == none)
      tail += L"[" + sections[s] + L"]\r\n" + added;
    else if (pieceEnds[s] == text.size())
      tail.insert(0, added); // existing sections' keys come before new sections
    else
      edits.push_back({pieceEnds[s], 0, std::move(added)});
  }
  // From the back, so that every position found above stays valid.
  std::stable_sort(edits.begin(), edits.end(),
                   [](const Edit &a, const Edit &b) { return a.at > b.at; });
  for (const Edit &edit : edits)
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
