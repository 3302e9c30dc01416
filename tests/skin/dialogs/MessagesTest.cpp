// The skinned message box: layout from the message and the buttons, the
// default and cancel buttons, the "do not display again" box, and the
// variants' captions and icons. Each box is driven from inside its modal
// loop through OnBoxCreated.
#include "support/gtest.h"

#include <windows.h>

#include <functional>
#include <string>

#include "framework/ImgList.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinCheckRadio.h"
#include "skin/controls/SkinLabels.h"
#include "skin/dialogs/spMessages.h"

namespace {

template <class T>
T* Part(TComponent* form, const std::string& name) {
  return dynamic_cast<T*>(form->FindComponent(name));
}

// A key pressed on the box once its loop runs.
void PostKey(TspMessageForm* form, WPARAM key) {
  auto* focused = form->ActiveControl();
  HWND target = focused ? focused->Handle() : form->Handle();
  PostMessageW(target, WM_KEYDOWN, key, 0);
  PostMessageW(target, WM_KEYUP, key, 0xC0000001);
}

// Lets the test look at a box, then answers it with `key`.
struct TScript {
  TspSkinMessage box{nullptr};
  std::function<void(TspMessageForm*)> look;
  WPARAM key = VK_ESCAPE;
  TScript() {
    box.OnBoxCreated = [this](TspMessageForm* f) {
      if (look) look(f);
      PostKey(f, key);
    };
  }
};

}  // namespace

TEST(SkinMessage, LayoutFollowsTheMessageAndTheButtonRow) {
  TScript s;
  s.key = VK_RETURN;
  int cw = 0, ch = 0;
  s.look = [&](TspMessageForm* f) {
    auto* label = f->Message;
    ASSERT_TRUE(label);
    EXPECT_EQ(50, label->Left());
    EXPECT_EQ(15, label->Top());
    cw = f->ClientWidth();
    ch = f->ClientHeight();
    EXPECT_EQ(std::max(70, 50 + label->Width()) + 40, cw);
    EXPECT_EQ(25 + label->Height() + 50, ch);
    auto* ok = Part<TspSkinButton>(f, "OK");
    ASSERT_TRUE(ok);
    EXPECT_EQ((cw - 70) / 2, ok->Left());
    EXPECT_EQ(ch - 35, ok->Top());
    EXPECT_EQ(70, ok->Width());
    EXPECT_EQ(25, ok->Height());
    EXPECT_EQ("Information", f->Caption());
    auto* image = Part<TImage>(f, "Image");
    ASSERT_TRUE(image);
    EXPECT_EQ(5, image->Left());
    // A one-line label is shorter than the icon: the icon keeps top 10.
    EXPECT_EQ(10, image->Top());
  };
  EXPECT_EQ(mrOk, s.box.MessageDlg("The file was converted without errors.", mtInformation,
                                   MsgDlgButton(mbOK), 0));
  EXPECT_GT(cw, 0);
}

TEST(SkinMessage, DefaultAndCancelButtonsFollowTheRequestedKinds) {
  const struct {
    TMsgDlgButtons buttons;
    WPARAM key;
    int result;
    const char* defaultName;
    int rowWidth;
  } cases[] = {
      {MsgDlgButtons({mbYes, mbNo, mbCancel}), VK_ESCAPE, mrCancel, "Yes", 230},
      {MsgDlgButtons({mbYes, mbNo, mbCancel}), VK_RETURN, mrYes, "Yes", 230},
      {MsgDlgButtons({mbYes, mbNo}), VK_ESCAPE, mrNo, "Yes", 150},
      {MsgDlgButtons({mbOK, mbCancel}), VK_RETURN, mrOk, "OK", 150},
      {MsgDlgButtons({mbAbort, mbRetry, mbIgnore}), VK_RETURN, mrRetry, "Retry", 230},
      {0, VK_ESCAPE, mrOk, "OK", 70},  // no buttons asked: OK, so the box can close
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.defaultName + std::to_string(c.buttons));
    TScript s;
    s.key = c.key;
    s.look = [&](TspMessageForm* f) {
      auto* d = Part<TspSkinButton>(f, c.defaultName);
      ASSERT_TRUE(d);
      EXPECT_TRUE(d->Default());
      // The row is centred: its first button starts where a row of this
      // width would.
      int first = INT32_MAX;
      for (int i = 0; i < f->ComponentCount(); ++i)
        if (auto* b = dynamic_cast<TspSkinButton*>(f->Components(i))) first = std::min(first, b->Left());
      EXPECT_EQ((f->ClientWidth() - c.rowWidth) / 2, first);
    };
    EXPECT_EQ(c.result, s.box.MessageDlg("Some items are already converted. Convert them again?", mtWarning,
                                         c.buttons, 0));
  }
}

TEST(SkinMessage, TheIconFollowsAThreeLineMessagesMiddle) {
  TScript s;
  s.look = [&](TspMessageForm* f) {
    auto* image = Part<TImage>(f, "Image");
    ASSERT_TRUE(image);
    EXPECT_EQ(std::max(10, f->Message->Top() + f->Message->Height() / 2 - 16), image->Top());
    EXPECT_GT(f->Message->Height(), 32);
    EXPECT_EQ("Error", f->Caption());
  };
  s.box.MessageDlg("First line\r\nSecond line\r\nThird line\r\nFourth line", mtError, MsgDlgButton(mbOK), 0);
}

