// A private message of the skin library that several kinds of control
// answer.
#pragma once

#include <windows.h>

// Paint the control's whole look (or, for a list box, its frame) into the
// DC in WParam. A control that paints itself skinned answers
// SP_PAINTCOPY_RESULT.
constexpr UINT SP_PAINTCOPY = 45513;
constexpr LRESULT SP_PAINTCOPY_RESULT = 12851;
