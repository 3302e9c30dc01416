#include "skin/dialogs/spMessages.h"

#include <windows.h>

#include <algorithm>
#include <memory>

#include "framework/ImgList.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinCheckRadio.h"
#include "skin/controls/SkinLabels.h"
#include "skin/controls/spDialogForm.h"
#include "skin/data/SkinData.h"
#include "skin/data/spSkinElements.h"
#include "skin/frame/DynamicSkinForm.h"

namespace {

struct TButtonKind {
  const char* name;
  const char* caption;
  const char* key;
  int result;
};

const TButtonKind buttonKinds[MsgDlgBtnCount] = {
    {"Yes", "&Yes", "MSG_BTN_YES", mrYes},
    {"No", "&No", "MSG_BTN_NO", mrNo},
    {"OK", "OK", "MSG_BTN_OK", mrOk},
    {"Cancel", "Cancel", "MSG_BTN_CANCEL", mrCancel},
    {"Abort", "&Abort", "MSG_BTN_ABORT", mrAbort},
    {"Retry", "&Retry", "MSG_BTN_RETRY", mrRetry},
    {"Ignore", "&Ignore", "MSG_BTN_IGNORE", mrIgnore},
    {"All", "&All", "MSG_BTN_ALL", mrAll},
    {"NoToAll", "N&oToAll", "MSG_BTN_NOTOALL", mrNoToAll},
    {"YesToAll", "&YesToAll", "MSG_BTN_YESTOALL", mrYesToAll},
    {"Help", "&Help", "MSG_BTN_HELP", mrNone},
    {"Close", "Close", "MSG_BTN_CLOSE", mrClose},
};

struct TTypeKind {
  const char* caption;
  const char* key;
  LPCWSTR icon;
};

const TTypeKind typeKinds[] = {
    {"Warning", "MSG_CAP_WARNING", IDI_EXCLAMATION},
    {"Error", "MSG_CAP_ERROR", IDI_HAND},
    {"Information", "MSG_CAP_INFORMATION", IDI_ASTERISK},
    {"Confirm", "MSG_CAP_CONFIRM", IDI_QUESTION},
    {nullptr, nullptr, nullptr},
};

constexpr int ButtonWidth = 70, ButtonSpacing = 10;

// A text's width in the given font.
int TextWidth(const TspFontDesc& font, const std::string& text) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT f = font.Create();
  HGDIOBJ old = SelectObject(dc, f);
  const std::u16string w = UTF8ToUTF16(text);
  SIZE size{};
  GetTextExtentPoint32W(dc, reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<int>(w.size()), &size);
  SelectObject(dc, old);
  DeleteObject(f);
  DeleteDC(dc);
  return size.cx;
}

}  // namespace

// ---- the form --------------------------------------------------------------

// A box to be centred is placed once its size is known.
TspMessageForm::TspMessageForm(TComponent* owner, int x, int y) : TForm(owner) {
  SetBorderStyle(bsDialog);
  KeyPreview = true;
  SetBounds(x < -10000 ? 0 : x, x < -10000 ? 0 : y, 200, 100);
  DSF = new TspDynamicSkinForm(this);
  DSF->SetBorderIcons(0);
}

// ---- the component ---------------------------------------------------------

struct TspSkinMessage::TBox {
  std::string msg;
  std::string caption;
  bool customCaption = false;
  TMsgDlgType type = mtCustom;
  TCustomImageList* images = nullptr;
  int imageIndex = -1;
  bool imageVariant = false;
  TMsgDlgButtons buttons = 0;
  int helpCtx = 0;
  std::string helpFile;
  bool positioned = false;
  int x = -10001, y = -10001;
  bool showPosEvent = false;
  bool checkBoxAllowed = true;
};

TspSkinMessage::TspSkinMessage(TComponent* owner) : TspSkinDialogBase(owner) {}

TspSkinMessage::~TspSkinMessage() = default;

