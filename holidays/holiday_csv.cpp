#include "holidays/holiday_csv.h"

#include <windows.h>

#include <objbase.h>
#include <urlmon.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <memory>
#include <string_view>
#include <thread>

#include "app/late_bound.h"
#include "config/numbers.h"

namespace {

// Bytes per read, terminator included: a longer physical line arrives in
// pieces, and each piece is parsed as a line of its own.
constexpr int kLineBuffer = 1024;
constexpr UINT kShiftJis = 932;

// A date in either form the list has used. A number beyond the int range
// makes no date: a clamped year would look valid.
bool ScanEitherDate(std::wstring_view text, int (&parts)[3]) {
  bool fits = false;
  return (ScanIntTriple(text, L'-', parts, &fits) || ScanIntTriple(text, L'/', parts, &fits)) &&
         fits;
}

bool IsTrimmed(wchar_t c) {
  return c == L' ' || c == L'\t' || c == L'"';
}

// Plain loops rather than the library's searches, which call into the C
// runtime for every character they test.
std::wstring_view Trimmed(std::wstring_view field) {
  size_t first = 0, last = field.size();
  while (first < last && IsTrimmed(field[first]))
    ++first;
  while (last > first && IsTrimmed(field[last - 1]))
    --last;
  return field.substr(first, last - first);
}

// printf's "%0*d": sign first, then zeros up to width.
void AppendZeroPadded(std::wstring &out, int value, size_t width) {
  unsigned long long magnitude =
      value < 0 ? 0ULL - static_cast<unsigned long long>(static_cast<long long>(value))
                : static_cast<unsigned long long>(value);
  wchar_t digits[24];
  size_t count = 0;
  do {
    digits[count++] = static_cast<wchar_t>(L'0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude > 0);
  if (value < 0)
    out += L'-';
  size_t length = count + (value < 0 ? 1 : 0);
  if (length < width)
    out.append(width - length, L'0');
  while (count > 0)
    out += digits[--count];
}

std::wstring FormatDate(const int (&parts)[3]) {
  std::wstring date;
  date.reserve(10);
  AppendZeroPadded(date, parts[0], 4);
  date += L'-';
  AppendZeroPadded(date, parts[1], 2);
  date += L'-';
  AppendZeroPadded(date, parts[2], 2);
  return date;
}

// How long a download may go without any progress before it is given up:
// a server that accepts the connection and then sends nothing must neither
// freeze the calendar nor keep a scheduled "/update-holidays" run alive.
std::atomic<unsigned> g_stallLimitMs{20000};
constexpr DWORD kStallCheckMs = 100;
constexpr int kMostRedirects = 10;

// What the waiting thread and the download thread share. The download
// thread may outlive a wait that gave up; whoever is last frees it.
struct DownloadState {
  std::wstring url, path;
  std::atomic<ULONGLONG> lastProgress{GetTickCount64()};
  std::atomic<bool> abandoned{false};
  bool succeeded = false; // read only after finished is set
  HANDLE finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ~DownloadState() {
    if (finished)
      CloseHandle(finished);
  }
};

// The download's callback: notes every sign of progress, cuts off redirect
// loops and a download that was given up, and checks that everything the
// server announced arrived (a connection dropped mid-body can end like a
// complete download). Implementing the platform's callback interface is the
// only way to follow a download.
class DownloadWatch final : public IBindStatusCallback {
public:
  explicit DownloadWatch(DownloadState &state) : state_(state) {}

  // IUnknown: the object lives on the stack of the download, so counting is nominal.
  STDMETHODIMP QueryInterface(REFIID iid, void **object) override {
    if (iid == IID_IUnknown || iid == IID_IBindStatusCallback) {
      *object = static_cast<IBindStatusCallback *>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }

  STDMETHODIMP OnStartBinding(DWORD, IBinding *) override { return Touch(); }
  STDMETHODIMP GetPriority(LONG *) override { return E_NOTIMPL; }
  STDMETHODIMP OnLowResource(DWORD) override { return S_OK; }
  STDMETHODIMP OnProgress(ULONG progress, ULONG progressMax, ULONG status, LPCWSTR) override {
    // A server that keeps redirecting never delivers anything. Every
    // redirect is one more request, whether or not it is reported as such.
    if (status == BINDSTATUS_SENDINGREQUEST && ++requests_ > kMostRedirects + 1)
      state_.abandoned = true;
    if (status == BINDSTATUS_ENDDOWNLOADDATA) {
      received_ = progress;
      expected_ = progressMax;
    }
    return Touch();
  }
  STDMETHODIMP OnStopBinding(HRESULT, LPCWSTR) override { return S_OK; }
  STDMETHODIMP GetBindInfo(DWORD *, BINDINFO *) override { return S_OK; }
  STDMETHODIMP OnDataAvailable(DWORD, DWORD, FORMATETC *, STGMEDIUM *) override { return Touch(); }
  STDMETHODIMP OnObjectAvailable(REFIID, IUnknown *) override { return S_OK; }

  bool Complete() const { return expected_ == 0 || received_ >= expected_; }

private:
  HRESULT Touch() {
    state_.lastProgress = GetTickCount64();
    return state_.abandoned ? E_ABORT : S_OK;
  }

  DownloadState &state_;
  int requests_ = 0;
  ULONG received_ = 0, expected_ = 0;
};

void RunDownload(std::shared_ptr<DownloadState> state) {
  using InitializeFunction = HRESULT(WINAPI *)(void *, DWORD);
  using UninitializeFunction = void(WINAPI *)();
  using DownloadFunction =
      HRESULT(WINAPI *)(IUnknown *, const wchar_t *, const wchar_t *, DWORD, IBindStatusCallback *);
  static const auto initialize = LateBound<InitializeFunction>(L"ole32.dll", "CoInitializeEx");
  static const auto uninitialize = LateBound<UninitializeFunction>(L"ole32.dll", "CoUninitialize");
  static const auto download = LateBound<DownloadFunction>(L"urlmon.dll", "URLDownloadToFileW");
  HRESULT com = initialize ? initialize(nullptr, COINIT_APARTMENTTHREADED) : E_FAIL;
  DownloadWatch watch(*state);
  HRESULT result =
      download ? download(nullptr, state->url.c_str(), state->path.c_str(), 0, &watch) : E_FAIL;
  state->succeeded = SUCCEEDED(result) && watch.Complete();
  if (SUCCEEDED(com))
    uninitialize();
  SetEvent(state->finished);
  // Given up on: nobody will read or remove the file but this thread.
  if (state->abandoned)
    DeleteFileW(state->path.c_str());
}

// The transfer alone, into an existing file. It runs on a thread of its own
// so that the wait can end once the download stops making progress; the
// caller still waits for it, as for any synchronous download.
bool DownloadToFile(const std::wstring &url, const wchar_t *path) {
  auto state = std::make_shared<DownloadState>();
  state->url = url;
  state->path = path;
  if (!state->finished)
    return false;
  std::thread(RunDownload, state).detach();
  while (WaitForSingleObject(state->finished, kStallCheckMs) == WAIT_TIMEOUT) {
    if (state->abandoned || GetTickCount64() - state->lastProgress > g_stallLimitMs) {
      state->abandoned = true;
      return false;
    }
  }
  return state->succeeded;
}

} // namespace

void TrimCsvField(std::wstring &field) {
  std::wstring_view kept = Trimmed(field);
  size_t first = static_cast<size_t>(kept.data() - field.data());
  field.erase(first + kept.size()).erase(0, first);
}

// One line's bytes, any length, to a row. A line of the file fits the
// buffer and is converted once; only a longer one given by a caller needs
// the heap.
static bool ParseLine(const char *bytes, size_t size, HolidayRow &row) {
  if (size == 0 || size > INT_MAX)
    return false;
  wchar_t buffer[kLineBuffer];
  std::wstring longer;
  std::wstring_view text;
  if (size < kLineBuffer) {
    int count =
        MultiByteToWideChar(kShiftJis, 0, bytes, static_cast<int>(size), buffer, kLineBuffer);
    text = std::wstring_view(buffer, count > 0 ? static_cast<size_t>(count) : 0);
  } else {
    int count = MultiByteToWideChar(kShiftJis, 0, bytes, static_cast<int>(size), nullptr, 0);
    if (count > 0) {
      longer.resize(static_cast<size_t>(count));
      MultiByteToWideChar(kShiftJis, 0, bytes, static_cast<int>(size), &longer[0], count);
    }
    text = longer;
  }
  size_t comma = static_cast<size_t>(std::find(text.begin(), text.end(), L',') - text.begin());
  if (comma == text.size())
    return false;
  std::wstring_view first = Trimmed(text.substr(0, comma));
  std::wstring_view second = Trimmed(text.substr(comma + 1));

  int parts[3] = {};
  if (ScanEitherDate(first, parts)) {
    row.name.assign(second);
  } else if (ScanEitherDate(second, parts)) {
    row.name.assign(first);
  } else {
    return false;
  }
  row.date = FormatDate(parts);
  return true;
}

bool ParseHolidayCsvLine(const std::string &line, HolidayRow &row) {
  return ParseLine(line.data(), line.size(), row);
}

bool ParseHolidayCsv(const std::wstring &path, HolidayRows &rows) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return false;
  LARGE_INTEGER size = {};
  bool ok = GetFileSizeEx(file, &size) && size.QuadPart < INT_MAX;
  std::string bytes;
  if (ok) {
    bytes.resize(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    DWORD got = 1;
    while (ok && got > 0 && done < bytes.size()) {
      ok = ReadFile(file, &bytes[done], static_cast<DWORD>(bytes.size() - done), &got, nullptr);
      done += got;
    }
    bytes.resize(done);
  }
  CloseHandle(file);
  // A read that failed part-way is no complete list.
  if (!ok || bytes.empty())
    return false;

  // The lines as a reader with a buffer of kLineBuffer bytes sees them: at
  // most kLineBuffer - 1 bytes each, up to and including a LF, and text after
  // a zero byte is lost. The first is the header, which says nothing we use.
  const char *at = bytes.data(), *end = at + bytes.size();
  rows.reserve(rows.size() + static_cast<size_t>(std::count(at, end, '\n')) + 1);
  for (bool header = true; at < end; header = false) {
    // One pass finds the line end and the first zero byte.
    const char *line = at, *stop = at + std::min<size_t>(end - at, kLineBuffer - 1);
    const char *zero = nullptr;
    while (at < stop && *at != '\n') {
      if (*at == '\0' && !zero)
        zero = at;
      ++at;
    }
    if (at < stop)
      ++at; // the LF belongs to the line
    if (header)
      continue;
    size_t length = static_cast<size_t>((zero ? zero : at) - line);
    while (length > 0 && (line[length - 1] == '\r' || line[length - 1] == '\n'))
      --length;
    HolidayRow row;
    if (length > 0 && ParseLine(line, length, row))
      rows.push_back(std::move(row));
  }
  return true;
}

void SetDownloadStallLimit(unsigned milliseconds) {
  g_stallLimitMs = milliseconds;
}

bool DownloadHolidayCsv(const std::wstring &url, HolidayRows &rows) {
  wchar_t folder[MAX_PATH] = {};
  DWORD length = GetTempPathW(MAX_PATH, folder);
  if (length == 0 || length >= MAX_PATH)
    return false;
  wchar_t path[MAX_PATH] = {};
  if (!GetTempFileNameW(folder, L"hol", 0, path))
    return false;
  bool ok = DownloadToFile(url, path) && ParseHolidayCsv(path, rows);
  DeleteFileW(path);
  return ok;
}
