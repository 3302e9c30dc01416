#include "skin/controls/spColorCtrls.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <memory>

#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinTimeEdit.h"
#include "skin/controls/spDialogForm.h"
#include "skin/data/SkinData.h"
#include "skin/data/spSkinElements.h"
#include "skin/data/spSkinModel.h"

namespace {

constexpr TColor Hex(uint32_t rrggbb) {
  return static_cast<TColor>(((rrggbb >> 16) & 0xFF) | (rrggbb & 0xFF00) | ((rrggbb & 0xFF) << 16));
}

// Ties go to the even neighbour, as everywhere in the library.
int RoundI(double v) { return static_cast<int>(std::nearbyint(v)); }

TColor MakeColor(int r, int g, int b) {
  auto c = [](int v) { return std::max(0, std::min(255, v)); };
  return c(r) | (c(g) << 8) | (c(b) << 16);
}

constexpr int PaletteSize = 195;
constexpr int SquareMin = 44, SquareMax = 150, SquareSpan = 106;

}  // namespace

const TColor spBasicColors[48] = {
    Hex(0x000000), Hex(0x400000), Hex(0x800000), Hex(0x804040), Hex(0xFF0000), Hex(0xFF8080),
    Hex(0x808000), Hex(0x804000), Hex(0xFF8000), Hex(0xFF8040), Hex(0xFFFF00), Hex(0xFFFF80),
    Hex(0x808040), Hex(0x004000), Hex(0x008000), Hex(0x00FF00), Hex(0x80FF00), Hex(0x80FF80),
    Hex(0x808080), Hex(0x004040), Hex(0x008040), Hex(0x008080), Hex(0x00FF40), Hex(0x00FF80),
    Hex(0x408080), Hex(0x000080), Hex(0x0000FF), Hex(0x004080), Hex(0x00FFFF), Hex(0x80FFFF),
    Hex(0xC0C0C0), Hex(0x000040), Hex(0x0000A0), Hex(0x8080FF), Hex(0x0080C0), Hex(0x0080FF),
    Hex(0x400040), Hex(0x80424F), Hex(0x800080), Hex(0x800040), Hex(0x8080C0), Hex(0xFF80C0),
    Hex(0xFFFFFF), Hex(0x400080), Hex(0x8000FF), Hex(0xFF0080), Hex(0xFF00FF), Hex(0xFF80FF),
};

// ---- colour models ----------------------------------------------------------

THSL TPSPColor::RGBToHSL(const TRGB& c) {
  const double r = c.R / 255.0, g = c.G / 255.0, b = c.B / 255.0;
  const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
  THSL out;
  out.L = (mx + mn) / 2;
  if (mx == mn) return out;
  const double d = mx - mn;
  out.S = out.L < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
  double h;
  if (r == mx)
    h = (g - b) / d;
  else if (g == mx)
    h = (b - r) / d + 2;
  else
    h = (r - g) / d + 4;
  h /= 6;
  if (h < 0) h += 1;
  out.H = h;
  return out;
}

TRGB TPSPColor::HSLToRGB(const THSL& c) {
  TRGB out;
  if (c.S == 0) {
    out.R = out.G = out.B = static_cast<uint8_t>(RoundI(c.L * 255));
    return out;
  }
  const double m2 = c.L <= 0.5 ? c.L * (1 + c.S) : c.L + c.S - c.L * c.S;
  const double m1 = 2 * c.L - m2;
  auto f = [&](double h) {
    if (h < 0) h += 1;
    if (h > 1) h -= 1;
    double v;
    if (h < 1.0 / 6)
      v = m1 + (m2 - m1) * 6 * h;
    else if (h < 0.5)
      v = m2;
    else if (h < 2.0 / 3)
      v = m1 + (m2 - m1) * (2.0 / 3 - h) * 6;
    else
      v = m1;
    return static_cast<uint8_t>(std::max(0, std::min(255, RoundI(v * 255))));
  };
  out.R = f(c.H + 1.0 / 3);
  out.G = f(c.H);
  out.B = f(c.H - 1.0 / 3);
  return out;
}

void TPSPColor::SetRGB(const TRGB& value) {
  FRGB = value;
  FHSL = RGBToHSL(value);
  FHSLPSP = {static_cast<uint8_t>(RoundI(FHSL.H * 255)), static_cast<uint8_t>(RoundI(FHSL.S * 255)),
             static_cast<uint8_t>(RoundI(FHSL.L * 255))};
}