std::string TspSkinMessage::ResourceText(const char* key, const std::string& builtIn) const {
  if (FCtrlSD && FCtrlSD->ResourceStrData()) {
    const std::string s = FCtrlSD->ResourceStrData()->GetResStr(key);
    if (!s.empty()) return s;
  }
  return builtIn;
}

std::string TspSkinMessage::ButtonCaption(TMsgDlgBtn button) const {
  return ResourceText(buttonKinds[button].key, buttonKinds[button].caption);
}

std::string TspSkinMessage::TypeCaption(TMsgDlgType type) const {
  if (type == mtCustom) return Application ? Application->Title : "";
  return ResourceText(typeKinds[type].key, typeKinds[type].caption);
}

int TspSkinMessage::Run(const TBox& box) {
  // A box without buttons could not be closed: it gets OK.
  const TMsgDlgButtons buttons = box.buttons ? box.buttons : MsgDlgButton(mbOK);
  std::unique_ptr<TspMessageForm> form(new TspMessageForm(Application, box.x, box.y));
  form->SetName("MessageForm");
  form->HelpContext = box.helpCtx;
  form->HelpFile = box.helpFile;
  SkinFrame(form->DSF);

  int buttonHeight = 25;
  if (FCtrlSD && !FCtrlSD->Empty) {
    const int i = FCtrlSD->GetControlIndex(ButtonSkinDataName);
    if (i >= 0 && i < static_cast<int>(FCtrlSD->CtrlList.size()))
      if (auto* b = dynamic_cast<TspDataSkinButtonControl*>(FCtrlSD->CtrlList[i].get()))
        buttonHeight = b->SkinRect.Bottom - b->SkinRect.Top;
  }
  int n = 0;
  for (int k = 0; k < MsgDlgBtnCount; ++k)
    if (HasButton(buttons, static_cast<TMsgDlgBtn>(k))) ++n;
  const int rowWidth = n ? ButtonWidth * n + ButtonSpacing * (n - 1) : 0;

  form->SetCaption(box.customCaption ? box.caption : TypeCaption(box.type));

  TspSkinStdLabel* label = MakeSkinnedLabel(form.get(), "Message", DefaultFont, UseSkinFont, MessageLabelSkinDataName);
  label->SetAutoSize(true);
  label->SetBounds(50, 15, 0, 0);
  label->SetParent(form.get());
  label->SetCaption(box.msg);
  label->AdjustBounds();
  form->Message = label;
  const int textRight = label->Left() + label->Width();

  // The icon beside the message's middle.
  const int iconTop = label->Top() + label->Height() / 2 - 16;
  if (!box.imageVariant) {
    if (box.type != mtCustom) {
      auto* image = new TImage(form.get());
      image->SetName("Image");
      auto icon = std::make_unique<TIcon>();
      icon->SetHandle(CopyIcon(LoadIconW(nullptr, typeKinds[box.type].icon)));
      image->Picture()->SetGraphic(icon.get());
      image->SetBounds(5, std::max(10, iconTop), 32, 32);
      image->SetParent(form.get());
    }
  } else if (box.images && box.imageIndex >= 0 && box.imageIndex < box.images->Count()) {
    auto* image = new TImage(form.get());
    image->SetName("Image");
    TIcon icon;
    box.images->GetIcon(box.imageIndex, &icon);
    image->Picture()->SetGraphic(&icon);
    image->Transparent = true;
    image->SetBounds(5, iconTop, box.images->Width(), box.images->Height());
    image->SetParent(form.get());
  }

  int clientHeight = buttonHeight + label->Height() + 50;
  int clientWidth = std::max(rowWidth, textRight) + 40;

  if (ShowAgainFlag && box.checkBoxAllowed) {
    clientHeight += 40;
    auto* check = new TspSkinCheckRadioBox(form.get());
    check->SetName("checkbox");
    check->SetChecked(!ShowAgainFlagValue);
    check->SetDefaultFont(DefaultFont);
    check->UseSkinFont = UseSkinFont;
    check->SetSkinData(FCtrlSD);
    const int top = clientHeight - buttonHeight - 50;
    std::string text = ResourceText("MSG_CAP_SHOWFLAG", "Do not display this message again");
    if (text.empty()) text = "Do not display this message again";
    check->SetCaption(text);
    TspFontDesc measure = DefaultFont;
    if (check->SkinIndex() != -1 && UseSkinFont)
      if (auto* e = dynamic_cast<TspDataSkinCheckRadioControl*>(FCtrlSD->CtrlList[check->SkinIndex()].get())) {
        measure.Name = e->FontName;
        measure.Height = e->FontHeight;
      }
    const int textWidth = TextWidth(measure, text);
    if (clientWidth < textWidth + 60) clientWidth = textWidth + 60;
    check->SetBounds(5, top, textWidth + 55, 30);
    check->SetParent(form.get());
    form->DisplayCheckBox = check;
  }

  spSetClientSize(form.get(), clientWidth, clientHeight);
  // Never wider than the frame allows, nor narrower.
  if (form->DSF->GetMaxWidth() < form->Width())
    form->SetWidth(form->DSF->GetMaxWidth());
  else if (form->Width() < form->DSF->GetMinWidth())
    form->SetWidth(form->DSF->GetMinWidth());
  clientWidth = form->ClientWidth();

  const TMsgDlgBtn defaultButton = HasButton(buttons, mbOK) ? mbOK : (HasButton(buttons, mbYes) ? mbYes : mbRetry);
  const TMsgDlgBtn cancelButton =
      HasButton(buttons, mbCancel) ? mbCancel : (HasButton(buttons, mbNo) ? mbNo : mbOK);
  int x = (clientWidth - rowWidth) / 2;
  TspSkinButton* first = nullptr;
  for (int k = 0; k < MsgDlgBtnCount; ++k) {
    const auto kind = static_cast<TMsgDlgBtn>(k);
    if (!HasButton(buttons, kind)) continue;
    auto* b = new TspSkinButton(form.get());
    b->SetName(buttonKinds[k].name);
    b->SetCanFocused(true);
    b->SetCaption(ButtonCaption(kind));
    b->ModalResult = buttonKinds[k].result;
    b->SetDefault(kind == defaultButton);
    b->Cancel = kind == cancelButton;
    b->SetDefaultFont(DefaultButtonFont);
    b->UseSkinFont = UseSkinFont;
    b->SetSkinDataName(ButtonSkinDataName);
    b->SetSkinData(FCtrlSD);
    b->SetBounds(x, clientHeight - buttonHeight - 10, ButtonWidth, buttonHeight);
    b->SetParent(form.get());
    if (kind == mbHelp) {
      TspMessageForm* f = form.get();
      b->OnClick = [f](TObject*) {
        if (!f->HelpFile.empty())
          WinHelpW(f->Handle(), reinterpret_cast<LPCWSTR>(UTF8ToUTF16(f->HelpFile).c_str()), HELP_CONTEXT,
                   static_cast<ULONG_PTR>(f->HelpContext));
      };
    }
    if (!first || kind == defaultButton) first = b;
    x += ButtonWidth + ButtonSpacing;
  }
  if (first) form->SetActiveControl(first);

  int left = form->Left(), top = form->Top();
  if (box.x < -10000) {
    left = (GetSystemMetrics(SM_CXSCREEN) - form->Width()) / 2;
    top = (GetSystemMetrics(SM_CYSCREEN) - form->Height()) / 2;
  } else if (box.showPosEvent && OnSetShowPos) {
    OnSetShowPos(left, top, form->Width(), form->Height());
  }
  form->SetBounds(left, top, form->Width(), form->Height());
  if (OnBoxCreated) OnBoxCreated(form.get());

  // The box's answer is kept even when showing fails.
  struct TKeepAnswer {
    TspSkinMessage* self;
    TspMessageForm* form;
    ~TKeepAnswer() {
      if (form->DisplayCheckBox) self->ShowAgainFlagValue = !form->DisplayCheckBox->Checked();
    }
  } keep{this, form.get()};
  return form->ShowModal();
}

