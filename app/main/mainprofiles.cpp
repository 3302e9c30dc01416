// The main window's output parameter grid and profile commands.
#include "app/main/main.h"
#include "app/main/MainParts.h"
#include "skin/data/sppngimagelist.h"

#include <shellapi.h>

#include <memory>

#include "app/editing/profilechoosing.h"
#include "app/editing/settings.h"
#include "app/main/AppData.h"
#include "app/main/AppStorage.h"
#include "app/main/ErrorReport.h"
#include "framework/ExtCtrls.h"
#include "framework/ImgList.h"
#include "framework/StringList.h"
#include "framework/SysUtils.h"
#include "framework/WideText.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinCheckRadio.h"
#include "skin/controls/SkinComboBox.h"
#include "skin/controls/SkinEdits.h"
#include "skin/controls/SkinExPanel.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinPanel.h"
#include "skin/dialogs/SkinGrids.h"
#include "skin/dialogs/spDialogs.h"
#include "skin/dialogs/spFileDialogs.h"

using namespace mainparts;

namespace {

constexpr int kParameters = 4;  // rows per section

const char* const kParameterLabels[8] = {"Video Resolution:",  "Video Encoder:",  "Video Bit Rate:",
                                         "Video Frame Rate:",  "Audio Sample Rate:", "Audio Encoder:",
                                         "Audio Bitrate:",     "Audio Channels:"};

TFormat* CurrentFormat() {
  if (CurrentProfileIndex < 0 || CurrentProfileIndex >= static_cast<int>(Profiles.size())) return nullptr;
  auto& formats = Profiles[CurrentProfileIndex].Formats;
  if (CurrentFormatIndex < 0 || CurrentFormatIndex >= static_cast<int>(formats.size())) return nullptr;
  return &formats[CurrentFormatIndex];
}

bool IsAudio(const TFormat* f) { return f && !f->IsAudioFormat.empty() && f->IsAudioFormat != "0"; }

// The settings window's box that holds a parameter's values (1..8).
TspSkinComboBox* SettingsBox(int parameter) {
  if (!settingsform) return nullptr;
  TspSkinComboBox* boxes[8] = {settingsform->cmbVideoResolution, settingsform->cmbVideoEncoder,
                               settingsform->cmbVideoBitRate,    settingsform->cmbVideoFrameRate,
                               settingsform->cmbSampleRate,      settingsform->cmbAudioEncoder,
                               settingsform->cmbAudioBitRate,    settingsform->cmbChannel};
  return parameter >= 1 && parameter <= 8 ? boxes[parameter - 1] : nullptr;
}

// The field a list parameter writes and the list of its values.
std::pair<std::string*, const std::string*> ParameterField(TFormat& f, int parameter) {
  switch (parameter) {
    case 2: return {&f.VideoCodecName, &f.VideoCodecs};
    case 3: return {&f.VideoBitRate, &f.VideoBitRates};
    case 4: return {&f.FrameRate, &f.FrameRates};
    case 5: return {&f.SampleRate, &f.SampleRates};
    case 6: return {&f.AudioCodecName, &f.AudioCodecs};
    case 7: return {&f.AudioBitRate, &f.AudioBitRates};
    case 8: return {&f.Channel, &f.Channels};
    default: return {nullptr, nullptr};
  }
}

// A small square with a plus or a minus: the fold mark of a heading.
void DrawFoldMark(TCanvas* canvas, int x, int y, bool folded) {
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(0xFFFFFF);
  canvas->Pen()->SetColor(0x808080);
  canvas->Rectangle(x, y, x + 9, y + 9);
  canvas->Pen()->SetColor(0);
  canvas->MoveTo(x + 2, y + 4);
  canvas->LineTo(x + 7, y + 4);
  if (folded) {
    canvas->MoveTo(x + 4, y + 2);
    canvas->LineTo(x + 4, y + 7);
  }
  canvas->Brush()->SetStyle(bsClear);
}

// A control's top-left corner on the screen.
TPoint ScreenOrigin(TControl* control) {
  TPoint p{control->Left(), control->Top()};
  if (TWinControl* parent = control->Parent()) {
    POINT q{p.X, p.Y};
    ClientToScreen(parent->Handle(), &q);
    p = TPoint{q.x, q.y};
  }
  return p;
}

}  // namespace

