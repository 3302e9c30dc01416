// Text fitting rules of the caption drawing, on an injected text measure.
// Platform-neutral; the Win32 layer measures with the canvas.
#pragma once

#include <functional>
#include <string>

using TspTextMeasure = std::function<int(const std::u16string&)>;

// Cuts characters from the end until Text + "..." fits; a text that fits is left alone.
void ShortenTextToWidth(std::u16string& Text, int MaxWidth, const TspTextMeasure& Width);

// The text that DrawCenteredWrappedText hands to the word-breaking drawing:
// long words are broken by an inserted blank, or cut with dots.
std::u16string BuildCenteredWrappedText(const std::u16string& Text, int RectWidth, bool BreakLongWords,
                                        const TspTextMeasure& Width);
