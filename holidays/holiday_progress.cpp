#include "holidays/holiday_progress.h"

#include "app/app_state.h"
#include "app/dialog_font.h"
#include "app/handle_owner.h"
#include "app/screen_area.h"
#include "config/numbers.h"
#include "holidays/holiday_download.h"
#include "resources/resource.h"

namespace {

constexpr UINT_PTR kCheckTimer = 1;
constexpr UINT kCheckEveryMs = 100;

struct ProgressJob {
  const std::wstring *url;
  HolidayRows *rows;
  DownloadOutcome outcome = DownloadOutcome::Failed;
  bool ended = false; // a timer message may still be queued after the end
  std::shared_ptr<HolidayDownload> download;
};

ProgressJob &JobOf(HWND dialog) {
  return *reinterpret_cast<ProgressJob *>(GetWindowLongPtrW(dialog, DWLP_USER));
}

void End(HWND dialog, DownloadOutcome outcome) {
  ProgressJob &job = JobOf(dialog);
  KillTimer(dialog, kCheckTimer);
  job.ended = true;
  job.outcome = outcome;
  EndDialog(dialog, 1);
}

void ShowReceived(HWND dialog, unsigned long long bytes) {
  std::wstring text = L"祝日CSVを取得しています… " +
                      DecimalText(static_cast<long long>((bytes + 1023) / 1024)) + L" KB";
  SetDlgItemTextW(dialog, IDC_HOLIDAY_PROGRESS_TEXT, text.c_str());
}

bool OnInitDialog(HWND dialog, ProgressJob *job) {
  SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(job));
  KeepWindowOnScreen(dialog);
  static const int kFontControls[] = {IDC_HOLIDAY_PROGRESS_TEXT, IDCANCEL};
  ApplyDialogFont(dialog, kFontControls);
  job->download = StartHolidayDownload(*job->url);
  if (!job->download || !SetTimer(dialog, kCheckTimer, kCheckEveryMs, nullptr)) {
    End(dialog, DownloadOutcome::Failed);
    return true;
  }
  ShowReceived(dialog, 0);
  return true;
}

// Ends the window once the transfer ends or passes a limit.
void OnTimer(HWND dialog) {
  ProgressJob &job = JobOf(dialog);
  if (job.ended)
    return;
  DownloadStatus status = CheckHolidayDownload(*job.download);
  if (status == DownloadStatus::Running) {
    ShowReceived(dialog, HolidayBytesReceived(*job.download));
    return;
  }
  bool parsed =
      FinishHolidayDownload(*job.download, status == DownloadStatus::Arrived ? job.rows : nullptr);
  End(dialog, parsed ? DownloadOutcome::Done : DownloadOutcome::Failed);
}

// The cancel button, Escape and the close box: at once, whatever the transfer does.
bool OnCommand(HWND dialog, int id) {
  ProgressJob &job = JobOf(dialog);
  if (id != IDCANCEL)
    return false;
  if (!job.ended) {
    FinishHolidayDownload(*job.download, nullptr);
    End(dialog, DownloadOutcome::Cancelled);
  }
  return true;
}

// Handles the text IDC_HOLIDAY_PROGRESS_TEXT and the button IDCANCEL.
INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_INITDIALOG:
    return OnInitDialog(dialog, reinterpret_cast<ProgressJob *>(lParam));
  case WM_TIMER:
    OnTimer(dialog);
    return true;
  case WM_COMMAND:
    return OnCommand(dialog, LOWORD(wParam));
  case WM_NCDESTROY:
    return OnDialogNcDestroy(dialog);
  }
  return false;
}

} // namespace

DownloadOutcome DownloadHolidayCsvWithProgress(HWND owner, const std::wstring &url,
                                               HolidayRows &rows) {
  ProgressJob job;
  job.url = &url;
  job.rows = &rows;
  if (DialogBoxParamW(g_app.instance, MAKEINTRESOURCEW(IDD_HOLIDAY_PROGRESS), owner,
                      ProgressDialogProc, reinterpret_cast<LPARAM>(&job)) <= 0) {
    if (job.download)
      FinishHolidayDownload(*job.download, nullptr);
    return DownloadOutcome::Failed;
  }
  return job.outcome;
}
