#include "skin/controls/SkinGauge.h"

TspSkinGauge::TspSkinGauge(TComponent* owner) : Base(owner) {
  SetSkinDataName("gauge");
  SetBounds(0, 0, 100, 20);
}

void TspSkinGauge::SetValue(int value) {
  value = std::max(FMinValue, std::min(value, FMaxValue));
  if (value == FValue) return;
  FValue = value;
  Invalidate();
}

void TspSkinGauge::SetMinValue(int value) {
  FMinValue = value;
  if (FValue < value) FValue = value;
  Repaint();
}

void TspSkinGauge::SetMaxValue(int value) {
  FMaxValue = value;
  if (FValue > value) FValue = value;
  Repaint();
}

void TspSkinGauge::SetVertical(bool value) {
  FVertical = value;
  Repaint();
}

void TspSkinGauge::SetProgressText(const std::string& value) {
  FProgressText = value;
  Repaint();
}

void TspSkinGauge::SetShowProgressText(bool value) {
  FShowProgressText = value;
  Repaint();
}

void TspSkinGauge::SetShowPercent(bool value) {
  FShowPercent = value;
  Repaint();
}

// Whole-number arithmetic: a floating-point fraction times 100 shows 28 %
// for 29 of 100, and the fill one pixel short the same way.
RECT TspSkinGauge::CalcProgressRect(const RECT& r) const {
  int64_t range = int64_t{FMaxValue} - FMinValue;
  int64_t done = int64_t{FValue} - FMinValue;
  RECT p = r;
  if (range <= 0) {
    if (FVertical)
      p.top = p.bottom;
    else
      p.right = p.left;
    return p;
  }
  if (FVertical)
    p.top = ClampToInt(int64_t{r.bottom} - int64_t{r.bottom - r.top} * done / range);
  else
    p.right = ClampToInt(int64_t{r.left} + int64_t{r.right - r.left} * done / range);
  return p;
}

int TspSkinGauge::Percent() const {
  int64_t range = int64_t{FMaxValue} - FMinValue;
  if (range <= 0) return 0;
  return ClampToInt((int64_t{FValue} - FMinValue) * 100 / range);
}

std::string TspSkinGauge::Text() const {
  std::string text;
  if (FShowProgressText) text = FProgressText;
  if (FShowPercent) text += std::to_string(Percent()) + "%";
  return text;
}

void TspSkinGauge::DrawText(TspPaintBuffer& b) {
  std::string text = Text();
  if (text.empty()) return;
  HDC dc = b.DC();
  std::u16string w = UTF8ToUTF16(text);
  HFONT f = FDefaultFont.Create(FVertical ? 900 : 0);
  HGDIOBJ old = SelectObject(dc, f);
  SIZE sz{};
  GetTextExtentPoint32W(dc, reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<int>(w.size()), &sz);
  int x, y;
  if (FVertical) {
    x = b.Width() / 2 - sz.cy / 2;
    y = sz.cx / 2 + b.Height() / 2;
  } else {
    x = b.Width() / 2 - sz.cx / 2;
    y = b.Height() / 2 - sz.cy / 2;
  }
  if (FDefaultFont.Height % 2 != 0) --y;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, FDefaultFont.Color);
  TextOutW(dc, x, y, reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<int>(w.size()));
  SelectObject(dc, old);
  DeleteObject(f);
}

void TspSkinGauge::PaintDefaultImage(TspPaintBuffer& b) {
  b.Fill(b.ClientRect(), GetSysColor(COLOR_WINDOW));
  b.Frame(b.ClientRect(), GetSysColor(COLOR_BTNSHADOW));
  RECT r{1, 1, b.Width() - 1, b.Height() - 1};
  RECT p = CalcProgressRect(r);
  if (OnGaugePaint) {
    OnGaugePaint(b.DC(), r, p);
    return;
  }
  if (p.right > p.left && p.bottom > p.top) b.Fill(p, kDefaultHotFill);
  DrawText(b);
}

void TspSkinGauge::WndProc(TMessage& m) {
  if (m.Msg == WM_ERASEBKGND) {
    if (!FromWMPaint && m.WParam) {
      TMessage paint{WM_PAINT, m.WParam, 0, 0};
      TCustomControl::WndProc(paint);
    }
    m.Result = 1;
    return;
  }
  Base::WndProc(m);
}
