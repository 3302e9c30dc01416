// Plain file-system helpers shared by the file controls (folder tests,
// path joining and shortening, volume texts, splitting a typed path) and
// the filter box: a skinned combo box offering named masks from a filter
// text such as "Image files|*.jpg;*.png;*.bmp".
#pragma once

#include <string>

#include "framework/Graphics.h"
#include "framework/SysUtils.h"
#include "framework/StringList.h"
#include "skin/controls/SkinComboBox.h"

bool FolderExists(const std::string& name);
std::string JoinPath(const std::string& folder, const std::string& name);
// Replaces the first folder of a path by "...\" (see MinimizePathName).
void CutFirstFolder(std::string& path);
// Shortens a file name folder by folder from the left until it fits
// `maxWidth` on the canvas ("C:\...\b\c\name").
std::string MinimizePathName(const std::string& fileName, TCanvas* canvas, int maxWidth);
// "[label]" of a drive (lower-cased for a lower-case letter, else
// upper-cased); "[]" when the volume cannot be read.
std::string VolumeLabelText(char drive);
std::string NetworkVolumeText(char drive);
// Splits a typed path into drive letter (0 when none), folder part and file
// part against the process's current directory, which is restored after.
// A failed directory change raises EInOutError.
void ProcessPath(const std::string& editText, char& drive, std::string& dirPart, std::string& filePart);

class EInOutError : public Exception {
public:
  explicit EInOutError(const std::string& m) : Exception(m) {}
};

class TspSkinFileListBox;

// Named masks from `Filter` ("name|mask|name|mask"). The entries are built
// as soon as the filter is assigned, so an ItemIndex set before the window
// exists applies.
class TspSkinFilterComboBox : public TspSkinComboBox {
public:
  explicit TspSkinFilterComboBox(TComponent* owner);
  ~TspSkinFilterComboBox() override;

  const std::string& Filter() const { return FFilter; }
  void SetFilter(const std::string& value);
  // The selected entry's mask; with nothing selected the last entry is
  // selected first; without entries "*.*".
  std::string Mask();
  TStringList* MaskList() { return &FMaskList; }

protected:
  void Change() override;
  void CreateWnd() override;

private:
  void BuildItems();
  std::string FFilter = "All files (*.*)|*.*";
  TStringList FMaskList;
  bool FBuilt = false;
};
