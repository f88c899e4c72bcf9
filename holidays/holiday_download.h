// Fetching the holiday CSV from the network. The server is not ours: every
// download ends within its limits, leaves no file behind, and yields rows
// only from an answer that arrived whole.
#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "holidays/holiday_csv.h"

struct DownloadLimits {
  unsigned stallMs = 20000;    // with no progress at all
  unsigned deadlineMs = 60000; // for the whole download
};
// For tests: shorter limits.
void SetDownloadLimits(const DownloadLimits &limits);

// One download, running on a thread of its own into a temporary file.
struct HolidayDownload;
enum class DownloadStatus { Running, Arrived, Failed };

// Removes what killed runs left, then starts; null when no temporary file or
// no thread could be had.
std::shared_ptr<HolidayDownload> StartHolidayDownload(const std::wstring &url);
// Failed once a limit has passed, even while the transfer still runs.
DownloadStatus CheckHolidayDownload(const HolidayDownload &download);
unsigned long long HolidayBytesReceived(const HolidayDownload &download);
// With rows, after Arrived: checks that every byte is there and appends the
// parsed rows. Without: gives up. Either way the temporary file goes, now or
// when the transfer ends. True only when rows were parsed.
bool FinishHolidayDownload(HolidayDownload &download, HolidayRows *rows);

// The above, waited for on the calling thread.
bool DownloadHolidayCsv(const std::wstring &url, HolidayRows &rows);
