// Painting of the grid: background, lines, cells in the default look or
// from the skin's cell pictures, focus frames and the area past the cells.
#include <algorithm>

#include "skin/data/SPUtils.h"
#include "skin/data/SkinData.h"
#include "skin/dialogs/SkinGrids.h"

namespace {

TRect ToTRect(const RECT& r) { return TRect{r.left, r.top, r.right, r.bottom}; }

}  // namespace

void TspGridCanvas::CreateHandle() {
  HWND h = FControl->HandleIfAllocated();
  if (!h || FOwnDC) return;
  FOwnDC = GetDC(h);
  FOwnWnd = h;
  SetHandle(FOwnDC);
}

void TspGridCanvas::ReleaseOwnDC() {
  if (!FOwnDC) return;
  if (HandleAllocated()) SetHandle(nullptr);
  ReleaseDC(FOwnWnd, FOwnDC);
  FOwnDC = nullptr;
  FOwnWnd = nullptr;
}

void TspSkinCustomGrid::TileBackground(TCanvas* canvas, TBitmap* picture, int width, int height) {
  if (!picture) return;
  int w = picture->Width(), h = picture->Height();
  if (w <= 0 || h <= 0) return;
  for (int i = 0; i <= width / w; ++i)
    for (int j = 0; j <= height / h; ++j) canvas->Draw(i * w, j * h, picture);
}

void TspSkinCustomGrid::SetParentImage() {
  if (!FTransparent || !ParentImage) return;
  ParentImage->SetSize(Width(), Height());
  if (ParentImage->Empty()) return;
  if (FWallpaper.Empty()) {
    if (Parent())
      Parent()->PaintBackground(ParentImage->DC(), this);
    else
      ParentImage->Canvas()->FillRect(TRect{0, 0, Width(), Height()});
  } else if (FWallpaperStretch) {
    ParentImage->Canvas()->StretchDraw(TRect{0, 0, Width(), Height()}, &FWallpaper);
  } else {
    TileBackground(ParentImage->Canvas(), &FWallpaper, Width(), Height());
  }
}

void TspSkinCustomGrid::SetCellFont(TCanvas* canvas, TGridDrawState state, TColor color) {
  TFont* f = canvas->Font();
  bool fixed = (state & gdFixed) != 0;
  if (UseSkinFont) {
    f->SetName(fixed ? FSkin.FixedFontName : FSkin.FontName);
    f->SetHeight(fixed ? FSkin.FixedFontHeight : FSkin.FontHeight);
    f->SetStyle(fixed ? FSkin.FixedFontStyle : FSkin.FontStyle);
    f->SetColor(color);
  } else {
    f->Assign(&FFont);
    f->SetColor(color);
  }
  if (FSD && FSD->ResourceStrData())
    f->SetCharset(FSD->ResourceStrData()->CharSet);
  else
    f->SetCharset(FFont.Charset());
}

void TspSkinCustomGrid::BuildCellPicture(TBitmap* bitmap, TGridDrawState state, int w, int h) {
  if (!FUseSkinCellHeight) bitmap->SetSize(w, h);
  RECT rect;
  int leftOffset, rightOffset;
  bool stretch;
  RECT textRect;
  TColor fontColor;
  if (state & gdFixed) {
    rect = FSkin.FixedCellRect;
    leftOffset = FSkin.FixedCellLeftOffset;
    rightOffset = FSkin.FixedCellRightOffset;
    stretch = FSkin.FixedCellStretchEffect;
    textRect = FSkin.FixedCellTextRect;
    fontColor = FSkin.FixedFontColor;
  } else {
    rect = (state & gdFocused) || (FOptions & goRowSelect) ? FSkin.FocusCellRect : FSkin.SelectCellRect;
    leftOffset = FSkin.CellLeftOffset;
    rightOffset = FSkin.CellRightOffset;
    stretch = FSkin.CellStretchEffect;
    textRect = FSkin.CellTextRect;
    fontColor = (state & gdFocused) || (FOptions & goRowSelect) ? FSkin.FocusFontColor : FSkin.SelectFontColor;
  }
  int rw = rect.right - rect.left, rh = rect.bottom - rect.top;
  if (FUseSkinCellHeight) {
    bitmap->SetSize(w, rh);
    CreateHorzThreePartImage(leftOffset, rightOffset, bitmap, Picture, ToTRect(rect), w, rh, stretch);
  } else {
    DrawSkinRectStretched(bitmap, Picture, ToTRect(rect),
                          TRect{leftOffset, textRect.top, rw - rightOffset, textRect.bottom}, true);
  }
  if (!Picture && !bitmap->Empty()) {
    // A skin without the picture: the cell keeps a plain fill.
    TCanvas* c = bitmap->Canvas();
    c->Brush()->SetColor(state & gdFixed ? FFixedColor : clHighlight);
    c->FillRect(TRect{0, 0, bitmap->Width(), bitmap->Height()});
  }
  SetCellFont(&FCanvas, state, fontColor);
  if (FSkin.ShowFocus && (state & gdFocused) && !(FOptions & goRowSelect) && Skinned() && !bitmap->Empty()) {
    TCanvas* c = bitmap->Canvas();
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(FSD ? static_cast<TColor>(FSD->SkinColors.cBtnFace) : clBtnFace);
    DrawDottedFocusFrame(c, TRect{0, 0, bitmap->Width(), bitmap->Height()});
    c->Brush()->SetStyle(bsClear);
  }
}