void TPSPColor::SetHSL(const THSL& value) {
  FHSL = value;
  FRGB = HSLToRGB(value);
  FHSLPSP = {static_cast<uint8_t>(RoundI(FHSL.H * 255)), static_cast<uint8_t>(RoundI(FHSL.S * 255)),
             static_cast<uint8_t>(RoundI(FHSL.L * 255))};
}

void TPSPColor::SetHSLPSP(const THSLPSP& value) {
  FHSLPSP = value;
  FHSL = {value.H / 255.0, value.S / 255.0, value.L / 255.0};
  FRGB = HSLToRGB(FHSL);
}

void TPSPColor::Assign(const TPSPColor& source) {
  FRGB = source.FRGB;
  FHSL = source.FHSL;
  FHSLPSP = source.FHSLPSP;
}

void ColorToEditHSL(TColor color, int& h, int& s, int& l, bool& hasHue) {
  color = ColorToRGB(color);
  const int r = ColorRed(color), g = ColorGreen(color), b = (color >> 16) & 0xFF;
  const int mx = std::max({r, g, b}), mn = std::min({r, g, b});
  l = RoundI(mx / 255.0 * 100);
  // Black and the greys have no spread and no hue (black would divide by 0).
  if (mx == 0 || mx == mn) {
    s = 0;
    hasHue = false;
    return;
  }
  s = RoundI(static_cast<double>(mx - mn) / mx * 100);
  TRGB c{static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)};
  h = RoundI(TPSPColor::RGBToHSL(c).H * 359);
  hasHue = true;
}

TColor EditHSLToColor(int h, int s, int l) {
  const double v = l * 255.0 / 100, sat = s / 100.0;
  if (sat == 0) return MakeColor(RoundI(v), RoundI(v), RoundI(v));
  const double hh = h / 60.0;
  int k = static_cast<int>(std::floor(hh));
  const double f = hh - k;
  k = ((k % 6) + 6) % 6;
  const double p = v * (1 - sat), q = v * (1 - sat * f), t = v * (1 - sat * (1 - f));
  double r, g, b;
  switch (k) {
    case 0: r = v, g = t, b = p; break;
    case 1: r = q, g = v, b = p; break;
    case 2: r = p, g = v, b = t; break;
    case 3: r = p, g = q, b = v; break;
    case 4: r = t, g = p, b = v; break;
    default: r = v, g = p, b = q; break;
  }
  return MakeColor(RoundI(r), RoundI(g), RoundI(b));
}

// ---- swatch grids -------------------------------------------------------------

TspSkinCustomColorGridBase::TspSkinCustomColorGridBase(TComponent* owner) : TspSkinPanel(owner) {
  SetCaptionMode(true);
  SetBorderStyle(bvFrame);
  SetBounds(Left(), Top(), 280, 115);
}

void TspSkinCustomColorGridBase::SetColCount(int value) {
  if (value <= 0) return;
  FColCount = value;
  Invalidate();
}

// A row count of 0 or less would leave no cell height: ignored like columns.
void TspSkinCustomColorGridBase::SetRowCount(int value) {
  if (value <= 0) return;
  FRowCount = value;
  Invalidate();
}

std::string TspSkinCustomColorGridBase::ResText(const char* key) const { return spLibraryText(FSD, key); }

void TspSkinCustomColorGridBase::Layout(int& left, int& top, int& w, int& h) const {
  RECT r{};
  const_cast<TspSkinCustomColorGridBase*>(this)->GetSkinClientRect(r);
  const int cw = r.right - r.left, ch = r.bottom - r.top;
  w = (cw - 2 * FColCount) / FColCount;
  h = (ch - 2 * FRowCount) / FRowCount;
  const int bw = (w + 2) * FColCount, bh = (h + 2) * FRowCount;
  left = r.left + cw / 2 - bw / 2;
  top = r.top + ch / 2 - bh / 2;
}

RECT TspSkinCustomColorGridBase::CellRect(int index) const {
  int left, top, w, h;
  Layout(left, top, w, h);
  const int c = index % FColCount, r = index / FColCount;
  const int x = left + 1 + c * (w + 2), y = top + 1 + r * (h + 2);
  return RECT{x, y, x + w, y + h};
}

