// The colour choosers: the colour models, the swatch grids, the colour
// dialog kept in step from its edits, and the text-colour button's menu.
#include "support/gtest.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <tuple>
#include <string>

#include "ModalScript.h"
#include "support/Dib.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinTimeEdit.h"
#include "skin/controls/spColorCtrls.h"
#include "skin/dialogs/spColorButton.h"

namespace {

TColor Rgb(int r, int g, int b) { return r | (g << 8) | (b << 16); }

// A plain window that hosts controls under test.
struct THost {
  TForm form{nullptr};
  THost() {
    form.SetBounds(0, 0, 400, 400);
    form.Handle();
  }
};

void Click(TWinControl* control, int x, int y) {
  SendMessageW(control->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageW(control->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

}  // namespace

TEST(ColourModels, RgbAndHslFormsStayConsistent) {
  TPSPColor c;
  c.SetRGB(TRGB{255, 0, 0});
  EXPECT_DOUBLE_EQ(0, c.GetHSL().H);
  EXPECT_DOUBLE_EQ(1, c.GetHSL().S);
  EXPECT_DOUBLE_EQ(0.5, c.GetHSL().L);
  EXPECT_EQ(0, c.GetHSLPSP().H);
  EXPECT_EQ(255, c.GetHSLPSP().S);
  EXPECT_EQ(128, c.GetHSLPSP().L);

  // Every colour comes back through HSL as it went in.
  const TRGB colours[] = {{0, 0, 0}, {255, 255, 255}, {128, 128, 128}, {0, 255, 0}, {0, 0, 255},
                          {128, 66, 79}, {255, 128, 192}, {64, 0, 128}, {1, 2, 3}};
  for (const TRGB& rgb : colours) {
    SCOPED_TRACE(std::to_string(rgb.R) + "," + std::to_string(rgb.G) + "," + std::to_string(rgb.B));
    TPSPColor p;
    p.SetRGB(rgb);
    TPSPColor q;
    q.SetHSL(p.GetHSL());
    EXPECT_EQ(rgb.R, q.GetRGB().R);
    EXPECT_EQ(rgb.G, q.GetRGB().G);
    EXPECT_EQ(rgb.B, q.GetRGB().B);
  }
  // The byte form converts back through its own scale.
  TPSPColor b;
  b.SetHSLPSP(THSLPSP{0, 255, 128});
  // ... with the precision of its scale: lightness 128/255 is a shade over half.
  EXPECT_EQ(255, b.GetRGB().R);
  EXPECT_EQ(1, b.GetRGB().G);
  EXPECT_EQ(1, b.GetRGB().B);
}

TEST(ColourModels, TheEditModelHandlesBlackAndGreysAndWrapsTheHue) {
  struct Case {
    TColor color;
    int h, s, l;
    bool hasHue;
  } cases[] = {
      {Rgb(255, 0, 0), 0, 100, 100, true},
      {Rgb(0, 0, 0), 77, 0, 0, false},  // black: no hue, no division by zero
      {Rgb(128, 128, 128), 77, 0, 50, false},
      {Rgb(0, 255, 0), 120, 100, 100, true},
      {Rgb(0, 0, 128), 239, 100, 50, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.color));
    int h = 77, s = -1, l = -1;
    bool hasHue = true;
    ColorToEditHSL(c.color, h, s, l, hasHue);
    EXPECT_EQ(c.h, h);
    EXPECT_EQ(c.s, s);
    EXPECT_EQ(c.l, l);
    EXPECT_EQ(c.hasHue, hasHue);
  }
  EXPECT_EQ(Rgb(255, 0, 0), EditHSLToColor(0, 100, 100));
  EXPECT_EQ(Rgb(255, 0, 4), EditHSLToColor(359, 100, 100)) << "the last sector is almost red";
  EXPECT_EQ(Rgb(0, 0, 0), EditHSLToColor(200, 100, 0));
  EXPECT_EQ(Rgb(128, 128, 128), EditHSLToColor(42, 0, 50));
}

TEST(ColourGrids, TheBasicGridCentresItsCellsAndReportsOnlyTableColours) {
  THost host;
  auto* grid = new TspSkinColorGrid(&host.form);
  EXPECT_EQ("Basic colors", grid->Caption());
  EXPECT_EQ(280, grid->Width());
  EXPECT_EQ(12, grid->ColCount());
  grid->SetColCount(6);
  grid->SetRowCount(8);
  grid->SetColCount(0);   // ignored
  grid->SetRowCount(-1);  // ignored as well: no cell height of zero
  EXPECT_EQ(6, grid->ColCount());
  EXPECT_EQ(8, grid->RowCount());
  grid->SetBounds(5, 5, 167, 195);
  grid->SetParent(&host.form);

  RECT client{};
  grid->GetSkinClientRect(client);
  const int cw = client.right - client.left, ch = client.bottom - client.top;
  const int w = (cw - 12) / 6, h = (ch - 16) / 8;
  const RECT first = grid->CellRect(0), last = grid->CellRect(47);
  EXPECT_EQ(client.left + cw / 2 - (w + 2) * 6 / 2 + 1, first.left);
  EXPECT_EQ(client.top + ch / 2 - (h + 2) * 8 / 2 + 1, first.top);
  EXPECT_EQ(w, first.right - first.left);
  EXPECT_EQ(first.left + 5 * (w + 2), last.left);
  EXPECT_EQ(first.top + 7 * (h + 2), last.top);

  int changes = 0;
  grid->OnChange = [&](TObject*) { ++changes; };
  grid->SetColorValue(Rgb(1, 2, 3));
  EXPECT_EQ(Rgb(1, 2, 3), grid->ColorValue()) << "stored";
  EXPECT_EQ(0, changes) << "but not one of the table";
  grid->SetColorValue(Rgb(0x80, 0x42, 0x4F));
  EXPECT_EQ(1, changes);
  // A click on the last cell chooses its colour (white... row 8, column 6 is FF80FF).
  const RECT r = grid->CellRect(47);
  Click(grid, r.left + 2, r.top + 2);
  EXPECT_EQ(Rgb(0xFF, 0x80, 0xFF), grid->ColorValue());
  EXPECT_EQ(2, changes);
}

TEST(ColourGrids, WithoutASkinTheChosenSwatchSitsOnANavyFramedBackground) {
  THost host;
  auto* grid = new TspSkinColorGrid(&host.form);
  grid->SetColCount(6);
  grid->SetRowCount(8);
  grid->SetBounds(5, 5, 167, 195);
  grid->SetParent(&host.form);
  grid->SetColorValue(Rgb(0xFF, 0, 0));  // cell 4
  Dib d(grid->Width(), grid->Height());
  SendMessageW(grid->Handle(), WM_PAINT, reinterpret_cast<WPARAM>(d.dc), 0);
  const RECT sel = grid->CellRect(4), other = grid->CellRect(5);
  // The chosen cell: frame one pixel outside the cell, fill, swatch 4 in.
  EXPECT_TRUE(Dib::Near(d.At(sel.left - 1, sel.top - 1), RGB(0, 0, 0x80)));
  EXPECT_TRUE(Dib::Near(d.At(sel.left + 2, sel.top + 2), RGB(0x85, 0x93, 0xB5)));
  EXPECT_TRUE(Dib::Near(d.At(sel.left + 4, sel.top + 4), RGB(0xFF, 0, 0)));
  EXPECT_TRUE(Dib::Near(d.At(sel.right - 5, sel.bottom - 5), RGB(0xFF, 0, 0)));
  EXPECT_FALSE(Dib::Near(d.At(sel.right - 4, sel.bottom - 4), RGB(0xFF, 0, 0)));
  // Any other cell: its swatch 3 in, nothing behind.
  EXPECT_TRUE(Dib::Near(d.At(other.left + 3, other.top + 3), RGB(0xFF, 0x80, 0x80)));
  EXPECT_FALSE(Dib::Near(d.At(other.left + 2, other.top + 2), RGB(0xFF, 0x80, 0x80)));
  EXPECT_FALSE(Dib::Near(d.At(other.left + 2, other.top + 2), RGB(0x85, 0x93, 0xB5)));
}

TEST(ColourGrids, TheCustomGridWrapsAfterTwelveColoursAndSelectsByClick) {
  THost host;
  auto* grid = new TspSkinCustomColorGrid(&host.form);
  grid->SetBounds(5, 210, 167, 68);
  grid->SetParent(&host.form);
  EXPECT_EQ("Custom colors", grid->Caption());
  EXPECT_EQ(Rgb(255, 255, 255), grid->CustomColorValues[11]);
  for (int i = 0; i < 12; ++i) grid->AddColor(Rgb(i, 0, 0));
  EXPECT_EQ(12, grid->ColorsCount());
  grid->AddColor(Rgb(0, 0, 200));
  EXPECT_EQ(Rgb(0, 0, 200), grid->CustomColorValues[0]) << "the 13th replaces the first";
  EXPECT_EQ(Rgb(1, 0, 0), grid->CustomColorValues[1]);
  EXPECT_EQ(1, grid->ColorsCount());

  int changes = 0;
  grid->OnChange = [&](TObject*) { ++changes; };
  const RECT r = grid->CellRect(7);
  Click(grid, r.left + 3, r.top + 3);
  EXPECT_EQ(8, grid->ColorIndex());
  EXPECT_EQ(Rgb(7, 0, 0), grid->ColorValue());
  EXPECT_EQ(1, changes);
}

TEST(ColourDialog, RgbAndHslEditsFollowEachOtherBothWays) {
  TspSkinColorDialog dialog(nullptr);
  std::unique_ptr<TModalScript> script;
  struct Seen {
    std::string h, s, l, r, g, b, r2, g2, b2, hStart;
    TColor viewer = -1;
  } seen;
  dialog.OnFormCreated = [&](TForm* form) {
    script = std::make_unique<TModalScript>(form, [&, form] {
      // The default colour, black, opens without a hue to divide by.
      seen.hStart = dialog.HEdit->Text() + "/" + dialog.SEdit->Text() + "/" + dialog.LEdit->Text();
      dialog.REdit->SetText("255");
      dialog.GEdit->SetText("0");
      dialog.BEdit->SetText("0");
      seen.h = dialog.HEdit->Text();
      seen.s = dialog.SEdit->Text();
      seen.l = dialog.LEdit->Text();
      dialog.HEdit->SetText("359");
      seen.r = dialog.REdit->Text();
      seen.g = dialog.GEdit->Text();
      seen.b = dialog.BEdit->Text();
      dialog.HEdit->SetText("0");
      seen.r2 = dialog.REdit->Text();
      seen.g2 = dialog.GEdit->Text();
      seen.b2 = dialog.BEdit->Text();
      seen.viewer = dialog.ColorViewer->ColorValue();
      form->ModalResult = mrOk;
    });
  };
  ASSERT_TRUE(dialog.Execute());
  EXPECT_FALSE(script->TimedOut);
  EXPECT_EQ("0/0/0", seen.hStart);
  EXPECT_EQ("0", seen.h);
  EXPECT_EQ("100", seen.s);
  EXPECT_EQ("100", seen.l);
  EXPECT_EQ("255", seen.r);
  EXPECT_EQ("0", seen.g);
  EXPECT_EQ("4", seen.b);
  EXPECT_EQ("255", seen.r2);
  EXPECT_EQ("0", seen.g2);
  EXPECT_EQ("0", seen.b2);
  EXPECT_EQ(Rgb(255, 0, 0), seen.viewer);
  EXPECT_EQ(Rgb(255, 0, 0), dialog.Color);
}

TEST(ColourDialog, TheWindowIsLaidOutAroundThePalette) {
  TspSkinColorDialog dialog(nullptr);
  std::unique_ptr<TModalScript> script;
  dialog.OnFormCreated = [&](TForm* form) {
    script = std::make_unique<TModalScript>(form, [&, form] {
      EXPECT_EQ("Set color", form->Caption());
      EXPECT_EQ(378, form->ClientWidth());
      EXPECT_EQ(5, dialog.ColorGrid->Left());
      EXPECT_EQ(195, dialog.ColorGrid->Height());
      EXPECT_EQ(210, dialog.CustomColorGrid->Top());
      EXPECT_EQ(177, dialog.PalettePSPPanel->Left());
      EXPECT_EQ(195, dialog.PalettePSP->Width());
      EXPECT_EQ(dialog.RLabel->Left() + dialog.RLabel->Width() + 5, dialog.REdit->Left());
      EXPECT_EQ(210, dialog.REdit->Top());
      EXPECT_EQ(241, dialog.GEdit->Top());
      EXPECT_EQ(272, dialog.BEdit->Top());
      EXPECT_EQ(dialog.REdit->Left() + dialog.REdit->Width() + 5, dialog.HLabel->Left());
      EXPECT_EQ(dialog.REdit->Top(), dialog.HEdit->Top());
      EXPECT_EQ(dialog.HEdit->Top() + 2, dialog.HLabel->Top());
      EXPECT_EQ(359, dialog.HEdit->MaxValue());
      EXPECT_EQ(100, dialog.LEdit->MaxValue());
      const int hRight = dialog.HEdit->Left() + dialog.HEdit->Width();
      EXPECT_EQ(hRight + 5, dialog.ColorViewer->Left());
      EXPECT_EQ(210, dialog.ColorViewer->Top());
      EXPECT_EQ(372 - hRight - 5, dialog.ColorViewer->Width());
      EXPECT_EQ(dialog.ColorViewer->Width(), dialog.ColorViewer->Height());
      const int buttonTop = dialog.LEdit->Top() + dialog.LEdit->Height() + 15;
      EXPECT_EQ(buttonTop, dialog.OkButton->Top());
      EXPECT_EQ(5, dialog.OkButton->Left());
      EXPECT_EQ(90, dialog.CancelButton->Left());
      EXPECT_EQ(177, dialog.AddCustomColorButton->Left());
      EXPECT_EQ(195, dialog.AddCustomColorButton->Width());
      EXPECT_EQ(buttonTop + 25 + 10, form->ClientHeight());
      form->ModalResult = mrCancel;
    });
  };
  EXPECT_FALSE(dialog.Execute());
  EXPECT_FALSE(script->TimedOut);
}

TEST(ColourDialog, SwatchesAndCustomColoursCarryOverAndCancelKeepsTheColour) {
  TspSkinColorDialog dialog(nullptr);
  dialog.Color = Rgb(0, 0x80, 0x80);
  std::unique_ptr<TModalScript> script;
  TColor gridStart = -1;
  std::string rgbAfterSwatch, hslAfterSwatch;
  dialog.OnFormCreated = [&](TForm* form) {
    script = std::make_unique<TModalScript>(form, [&, form] {
      gridStart = dialog.ColorGrid->ColorValue();
      // A swatch click fills the edits and the viewer.
      const RECT r = dialog.ColorGrid->CellRect(26);  // 0000FF
      Click(dialog.ColorGrid, r.left + 2, r.top + 2);
      rgbAfterSwatch = dialog.REdit->Text() + "," + dialog.GEdit->Text() + "," + dialog.BEdit->Text();
      hslAfterSwatch = dialog.HEdit->Text() + "," + dialog.SEdit->Text() + "," + dialog.LEdit->Text();
      dialog.AddCustomColorButton->OnClick(dialog.AddCustomColorButton);
      form->ModalResult = mrOk;
    });
  };
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(Rgb(0, 0x80, 0x80), gridStart) << "a basic colour opens selected";
  EXPECT_EQ("0,0,255", rgbAfterSwatch);
  EXPECT_EQ("239,100,100", hslAfterSwatch);
  EXPECT_EQ(Rgb(0, 0, 255), dialog.Color);
  EXPECT_EQ(1, dialog.CustomColorValuesCount);
  EXPECT_EQ(Rgb(0, 0, 255), dialog.CustomColorValues[0]);

  // The next run starts with the custom colour; Cancel keeps Color.
  TColor customSeen = -1;
  dialog.OnFormCreated = [&](TForm* form) {
    script = std::make_unique<TModalScript>(form, [&, form] {
      customSeen = dialog.CustomColorGrid->CustomColorValues[0];
      dialog.REdit->SetText("10");
      form->ModalResult = mrCancel;
    });
  };
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(Rgb(0, 0, 255), customSeen);
  EXPECT_EQ(Rgb(0, 0, 255), dialog.Color);
}

TEST(ColourDialog, ThePaletteRingSetsTheHueAndTheSquareSaturationAndLightness) {
  TspSkinColorDialog dialog(nullptr);
  dialog.Color = Rgb(255, 0, 0);
  std::unique_ptr<TModalScript> script;
  std::string afterSquare, afterRing;
  dialog.OnFormCreated = [&](TForm* form) {
    script = std::make_unique<TModalScript>(form, [&, form] {
      // The ring's left side is a quarter turn counter-clockwise from red.
      dialog.PaletteMouseDown(mbLeft, 8, 97);
      dialog.PaletteMouseUp(mbLeft, 8, 97);
      afterRing = dialog.HEdit->Text();
      // The square's left edge has no saturation; its middle row is mid grey.
      dialog.PaletteMouseDown(mbLeft, 44, 97);
      dialog.PaletteMouseUp(mbLeft, 44, 97);
      afterSquare = dialog.REdit->Text() + "," + dialog.GEdit->Text() + "," + dialog.BEdit->Text();
      form->ModalResult = mrOk;
    });
  };
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ("128,128,128", afterSquare);
  const int hue = std::stoi(afterRing);
  EXPECT_NEAR(90, hue, 3);
}

TEST(TextColorButton, TheMenuPreselectsTheButtonsColourElseMoreColors) {
  THost host;
  auto* button = new TspSkinTextColorButton(&host.form);
  button->SetParent(&host.form);
  button->ShowAutoColor = false;
  button->InitColors();
  auto* items = button->ColorMenu()->ImagesItems();
  ASSERT_EQ(17, items->Count());
  EXPECT_EQ(17, button->ColorImages()->Count()) << "a black swatch stands in for the automatic item";
  EXPECT_EQ("More colors...", items->Items(16)->Caption());
  EXPECT_TRUE(items->Items(16)->Button);

  int changes = 0;
  button->OnChangeColor = [&](TObject*) { ++changes; };
  button->SetColorValue(Rgb(0xFF, 0xFF, 0));
  EXPECT_EQ(1, changes);
  button->ColorMenuPopup();
  EXPECT_EQ(11, button->ColorMenu()->ItemIndex) << "yellow";
  button->SetColorValue(Rgb(1, 2, 3));
  button->ColorMenuPopup();
  EXPECT_EQ(16, button->ColorMenu()->ItemIndex) << "no match: More colors...";
  button->ColorMenu()->ItemIndex = 4;
  button->ColorMenuItemClick();
  EXPECT_EQ(Rgb(0, 0x80, 0), button->ColorValue());
  EXPECT_EQ(3, changes);

  // With the automatic item first, everything moves down by one.
  button->ShowAutoColor = true;
  button->SetAutoColor(Rgb(9, 9, 9));
  button->InitColors();
  ASSERT_EQ(18, items->Count());
  EXPECT_EQ("Automatic", items->Items(0)->Caption());
  button->SetColorValue(Rgb(9, 9, 9));
  button->ColorMenuPopup();
  EXPECT_EQ(0, button->ColorMenu()->ItemIndex);
}

TEST(TextColorButton, MoreColorsOpensTheDialogOnTheButtonsColour) {
  THost host;
  auto* button = new TspSkinTextColorButton(&host.form);
  button->SetParent(&host.form);
  button->ShowAutoColor = false;
  button->InitColors();
  button->SetColorValue(Rgb(0x80, 0, 0x80));
  std::unique_ptr<TModalScript> script;
  TColor gridValue = -1;
  button->OnColorDialogCreated = [&](TspSkinColorDialog* d) {
    d->OnFormCreated = [&, d](TForm* form) {
      script = std::make_unique<TModalScript>(form, [&, d, form] {
        gridValue = d->ColorGrid->ColorValue();
        d->GEdit->SetText("255");
        form->ModalResult = mrOk;
      });
    };
  };
  button->ColorMenu()->ItemIndex = 16;
  button->ColorMenuItemClick();
  EXPECT_EQ(Rgb(0x80, 0, 0x80), gridValue);
  EXPECT_EQ(Rgb(0x80, 0xFF, 0x80), button->ColorValue());
}

TEST(TextColorButton, APressOpensTheColourGridBelowTheButton) {
  THost host;
  host.form.Show();
  auto* button = new TspSkinTextColorButton(&host.form);
  button->SetBounds(10, 10, 70, 21);
  button->SetParent(&host.form);
  button->ShowAutoColor = false;
  button->InitColors();
  button->SetColorValue(Rgb(0, 0, 0x80));
  SendMessageW(host.form.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 20));
  auto* popup = button->ColorMenu()->PopupWindow();
  ASSERT_TRUE(popup);
  EXPECT_TRUE(IsWindowVisible(popup->Handle()));
  EXPECT_EQ(5, button->ColorMenu()->ItemIndex) << "navy is chosen as the grid opens";
  RECT r{};
  GetWindowRect(popup->Handle(), &r);
  POINT bottomLeft = button->ClientToScreen(POINT{0, button->Height()});
  EXPECT_EQ(bottomLeft.y, r.top);
  button->ColorMenu()->Hide();
  EXPECT_FALSE(button->ColorMenu()->PopupWindow());
  SendMessageW(host.form.Handle(), WM_LBUTTONUP, 0, MAKELPARAM(30, 20));
  EXPECT_EQ(Rgb(0, 0, 0x80), button->ColorValue()) << "closed without a choice";
  host.form.Hide();
}

TEST(TextColorButton, ItsColourShowsAsAMarkerUnderTheCaptionOrFillingAnEmptyFace) {
  THost host;
  host.form.Show();
  auto* button = new TspSkinTextColorButton(&host.form);
  button->SetParent(&host.form);
  button->SetBounds(10, 10, 60, 30);
  button->SetColorValue(Rgb(0xE0, 0x10, 0x20));
  const COLORREF marker = RGB(0xE0, 0x10, 0x20);
  auto look = [&] {
    Dib whole(400, 400);
    host.form.PaintTo(whole.dc, 0, 0);
    int count = 0, lowest = -1, highest = 1000;
    for (int y = 10; y < 40; ++y)
      for (int x = 10; x < 70; ++x)
        if (whole.At(x, y) == marker) {
          ++count;
          lowest = std::max(lowest, y - 10);
          highest = std::min(highest, y - 10);
        }
    return std::make_tuple(count, highest, lowest, whole.At(40, 25) == marker);
  };
  // Neither picture nor caption: the marker fills the face.
  auto [filled, top, bottom, centre] = look();
  EXPECT_TRUE(centre);
  EXPECT_GT(filled, 300);
  // With a caption: three lines under it, the middle of the face free.
  button->SetCaption("Text");
  auto [lines, lineTop, lineBottom, lineCentre] = look();
  EXPECT_GT(lines, 10);
  EXPECT_LT(lines, 3 * 60);
  EXPECT_EQ(2, lineBottom - lineTop) << "three rows";
  (void)lineCentre;
  // A new colour redraws the marker.
  button->SetColorValue(Rgb(0, 0, 0));
  EXPECT_EQ(0, std::get<0>(look()));
  host.form.Hide();
}