void TMainForm::BuildProfileCommands() {
  cmbParams = Make<TspSkinComboBox>(this, spSkinExPanel2, "cmbParams");
  cmbParams->SetVisible(false);
  cmbParams->SetStyle(spcbFixedStyle);
  SkinInput = new TspSkinInputDialog(this);
  SkinInput->SetName("SkinInput");

  // The profile field: its picture behind, the format's icon and the title.
  imgProfileBack = Make<TImage>(this, imgProfileField, "imgProfileBack");
  imgProfileBack->SetBounds(0, 0, imgProfileField->Width(), imgProfileField->Height());
  imgProfileBack->Stretch = true;
  imgProfileBack->SendToBack();
  imgProfileIcon = Make<TImage>(this, imgProfileField, "imgProfileIcon");
  imgProfileIcon->SetBounds(4, 3, 20, 20);
  imgProfileIcon->Stretch = true;
  lblProfile->SetBounds(28, 4, imgProfileField->Width() - 32, 18);

  ParamGrid->SetDefaultDrawing(false);
  ParamGrid->SetFixedCols(0);
  ParamGrid->SetFixedRows(0);
  ParamGrid->SetUseSkinCellHeight(false);
  ParamGrid->SetDefaultRowHeight(26);
  ParamGrid->OnDrawCell = [this](TObject* s, int c, int r, TRect rect, TGridDrawState st) {
    ParamGridDrawCell(s, c, r, rect, st);
  };
  ParamGrid->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
    ParamGridMouseDown(s, b, sh, x, y);
  };
  ParamGrid->OnMouseUp = [this](TObject*, TMouseButton, TShiftState, int, int) {
    if (cmbParams->Visible() && cmbParams->CanFocus()) cmbParams->SetFocus();
  };
  ParamGrid->OnSelectCell = [this](TObject* s, int c, int r, bool& can) { ParamGridSelectCell(s, c, r, can); };
  cmbParams->OnCloseUp = [this](TObject* s) { cmbParamsCloseUp(s); };
  cmbParams->OnExit = [this](TObject* s) { cmbParamsExit(s); };

  ProfileIconButton->OnClick = [this](TObject* s) { ProfileIconButtonClick(s); };
  for (TControl* c : std::initializer_list<TControl*>{imgProfileField, imgProfileBack, imgProfileIcon, lblProfile}) {
    c->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
      imgProfileButtonMouseDown(s, b, sh, x, y);
    };
    c->OnMouseEnter = [this](TObject* s) { imgProfileFieldMouseEnter(s); };
    c->OnMouseLeave = [this](TObject* s) { imgProfileFieldMouseLeave(s); };
  }
  SettingsButton->OnClick = [this](TObject* s) { SettingsButtonClick(s); };
  ProfileSaveAsButton->OnClick = [this](TObject* s) { ProfileSaveAsButtonClick(s); };
  ApplytoAllButton->OnClick = [this](TObject* s) { ApplytoAllButtonClick(s); };
  chApplyToAll->OnClick = [this](TObject* s) { chApplyToAllClick(s); };
  FindTargetButton->OnClick = [this](TObject* s) { FindTargetButtonClick(s); };
  if (auto* folder = dynamic_cast<TspSkinDirectoryEdit*>(edDestinationFolder)) {
    folder->DlgSkinData.Set(spSkinData1);
    folder->DlgCtrlSkinData.Set(spSkinData1);
  }
}

int TMainForm::VideoParameterRows() {
  return VideoParametersCollapsed || IsAudio(CurrentFormat()) ? 0 : kParameters;
}

int TMainForm::AudioParameterRows() { return AudioParametersCollapsed ? 0 : kParameters; }