void TspSkinCustomColorGridBase::PaintPanelContent(TspPaintBuffer& b) {
  const int n = std::min(CellCount(), FColCount * FRowCount);
  HDC dc = b.DC();
  for (int i = 0; i < n; ++i) {
    const RECT cell = CellRect(i);
    const int x = cell.left, y = cell.top, w = cell.right - cell.left, h = cell.bottom - cell.top;
    const bool selected = CellSelected(i);
    if (selected) {
      const RECT sel{x - 1, y - 1, x + w + 1, y + h + 1};
      if (FIndex != -1) {
        // The skin's own button picture behind the chosen swatch; a skin
        // without it shows no background.
        const int ri = FSD->GetControlIndex("resizebutton");
        auto* e = ri < 0 ? nullptr : dynamic_cast<TspDataSkinButtonControl*>(FSD->CtrlList[ri].get());
        const TspPicture* pic = e ? SkinPicture(e->PictureIndex) : nullptr;
        if (e && pic) {
          const RECT src = ToRECT(e->SkinRect);
          const int sw = sel.right - sel.left, sh = sel.bottom - sel.top;
          TspPaintBuffer part(sw, sh);
          TspNinePartSpec spec;
          spec.SkinRect = src;
          spec.LT = {e->LTPoint.X, e->LTPoint.Y};
          spec.RT = {e->RTPoint.X, e->RTPoint.Y};
          spec.LB = {e->LBPoint.X, e->LBPoint.Y};
          spec.RB = {e->RBPoint.X, e->RBPoint.Y};
          spec.ClRect = ToRECT(e->ClRect);
          const int dx = sw - (src.right - src.left), dy = sh - (src.bottom - src.top);
          spec.NewLT = spec.LT;
          spec.NewRT = {spec.RT.x + dx, spec.RT.y};
          spec.NewLB = {spec.LB.x, spec.LB.y + dy};
          spec.NewRB = {spec.RB.x + dx, spec.RB.y + dy};
          spec.NewClRect = {spec.ClRect.left, spec.ClRect.top, spec.ClRect.right + dx, spec.ClRect.bottom + dy};
          DrawNinePart(part, ImageSourceOf(pic), spec);
          part.DrawTo(dc, sel.left, sel.top);
        }
      } else {
        HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 0, 0x80));
        HBRUSH brush = CreateSolidBrush(RGB(0x85, 0x93, 0xB5));
        HGDIOBJ op = SelectObject(dc, pen), ob = SelectObject(dc, brush);
        Rectangle(dc, sel.left, sel.top, sel.right, sel.bottom);
        SelectObject(dc, op);
        SelectObject(dc, ob);
        DeleteObject(pen);
        DeleteObject(brush);
      }
    }
    const int inset = selected ? 4 : 3;
    RECT sw{x + inset, y + inset, x + w - inset, y + h - inset};
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(CellColor(i))) & 0xFFFFFF);
    FillRect(dc, &sw, brush);
    DeleteObject(brush);
  }
}

void TspSkinCustomColorGridBase::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  TspSkinPanel::MouseDown(button, shift, x, y);
  const int n = std::min(CellCount(), FColCount * FRowCount);
  for (int i = 0; i < n; ++i) {
    const RECT r = CellRect(i);
    if (x >= r.left && x < r.right && y >= r.top && y < r.bottom) {
      CellClicked(i);
      return;
    }
  }
}

TspSkinColorGrid::TspSkinColorGrid(TComponent* owner) : TspSkinCustomColorGridBase(owner) {
  SetCaption(ResText("COLORGRID_CAP"));
  FColCount = 12;
  FRowCount = 4;
}

bool TspSkinColorGrid::CellSelected(int index) const {
  return ColorToRGB(spBasicColors[index]) == ColorToRGB(FColorValue);
}

void TspSkinColorGrid::SetColorValue(TColor value) {
  FColorValue = value;
  const TColor rgb = ColorToRGB(value);
  for (TColor c : spBasicColors)
    if (c == rgb) {
      if (OnChange) OnChange(this);
      Invalidate();
      return;
    }
}

