#include "app/editing/profilechoosing.h"

#include <windows.h>

#include <algorithm>
#include <cmath>

#include "app/editing/settings.h"
#include "app/main/AppData.h"
#include "app/main/AppStorage.h"
#include "app/main/ErrorReport.h"
#include "framework/ExtCtrls.h"
#include "framework/ImgList.h"
#include "framework/Shape.h"
#include "skin/controls/SkinScrollBar.h"
#include "skin/dialogs/SkinGrids.h"
#include "skin/dialogs/spMessages.h"

Tproform* proform = nullptr;

int PickerProfileIndex = 0;
int PickerFormatIndex = 0;
int PickerShownProfileIndex = 0;
int PickerHoverProfileIndex = 0;
int RenameIconLeft = 0, RenameIconTop = 0, RenameIconSize = 0;
int RemoveIconLeft = 0, RemoveIconTop = 0, RemoveIconSize = 0;
int FormatsMouseX = 0, FormatsMouseY = 0;

namespace {

constexpr TColor HighlightColour = 0xFFD4B9;  // red 185, green 212, blue 255
constexpr TColor FrameColour = 0xCC9D6C;      // red 108, green 157, blue 204
constexpr TColor DescriptionColour = 0x444444;
constexpr TColor HoveredDescriptionColour = 0x222222;

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const char x = (a[i] >= 'A' && a[i] <= 'Z') ? a[i] - 'A' + 'a' : a[i];
    const char y = (b[i] >= 'A' && b[i] <= 'Z') ? b[i] - 'A' + 'a' : b[i];
    if (x != y) return false;
  }
  return true;
}

// Text in the canvas's font inside r with the DrawText flags.
void DrawTextIn(TCanvas* canvas, const std::string& text, TRect r, UINT flags) {
  canvas->TextExtent("");  // selects the canvas's font into its DC
  const std::u16string w = UTF8ToUTF16(text);
  RECT rect{r.Left, r.Top, r.Right, r.Bottom};
  SetBkMode(canvas->Handle(), TRANSPARENT);
  SetTextColor(canvas->Handle(), ColorToRGBValue(canvas->Font()->Color()));
  DrawTextW(canvas->Handle(), reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<int>(w.size()), &rect,
            flags | DT_NOPREFIX);
}

void FillAndFrame(TCanvas* canvas, const TRect& r, TColor colour) {
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(colour);
  canvas->FillRect(r);
  canvas->FrameRect(r);
}

bool StrictlyInside(int x, int y, int left, int top, int size) {
  return left < x && x < left + size && top < y && y < top + size;
}

// "Error ... profile N, format M" as the reports name the failing place.
std::string PickerPlace() {
  return std::to_string(CurrentProfileIndex) + ", format " + std::to_string(RecentFormatIndex);
}

}  // namespace

void ChooseProfilePictures(const std::string& categoryIcon, const std::string& formatIcon, TPicture*& category,
                           TPicture*& format) {
  category = format = nullptr;
  if (ProfileIcons.empty()) return;
  category = format = ProfileIcons[0].Picture.get();
  for (const auto& icon : ProfileIcons) {
    if (SameTextIgnoringCase(icon.ID, categoryIcon)) category = icon.Picture.get();
    else if (SameTextIgnoringCase(icon.ID, formatIcon)) format = icon.Picture.get();
  }
}

// ---- the window ---------------------------------------------------------------

