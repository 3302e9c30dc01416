// A windowed control for the menu tests that writes down the menu notices it
// gets.
#pragma once

#include <string>
#include <vector>

#include "framework/Controls.h"
#include "skin/controls/SkinMenuButtons.h"

class MenuNoticeRecorder : public TCustomControl {
public:
  MenuNoticeRecorder(TComponent* owner, std::vector<std::string>* log) : TCustomControl(owner), Log(log) {}
  void WndProc(TMessage& m) override {
    if (m.Msg == SP_MENUCLOSED) Log->push_back("closed");
    if (m.Msg == SP_MENUCOMMAND) Log->push_back("command");
    TCustomControl::WndProc(m);
  }
  std::vector<std::string>* Log;
};
