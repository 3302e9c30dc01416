// Drawing and timing helpers shared by the skinned list and combo boxes.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "framework/Graphics.h"
#include "framework/StringList.h"
#include "skin/controls/SkinDraw.h"

// A skin picture rectangle stretched over the whole buffer keeping the
// margins around `clRect` (relative to `src`), as DrawSkinRectStretched.
void DrawStretchedSkinRect(TspPaintBuffer& b, const TspImageSource& picture, const RECT& src, const RECT& clRect);

// Text with tab stops: up to the first 10 entries of `tabs` (an entry of
// digits only is its number, anything else 0), drawn at x and vertically
// centred in `r`.
void DrawTabbedString(TCanvas* canvas, const std::string& text, const TStrings* tabs, int x, const RECT& r);

// The millisecond tick count the type-ahead and fade steps measure with;
// tests replace the source (null restores GetTickCount).
uint32_t SkinTickCount();
void SetSkinTickSource(std::function<uint32_t()> source);