int TMainForm::ParameterOfRow(int row) {
  const int v = VideoParameterRows(), a = AudioParameterRows();
  if (row >= 1 && row <= v) return row;
  if (row >= v + 2 && row <= v + 1 + a) return kParameters + row - v - 1;
  return 0;
}

void TMainForm::ParamGridDrawCell(TObject*, int aCol, int aRow, TRect rect, unsigned) {
  TCanvas* canvas = ParamGrid->Canvas();
  canvas->Brush()->SetStyle(bsSolid);
  canvas->Brush()->SetColor(aRow % 2 ? 0xF6F6F6 : 0xFFFFFF);
  canvas->Pen()->SetColor(0xEAEAEA);
  canvas->FillRect(rect);
  canvas->Font()->SetName("Microsoft Sans Serif");
  canvas->Font()->SetSize(8);
  canvas->Font()->SetColor(0);
  canvas->Font()->SetStyle(0);
  canvas->Brush()->SetStyle(bsClear);

  const int v = VideoParameterRows(), a = AudioParameterRows();
  const int rows = v + a + 2;
  if (ParamGrid->RowCount() != rows) ParamGrid->SetRowCount(rows);
  const int audioHeading = v + 1;
  const int parameter = ParameterOfRow(aRow);
  if (aCol == 0) {
    if (aRow == 0 && !IsAudio(CurrentFormat()))
      DrawFoldMark(canvas, rect.Left + 2 + 3, rect.Top + 8, VideoParametersCollapsed);
    else if (aRow == audioHeading)
      DrawFoldMark(canvas, rect.Left + 2 + 3, rect.Top + 8, AudioParametersCollapsed);
  } else if (aCol == 1) {
    if (aRow == 0 || aRow == audioHeading) {
      canvas->Font()->SetStyle(fsBold);
      canvas->TextOut(rect.Left + 5, rect.Top + 5, Translate(aRow == 0 ? "Video" : "Audio"));
      canvas->Font()->SetStyle(0);
    } else if (parameter > 0) {
      canvas->TextOut(rect.Left + 5, rect.Top + 5, Translate(kParameterLabels[parameter - 1]));
    }
  } else if (aCol == 2 && parameter > 0) {
    if (TspSkinComboBox* box = SettingsBox(parameter)) canvas->TextOut(rect.Left + 5, rect.Top + 5, box->Text());
  }
  // The line between the labels and the values, on the parameter rows.
  if (parameter > 0) {
    const int x = ParamGrid->ColWidths(0) + ParamGrid->ColWidths(1);
    if (x >= rect.Left && x <= rect.Right) {
      canvas->Pen()->SetColor(0xEAEAEA);
      canvas->MoveTo(x, rect.Top);
      canvas->LineTo(x, rect.Bottom);
    }
  }
}

void TMainForm::ParamGridMouseDown(TObject*, TMouseButton, TShiftState, int x, int y) {
  int col = -1, row = -1;
  ParamGrid->MouseToCell(x, y, col, row);
  // A press anywhere but on the value being edited ends that edit.
  if (cmbParams->Visible() && (col != 2 || row != cmbParams->Tag)) FinishParamEdit();
  if (col != 0) return;
  if (row == 0) {
    // An audio format has no video part to fold.
    if (!IsAudio(CurrentFormat())) VideoParametersCollapsed = !VideoParametersCollapsed;
  } else if (row == VideoParameterRows() + 1) {
    AudioParametersCollapsed = !AudioParametersCollapsed;
  } else {
    return;
  }
  cmbParams->SetVisible(false);
  ParamGrid->SetRowCount(VideoParameterRows() + AudioParameterRows() + 2);
  ParamGrid->Invalidate();
}

