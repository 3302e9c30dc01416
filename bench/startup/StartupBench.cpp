// The waiting half of the start-up bench (run.sh starts the programs):
//
//   startup_bench --wait <window class>
//
// prints "ready", then waits until a shown window of that class answers a
// message and prints the wall-clock time of that moment in nanoseconds, the
// same clock as the shell's `date +%s%N`; "timeout" after 60 s.
#include <windows.h>

#include <time.h>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

struct WindowSearch {
  const char16_t* cls;
  HWND found;
};

BOOL CALLBACK FindClassWindow(HWND w, LPARAM p) {
  auto* s = reinterpret_cast<WindowSearch*>(p);
  char16_t cls[128] = {0};
  GetClassNameW(w, reinterpret_cast<LPWSTR>(cls), 127);
  if (IsWindowVisible(w) && std::u16string(cls) == s->cls) {
    s->found = w;
    return FALSE;
  }
  return TRUE;
}

long long NowNs() {
  timespec t{};
  clock_gettime(CLOCK_REALTIME, &t);
  return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3 || std::strcmp(argv[1], "--wait") != 0) {
    std::fprintf(stderr, "usage: startup_bench --wait <window class>\n");
    return 2;
  }
  const std::string name = argv[2];
  const std::u16string cls(name.begin(), name.end());
  std::printf("ready\n");
  std::fflush(stdout);
  const long long deadline = NowNs() + 60000000000LL;
  while (NowNs() < deadline) {
    WindowSearch s{cls.c_str(), nullptr};
    EnumWindows(FindClassWindow, reinterpret_cast<LPARAM>(&s));
    DWORD_PTR answer = 0;
    if (s.found && SendMessageTimeoutW(s.found, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer)) {
      std::printf("%lld\n", NowNs());
      return 0;
    }
    Sleep(1);
  }
  std::printf("timeout\n");
  return 1;
}
