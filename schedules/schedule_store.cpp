#include "schedules/schedule_store.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <vector>

#include "app/app_state.h"
#include "config/ini_file.h"
#include "config/numbers.h"

namespace {

const wchar_t kSectionName[] = L"Schedules";

// One "%d" of the date-time, cut to 16 bits as a WORD keeps it.
bool ScanField(std::wstring_view text, size_t &at, WORD &field) {
  int value = 0;
  unsigned wrapped = 0;
  if (!ScanInt(text, at, value, nullptr, &wrapped))
    return false;
  field = static_cast<WORD>(wrapped & 0xFFFFu);
  return true;
}

bool ScanLiteral(std::wstring_view text, size_t &at, wchar_t literal) {
  if (at >= text.size() || text[at] != literal)
    return false;
  ++at;
  return true;
}

// "%d/%d/%d %d:%d": true only when all five numbers were converted.
bool ScanDateTime(std::wstring_view text, SYSTEMTIME &when) {
  when = SYSTEMTIME{};
  size_t at = 0;
  if (!ScanField(text, at, when.wYear) || !ScanLiteral(text, at, L'/') ||
      !ScanField(text, at, when.wMonth) || !ScanLiteral(text, at, L'/') ||
      !ScanField(text, at, when.wDay))
    return false;
  SkipScanSpace(text, at);
  return ScanField(text, at, when.wHour) && ScanLiteral(text, at, L':') &&
         ScanField(text, at, when.wMinute);
}

// The day of a value in the form every save writes, "yyyy/mm/dd hh:mm|",
// read at once, as ScanDateTime reads it; false for any other form.
bool SavedFormDay(std::string_view value, DateKey &day) {
  static const char kForm[] = "0000/00/00 00:00|";
  constexpr size_t kLength = sizeof kForm - 1;
  if (value.size() < kLength)
    return false;
  int fields[5] = {};
  int field = 0;
  for (size_t i = 0; i < kLength; ++i) {
    char c = value[i];
    if (kForm[i] != '0') {
      if (c != kForm[i])
        return false;
      ++field;
    } else if (c >= '0' && c <= '9') {
      fields[field] = fields[field] * 10 + (c - '0');
    } else {
      return false;
    }
  }
  day = MakeDateKey(fields[0], fields[1], fields[2]);
  return true;
}

// Whether the first frame's read keeps a stored line ("key=value", UTF-8):
// every line but a schedule dated before first or after last.
bool KeepsScheduleLine(std::string_view line, DateKey first, DateKey last) {
  // The value is split as ParseSchedules splits it; "=", "|" and a date are
  // ASCII, which UTF-8 uses for nothing else.
  size_t equals = line.find('=');
  if (equals == std::string_view::npos)
    return true;
  std::string_view value = line.substr(equals + 1);
  DateKey day = 0;
  if (!SavedFormDay(value, day)) {
    size_t bar = value.find('|');
    wchar_t date[32];
    if (bar == std::string_view::npos || bar > std::size(date))
      return true;
    for (size_t at = 0; at < bar; ++at) {
      // A date of other characters is left to the parser.
      if (static_cast<unsigned char>(value[at]) >= 0x80)
        return true;
      date[at] = static_cast<wchar_t>(value[at]);
    }
    SYSTEMTIME when;
    if (!ScanDateTime(std::wstring_view(date, bar), when))
      return true;
    day = MakeDateKey(when.wYear, when.wMonth, when.wDay);
  }
  return day >= first && day <= last;
}

// Runs of ordinary characters are copied whole: texts can be long and many.
void AppendEscaped(std::wstring &out, const std::wstring &text) {
  const wchar_t *run = text.data();
  const wchar_t *end = run + text.size();
  for (const wchar_t *at = run; at < end; ++at) {
    if (*at != L'\r' && *at != L'\n' && *at != L'\\')
      continue;
    out.append(run, static_cast<size_t>(at - run));
    if (*at == L'\n')
      out += L"\\n";
    else if (*at == L'\\')
      out += L"\\\\";
    run = at + 1;
  }
  out.append(run, static_cast<size_t>(end - run));
}

void AppendUnescaped(std::wstring &out, const wchar_t *begin, const wchar_t *end) {
  const wchar_t *run = begin;
  for (const wchar_t *at = begin; at < end; ++at) {
    bool pair = *at == L'\\' && at + 1 < end && (at[1] == L'n' || at[1] == L'\\');
    if (*at != L'\r' && !pair)
      continue;
    out.append(run, static_cast<size_t>(at - run));
    if (pair)
      out += *++at == L'n' ? L"\r\n" : L"\\";
    run = at + 1;
  }
  out.append(run, static_cast<size_t>(end - run));
}

// "yyyy/mm/dd hh:mm" at out, which has room for 40 characters; returns the end.
wchar_t *PutScheduleWhen(wchar_t *out, const SYSTEMTIME &when) {
  const WORD fields[] = {when.wYear, when.wMonth, when.wDay, when.wHour, when.wMinute};
  const wchar_t separators[] = L"\0// :";
  for (size_t i = 0; i < 5; ++i) {
    if (i > 0)
      *out++ = separators[i];
    out = PutDecimal(out, fields[i], i == 0 ? 4 : 2);
  }
  return out;
}

// The line is built in place in out, so a whole section costs no
// allocation per line and a text of any length is written whole.
void AppendScheduleLine(std::wstring &out, size_t index, const ScheduleEntry &entry) {
  // "index=yyyy/mm/dd hh:mm|" built in place and appended at once.
  wchar_t head[96];
  wchar_t *at = PutDecimal(head, static_cast<long long>(index), 4);
  *at++ = L'=';
  at = PutScheduleWhen(at, entry.when);
  *at++ = L'|';
  out.append(head, static_cast<size_t>(at - head));
  AppendEscaped(out, entry.text);
  out += entry.markedOld ? L"|Y\r\n" : L"|\r\n";
}

} // namespace