void TspSkinCustomGrid::DrawGridLines(const TGridLayout& l, bool doHorz, bool doVert, int startCol, int startRow,
                                      const int bounds[4], TColor onColor, TColor offColor) {
  if (bounds[0] == bounds[2] || bounds[1] == bounds[3]) return;
  HDC dc = FCanvas.Handle();
  auto pass = [&](bool columns, bool option) {
    const TGridAxisInfo& a = columns ? l.Horz : l.Vert;
    if (a.LineWidth == 0) return;
    COLORREF rgb = ColorToRGBValue(option ? onColor : offColor);
    HPEN pen;
    if (FGridLineWidth > 1) {
      LOGBRUSH lb{BS_SOLID, rgb, 0};
      pen = ExtCreatePen(PS_GEOMETRIC | PS_SOLID | PS_ENDCAP_FLAT | PS_JOIN_MITER, FGridLineWidth, &lb, 0, nullptr);
    } else {
      pen = CreatePen(PS_SOLID, 1, rgb);
    }
    int major = columns ? 0 : 1;
    int cell = columns ? startCol : startRow;
    int64_t pos = int64_t{bounds[major]} + a.LineWidth / 2 + a.Extent(cell);
    int64_t stop = int64_t{bounds[2 + major]} + a.LineWidth;
    // Lines of zero-extent cells come on top of the visible ones: the
    // buffers grow with what the pass really draws.
    std::vector<POINT> points;
    std::vector<DWORD> counts;
    int guard = 0;
    while (pos <= stop && guard++ < 1000000) {
      int p = static_cast<int>(pos);
      if (columns) {
        points.push_back(POINT{p, bounds[1]});
        points.push_back(POINT{p, bounds[3]});
      } else {
        points.push_back(POINT{bounds[0], p});
        points.push_back(POINT{bounds[2], p});
      }
      counts.push_back(2);
      ++cell;
      pos += a.Extent(cell) + a.LineWidth;
    }
    if (!counts.empty()) {
      HGDIOBJ old = SelectObject(dc, pen);
      PolyPolyline(dc, points.data(), counts.data(), static_cast<DWORD>(counts.size()));
      SelectObject(dc, old);
    }
    DeleteObject(pen);
    LinesDrawn += static_cast<int>(counts.size());
  };
  if (doHorz) {
    pass(true, doVert);
    pass(false, doHorz);
  } else {
    pass(false, doHorz);
    pass(true, doVert);
  }
}

