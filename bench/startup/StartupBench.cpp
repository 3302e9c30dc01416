// Start-up time of the program against Wine's own notepad started the same
// way in the same run: from process creation to the main window answering a
// message. Prints each median and the ratio (the program over notepad).
//
//   startup_bench [runs]
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

struct WindowSearch {
  DWORD pid;
  const char16_t* cls;
  HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<WindowSearch*>(p);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  char16_t cls[128] = {0};
  GetClassNameW(w, reinterpret_cast<LPWSTR>(cls), 127);
  if (pid == s->pid && IsWindowVisible(w) && std::u16string(cls) == s->cls) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

// Milliseconds from CreateProcess to the shown main window answering
// WM_NULL; -1 when it did not come within 60 s.
double TimeToWindow(const std::u16string& commandLine, const char16_t* windowClass) {
  STARTUPINFOW si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::vector<char16_t> line(commandLine.begin(), commandLine.end());
  line.push_back(0);
  const auto start = std::chrono::steady_clock::now();
  if (!CreateProcessW(nullptr, reinterpret_cast<LPWSTR>(line.data()), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
  double ms = -1;
  while (std::chrono::steady_clock::now() - start < std::chrono::seconds(60)) {
    WindowSearch s{pi.dwProcessId, windowClass, nullptr};
    EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&s));
    DWORD_PTR answer = 0;
    if (s.found && SendMessageTimeoutW(s.found, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer)) {
      ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      break;
    }
    Sleep(2);
  }
  // Only the process this bench started is ended.
  TerminateProcess(pi.hProcess, 0);
  WaitForSingleObject(pi.hProcess, 10000);
  CloseHandle(pi.hThread);
  CloseHandle(pi.hProcess);
  return ms;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? -1 : v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
  char16_t self[MAX_PATH] = {0};
  GetModuleFileNameW(nullptr, reinterpret_cast<LPWSTR>(self), MAX_PATH);
  std::u16string folder(self);
  folder = folder.substr(0, folder.find_last_of(u"\\/") + 1);
  // The program lies in bin beside the bench folder.
  const std::u16string program = u"\"" + folder + u"..\\bin\\tessavane.exe\"";
  std::vector<double> ours, notepad;
  for (int i = 0; i < runs; ++i) {
    ours.push_back(TimeToWindow(program, u"TMainForm"));
    notepad.push_back(TimeToWindow(u"notepad.exe", u"Notepad"));
  }
  const double a = Median(ours), b = Median(notepad);
  std::printf("start-up to an answering main window, median of %d runs:\n", runs);
  std::printf("  tessavane (sixteen windows)  %8.1f ms\n", a);
  std::printf("  notepad                      %8.1f ms\n", b);
  if (a > 0 && b > 0) std::printf("  ratio                        %8.2f (goal <= 1.0)\n", a / b);
  return a > 0 && b > 0 ? 0 : 1;
}
