// Message box kinds shared by the program's message boxes: the type of a
// box (its caption and icon) and the buttons it offers.
#pragma once

#include "framework/Forms.h"

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TMsgDlgBtn {
  mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp, mbClose
};
constexpr int MsgDlgBtnCount = mbClose + 1;

// A set of buttons.
using TMsgDlgButtons = unsigned;
constexpr TMsgDlgButtons MsgDlgButton(TMsgDlgBtn b) { return 1u << b; }
inline TMsgDlgButtons MsgDlgButtons(std::initializer_list<TMsgDlgBtn> buttons) {
  TMsgDlgButtons set = 0;
  for (TMsgDlgBtn b : buttons) set |= MsgDlgButton(b);
  return set;
}
constexpr bool HasButton(TMsgDlgButtons set, TMsgDlgBtn b) { return (set & MsgDlgButton(b)) != 0; }

// The modal results of the buttons beyond the basic ones.
constexpr int mrAll = 8, mrNoToAll = 9, mrYesToAll = 10, mrClose = 11;