void TspSkinCustomGrid::DrawCellRange(const TGridLayout& l, const TGridRect& sel, int aCol, int aRow, int startX,
                                      int startY, int stopX, int stopY, TColor color, TGridDrawState includeState) {
  HDC dc = FCanvas.Handle();
  bool focusedGrid = IsFocusedGrid();
  int64_t top = startY;
  for (int row = aRow; top < stopY && row < FRowCount; ++row) {
    int h = RowHeights(row);
    int64_t left = startX;
    for (int col = aCol; left < stopX && col < FColCount; ++col) {
      int w = ColWidths(col);
      TRect r{static_cast<int>(left), static_cast<int>(top), static_cast<int>(left + w), static_cast<int>(top + h)};
      RECT rr{r.Left, r.Top, r.Right, r.Bottom};
      if (w > 0 && RectVisible(dc, &rr)) {
        TGridDrawState state = includeState;
        bool focused = focusedGrid && col == FCurrent.X && row == FCurrent.Y;
        if (focused) state |= gdFocused;
        if (col >= sel.Left && col <= sel.Right && row >= sel.Top && row <= sel.Bottom) state |= gdSelected;
        // The editor covers the cell it edits.
        if (focused && (FOptions & goEditing) && FEditorMode) {
          left += w + l.Horz.LineWidth;
          continue;
        }
        if (FDefaultDrawing) {
          if (!Skinned()) {
            FCanvas.Font()->Assign(&FFont);
            bool highlight = (state & gdSelected) &&
                             (!(state & gdFocused) || (FOptions & (goDrawFocusSelected | goRowSelect)));
            if (highlight) {
              FCanvas.Brush()->SetColor(clHighlight);
              FCanvas.Font()->SetColor(clHighlightText);
              FCanvas.FillRect(r);
            } else if (!FTransparent || (state & gdFixed)) {
              FCanvas.Brush()->SetColor(color);
              FCanvas.FillRect(r);
              if (state & gdFixed) DrawBevelFrame(&FCanvas, r, clBtnHighlight, clBtnShadow);
            }
          } else if (state & (gdSelected | gdFocused | gdFixed)) {
            TBitmap cell;
            BuildCellPicture(&cell, state, w, h);
            FCanvas.Draw(r.Left, r.Top, &cell);
          } else {
            SetCellFont(&FCanvas, state, FSkin.FontColor);
            if (!BGPicture && !FTransparent) {
              FCanvas.Brush()->SetColor(FSkin.BGColor);
              FCanvas.FillRect(r);
            }
          }
        }
        DrawCell(col, row, r, state);
        if (!Skinned() && FDefaultDrawing && (state & gdFocused) &&
            !((FOptions & goEditing) && (FOptions & goAlwaysShowEditor)) && !(FOptions & goRowSelect)) {
          FCanvas.Brush()->SetColor(clBtnHighlight);
          DrawDottedFocusFrame(&FCanvas, r);
        }
      }
      left += w + l.Horz.LineWidth;
    }
    top += h + l.Vert.LineWidth;
  }
}

void TspSkinCustomGrid::Paint() {
  if (Width() <= 0 || Height() <= 0) return;
  GetSkinData();
  HDC dc = PaintDC();
  FCanvas.ReleaseOwnDC();
  FCanvas.SetHandle(dc);
  try {
    if (Skinned() && BGPicture && !FTransparent) {
      TileBackground(&FCanvas, BGPicture, Width(), Height());
    } else if (FTransparent) {
      ParentImage = new TBitmap;
      try {
        SetParentImage();
        FCanvas.Draw(0, 0, ParentImage);
      } catch (...) {
        delete ParentImage;
        ParentImage = nullptr;
        throw;
      }
      delete ParentImage;
      ParentImage = nullptr;
    }
    TGridLayout l = ComputeLayout();
    if (l.Horz.LineWidth > 0 || l.Vert.LineWidth > 0) {
      TColor lineColor = Skinned() ? FSkin.LinesColor : FGridLineColor;
      if (ColorToRGBValue(Color()) == static_cast<COLORREF>(clSilver)) lineColor = clGray;
      int a[4] = {0, 0, l.Horz.FixedEnd, l.Vert.FixedEnd};
      DrawGridLines(l, (FOptions & goFixedHorzLine) != 0, (FOptions & goFixedVertLine) != 0, 0, 0, a, lineColor,
                    FFixedColor);
      int b[4] = {l.Horz.FixedEnd, 0, l.Horz.GridEnd, l.Vert.FixedEnd};
      DrawGridLines(l, (FOptions & goFixedHorzLine) != 0, (FOptions & goFixedVertLine) != 0, FTopLeft.X, 0, b,
                    lineColor, FFixedColor);
      int c[4] = {0, l.Vert.FixedEnd, l.Horz.FixedEnd, l.Vert.GridEnd};
      DrawGridLines(l, (FOptions & goFixedHorzLine) != 0, (FOptions & goFixedVertLine) != 0, 0, FTopLeft.Y, c,
                    lineColor, FFixedColor);
      int d[4] = {l.Horz.FixedEnd, l.Vert.FixedEnd, l.Horz.GridEnd, l.Vert.GridEnd};
      DrawGridLines(l, (FOptions & goHorzLine) != 0, (FOptions & goVertLine) != 0, FTopLeft.X, FTopLeft.Y, d,
                    lineColor, Color());
    }
    TGridRect sel = Selection();
    DrawCellRange(l, sel, 0, 0, 0, 0, l.Horz.FixedEnd, l.Vert.FixedEnd, FFixedColor, gdFixed);
    DrawCellRange(l, sel, FTopLeft.X, 0, l.Horz.FixedEnd - FColOffset, 0, l.Horz.GridEnd, l.Vert.FixedEnd,
                  FFixedColor, gdFixed);
    DrawCellRange(l, sel, 0, FTopLeft.Y, 0, l.Vert.FixedEnd, l.Horz.FixedEnd, l.Vert.GridEnd, FFixedColor, gdFixed);
    DrawCellRange(l, sel, FTopLeft.X, FTopLeft.Y, l.Horz.FixedEnd - FColOffset, l.Vert.FixedEnd, l.Horz.GridEnd,
                  l.Vert.GridEnd, Color(), 0);
    if ((FOptions & goRowSelect) && FDefaultDrawing && IsFocusedGrid() && !Skinned()) {
      RECT r = GridRectToClient(sel, false, &l);
      FCanvas.Brush()->SetColor(clBtnHighlight);
      DrawDottedFocusFrame(&FCanvas, TRect{r.left, r.top, r.right, r.bottom});
    }
    if ((!Skinned() || !BGPicture) && !FTransparent) {
      FCanvas.Brush()->SetStyle(bsSolid);
      FCanvas.Brush()->SetColor(Skinned() ? FSkin.BGColor : Color());
      if (l.Horz.GridEnd < l.Horz.ClientExtent)
        FCanvas.FillRect(TRect{l.Horz.GridEnd, 0, l.Horz.ClientExtent + 1, l.Vert.GridEnd});
      if (l.Vert.GridEnd < l.Vert.ClientExtent)
        FCanvas.FillRect(TRect{0, l.Vert.GridEnd, l.Horz.ClientExtent, l.Vert.ClientExtent});
    }
  } catch (...) {
    FCanvas.SetHandle(nullptr);
    throw;
  }
  FCanvas.SetHandle(nullptr);
}

