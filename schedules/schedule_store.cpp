#include "schedules/schedule_store.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "app/app_state.h"
#include "calendar/calendar_paint.h"
#include "config/ini_file.h"
#include "config/numbers.h"
#include "schedules/schedule_dialogs.h"

namespace {

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

void ReadScheduleEntry(ScheduleRead &read, std::wstring_view value) {
  MixIniFingerprint(read.fingerprint, value);
  if (!read.withList)
    return;
  size_t bar = value.find(L'|');
  if (bar == std::wstring_view::npos)
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
  ScheduleEntry entry = {};
  if (!ScanDateTime(value.substr(0, bar), entry.when))
    return;
  // The entry's own text is its one allocation: unescaped straight from the
  // file's text into room of the right size.
  entry.text.reserve(textEnd - textBegin);
  AppendUnescaped(entry.text, value.data() + textBegin, value.data() + textEnd);
  entry.markedOld = marked;
  read.list.push_back(std::move(entry));
}

void StartScheduleRead(ScheduleRead &read, const IniText &text, bool withList) {
  read = ScheduleRead();
  read.withList = withList;
  // Room for every line, reserved once: a list grown step by step would
  // move through fresh memory several times.
  if (withList)
    read.list.reserve(static_cast<size_t>(std::count(text.begin(), text.end(), L'\n')) + 1);
}

ScheduleRead ReadSchedules(const IniText &text) {
  ScheduleRead read;
  StartScheduleRead(read, text, true);
  ForEachIniEntry(text, [&](std::wstring_view section, std::wstring_view, std::wstring_view value) {
    if (section == kScheduleSection)
      ReadScheduleEntry(read, value);
  });
  return read;
}

// The entries flagged in out, taken from list in one pass and returned in
// order: erasing entry by entry would move every entry below each one again,
// a long pause for a wide selection in a long list.
static ScheduleList TakeOut(ScheduleList &list, const std::vector<bool> &out) {
  ScheduleList taken;
  size_t kept = 0;
  for (size_t i = 0; i < list.size(); ++i) {
    if (out[i])
      taken.push_back(std::move(list[i]));
    else if (kept++ != i)
      list[kept - 1] = std::move(list[i]);
  }
  list.erase(list.begin() + static_cast<std::ptrdiff_t>(kept), list.end());
  return taken;
}

ScheduleList DropOldSchedules(ScheduleList &list) {
  std::vector<bool> old(list.size());
  for (size_t i = 0; i < list.size(); ++i)
    old[i] = list[i].markedOld;
  return TakeOut(list, old);
}

ScheduleList ParseSchedules(const IniText &text, bool autoDelete, bool *droppedAny) {
  ScheduleRead read = ReadSchedules(text);
  bool dropped = autoDelete && !DropOldSchedules(read.list).empty();
  if (droppedAny)
    *droppedAny = dropped;
  return std::move(read.list);
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

// A total order on whole entries, so equal ones can be found among many.
bool EntryLess(const ScheduleEntry &a, const ScheduleEntry &b) {
  if (ScheduleEarlier(a, b) || ScheduleEarlier(b, a))
    return ScheduleEarlier(a, b);
  if (a.markedOld != b.markedOld)
    return b.markedOld;
  return a.text < b.text;
}

void SortList(ScheduleList &list) {
  // Stable, and not at all when already in order: entries at the same
  // minute keep their order, so the file does not change from one save to
  // the next.
  if (!std::is_sorted(list.begin(), list.end(), ScheduleEarlier))
    std::stable_sort(list.begin(), list.end(), ScheduleEarlier);
}

// Every change of the list, from whatever path, ends here: it stays sorted,
// and an open schedule list shows it at once, so no row ever names a stale
// position; selected: the entries (of the list before) to select again.
void ShowChangedList(const std::vector<const ScheduleEntry *> &selected) {
  SortList(g_app.schedules);
  RefillScheduleList(selected);
  RepaintCalendar();
}

// The user's own change: no row stays selected.
template <typename Change> void ChangeList(Change change) {
  change(g_app.schedules);
  ShowChangedList({});
}

// Another program's list taken in: the open list's selection is kept by
// value, found among the new entries while the old ones still live.
void ReplaceList(ScheduleList next) {
  std::vector<const ScheduleEntry *> selected;
  for (int row : SelectedScheduleRows())
    if (static_cast<size_t>(row) < g_app.schedules.size())
      selected.push_back(&g_app.schedules[static_cast<size_t>(row)]);
  next.swap(g_app.schedules);
  ShowChangedList(selected);
}

// This process's part of a save, on the file's text under the lock: takes
// in what another process changed, then writes the list unless only the
// other process changed it. written: the section's fingerprint afterwards.
bool PutSchedulesInto(IniText &text, unsigned long long &written) {
  ScheduleSync &sync = g_app.scheduleSync;
  bool takenIn = TakeInFileList(text);
  written = sync.fingerprint;
  if (takenIn && sync.unsaved.empty())
    return false;
  // The body is the last thing in the text, so the lines can go straight
  // after the header: a long list is written without a copy.
  ReplaceIniSection(text, kScheduleSection, std::wstring());
  AppendScheduleSection(text, g_app.schedules);
  written = IniSectionFingerprint(text, kScheduleSection);
  return true;
}

void EndScheduleSave(bool saved, unsigned long long written) {
  if (!saved)
    return;
  g_app.scheduleSync.fingerprint = written;
  g_app.scheduleSync.unsaved.clear();
}

} // namespace

bool SameScheduleEntry(const ScheduleEntry &a, const ScheduleEntry &b) {
  return !EntryLess(a, b) && !EntryLess(b, a);
}

std::vector<bool> FindSchedules(const ScheduleList &list,
                                std::vector<const ScheduleEntry *> wanted) {
  // The wanted entries sorted once and one pass over the list: each entry
  // is looked up in logarithmic time, each wanted one matched once.
  auto less = [](const ScheduleEntry *a, const ScheduleEntry *b) { return EntryLess(*a, *b); };
  std::sort(wanted.begin(), wanted.end(), less);
  std::vector<size_t> used(wanted.size(), 0); // per run of equal entries, at its start
  std::vector<bool> found(list.size(), false);
  for (size_t i = 0; i < list.size() && !wanted.empty(); ++i) {
    auto run = std::equal_range(wanted.begin(), wanted.end(), &list[i], less);
    size_t first = static_cast<size_t>(run.first - wanted.begin());
    if (run.first != run.second && used[first] < static_cast<size_t>(run.second - run.first)) {
      ++used[first];
      found[i] = true;
    }
  }
  return found;
}

bool TakeInFileList(const IniText &text) {
  return TakeInFileList(text, IniSectionFingerprint(text, kScheduleSection));
}

bool TakeInFileList(const IniText &text, unsigned long long fingerprint) {
  ScheduleSync &sync = g_app.scheduleSync;
  if (sync.known && fingerprint == sync.fingerprint)
    return false;
  ScheduleRead read = ReadSchedules(text);
  for (const ScheduleChange &change : sync.unsaved)
    ApplyScheduleChange(read.list, change);
  ReplaceList(std::move(read.list));
  sync.known = true;
  sync.fingerprint = read.fingerprint;
  return true;
}

void RestoreSchedulesInto(IniText &text) {
  ReplaceIniSection(text, kScheduleSection, std::wstring());
  AppendScheduleSection(text, g_app.schedules);
  // The list as it stands is the file's now, this process's unsaved changes
  // in it: the save that follows writes it as it is.
  g_app.scheduleSync.known = true;
  g_app.scheduleSync.fingerprint = IniSectionFingerprint(text, kScheduleSection);
}

void ApplyScheduleChange(ScheduleList &list, const ScheduleChange &change) {
  if (!change.removed.empty()) {
    // Each removed entry takes away one equal entry, wherever it now stands;
    // one that another process already changed or removed takes nothing.
    std::vector<const ScheduleEntry *> removed;
    for (const ScheduleEntry &entry : change.removed)
      removed.push_back(&entry);
    TakeOut(list, FindSchedules(list, std::move(removed)));
  }
  // Added entries, an edit's new form among them, are kept even when the
  // entry they replace is gone: what the user just typed is never lost.
  list.insert(list.end(), change.added.begin(), change.added.end());
}

void LoadSchedules() {
  bool readable = true;
  IniText text = ReadIniText(&readable);
  LoadSchedulesFrom(ReadSchedules(text), readable);
}

void LoadSchedulesFrom(ScheduleRead read, bool readable) {
  ScheduleSync &sync = g_app.scheduleSync;
  sync = ScheduleSync();
  sync.known = readable;
  sync.fingerprint = read.fingerprint;
  ScheduleChange drop;
  if (g_app.settings.AutoDeleteOldSchedules)
    drop.removed = DropOldSchedules(read.list);
  ChangeList([&](ScheduleList &list) { list.swap(read.list); });
  if (drop.removed.empty())
    return;
  // Nobody waits for this save: when the file is held it is written by the
  // next one.
  SaveSchedules(&drop, IniWait::Once);
}

bool SaveSchedules(const ScheduleChange *change, IniWait wait) {
  if (change)
    g_app.scheduleSync.unsaved.push_back(*change);
  unsigned long long written = 0;
  bool saved = UpdateIniText([&](IniText &text) { return PutSchedulesInto(text, written); }, wait);
  EndScheduleSave(saved, written);
  return saved;
}

bool SaveSchedulesWith(const std::function<void(IniText &)> &edit, IniWait wait) {
  unsigned long long written = 0;
  bool saved = UpdateIniText(
      [&](IniText &text) {
        edit(text);
        PutSchedulesInto(text, written);
        return true;
      },
      wait);
  EndScheduleSave(saved, written);
  return saved;
}

bool AddSchedule(const ScheduleEntry &entry) {
  ChangeList([&](ScheduleList &list) { list.push_back(entry); });
  ScheduleChange change = {{}, {entry}};
  return SaveSchedules(&change);
}

bool ReplaceSchedule(const ScheduleEntry &old, const ScheduleEntry &entry) {
  // Found again by value: the list may have taken in another process's
  // changes while the edit was open. Gone by now, the new form is kept.
  ChangeList([&](ScheduleList &list) {
    auto found = std::find_if(list.begin(), list.end(), [&](const ScheduleEntry &candidate) {
      return SameScheduleEntry(candidate, old);
    });
    if (found != list.end())
      *found = entry;
    else
      list.push_back(entry);
  });
  ScheduleChange change = {{old}, {entry}};
  return SaveSchedules(&change);
}

bool RemoveSchedules(const std::vector<size_t> &indices) {
  ScheduleChange change;
  ChangeList([&](ScheduleList &list) {
    std::vector<bool> chosen(list.size(), false);
    for (size_t index : indices)
      if (index < chosen.size())
        chosen[index] = true;
    change.removed = TakeOut(list, chosen);
  });
  return SaveSchedules(&change);
}

bool SchedulesPending() {
  return !g_app.scheduleSync.unsaved.empty();
}

void SortSchedules() {
  ChangeList([](ScheduleList &) {});
}
