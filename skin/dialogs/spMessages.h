// Message boxes drawn by the skin library: each call builds a modal form in
// code (icon, message, one button per requested kind and, optionally, a
// "do not display this message again" box), shows it and returns the
// modal result.
#pragma once

#include <functional>
#include <string>

#include "framework/Dialogs.h"
#include "framework/ExtCtrls.h"
#include "framework/Forms.h"
#include "skin/controls/SkinDraw.h"
#include "skin/dialogs/SkinDialogBase.h"

class TspSkinData;
class TspSkinStdLabel;
class TspSkinCheckRadioBox;
class TspSkinButton;
class TCustomImageList;
class TspDynamicSkinForm;

// The form of one message box. X below -10000 centres it on the screen.
class TspMessageForm : public TForm {
public:
  TspMessageForm(TComponent* owner, int x, int y);
  TspDynamicSkinForm* DSF = nullptr;
  TspSkinCheckRadioBox* DisplayCheckBox = nullptr;
  TspSkinStdLabel* Message = nullptr;
  int HelpContext = 0;
  std::string HelpFile;

protected:
  const char16_t* WindowClassName() const override { return u"TspMessageForm"; }
};

class TspSkinMessage : public TspSkinDialogBase {
public:
  explicit TspSkinMessage(TComponent* owner);
  ~TspSkinMessage() override;

  bool ShowAgainFlag = false;
  // The remembered answer: the box starts unchecked when true; after the
  // box closes it is the negation of the box's state.
  bool ShowAgainFlagValue = false;
  std::string ButtonSkinDataName = "button";
  std::string MessageLabelSkinDataName = "stdlabel";
  TspFontDesc DefaultFont;
  TspFontDesc DefaultButtonFont;
  bool UseSkinFont = true;
  // Lets the owner move a positioned box before it shows.
  std::function<void(int& x, int& y, int width, int height)> OnSetShowPos;
  // Called with each box once it is built, before it shows (tests drive
  // the modal box from here).
  std::function<void(TspMessageForm* form)> OnBoxCreated;

  int MessageDlg(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx);
  int MessageDlgPos(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx, int x, int y);
  int MessageDlgHelp(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx,
                     const std::string& helpFileName);
  int MessageDlg2(const std::string& msg, const std::string& caption, TMsgDlgType type, TMsgDlgButtons buttons,
                  int helpCtx);
  int MessageDlgHelp2(const std::string& msg, const std::string& caption, TMsgDlgType type,
                      TMsgDlgButtons buttons, int helpCtx, const std::string& helpFileName);
  int CustomMessageDlg(const std::string& msg, const std::string& caption, TCustomImageList* images,
                       int imageIndex, TMsgDlgButtons buttons, int helpCtx);
  int CustomMessageDlgPos(const std::string& msg, const std::string& caption, TCustomImageList* images,
                          int imageIndex, TMsgDlgButtons buttons, int helpCtx, int x, int y);
  int CustomMessageDlgHelp(const std::string& msg, const std::string& caption, TCustomImageList* images,
                           int imageIndex, TMsgDlgButtons buttons, int helpCtx, const std::string& helpFileName);
  // Text given as UTF-16 in the original; ours is UTF-8 throughout. These
  // never show the check box.
  int WideMessageDlg(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx);
  int WideMessageDlgPos(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx, int x,
                        int y);

  // The caption of a button kind and of a box type as the box shows them.
  std::string ButtonCaption(TMsgDlgBtn button) const;
  std::string TypeCaption(TMsgDlgType type) const;

private:
  struct TBox;
  int Run(const TBox& box);
  std::string ResourceText(const char* key, const std::string& builtIn) const;
};