TspSkinCustomColorGrid::TspSkinCustomColorGrid(TComponent* owner) : TspSkinCustomColorGridBase(owner) {
  SetCaption(ResText("CUSTOMCOLORGRID_CAP"));
  FColCount = 6;
  FRowCount = 2;
  std::fill(std::begin(CustomColorValues), std::end(CustomColorValues), Hex(0xFFFFFF));
}

void TspSkinCustomColorGrid::AddColor(TColor color) {
  if (FColorsCount == 12) FColorsCount = 0;
  CustomColorValues[FColorsCount] = color;
  ++FColorsCount;
  Invalidate();
}

void TspSkinCustomColorGrid::CellClicked(int index) {
  FColorValue = CustomColorValues[index];
  FColorIndex = index + 1;
  Invalidate();
  if (OnChange) OnChange(this);
}

// ---- viewer and empty control --------------------------------------------------

TspColorViewer::TspColorViewer(TComponent* owner) : TGraphicControl(owner) {
  ControlStyle |= csOpaque;
}

void TspColorViewer::SetColorValue(TColor value) {
  if (value == FColorValue) return;
  FColorValue = value;
  Invalidate();
}

void TspColorViewer::Paint() {
  RECT r{0, 0, Width(), Height()};
  HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(FColorValue)) & 0xFFFFFF);
  FillRect(PaintDC(), &r, brush);
  DeleteObject(brush);
}

TspEmptyControl::TspEmptyControl(TComponent* owner) : TCustomControl(owner) {}

void TspEmptyControl::WndProc(TMessage& m) {
  if (m.Msg == WM_ERASEBKGND) {
    m.Result = 1;
    return;
  }
  TCustomControl::WndProc(m);
}

// ---- the dialog ---------------------------------------------------------------

TspSkinColorDialog::TspSkinColorDialog(TComponent* owner) : TComponent(owner) {
  std::fill(std::begin(CustomColorValues), std::end(CustomColorValues), Hex(0xFFFFFF));
}

TspSkinColorDialog::~TspSkinColorDialog() = default;

std::string TspSkinColorDialog::ResText(const char* key) const { return spLibraryText(FCtrlSD, key); }

namespace {
void SetEditInt(TspSkinTrackEdit* e, int v) {
  e->SetValue(v);
  e->SetText(std::to_string(e->Value()));
}
}  // namespace

void TspSkinColorDialog::SetRGBEdits(TColor color) {
  const bool was = RGBStopCheck;
  RGBStopCheck = true;
  SetEditInt(REdit, ColorRed(color));
  SetEditInt(GEdit, ColorGreen(color));
  SetEditInt(BEdit, (color >> 16) & 0xFF);
  RGBStopCheck = was;
}

void TspSkinColorDialog::SetHSLEdits(TColor color) {
  int h = HEdit->Value(), s = 0, l = 0;
  bool hasHue = false;
  ColorToEditHSL(color, h, s, l, hasHue);
  const bool was = HSLStopCheck;
  HSLStopCheck = true;
  SetEditInt(HEdit, h);
  SetEditInt(SEdit, s);
  SetEditInt(LEdit, l);
  HSLStopCheck = was;
}

void TspSkinColorDialog::PaletteUpdated() {
  DrawMarkers();  // erase
  const TColor c = ColorViewer->ColorValue();
  PSPColor.SetRGB(TRGB{ColorRed(c), ColorGreen(c), static_cast<uint8_t>((c >> 16) & 0xFF)});
  DrawSquare();
  DrawMarkers();
}

void TspSkinColorDialog::RGBEditChange() {
  if (RGBStopCheck) return;
  const TColor c = MakeColor(REdit->Value(), GEdit->Value(), BEdit->Value());
  ColorViewer->SetColorValue(c);
  SetHSLEdits(c);
  if (!FromPSP) PaletteUpdated();
}

void TspSkinColorDialog::HSLEditChange() {
  if (HSLStopCheck) return;
  const TColor c = EditHSLToColor(HEdit->Value(), SEdit->Value(), LEdit->Value());
  ColorViewer->SetColorValue(c);
  SetRGBEdits(c);
  if (!FromPSP) PaletteUpdated();
}

void TspSkinColorDialog::SwatchChosen(TColor color) {
  color = ColorToRGB(color);
  SetRGBEdits(color);
  ColorViewer->SetColorValue(color);
  SetHSLEdits(color);
  if (!FromPSP) PaletteUpdated();
}