void AppendScheduleWhen(std::wstring &out, const SYSTEMTIME &when) {
  wchar_t text[48];
  out.append(text, static_cast<size_t>(PutScheduleWhen(text, when) - text));
}

std::wstring EscapeScheduleText(const std::wstring &text) {
  std::wstring stored;
  stored.reserve(text.size() + text.size() / 8);
  AppendEscaped(stored, text);
  return stored;
}

std::wstring UnescapeScheduleText(const std::wstring &stored) {
  std::wstring text;
  text.reserve(stored.size() + stored.size() / 8);
  AppendUnescaped(text, stored.data(), stored.data() + stored.size());
  return text;
}

bool ScheduleEarlier(const ScheduleEntry &a, const ScheduleEntry &b) {
  // Plain numbers rather than the platform's date conversion, which refuses
  // the invalid date-times a file may hold; for valid ones the order is the same.
  const SYSTEMTIME &x = a.when;
  const SYSTEMTIME &y = b.when;
  if (x.wYear != y.wYear)
    return x.wYear < y.wYear;
  if (x.wMonth != y.wMonth)
    return x.wMonth < y.wMonth;
  if (x.wDay != y.wDay)
    return x.wDay < y.wDay;
  if (x.wHour != y.wHour)
    return x.wHour < y.wHour;
  return x.wMinute < y.wMinute;
}

ScheduleList ParseSchedules(const IniText &text, bool autoDelete, bool *droppedAny) {
  // Counted first so the list is allocated once: growing it step by step
  // would move a long list several times through fresh memory.
  size_t count = CountIniEntries(text, kSectionName);
  ScheduleList list;
  list.reserve(count);
  bool dropped = false;
  ForEachIniEntry(text, kSectionName,
                  [&](const std::wstring &, const std::wstring &, const std::wstring &value) {
                    if (value.empty())
                      return;
                    size_t bar = value.find(L'|');
                    if (bar == std::wstring::npos)
                      return;
                    size_t textBegin = bar + 1;
                    size_t textEnd = value.size();
                    size_t restLength = textEnd - textBegin;
                    bool marked = restLength >= 2 && value[textEnd - 2] == L'|' &&
                                  (value[textEnd - 1] == L'Y' || value[textEnd - 1] == L'y');
                    if (marked)
                      textEnd -= 2;
                    else if (restLength >= 1 && value[textEnd - 1] == L'|')
                      textEnd -= 1;
                    if (marked && autoDelete) {
                      dropped = true;
                      return;
                    }
                    ScheduleEntry entry = {};
                    const wchar_t *data = value.data();
                    if (!ScanDateTime(std::wstring_view(data, bar), entry.when))
                      return;
                    entry.text.reserve(textEnd - textBegin);
                    AppendUnescaped(entry.text, data + textBegin, data + textEnd);
                    entry.markedOld = marked;
                    list.push_back(std::move(entry));
                  });
  if (droppedAny)
    *droppedAny = dropped;
  return list;
}

