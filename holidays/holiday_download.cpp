#include "holidays/holiday_download.h"

#include <objbase.h>
#include <urlmon.h>

#include <atomic>
#include <exception>
#include <iterator>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "app/handle_owner.h"
#include "app/late_bound.h"
#include "app/leftover_files.h"

struct HolidayDownload {
  std::wstring url, path;
  const ULONGLONG started = GetTickCount64();
  std::atomic<ULONGLONG> lastProgress{started};
  std::atomic<unsigned long long> received{0};
  // Set by the waiting side when it is done with the file; the transfer,
  // should it end later, then removes what it wrote.
  std::atomic<bool> abandoned{false};
  bool arrived = false; // read only after ended is signalled
  KernelOwner ended{CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

namespace {

constexpr int kMostRedirects = 10;
constexpr DWORD kCheckEveryMs = 100;
const wchar_t kPrefix[] = L"hol";

// The transfer's callback: notes every sign of progress and ends a transfer
// that was given up, redirects in circles or passes the size limit. Where
// the platform reports progress during the body, a flood is stopped there;
// the file's size is checked again before it is read. Implementing the
// platform's callback interface is the only way to follow a download.
class DownloadWatch final : public IBindStatusCallback {
public:
  explicit DownloadWatch(HolidayDownload &download) : download_(download) {}

  // IUnknown: the object lives on the stack of the transfer, so counting is nominal.
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
  STDMETHODIMP OnProgress(ULONG progress, ULONG progressMax, ULONG status, LPCWSTR text) override {
    // Every redirect is one more request, whether or not it is reported as such.
    if (status == BINDSTATUS_SENDINGREQUEST && ++requests_ > kMostRedirects + 1)
      refused_ = true;
    if (status == BINDSTATUS_REDIRECTING && text && addresses_.size() <= kMostRedirects)
      addresses_.push_back(text);
    if (status == BINDSTATUS_BEGINDOWNLOADDATA || status == BINDSTATUS_DOWNLOADINGDATA ||
        status == BINDSTATUS_ENDDOWNLOADDATA) {
      download_.received = progress;
      if (progress > kMostHolidayCsvBytes)
        refused_ = true;
    }
    // A connection dropped mid-body can end like a complete download: what
    // the server announced must have arrived, no more and no less.
    if (status == BINDSTATUS_ENDDOWNLOADDATA)
      whole_ = progressMax == 0 || progress == progressMax;
    return Touch();
  }
  STDMETHODIMP OnStopBinding(HRESULT, LPCWSTR) override { return S_OK; }
  // Nothing of ours goes into the platform's download cache, whether the
  // transfer ends well, fails or is cancelled, nor is an answer taken from it.
  STDMETHODIMP GetBindInfo(DWORD *flags, BINDINFO *) override {
    if (flags)
      *flags |= BINDF_NOWRITECACHE | BINDF_GETNEWESTVERSION | BINDF_PRAGMA_NO_CACHE;
    return S_OK;
  }
  STDMETHODIMP OnDataAvailable(DWORD, DWORD, FORMATETC *, STGMEDIUM *) override { return Touch(); }
  STDMETHODIMP OnObjectAvailable(REFIID, IUnknown *) override { return S_OK; }

  bool Whole() const { return whole_ && !refused_; }
  // Where the answer came from: the address asked for and every redirect.
  const std::vector<std::wstring> &Addresses() const { return addresses_; }

private:
  HRESULT Touch() {
    download_.lastProgress = GetTickCount64();
    return refused_ || download_.abandoned ? E_ABORT : S_OK;
  }

  HolidayDownload &download_;
  std::vector<std::wstring> addresses_{download_.url};
  int requests_ = 0;
  bool refused_ = false, whole_ = false;
};

// The platform keeps a copy of an answer in its download cache even when
// asked not to (a file is needed); ours must not stay there, least of all a
// flood. Forgotten before, too: a run killed mid-transfer could not.
void ForgetCachedCopies(const std::vector<std::wstring> &urls) {
  using DeleteFunction = BOOL(WINAPI *)(const wchar_t *);
  static const auto forget = LateBound<DeleteFunction>(L"wininet.dll", "DeleteUrlCacheEntryW");
  for (const std::wstring &url : urls)
    if (forget)
      forget(url.c_str());
}

bool Transfer(HolidayDownload &download) {
  using InitializeFunction = HRESULT(WINAPI *)(void *, DWORD);
  using UninitializeFunction = void(WINAPI *)();
  using DownloadFunction =
      HRESULT(WINAPI *)(IUnknown *, const wchar_t *, const wchar_t *, DWORD, IBindStatusCallback *);
  static const auto initialize = LateBound<InitializeFunction>(L"ole32.dll", "CoInitializeEx");
  static const auto uninitialize = LateBound<UninitializeFunction>(L"ole32.dll", "CoUninitialize");
  static const auto fetch = LateBound<DownloadFunction>(L"urlmon.dll", "URLDownloadToFileW");
  HRESULT com = initialize ? initialize(nullptr, COINIT_APARTMENTTHREADED) : E_FAIL;
  ScopeExit comEnd([com] {
    if (SUCCEEDED(com))
      uninitialize();
  });
  DownloadWatch watch(download);
  ForgetCachedCopies(watch.Addresses());
  HRESULT result =
      fetch ? fetch(nullptr, download.url.c_str(), download.path.c_str(), 0, &watch) : E_FAIL;
  ForgetCachedCopies(watch.Addresses());
  return SUCCEEDED(result) && watch.Whole();
}

DWORD WINAPI TransferThread(void *parameter) {
  // The thread's share in the download; whoever lets go last frees it.
  std::shared_ptr<HolidayDownload> download(
      std::move(*static_cast<std::shared_ptr<HolidayDownload> *>(parameter)));
  delete static_cast<std::shared_ptr<HolidayDownload> *>(parameter);
  download->arrived = Transfer(*download);
  SetEvent(download->ended.Get());
  // Given up on: nobody will read the file, and the transfer may have
  // written it after the waiting side removed it.
  if (download->abandoned)
    DeleteFileW(download->path.c_str());
  return 0;
}

// GetTempFileNameW's names with our prefix: "hol", one to four hex digits, ".tmp".
bool IsOurTemporaryName(const wchar_t *name) {
  return IsNumberedName(name, kPrefix, 4, L".tmp");
}

// The file holds every byte that arrived (a full disk can cut it short) and
// ends with a line break: the published list ends every line with CR LF, so
// a last line without one was cut off.
bool ArrivedWhole(const HolidayDownload &download) {
  FileOwner file(CreateFileW(download.path.c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file)
    return false;
  LARGE_INTEGER size = {}, last = {};
  last.QuadPart = -1;
  char byte = 0;
  DWORD got = 0;
  return GetFileSizeEx(file.Get(), &size) && size.QuadPart > 0 &&
         static_cast<unsigned long long>(size.QuadPart) == download.received &&
         SetFilePointerEx(file.Get(), last, nullptr, FILE_END) &&
         ReadFile(file.Get(), &byte, 1, &got, nullptr) && got == 1 && byte == '\n';
}

} // namespace

void SetDownloadLimits(const DownloadLimits &limits) {
  g_app.downloadLimits = limits;
}

std::shared_ptr<HolidayDownload> StartHolidayDownload(const std::wstring &url) {
  wchar_t folder[MAX_PATH] = {};
  DWORD length = GetTempPathW(MAX_PATH, folder);
  if (length == 0 || length >= MAX_PATH)
    return nullptr;
  // What a run that was killed mid-download left in the folder.
  RemoveLeftoverFiles(folder, L"hol*.tmp", IsOurTemporaryName);
  wchar_t path[MAX_PATH] = {};
  if (!GetTempFileNameW(folder, kPrefix, 0, path))
    return nullptr;
  auto download = std::make_shared<HolidayDownload>();
  download->url = url;
  download->path = path;
  auto *share = new std::shared_ptr<HolidayDownload>(download);
  KernelOwner thread(download->ended ? CreateThread(nullptr, 0, TransferThread, share, 0, nullptr)
                                     : nullptr);
  if (!thread) {
    delete share;
    DeleteFileW(path);
    return nullptr;
  }
  return download;
}

DownloadStatus CheckHolidayDownload(const HolidayDownload &download) {
  if (WaitForSingleObject(download.ended.Get(), 0) == WAIT_OBJECT_0)
    return download.arrived ? DownloadStatus::Arrived : DownloadStatus::Failed;
  ULONGLONG now = GetTickCount64();
  const DownloadLimits &limits = g_app.downloadLimits;
  if (now - download.lastProgress > limits.stallMs || now - download.started > limits.deadlineMs)
    return DownloadStatus::Failed;
  return DownloadStatus::Running;
}

unsigned long long HolidayBytesReceived(const HolidayDownload &download) {
  return download.received;
}

bool FinishHolidayDownload(HolidayDownload &download, HolidayRows *rows) {
  bool parsed = false;
  if (rows && CheckHolidayDownload(download) == DownloadStatus::Arrived && ArrivedWhole(download)) {
    // Memory running out while reading the answer fails this download, not the program.
    try {
      HolidayRows read;
      parsed = ParseHolidayCsv(download.path, read);
      if (parsed)
        rows->insert(rows->end(), std::make_move_iterator(read.begin()),
                     std::make_move_iterator(read.end()));
    } catch (const std::exception &) {
      parsed = false;
    }
  }
  // After the parse: a transfer that ends now must not remove the file under it.
  download.abandoned = true;
  DeleteFileW(download.path.c_str());
  return parsed;
}

bool DownloadHolidayCsv(const std::wstring &url, HolidayRows &rows) {
  std::shared_ptr<HolidayDownload> download = StartHolidayDownload(url);
  if (!download)
    return false;
  DownloadStatus status;
  while ((status = CheckHolidayDownload(*download)) == DownloadStatus::Running)
    WaitForSingleObject(download->ended.Get(), kCheckEveryMs);
  return FinishHolidayDownload(*download, status == DownloadStatus::Arrived ? &rows : nullptr);
}