void TspSkinColorDialog::PaletteChanged() {
  FromPSP = true;
  const TRGB& c = PSPColor.GetRGB();
  SetRGBEdits(MakeColor(c.R, c.G, c.B));
  RGBEditChange();
  FromPSP = false;
}

void TspSkinColorDialog::DrawPaletteBackground() {
  TBitmap* bmp = PalettePSP->Picture()->Bitmap();
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  for (int y = 0; y < PaletteSize; ++y) {
    uint8_t* row = bmp->ScanLine(y);
    for (int x = 0; x < PaletteSize; ++x) {
      row[x * 4] = GetBValue(face);
      row[x * 4 + 1] = GetGValue(face);
      row[x * 4 + 2] = GetRValue(face);
      row[x * 4 + 3] = 0;
    }
  }
}

void TspSkinColorDialog::DrawRing() {
  TBitmap* bmp = PalettePSP->Picture()->Bitmap();
  static TColor table[360];
  static bool built = false;
  if (!built) {
    for (int n = 0; n < 360; ++n) {
      TRGB c = TPSPColor::HSLToRGB(THSL{n / 359.0, 1, 0.47});
      table[n] = MakeColor(c.R, c.G, c.B);
    }
    built = true;
  }
  auto inEllipse = [](int x, int y, double l, double t, double r, double b) {
    const double cx = (l + r) / 2, cy = (t + b) / 2, rx = (r - l) / 2, ry = (b - t) / 2;
    const double dx = (x + 0.5 - cx) / rx, dy = (y + 0.5 - cy) / ry;
    return dx * dx + dy * dy <= 1;
  };
  for (int y = 0; y < PaletteSize; ++y) {
    uint8_t* row = bmp->ScanLine(y);
    for (int x = 0; x < PaletteSize; ++x) {
      if (!inEllipse(x, y, 0, 0, 195, 195) || inEllipse(x, y, 20, 20, 175, 175)) continue;
      // Whole degrees clockwise from the top; the hue grows the other way.
      double a = std::atan2(x - 98.0, 98.0 - y) * 180 / M_PI;
      if (a < 0) a += 360;
      int ai = static_cast<int>(a) % 360;
      const TColor c = table[359 - ai];
      row[x * 4] = (c >> 16) & 0xFF;
      row[x * 4 + 1] = ColorGreen(c);
      row[x * 4 + 2] = ColorRed(c);
    }
  }
}

void TspSkinColorDialog::DrawSquare() {
  TBitmap* bmp = PalettePSP->Picture()->Bitmap();
  const double hue = PSPColor.GetHSL().H;
  for (int y = SquareMin; y <= SquareMax; ++y) {
    uint8_t* row = bmp->ScanLine(y);
    for (int x = SquareMin; x <= SquareMax; ++x) {
      const double sat = (x - SquareMin) / static_cast<double>(SquareSpan);
      const double light = (y - SquareMin) / static_cast<double>(SquareSpan);
      TRGB c = TPSPColor::HSLToRGB(THSL{hue, sat, light});
      row[x * 4] = c.B;
      row[x * 4 + 1] = c.G;
      row[x * 4 + 2] = c.R;
    }
  }
  PalettePSP->Invalidate();
}

// Drawn by exclusive-or: a second call erases them.
void TspSkinColorDialog::DrawMarkers() {
  TBitmap* bmp = PalettePSP->Picture()->Bitmap();
  HDC dc = bmp->Canvas()->Handle();
  const int oldRop = SetROP2(dc, R2_XORPEN);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(255, 255, 255));
  HGDIOBJ op = SelectObject(dc, pen), ob = SelectObject(dc, GetStockObject(NULL_BRUSH));
  const THSL& hsl = PSPColor.GetHSL();
  const int sx = SquareMin + RoundI(SquareSpan * hsl.S), sy = SquareMin + RoundI(SquareSpan * hsl.L);
  Ellipse(dc, sx - 5, sy - 5, sx + 6, sy + 6);
  const double th = hsl.H * 2 * M_PI;
  const int rx = 97 - RoundI(87 * std::sin(th)), ry = 97 - RoundI(87 * std::cos(th));
  Ellipse(dc, rx - 5, ry - 5, rx + 6, ry + 6);
  SelectObject(dc, op);
  SelectObject(dc, ob);
  DeleteObject(pen);
  SetROP2(dc, oldRop);
  GdiFlush();
  PalettePSP->Invalidate();
}

