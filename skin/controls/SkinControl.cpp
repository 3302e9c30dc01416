#include "skin/controls/SkinControl.h"

#include "skin/data/SPEffectPixels.h"
#include "skin/data/SkinMorph.h"

namespace {

bool IsEmpty(const RECT& r) { return r.right - r.left <= 0 || r.bottom - r.top <= 0; }

// Right and bottom edges outside.
bool RectInsideRect(const RECT& r, const RECT& q) {
  return r.left >= q.left && r.left < q.right && r.top >= q.top && r.top < q.bottom && r.right >= q.left &&
         r.right < q.right && r.bottom >= q.top && r.bottom < q.bottom;
}

// All four edges inside.
bool PointInRectInclusive(POINT p, const RECT& q) {
  return p.x >= q.left && p.x <= q.right && p.y >= q.top && p.y <= q.bottom;
}

RECT Moved(RECT r, int dx, int dy) {
  return RECT{ClampToInt(int64_t{r.left} + dx), ClampToInt(int64_t{r.top} + dy), ClampToInt(int64_t{r.right} + dx),
              ClampToInt(int64_t{r.bottom} + dy)};
}

}  // namespace

TspNinePartSpec ElementNinePartGrown(const TspDataSkinCustomControl& e, const RECT& src, int dx, int dy) {
  auto pt = [](const TspPoint& p) { return POINT{p.X, p.Y}; };
  return NinePartGrown(src, pt(e.LTPoint), pt(e.RTPoint), pt(e.LBPoint), pt(e.RBPoint), ToRECT(e.ClRect), dx, dy,
                       e.StretchEffect);
}

bool DrawSkinButtonElement(TspPaintBuffer& b, TspSkinData* sd, const std::string& name, const RECT& dst, bool down,
                           bool hot, COLORREF* fontColor) {
  if (!sd || IsEmpty(dst)) return false;
  int i = sd->GetControlIndex(name);
  auto* e = i >= 0 ? dynamic_cast<TspDataSkinButtonControl*>(sd->CtrlList[static_cast<size_t>(i)].get()) : nullptr;
  if (!e) return false;
  RECT normal = ToRECT(e->SkinRect);
  RECT active = IsEmpty(ToRECT(e->ActiveSkinRect)) ? normal : ToRECT(e->ActiveSkinRect);
  RECT pressed = IsEmpty(ToRECT(e->DownSkinRect)) ? active : ToRECT(e->DownSkinRect);
  RECT src = down ? pressed : hot ? active : normal;
  const TspPicture* pic = nullptr;
  if (e->PictureIndex >= 0 && e->PictureIndex < static_cast<int>(sd->FActivePictures.size()))
    pic = &sd->FActivePictures[static_cast<size_t>(e->PictureIndex)];
  if (pic && !pic->Empty() && !IsEmpty(src)) {
    int w = dst.right - dst.left, h = dst.bottom - dst.top;
    TspPaintBuffer part(w, h);
    DrawNinePart(part, ImageSourceOf(pic), ElementNinePartGrown(*e, src, w - (src.right - src.left), h - (src.bottom - src.top)));
    part.DrawTo(b.DC(), dst.left, dst.top);
  }
  if (fontColor) {
    int32_t c = down ? e->DownFontColor : hot ? e->ActiveFontColor : e->FontColor;
    *fontColor = static_cast<COLORREF>(c) & 0xFFFFFF;
  }
  return true;
}

int TspSkinGeometry::CalcResizeMode() const {
  if (IsEmpty(SkinRect)) return -1;
  if (RBPt.x != 0 && RBPt.y != 0) return 1;
  if (RTPt.x != 0 || RTPt.y != 0) return 2;
  if (LBPt.x != 0 || LBPt.y != 0) return 3;
  return 0;
}

void TspSkinGeometry::CalcSkinSize(bool hasElement, int& width, int& height) {
  if (ResizeMode > 0) {
    int dx = ClampToInt(int64_t{width} - SkinWidth());
    int dy = ClampToInt(int64_t{height} - SkinHeight());
    NewLTPoint = LTPt;
    switch (ResizeMode) {
      case 1:
        NewRTPoint = POINT{ClampToInt(int64_t{RTPt.x} + dx), RTPt.y};
        NewLBPoint = POINT{LBPt.x, ClampToInt(int64_t{LBPt.y} + dy)};
        NewRBPoint = POINT{ClampToInt(int64_t{RBPt.x} + dx), ClampToInt(int64_t{RBPt.y} + dy)};
        NewClRect = RECT{ClRect.left, ClRect.top, ClampToInt(int64_t{ClRect.right} + dx),
                         ClampToInt(int64_t{ClRect.bottom} + dy)};
        break;
      case 2:
        height = SkinHeight();
        NewRTPoint = POINT{ClampToInt(int64_t{RTPt.x} + dx), RTPt.y};
        NewClRect = ClRect;
        NewClRect.right = ClampToInt(int64_t{ClRect.right} + dx);
        break;
      case 3:
        width = SkinWidth();
        NewLBPoint = POINT{LBPt.x, ClampToInt(int64_t{LBPt.y} + dy)};
        NewClRect = ClRect;
        NewClRect.bottom = ClampToInt(int64_t{ClRect.bottom} + dy);
        break;
    }
  } else if (hasElement && ResizeMode == 0) {
    width = SkinWidth();
    height = SkinHeight();
    NewClRect = ClRect;
  }
}

