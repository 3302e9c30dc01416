// The mask edit: an edit whose text follows an edit mask such as
// "!90:00:00;1; ". Mask characters: '0' a required digit, '9' an optional
// digit, 'L'/'l' a letter, 'A'/'a' a letter or digit, 'C'/'c' any character
// (upper case required, lower case optional), '#' a digit or sign; ':' and
// '/' stand for the locale's time and date separators, '\' makes the next
// character a literal, '!', '>' and '<' are directives that take no place;
// every other character is a literal. After the first ';' comes whether the
// literals are part of the text (always kept here) and after the second the
// character that shows an empty place (blank by default).
#pragma once

#include <string>
#include <vector>

#include "framework/StdCtrls.h"
#include "framework/SysUtils.h"

class EInvalidMaskInput : public Exception {
public:
  explicit EInvalidMaskInput(const std::string& m) : Exception(m) {}
};

// The locale's time separator (':' when the locale gives none).
char16_t LocaleTimeSeparator();

class TCustomMaskEdit : public TCustomEdit {
public:
  explicit TCustomMaskEdit(TComponent* owner);

  const std::string& EditMask() const { return FEditMask; }
  void SetEditMask(const std::string& value);
  bool IsMasked() const { return !FPlaces.empty(); }
  void SetText(const std::string& value) override;
  char16_t BlankChar() const { return FBlank; }

  // Number of places of the mask; whether a place takes input.
  int MaskLength() const { return static_cast<int>(FPlaces.size()); }
  bool IsInputPlace(int index) const;
  // The first input place at or after `index`, -1 when none.
  int NextInputPlace(int index) const;
  // Whether `ch` may stand in input place `index`.
  bool CharFits(int index, char16_t ch) const;
  // The text with every input place blank.
  std::u16string BlankText() const;

  // Raises EInvalidMaskInput when a required place is blank. Called when
  // the edit loses the focus after the user changed it.
  virtual void ValidateEdit();

  void WndProc(TMessage& message) override;

protected:
  void DoExit() override;
  // One typed character at the caret; false when the mask refused it.
  bool InputChar(char16_t ch);
  void BlankSelection(bool backspace);
  void SetWideText(const std::u16string& text, int caret);
  std::u16string FormatToMask(const std::u16string& text) const;

private:
  struct TPlace {
    char16_t Ch;       // the mask character or the literal
    bool Literal;
  };
  std::string FEditMask;
  std::vector<TPlace> FPlaces;
  char16_t FBlank = u' ';
};

class TMaskEdit : public TCustomMaskEdit {
public:
  using TCustomMaskEdit::TCustomMaskEdit;
};
