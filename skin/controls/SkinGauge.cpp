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

void TspSkinGauge::DrawText(TspPaintBuffer& b, const TspFontDesc& font) {
  std::string text = Text();
  if (text.empty()) return;
  HDC dc = b.DC();
  std::u16string w = UTF8ToUTF16(text);
  HFONT f = font.Create(FVertical ? 900 : 0);
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
  if (font.Height % 2 != 0) --y;
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, font.Color);
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
  DrawText(b, FDefaultFont);
}

void TspSkinGauge::GetSkinData() {
  Base::GetSkinData();
  FGaugeElement = false;
  auto* e = dynamic_cast<TspDataSkinGaugeControl*>(Element());
  if (!e) return;
  FGaugeElement = true;
  FVertical = e->Vertical;  // the skin's orientation wins
  FProgressArea = ToRECT(e->ProgressArea);
  FProgressRect = ToRECT(e->ProgressRect);
  FBeginOffset = e->BeginOffset;
  FEndOffset = e->EndOffset;
  FProgressStretch = e->ProgressStretch;
  FSkinFont = SkinFontDesc(e->FontName, e->FontHeight, e->FontStyle, e->FontColor);
}

void TspSkinGauge::CalcSkinSize(int& width, int& height) {
  Base::CalcSkinSize(width, height);
  FNewProgressArea = FProgressArea;
  if (Geometry.ResizeMode > 0) {
    if (FVertical)
      FNewProgressArea.bottom += height - Geometry.SkinHeight();
    else
      FNewProgressArea.right += width - Geometry.SkinWidth();
  }
}

void TspSkinGauge::PaintSkinImage(TspPaintBuffer& b) {
  Base::PaintSkinImage(b);
  if (!FGaugeElement) return;
  RECT p = CalcProgressRect(FNewProgressArea);
  if (OnGaugePaint) {
    OnGaugePaint(b.DC(), FNewProgressArea, p);
    return;
  }
  int pw = p.right - p.left, ph = p.bottom - p.top;
  if (Picture && pw > 0 && ph > 0 && !IsEmptyRECT(FProgressRect)) {
    TspImageSource pic = Source(Picture);
    const RECT& s = FProgressRect;
    if (!FVertical) {
      int mid = pw - FBeginOffset - FEndOffset;
      RECT src{s.left + FBeginOffset, s.top, s.right - FEndOffset, s.bottom};
      if (mid > 0 && src.right > src.left) {
        RECT dst{p.left + FBeginOffset, p.top, p.right - FEndOffset, p.bottom};
        if (FProgressStretch) {
          DrawPiece(b, pic, src, dst);
        } else {
          int tile = src.right - src.left;
          for (int x = dst.left; x < dst.right; x += tile) {
            int w = std::min(tile, static_cast<int>(dst.right - x));
            DrawPiece(b, pic, RECT{src.left, src.top, src.left + w, src.bottom}, RECT{x, dst.top, x + w, dst.bottom});
          }
        }
        DrawPiece(b, pic, RECT{s.left, s.top, s.left + FBeginOffset, s.bottom},
                  RECT{p.left, p.top, p.left + FBeginOffset, p.bottom});
        DrawPiece(b, pic, RECT{s.right - FEndOffset, s.top, s.right, s.bottom},
                  RECT{p.right - FEndOffset, p.top, p.right, p.bottom});
      }
    } else {
      int mid = ph - FBeginOffset - FEndOffset;
      RECT src{s.left, s.top + FBeginOffset, s.right, s.bottom - FEndOffset};
      if (mid > 0 && src.bottom > src.top) {
        RECT dst{p.left, p.top + FBeginOffset, p.right, p.bottom - FEndOffset};
        if (FProgressStretch) {
          DrawPiece(b, pic, src, dst);
        } else {
          // Tiles laid from the bottom upwards.
          int tile = src.bottom - src.top;
          for (int y = dst.bottom; y > dst.top; y -= tile) {
            int h = std::min(tile, static_cast<int>(y - dst.top));
            DrawPiece(b, pic, RECT{src.left, src.bottom - h, src.right, src.bottom}, RECT{dst.left, y - h, dst.right, y});
          }
        }
        DrawPiece(b, pic, RECT{s.left, s.top, s.right, s.top + FBeginOffset},
                  RECT{p.left, p.top, p.right, p.top + FBeginOffset});
        DrawPiece(b, pic, RECT{s.left, s.bottom - FEndOffset, s.right, s.bottom},
                  RECT{p.left, p.bottom - FEndOffset, p.right, p.bottom});
      }
    }
  }
  DrawText(b, UseSkinFont ? FSkinFont : FDefaultFont);
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
