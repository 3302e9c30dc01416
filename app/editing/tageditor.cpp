#include "app/editing/tageditor.h"

#include <windows.h>

#include "app/editing/ACS_Misc.h"
#include "app/main/AppData.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinEdits.h"
#include "skin/controls/SkinLabels.h"

TTagEditForm* TagEditForm = nullptr;

TTagEditForm::TTagEditForm(TComponent* owner) : TForm(owner) {
  SetName("TagEditForm");
  SetCaption("Edit Tags");
  SetBounds(240, 220, 318, 285);
  SetClientSize(310, 253);

  TagEditor1 = new TTagEditor(this);
  TagEditor1->SetName("TagEditor1");

  const struct {
    TspSkinStdLabel** label;
    const char* labelName;
    TspSkinEdit** edit;
    const char* editName;
  } rows[] = {
      {&lblTitle, "lblTitle", &edTitle, "edTitle"},   {&lblArtist, "lblArtist", &edArtist, "edArtist"},
      {&lblAlbum, "lblAlbum", &edAlbum, "edAlbum"},   {&lblGenre, "lblGenre", &edGenre, "edGenre"},
      {&lblYear, "lblYear", &edYear, "edYear"},       {&lblTrack, "lblTrack", &edTrack, "edTrack"},
  };
  int y = 14;
  for (const auto& r : rows) {
    auto* label = new TspSkinStdLabel(this);
    label->SetName(r.labelName);
    label->SetBounds(12, y + 3, 60, 16);
    label->SetParent(this);
    *r.label = label;
    auto* edit = new TspSkinEdit(this);
    edit->SetName(r.editName);
    edit->SetBounds(80, y, 218, 21);
    edit->TabStop = true;
    edit->SetParent(this);
    *r.edit = edit;
    y += 31;
  }

  OKButton = new TspSkinButton(this);
  OKButton->SetName("OKButton");
  OKButton->SetCanFocused(true);
  OKButton->SetDefault(true);
  OKButton->SetBounds(142, 216, 75, 25);
  OKButton->SetParent(this);
  spSkinButton1 = new TspSkinButton(this);
  spSkinButton1->SetName("spSkinButton1");
  spSkinButton1->SetCanFocused(true);
  spSkinButton1->Cancel = true;
  spSkinButton1->SetBounds(223, 216, 75, 25);
  spSkinButton1->SetParent(this);

  OKButton->OnClick = [this](TObject* s) { OKButtonClick(s); };
  spSkinButton1->OnClick = [this](TObject* s) { spSkinButton1Click(s); };
  OnShow = [this](TObject* s) { FormShow(s); };
}

TTagEditForm::~TTagEditForm() {
  if (TagEditForm == this) TagEditForm = nullptr;
}

void TTagEditForm::SetClientSize(int width, int height) {
  Handle();
  SetBounds(Left(), Top(), width + Width() - ClientWidth(), height + Height() - ClientHeight());
}

void TTagEditForm::SetSkinData(TspSkinData* skin) {
  for (int i = 0; i < ComponentCount(); ++i) {
    TComponent* c = Components(i);
    if (auto* l = dynamic_cast<TspSkinFontLabel*>(c)) l->SetSkinData(skin);
    else if (auto* e = dynamic_cast<TspSkinCustomEdit*>(c)) e->SetSkinData(skin);
    else if (auto* k = dynamic_cast<TspSkinCustomControl*>(c)) k->SetSkinData(skin);
  }
}

int TTagEditForm::EditItemTags(int row) {
  FRequestedRow = row;
  const int result = ShowModal();
  FRequestedRow = -1;
  return result;
}

void TTagEditForm::FormShow(TObject*) {
  SetCaption(Translate("Edit Tags"));
  lblTitle->SetCaption(Translate("Title:"));
  lblArtist->SetCaption(Translate("Artist:"));
  lblAlbum->SetCaption(Translate("Album:"));
  lblGenre->SetCaption(Translate("Genre:"));
  lblYear->SetCaption(Translate("Year:"));
  lblTrack->SetCaption(Translate("Track:"));
  OKButton->SetCaption(Translate("OK"));
  spSkinButton1->SetCaption(Translate("Cancel"));

  FRow = FRequestedRow >= 0 ? FRequestedRow : (SelectedItemIndex ? SelectedItemIndex() : -1);
  // A row that is not in the table (the table changed under the window)
  // shows empty edits and is never written.
  if (FRow < 0 || FRow >= static_cast<int>(MediaFiles.size())) FRow = -1;
  static const TMediaFile none;
  const TMediaFile& item = FRow >= 0 ? MediaFiles[FRow] : none;
  edTitle->SetText(item.Tag_Title);
  edArtist->SetText(item.Tag_Artist);
  edAlbum->SetText(item.Tag_Album);
  edGenre->SetText(item.Tag_Genre);
  edYear->SetText(item.Tag_Year);
  edTrack->SetText(item.Tag_Track);
  SetClientSize(ClientWidth(), 253);
}

void TTagEditForm::OKButtonClick(TObject*) {
  if (FRow >= 0 && FRow < static_cast<int>(MediaFiles.size())) {
    TMediaFile& item = MediaFiles[FRow];
    item.Tag_Title = edTitle->Text();
    item.Tag_Artist = edArtist->Text();
    item.Tag_Album = edAlbum->Text();
    item.Tag_Genre = edGenre->Text();
    item.Tag_Year = edYear->Text();
    item.Tag_Track = edTrack->Text();
  }
  if (Modal()) ModalResult = mrOk;
  else Hide();
}

void TTagEditForm::spSkinButton1Click(TObject*) {
  if (Modal()) ModalResult = mrCancel;
  else Hide();
}