RECT TspSkinGeometry::CalcResizedRect(const RECT& r, int width, int height) const {
  int dx = ClampToInt(int64_t{width} - SkinWidth());
  int dy = ClampToInt(int64_t{height} - SkinHeight());
  RECT n = r;
  switch (ResizeMode) {
    case 1: {
      RECT ltq{0, 0, LTPt.x, LTPt.y};
      RECT rtq{RTPt.x, 0, SkinWidth(), RTPt.y};
      RECT lbq{0, LBPt.y, LBPt.x, SkinHeight()};
      RECT rbq{RBPt.x, RBPt.y, SkinWidth(), SkinHeight()};
      if (RectInsideRect(r, ltq)) return r;
      if (RectInsideRect(r, rtq)) return Moved(r, dx, 0);
      if (RectInsideRect(r, lbq)) return Moved(r, 0, dy);
      if (RectInsideRect(r, rbq)) return Moved(r, dx, dy);
      POINT tl{r.left, r.top}, br{r.right, r.bottom};
      if (PointInRectInclusive(tl, ltq) && PointInRectInclusive(br, rbq)) {
        n.right = ClampToInt(int64_t{n.right} + dx);
        n.bottom = ClampToInt(int64_t{n.bottom} + dy);
      } else if (PointInRectInclusive(tl, ltq) && PointInRectInclusive(br, rtq)) {
        n.right = ClampToInt(int64_t{n.right} + dx);
      } else if (PointInRectInclusive(tl, lbq) && PointInRectInclusive(br, rbq)) {
        n.right = ClampToInt(int64_t{n.right} + dx);
        n = Moved(n, 0, dy);
      } else if (PointInRectInclusive(tl, ltq) && PointInRectInclusive(br, lbq)) {
        n.bottom = ClampToInt(int64_t{n.bottom} + dy);
      } else if (PointInRectInclusive(tl, rtq) && PointInRectInclusive(br, rbq)) {
        n = Moved(n, dx, 0);
        n.bottom = ClampToInt(int64_t{n.bottom} + dy);
      }
      return n;
    }
    case 2:
      if (r.left <= LTPt.x && r.right >= RTPt.x)
        n.right = ClampToInt(int64_t{n.right} + dx);
      else if (RTPt.x <= r.left && RTPt.x < r.right)
        n = Moved(n, dx, 0);
      return n;
    case 3:
      if (r.top <= LTPt.y && r.bottom >= LBPt.y)
        n.bottom = ClampToInt(int64_t{n.bottom} + dy);
      else if (LBPt.y <= r.top && LBPt.y < r.bottom)
        n = Moved(n, 0, dy);
      return n;
    default:
      return r;
  }
}

namespace {

void ToEffectPixels(const TspPaintBuffer& b, TspEffectPixels& e) {
  e.Create(b.Width(), b.Height());
  const uint32_t* src = b.Bits();
  for (int y = 0; y < b.Height(); ++y) {
    uint8_t* row = e.GetRowPtr(y);
    for (int x = 0; x < b.Width(); ++x) {
      uint32_t c = src[size_t(y) * b.Width() + x];
      row[x * 3] = uint8_t(c), row[x * 3 + 1] = uint8_t(c >> 8), row[x * 3 + 2] = uint8_t(c >> 16);
    }
  }
}

}  // namespace

void MorphLooks(TspPaintBuffer& normal, const TspPaintBuffer& active, TMorphKind kind, double kf) {
  if (normal.Width() != active.Width() || normal.Height() != active.Height()) return;
  if (normal.Width() <= 0 || normal.Height() <= 0) return;
  TspEffectPixels self, other;
  ToEffectPixels(normal, self);
  ToEffectPixels(active, other);
  MorphTowards(self, other, kind, kf);
  uint32_t* dst = normal.Bits();
  for (int y = 0; y < normal.Height(); ++y) {
    const uint8_t* row = self.GetRowPtr(y);
    for (int x = 0; x < normal.Width(); ++x)
      dst[size_t(y) * normal.Width() + x] =
          uint32_t(row[x * 3]) | uint32_t(row[x * 3 + 1]) << 8 | uint32_t(row[x * 3 + 2]) << 16;
  }
}
