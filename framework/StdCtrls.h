// Standard controls over the system's own window classes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "framework/Controls.h"
#include "framework/Graphics.h"
#include "framework/StringList.h"

enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

// Reflected colour requests of the system's edit and static windows: WParam
// is the DC, the answer a brush (0 = the parent's default).
constexpr UINT CN_CTLCOLOREDIT = CN_BASE + WM_CTLCOLOREDIT;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;

// The edit family: the system EDIT class under our window procedure. The
// text lives in the window once it exists; Text() reads it back from there.
// Positions (SelStart, SelLength) count UTF-16 units, as the window does.
class TCustomEdit : public TWinControl {
public:
  explicit TCustomEdit(TComponent* owner);
  ~TCustomEdit() override;

  std::string Text() const;
  virtual void SetText(const std::string& value);
  TNotifyEvent OnChange;

  int MaxLength() const { return FMaxLength; }
  void SetMaxLength(int value);
  int SelStart() const;
  void SetSelStart(int value);
  int SelLength() const;
  void SetSelLength(int value);
  std::string SelText() const;
  void SetSelText(const std::string& value);
  void SelectAll();
  bool CanUndo() const;
  void Undo();
  void ClearSelection();
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  bool Modified() const;
  void SetModified(bool value);

  bool AutoSelect = true;
  char16_t PasswordChar() const { return FPasswordChar; }
  void SetPasswordChar(char16_t value);
  bool BorderVisible() const { return FBorder; }
  void SetBorderVisible(bool value);

  // The font the window shows; a change goes to the window at once.
  TFont* Font() { return &FFont; }

  // Makes the window again with the present parameters, keeping the text.
  void RecreateWnd();

  void WndProc(TMessage& message) override;

protected:
  void CreateParams(TCreateParams& params) override;
  void CreateWindowHandle(const TCreateParams& params) override;
  void DoEnter() override;
  // The text changed (the window's EN_CHANGE).
  virtual void Change();
  virtual void FontChanged();
  // The text of the window, or the stored one while there is none.
  std::u16string WideText() const;

  TFont FFont;
  int FMaxLength = 0;
  char16_t FPasswordChar = 0;
  bool FBorder = true;
  bool FRecreating = false;
};

class TEdit : public TCustomEdit {
public:
  // The plain edit keeps the caret where the program puts it on focus (the
  // grid's editor places it itself).
  explicit TEdit(TComponent* owner) : TCustomEdit(owner) { AutoSelect = false; }
};

class TMemo;

// The lines of a memo, read from and written to its window.
class TMemoStrings : public TStrings {
public:
  explicit TMemoStrings(TMemo* memo) : FMemo(memo) {}
  int Count() const override;
  const std::string& Get(int index) const override;
  void Put(int index, const std::string& s) override;
  TObject* Objects(int) const override { return nullptr; }
  void PutObject(int, TObject*) override {}
  void Insert(int index, const std::string& s) override;
  void Delete(int index) override;
  void Clear() override;

private:
  std::vector<std::string> Split() const;
  void Join(const std::vector<std::string>& lines);
  TMemo* FMemo;
  mutable std::string FLast;
};

// A multi-line edit with its lines.
class TMemo : public TCustomEdit {
public:
  explicit TMemo(TComponent* owner);

  TStrings* Lines() { return &FLines; }
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);
  // 0 left, 1 right, 2 centred (the order of the skin library's TAlignment).
  int TextAlignment() const { return FAlignment; }
  void SetTextAlignment(int value);
  // Line of a character position, and the first line shown.
  int CaretLine() const;
  int FirstVisibleLine() const;

protected:
  void CreateParams(TCreateParams& params) override;

  TScrollStyle FScrollBars = ssNone;
  bool FWordWrap = true;
  int FAlignment = 0;

private:
  TMemoStrings FLines{this};
};
