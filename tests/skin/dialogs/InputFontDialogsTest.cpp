// The input box and the font dialog, each driven from inside its modal loop.
#include "support/gtest.h"

#include <windows.h>

#include <memory>
#include <string>

#include "ModalScript.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinComboBox.h"
#include "skin/controls/SkinEdits.h"
#include "skin/controls/SkinFontCombos.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/SkinPanel.h"
#include "skin/controls/SkinSpin.h"
#include "skin/dialogs/spColorButton.h"
#include "skin/dialogs/spDialogs.h"

namespace {

template <class T>
T* Part(TComponent* form, const std::string& name) {
  return dynamic_cast<T*>(form->FindComponent(name));
}

// A press and release of the left button over a windowless control.
void ClickOn(TForm* form, TControl* control) {
  const int x = control->Left() + control->Width() / 2, y = control->Top() + control->Height() / 2;
  SendMessageW(form->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
  SendMessageW(form->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  SendMessageW(form->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

struct TInputRun {
  TspSkinInputDialog dialog{nullptr};
  std::unique_ptr<TModalScript> script;
  void Script(std::function<void(TForm*)> step) {
    dialog.OnFormCreated = [this, step](TForm* form) {
      script = std::make_unique<TModalScript>(form, [step, form] { step(form); });
    };
  }
};

}  // namespace

TEST(InputBox, CancelGivesTheDefaultAndOkTheText) {
  struct Case {
    const char* what;
    const char* typed;  // nullptr: left as it is
    int result;
    const char* answer;
  } cases[] = {
      {"cancel after typing", "Something else", mrCancel, "My profile"},
      {"ok unchanged", nullptr, mrOk, "My profile"},
      {"ok with a new name", "Phone video", mrOk, "Phone video"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TInputRun run;
    std::string shown;
    run.Script([&](TForm* form) {
      auto* edit = Part<TspSkinEdit>(form, "Edit");
      shown = edit->Text();
      if (c.typed) edit->SetText(c.typed);
      form->ModalResult = c.result;
    });
    EXPECT_EQ(c.answer, run.dialog.InputBox("Save profile", "Profile name:", "My profile"));
    EXPECT_EQ("My profile", shown);
    EXPECT_FALSE(run.script->TimedOut);
  }
  // InputQuery leaves the value alone unless confirmed.
  TInputRun run;
  run.Script([](TForm* form) { form->ModalResult = mrCancel; });
  std::string value = "kept";
  EXPECT_FALSE(run.dialog.InputQuery("Rename", "New name:", value));
  EXPECT_EQ("kept", value);
}

TEST(InputBox, ALongPromptWrapsAndMovesTheEditAndButtonsDown) {
  TInputRun run;
  int labelHeight = 0, lineHeight = 0, editTop = 0, labelBottom = 0, buttonTop = 0, editBottom = 0, clientHeight = 0,
      cancelBottom = 0, labelWidth = 0, maxWidth = 0;
  size_t typedLength = 0;
  run.Script([&](TForm* form) {
    auto* label = Part<TspSkinStdLabel>(form, "Prompt");
    auto* edit = Part<TspSkinEdit>(form, "Edit");
    auto* ok = Part<TspSkinButton>(form, "OkButton");
    auto* cancel = Part<TspSkinButton>(form, "CancelButton");
    labelHeight = label->Height();
    labelWidth = label->Width();
    maxWidth = edit->Width();  // both are 164 dialog units wide at most
    labelBottom = label->Top() + label->Height();
    editTop = edit->Top();
    editBottom = edit->Top() + edit->Height();
    buttonTop = ok->Top();
    EXPECT_EQ(ok->Top(), cancel->Top());
    cancelBottom = cancel->Top() + cancel->Height();
    clientHeight = form->ClientHeight();
    // The edit takes at most 255 characters.
    edit->SetText("");
    for (int i = 0; i < 300; ++i) SendMessageW(edit->Handle(), WM_CHAR, 'x', 0);
    typedLength = edit->Text().size();
    HDC dc = GetDC(nullptr);
    TEXTMETRICW tm{};
    HFONT f = label->Font.Create();
    HGDIOBJ old = SelectObject(dc, f);
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    DeleteObject(f);
    ReleaseDC(nullptr, dc);
    lineHeight = tm.tmHeight;
    form->ModalResult = mrCancel;
  });
  run.dialog.InputBox("Rename",
                      "Please give the new custom profile a name that describes the settings it keeps for the "
                      "videos you convert with it",
                      "");
  EXPECT_GE(labelHeight, 2 * lineHeight) << "the prompt wrapped";
  EXPECT_LE(labelWidth, maxWidth);
  EXPECT_EQ(labelBottom + 5, editTop);
  EXPECT_EQ(editBottom + 15, buttonTop);
  EXPECT_EQ(cancelBottom + 13, clientHeight);
  EXPECT_EQ(255u, typedLength);
}

namespace {

struct TFontRun {
  TspSkinFontDialog dialog{nullptr};
  std::unique_ptr<TModalScript> script;
  void Script(std::function<void(TspFontDlgForm*)> step) {
    dialog.OnFormCreated = [this, step](TspFontDlgForm* form) {
      script = std::make_unique<TModalScript>(form, [step, form] { step(form); });
    };
  }
};

}  // namespace

TEST(FontDialog, BoldItalicAndSize12ComeBackOnOkWithOneChange) {
  TFontRun run;
  run.dialog.Font()->SetName("Liberation Sans");
  run.dialog.Font()->SetSize(9);
  int changes = 0;
  run.dialog.OnChange = [&](TObject*) { ++changes; };
  bool bothDown = false;
  unsigned sampleStyle = 0;
  run.Script([&](TspFontDlgForm* form) {
    ClickOn(form, form->BoldButton);
    ClickOn(form, form->ItalicButton);
    bothDown = form->BoldButton->Down() && form->ItalicButton->Down();
    sampleStyle = form->FontExampleLabel->Font.Style();
    const int i = form->FontSizeEdit->Items()->IndexOf("12");
    ASSERT_GE(i, 0);
    form->FontSizeEdit->SetItemIndex(i);
    EXPECT_EQ(-16, form->FontHeightEdit->Value()) << "the height box follows the size";
    form->ModalResult = mrOk;
  });
  ASSERT_TRUE(run.dialog.Execute());
  EXPECT_FALSE(run.script->TimedOut);
  EXPECT_TRUE(bothDown) << "the style buttons toggle on their own";
  EXPECT_EQ(fsBold | fsItalic, sampleStyle);
  EXPECT_EQ(fsBold | fsItalic, run.dialog.Font()->Style());
  EXPECT_EQ(12, run.dialog.Font()->Size());
  EXPECT_EQ("Liberation Sans", run.dialog.Font()->Name());
  EXPECT_EQ(1, changes);
}

TEST(FontDialog, CancelLeavesTheFontAndABoldItalicFontOpensPressed) {
  TFontRun run;
  run.dialog.Font()->SetStyle(fsBold | fsItalic);
  run.dialog.Font()->SetColor(0x0000FF);
  int changes = 0;
  run.dialog.OnChange = [&](TObject*) { ++changes; };
  bool bold = false, italic = false, underline = true;
  TColor buttonColour = -1;
  run.Script([&](TspFontDlgForm* form) {
    bold = form->BoldButton->Down();
    italic = form->ItalicButton->Down();
    underline = form->UnderLineButton->Down();
    buttonColour = form->FontColorBox->ColorValue();
    ClickOn(form, form->BoldButton);
    EXPECT_EQ(unsigned(fsItalic), form->FontExampleLabel->Font.Style());
    form->ModalResult = mrCancel;
  });
  EXPECT_FALSE(run.dialog.Execute());
  EXPECT_TRUE(bold);
  EXPECT_TRUE(italic);
  EXPECT_FALSE(underline);
  EXPECT_EQ(0x0000FF, buttonColour);
  EXPECT_EQ(fsBold | fsItalic, run.dialog.Font()->Style());
  EXPECT_EQ(0, changes);
}

TEST(FontDialog, LayoutWithAndWithoutTheScriptList) {
  struct Case {
    bool showScript;
    int charset;
    int exampleTop, panelTop, buttonTop, clientHeight;
    const char* entry;
  } cases[] = {
      {false, 0, 148, 165, 235, 270, "ANSI_CHARSET"},
      {true, 77, 193, 210, 280, 310, "MAC_CHARSET"},
      {true, 100, 193, 210, 280, 310, "DEFAULT_CHARSET"},  // not in the table
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.charset));
    TFontRun run;
    run.dialog.ShowScript = c.showScript;
    run.dialog.Font()->SetCharset(c.charset);
    run.Script([&](TspFontDlgForm* form) {
      EXPECT_EQ(c.exampleTop, form->FontExLabel->Top());
      EXPECT_EQ(c.panelTop, form->FontExamplePanel->Top());
      EXPECT_EQ(c.buttonTop, form->OkButton->Top());
      EXPECT_EQ(c.buttonTop, form->CancelButton->Top());
      EXPECT_EQ(260, form->ClientWidth());
      EXPECT_EQ(c.clientHeight, form->ClientHeight());
      EXPECT_EQ(c.showScript, form->ScriptComboBox->Visible());
      EXPECT_EQ(c.showScript, form->ScriptLabel->Visible());
      EXPECT_EQ(c.entry, form->ScriptComboBox->Text());
      EXPECT_FALSE(form->FontColorBox->ShowAutoColor) << "the colour button has no automatic item";
      EXPECT_EQ(17, form->FontColorBox->ColorMenu()->ImagesItems()->Count());
      form->ModalResult = mrCancel;
    });
    run.dialog.Execute();
  }
}

TEST(FontDialog, SizeAndHeightBoxesAreNeverBothShown) {
  TspSkinFontDialog dialog(nullptr);
  EXPECT_TRUE(dialog.ShowSizeEdit());
  EXPECT_FALSE(dialog.ShowHeightEdit());
  dialog.SetShowHeightEdit(true);
  EXPECT_FALSE(dialog.ShowSizeEdit());
  EXPECT_TRUE(dialog.ShowHeightEdit());
  dialog.SetShowSizeEdit(true);
  EXPECT_FALSE(dialog.ShowHeightEdit());
  dialog.SetShowHeightEdit(true);

  // The height box drives the size of the sample.
  std::unique_ptr<TModalScript> script;
  bool sizeShown = true, heightShown = false;
  dialog.Font()->SetName("Liberation Sans");
  dialog.OnFormCreated = [&](TspFontDlgForm* form) {
    script = std::make_unique<TModalScript>(form, [&, form] {
      sizeShown = form->FontSizeEdit->Visible();
      heightShown = form->FontHeightEdit->Visible();
      form->FontHeightEdit->SetValue(-32);
      form->ModalResult = mrOk;
    });
  };
  ASSERT_TRUE(dialog.Execute());
  EXPECT_FALSE(sizeShown);
  EXPECT_TRUE(heightShown);
  EXPECT_EQ(-32, dialog.Font()->Height());
  EXPECT_EQ(24, dialog.Font()->Size());

  EXPECT_EQ(1, CharsetToEntry(100));
  EXPECT_EQ(17, CharsetToEntry(77));
  EXPECT_EQ(1, EntryToCharset(-1));
  EXPECT_EQ(186, EntryToCharset(18));
}

TEST(FontDialog, TheNameScriptAndColourChangeTheSample) {
  TFontRun run;
  run.dialog.ShowScript = true;
  run.dialog.Font()->SetName("Liberation Sans");
  run.dialog.Font()->SetSize(14);
  std::string sizeShown;
  run.Script([&](TspFontDlgForm* form) {
    form->FontNameBox->SetFontName("Liberation Serif");
    sizeShown = form->FontSizeEdit->Text();
    form->ScriptComboBox->SetItemIndex(17);
    // A colour from the button's menu.
    form->FontColorBox->ColorMenu()->ItemIndex = 10;
    form->FontColorBox->ColorMenuItemClick();
    form->ModalResult = mrOk;
  });
  ASSERT_TRUE(run.dialog.Execute());
  EXPECT_EQ("Liberation Serif", run.dialog.Font()->Name());
  EXPECT_EQ("14", sizeShown) << "the size box is refilled for the face and keeps the size";
  EXPECT_EQ(14, run.dialog.Font()->Size());
  EXPECT_EQ(77, run.dialog.Font()->Charset());
  EXPECT_EQ(0x0000FF, run.dialog.Font()->Color()) << "red";
}
