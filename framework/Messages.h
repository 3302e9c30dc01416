// Window message record and the framework's private message numbers.
#pragma once

#include <windows.h>

struct TMessage {
  UINT Msg;
  WPARAM WParam;
  LPARAM LParam;
  LRESULT Result;
};

// The framework's own messages. They stay clear of the skin library's
// numbers (1224-1430, 45490-45513, 48203).
constexpr UINT CM_BASE = 0xB000;
constexpr UINT CN_BASE = 0xBC00;

constexpr UINT CM_ACTIVATE = CM_BASE + 0;
constexpr UINT CM_DEACTIVATE = CM_BASE + 1;
constexpr UINT CM_DIALOGKEY = CM_BASE + 5;         // WParam = virtual key, LParam = key data
constexpr UINT CM_DIALOGCHAR = CM_BASE + 6;        // WParam = character, LParam = key data
constexpr UINT CM_FOCUSCHANGED = CM_BASE + 7;      // LParam = the newly focused TWinControl*
constexpr UINT CM_PARENTFONTCHANGED = CM_BASE + 8;
constexpr UINT CM_PARENTCOLORCHANGED = CM_BASE + 9;
constexpr UINT CM_ENABLEDCHANGED = CM_BASE + 12;
constexpr UINT CM_COLORCHANGED = CM_BASE + 13;
constexpr UINT CM_FONTCHANGED = CM_BASE + 14;
constexpr UINT CM_CURSORCHANGED = CM_BASE + 15;
constexpr UINT CM_TEXTCHANGED = CM_BASE + 18;
constexpr UINT CM_MOUSEENTER = CM_BASE + 19;       // LParam = the control entered
constexpr UINT CM_MOUSELEAVE = CM_BASE + 20;       // LParam = the control left
constexpr UINT CM_VISIBLECHANGED = CM_BASE + 22;
constexpr UINT CM_WANTSPECIALKEY = CM_BASE + 31;   // WParam = virtual key; non-zero = "I take it"
constexpr UINT CM_RELEASE = CM_BASE + 33;
constexpr UINT CM_SHOWINGCHANGED = CM_BASE + 34;
constexpr UINT CM_CANCELMODE = CM_BASE + 35;

// Notifications a parent window reflects back to the child that sent them.
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
constexpr UINT CN_KEYDOWN = CN_BASE + WM_KEYDOWN;

static_assert(CM_BASE > 1430 && CM_BASE + 0x100 < 45490, "framework messages overlap the skin library's");
static_assert(CN_COMMAND != 48203 && CN_NOTIFY != 48203 && CN_KEYDOWN != 48203,
              "a reflected message collides with the skin library's");
static_assert(CM_CANCELMODE < CN_BASE, "framework message ranges overlap");
