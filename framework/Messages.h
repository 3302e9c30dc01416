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
constexpr UINT CM_RELEASE = CM_BASE + 33;
static_assert(CM_BASE > 1430 && CM_BASE + 0x100 < 45490, "framework messages overlap the skin library's");
