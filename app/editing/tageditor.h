// The tag window: edits the title, artist, album, genre, year and track
// texts of the selected item. It also owns the tag editor component the main
// window uses after a conversion to write those tags into audio outputs.
#pragma once

#include <functional>

#include "framework/Forms.h"

class TspSkinData;
class TspSkinEdit;
class TspSkinButton;
class TspSkinStdLabel;
class TTagEditor;

class TTagEditForm : public TForm {
public:
  explicit TTagEditForm(TComponent* owner);
  ~TTagEditForm() override;

  // ---- components, in creation order ----
  TTagEditor* TagEditor1 = nullptr;
  TspSkinStdLabel *lblTitle = nullptr, *lblArtist = nullptr, *lblAlbum = nullptr, *lblGenre = nullptr,
                  *lblYear = nullptr, *lblTrack = nullptr;
  TspSkinEdit *edTitle = nullptr, *edArtist = nullptr, *edAlbum = nullptr, *edGenre = nullptr, *edYear = nullptr,
              *edTrack = nullptr;
  TspSkinButton* OKButton = nullptr;
  TspSkinButton* spSkinButton1 = nullptr;  // Cancel

  // The item the window edits: the main window's selected row (its grid
  // row - 1). Unset or out of range: the window edits nothing.
  std::function<int()> SelectedItemIndex;

  // Shows the window modally over the tags of item `row`.
  int EditItemTags(int row);

  void FormShow(TObject* sender);
  void OKButtonClick(TObject* sender);
  void spSkinButton1Click(TObject* sender);

  void SetSkinData(TspSkinData* skin);

protected:
  const char16_t* WindowClassName() const override { return u"TTagEditForm"; }

private:
  void SetClientSize(int width, int height);
  int FRequestedRow = -1;  // given by EditItemTags
  int FRow = -1;           // the item being edited while the window is shown
};

extern TTagEditForm* TagEditForm;
