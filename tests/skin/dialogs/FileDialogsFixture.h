// A small folder tree under C:\ of the test prefix for the shell controls
// and the dialogs, and a way to drive a modal dialog from inside its loop.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "framework/Forms.h"
#include "framework/ShellFolders.h"
#include "framework/SysUtils.h"

namespace dlgtest {

inline const std::string kRoot = "C:\\tv_fixture_dlg";

inline void Touch(const std::string& name) {
  std::u16string w = UTF8ToUTF16(name);
  HANDLE h = CreateFileW(reinterpret_cast<LPCWSTR>(w.c_str()), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(h, name.data(), static_cast<DWORD>(name.size()), &written, nullptr);
  CloseHandle(h);
}

// Folders a (with a\b and a\b\c) and sub1; three pictures and three other
// files, one without an extension.
struct TTree {
  TTree() {
    DeleteFolderTree(kRoot);
    ForceDirectories(kRoot + "\\a\\b\\c");
    ForceDirectories(kRoot + "\\sub1");
    for (const char* f : {"p1.jpg", "p2.png", "p3.bmp", "doc.txt", "clip.mp4", "noext"}) Touch(kRoot + "\\" + f);
  }
  ~TTree() { DeleteFolderTree(kRoot); }
};

// Runs `script` from inside the modal loop of the window `handle` is
// asked for; the script closes the window itself. If it does not (a
// failed assertion, an exception), the window is cancelled so a broken
// test never hangs.
class TModalScript {
public:
  static constexpr UINT kRun = WM_APP + 0x3A1;
  explicit TModalScript(std::function<void()> script) : FScript(std::move(script)) {
    FHook = Application->AddMessageHook([this](MSG& msg, bool& handled) {
      if (msg.message != kRun || msg.hwnd != FTarget) return;
      handled = true;
      try {
        FScript();
      } catch (const std::exception& e) {
        Error = e.what();
      }
      if (FForm && FForm->ModalResult == 0) FForm->ModalResult = mrCancel;
    });
  }
  ~TModalScript() { Application->RemoveMessageHook(FHook); }
  void Arm(TCustomForm* form) {
    FForm = form;
    FTarget = form->Handle();
    PostMessageW(FTarget, kRun, 0, 0);
  }
  std::string Error;

private:
  std::function<void()> FScript;
  TCustomForm* FForm = nullptr;
  HWND FTarget = nullptr;
  int FHook = 0;
};

}  // namespace dlgtest
