#include "skin/controls/SkinBoxDraw.h"

#include <algorithm>
#include <vector>

#include "skin/data/SPNinePart.h"

void DrawStretchedSkinRect(TspPaintBuffer& b, const TspImageSource& picture, const RECT& src, const RECT& clRect) {
  if (picture.Empty() || IsRectEmpty(&src)) return;
  TspNinePartGeometry g = SkinRectStretchedGeometry(TspRect{src.left, src.top, src.right, src.bottom},
                                                    TspRect{clRect.left, clRect.top, clRect.right, clRect.bottom},
                                                    b.Width(), b.Height(), true);
  TspNinePartSpec n;
  n.SkinRect = src;
  auto pt = [](const TspPoint& p) { return POINT{p.X, p.Y}; };
  auto rc = [](const TspRect& r) { return RECT{r.Left, r.Top, r.Right, r.Bottom}; };
  n.LT = pt(g.LTPoint);
  n.RT = pt(g.RTPoint);
  n.LB = pt(g.LBPoint);
  n.RB = pt(g.RBPoint);
  n.ClRect = rc(g.ClRect);
  n.NewLT = pt(g.NewLTPoint);
  n.NewRT = pt(g.NewRTPoint);
  n.NewLB = pt(g.NewLBPoint);
  n.NewRB = pt(g.NewRBPoint);
  n.NewClRect = rc(g.NewClRect);
  n.StretchEffect = true;
  DrawNinePart(b, picture, n);
}

void DrawTabbedString(TCanvas* canvas, const std::string& text, const TStrings* tabs, int x, const RECT& r) {
  std::vector<INT> stops;
  for (int i = 0; tabs && i < tabs->Count() && i < 10; ++i) {
    const std::string& s = tabs->Get(i);
    bool digits = !s.empty() && s.size() < 9 && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
    stops.push_back(digits ? std::stoi(s) : 0);
  }
  HDC dc = canvas->Handle();
  std::u16string w = UTF8ToUTF16(text);
  int th = canvas->TextHeight("Wg");
  int y = r.top + (r.bottom - r.top) / 2 - th / 2;
  if (th % 2 != 0) --y;
  TabbedTextOutW(dc, x, y, reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<int>(w.size()),
                 static_cast<int>(stops.size()), stops.empty() ? nullptr : stops.data(), 0);
}

namespace {
std::function<uint32_t()>& TickSource() {
  static std::function<uint32_t()> source;
  return source;
}
}  // namespace

uint32_t SkinTickCount() {
  auto& s = TickSource();
  return s ? s() : GetTickCount();
}

void SetSkinTickSource(std::function<uint32_t()> source) { TickSource() = std::move(source); }
