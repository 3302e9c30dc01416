// The web downloader the program calls for its Download command: a small
// window asks for an address, the file is fetched over HTTP(S) into the
// folder the program names, and the saved names come back as "name|".
// A script that test tools name through SetUnattendedScript replaces the
// window while the file exists: its lines "url <address> <name>" fetch
// files, "result <text>" gives the answer as it stands, "fail" answers False.
#include <windows.h>
#include <wininet.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

namespace {

// The answer stays valid until the next call, as the caller expects.
std::string answer;

std::u16string Wide(const std::string& s) {
  std::u16string w(static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, nullptr, 0)), u'\0');
  if (!w.empty()) MultiByteToWideChar(CP_ACP, 0, s.c_str(), -1, reinterpret_cast<LPWSTR>(&w[0]), static_cast<int>(w.size()));
  if (!w.empty()) w.pop_back();
  return w;
}

std::string Narrow(const std::u16string& w) {
  const int n = WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(w.c_str()), -1, nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n > 0 ? n : 1), '\0');
  WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<LPCWSTR>(w.c_str()), -1, &s[0], n, nullptr, nullptr);
  s.resize(s.size() - 1);
  return s;
}

// Closes an internet handle on every path.
struct TNetHandle {
  HINTERNET h;
  explicit TNetHandle(HINTERNET handle) : h(handle) {}
  ~TNetHandle() {
    if (h) InternetCloseHandle(h);
  }
};

// A file name for what an address names: its last path part without the
// query, and only when it is a plain name.
std::string NameFromAddress(const std::string& url) {
  std::string path = url.substr(0, url.find_first_of("?#"));
  const size_t slash = path.find_last_of('/');
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty() || name == "." || name == ".." || name.find_first_of("\\:*?\"<>|") != std::string::npos)
    return "download";
  return name;
}

bool Fetch(const std::string& url, const std::string& folder, const std::string& name) {
  TNetHandle session(InternetOpenW(reinterpret_cast<LPCWSTR>(u"Downloader"), INTERNET_OPEN_TYPE_PRECONFIG,
                                   nullptr, nullptr, 0));
  if (!session.h) return false;
  TNetHandle request(InternetOpenUrlW(session.h, reinterpret_cast<LPCWSTR>(Wide(url).c_str()), nullptr, 0,
                                      INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE, 0));
  if (!request.h) return false;
  DWORD status = 0, size = sizeof status;
  if (HttpQueryInfoW(request.h, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) &&
      status >= 400)
    return false;
  const std::u16string target = Wide(folder + "\\" + name);
  HANDLE file = CreateFileW(reinterpret_cast<LPCWSTR>(target.c_str()), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  char buffer[16384];
  DWORD read = 0;
  bool ok = true;
  while (ok && InternetReadFile(request.h, buffer, sizeof buffer, &read) && read) {
    DWORD written = 0;
    ok = WriteFile(file, buffer, read, &written, nullptr) && written == read;
  }
  CloseHandle(file);
  if (!ok) DeleteFileW(reinterpret_cast<LPCWSTR>(target.c_str()));
  return ok;
}

// The unattended script's name (system code page); empty: the window.
std::string unattendedScript;

std::string ScriptName() {
  if (unattendedScript.empty()) return "";
  const DWORD a = GetFileAttributesW(reinterpret_cast<LPCWSTR>(Wide(unattendedScript).c_str()));
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY) ? unattendedScript : "";
}

bool RunScript(const std::string& script, const std::string& folder) {
  HANDLE f = CreateFileW(reinterpret_cast<LPCWSTR>(Wide(script).c_str()), GENERIC_READ, FILE_SHARE_READ, nullptr,
                         OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  std::string text;
  char buffer[4096];
  DWORD read = 0;
  while (ReadFile(f, buffer, sizeof buffer, &read, nullptr) && read) text.append(buffer, read);
  CloseHandle(f);
  std::istringstream lines(text);
  std::string line, saved;
  bool result = false;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == "fail") return false;
    if (line.compare(0, 7, "result ") == 0 || line == "result") {
      answer = line.size() > 7 ? line.substr(7) : "";
      result = true;
    } else if (line.compare(0, 4, "url ") == 0) {
      std::istringstream words(line.substr(4));
      std::string url, name;
      words >> url >> name;
      if (name.empty()) name = NameFromAddress(url);
      if (Fetch(url, folder, name)) saved += name + "|";
    }
  }
  if (!result) answer = saved;
  return true;
}