namespace {

// The fields every variant sets; each variant then adds its own.
template <class TBox>
TBox BoxOf(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx) {
  TBox b;
  b.msg = msg;
  b.type = type;
  b.buttons = buttons;
  b.helpCtx = helpCtx;
  return b;
}

// A box with its own caption and a picture of `images` for its icon.
template <class TBox>
TBox CustomBoxOf(const std::string& msg, const std::string& caption, TCustomImageList* images, int imageIndex,
                 TMsgDlgButtons buttons, int helpCtx) {
  TBox b = BoxOf<TBox>(msg, mtCustom, buttons, helpCtx);
  b.caption = caption;
  b.customCaption = true;
  b.images = images;
  b.imageIndex = imageIndex;
  b.imageVariant = true;
  return b;
}

}  // namespace

int TspSkinMessage::MessageDlg(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx) {
  return Run(BoxOf<TBox>(msg, type, buttons, helpCtx));
}

int TspSkinMessage::MessageDlgPos(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx,
                                  int x, int y) {
  TBox b = BoxOf<TBox>(msg, type, buttons, helpCtx);
  b.x = x;
  b.y = y;
  b.showPosEvent = true;
  return Run(b);
}

int TspSkinMessage::MessageDlgHelp(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx,
                                   const std::string& helpFileName) {
  TBox b = BoxOf<TBox>(msg, type, buttons, helpCtx);
  b.helpFile = helpFileName;
  return Run(b);
}