void TMainForm::ParamGridSelectCell(TObject*, int aCol, int aRow, bool& canSelect) {
  canSelect = true;
  if (cmbParams->Visible() && (aCol != 2 || aRow != cmbParams->Tag)) FinishParamEdit();
  const int parameter = ParameterOfRow(aRow);
  if (aCol == 0 || parameter == 0) return;
  TspSkinComboBox* box = SettingsBox(parameter);
  if (!box) return;
  const TRect cell = ParamGrid->CellRect(2, aRow);
  cmbParams->SetBounds(ParamGrid->Left() + cell.Left + 1, ParamGrid->Top() + cell.Top + 1,
                       cell.Right - cell.Left + 1, cell.Bottom - cell.Top + 1);
  cmbParams->Tag = aRow;
  cmbParams->SetStyle(parameter == 1 ? spcbEditStyle : spcbFixedStyle);
  cmbParams->Items()->Clear();
  for (int i = 0; i < box->Items()->Count(); ++i) cmbParams->Items()->Add((*box->Items())[i]);
  if (parameter == 1)
    cmbParams->SetText(box->Text());
  else
    cmbParams->SetItemIndex(box->ItemIndex());
  cmbParams->SetVisible(true);
  cmbParams->BringToFront();
  // A click selects the cell while the grid still handles the mouse; the
  // editor takes the focus when the button comes up (see below).
  if (!IsMouseButtonDown() && cmbParams->CanFocus()) cmbParams->SetFocus();
}

void TMainForm::cmbParamsCloseUp(TObject*) {
  TFormat* f = CurrentFormat();
  if (!f || !cmbParams->Visible()) return;
  const int parameter = ParameterOfRow(cmbParams->Tag);
  if (parameter == 1) {
    const std::string text = cmbParams->Text();
    f->Width = ResolutionWidth(text);
    f->Height = ResolutionHeight(text);
  } else if (parameter > 1) {
    auto [field, list] = ParameterField(*f, parameter);
    std::unique_ptr<TStringList> values(SplitOptionList(*list, true));
    const int k = cmbParams->ItemIndex();
    // Without a chosen entry the value stays as it is.
    if (k >= 0 && k < values->Count()) *field = (*values)[k];
  }
  LastEditedProfileIndex = CurrentProfileIndex;
  LastEditedFormatIndex = CurrentFormatIndex;
  if (settingsform) settingsform->FillProfileSettings();
  for (int i = 0; i < static_cast<int>(MediaFiles.size()); ++i) RecalcItem(i);
  ParamGrid->Invalidate();
  RepaintList();
}

void TMainForm::FinishParamEdit() {
  cmbParamsCloseUp(this);
  cmbParams->SetVisible(false);
}

void TMainForm::cmbParamsExit(TObject* sender) {
  // The editable box hands the focus on to its own edit: still inside.
  const HWND focus = GetFocus();
  if (focus && cmbParams->HandleAllocated() && (focus == cmbParams->Handle() || IsChild(cmbParams->Handle(), focus)))
    return;
  cmbParamsCloseUp(sender);
  cmbParams->SetVisible(false);
}

void TMainForm::PreparePicker() {
  // The rename and remove marks of the custom formats' rows.
  if (!proform->CustomProfileEditRemove) proform->CustomProfileEditRemove = CustomProfileEditRemove;
}

void TMainForm::ProfileIconButtonClick(TObject*) {
  if (!proform) return;
  PreparePicker();
  proform->SetHeight(ProfileMenuHeight);
  const TPoint p = ScreenOrigin(ProfileIconButton);
  proform->ShowAt(p.X, p.Y);
}

void TMainForm::imgProfileButtonMouseDown(TObject*, TMouseButton, TShiftState, int, int) {
  AddToHistory("-> Profile is clicked.");
  if (cmbParams->Visible()) FinishParamEdit();
  if (!proform) return;
  PreparePicker();
  const TPoint p = ScreenOrigin(imgProfileField);
  proform->ShowAt(p.X, p.Y);
}

void TMainForm::imgProfileFieldMouseEnter(TObject*) {
  if (ProfileComboImageOver.Graphic()) imgProfileBack->Picture()->Assign(&ProfileComboImageOver);
}

void TMainForm::imgProfileFieldMouseLeave(TObject*) {
  if (ProfileComboImage.Graphic()) imgProfileBack->Picture()->Assign(&ProfileComboImage);
}