void TspSkinColorDialog::ApplyPalettePoint(int x, int y) {
  THSLPSP v = PSPColor.GetHSLPSP();
  if (ClickImg == czpspPCircle) {
    double a = std::atan2(x - 97.0, 97.0 - y) * 180 / M_PI;
    if (a < 0) a += 360;
    const int ai = static_cast<int>(a) % 360;
    const uint8_t hue = static_cast<uint8_t>(RoundI((359 - ai) / 359.0 * 255));
    if (hue == v.H) return;
    DrawMarkers();
    v.H = hue;
    PSPColor.SetHSLPSP(v);
    PaletteChanged();
    DrawSquare();
    DrawMarkers();
  } else if (ClickImg == czpspPCar) {
    x = std::max(SquareMin, std::min(SquareMax, x));
    y = std::max(SquareMin, std::min(SquareMax, y));
    const uint8_t s = static_cast<uint8_t>(RoundI((x - SquareMin) / static_cast<double>(SquareSpan) * 255));
    const uint8_t l = static_cast<uint8_t>(RoundI((y - SquareMin) / static_cast<double>(SquareSpan) * 255));
    if (s == v.S && l == v.L) return;
    DrawMarkers();
    v.S = s;
    v.L = l;
    PSPColor.SetHSLPSP(v);
    PaletteChanged();
    DrawMarkers();
  }
}

void TspSkinColorDialog::PaletteMouseDown(TMouseButton button, int x, int y) {
  if (button != mbLeft) return;
  auto inEllipse = [](int px, int py, double l, double t, double r, double b) {
    const double cx = (l + r) / 2, cy = (t + b) / 2, rx = (r - l) / 2, ry = (b - t) / 2;
    const double dx = (px + 0.5 - cx) / rx, dy = (py + 0.5 - cy) / ry;
    return dx * dx + dy * dy <= 1;
  };
  if (x >= SquareMin && x <= SquareMax && y >= SquareMin && y <= SquareMax)
    ClickImg = czpspPCar;
  else if (inEllipse(x, y, 0, 0, 195, 195) && !inEllipse(x, y, 20, 20, 174, 174))
    ClickImg = czpspPCircle;
  else
    ClickImg = czpspPnone;
  ApplyPalettePoint(x, y);
}

void TspSkinColorDialog::PaletteMouseMove(bool leftDown, int x, int y) {
  if (leftDown && ClickImg != czpspPnone) ApplyPalettePoint(x, y);
}

void TspSkinColorDialog::PaletteMouseUp(TMouseButton button, int x, int y) {
  if (button == mbLeft && ClickImg != czpspPnone) ApplyPalettePoint(x, y);
  ClickImg = czpspPnone;
}

