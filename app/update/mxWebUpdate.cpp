#include "app/update/mxWebUpdate.h"

#include <windows.h>
#include <shellapi.h>
#include <wininet.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "framework/Forms.h"
#include "framework/Streams.h"
#include "framework/SysUtils.h"
#include "framework/Threads.h"
#include "framework/WideText.h"

namespace {

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return s;
}

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return s;
}

// The text of `line` from `start` up to the next double quote, looking at no
// more than 255 characters; empty when no quote closes it there.
std::string QuotedAt(const std::string& line, size_t start) {
  if (start >= line.size()) return std::string();
  const std::string window = line.substr(start, 255);
  const size_t quote = window.find('"');
  return quote == std::string::npos ? std::string() : window.substr(0, quote);
}

// A version part as a number, 0 when it is not one.
long PartValue(const std::string& part) {
  if (part.empty()) return 0;
  errno = 0;
  char* end = nullptr;
  const long v = std::strtol(part.c_str(), &end, 10);
  return (errno != 0 || *end != '\0') ? 0 : v;
}

bool ToNumber(const std::string& text, double& value) {
  if (text.empty()) return false;
  errno = 0;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return errno == 0 && *end == '\0';
}

// Splits received text into lines the way text lists do: CR LF, LF or CR.
std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// One WinInet handle, closed when it goes.
struct TInternetHandle {
  HINTERNET h = nullptr;
  explicit TInternetHandle(HINTERNET handle) : h(handle) {}
  ~TInternetHandle() {
    if (h) InternetCloseHandle(h);
  }
  TInternetHandle(const TInternetHandle&) = delete;
  TInternetHandle& operator=(const TInternetHandle&) = delete;
};

void KeepWindowsAlive() {
  if (Application)
    Application->ProcessMessages();
  else
    PumpMessages();
}

}  // namespace

// ---- Property objects ----

void TmxProductInfo::SetURL(const std::string& value) {
  FURL = Lower(value.substr(0, 7)) == "http://" ? value : "http://" + value;
}

void TmxProductInfo::Assign(const TPersistent* source) {
  if (auto* s = dynamic_cast<const TmxProductInfo*>(source)) {
    FURL = s->FURL;
    Version = s->Version;
    VersionFormat = s->VersionFormat;
    return;
  }
  TPersistent::Assign(source);
}

void TmxTagInfo::Assign(const TPersistent* source) {
  if (auto* s = dynamic_cast<const TmxTagInfo*>(source)) {
    *this = *s;
    return;
  }
  TPersistent::Assign(source);
}

void TmxInfoCaption::Assign(const TPersistent* source) {
  if (auto* s = dynamic_cast<const TmxInfoCaption*>(source)) {
    *this = *s;
    return;
  }
  TPersistent::Assign(source);
}

// ---- The component ----

TmxWebUpdate::TmxWebUpdate(TComponent* owner)
    : TComponent(owner),
      FProductInfo(std::make_unique<TmxProductInfo>()),
      FTagInfo(std::make_unique<TmxTagInfo>()),
      FInfoCaption(std::make_unique<TmxInfoCaption>()) {}

TmxWebUpdate::~TmxWebUpdate() { Abort(); }

std::string TmxWebUpdate::Version() const {
  return std::to_string(FVersion >> 8 & 0xFF) + "." + std::to_string(FVersion & 0xFF);
}

void TmxWebUpdate::DoDownload() {
  if (OnDownload) OnDownload(this, FFileSize, static_cast<int>(FDownloadedSize));
}
void TmxWebUpdate::DoDownloadError() {
  if (OnDownloadError) OnDownloadError(this);
}
void TmxWebUpdate::DoBeforeDownload(const std::string& fileName) {
  if (OnBeforeDownload) OnBeforeDownload(this, fileName);
}
void TmxWebUpdate::DoAfterDownload(const std::string& fileName) {
  if (OnAfterDownload) OnAfterDownload(this, fileName);
}
void TmxWebUpdate::DoNoUpdateFound() {
  if (OnNoUpdateFound) OnNoUpdateFound(this);
}
void TmxWebUpdate::DoAfterGetInfo() {
  if (OnAfterGetInfo) OnAfterGetInfo(this);
}
void TmxWebUpdate::DoBeforeGetInfo() {
  if (OnBeforeGetInfo) OnBeforeGetInfo(this);
}
void TmxWebUpdate::DoCannotExecute() {
  if (OnCannotExecute) OnCannotExecute(this);
}