TEST(SkinMessage, TheDoNotShowAgainBoxCarriesTheAnswer) {
  TScript s;
  s.box.ShowAgainFlag = true;
  s.box.ShowAgainFlagValue = false;
  s.key = VK_RETURN;
  s.look = [&](TspMessageForm* f) {
    ASSERT_TRUE(f->DisplayCheckBox);
    EXPECT_TRUE(f->DisplayCheckBox->Checked());
    EXPECT_EQ("Do not display this message again", f->DisplayCheckBox->Caption());
    EXPECT_EQ(f->ClientHeight() - 25 - 50, f->DisplayCheckBox->Top());
    EXPECT_GE(f->ClientWidth(), f->DisplayCheckBox->Width() + 5);
    f->DisplayCheckBox->SetChecked(false);
  };
  EXPECT_EQ(mrOk, s.box.MessageDlg("Saved.", mtInformation, MsgDlgButton(mbOK), 0));
  EXPECT_TRUE(s.box.ShowAgainFlagValue);
  // The wide variants never show it.
  s.look = [&](TspMessageForm* f) { EXPECT_FALSE(f->DisplayCheckBox); };
  s.box.WideMessageDlg("Saved.", mtInformation, MsgDlgButton(mbOK), 0);
  EXPECT_TRUE(s.box.ShowAgainFlagValue);
}

TEST(SkinMessage, HelpNeverClosesTheBox) {
  TScript s;
  s.key = VK_ESCAPE;
  s.look = [&](TspMessageForm* f) {
    auto* help = Part<TspSkinButton>(f, "Help");
    ASSERT_TRUE(help);
    EXPECT_EQ(mrNone, help->ModalResult);
    help->ButtonClick();
    EXPECT_EQ(mrNone, f->ModalResult);
  };
  EXPECT_EQ(mrCancel, s.box.MessageDlg("Need help?", mtConfirmation, MsgDlgButtons({mbOK, mbCancel, mbHelp}), 0));
}

TEST(SkinMessage, CaptionsAndIconsOfTheVariants) {
  Application->Title = "Tessavane";
  TImageList images(nullptr);
  images.SetWidth(16);
  images.SetHeight(16);
  struct Case {
    const char* what;
    std::function<int(TspSkinMessage&)> call;
    std::string caption;
    bool icon;
  } cases[] = {
      {"custom type", [](TspSkinMessage& m) { return m.MessageDlg("x", mtCustom, MsgDlgButton(mbOK), 0); },
       "Tessavane", false},
      {"own caption", [](TspSkinMessage& m) { return m.MessageDlg2("x", "Careful", mtWarning, MsgDlgButton(mbOK), 0); },
       "Careful", true},
      {"image outside the list",
       [&](TspSkinMessage& m) { return m.CustomMessageDlg("x", "Pictures", &images, 3, MsgDlgButton(mbOK), 0); },
       "Pictures", false},
      {"no image list",
       [](TspSkinMessage& m) { return m.CustomMessageDlg("x", "Pictures", nullptr, 0, MsgDlgButton(mbOK), 0); },
       "Pictures", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TScript s;
    s.look = [&](TspMessageForm* f) {
      EXPECT_EQ(c.caption, f->Caption());
      EXPECT_EQ(c.icon, Part<TImage>(f, "Image") != nullptr);
      EXPECT_EQ(50, f->Message->Left());
    };
    c.call(s.box);
  }
}

TEST(SkinMessage, APositionedBoxCanBeMovedByItsOwner) {
  TScript s;
  s.box.OnSetShowPos = [](int& x, int& y, int, int) {
    x += 7;
    y += 9;
  };
  s.look = [&](TspMessageForm* f) {
    EXPECT_EQ(107, f->Left());
    EXPECT_EQ(129, f->Top());
  };
  s.box.MessageDlgPos("Here.", mtInformation, MsgDlgButton(mbOK), 0, 100, 120);
}

#include "skin/data/SkinData.h"
#include "skin/data/spSkinElements.h"

TEST(SkinMessage, TheSkinGivesTheButtonHeightAndTheCaptions) {
  TspSkinData skin(nullptr);
  auto button = std::make_unique<TspDataSkinButtonControl>("button");
  button->SkinRect = TspRect{0, 0, 60, 31};
  skin.CtrlList.push_back(std::move(button));
  skin.Empty = false;
  TspResourceStrData strings(nullptr);
  strings.ResStrings = {"MSG_BTN_YES=&Sí", "MSG_CAP_WARNING=Aviso"};
  skin.SetResourceStrData(&strings);

  TScript s;
  s.box.SetCtrlSkinData(&skin);
  s.look = [&](TspMessageForm* f) {
    EXPECT_EQ("Aviso", f->Caption());
    auto* yes = Part<TspSkinButton>(f, "Yes");
    auto* no = Part<TspSkinButton>(f, "No");
    ASSERT_TRUE(yes && no);
    EXPECT_EQ("&Sí", yes->Caption());
    EXPECT_EQ("&No", no->Caption());  // no string in the skin: the built-in one
    EXPECT_EQ(31, yes->Height());
    EXPECT_EQ(f->ClientHeight() - 31 - 10, yes->Top());
    EXPECT_EQ(31 + f->Message->Height() + 50, f->ClientHeight());
  };
  EXPECT_EQ(mrNo, s.box.MessageDlg("Unjoin all?", mtWarning, MsgDlgButtons({mbYes, mbNo}), 0));
  skin.SetResourceStrData(nullptr);
}
