#include "framework/Threads.h"

#include <windows.h>

#include <vector>

#include "framework/WideText.h"

// ---------------------------------------------------------------------------
// Locks and events

struct TCriticalSection::Impl {
  CRITICAL_SECTION cs;
};

TCriticalSection::TCriticalSection() : FImpl(new Impl) { InitializeCriticalSection(&FImpl->cs); }
TCriticalSection::~TCriticalSection() { DeleteCriticalSection(&FImpl->cs); }
void TCriticalSection::Enter() { EnterCriticalSection(&FImpl->cs); }
void TCriticalSection::Leave() { LeaveCriticalSection(&FImpl->cs); }
bool TCriticalSection::TryEnter() { return TryEnterCriticalSection(&FImpl->cs) != FALSE; }

TEvent::TEvent(bool manualReset, bool initialState)
    : FHandle(CreateEventW(nullptr, manualReset, initialState, nullptr)) {
  if (!FHandle) throw Exception("Cannot create an event object");
}
TEvent::~TEvent() { CloseHandle(FHandle); }
void TEvent::SetEvent() { ::SetEvent(FHandle); }
void TEvent::ResetEvent() { ::ResetEvent(FHandle); }

TWaitResult TEvent::WaitFor(unsigned timeoutMs) {
  switch (WaitForSingleObject(FHandle, timeoutMs)) {
    case WAIT_OBJECT_0: return wrSignaled;
    case WAIT_TIMEOUT: return wrTimeout;
    case WAIT_ABANDONED: return wrAbandoned;
    default: return wrError;
  }
}

// ---------------------------------------------------------------------------
// The GUI thread and the synchronous call

namespace {

thread_local bool tWin32Thread = false;

DWORD MarkWin32Thread() {
  tWin32Thread = true;
  return GetCurrentThreadId();
}

// Static initialisation runs on the process's first thread.
DWORD gMainThreadID = MarkWin32Thread();
HWND gSyncWindow = nullptr;
void (*gWaitPump)() = nullptr;

const UINT WM_SYNC_CALL = WM_APP + 0x3A1;
const char16_t kSyncClass[] = u"TessavaneSyncWindow";

struct SyncCall {
  const std::function<void()>* call;
  std::exception_ptr error;
};

LRESULT CALLBACK SyncWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_SYNC_CALL) {
    auto* sc = reinterpret_cast<SyncCall*>(lParam);
    try {
      (*sc->call)();
    } catch (...) {
      sc->error = std::current_exception();
    }
    // The call ran inside some loop's message retrieval, which may now go
    // back to sleep waiting for input although the call changed what that
    // loop waits for (a modal result, a terminate flag): wake it up.
    PostMessageW(hwnd, WM_NULL, 0, 0);
    return 1;
  }
  return DefWindowProcW(hwnd, msg, wParam, lParam);
}

// The hidden window lives on the GUI thread; it is made on first use there.
HWND SyncWindow() {
  if (gSyncWindow) return gSyncWindow;
  HINSTANCE inst = GetModuleHandleW(nullptr);
  WNDCLASSEXW wc = {};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = SyncWndProc;
  wc.hInstance = inst;
  wc.lpszClassName = reinterpret_cast<LPCWSTR>(kSyncClass);
  RegisterClassExW(&wc);
  gSyncWindow = CreateWindowExW(0, W(kSyncClass), W(u""), 0, 0, 0, 0, 0,
                                HWND_MESSAGE, nullptr, inst, nullptr);
  if (!gSyncWindow) throw Exception("Cannot create the synchronisation window");
  return gSyncWindow;
}

}  // namespace

unsigned long MainThreadID() { return gMainThreadID; }
bool IsMainThread() { return GetCurrentThreadId() == gMainThreadID; }

void SetMainThread() {
  if (gSyncWindow && gMainThreadID != GetCurrentThreadId()) {
    DestroyWindow(gSyncWindow);
    gSyncWindow = nullptr;
  }
  gMainThreadID = MarkWin32Thread();
  SyncWindow();
}

unsigned long CurrentThreadID() { return GetCurrentThreadId(); }
bool IsWin32Thread() { return tWin32Thread; }

void PumpMessages() {
  MSG msg;
  for (;;) {
    if (!PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE)) return;
    // ANSI windows get their messages through the ANSI calls, so that
    // character messages keep their meaning.
    const bool unicode = !msg.hwnd || IsWindowUnicode(msg.hwnd);
    const BOOL got = unicode ? PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)
                             : PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
    if (!got) return;
    if (msg.message == WM_QUIT) continue;
    TranslateMessage(&msg);
    if (unicode)
      DispatchMessageW(&msg);
    else
      DispatchMessageA(&msg);
  }
}

void CallInMainThread(const std::function<void()>& call) {
  if (IsMainThread()) {
    call();
    return;
  }
  HWND target = gSyncWindow;
  if (!target) throw Exception("CallInMainThread: the GUI thread has no message window yet");
  SyncCall sc{&call, nullptr};
  // SendMessage blocks until the GUI thread has run the call; the GUI thread
  // takes sent messages inside every message retrieval, modal loops included.
  if (!SendMessageW(target, WM_SYNC_CALL, 0, reinterpret_cast<LPARAM>(&sc)))
    throw Exception("CallInMainThread: the GUI thread's message window is gone");
  if (sc.error) std::rethrow_exception(sc.error);
}