void TmxWebUpdate::SplitURL(const std::string& url, std::string& host, std::string& path) {
  std::string rest = url;
  if (Lower(url).find("http://") != std::string::npos) rest = url.substr(7);
  const size_t slash = rest.find('/');
  if (slash == std::string::npos) {
    host.clear();
    path = rest;
  } else {
    host = rest.substr(0, slash);
    path = rest.substr(slash);
  }
}

bool TmxWebUpdate::HttpGet(const std::string& url, const std::string& targetFile, bool toFile, bool needLength) {
  FAborting = false;
  FDownloadResult = false;
  try {
    std::string host, path;
    SplitURL(url, host, path);
    if (host.empty()) {
      std::string productPath;
      SplitURL(FProductInfo->URL(), host, productPath);
    }
    TInternetHandle session(InternetOpenW(W(u"TmxWebUpdate"), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session.h) {
      DoDownloadError();
      return false;
    }
    // An unreachable server must not hold the GUI thread for long.
    DWORD connectTimeout = 5000, receiveTimeout = 10000;
    InternetSetOptionW(session.h, INTERNET_OPTION_CONNECT_TIMEOUT, &connectTimeout, sizeof(connectTimeout));
    InternetSetOptionW(session.h, INTERNET_OPTION_RECEIVE_TIMEOUT, &receiveTimeout, sizeof(receiveTimeout));
    const std::u16string whost = UTF8ToUTF16(host), wuser = UTF8ToUTF16(UserName),
                         wpass = UTF8ToUTF16(Password), wpath = UTF8ToUTF16(path);
    TInternetHandle connection(InternetConnectW(session.h, reinterpret_cast<LPCWSTR>(whost.c_str()),
                                                static_cast<INTERNET_PORT>(HTTPPort),
                                                UserName.empty() ? nullptr : reinterpret_cast<LPCWSTR>(wuser.c_str()),
                                                Password.empty() ? nullptr : reinterpret_cast<LPCWSTR>(wpass.c_str()),
                                                INTERNET_SERVICE_HTTP, 0, 0));
    LPCWSTR accept[] = {reinterpret_cast<LPCWSTR>(u"Accept: */*"), nullptr};
    TInternetHandle request(connection.h ? HttpOpenRequestW(connection.h, reinterpret_cast<LPCWSTR>(u"GET"),
                                                            reinterpret_cast<LPCWSTR>(wpath.c_str()),
                                                            reinterpret_cast<LPCWSTR>(u"HTTP/1.0"), nullptr, accept,
                                                            INTERNET_FLAG_RELOAD, 0)
                                         : nullptr);
    const bool sent = request.h && HttpSendRequestW(request.h, nullptr, 0, nullptr, 0);
    if (FAborting) return false;
    // Only a page the server really has counts: an error page must never be
    // taken for the version page or saved and run as the update.
    DWORD status = 0, statusSize = sizeof(status);
    const bool found = sent &&
                       HttpQueryInfoW(request.h, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                                      &statusSize, nullptr) &&
                       status == 200;
    char16_t lengthText[512] = {};
    DWORD lengthSize = sizeof(lengthText);
    const bool hasLength =
        found && HttpQueryInfoW(request.h, HTTP_QUERY_CONTENT_LENGTH, lengthText, &lengthSize, nullptr);
    FDownloadResult = hasLength;
    if (FAborting) {
      FDownloadResult = false;
      return false;
    }
    std::string page;
    if (found && (hasLength || !needLength)) {
      if (hasLength) FFileSize = std::atoi(UTF16ToUTF8(lengthText).c_str());
      FDownloadedSize = 0;
      std::unique_ptr<TFileStream> file;
      if (toFile) file = std::make_unique<TFileStream>(targetFile, fmCreate);
      char block[1025];
      for (;;) {
        if (FAborting) {
          FDownloadResult = false;
          return false;
        }
        DWORD read = 0;
        if (!InternetReadFile(request.h, block, sizeof(block), &read) || read == 0) break;
        if (toFile)
          file->Write(block, read);
        else
          page.append(block, read);
        FDownloadSize = read;
        FDownloadedSize += read;
        DoDownload();
        KeepWindowsAlive();
      }
      FDownloadResult = toFile ? (hasLength && FDownloadedSize == static_cast<unsigned>(FFileSize)) : !page.empty();
    } else {
      FDownloadResult = false;
    }
    if (!FDownloadResult)
      DoDownloadError();
    else if (!toFile)
      FInfo = SplitLines(page);
  } catch (...) {
    FDownloadResult = false;
  }
  return FDownloadResult;
}

void TmxWebUpdate::ParseVersionPage(const std::vector<std::string>& lines) {
  FProductVersion.clear();
  FUpdateURL.clear();
  FClientFileName.clear();
  FRedirectionURL.clear();
  FAuthor.clear();
  FEMail.clear();
  FProductName.clear();
  FRunParameters.clear();
  const std::pair<const std::string*, std::string*> targets[] = {
      {&FTagInfo->Author, &FAuthor},
      {&FTagInfo->Email, &FEMail},
      {&FTagInfo->ClientFileName, &FClientFileName},
      {&FTagInfo->Download, &FUpdateURL},
      {&FTagInfo->ProductName, &FProductName},
      {&FTagInfo->Redirection, &FRedirectionURL},
      {&FTagInfo->RunParameters, &FRunParameters},
      {&FTagInfo->Version, &FProductVersion},
  };
  for (const std::string& line : lines) {
    const size_t meta = line.find("META NAME");
    if (meta == std::string::npos) continue;
    const size_t content = Upper(line).find("CONTENT=");
    if (content == std::string::npos) continue;
    const std::string tag = QuotedAt(line, meta + 11);
    const std::string value = QuotedAt(line, content + 9);
    for (const auto& t : targets)
      if (*t.first == tag) *t.second = value;
  }
}

void TmxWebUpdate::FetchVersionPage() {
  std::string url = FRedirectionURL.empty() ? FProductInfo->URL() : FRedirectionURL;
  for (int followed = 0;; ++followed) {
    FProductVersion.clear();
    FUpdateURL.clear();
    FAuthor.clear();
    FEMail.clear();
    FProductName.clear();
    FRunParameters.clear();
    if (!HttpGet(url, std::string(), false, false)) return;
    ParseVersionPage(FInfo);
    if (FRedirectionURL.empty()) return;
    // Pages that keep sending us on (one naming itself, say) end the check.
    if (followed >= MaxRedirections) {
      FDownloadResult = false;
      DoDownloadError();
      return;
    }
    url = FRedirectionURL;
  }
}

bool TmxWebUpdate::IsNewerVersion() {
  bool newer = false;
  switch (FProductInfo->VersionFormat) {
    case vfStandard: {
      std::string installed = FProductInfo->Version, offered = FProductVersion;
      for (;;) {
        const size_t idot = installed.find('.'), odot = offered.find('.');
        const long a = PartValue(installed.substr(0, idot)), b = PartValue(offered.substr(0, odot));
        if (a < b) {
          newer = true;
          break;
        }
        if (a > b || idot == std::string::npos) break;
        installed.erase(0, idot + 1);
        offered = odot == std::string::npos ? std::string() : offered.substr(odot + 1);
      }
      break;
    }
    case vfString:
      newer = FProductVersion.compare(FProductInfo->Version) > 0;
      break;
    case vfNumber: {
      double installed = 0, offered = 0;
      newer = ToNumber(FProductInfo->Version, installed) && ToNumber(FProductVersion, offered) && offered > installed;
      break;
    }
  }
  if (!newer) DoNoUpdateFound();
  return newer;
}

std::string TmxWebUpdate::GetTargetFileName() {
  // The page names the file; it never chooses the folder.
  std::string name = FClientFileName;
  std::replace(name.begin(), name.end(), '/', '\\');
  name = ExtractFileName(name);
  if (name == "." || name == "..") name.clear();
  if (!TargetFolder.empty() && DirectoryExists(TargetFolder)) return IncludeTrailingPathDelimiter(TargetFolder) + name;
  char16_t temp[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathW(MAX_PATH + 1, reinterpret_cast<LPWSTR>(temp));
  if (n == 0 || n > MAX_PATH) return name;
  return IncludeTrailingPathDelimiter(UTF16ToUTF8(temp)) + name;
}

void TmxWebUpdate::DownloadUpdate() {
  FFileName = GetTargetFileName();
  if (OnGetClientFileName) OnGetClientFileName(this, FFileName);
  FDownloadResult = false;
  if (ExtractFileName(FFileName).empty() || FUpdateURL.empty()) {
    DoDownloadError();
    return;
  }
  if (FileExists(FFileName)) {
    bool overwrite = (Options & uoOverwrite) != 0;
    if (OnClientFileExists) OnClientFileExists(this, FFileName, overwrite);
    if (!overwrite) {
      DoDownloadError();
      return;
    }
  }
  DoBeforeDownload(FFileName);
  HttpGet(FUpdateURL, FFileName, true, true);
  DoAfterDownload(FFileName);
}

bool TmxWebUpdate::ShowUpdateInfo() {
  bool showInfo = true, checkForUpdate = true;
  if (OnBeforeShowInfo) OnBeforeShowInfo(this, showInfo, checkForUpdate);
  if (!showInfo) return true;
  if (!InfoWindow) return false;
  const bool ok = InfoWindow(this, FRedirectionURL.empty() ? FProductInfo->URL() : FRedirectionURL, checkForUpdate);
  if (OnAfterShowInfo) OnAfterShowInfo(this, checkForUpdate);
  return ok;
}

bool TmxWebUpdate::CheckForAnUpdate() {
  if (FActive) return false;
  FActive = true;
  FRedirectionURL.clear();
  DoBeforeGetInfo();
  FetchVersionPage();
  DoAfterGetInfo();
  if (FProductName.empty() || FProductVersion.empty()) {
    DoDownloadError();
    FDownloadResult = false;
  }
  if (FDownloadResult && IsNewerVersion()) {
    bool canUpdate = true;
    if (OnUpdateAvailable) OnUpdateAvailable(this, FProductInfo->Version, FProductVersion, canUpdate);
    if (canUpdate && ShowUpdateInfo()) {
      DownloadUpdate();
      if (FDownloadResult) {
        if (Options & uoRunUpdate) {
          HWND owner = Application && Application->MainForm() && Application->MainForm()->HandleAllocated()
                           ? Application->MainForm()->Handle()
                           : nullptr;
          const std::u16string file = UTF8ToUTF16(FFileName), params = UTF8ToUTF16(FRunParameters);
          // A start that fails is reported through OnCannotExecute; the
          // shell's own error box would say it a second time.
          SHELLEXECUTEINFOW info{};
          info.cbSize = sizeof(info);
          info.fMask = SEE_MASK_FLAG_NO_UI;
          info.hwnd = owner;
          info.lpVerb = reinterpret_cast<LPCWSTR>(u"open");
          info.lpFile = reinterpret_cast<LPCWSTR>(file.c_str());
          info.lpParameters = params.empty() ? nullptr : reinterpret_cast<LPCWSTR>(params.c_str());
          info.nShow = SW_SHOWNORMAL;
          ShellExecuteExW(&info);
          const INT_PTR started = reinterpret_cast<INT_PTR>(info.hInstApp);
          if (started <= 32) {
            DoCannotExecute();
          } else if (Options & uoTerminate) {
            // The program ends the normal way, so that it keeps its settings
            // and cleans up; an update that did not start leaves it running.
            if (Application && Application->MainForm())
              Application->MainForm()->Close();
            else if (Application)
              Application->Terminate();
          }
        }
        FActive = false;
        return true;
      }
    }
  }
  FActive = false;
  return false;
}