// The address window: an edit, Download and Cancel. Returns the address,
// empty when cancelled.
struct TAsk {
  HWND edit = nullptr;
  bool done = false, ok = false;
  std::u16string url;
};

LRESULT CALLBACK AskProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  auto* ask = reinterpret_cast<TAsk*>(GetWindowLongPtrW(h, GWLP_USERDATA));
  switch (m) {
    case WM_COMMAND:
      if (ask && (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL)) {
        ask->ok = LOWORD(w) == IDOK;
        if (ask->ok) {
          char16_t text[2048] = {};
          GetWindowTextW(ask->edit, reinterpret_cast<LPWSTR>(text), 2047);
          ask->url = text;
        }
        ask->done = true;
      }
      return 0;
    case WM_CLOSE:
      if (ask) ask->done = true;
      return 0;
  }
  return DefWindowProcW(h, m, w, l);
}

std::string AskAddress(int x, int y) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = AskProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  wc.lpszClassName = reinterpret_cast<LPCWSTR>(u"TDownloaderWindow");
  RegisterClassW(&wc);
  TAsk ask;
  HWND owner = GetActiveWindow();
  HWND h = CreateWindowExW(WS_EX_DLGMODALFRAME, wc.lpszClassName, reinterpret_cast<LPCWSTR>(u"Download"),
                           WS_POPUP | WS_CAPTION | WS_SYSMENU, x + 40, y + 40, 440, 130, owner, nullptr,
                           wc.hInstance, nullptr);
  SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&ask));
  HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  auto child = [&](const char16_t* cls, const char16_t* text, DWORD style, int l, int t, int w, int hh, int id) {
    HWND c = CreateWindowExW(cls == std::u16string(u"EDIT") ? WS_EX_CLIENTEDGE : 0, reinterpret_cast<LPCWSTR>(cls),
                             reinterpret_cast<LPCWSTR>(text), WS_CHILD | WS_VISIBLE | style, l, t, w, hh, h,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), wc.hInstance, nullptr);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    return c;
  };
  child(u"STATIC", u"Address of the file:", 0, 10, 10, 400, 16, 0);
  ask.edit = child(u"EDIT", u"", WS_TABSTOP | ES_AUTOHSCROLL, 10, 28, 410, 22, 100);
  child(u"BUTTON", u"Download", WS_TABSTOP | BS_DEFPUSHBUTTON, 250, 60, 80, 26, IDOK);
  child(u"BUTTON", u"Cancel", WS_TABSTOP, 340, 60, 80, 26, IDCANCEL);
  if (owner) EnableWindow(owner, FALSE);
  ShowWindow(h, SW_SHOW);
  SetFocus(ask.edit);
  MSG msg;
  while (!ask.done && GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(h, &msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  if (owner) EnableWindow(owner, TRUE);
  DestroyWindow(h);
  return ask.ok ? Narrow(ask.url) : "";
}

}  // namespace

extern "C" void WINAPI SetUnattendedScript(const char* name) { unattendedScript = name ? name : ""; }

extern "C" bool WINAPI RunDownloader(const char* /*product*/, const char* /*version*/, const char* /*maker*/,
                                     const char* /*home*/, const char* /*support*/, const char* /*mail*/,
                                     const char* /*guide*/, const char* /*page*/, const char*, const char*,
                                     const char* /*skinFolder*/, const char* tempFolder, uint8_t, uint8_t,
                                     uint16_t* left, uint16_t* top, uint8_t* /*language*/, uint8_t* /*flag*/,
                                     uint8_t*, char** files) {
  answer.clear();
  if (files) *files = nullptr;
  const std::string folder = tempFolder ? tempFolder : "";
  const std::string script = ScriptName();
  bool ok;
  if (!script.empty()) {
    ok = RunScript(script, folder);
  } else {
    const std::string url = AskAddress(left ? *left : 0, top ? *top : 0);
    ok = !url.empty();
    if (ok) {
      const std::string name = NameFromAddress(url);
      ok = Fetch(url, folder, name);
      if (ok) answer = name + "|";
    }
  }
  if (files) *files = const_cast<char*>(answer.c_str());
  return ok;
}
