#include "support/gtest.h"

#include <windows.h>

#include <string>
#include <vector>

#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "skin/data/SkinData.h"

namespace {

std::string TestSkin() { return IncludeTrailingPathDelimiter(FromNativePath(TESS_TEST_SKIN_DIR)) + "skin.ini"; }
std::string FullSkin() { return ExeFolder() + "skin-tessavane\\skin.ini"; }

// A form that writes down the skin messages it receives.
class TRecordingForm : public TForm {
public:
  using TForm::TForm;
  std::vector<UINT> Received;
  std::vector<bool> EmptyWhenReceived;
  TspSkinData* Skin = nullptr;

protected:
  void WndProc(TMessage& m) override {
    if (m.Msg >= WM_BEFORECHANGESKINDATA && m.Msg <= WM_AFTERCHANGESKINDATA) {
      EXPECT_EQ(m.LParam, 1000);
      if (Skin) {
        EXPECT_EQ(reinterpret_cast<TspSkinData*>(m.WParam), Skin);
      }
      Received.push_back(m.Msg);
      if (Skin) EmptyWhenReceived.push_back(Skin->Empty);
    }
    TForm::WndProc(m);
  }
};

const std::vector<UINT> kChange{WM_BEFORECHANGESKINDATA, WM_CHANGESKINDATA, WM_AFTERCHANGESKINDATA};

TEST(TspSkinData, GeneratedSkinLoadsWithEveryPicture) {
  TspSkinData skin(nullptr);
  skin.LoadFromFile(FullSkin());
  ASSERT_FALSE(skin.Empty);
  EXPECT_FALSE(skin.FPicture.Empty());
  EXPECT_FALSE(skin.FInActivePicture.Empty());
  ASSERT_EQ(skin.FActivePictures.size(), skin.FActivePicturesNames.size());
  ASSERT_GE(skin.FActivePictures.size(), 7u);
  for (size_t i = 0; i < skin.FActivePictures.size(); ++i) {
    EXPECT_FALSE(skin.FActivePictures[i].Empty()) << skin.FActivePicturesNames[i];
    TBitmap* b = skin.ActivePicture(int32_t(i));
    ASSERT_NE(b, nullptr);
    EXPECT_NE(b->Handle(), nullptr) << skin.FActivePicturesNames[i];
    EXPECT_EQ(b->Width(), skin.FActivePictures[i].Width);
  }
  EXPECT_EQ(skin.ActivePicture(int32_t(skin.FActivePictures.size())), nullptr);
  EXPECT_EQ(skin.Picture()->Width(), skin.FPicture.Width);
  EXPECT_TRUE(skin.Mask()->Empty());
  EXPECT_NE(skin.GetControlIndex("button"), -1);
  EXPECT_NE(skin.GetIndex("closebutton"), -1);
  EXPECT_FALSE(skin.ChangeSkinDataProcess);
  // The skin's cursor went into slot 1 of the cursor table.
  EXPECT_NE(spSkinCursor(1), LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
}

TEST(TspSkinData, EveryFormHearsTheChangeOnceInOrder) {
  TRecordingForm a(nullptr), b(nullptr);
  a.Handle();
  b.Handle();
  TspSkinData skin(nullptr);
  a.Skin = b.Skin = &skin;
  std::vector<UINT> atLoadData;
  skin.OnLoadData = [&](TObject*) { atLoadData = a.Received; };
  skin.LoadFromFile(TestSkin());
  EXPECT_EQ(a.Received, kChange);
  EXPECT_EQ(b.Received, kChange);
  EXPECT_EQ(atLoadData, std::vector<UINT>{WM_BEFORECHANGESKINDATA});
  // 1225 still sees the old (empty) skin; 1226 and 1227 the new one.
  EXPECT_EQ(a.EmptyWhenReceived, (std::vector<bool>{true, false, false}));

  a.Received.clear();
  b.Received.clear();
  skin.ClearSkin();
  EXPECT_EQ(a.Received, kChange);
  EXPECT_EQ(b.Received, kChange);
  EXPECT_TRUE(skin.Empty);
}

TEST(TspSkinData, OwnerFormHearsFirstWithoutLayeredBorders) {
  TRecordingForm owner(nullptr), other(nullptr);
  other.Handle();
  TspSkinData* skin = new TspSkinData(&owner);
  owner.Skin = other.Skin = skin;
  skin->SetShowLayeredBorders(false);
  owner.Received.clear();
  other.Received.clear();
  std::vector<HWND> order;
  skin->SendSkinDataMessage(WM_AFTERCHANGESKINDATA);
  EXPECT_EQ(owner.Received, std::vector<UINT>{WM_AFTERCHANGESKINDATA});
  EXPECT_EQ(other.Received, std::vector<UINT>{WM_AFTERCHANGESKINDATA});
  // Setting a property to its value sends nothing.
  skin->SetShowLayeredBorders(false);
  EXPECT_EQ(owner.Received.size(), 1u);
  skin->BuildMode = true;
  skin->SendSkinDataMessage(WM_AFTERCHANGESKINDATA);
  EXPECT_EQ(owner.Received.size(), 1u);
}

TEST(TspSkinData, BrokenPictureKeepsThePreviousSkinAndStopsNoWindow) {
  TRecordingForm form(nullptr);
  form.Handle();
  TspSkinData skin(nullptr);
  form.Skin = &skin;
  skin.LoadFromFile(TestSkin());
  form.Received.clear();
  EXPECT_EQ(skin.ActivePicture(0)->ToPixelImage().View().PixelARGB(7, 3), 0xFFFF0000u);

  std::string folder = ExtractFilePath(TestSkin());
  std::string broken = folder + "broken.ini";
  std::string nativeBroken = ToNativePath(broken);
  TspMemIni ini;
  ASSERT_TRUE(ini.LoadFromFile(ToNativePath(TestSkin())));
  ini.WriteString("PICTURES", "1", "missing.bmp");
  ini.WriteString("VERSION", "skinname", "broken");
  ASSERT_TRUE(ini.SaveToFile(nativeBroken));
  EXPECT_THROW(skin.LoadFromFile(broken), EspInvalidGraphic);
  EXPECT_TRUE(form.Received.empty());   // no 1225 without the 1226 that ends it
  EXPECT_FALSE(skin.Empty);
  EXPECT_FALSE(skin.ChangeSkinDataProcess);
  EXPECT_EQ(skin.SkinName, "flat test");
  EXPECT_EQ(skin.GetControlIndex("panel"), 1);
  EXPECT_EQ(skin.FActivePictures.size(), 4u);

  // Not a skin description at all: nothing changes, nothing is sent.
  TspMemIni partial;
  partial.WriteString("VERSION", "skinname", "x");
  ASSERT_TRUE(partial.SaveToFile(nativeBroken));
  skin.LoadFromFile(broken);
  skin.LoadFromFile(folder + "no-such-file.ini");
  EXPECT_TRUE(form.Received.empty());
  EXPECT_EQ(skin.SkinName, "flat test");
  DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(broken).c_str()));
}

