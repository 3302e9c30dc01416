// The profile settings window: edits the values of the current output
// format in place. Its eight choice boxes mirror the current format at all
// times (the main window's parameter grid reads them), so they are filled
// by FillProfileSettings whenever the current format changes, even while the
// window is hidden.
#pragma once

#include <functional>
#include <string>

#include "framework/Forms.h"

class TStringList;
class TspSkinData;
class TspSkinEdit;
class TspSkinComboBox;
class TspSkinGroupBox;
class TspSkinButton;
class TspSkinStdLabel;
struct TFormat;

// The values (values = true) or the display names of a choice list
// "value$name,value$name,...". The caller owns the list.
TStringList* SplitOptionList(const std::string& text, bool values);

// The width and the height of a "width*height" text, as typed, or "-1" when
// that part is missing or not a whole number.
std::string ResolutionWidth(const std::string& text);
std::string ResolutionHeight(const std::string& text);

class Tsettingsform : public TForm {
public:
  explicit Tsettingsform(TComponent* owner);
  ~Tsettingsform() override;

  // ---- components, in creation order ----
  TspSkinStdLabel* lblProfile = nullptr;
  TspSkinEdit* edProfile = nullptr;
  TspSkinGroupBox* spSkinGroupBox1 = nullptr;  // Video
  TspSkinStdLabel *lblResolution = nullptr, *lblFrameRate = nullptr, *lblVideoEncoder = nullptr,
                  *lblVideoBitRate = nullptr;
  TspSkinComboBox *cmbVideoResolution = nullptr, *cmbVideoFrameRate = nullptr, *cmbVideoEncoder = nullptr,
                  *cmbVideoBitRate = nullptr;
  TspSkinGroupBox* spSkinGroupBox2 = nullptr;  // Audio
  TspSkinStdLabel *lblSampleRate = nullptr, *lblChannel = nullptr, *lblAudioEncoder = nullptr,
                  *lblAudioBitRate = nullptr;
  TspSkinComboBox *cmbSampleRate = nullptr, *cmbChannel = nullptr, *cmbAudioEncoder = nullptr,
                  *cmbAudioBitRate = nullptr;
  TspSkinButton* spSkinButton1 = nullptr;  // OK
  TspSkinButton* spSkinButton2 = nullptr;  // Cancel
  TspSkinButton* spSkinButton3 = nullptr;  // Default

  // Loads the title and the eight boxes from the current format.
  void FillProfileSettings();

  void FormCreate();
  void FormShow(TObject* sender);
  void spSkinButton1Click(TObject* sender);
  void spSkinButton2Click(TObject* sender);
  void spSkinButton3Click(TObject* sender);

  // The skin of the window's controls (the main window's skin data).
  void SetSkinData(TspSkinData* skin);

  // What the window asks of the main window after OK: repaint the item
  // table. Unset: nothing.
  std::function<void()> OnItemsChanged;
  // The warning box; the main window points it at its skinned message box.
  // Unset: a skinned message box of the window's own.
  std::function<void(const std::string& text)> OnWarning;

protected:
  const char16_t* WindowClassName() const override { return u"Tsettingsform"; }

private:
  TFormat* CurrentFormat() const;
  void ShowWarning(const std::string& text);
  void SetClientSize(int width, int height);
};

extern Tsettingsform* settingsform;