std::wstring FormatScheduleLine(size_t index, const ScheduleEntry &entry) {
  std::wstring line;
  AppendScheduleLine(line, index, entry);
  return line;
}

void AppendScheduleSection(std::wstring &out, const ScheduleList &list) {
  size_t size = 0;
  for (const ScheduleEntry &entry : list)
    size += 32 + entry.text.size() + entry.text.size() / 8;
  out.reserve(out.size() + size);
  for (size_t i = 0; i < list.size(); ++i)
    AppendScheduleLine(out, i + 1, list[i]);
}

std::wstring BuildScheduleSection(const ScheduleList &list) {
  std::wstring body;
  AppendScheduleSection(body, list);
  return body;
}

namespace {

// Another process (a "/schedule" run, a second calendar) may change the
// section at any time. What the file held when this process last read or
// wrote it is remembered as a fingerprint; unknown when the file could not
// be read at start-up.
std::optional<unsigned long long> g_storedFingerprint;
// This process's changes not yet in the file, oldest first.
std::vector<ScheduleChange> g_unsaved;

// A total order on whole entries, so equal ones can be found among many.
bool EntryLess(const ScheduleEntry &a, const ScheduleEntry &b) {
  if (ScheduleEarlier(a, b) || ScheduleEarlier(b, a))
    return ScheduleEarlier(a, b);
  if (a.markedOld != b.markedOld)
    return b.markedOld;
  return a.text < b.text;
}

// The file's list with this process's unsaved changes applied.
ScheduleList MergedWithUnsaved(const IniText &text) {
  ScheduleList merged = ParseSchedules(text, false, nullptr);
  for (const ScheduleChange &change : g_unsaved)
    ApplyScheduleChange(merged, change);
  return merged;
}

// The file as this process last read or wrote it, its schedules section
// moved last and emptied: while the file is still that version, a save
// starts from this instead of reading and decoding the whole file again.
// The text keeps its room from one save to the next, so a long list is
// not built in fresh memory each time.
struct KnownVersion {
  IniFileStamp stamp;
  IniText text;
};
KnownVersion g_known;

// Before a load: nothing is known of the file's list, nothing is unsaved.
void ForgetStoredList() {
  g_unsaved.clear();
  g_known = KnownVersion();
  g_storedFingerprint.reset();
}

// The file's text, its stamp and the fingerprint of its schedules; the
// known version's text when the file is still that version. False when it
// cannot be read.
bool ReadCurrentFile(IniText &text, IniFileStamp &stamp, unsigned long long &fingerprint) {
  if (g_storedFingerprint && SameStamp(CurrentIniStamp(), g_known.stamp)) {
    stamp = g_known.stamp;
    text = std::move(g_known.text);
    g_known = KnownVersion(); // known again once written
    fingerprint = *g_storedFingerprint;
    return true;
  }
  g_known = KnownVersion();
  bool readable = true;
  text = ReadIniText(&readable, &stamp);
  fingerprint = IniSectionFingerprint(text, kSectionName);
  return readable;
}

} // namespace

void ApplyScheduleChange(ScheduleList &list, const ScheduleChange &change) {
  if (!change.removed.empty()) {
    // Each removed entry takes away one equal entry, wherever it now stands;
    // one that another process already changed or removed takes nothing.
    std::vector<const ScheduleEntry *> removed;
    removed.reserve(change.removed.size());
    for (const ScheduleEntry &entry : change.removed)
      removed.push_back(&entry);
    auto less = [](const ScheduleEntry *a, const ScheduleEntry *b) { return EntryLess(*a, *b); };
    std::sort(removed.begin(), removed.end(), less);
    std::vector<bool> taken(removed.size(), false);
    auto kept = std::remove_if(list.begin(), list.end(), [&](const ScheduleEntry &entry) {
      auto range = std::equal_range(removed.begin(), removed.end(), &entry, less);
      for (auto at = range.first; at != range.second; ++at) {
        size_t index = static_cast<size_t>(at - removed.begin());
        if (!taken[index]) {
          taken[index] = true;
          return true;
        }
      }
      return false;
    });
    list.erase(kept, list.end());
  }
  // Added entries, an edit's new form among them, are kept even when the
  // entry they replace is gone: what the user just typed is never lost.
  list.insert(list.end(), change.added.begin(), change.added.end());
}

