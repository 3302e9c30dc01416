// Threads, locks and events, and the synchronous call into the GUI thread.
//
// Worker threads of the program are always made here (on CreateThread), so
// that they may call Win32. This header never includes windows.h: the media
// layer uses it.
#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include "framework/Classes.h"

using THandle = void*;

class TCriticalSection {
public:
  TCriticalSection();
  ~TCriticalSection();
  TCriticalSection(const TCriticalSection&) = delete;
  TCriticalSection& operator=(const TCriticalSection&) = delete;
  void Enter();
  void Leave();
  bool TryEnter();
  void Acquire() { Enter(); }
  void Release() { Leave(); }

private:
  struct Impl;
  std::unique_ptr<Impl> FImpl;
};

class TLock {
public:
  explicit TLock(TCriticalSection& cs) : FCs(cs) { FCs.Enter(); }
  ~TLock() { FCs.Leave(); }
  TLock(const TLock&) = delete;
  TLock& operator=(const TLock&) = delete;

private:
  TCriticalSection& FCs;
};

enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

constexpr unsigned INFINITE_WAIT = 0xFFFFFFFFu;

class TEvent {
public:
  explicit TEvent(bool manualReset = true, bool initialState = false);
  ~TEvent();
  TEvent(const TEvent&) = delete;
  TEvent& operator=(const TEvent&) = delete;
  void SetEvent();
  void ResetEvent();
  // Plain wait: the caller's thread does nothing else meanwhile.
  TWaitResult WaitFor(unsigned timeoutMs = INFINITE_WAIT);
  THandle Handle() const { return FHandle; }

private:
  THandle FHandle;
};

// Identity of the GUI thread: the thread that made the application object
// (or the process's first thread before that).
unsigned long MainThreadID();
bool IsMainThread();
void SetMainThread();  // called by the application object on its own thread

// Id of the calling thread. Only threads for which IsWin32Thread() is true
// may ask: threads that native libraries start have no Win32 identity.
unsigned long CurrentThreadID();
// True on the GUI thread and on TThread threads, the threads that may call
// Win32. Answered from thread-local data without calling Win32, so any
// thread (an FFmpeg or SDL worker included) may ask.
bool IsWin32Thread();

// Removes and dispatches every pending message of the calling thread. A
// WM_QUIT met on the way is removed and dropped, so nothing ends by it.
void PumpMessages();

// Runs `call` on the GUI thread and returns when it is done. On the GUI
// thread itself the call is direct. From a worker it goes through a message
// to a hidden window, so it also runs while the GUI thread sits in any modal
// loop (dialogs, menus, moving a window) or in WaitForHandles. An exception
// thrown by `call` is rethrown in the caller's thread.
void CallInMainThread(const std::function<void()>& call);

// Waits until one (or all) of the handles is signalled or the time is up.
// On the GUI thread it keeps dispatching messages, and with them every
// CallInMainThread from workers, so a worker that waits for the GUI thread
// cannot deadlock a GUI thread that waits for the worker. On other threads
// it is a plain wait. Returns wrSignaled with *index set to the handle that
// ended the wait (the first one when waitAll).
TWaitResult WaitForHandles(const THandle* handles, int count, bool waitAll, unsigned timeoutMs,
                           int* index = nullptr);

// Lets the application object put its own message loop step (with its
// message hooks) under WaitForHandles; without it the wait dispatches plainly.
void SetWaitMessagePump(void (*pump)());

class TThread : public TObject {
public:
  // The thread does not start before Start().
  TThread();
  ~TThread() override;
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  void Start();
  void Terminate() { FTerminated = true; }
  bool Terminated() const { return FTerminated; }
  bool Finished() const { return FFinished; }
  // Waits for the end of Execute; on the GUI thread it keeps dispatching.
  // Returns the thread's ReturnValue. Not allowed with FreeOnTerminate.
  int WaitFor();
  THandle Handle() const { return FHandle; }
  unsigned long ThreadID() const { return FThreadID; }

  // A thread with FreeOnTerminate deletes itself after Execute and
  // OnTerminate; nobody may touch it after Start.
  bool FreeOnTerminate = false;
  // Called on the GUI thread after Execute.
  TNotifyEvent OnTerminate;
  int ReturnValue = 0;
  // Text of an exception that escaped Execute (it is caught there).
  std::string FatalException;

  void Synchronize(const std::function<void()>& call) { CallInMainThread(call); }

protected:
  virtual void Execute() = 0;

private:
  friend struct TThreadEntry;
  static unsigned long Run(void* self);
  THandle FHandle = nullptr;
  unsigned long FThreadID = 0;
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FFinished{false};
  bool FStarted = false;
};

// A thread running a function; handy for tests and short-lived helpers.
class TAnonymousThread : public TThread {
public:
  explicit TAnonymousThread(std::function<void()> body) : FBody(std::move(body)) {}

protected:
  void Execute() override { FBody(); }

private:
  std::function<void()> FBody;
};
