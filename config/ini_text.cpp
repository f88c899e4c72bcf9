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

using IniLines::FindInLine;
using IniLines::ForEachLine;
using IniLines::IsHeader;
using IniLines::Line;

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

size_t CountZeroBytes(std::string_view bytes) {
  size_t zeros = 0;
  for (const char *at = bytes.data(), *end = bytes.data() + bytes.size();
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
  Classify(decoded, CountZeroBytes(std::string_view(bytes).substr(start)));
  return decoded;
}

} // namespace

// The whole file's bytes at once: how files without a UTF-8 mark are read.
static DecodedIni DecodeWhole(const std::string &bytes) {
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
  return DecodeEightBit(bytes, 0);
}

namespace {

const char kUtf8Mark[] = "\xEF\xBB\xBF";

// Lines of a marked UTF-8 file onto the end of the text, decoded in place:
// a line end is never inside a character, so pieces cut after one decode
// as the whole would.
void AppendUtf8(IniDecoder &decoder, const char *bytes, size_t size) {
  if (size == 0 || size > INT_MAX)
    return;
  IniText &text = decoder.text;
  const size_t at = text.size();
  text.resize(at + size);
  int count = MultiByteToWideChar(CP_UTF8, 0, bytes, static_cast<int>(size), &text[at],
                                  static_cast<int>(size));
  text.resize(at + static_cast<size_t>(count > 0 ? count : 0));
  decoder.zeros += CountZeroBytes(std::string_view(bytes, size));
}

// Decoded up to a line end with no first byte of a character among the two
// bytes before it; the bytes after it wait for the rest of their line. A
// converter meeting the end of its input inside a character may take the
// bytes left as part of it: a piece cut so leaves it none to take.
void FeedUtf8(IniDecoder &decoder, const char *bytes, size_t size) {
  auto notLead = [](char c) { return static_cast<unsigned char>(c) < 0xC0; };
  size_t cut = size;
  while (cut >= 3 &&
         !(bytes[cut - 1] == '\n' && notLead(bytes[cut - 2]) && notLead(bytes[cut - 3])))
    --cut;
  if (cut < 3) {
    decoder.pending.append(bytes, size);
    return;
  }
  if (!decoder.pending.empty()) {
    decoder.pending.append(bytes, cut);
    AppendUtf8(decoder, decoder.pending.data(), decoder.pending.size());
    decoder.pending.clear();
  } else {
    AppendUtf8(decoder, bytes, cut);
  }
  decoder.pending.assign(bytes + cut, size - cut);
}

} // namespace

void StartIniDecode(IniDecoder &decoder, size_t expectedBytes) {
  decoder = IniDecoder();
  decoder.expected = expectedBytes;
}

void FeedIniBytes(IniDecoder &decoder, const char *bytes, size_t size) {
  using Mode = IniDecoder::Mode;
  if (decoder.mode == Mode::Unknown) {
    // The first three bytes tell: a UTF-8 mark, or a file read whole at the end.
    size_t take = std::min(size, 3 - decoder.pending.size());
    decoder.pending.append(bytes, take);
    bytes += take;
    size -= take;
    if (decoder.pending.size() < 3)
      return;
    if (decoder.pending == kUtf8Mark) {
      decoder.mode = Mode::Utf8;
      decoder.pending.clear();
      // Room for the most characters the bytes can make, taken only as used.
      decoder.text.reserve(decoder.expected);
    } else {
      decoder.mode = Mode::Whole;
      decoder.pending.reserve(decoder.expected);
    }
  }
  if (decoder.mode == Mode::Utf8)
    FeedUtf8(decoder, bytes, size);
  else
    decoder.pending.append(bytes, size);
}

DecodedIni EndIniDecode(IniDecoder &decoder) {
  DecodedIni decoded;
  if (decoder.mode == IniDecoder::Mode::Utf8) {
    AppendUtf8(decoder, decoder.pending.data(), decoder.pending.size());
    decoded = {std::move(decoder.text), IniEncoding::Utf8};
    Classify(decoded, decoder.zeros);
  } else {
    decoded = DecodeWhole(decoder.pending);
  }
  decoder = IniDecoder();
  return decoded;
}

DecodedIni DecodeIniFile(const std::string &bytes) {
  IniDecoder decoder;
  StartIniDecode(decoder, bytes.size());
  FeedIniBytes(decoder, bytes.data(), bytes.size());
  return EndIniDecode(decoder);
}

std::string_view NextIniBytes(IniEncoder &encoder) {
  if (!encoder.marked) {
    encoder.marked = true;
    return std::string_view(kUtf8Mark, 3);
  }
  const IniText &text = *encoder.text;
  if (encoder.at >= text.size())
    return std::string_view();
  // One small buffer used again for every piece: a long file's bytes never
  // stand in memory whole beside its text.
  constexpr size_t kUnits = 1 << 15;
  encoder.piece.resize(kUnits * 3);
  size_t count = std::min(kUnits, text.size() - encoder.at);
  // Both halves of a surrogate pair go into one piece, or each would be
  // written as a replacement mark.
  if (encoder.at + count < text.size() && IS_HIGH_SURROGATE(text[encoder.at + count - 1]))
    --count;
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data() + encoder.at, static_cast<int>(count),
                                 &encoder.piece[0], static_cast<int>(encoder.piece.size()), nullptr,
                                 nullptr);
  encoder.at += count;
  if (size <= 0) {
    encoder.failed = true;
    return std::string_view();
  }
  return std::string_view(encoder.piece.data(), static_cast<size_t>(size));
}

void MixIniFingerprint(unsigned long long &hash, std::wstring_view value) {
  // FNV-1a, several characters a step, each value closed by a mark no
  // value holds.
  auto mix = [&hash](unsigned long long part) {
    hash ^= part;
    hash *= 1099511628211ULL;
  };
  constexpr size_t kStep = sizeof(unsigned long long) / sizeof(wchar_t);
  size_t at = 0;
  for (; value.size() - at >= kStep; at += kStep) {
    unsigned long long step;
    memcpy(&step, value.data() + at, sizeof step);
    mix(step);
  }
  for (; at < value.size(); ++at)
    mix(static_cast<unsigned>(value[at]));
  mix(0x10000u);
}

unsigned long long IniSectionFingerprint(const IniText &text, std::wstring_view section) {
  unsigned long long hash = kIniFingerprintStart;
  ForEachIniEntry(text, [&](std::wstring_view name, std::wstring_view, std::wstring_view value) {
    if (name == section)
      MixIniFingerprint(hash, value);
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
  // From the back, so that every position found stays valid; edits at one
  // place keep their order. Few edits: one per key at most.
  for (size_t i = 1; i < edits.size(); ++i)
    for (size_t k = i; k > 0 && edits[k - 1].at < edits[k].at; --k)
      std::swap(edits[k - 1], edits[k]);
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

void ReplaceIniSection(IniText &text, std::wstring_view section, const std::wstring &body) {
  std::wstring header = L"[";
  header.append(section).append(L"]");
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
