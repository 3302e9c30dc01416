// The application object with its message loop, and top-level forms.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "framework/Classes.h"
#include "framework/Controls.h"
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

  // Minimizing the program hides its top-level windows together and marks
  // the application minimized; Restore shows them again and fires OnRestore.
  void Minimize();
  void Restore();
  bool Minimized() const { return FMinimized; }
  TNotifyEvent OnMinimize;
  TNotifyEvent OnRestore;

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
  bool FMinimized = false;
  int FNextHookId = 1;
  std::vector<std::pair<int, TMessageEvent>> FHooks;

  friend class TCustomForm;
};

extern TApplication* Application;

// The screen's cursor table, as `Screen->Cursors[n]`: reading a number
// gives its cursor (the system ones below 1, an empty slot the default
// arrow); assigning one installs a program cursor there, which the controls
// show for that number. The screen owns what it was given and destroys the
// handle a new assignment replaces; assigning null empties the slot.
class TScreen {
public:
  class TCursorSlot {
  public:
    TCursorSlot(TScreen* screen, TCursor index) : FScreen(screen), FIndex(index) {}
    operator HCURSOR() const { return FScreen->GetCursors(FIndex); }
    TCursorSlot& operator=(HCURSOR cursor) {
      FScreen->SetCursors(FIndex, cursor);
      return *this;
    }

  private:
    TScreen* FScreen;
    TCursor FIndex;
  };
  struct TCursorTable {
    TScreen* Screen;
    TCursorSlot operator[](TCursor index) const { return TCursorSlot(Screen, index); }
  };

  TScreen() = default;
  TScreen(const TScreen&) = delete;
  TScreen& operator=(const TScreen&) = delete;

  TCursorTable Cursors{this};
  HCURSOR GetCursors(TCursor index) const;
  void SetCursors(TCursor index, HCURSOR cursor);

  // The program's forms, in the order they were created, whatever window
  // owns them and whichever thread made them. The visit runs under the
  // list's lock: it must not create or destroy forms, nor send messages.
  int FormCount() const;
  void VisitForms(const std::function<void(class TCustomForm*)>& visit) const;

private:
  friend class TCustomForm;
  std::map<TCursor, HCURSOR> FOwned;
  mutable std::mutex FFormsLock;
  std::vector<class TCustomForm*> FForms;
};

extern TScreen* Screen;

// fsMDIForm: the form holds the system's MDI client window, which fills the
// client area the aligned controls leave free; fsMDIChild: the form lives
// in the MDI client of the application's main form, which must be an
// fsMDIForm by the time the child's window is made.
enum TFormStyle { fsNormal, fsStayOnTop, fsMDIChild, fsMDIForm };

class TMenuItem;

// The frame a form asks the system for, and the buttons on its caption.
enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
using TBorderIcons = unsigned;
enum : unsigned { biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8 };

enum TWindowState { wsNormal, wsMinimized, wsMaximized };

// A top-level window. The window is made when first needed. The form routes
// dialog keys: Tab and arrows move the focus, Enter and Escape go to the
// controls that take them (default and cancel buttons).
class TCustomForm : public TWinControl {
public:
  explicit TCustomForm(TComponent* owner);
  ~TCustomForm() override;

  void Show();
  void Hide();
  void Close();
  // Asks OnCloseQuery whether the form may close; an MDI form first asks
  // each of its children, once, and stops at the first that refuses.
  bool CloseQuery();
  // Shows the form and runs a message loop until ModalResult is set.
  int ShowModal();
  int ModalResult = mrNone;
  bool Modal() const { return FModal; }
  // The form's OnKeyDown, OnKeyPress and OnKeyUp see the keys of its
  // controls first; a key the form clears goes no further.
  bool KeyPreview = false;

  TFormStyle FormStyle() const { return FFormStyle; }
  // Switching to or from an MDI style makes the window again.
  void SetFormStyle(TFormStyle value);

  // MDI form: the MDI client window, the children (top of the client's
  // z-order first, so the active child is the first), the active child, and
  // activation of the next or previous child. The window menu is where the
  // skinned frame lists the children. All are empty for other forms.
  HWND ClientHandle() const { return FClientHandle; }
  int MDIChildCount() const;
  TCustomForm* MDIChildren(int index) const;
  TCustomForm* ActiveMDIChild() const;
  void Next();
  void Previous();
  TMenuItem* WindowMenu = nullptr;

  // Border style and caption buttons become window styles; changing them
  // on a live window re-runs the non-client sizing.
  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle value);
  TBorderIcons BorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(TBorderIcons value);
  // The form is the active window (kept from WM_ACTIVATE).
  bool Active() const { return FActive; }

  // The control that has (or gets, once the form is shown) the focus.
  TWinControl* ActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* control);
  // Called when `control` took the focus: fires OnExit/OnEnter and tells
  // every control (CM_FOCUSCHANGED).
  void SetFocusedControl(TWinControl* control);
  // Moves the focus off `control` and its children before it hides, is
  // disabled or goes away.
  void DefocusControl(TWinControl* control);
  void ControlRemoving(TWinControl* control);

  // The key routing of framework loops: a key the focused control does not
  // want becomes a dialog key of its form; true when one consumed it.
  static bool IsKeyMsg(MSG& msg);

  std::function<void(TObject* sender, bool& canClose)> OnCloseQuery;
  std::function<void(TObject* sender, TCloseAction& action)> OnClose;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;

  void WndProc(TMessage& message) override;
  void DefaultHandler(TMessage& message) override;

protected:
  // Window class name; one class per form class.
  virtual const char16_t* WindowClassName() const { return u"TForm"; }
  void CreateParams(TCreateParams& params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void AlignControls(TControl* control, RECT& rect) override;

private:
  std::vector<TCustomForm*> MDIChildList() const;
  HWND FClientHandle = nullptr;
  TWinControl* FActiveControl = nullptr;
  TFormStyle FFormStyle = fsNormal;
  TFormBorderStyle FBorderStyle = bsSizeable;
  TBorderIcons FBorderIcons = biSystemMenu | biMinimize | biMaximize;
  bool FActive = false;
  bool FModal = false;
  void ApplyFrameStyle();
  void FrameStyles(DWORD& style, DWORD& exStyle) const;
};

class TForm : public TCustomForm {
public:
  using TCustomForm::TCustomForm;
};