TEST(TspSkinData, CompressedFileRoundTrip) {
  TspSkinData skin(nullptr);
  skin.LoadFromFile(TestSkin());
  std::string packed = ExtractFilePath(TestSkin()) + "packed.skn";
  skin.SaveToCompressedFile(packed);
  TRecordingForm form(nullptr);
  form.Handle();
  TspSkinData other(nullptr);
  form.Skin = &other;
  other.LoadFromCompressedFile(packed);
  EXPECT_EQ(form.Received, kChange);
  EXPECT_EQ(other.SkinName, "flat test");
  ASSERT_EQ(other.FActivePictures.size(), skin.FActivePictures.size());
  for (size_t i = 0; i < skin.FActivePictures.size(); ++i)
    EXPECT_TRUE(other.FActivePictures[i] == skin.FActivePictures[i]);
  DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(packed).c_str()));
}

TEST(TspSkinData, ResourceStringsAndTheirMessage) {
  TRecordingForm form(nullptr);
  form.Handle();
  TspSkinData skin(nullptr);
  TspResourceStrData* res = new TspResourceStrData(nullptr);
  std::vector<UINT> got;
  EXPECT_EQ(res->GetResStr("closebutton_hint"), "Close");
  EXPECT_EQ(res->CharSet, 1);
  skin.SetResourceStrData(res);
  EXPECT_EQ(skin.ResourceStrData(), res);
  delete res;
  EXPECT_EQ(skin.ResourceStrData(), nullptr);
}

}  // namespace
