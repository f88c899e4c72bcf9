#include "holidays/holiday_update.h"

#include "app/app_state.h"
#include "app/notices.h"
#include "calendar/calendar_paint.h"
#include "config/ini_file.h"
#include "config/numbers.h"
#include "holidays/holiday_download.h"
#include "holidays/holiday_progress.h"
#include "holidays/holiday_store.h"
#include "resources/resource.h"

namespace {

struct Notice {
  const wchar_t *text;
  const wchar_t *caption;
  UINT flags;
};

const Notice kNoUrl = {L"祝日CSVのURLが未指定です。", L"エラー", MB_OK | MB_ICONERROR};
const Notice kFetchFailed = {L"祝日CSVの取得または解析に失敗しました。", L"エラー",
                             MB_OK | MB_ICONERROR};
const Notice kConfirm = {L"祝日データを更新しますか？\n既存の祝日設定は上書きされます。", L"確認",
                         MB_OKCANCEL | MB_ICONQUESTION};
const Notice kUpdated = {L"祝日データを更新しました。", L"情報", MB_OK | MB_ICONINFORMATION};

int Show(HWND owner, const Notice &notice) {
  return MessageBoxW(owner, notice.text, notice.caption, notice.flags);
}

// A list that arrived but holds no row (an error page, say) counts as a failure.
bool FetchRows(const std::wstring &url, HolidayRows &rows) {
  return DownloadHolidayCsv(url, rows) && !rows.empty();
}

} // namespace

std::wstring BuildHolidaySection(const HolidayRows &rows, int currentYear) {
  std::wstring body;
  for (const HolidayRow &row : rows) {
    int parts[3] = {};
    if (ScanIntTriple(row.date, L'-', parts) && parts[0] >= currentYear)
      body += row.date + L"=" + row.name + L"\r\n";
  }
  return body;
}

bool WriteHolidaySection(const HolidayRows &rows) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  const std::wstring body = BuildHolidaySection(rows, now.wYear);
  // The calendar shows what was written, read from the text under the lock:
  // no second read that could fail or see another program's later change.
  HolidayMap written;
  if (!UpdateIniText([&](IniText &text) {
        ReplaceIniSection(text, kHolidaySection, body);
        ParseHolidays(text, written);
        return true;
      }))
    return false;
  g_app.holidays.swap(written);
  RepaintCalendar();
  return true;
}

bool UpdateHolidaysFromCommandLine() {
  const std::wstring url = g_app.settings.HolidayUrl;
  HolidayRows rows;
  if (url.empty() || !FetchRows(url, rows))
    return false;
  return WriteHolidaySection(rows);
}

bool UpdateHolidaysFromDialog(HWND dialog) {
  wchar_t url[512] = {};
  GetDlgItemTextW(dialog, IDC_HOLIDAY_URL, url, 512);
  if (!url[0]) {
    Show(dialog, kNoUrl);
    return false;
  }
  // The download runs while every window keeps painting; a cancelled one
  // changes nothing and says nothing.
  HolidayRows rows;
  DownloadOutcome outcome = DownloadHolidayCsvWithProgress(dialog, url, rows);
  if (outcome == DownloadOutcome::Cancelled)
    return false;
  if (outcome != DownloadOutcome::Done || rows.empty()) {
    Show(dialog, kFetchFailed);
    return false;
  }
  if (Show(dialog, kConfirm) != IDOK)
    return false;
  if (!WriteHolidaySection(rows)) {
    ShowSaveFailure(dialog);
    return false;
  }
  Show(dialog, kUpdated);
  return true;
}
