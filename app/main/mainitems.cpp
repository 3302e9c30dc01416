// The main window's item table: painting, selection, the per-row choices
// and the commands that rename, move, remove and add rows.
#include "app/main/main.h"
#include "app/main/MainParts.h"

#include <windows.h>
#include <shellapi.h>

#include <cmath>
#include <cstdio>
#include <type_traits>

#include "app/update/updater.h"  // StartupCheckDone
#include "app/editing/settings.h"
#include "app/input/DVDPlugIn.h"
#include "app/main/AppData.h"
#include "app/main/AppStorage.h"
#include "app/main/Downloader.h"
#include "app/main/Endpoints.h"
#include "app/main/ErrorReport.h"
#include "app/main/MainSetup.h"
#include "app/main/mediaload.h"
#include "engine/FFEncode.h"
#include "framework/StringList.h"
#include "framework/SysUtils.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinCheckRadio.h"
#include "skin/controls/SkinComboBox.h"
#include "skin/controls/SkinEdits.h"
#include "skin/controls/SkinExPanel.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinMemo.h"
#include "skin/controls/SkinMenuButtons.h"
#include "skin/controls/SkinPanel.h"
#include "skin/controls/SkinSplitter.h"
#include "skin/controls/SkinToolBar.h"
#include "skin/data/SkinData.h"
#include "skin/controls/SkinMenuButtons.h"
#include "skin/controls/SkinTrackBar.h"
#include "skin/dialogs/SkinGrids.h"
#include "skin/dialogs/spMessages.h"
#include "skin/frame/DynamicSkinForm.h"
#include "skin/frame/SkinMainMenuBar.h"
#include "skin/frame/SkinMenus.h"

using namespace mainparts;

void TMainForm::RepaintList() {
  if (sgList) sgList->Invalidate();
}

void TMainForm::UpdateRowCount() {
  sgList->SetRowCount(static_cast<int>(MediaFiles.size()) + 1);
}

void TMainForm::ClearRows() {
  ClearTitleList();
  for (size_t i = 0; i < MediaFiles.size(); ++i) FreeRowFont(i);
  MediaFiles.clear();
}

void TMainForm::FreeRowFont(size_t index) {
  delete MediaFiles[index].OverlayTextFont;
  MediaFiles[index].OverlayTextFont = nullptr;
}

