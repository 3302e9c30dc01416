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
  TspSkinFileListBox* FileList() const;
  void SetFileList(TspSkinFileListBox* value);

protected:
  void Change() override;
  void CreateWnd() override;

private:
  void BuildItems();
  std::string FFilter = "All files (*.*)|*.*";
  TStringList FMaskList;
  bool FBuilt = false;
  TComponentRef<TspSkinFileListBox> FFileList{this};
};

// ---------------------------------------------------------------- linked file controls

#include "skin/controls/SkinListBox.h"

class TspSkinStdLabel;
class TEdit;
class TspSkinDirectoryListBox;
class TspSkinDriveComboBox;

enum TspFileAttr { spftReadOnly, spftHidden, spftSystem, spftVolumeID, spftDirectory, spftArchive, spftNormal };
using TspFileType = unsigned;  // bit n = TspFileAttr n
constexpr TspFileType FileTypeOf(std::initializer_list<TspFileAttr> attrs) {
  TspFileType t = 0;
  for (TspFileAttr a : attrs) t |= 1u << a;
  return t;
}
enum TTextCase { tcLowerCase, tcUpperCase };

// The files of one folder that match a mask (folders in brackets when the
// file type asks for them).
class TspSkinFileListBox : public TspSkinListBox {
public:
  explicit TspSkinFileListBox(TComponent* owner);
  ~TspSkinFileListBox() override;

  const std::string& Directory() const { return FDirectory; }
  void SetDirectory(const std::string& value);
  char Drive() const { return FDirectory.empty() ? 0 : FDirectory[0]; }
  void SetDrive(char value);
  const std::string& Mask() const { return FMask; }
  void SetMask(const std::string& value);
  TspFileType FileType() const { return FFileType; }
  void SetFileType(TspFileType value);
  TEdit* FileEdit() const;
  void SetFileEdit(TEdit* value);
  std::string FileName() { return GetFileName(); }
  TNotifyEvent OnChange;

  void Update() { ReadFileNames(); }
  virtual void ApplyFilePath(const std::string& editText);
  virtual void Change();
  virtual void ReadFileNames();
  virtual std::string GetFileName();

  // Links set from the other side.
  TComponentRef<TspSkinDirectoryListBox> DirList{this};
  TComponentRef<TspSkinFilterComboBox> FilterCombo{this};

protected:
  void CreateWnd() override;
  void ListBoxClick() override;

private:
  std::string FDirectory;
  std::string FMask = "*.*";
  TspFileType FFileType = FileTypeOf({spftNormal});
  TComponentRef<TEdit> FFileEdit{this};
  int FLastSel = -1;
};

// The path of the current folder, one indented item per level, then its
// sub-folders.
class TspSkinDirectoryListBox : public TspSkinListBox {
public:
  explicit TspSkinDirectoryListBox(TComponent* owner);
  ~TspSkinDirectoryListBox() override;

  const std::string& Directory() const { return FDirectory; }
  virtual void SetDirectory(const std::string& value);
  char Drive() const { return FDirectory.empty() ? 0 : FDirectory[0]; }
  void SetDrive(char value);
  TspSkinFileListBox* FileList() const;
  void SetFileList(TspSkinFileListBox* value);
  TspSkinStdLabel* DirLabel() const;
  void SetDirLabel(TspSkinStdLabel* value);
  TNotifyEvent OnChange;

  std::string DisplayCase(const std::string& s) const;
  int FileCompareText(const std::string& a, const std::string& b) const;
  std::string GetItemPath(int index) const;
  void OpenCurrent();
  void Update() { BuildList(); }
  virtual void Change();
  virtual void BuildList();
  // From the drive box: another drive.
  void DriveChange(char newDrive);
  // The indent of item `index` in pixels.
  int ItemIndent(int index) const;
  bool IsSubFolderItem(int index) const { return index > FCurrentIndex; }
  int CurrentIndex() const { return FCurrentIndex; }

  TComponentRef<TspSkinDriveComboBox> DriveCombo{this};

protected:
  void CreateWnd() override;
  void ListBoxDblClick() override;
  void ListBoxKeyDown(WORD& key, TShiftState shift) override;

private:
  void UpdateLabel();
  TComponentRef<TspSkinFileListBox> FFileList{this};
  TComponentRef<TspSkinStdLabel> FDirLabel{this};
  bool FInSetDir = false, FPreserveCase = true, FCaseSensitive = false;
  std::string FDirectory;
  int FCurrentIndex = 0;
};

// The drives present, with their volume labels.
class TspSkinDriveComboBox : public TspSkinComboBox {
public:
  explicit TspSkinDriveComboBox(TComponent* owner);
  ~TspSkinDriveComboBox() override;

  char Drive() const { return FDrive; }
  void SetDrive(char value);
  TTextCase TextCase() const { return FTextCase; }
  void SetTextCase(TTextCase value);
  TspSkinDirectoryListBox* DirList() const;
  void SetDirList(TspSkinDirectoryListBox* value);
  virtual void BuildList();

protected:
  void CreateWnd() override;

private:
  TComponentRef<TspSkinDirectoryListBox> FDirList{this};
  char FDrive = 0;
  TTextCase FTextCase = tcLowerCase;
};