bool TspSkinColorDialog::Execute() {
  std::unique_ptr<TForm> form(new TspDialogForm(Application, u"TspColorDlgForm"));
  FForm = form.get();
  form->SetName("ColorDialogForm");
  form->SetCaption(Caption);
  spSetClientSize(form.get(), 378, 300);

  ColorGrid = new TspSkinColorGrid(form.get());
  ColorGrid->SetName("ColorGrid");
  ColorGrid->SetSkinDataName("groupbox");
  ColorGrid->SetSkinData(FCtrlSD);
  ColorGrid->SetCaption(ResText("COLORGRID_CAP"));
  ColorGrid->SetTransparentMode(GroupBoxTransparentMode);
  ColorGrid->SetColCount(6);
  ColorGrid->SetRowCount(8);
  ColorGrid->SetBounds(5, 5, 167, 195);
  ColorGrid->SetParent(form.get());

  CustomColorGrid = new TspSkinCustomColorGrid(form.get());
  CustomColorGrid->SetName("CustomColorGrid");
  CustomColorGrid->SetSkinDataName("groupbox");
  CustomColorGrid->SetSkinData(FCtrlSD);
  CustomColorGrid->SetCaption(ResText("CUSTOMCOLORGRID_CAP"));
  CustomColorGrid->SetTransparentMode(GroupBoxTransparentMode);
  std::copy(std::begin(CustomColorValues), std::end(CustomColorValues), CustomColorGrid->CustomColorValues);
  CustomColorGrid->SetColorsCount(CustomColorValuesCount);
  CustomColorGrid->SetBounds(5, 210, 167, 68);
  CustomColorGrid->SetParent(form.get());

  PalettePSPPanel = new TspEmptyControl(form.get());
  PalettePSPPanel->SetName("PalettePSPPanel");
  PalettePSPPanel->SetBounds(177, 5, PaletteSize, PaletteSize);
  PalettePSPPanel->SetParent(form.get());
  PalettePSP = new TImage(form.get());
  PalettePSP->SetName("PalettePSP");
  {
    TBitmap bmp(PaletteSize, PaletteSize, pf32bit);
    PalettePSP->Picture()->SetGraphic(&bmp);
  }
  PalettePSP->SetBounds(0, 0, PaletteSize, PaletteSize);
  PalettePSP->SetParent(PalettePSPPanel);
  PalettePSP->OnMouseDown = [this](TObject*, TMouseButton b, TShiftState, int x, int y) { PaletteMouseDown(b, x, y); };
  PalettePSP->OnMouseMove = [this](TObject*, TShiftState s, int x, int y) {
    PaletteMouseMove((s & ssLeft) != 0, x, y);
  };
  PalettePSP->OnMouseUp = [this](TObject*, TMouseButton b, TShiftState, int x, int y) { PaletteMouseUp(b, x, y); };
  ClickImg = czpspPnone;
  PSPColor.SetRGB(TRGB{0, 0, 0});
  PosCircle = PosCar = 0;

  auto makeLabel = [&](const char* name, const char* text) {
    TspSkinStdLabel* l =
        spMakeSkinnedLabel(form.get(), name, DefaultLabelFont, UseSkinFont, LabelSkinDataName, FCtrlSD);
    l->SetAutoSize(true);
    l->SetParent(form.get());
    l->SetCaption(text);
    l->AdjustBounds();
    return l;
  };
  auto makeEdit = [&](const char* name, int maxValue, int trackWidth) {
    auto* e = new TspSkinTrackEdit(form.get());
    e->SetName(name);
    e->SetDefaultFont(DefaultEditFont);
    e->SetUseSkinFont(UseSkinFont);
    e->SetSkinData(FCtrlSD);
    e->SetMinValue(0);
    e->SetMaxValue(maxValue);
    e->TrackBarWidth = trackWidth;
    e->PopupKind = tbpLeft;
    e->SetJumpWhenClick(true);
    e->SetParent(form.get());
    return e;
  };
  RLabel = makeLabel("RLabel", "R:");
  GLabel = makeLabel("GLabel", "G:");
  BLabel = makeLabel("BLabel", "B:");
  REdit = makeEdit("REdit", 255, 200);
  GEdit = makeEdit("GEdit", 255, 200);
  BEdit = makeEdit("BEdit", 255, 200);
  const int labelWidth = std::max({RLabel->Width(), GLabel->Width(), BLabel->Width()});
  // The edits sit under the palette, their labels starting at its left.
  const int rLeft = 177 + labelWidth + 5;
  int top = 210;
  for (auto [label, edit] : {std::pair{RLabel, REdit}, std::pair{GLabel, GEdit}, std::pair{BLabel, BEdit}}) {
    edit->SetBounds(rLeft, top, 50, 21);
    label->SetBounds(rLeft - 5 - label->Width(), top + 2, label->Width(), label->Height());
    top += 21 + 10;
  }
  HLabel = makeLabel("HLabel", "H:");
  SLabel = makeLabel("SLabel", "S:");
  LLabel = makeLabel("LLabel", "L:");
  HEdit = makeEdit("HEdit", 359, 250);
  SEdit = makeEdit("SEdit", 100, 120);
  LEdit = makeEdit("LEdit", 100, 120);
  const int hLabelLeft = REdit->Left() + REdit->Width() + 5;
  const int hLabelWidth = std::max({HLabel->Width(), SLabel->Width(), LLabel->Width()});
  top = 210;
  for (auto [label, edit] : {std::pair{HLabel, HEdit}, std::pair{SLabel, SEdit}, std::pair{LLabel, LEdit}}) {
    label->SetBounds(hLabelLeft, top + 2, label->Width(), label->Height());
    edit->SetBounds(hLabelLeft + hLabelWidth + 5, top, 50, 21);
    top += 21 + 10;
  }

  ColorViewer = new TspColorViewer(form.get());
  ColorViewer->SetName("ColorViewer");
  {
    const int hRight = HEdit->Left() + HEdit->Width();
    const int side = std::max(10, (177 + PaletteSize) - hRight - 5);
    ColorViewer->SetBounds(hRight + 5, 5 + PaletteSize + 10, side, side);
  }
  ColorViewer->SetParent(form.get());

  const int buttonTop = LEdit->Top() + LEdit->Height() + 15;
  auto makeButton = [&](const char* name, const std::string& caption, int left, int width) {
    auto* b = new TspSkinButton(form.get());
    b->SetName(name);
    b->SetCanFocused(true);
    b->SetCaption(caption);
    b->SetDefaultFont(DefaultButtonFont);
    b->UseSkinFont = UseSkinFont;
    b->SetSkinDataName(ButtonSkinDataName);
    b->SetSkinData(FCtrlSD);
    b->SetBounds(left, buttonTop, width, 25);
    b->SetParent(form.get());
    return b;
  };
  OkButton = makeButton("OkButton", ResText("MSG_BTN_OK"), 5, 70);
  OkButton->ModalResult = mrOk;
  OkButton->SetDefault(true);
  CancelButton = makeButton("CancelButton", ResText("MSG_BTN_CANCEL"), 90, 70);
  CancelButton->ModalResult = mrCancel;
  CancelButton->Cancel = true;
  AddCustomColorButton = makeButton("AddCustomColorButton", ResText("ADDCUSTOMCOLORBUTTON_CAP"), 177, PaletteSize);
  spSetClientSize(form.get(), 378,
                std::max(AddCustomColorButton->Top() + 25, ColorViewer->Top() + ColorViewer->Height()) + 10);

  ColorGrid->OnChange = [this](TObject*) { SwatchChosen(ColorGrid->ColorValue()); };
  CustomColorGrid->OnChange = [this](TObject*) { SwatchChosen(CustomColorGrid->ColorValue()); };
  AddCustomColorButton->OnClick = [this](TObject*) { CustomColorGrid->AddColor(ColorViewer->ColorValue()); };
  for (auto* e : {REdit, GEdit, BEdit}) e->OnChange = [this](TObject*) { RGBEditChange(); };
  for (auto* e : {HEdit, SEdit, LEdit}) e->OnChange = [this](TObject*) { HSLEditChange(); };

  DrawPaletteBackground();
  DrawRing();
  DrawSquare();
  DrawMarkers();
  const TColor start = ColorToRGB(Color);
  ColorViewer->SetColorValue(start);
  {
    // Selecting the swatch is all the grid does here.
    TNotifyEvent keep = std::move(ColorGrid->OnChange);
    ColorGrid->OnChange = nullptr;
    ColorGrid->SetColorValue(start);
    ColorGrid->OnChange = std::move(keep);
  }
  SetRGBEdits(start);
  RGBEditChange();

  form->SetActiveControl(OkButton);
  form->SetBounds((GetSystemMetrics(SM_CXSCREEN) - form->Width()) / 2,
                  (GetSystemMetrics(SM_CYSCREEN) - form->Height()) / 2, form->Width(), form->Height());
  if (OnFormCreated) OnFormCreated(form.get());
  struct TClear {
    TspSkinColorDialog* d;
    ~TClear() {
      d->FForm = nullptr;
      d->ColorGrid = nullptr;
      d->CustomColorGrid = nullptr;
      d->OkButton = d->CancelButton = d->AddCustomColorButton = nullptr;
      d->ColorViewer = nullptr;
      d->REdit = d->GEdit = d->BEdit = d->HEdit = d->SEdit = d->LEdit = nullptr;
      d->RLabel = d->GLabel = d->BLabel = d->HLabel = d->SLabel = d->LLabel = nullptr;
      d->PalettePSPPanel = nullptr;
      d->PalettePSP = nullptr;
    }
  } clear{this};
  const int result = form->ShowModal();
  if (result != mrOk) return false;
  Color = ColorViewer->ColorValue();
  std::copy(std::begin(CustomColorGrid->CustomColorValues), std::end(CustomColorGrid->CustomColorValues),
            CustomColorValues);
  CustomColorValuesCount = CustomColorGrid->ColorsCount();
  return true;
}