Tproform::Tproform(TComponent* owner) : TForm(owner) {
  SetName("proform");
  SetBounds(0, 0, 500, 470);

  Shape1 = new TShape(this);
  Shape1->SetName("Shape1");
  Shape1->SetBounds(0, 0, 500, 470);
  Shape1->SetParent(this);
  Shape2 = new TShape(this);
  Shape2->SetName("Shape2");
  Shape2->SetBounds(147, 0, 1, 470);
  Shape2->SetParent(this);

  sgProfiles = new TspSkinStringGrid(this);
  sgProfiles->SetName("sgProfiles");
  sgProfiles->SetBounds(1, 5, 146, 464);
  sgProfiles->SetBorderStyle(bsNone);
  sgProfiles->SetFixedCols(0);
  sgProfiles->SetFixedRows(0);
  sgProfiles->SetColCount(1);
  sgProfiles->SetDefaultColWidth(146);
  sgProfiles->SetUseSkinCellHeight(false);
  sgProfiles->SetDefaultRowHeight(27);
  sgProfiles->SetDefaultDrawing(false);
  sgProfiles->SetOptions(goRowSelect);
  sgProfiles->Font()->SetName("Tahoma");
  sgProfiles->UseSkinFont = false;
  sgProfiles->SetParent(this);

  spSkinScrollBar1 = new TspSkinScrollBar(this);
  spSkinScrollBar1->SetName("spSkinScrollBar1");
  spSkinScrollBar1->SetKind(sbVertical);
  spSkinScrollBar1->SetSkinDataName("vscrollbar");
  spSkinScrollBar1->SetBounds(481, 4, 17, 465);
  spSkinScrollBar1->SetVisible(false);
  spSkinScrollBar1->SetParent(this);

  sgFormats = new TspSkinStringGrid(this);
  sgFormats->SetName("sgFormats");
  sgFormats->SetBounds(148, 4, 350, 465);
  sgFormats->SetBorderStyle(bsNone);
  sgFormats->SetFixedCols(0);
  sgFormats->SetFixedRows(0);
  sgFormats->SetColCount(1);
  sgFormats->SetDefaultColWidth(350);
  sgFormats->SetUseSkinCellHeight(false);
  sgFormats->SetDefaultRowHeight(57);
  sgFormats->SetDefaultDrawing(false);
  sgFormats->SetOptions(goRowSelect);
  sgFormats->Font()->SetName("Times New Roman");
  sgFormats->UseSkinFont = false;
  sgFormats->SetVScrollBar(spSkinScrollBar1);
  sgFormats->SetParent(this);

  imgArrow = new TImage(this);
  imgArrow->SetName("imgArrow");
  imgArrow->SetVisible(false);
  imgArrow->SetParent(this);
  imgArrowOver = new TImage(this);
  imgArrowOver->SetName("imgArrowOver");
  imgArrowOver->SetVisible(false);
  imgArrowOver->SetParent(this);

  ProfileChangeDelayTimer = new TTimer(this);
  ProfileChangeDelayTimer->SetName("ProfileChangeDelayTimer");
  ProfileChangeDelayTimer->SetEnabled(false);
  ProfileChangeDelayTimer->SetInterval(500);

  sgProfiles->OnDrawCell = [this](TObject* s, int c, int r, TRect rect, TGridDrawState st) {
    sgProfilesDrawCell(s, c, r, rect, st);
  };
  sgProfiles->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { sgProfilesMouseMove(s, sh, x, y); };
  sgFormats->OnDrawCell = [this](TObject* s, int c, int r, TRect rect, TGridDrawState st) {
    sgFormatsDrawCell(s, c, r, rect, st);
  };
  sgFormats->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { sgFormatsMouseMove(s, sh, x, y); };
  sgFormats->OnClick = [this](TObject* s) { sgFormatsClick(s); };
  ProfileChangeDelayTimer->OnTimer = [this](TObject* s) { ProfileChangeDelayTimerTimer(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
  OnHide = [this](TObject* s) { FormHide(s); };
  FormCreate();
}

Tproform::~Tproform() {
  if (proform == this) proform = nullptr;
}

void Tproform::CreateParams(TCreateParams& params) {
  TForm::CreateParams(params);
  // A drop-down: no frame, no caption, no task-bar button.
  params.Style = WS_POPUP | WS_CLIPCHILDREN;
  params.ExStyle |= WS_EX_TOOLWINDOW;
}

void Tproform::WndProc(TMessage& message) {
  if (message.Msg == WM_ACTIVATE && LOWORD(message.WParam) == WA_INACTIVE && Visible()) {
    TForm::WndProc(message);
    FormDeactivate(this);
    return;
  }
  TForm::WndProc(message);
}

void Tproform::SetSkinData(TspSkinData* skin) {
  sgProfiles->SetSkinData(skin);
  sgFormats->SetSkinData(skin);
  spSkinScrollBar1->SetSkinData(skin);
}

void Tproform::FormCreate() {
  Shape1->Brush()->SetColor(clWhite);
  Shape1->Pen()->SetColor(FrameColour);
  Shape2->Pen()->SetColor(FrameColour);
  Shape2->Brush()->SetColor(FrameColour);
  // A missing picture leaves the arrow out; the picker works without it.
  const std::string skinFolder = ProgramFolder() + "\\skin-tessavane\\";
  try {
    imgArrow->Picture()->LoadFromFile(skinFolder + "imgarrow.png");
  } catch (const std::exception&) {
  }
  try {
    imgArrowOver->Picture()->LoadFromFile(skinFolder + "imgarrow_over.png");
  } catch (const std::exception&) {
  }
  // The catalogue names the window's height; a catalogue without one keeps
  // the designed height rather than a window nobody could see.
  if (ProfileMenuHeight > 0) SetHeight(ProfileMenuHeight);
  if (ProfileItemHeight > 0) sgFormats->SetDefaultRowHeight(ProfileItemHeight);
}

int Tproform::FormatCount(int profile) const {
  if (profile < 0 || profile >= static_cast<int>(Profiles.size())) return 0;
  return static_cast<int>(Profiles[profile].Formats.size());
}

void Tproform::ShowAt(int left, int bottom) {
  SetBounds(left, bottom - Height(), Width(), Height());
  Show();
}

void Tproform::FormShow(TObject*) {
  sgProfiles->SetRowCount(0);
  sgFormats->SetRowCount(0);
  sgProfiles->SetRowCount(static_cast<int>(Profiles.size()));
  sgFormats->SetRowCount(FormatCount(CurrentProfileIndex));
  PickerFormatIndex = CurrentFormatIndex;
  PickerProfileIndex = CurrentProfileIndex;
  PickerShownProfileIndex = CurrentProfileIndex;
  // The current format's row at the top, as far as the list can scroll.
  if (CurrentFormatIndex >= 0 && CurrentFormatIndex < sgFormats->RowCount())
    sgFormats->SetTopRow(std::min(CurrentFormatIndex, sgFormats->MaxTopLeftCell(TGridCoord{0, sgFormats->RowCount() - 1}).Y));
  sgProfiles->Invalidate();
  sgFormats->Invalidate();
}

void Tproform::FormDeactivate(TObject*) {
  Hide();
  if (Host.FocusMainWindow) Host.FocusMainWindow();
}

void Tproform::FormHide(TObject*) { ProfileChangeDelayTimer->SetEnabled(false); }

void Tproform::sgProfilesMouseMove(TObject*, TShiftState, int x, int y) {
  int col = -1, row = -1;
  sgProfiles->MouseToCell(x, y, col, row);
  if (row < 0 || row >= static_cast<int>(Profiles.size())) {
    ProfileChangeDelayTimer->SetEnabled(false);
    return;
  }
  PickerHoverProfileIndex = row;
  if (row == PickerProfileIndex) return;
  PickerProfileIndex = row;
  sgProfiles->Invalidate();
  ProfileChangeDelayTimer->SetEnabled(false);
  ProfileChangeDelayTimer->SetEnabled(true);
}

void Tproform::ProfileChangeDelayTimerTimer(TObject*) {
  PickerShownProfileIndex = PickerHoverProfileIndex;
  PickerProfileIndex = PickerHoverProfileIndex;
  sgFormats->SetRowCount(FormatCount(PickerShownProfileIndex));
  PickerFormatIndex = -1;
  sgProfiles->Invalidate();
  sgFormats->Invalidate();
}

void Tproform::sgFormatsMouseMove(TObject*, TShiftState, int x, int y) {
  FormatsMouseX = x;
  FormatsMouseY = y;
  if (ProfileChangeDelayTimer->Enabled()) {
    // A category change was pending: the highlight goes back to the
    // category whose formats are listed.
    PickerProfileIndex = PickerShownProfileIndex;
    sgProfiles->Invalidate();
  }
  ProfileChangeDelayTimer->SetEnabled(false);

  int col = -1, row = -1;
  sgFormats->MouseToCell(x, y, col, row);
  const int count = FormatCount(PickerProfileIndex);
  if (row >= count) row = -1;
  if (PickerProfileIndex == CustomProfileIndex && row >= 0 && CustomProfileEditRemove) {
    TCanvas* canvas = sgFormats->Canvas();
    CustomProfileEditRemove->Draw(
        canvas, RenameIconLeft, RenameIconTop,
        StrictlyInside(x, y, RenameIconLeft, RenameIconTop, RenameIconSize) ? 2 : 0);
    CustomProfileEditRemove->Draw(
        canvas, RemoveIconLeft, RemoveIconTop,
        StrictlyInside(x, y, RemoveIconLeft, RemoveIconTop, RemoveIconSize) ? 3 : 1);
  }
  if (row != PickerFormatIndex) {
    PickerFormatIndex = row;
    sgFormats->Invalidate();
  }
}

void Tproform::sgProfilesDrawCell(TObject*, int, int aRow, TRect rect, unsigned) {
  try {
    TCanvas* canvas = sgProfiles->Canvas();
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(clWhite);
    canvas->FillRect(rect);
    canvas->Font()->SetColor(clBlack);
    if (aRow < 0 || aRow >= static_cast<int>(Profiles.size())) return;
    if (aRow == PickerProfileIndex) {
      FillAndFrame(canvas, TRect{rect.Left + 2, rect.Top, rect.Right - 2, rect.Bottom}, HighlightColour);
    } else {
      canvas->Brush()->SetColor(clWhite);
      canvas->FillRect(TRect{rect.Left + 5, rect.Top, rect.Right - 5, rect.Bottom});
    }
    DrawTextIn(canvas, Profiles.at(aRow).Title, TRect{rect.Left + 6, rect.Top + 5, rect.Right - 10, rect.Bottom},
               DT_SINGLELINE | DT_END_ELLIPSIS);
    TImage* arrow = aRow == PickerProfileIndex ? imgArrowOver : imgArrow;
    if (arrow->Picture()->Graphic()) canvas->Draw(rect.Right - 10, rect.Top + 5, arrow->Picture()->Graphic());
  } catch (const std::exception&) {
    ReportError("Error Drawing Cell: profile " + PickerPlace(), "CLM_ProfileDrawCell");
  }
}

void Tproform::sgFormatsDrawCell(TObject*, int, int aRow, TRect rect, unsigned) {
  try {
    TCanvas* canvas = sgFormats->Canvas();
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(clWhite);
    canvas->FillRect(rect);
    canvas->Font()->SetColor(clBlack);
    if (aRow == PickerFormatIndex) {
      const int right = spSkinScrollBar1->Visible() ? rect.Right - 20 : rect.Right - 5;
      FillAndFrame(canvas, TRect{rect.Left + 5, rect.Top, right, rect.Bottom}, HighlightColour);
    }
    // The one row an empty category's grid still has shows nothing.
    if (aRow < 0 || aRow >= FormatCount(PickerProfileIndex)) return;
    const TFormat& format = Profiles.at(PickerProfileIndex).Formats.at(aRow);

    if (!ProfileIcons.empty()) {
      const TProfileIcon* icon = &ProfileIcons[0];
      for (const auto& candidate : ProfileIcons)
        if (SameTextIgnoringCase(candidate.ID, format.Icon)) {
          icon = &candidate;
          break;
        }
      if (icon->Picture && icon->Picture->Graphic()) {
        TGraphic* g = icon->Picture->Graphic();
        const int x = rect.Left + 28 - static_cast<int>(std::lround(g->Width() / 2.0));
        const int y = rect.Top + 20 - static_cast<int>(std::lround(g->Height() / 2.0));
        canvas->Draw(x, y, g);
      }
    }

    TFont* font = canvas->Font();
    const TFontStyles oldStyle = font->Style();
    font->SetStyle(oldStyle | fsBold);
    DrawTextIn(canvas, format.Title, TRect{rect.Left + 50, rect.Top + 2, rect.Right, rect.Top + 20},
               DT_SINGLELINE | DT_END_ELLIPSIS);
    font->SetStyle(oldStyle & ~static_cast<TFontStyles>(fsBold));
    font->SetColor(aRow == PickerFormatIndex ? HoveredDescriptionColour : DescriptionColour);
    DrawTextIn(canvas, format.Description, TRect{rect.Left + 50, rect.Top + 20, rect.Right - 20, rect.Bottom - 2},
               DT_WORDBREAK);
    font->SetColor(clBlack);

    if (PickerProfileIndex == CustomProfileIndex && aRow == PickerFormatIndex) {
      const int size = CustomProfileEditRemove ? CustomProfileEditRemove->Width() : 0;
      RenameIconSize = RemoveIconSize = size;
      RemoveIconLeft = rect.Right - 10 - size;
      RenameIconLeft = RemoveIconLeft - 7 - size;
      RenameIconTop = RemoveIconTop = rect.Top + 5;
    }
  } catch (const std::exception&) {
    ReportError("Error Drawing Cell: profile " + PickerPlace(), "CLM_FormatsDrawCell");
  }
}

// ---- the click ---------------------------------------------------------------

void Tproform::sgFormatsClick(TObject*) {
  if (PickerProfileIndex < 0 || PickerFormatIndex < 0 || PickerFormatIndex >= FormatCount(PickerProfileIndex))
    return;
  try {
    if (PickerProfileIndex == CustomProfileIndex &&
        StrictlyInside(FormatsMouseX, FormatsMouseY, RenameIconLeft, RenameIconTop, RenameIconSize)) {
      RenameFormat();
      return;
    }
    if (PickerProfileIndex == CustomProfileIndex &&
        StrictlyInside(FormatsMouseX, FormatsMouseY, RemoveIconLeft, RemoveIconTop, RemoveIconSize)) {
      if (!RemoveFormat()) return;
    }
    ChooseFormat();
  } catch (const std::exception&) {
    ReportError("Error on profile " + std::to_string(CurrentProfileIndex) + ", format " +
                    std::to_string(RecentFormatIndex) + " choosing",
                "CLM_ProfileChoosing");
  }
  AfterChoice();
}

void Tproform::RenameFormat() {
  TFormat& format = Profiles.at(PickerProfileIndex).Formats.at(PickerFormatIndex);
  std::string title = format.Title;
  if (Host.InputQuery && Host.InputQuery(Translate("Rename profile"), Translate("New title:"), title)) {
    // The custom-profile file keeps titles in quoted attributes and the
    // picker shows them on one line: quotes and line breaks do not belong
    // in a title.
    for (char& c : title)
      if (c == '"') c = '\'';
      else if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    if (!title.empty()) format.Title = title;
  }
  if (Host.ShowProfileTitle) {
    if (CurrentProfileIndex >= 0 && CurrentProfileIndex < static_cast<int>(Profiles.size()) &&
        CurrentFormatIndex >= 0 && CurrentFormatIndex < FormatCount(CurrentProfileIndex))
      Host.ShowProfileTitle(Profiles[CurrentProfileIndex].Formats[CurrentFormatIndex].Title);
  }
  AddToHistory("-> Profile is renamed to " + format.Title);
  if (Host.RepaintItems) Host.RepaintItems();
  sgFormats->Invalidate();
}

bool Tproform::RemoveFormat() {
  const int custom = PickerProfileIndex;
  const int removed = PickerFormatIndex;
  auto& formats = Profiles.at(custom).Formats;
  const std::string question = Translate("Remove profile ") + formats.at(removed).Title;
  int answer = mrNo;
  if (Host.MessageDlg) {
    answer = Host.MessageDlg(question, mtConfirmation, MsgDlgButtons({mbYes, mbNo}));
  } else {
    TspSkinMessage box(nullptr);
    answer = box.MessageDlg(question, mtConfirmation, MsgDlgButtons({mbYes, mbNo}), 0);
  }
  if (answer != mrYes) return false;

  const int count = static_cast<int>(formats.size());
  for (int i = removed; i < count - 1; ++i) CopyFormat(custom, i + 1, custom, i);
  formats.pop_back();

  for (auto& item : MediaFiles)
    if (item.ProfileInd == custom && item.FormatInd == removed) {
      item.ProfileInd = 0;
      item.FormatInd = 0;
    }
  for (auto& item : MediaFiles)
    if (item.ProfileInd == custom && item.FormatInd > removed) --item.FormatInd;

  bool choice = false;
  if (CurrentProfileIndex == custom && CurrentFormatIndex == removed) {
    CurrentProfileIndex = CurrentFormatIndex = 0;
    PickerProfileIndex = PickerFormatIndex = 0;
    choice = true;
  } else if (CurrentProfileIndex == custom && CurrentFormatIndex > removed) {
    --CurrentFormatIndex;
    RecentFormatIndex = CurrentFormatIndex;
  }
  LastEditedProfileIndex = -1;
  LastEditedFormatIndex = -1;

  sgFormats->SetRowCount(0);
  sgFormats->SetRowCount(static_cast<int>(formats.size()));
  for (size_t i = 0; i < MediaFiles.size(); ++i) RecalcItem(static_cast<int>(i));
  if (Host.RepaintItems) Host.RepaintItems();

  if (Host.ShowProfileTitle && CurrentProfileIndex >= 0 && CurrentProfileIndex < static_cast<int>(Profiles.size()) &&
      CurrentFormatIndex >= 0 && CurrentFormatIndex < FormatCount(CurrentProfileIndex))
    Host.ShowProfileTitle(Profiles[CurrentProfileIndex].Formats[CurrentFormatIndex].Title);
  AddToHistory("-> Profile is removed");
  // After the removal the row under the mouse is another format (or none).
  if (!choice && PickerFormatIndex >= static_cast<int>(formats.size())) PickerFormatIndex = -1;
  sgFormats->Invalidate();
  return choice;
}

void Tproform::ChooseFormat() {
  const TProfile& profile = Profiles.at(PickerProfileIndex);
  const TFormat& format = profile.Formats.at(PickerFormatIndex);
  if (!MediaFiles.empty()) {
    const int row = Host.SelectedItemIndex ? Host.SelectedItemIndex() : -1;
    if (row >= 0 && row < static_cast<int>(MediaFiles.size())) {
      TMediaFile& item = MediaFiles[row];
      item.Status = Translate("Ready");
      item.ProfileInd = PickerProfileIndex;
      item.FormatInd = PickerFormatIndex;
    }
  }
  CurrentProfileIndex = PickerProfileIndex;
  CurrentFormatIndex = PickerFormatIndex;
  RecentProfileIndex = CurrentProfileIndex;
  RecentFormatIndex = CurrentFormatIndex;
  if (Host.ShowProfileTitle) Host.ShowProfileTitle(format.Title);
  AddToHistory("-> Profile is chosen: " + format.Title);
  TPicture *categoryPicture = nullptr, *formatPicture = nullptr;
  ChooseProfilePictures(profile.Icon, format.Icon, categoryPicture, formatPicture);
  if (Host.ShowProfileIcons) Host.ShowProfileIcons(categoryPicture, formatPicture);
  if (!MediaFiles.empty() && Host.JoinAllMode && Host.JoinAllMode())
    for (auto& item : MediaFiles) {
      item.ProfileInd = CurrentProfileIndex;
      item.FormatInd = CurrentFormatIndex;
    }
}

void Tproform::AfterChoice() {
  for (size_t i = 0; i < MediaFiles.size(); ++i) RecalcItem(static_cast<int>(i));
  if (Host.FillProfileSettings) Host.FillProfileSettings();
  else if (settingsform) settingsform->FillProfileSettings();
  if (Host.ApplyToAllChecked && Host.ApplyToAllChecked()) ApplyProfileToAll();
  if (Host.RepaintItems) Host.RepaintItems();
  if (Host.RepaintParameters) Host.RepaintParameters();
  Hide();
}