void TMainForm::SettingsButtonClick(TObject*) {
  if (settingsform) settingsform->ShowModal();
  ParamGrid->Invalidate();
}

void TMainForm::ShowCurrentProfile() {
  const TFormat* f = CurrentFormat();
  if (!f) return;
  lblProfile->SetCaption(f->Title);
  const std::string categoryIcon =
      CurrentProfileIndex < static_cast<int>(Profiles.size()) ? Profiles[CurrentProfileIndex].Icon : std::string();
  TPicture *category = nullptr, *format = nullptr;
  ChooseProfilePictures(categoryIcon, f->Icon, category, format);
  ShowProfileIcons(category, format);
}

void TMainForm::ShowProfileIcons(TPicture* category, TPicture* format) {
  if (category)
    imgProfileIcon->Picture()->Assign(category);
  else
    imgProfileIcon->Picture()->Assign(nullptr);
  imgProfileIcon->Invalidate();
  if (format && format->Graphic()) {
    TBitmap glyph;
    glyph.Assign(format->Graphic());
    ProfileIconButton->SetGlyph(&glyph);
  }
}

bool TMainForm::InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
  SkinInput->SetSkinData(spSkinData1);
  SkinInput->SetCtrlSkinData(spSkinData1);
  return SkinInput->InputQuery(caption, prompt, value);
}

void TMainForm::ProfileSaveAsButtonClick(TObject*) {
  AddToHistory("-> Profile Save As... is clicked.");
  const TFormat* current = CurrentFormat();
  if (!current || CustomProfileIndex < 0 || CustomProfileIndex >= static_cast<int>(Profiles.size())) return;
  // Cancel keeps the default: the copy is made under the current title.
  std::string title = current->Title;
  InputQuery(Translate("Save custom profile"), Translate("Title") + ":", title);
  if (title.empty()) return;
  const int srcProfile = CurrentProfileIndex, srcFormat = CurrentFormatIndex;
  Profiles[CustomProfileIndex].Formats.emplace_back();
  const int newFormat = static_cast<int>(Profiles[CustomProfileIndex].Formats.size()) - 1;
  CopyFormat(srcProfile, srcFormat, CustomProfileIndex, newFormat);
  TFormat& made = Profiles[CustomProfileIndex].Formats[newFormat];
  made.Category = "-1";
  made.Title = title;
  const int row = sgList->Row();
  if (row >= 1 && row <= static_cast<int>(MediaFiles.size())) {
    MediaFiles[row - 1].ProfileInd = CustomProfileIndex;
    MediaFiles[row - 1].FormatInd = newFormat;
    RecalcItem(row - 1);
  }
  CurrentProfileIndex = RecentProfileIndex = PickerProfileIndex = CustomProfileIndex;
  CurrentFormatIndex = RecentFormatIndex = PickerFormatIndex = newFormat;
  ShowCurrentProfile();
  LastEditedProfileIndex = -1;
  LastEditedFormatIndex = -1;
  lblProfile->Invalidate();
  ProfileIconButton->Invalidate();
  RepaintList();
  if (settingsform) settingsform->FillProfileSettings();
  ParamGrid->Invalidate();
  SaveWindowSettings();
}

void TMainForm::ApplytoAllButtonClick(TObject*) {
  AddToHistory("-> Apply to All is clicked.");
  ApplyProfileToAll();
}

void TMainForm::chApplyToAllClick(TObject*) {
  if (chApplyToAll->Checked() && chApplyToAll->Tag == 0) ApplyProfileToAll();
  chApplyToAll->Tag = 0;
}

void TMainForm::FindTargetButtonClick(TObject*) {
  AddToHistory("-> Open is clicked.");
  const std::string folder = edDestinationFolder->Text();
  if (OnShellOpen) {
    OnShellOpen(folder);
    return;
  }
  ShellExecuteW(Handle(), W(u"open"), W(UTF8ToUTF16(folder)), nullptr, nullptr,
                SW_SHOWNORMAL);
}