HDC TspSkinCustomGrid::BeginCanvas() {
  HWND h = HandleIfAllocated();
  if (!h) return nullptr;
  FCanvas.ReleaseOwnDC();
  HDC dc = GetDC(h);
  FCanvas.SetHandle(dc);
  return dc;
}

void TspSkinCustomGrid::EndCanvas(HDC dc) {
  FCanvas.SetHandle(nullptr);
  if (dc) ReleaseDC(HandleIfAllocated(), dc);
}

void TspSkinCustomGrid::DrawSizingMark(const TGridLayout& l) {
  HDC dc = BeginCanvas();
  if (!dc) return;
  int oldRop = SetROP2(dc, R2_XORPEN);
  HPEN pen = CreatePen(PS_DOT, 1, RGB(255, 255, 255));
  HGDIOBJ old = SelectObject(dc, pen);
  if (FGridState == gsRowSizing) {
    MoveToEx(dc, 0, FSizingPos, nullptr);
    LineTo(dc, l.Horz.GridEnd, FSizingPos);
  } else if (FGridState == gsColSizing) {
    MoveToEx(dc, FSizingPos, 0, nullptr);
    LineTo(dc, FSizingPos, l.Vert.GridEnd);
  }
  SelectObject(dc, old);
  DeleteObject(pen);
  SetROP2(dc, oldRop);
  EndCanvas(dc);
}

void TspSkinCustomGrid::DrawMoveMark() {
  HDC dc = BeginCanvas();
  if (!dc) return;
  int oldRop = SetROP2(dc, R2_XORPEN);
  LOGBRUSH lb{BS_SOLID, RGB(255, 255, 255), 0};
  HPEN pen = ExtCreatePen(PS_GEOMETRIC | PS_DOT | PS_ENDCAP_FLAT, 5, &lb, 0, nullptr);
  HGDIOBJ old = SelectObject(dc, pen);
  RECT client = ClientRect();
  if (FGridState == gsRowMoving) {
    TRect r = CellRect(0, FMovePos);
    int y = FMoveIndex < FMovePos ? r.Bottom : r.Top;
    MoveToEx(dc, 0, y, nullptr);
    LineTo(dc, client.right, y);
  } else if (FGridState == gsColMoving) {
    TRect r = CellRect(FMovePos, 0);
    int x = FMoveIndex < FMovePos ? r.Right : r.Left;
    MoveToEx(dc, x, 0, nullptr);
    LineTo(dc, x, client.bottom);
  }
  SelectObject(dc, old);
  DeleteObject(pen);
  SetROP2(dc, oldRop);
  EndCanvas(dc);
}
