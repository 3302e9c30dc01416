// The profile picker: a borderless drop-down with the profile categories on
// the left and the formats of one category on the right. Hovering a
// category lists its formats after a short delay; clicking a format makes it
// the current format and gives it to the selected item. The user's own
// formats (the last category) carry a rename and a remove icon in their row.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "framework/Dialogs.h"
#include "framework/Forms.h"
#include "framework/Graphics.h"
#include "app/main/ProfileIcons.h"

class TShape;
class TImage;
class TTimer;
class TCustomImageList;
class TspSkinData;
class TspSkinStringGrid;
class TspSkinScrollBar;


// The pictures of a category and of one of its formats: walking the icons,
// an ID equal to the category's icon (ignoring case) gives the category
// picture, otherwise one equal to the format's icon gives the format
// picture; the last match wins and entry 0 stands in when none matches.
// Null when there are no icons at all.
void ChooseProfilePictures(const std::string& categoryIcon, const std::string& formatIcon, TPicture*& category,
                           TPicture*& format);

// State of the picker (one per process).
extern int PickerProfileIndex;       // category highlighted on the left
extern int PickerFormatIndex;        // format row under the mouse (-1: none)
extern int PickerShownProfileIndex;  // category whose formats are listed
extern int PickerHoverProfileIndex;  // category row last under the mouse
extern int RenameIconLeft, RenameIconTop, RenameIconSize;
extern int RemoveIconLeft, RemoveIconTop, RemoveIconSize;
extern int FormatsMouseX, FormatsMouseY;

// What the picker reaches of the main window. The main window fills these
// in; each unset entry does nothing (or answers "no").
struct TProfilePickerHost {
  // The item of the item table's selected row (grid row - 1), or -1.
  std::function<int()> SelectedItemIndex;
  // lblProfile shows this title.
  std::function<void(const std::string& title)> ShowProfileTitle;
  // imgProfileIcon takes the category picture, the first image of the
  // profile button the format picture (either may be null).
  std::function<void(TPicture* category, TPicture* format)> ShowProfileIcons;
  std::function<bool()> ApplyToAllChecked;  // chApplyToAll
  std::function<bool()> JoinAllMode;        // Join All is on
  std::function<void()> RepaintItems;       // the item grid
  std::function<void()> RepaintParameters;  // the parameter grid
  // Gives the focus back to the main window when the picker closes itself.
  std::function<void()> FocusMainWindow;
  // The skinned input box: true with the answer in `value` when confirmed.
  std::function<bool(const std::string& caption, const std::string& prompt, std::string& value)> InputQuery;
  // The skinned message box; its modal result.
  std::function<int(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons)> MessageDlg;
  // Refills the settings window's boxes from the current format.
  std::function<void()> FillProfileSettings;
};

class Tproform : public TForm {
public:
  explicit Tproform(TComponent* owner);
  ~Tproform() override;

  // ---- components, in creation order ----
  TShape* Shape1 = nullptr;
  TShape* Shape2 = nullptr;
  TspSkinStringGrid* sgProfiles = nullptr;
  TspSkinScrollBar* spSkinScrollBar1 = nullptr;
  TspSkinStringGrid* sgFormats = nullptr;
  TImage* imgArrow = nullptr;
  TImage* imgArrowOver = nullptr;
  TTimer* ProfileChangeDelayTimer = nullptr;

  TProfilePickerHost Host;
  // The four row icons: 0 rename, 1 remove, 2 rename and 3 remove under the
  // mouse (the main window's image list; not owned).
  TCustomImageList* CustomProfileEditRemove = nullptr;

  // Shows the picker (not modally) with its left edge at `left` and its
  // bottom edge at `bottom`, in screen coordinates.
  void ShowAt(int left, int bottom);

  void FormCreate();
  void FormShow(TObject* sender);
  void FormHide(TObject* sender);
  void FormDeactivate(TObject* sender);
  void ProfileChangeDelayTimerTimer(TObject* sender);
  void sgProfilesDrawCell(TObject* sender, int aCol, int aRow, TRect rect, unsigned state);
  void sgProfilesMouseMove(TObject* sender, TShiftState shift, int x, int y);
  void sgFormatsDrawCell(TObject* sender, int aCol, int aRow, TRect rect, unsigned state);
  void sgFormatsMouseMove(TObject* sender, TShiftState shift, int x, int y);
  void sgFormatsClick(TObject* sender);

  void SetSkinData(TspSkinData* skin);
  void WndProc(TMessage& message) override;

protected:
  const char16_t* WindowClassName() const override { return u"Tproform"; }
  void CreateParams(TCreateParams& params) override;

private:
  int FormatCount(int profile) const;
  void ChooseFormat();
  void RenameFormat();
  // True when the click turned into a choice of the first format.
  bool RemoveFormat();
  void AfterChoice();
};

extern Tproform* proform;
