// The application object with its message loop, and top-level forms.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "framework/Classes.h"
#include "framework/Messages.h"

enum TModalResult : int {
  mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7,
};

enum TCloseAction { caNone, caHide, caFree, caMinimize };

class TForm;

// A hook that sees every message a framework loop takes from the queue,
// before it is translated and dispatched; setting `handled` swallows it.
using TMessageEvent = std::function<void(MSG& msg, bool& handled)>;
using TExceptionEvent = std::function<void(TObject* sender, const std::string& message)>;

class TApplication : public TComponent {
public:
  explicit TApplication(TComponent* owner = nullptr);
  ~TApplication() override;

  // Runs the message loop until Terminate (or the main form closes).
  void Run();
  // Takes and dispatches one message, waiting for one when the queue is empty.
  void HandleMessage();
  // Dispatches every message waiting in the queue, then returns.
  void ProcessMessages();
  // Ends Run; safe from any thread.
  void Terminate();
  bool Terminated() const { return FTerminated; }

  // Hooks run by every framework loop (Run, HandleMessage, ProcessMessages,
  // ShowModal, WaitForHandles): OnMessage first, then the chain in order.
  TMessageEvent OnMessage;
  int AddMessageHook(TMessageEvent hook);
  void RemoveMessageHook(int id);

  // Exceptions caught at window procedures and other boundaries land here.
  TExceptionEvent OnException;
  void HandleException(std::exception_ptr e);

  // The hidden zero-size window that owns the program's top-level windows.
  HWND Handle() const { return FHandle; }
  TForm* MainForm() const { return FMainForm; }
  std::string Title;

  // Creates a form owned by the application; the first becomes the main form.
  template <class T>
  void CreateForm(T*& reference) {
    reference = new T(this);
    if (!FMainForm) FMainForm = reference;
  }

private:
  bool ProcessMessage(MSG& msg);
  static void PumpForWait();

  HWND FHandle = nullptr;
  TForm* FMainForm = nullptr;
  bool FTerminated = false;
  int FNextHookId = 1;
  std::vector<std::pair<int, TMessageEvent>> FHooks;

  friend class TForm;
};

extern TApplication* Application;

// A top-level window. The window is made when first needed.
class TForm : public TComponent {
public:
  explicit TForm(TComponent* owner);
  ~TForm() override;

  HWND Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }

  std::string Caption() const;
  void SetCaption(const std::string& caption);
  void SetBounds(int left, int top, int width, int height);
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }

  bool Visible() const { return FVisible; }
  void Show();
  void Hide();
  void Close();
  // Shows the form and runs a message loop until ModalResult is set.
  int ShowModal();
  int ModalResult = mrNone;
  bool Modal() const { return FModal; }

  std::function<void(TObject* sender, bool& canClose)> OnCloseQuery;
  std::function<void(TObject* sender, TCloseAction& action)> OnClose;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;

protected:
  // Window class name; one class per form class.
  virtual const char16_t* WindowClassName() const { return u"TForm"; }
  virtual void CreateParams(DWORD& style, DWORD& exStyle);
  virtual void WndProc(TMessage& message);
  void DefaultHandler(TMessage& message);

private:
  void CreateHandle();
  static LRESULT CALLBACK StdWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  HWND FHandle = nullptr;
  std::string FCaption;
  int FLeft = CW_USEDEFAULT, FTop = CW_USEDEFAULT, FWidth = 640, FHeight = 480;
  bool FVisible = false;
  bool FModal = false;
};
