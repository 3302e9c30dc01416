#include "skin/data/SPTextLayout.h"

void ShortenTextToWidth(std::u16string& Text, int MaxWidth, const TspTextMeasure& Width) {
  if (Width(Text) <= MaxWidth) return;
  do {
    if (!Text.empty()) Text.pop_back();
  } while (!Text.empty() && Width(Text + u"...") > MaxWidth);
  Text += u"...";
}

std::u16string BuildCenteredWrappedText(const std::u16string& Text, int RectWidth, bool BreakLongWords,
                                        const TspTextMeasure& Width) {
  std::u16string result, piece;
  bool skipping = false;
  for (char16_t c : Text) {
    piece += c;
    const bool blank = c == u' ';
    if (BreakLongWords) {
      if (Width(piece) > RectWidth && !blank) {
        result += u' ';
        result += c;
        piece.clear();
      } else {
        result += c;
        if (blank) piece.clear();
      }
      continue;
    }
    if (skipping && blank) skipping = false;
    if (skipping) continue;
    if (Width(piece) > RectWidth && !blank) {
      if (result.size() > 3)
        for (size_t i = result.size() - 3; i < result.size(); ++i) result[i] = u'.';
      result += u' ';
      piece.clear();
      skipping = true;
    } else {
      result += c;
      if (blank) piece.clear();
    }
  }
  return result;
}