void LoadSchedules() {
  bool readable = true;
  IniText text = ReadIniText(&readable);
  LoadSchedulesFrom(text, readable);
}

void LoadSchedulesFrom(const IniText &text, bool readable) {
  ForgetStoredList();
  if (readable)
    g_storedFingerprint = IniSectionFingerprint(text, kSectionName);
  bool dropped = false;
  g_app.schedules = ParseSchedules(text, g_app.settings.AutoDeleteOldSchedules, &dropped);
  if (!dropped)
    return;
  ScheduleChange drop;
  for (ScheduleEntry &entry : ParseSchedules(text, false, nullptr))
    if (entry.markedOld)
      drop.removed.push_back(std::move(entry));
  SaveSchedules(&drop);
}

IniText ReadShownMonthsText(DisplayedMonth shown, bool *readable) {
  // A superset of the 42 days, whichever weekday starts the week.
  const int year = shown.year, month = shown.month;
  const DateKey first = month == 1 ? MakeDateKey(year - 1, 12, 1) : MakeDateKey(year, month - 1, 1);
  const DateKey last =
      month == 12 ? MakeDateKey(year + 1, 1, 31) : MakeDateKey(year, month + 1, 31);
  IniLineFilter filter = {kSectionName, [first, last](std::string_view line) {
                            return KeepsScheduleLine(line, first, last);
                          }};
  return ReadIniText(readable, nullptr, &filter);
}

void LoadShownSchedules(const IniText &text) {
  ForgetStoredList();
  g_app.schedules = ParseSchedules(text, g_app.settings.AutoDeleteOldSchedules, nullptr);
}

bool SaveSchedules(const ScheduleChange *change, const std::function<void(IniText &)> &alsoEdit) {
  if (change)
    g_unsaved.push_back(*change);
  IniText text;
  IniFileStamp stamp;
  unsigned long long fingerprint = 0;
  if (!ReadCurrentFile(text, stamp, fingerprint))
    return false;
  bool writeList = true;
  if (fingerprint != g_storedFingerprint) {
    // Changed behind this process's back: only its own changes go in.
    g_app.schedules = MergedWithUnsaved(text);
    g_storedFingerprint = fingerprint;
    writeList = !g_unsaved.empty();
  }
  if (!writeList && !alsoEdit)
    return true;
  // First, as a save of its own would have come first.
  if (alsoEdit)
    alsoEdit(text);
  size_t headerEnd = 0;
  if (writeList) {
    // The body is the last thing in the text, so the lines can go straight
    // after the header: a long list is then written without a copy.
    ReplaceIniSection(text, kSectionName, std::wstring());
    headerEnd = text.size();
    AppendScheduleSection(text, g_app.schedules);
  }
  if (!WriteIniText(text, &stamp))
    return false;
  g_storedFingerprint = IniSectionFingerprint(text, kSectionName);
  g_unsaved.clear();
  if (writeList) {
    text.resize(headerEnd);
    g_known = {stamp, std::move(text)};
  }
  return true;
}

bool RefreshSchedules() {
  IniText text;
  IniFileStamp stamp;
  unsigned long long fingerprint = 0;
  if (!ReadCurrentFile(text, stamp, fingerprint))
    return false;
  bool changed = fingerprint != g_storedFingerprint;
  if (changed)
    g_app.schedules = MergedWithUnsaved(text);
  g_storedFingerprint = fingerprint;
  // Remembered for the saves to come: the list is open for changes.
  ReplaceIniSection(text, kSectionName, std::wstring());
  g_known = {stamp, std::move(text)};
  return changed;
}

bool SchedulesPending() {
  return !g_unsaved.empty();
}

void SortSchedules() {
  // Stable, and not at all when already in order: entries at the same
  // minute keep their order, so the file does not change from one save to
  // the next.
  if (!std::is_sorted(g_app.schedules.begin(), g_app.schedules.end(), ScheduleEarlier))
    std::stable_sort(g_app.schedules.begin(), g_app.schedules.end(), ScheduleEarlier);
}