int TspSkinMessage::MessageDlg2(const std::string& msg, const std::string& caption, TMsgDlgType type,
                                TMsgDlgButtons buttons, int helpCtx) {
  return MessageDlgHelp2(msg, caption, type, buttons, helpCtx, "");
}

int TspSkinMessage::MessageDlgHelp2(const std::string& msg, const std::string& caption, TMsgDlgType type,
                                    TMsgDlgButtons buttons, int helpCtx, const std::string& helpFileName) {
  TBox b = BoxOf<TBox>(msg, type, buttons, helpCtx);
  b.caption = caption;
  b.customCaption = true;
  b.helpFile = helpFileName;
  return Run(b);
}

int TspSkinMessage::CustomMessageDlg(const std::string& msg, const std::string& caption, TCustomImageList* images,
                                     int imageIndex, TMsgDlgButtons buttons, int helpCtx) {
  return CustomMessageDlgHelp(msg, caption, images, imageIndex, buttons, helpCtx, "");
}

int TspSkinMessage::CustomMessageDlgPos(const std::string& msg, const std::string& caption,
                                        TCustomImageList* images, int imageIndex, TMsgDlgButtons buttons,
                                        int helpCtx, int x, int y) {
  TBox b = CustomBoxOf<TBox>(msg, caption, images, imageIndex, buttons, helpCtx);
  b.x = x;
  b.y = y;
  b.showPosEvent = true;
  return Run(b);
}

int TspSkinMessage::CustomMessageDlgHelp(const std::string& msg, const std::string& caption,
                                         TCustomImageList* images, int imageIndex, TMsgDlgButtons buttons,
                                         int helpCtx, const std::string& helpFileName) {
  TBox b = CustomBoxOf<TBox>(msg, caption, images, imageIndex, buttons, helpCtx);
  b.helpFile = helpFileName;
  return Run(b);
}

int TspSkinMessage::WideMessageDlg(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons, int helpCtx) {
  TBox b = BoxOf<TBox>(msg, type, buttons, helpCtx);
  b.checkBoxAllowed = false;
  return Run(b);
}

int TspSkinMessage::WideMessageDlgPos(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons,
                                      int helpCtx, int x, int y) {
  TBox b = BoxOf<TBox>(msg, type, buttons, helpCtx);
  b.x = x;
  b.y = y;
  b.checkBoxAllowed = false;
  return Run(b);
}