void TMainForm::sgListDrawCell(TObject*, int aCol, int aRow, TRect rect, unsigned) {
  if (LoadForm && LoadForm->IsShown) return;
  FPainting = true;
  TCanvas* canvas = sgList->Canvas();
  canvas->Font()->SetName("Microsoft Sans Serif");
  canvas->Font()->SetSize(8);
  canvas->Font()->SetColor(0);
  canvas->Brush()->SetStyle(bsClear);
  const int rowHeight = aRow == 0 ? sgList->RowHeights(0) : sgList->DefaultRowHeight();
  if (aRow == 0)
    rect.Bottom += 1;
  else
    rect.Top += 1;
  if (!sgList->Enabled() && aCol != 6) {
    FPainting = false;
    return;
  }
  const int items = static_cast<int>(MediaFiles.size());
  auto checkMark = [&](bool checked) {
    TBitmap* mark = checked ? &imgCheck : &imgUncheck;
    canvas->Draw(rect.Left + 8,
                 static_cast<int>(std::lround(rect.Top + rowHeight / 2.0 - mark->Height() / 2.0)), mark);
  };
  if (aRow == 0 || aRow > items) {
    if (imgTableColumnCaptionBar.Graphic())
      canvas->StretchDraw(rect, imgTableColumnCaptionBar.Graphic());
    if (aCol == 0) {
      checkMark(AllItemsChecked);
    } else if (aRow == 0) {
      static const char* headers[] = {"", "Thumbnail", "Title", "Length", "Size", "Profile", "Progress"};
      canvas->Brush()->SetStyle(bsClear);
      DrawTextIn(canvas, rect, Translate(headers[aCol]), DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    }
    if (aCol >= 1 && aCol <= 5) {
      canvas->Pen()->SetColor(0xFFC8A8);
      canvas->MoveTo(rect.Right - 1, rect.Top);
      canvas->LineTo(rect.Right - 1, rect.Bottom);
    }
    FPainting = false;
    return;
  }
  const TMediaFile& item = MediaFiles[aRow - 1];
  if (aRow == sgList->Row() && imgTableRow.Graphic()) {
    canvas->StretchDraw(rect, imgTableRow.Graphic());
  } else {
    canvas->Brush()->SetStyle(bsSolid);
    canvas->Brush()->SetColor(0xFFFFFF);
    canvas->FillRect(rect);
  }
  canvas->Brush()->SetStyle(bsClear);
  switch (aCol) {
    case 0:
      checkMark(item.Checked);
      break;
    case 1:
      if (item.VideoThumbnailIndex >= 0 && item.VideoThumbnailIndex < static_cast<int>(Thumbnails.size()) &&
          Thumbnails[item.VideoThumbnailIndex])
        canvas->Draw(rect.Left + 4, rect.Top + static_cast<int>(std::lround(rowHeight / 2.0)) - 18,
                     Thumbnails[item.VideoThumbnailIndex].get());
      else if (item.isSourceAudioFormat && MusicIcon.Graphic())
        canvas->Draw(rect.Left + 3, rect.Top + 2, MusicIcon.Graphic());
      break;
    case 2: {
      TRect r = rect;
      r.Left += 5;
      DrawTextIn(canvas, r, item.DestinationTitle, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
      break;
    }
    case 3:
      DrawTextIn(canvas, rect, FormatMicroseconds(item.TrimmedLength),
                 DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
      break;
    case 4: {
      char text[64];
      std::snprintf(text, sizeof text, "%.2f MB", item.EstimatedSize);
      DrawTextIn(canvas, rect, text, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
      break;
    }
    case 5: {
      const TFormat* f = FormatOfItem(item);
      DrawTextIn(canvas, rect, f ? f->Title : "", DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
      break;
    }
    case 6: {
      const bool paused = MediaEncoder && MediaEncoder->Paused() && item.StatusS > 0;
      DrawTextIn(canvas, rect, paused ? PausedText : item.Status,
                 DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
      break;
    }
  }
  FPainting = false;
}

void TMainForm::Timer1Timer(TObject*) {
  if (LoadForm && LoadForm->IsShown) return;
  if (!sgList->HandleAllocated() || !sgList->Showing()) return;
  TCanvas* canvas = sgList->Canvas();
  canvas->Pen()->SetColor(0xEAEAEA);
  canvas->Pen()->SetWidth(1);
  const int header = sgList->RowHeights(0);
  const int rowHeight = std::max(1, sgList->DefaultRowHeight());
  const int height = sgList->ClientHeight(), width = sgList->ClientWidth();
  if (!FPainting) {
    int x = 0;
    for (int k = 0; k <= 5; ++k) {
      x += sgList->ColWidths(k);
      canvas->MoveTo(x - 1, header);
      canvas->LineTo(x - 1, height);
    }
  }
  for (int k = 1; k <= (height - header) / rowHeight; ++k) {
    canvas->MoveTo(0, header + k * rowHeight);
    canvas->LineTo(width, header + k * rowHeight);
  }
}

void TMainForm::CheckStartButton() {
  bool any = false;
  for (const TMediaFile& f : MediaFiles) any = any || f.Checked;
  StartButton->SetEnabled(any);
}

void TMainForm::sgListMouseDown(TObject*, TMouseButton, TShiftState, int x, int y) {
  int col = -1, row = -1;
  sgList->MouseToCell(x, y, col, row);
  const int items = static_cast<int>(MediaFiles.size());
  if (row >= 1 && row <= items && col == 0) {
    MediaFiles[row - 1].Checked = !MediaFiles[row - 1].Checked;
    bool all = true;
    for (const TMediaFile& f : MediaFiles) all = all && f.Checked;
    AllItemsChecked = all;
    RepaintList();
  } else if (col == 0) {
    AllItemsChecked = !AllItemsChecked;
    for (TMediaFile& f : MediaFiles) f.Checked = AllItemsChecked;
    RepaintList();
  }
  CheckStartButton();
}

void TMainForm::sgListClick(TObject*) {
  const int row = sgList->Row();
  if (row <= 0 || row > static_cast<int>(MediaFiles.size())) return;
  const TMediaFile& item = MediaFiles[row - 1];
  CurrentProfileIndex = item.ProfileInd;
  CurrentFormatIndex = item.FormatInd;
  ShowCurrentProfile();
  if (settingsform) settingsform->FillProfileSettings();
  ++FChanging;
  cboAudio->Items()->Clear();
  cboSubtitle->Items()->Clear();
  if (!DVDMode) {
    for (const std::string& t : item.AudioTracks) cboAudio->Items()->Add(t);
    cboAudio->SetItemIndex(item.AudioTrackIndex);
    for (const std::string& t : item.Subtitles) cboSubtitle->Items()->Add(t);
    cboSubtitle->SetItemIndex(item.SubtitleIndex);
    chkDeinterlace->SetChecked(item.Deinterlace);
  } else if (item.DVDTitleInfo) {
    FillDVDTrackCombos(*item.DVDTitleInfo);
  }
  --FChanging;
  RepaintList();
  ParamGrid->Invalidate();
}

void TMainForm::sgListKeyDown(TObject*, WORD& key, TShiftState) {
  if (key == VK_DELETE && !ConversionActive) Remove1Click(this);
}

void TMainForm::cboAudioChange(TObject*) {
  if (FChanging != 0 || sgList->Row() < 1 || sgList->Row() > static_cast<int>(MediaFiles.size())) return;
  TMediaFile& item = MediaFiles[sgList->Row() - 1];
  if (DVDMode) {
    if (!item.DVDTitleInfo) return;
    // The last entries ("Disable", "No audio tracks") turn the sound off.
    const TDVDTitleInfo* info = item.DVDTitleInfo->Info;
    const int k = cboAudio->ItemIndex();
    item.DVDTitleInfo->AudioID =
        info && k >= 0 && k < info->AudioCount && k < DVDMaxAudio ? info->Audio[k].ID : 0;
  } else {
    item.AudioTrackIndex = cboAudio->ItemIndex();
  }
}

void TMainForm::cboSubtitleChange(TObject*) {
  if (FChanging != 0 || sgList->Row() < 1 || sgList->Row() > static_cast<int>(MediaFiles.size())) return;
  TMediaFile& item = MediaFiles[sgList->Row() - 1];
  if (!DVDMode || !item.DVDTitleInfo) return;
  const TDVDTitleInfo* info = item.DVDTitleInfo->Info;
  const int k = cboSubtitle->ItemIndex();
  item.DVDTitleInfo->SubtitleID =
      info && k >= 0 && k < info->SubtitleCount && k < DVDMaxSubtitles ? info->Subtitles[k].ID : 0;
}

void TMainForm::chkDeinterlaceClick(TObject*) {
  if (FChanging != 0 || sgList->Row() < 1 || sgList->Row() > static_cast<int>(MediaFiles.size())) return;
  TMediaFile& item = MediaFiles[sgList->Row() - 1];
  if (DVDMode) {
    if (item.DVDTitleInfo) item.DVDTitleInfo->Deinterlace = chkDeinterlace->Checked() ? 1 : 0;
  } else {
    item.Deinterlace = chkDeinterlace->Checked();
  }
}

void TMainForm::Rename1Click(TObject*) {
  AddToHistory("-> Rename selected is clicked");
  if (!MediaFiles.empty() && !ConversionActive) BeginRenameTitle(sgList->Row());
}

void TMainForm::BeginRenameTitle(int aRow) {
  if (aRow < 1 || aRow > static_cast<int>(MediaFiles.size())) return;
  const TRect cell = sgList->CellRect(2, aRow);
  TitleMemo->SetBounds(cell.Left, cell.Top, sgList->ColWidths(2), sgList->DefaultRowHeight());
  TitleMemo->SetWordWrap(true);
  TitleMemo->SetText(MediaFiles[aRow - 1].DestinationTitle);
  TitleMemo->SetVisible(true);
  TitleMemo->SetFocus();
}

void TMainForm::TitleMemoExit(TObject*) {
  if (!TitleMemo->Visible()) return;
  const int row = sgList->Row();
  if (row >= 1 && row <= static_cast<int>(MediaFiles.size())) {
    // A title is one line: the line breaks word-wrapping or a paste put in
    // would end up in the output file's name.
    std::string title = TitleMemo->Text();
    for (char& c : title)
      if (c == '\r' || c == '\n') c = ' ';
    while (!title.empty() && title.back() == ' ') title.pop_back();
    if (!title.empty()) MediaFiles[row - 1].DestinationTitle = title;
  }
  TitleMemo->SetVisible(false);
  RepaintList();
}

void TMainForm::TitleMemoKeyPress(TObject* sender, char16_t& key) {
  if (key == 13) {
    key = 0;
    TitleMemoExit(sender);
  }
}

void TMainForm::ClipButtonClick(TObject*) {
  AddToHistory("-> Trim is clicked.");
  if (MediaFiles.empty() || ConversionActive) return;
  if (OnShowTrimWindow) OnShowTrimWindow();
}

void TMainForm::EditButtonClick(TObject*) {
  AddToHistory("-> Edit is clicked.");
  if (MediaFiles.empty() || ConversionActive) return;
  const int row = sgList->Row();
  if (row >= 1 && row <= static_cast<int>(MediaFiles.size()) && MediaFiles[row - 1].isSourceAudioFormat) {
    SkinMessage->MessageDlg(Translate("Can't edit audio formats. You can click \"Trim\" button."), mtWarning,
                            MsgDlgButtons({mbOK}), 0);
    return;
  }
  if (OnShowEditWindow) OnShowEditWindow();
}

void TMainForm::spSkinSpeedButton10Click(TObject*) {
  if (!MediaFiles.empty() && !ConversionActive && OnShowTagWindow) OnShowTagWindow();
}

void TMainForm::SwapItems(int a, int b) {
  TDVDTitle* titleA = MediaFiles[a].DVDTitleInfo;
  TDVDTitle* titleB = MediaFiles[b].DVDTitleInfo;
  std::swap(MediaFiles[a], MediaFiles[b]);
  MediaFiles[a].DVDTitleInfo = titleA;
  MediaFiles[b].DVDTitleInfo = titleB;
}

void TMainForm::MoveUp1Click(TObject*) {
  if (MediaFiles.size() < 2 || ConversionActive) return;
  const int row = sgList->Row();
  if (row > 1 && row <= static_cast<int>(MediaFiles.size())) {
    SwapItems(row - 2, row - 1);
    sgList->SetRow(row - 1);
  }
  RepaintList();
}

void TMainForm::MoveDown1Click(TObject*) {
  if (MediaFiles.size() < 2 || ConversionActive) return;
  const int row = sgList->Row();
  // The last row has no neighbour below it.
  if (row >= 1 && row < static_cast<int>(MediaFiles.size())) {
    SwapItems(row - 1, row);
    sgList->SetRow(row + 1);
  }
  RepaintList();
}

void TMainForm::Remove1Click(TObject*) {
  AddToHistory("-> Remove Selected is clicked");
  // A run's tasks hold the rows' fonts and are matched to the rows by place.
  if (MediaFiles.empty() || ConversionActive) return;
  const int count = static_cast<int>(MediaFiles.size());
  const int row = sgList->Row();
  if (row < 1 || row > count) return;
  if (count == 1) {
    ClearAll1Click(this);
    return;
  }
  // The row goes with its DVD title record: every row after it moves up
  // with its own record, so each row keeps converting its own title.
  for (int i = row; i <= count - 1; ++i) std::swap(MediaFiles[i - 1], MediaFiles[i]);
  FreeRowFont(MediaFiles.size() - 1);
  delete MediaFiles.back().DVDTitleInfo;
  MediaFiles.pop_back();
  UpdateRowCount();
  if (sgList->Row() > static_cast<int>(MediaFiles.size())) sgList->SetRow(static_cast<int>(MediaFiles.size()));
  CheckStartButton();
  RepaintList();
}

void TMainForm::ClearAll1Click(TObject*) {
  AddToHistory("-> Clear all items");
  if (ConversionActive) return;
  TitleMemo->SetVisible(false);
  ClearRows();
  for (auto& t : Thumbnails)
    if (t && t->Handle()) DeleteObject(t->ReleaseHandle());
  UpdateRowCount();
  EnableControls(false, false);
  RepaintList();
}

void TMainForm::EnableControls(bool enable, bool allControls) {
  if (allControls) {
    for (TControl* c : std::initializer_list<TControl*>{
             AddButton, LoadDVDButton, DownloadButton, RecordButton, cboAudio, cboSubtitle, imgProfileField,
             lblProfile, ProfileIconButton, ProfileSaveAsButton, edDestinationFolder, ApplytoAllButton, chApplyToAll,
             SettingsButton, FindTargetButton, chkDeinterlace, ParamGrid, VideoTrackBar, VolumeTrackBar,
             SnapshotButton, sgList,
             // The small toolbar's commands that change the table.
             spSkinSpeedButton1, spSkinMenuSpeedButton1, spSkinSpeedButton2, spSkinSpeedButton3, spSkinSpeedButton4,
             spSkinSpeedButton5, spSkinSpeedButton6, spSkinSpeedButton8, spSkinSpeedButton10})
      if (c) c->SetEnabled(enable);
    for (TMenuItem* m : {Openvideo1, LoadDVD1, DownloadfromWeb1, RecordVideo1, VideoFiles1, YouTubeVideo1, DVDVideo1})
      m->Enabled = enable;
  }
  for (TControl* c : std::initializer_list<TControl*>{EditButton, ClipButton, JoinButton, StartButton})
    c->SetEnabled(enable);
  for (TMenuItem* m : {FileInformation1, Convert1, Item12, ItemRemove, ItemClearAll, ItemRename, EditVideo2,
                       ClipVideo2, Joinall1, Remove1, ClearAll1, Rename1, MoveUp1, MoveDown1, EditVideo1, ClipVideo1})
    m->Enabled = enable;
  GettingStartedPanel->SetVisible(false);
}

void TMainForm::PrepareItemControls() {
  if (!BindMediaLibraries("CLM_FFLoadAVLib2")) return;
  GettingStartedPanel->SetVisible(false);
  sgList->SetVisible(true);
  panPreview->SetVisible(true);
  for (TControl* c : std::initializer_list<TControl*>{EditButton, ClipButton}) c->SetEnabled(true);
  for (TMenuItem* m : {Item12, Remove1, ClearAll1, Rename1, MoveUp1, MoveDown1, EditVideo1, ClipVideo1,
                       FileInformation1, FileInformation2, ItemRemove, ItemClearAll, EditVideo2, ClipVideo2})
    m->Enabled = true;
}

// ---------------------------------------------------------------- feeding

void TMainForm::RunLoadDialog() {
  DVDMode = false;
  if (LoadForm) {
    LoadForm->ShowModal();
    LoadForm->IsShown = false;
  }
  if (!MediaFiles.empty()) {
    EnableControls(true, true);
    sgList->SetFixedRows(1);
    sgList->SetRow(static_cast<int>(MediaFiles.size()));
    sgListClick(this);
  }
  RepaintList();
}

void TMainForm::AddButtonClick(TObject*) {
  AddToHistory("-> Add Files is clicked.");
  if (ConversionActive) return;
  if (DVDMode && !MediaFiles.empty()) {
    if (!AcceptMediaReplacement()) return;
    EndJoinAll();
  }
  ItemRemove->Enabled = true;
  ItemClearAll->Enabled = true;
  std::vector<std::string> files;
  if (!OnChooseFiles || !OnChooseFiles(files)) return;
  DialogFiles = files;
  if (DVDMode && !MediaFiles.empty()) {
    ClearRows();
    Thumbnails.clear();
  }
  // The table of files answers the right button with the files' menu, as
  // it does after dropped files.
  sgListPopupMenu = VideoFilesTableContextMenu;
  RunLoadDialog();
  if (!MediaFiles.empty()) PrepareItemControls();
}

void TMainForm::DropFiles(const std::vector<std::string>& names) {
  if (ConversionActive) return;
  if (!ClearDVDTableForFiles()) return;
  DialogFiles = names;
  ItemRemove->Enabled = true;
  ItemClearAll->Enabled = true;
  sgListPopupMenu = VideoFilesTableContextMenu;
  RunLoadDialog();
}