void SetWaitMessagePump(void (*pump)()) { gWaitPump = pump; }

static void PumpPlain() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // Leave the quit for the loop that owns it.
      PostQuitMessage(static_cast<int>(msg.wParam));
      return;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

TWaitResult WaitForHandles(const THandle* handles, int count, bool waitAll, unsigned timeoutMs,
                           int* index) {
  if (count < 0 || count > MAXIMUM_WAIT_OBJECTS - 1) return wrError;
  std::vector<HANDLE> hs(handles, handles + count);
  if (!IsMainThread()) {
    DWORD r = count == 0 ? (Sleep(timeoutMs), WAIT_TIMEOUT)
                         : WaitForMultipleObjects(count, hs.data(), waitAll, timeoutMs);
    if (r < WAIT_OBJECT_0 + static_cast<DWORD>(count)) {
      if (index) *index = static_cast<int>(r - WAIT_OBJECT_0);
      return wrSignaled;
    }
    if (r == WAIT_TIMEOUT) return wrTimeout;
    if (r >= WAIT_ABANDONED_0 && r < WAIT_ABANDONED_0 + static_cast<DWORD>(count)) return wrAbandoned;
    return wrError;
  }

  const ULONGLONG start = GetTickCount64();
  auto remainingMs = [&]() -> DWORD {
    if (timeoutMs == INFINITE_WAIT) return INFINITE;
    ULONGLONG elapsed = GetTickCount64() - start;
    return elapsed >= timeoutMs ? 0 : static_cast<DWORD>(timeoutMs - elapsed);
  };
  auto pump = [] {
    if (gWaitPump) gWaitPump(); else PumpPlain();
  };
  const DWORD n = static_cast<DWORD>(count);
  for (;;) {
    const DWORD remaining = remainingMs();
    if (waitAll && count > 0) {
      // MsgWait's wait-all mode also demands a message, so the handles are
      // checked on their own and messages are served in short slices.
      DWORD r = WaitForMultipleObjects(n, hs.data(), TRUE, 0);
      if (r < WAIT_OBJECT_0 + n) {
        if (index) *index = 0;
        return wrSignaled;
      }
      if (r >= WAIT_ABANDONED_0 && r < WAIT_ABANDONED_0 + n) return wrAbandoned;
      if (remaining == 0) return wrTimeout;
      DWORD slice = remaining < 10 ? remaining : 10;
      if (MsgWaitForMultipleObjectsEx(0, nullptr, slice, QS_ALLINPUT, MWMO_INPUTAVAILABLE) == WAIT_OBJECT_0)
        pump();
      continue;
    }
    DWORD r = MsgWaitForMultipleObjectsEx(n, hs.data(), remaining, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    if (r < WAIT_OBJECT_0 + n) {
      if (index) *index = static_cast<int>(r - WAIT_OBJECT_0);
      return wrSignaled;
    }
    if (r == WAIT_OBJECT_0 + n) {
      pump();
      continue;
    }
    if (r == WAIT_TIMEOUT) return wrTimeout;
    if (r >= WAIT_ABANDONED_0 && r < WAIT_ABANDONED_0 + n) return wrAbandoned;
    return wrError;
  }
}

// ---------------------------------------------------------------------------
// Threads

struct TThreadEntry {
  static DWORD WINAPI Proc(LPVOID self) { return TThread::Run(self); }
};

TThread::TThread() = default;

TThread::~TThread() {
  if (FHandle) {
    if (FStarted && !FFinished && GetCurrentThreadId() != FThreadID) {
      Terminate();
      WaitFor();
    }
    CloseHandle(FHandle);
  }
}

void TThread::Start() {
  if (FStarted) throw Exception("Thread already started");
  FStarted = true;
  DWORD id = 0;
  FHandle = CreateThread(nullptr, 0, &TThreadEntry::Proc, this,
                         CREATE_SUSPENDED, &id);
  if (!FHandle) {
    FStarted = false;
    throw Exception("Cannot create a thread");
  }
  FThreadID = id;
  ResumeThread(FHandle);
}

int TThread::WaitFor() {
  if (!FHandle) return ReturnValue;
  if (GetCurrentThreadId() == FThreadID) throw Exception("A thread cannot wait for itself");
  THandle h = FHandle;
  WaitForHandles(&h, 1, false, INFINITE_WAIT);
  return ReturnValue;
}

unsigned long TThread::Run(void* p) {
  tWin32Thread = true;
  auto* self = static_cast<TThread*>(p);
  try {
    self->Execute();
  } catch (...) {
    self->FatalException = ExceptionText(std::current_exception());
  }
  if (self->OnTerminate) {
    RunGuarded([self] { self->Synchronize([self] { self->OnTerminate(self); }); });
  }
  const bool freeIt = self->FreeOnTerminate;
  const int rv = self->ReturnValue;
  self->FFinished = true;
  if (freeIt) delete self;
  return static_cast<unsigned long>(rv);
}
