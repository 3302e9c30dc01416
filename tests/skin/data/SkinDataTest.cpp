#include "support/gtest.h"

#include <windows.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "framework/Forms.h"
#include "framework/IniFiles.h"
#include "framework/ShellFolders.h"
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
  // The setting messages (1274, 1294, 1427, 1428), apart from the load ones.
  std::vector<UINT> Settings;
  // When set, every load message appends the receiving form here.
  std::vector<TRecordingForm*>* Log = nullptr;

protected:
  void WndProc(TMessage& m) override {
    if (m.Msg >= WM_BEFORECHANGESKINDATA && m.Msg <= WM_AFTERCHANGESKINDATA) {
      EXPECT_EQ(m.LParam, 1000);
      if (Skin) {
        EXPECT_EQ(reinterpret_cast<TspSkinData*>(m.WParam), Skin);
      }
      Received.push_back(m.Msg);
      if (Skin) EmptyWhenReceived.push_back(Skin->Empty);
      if (Log) Log->push_back(this);
    } else if (m.Msg == WM_CHANGERESSTRDATA || m.Msg == WM_SKINNABLEFORMCHANGED ||
               m.Msg == WM_LAYEREDBORDERSCHANGED || m.Msg == WM_AEROBLURCHANGED) {
      Settings.push_back(m.Msg);
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
  // The skin's cursor went into slot 1 of the screen's cursor table, where
  // the controls find it by number.
  HCURSOR skinCursor = Screen->Cursors[1];
  EXPECT_NE(skinCursor, LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW)));
  EXPECT_EQ(CursorHandle(1), skinCursor);
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
  TRecordingForm other(nullptr), owner(nullptr);
  other.Handle();
  TspSkinData* skin = new TspSkinData(&owner);
  owner.Skin = other.Skin = skin;
  skin->SetShowLayeredBorders(false);
  owner.Received.clear();
  other.Received.clear();
  // The owner was made after the other form, yet it hears first, and once.
  std::vector<TRecordingForm*> order;
  owner.Log = other.Log = &order;
  skin->SendSkinDataMessage(WM_AFTERCHANGESKINDATA);
  EXPECT_EQ(order, (std::vector<TRecordingForm*>{&owner, &other}));
  owner.Log = other.Log = nullptr;
  EXPECT_EQ(owner.Received, std::vector<UINT>{WM_AFTERCHANGESKINDATA});
  EXPECT_EQ(other.Received, std::vector<UINT>{WM_AFTERCHANGESKINDATA});
  // Setting a property to its value sends nothing.
  skin->SetShowLayeredBorders(false);
  EXPECT_EQ(owner.Received.size(), 1u);
  skin->BuildMode = true;
  skin->SendSkinDataMessage(WM_AFTERCHANGESKINDATA);
  EXPECT_EQ(owner.Received.size(), 1u);
}

// A form whose window the desktop owns, as the screen-capture frame's.
class TDesktopOwnedForm : public TRecordingForm {
public:
  using TRecordingForm::TRecordingForm;

protected:
  void CreateParams(TCreateParams& p) override {
    TRecordingForm::CreateParams(p);
    p.Style = WS_POPUP;
    p.ExStyle = WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE;
    p.WndParent = GetDesktopWindow();
  }
};

std::vector<UINT>* gPopupGot = nullptr;
WNDPROC gPopupProc = nullptr;
LRESULT CALLBACK RecordingPopupProc(HWND h, UINT m, WPARAM w, LPARAM l) {
  if (m >= WM_BEFORECHANGESKINDATA && m <= WM_AFTERCHANGESKINDATA) gPopupGot->push_back(m);
  return CallWindowProcW(gPopupProc, h, m, w, l);
}

TEST(TspSkinData, FormsOwnedElsewhereHearTheChangeAndOtherWindowsDoNot) {
  TDesktopOwnedForm frame(nullptr);
  TRecordingForm plain(nullptr);
  frame.Handle();
  plain.Handle();
  ASSERT_NE(GetWindow(frame.Handle(), GW_OWNER), Application->Handle());
  // A popup of the application window that is no form.
  HWND popup = CreateWindowExW(0, u"STATIC", u"", WS_POPUP, 0, 0, 10, 10, Application->Handle(), nullptr,
                               nullptr, nullptr);
  ASSERT_NE(popup, nullptr);
  std::vector<UINT> got;
  gPopupGot = &got;
  gPopupProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(popup, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordingPopupProc)));
  TspSkinData skin(nullptr);
  skin.LoadFromFile(TestSkin());
  EXPECT_EQ(frame.Received, kChange);
  EXPECT_EQ(plain.Received, kChange);
  EXPECT_TRUE(got.empty());
  DestroyWindow(popup);

  // A form made but not yet shown has no window to tell.
  TRecordingForm later(nullptr);
  skin.ClearSkin();
  EXPECT_TRUE(later.Received.empty());
  EXPECT_EQ(later.HandleIfAllocated(), nullptr);
  EXPECT_EQ(frame.Received.size(), 6u);
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
  {
    TMemIniFile ini(TestSkin());
    ini.WriteString("PICTURES", "1", "missing.bmp");
    ini.WriteString("VERSION", "skinname", "broken");
    TMemIniFile out(broken);
    out.SetText(ini.GetText());
    out.UpdateFile();
  }
  EXPECT_THROW(skin.LoadFromFile(broken), EspInvalidGraphic);
  EXPECT_TRUE(form.Received.empty());   // no 1225 without the 1226 that ends it
  EXPECT_FALSE(skin.Empty);
  EXPECT_FALSE(skin.ChangeSkinDataProcess);
  EXPECT_EQ(skin.SkinName, "flat test");
  EXPECT_EQ(skin.GetControlIndex("panel"), 1);
  EXPECT_EQ(skin.FActivePictures.size(), 4u);

  // Not a skin description at all: nothing changes, nothing is sent.
  {
    TMemIniFile partial(broken);
    partial.Clear();
    partial.WriteString("VERSION", "skinname", "x");
    partial.UpdateFile();
  }
  skin.LoadFromFile(broken);
  skin.LoadFromFile(folder + "no-such-file.ini");
  EXPECT_TRUE(form.Received.empty());
  EXPECT_EQ(skin.SkinName, "flat test");
  DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(broken).c_str()));
}

// A skin whose cursor list has gaps loads only the names it has: the slots
// of the gaps keep their cursors. One whose pictures hold more pixels than
// a skin may is refused before they are made, and the previous skin stays.
TEST(TspSkinData, HostileSkinsLoadOnlyWhatTheyHoldOrAreRefused) {
  TspSkinData skin(nullptr);
  skin.LoadFromFile(TestSkin());
  const std::string folder = ExtractFilePath(TestSkin());
  const std::string hostile = folder + "hostile.ini";
  auto write = [&](const std::function<void(TMemIniFile&)>& change) {
    TMemIniFile ini(TestSkin());
    TMemIniFile out(hostile);
    out.SetText(ini.GetText());
    out.EraseSection("CURSORS");
    change(out);
    out.UpdateFile();
  };
  HCURSOR cross = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_CROSS));
  for (int slot : {60, 61, 62, 63, 1000}) Screen->Cursors[slot] = cross;
  write([](TMemIniFile& ini) {
    ini.WriteInteger("CURSORS", "startcursorindex", 60);
    ini.WriteInteger("CURSORS", "cursorscount", 65536);
    ini.WriteString("CURSORS", "2", "missing.cur");
  });
  skin.LoadFromFile(hostile);
  EXPECT_EQ(skin.FCursorsNames, (std::vector<std::string>{"", "", "missing.cur"}));
  EXPECT_EQ(HCURSOR(Screen->Cursors[60]), cross);
  EXPECT_EQ(HCURSOR(Screen->Cursors[61]), cross);
  EXPECT_NE(HCURSOR(Screen->Cursors[62]), cross);  // replaced: its file yields no cursor
  EXPECT_EQ(HCURSOR(Screen->Cursors[63]), cross);
  EXPECT_EQ(HCURSOR(Screen->Cursors[1000]), cross);

  // A 4096 x 4096 one-bit picture: 2 MB on disk, 64 MB of pixels.
  const int side = 4096;
  std::string bmp(62 + side / 8 * side, '\0');
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) bmp[at + i] = char(v >> (8 * i));
  };
  bmp[0] = 'B', bmp[1] = 'M';
  put32(2, uint32_t(bmp.size()));
  put32(10, 62);
  put32(14, 40);
  put32(18, side);
  put32(22, side);
  bmp[26] = 1;
  bmp[28] = 1;
  {
    std::ofstream f(ToNativePath(folder + "huge.bmp"), std::ios::binary);
    f.write(bmp.data(), std::streamsize(bmp.size()));
  }
  write([](TMemIniFile& ini) {
    ini.WriteString("PICTURES", "picture", "huge.bmp");
    ini.WriteString("VERSION", "skinname", "hostile");
  });
  try {
    skin.LoadFromFile(hostile);
    ADD_FAILURE() << "a skin of 16 M pixels loaded";
  } catch (const EspInvalidGraphic& e) {
    EXPECT_NE(std::string(e.what()), "");
  }
  EXPECT_EQ(skin.SkinName, "flat test");
  EXPECT_EQ(skin.GetControlIndex("panel"), 1);
  DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(hostile).c_str()));
  DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(folder + "huge.bmp").c_str()));
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
  skin.SetResourceStrData(res);   // also when unchanged
  EXPECT_EQ(form.Settings, (std::vector<UINT>{WM_CHANGERESSTRDATA, WM_CHANGERESSTRDATA}));
  delete res;
  EXPECT_EQ(skin.ResourceStrData(), nullptr);
}

TEST(TspSkinData, SettingsSendTheirMessageOnlyWhenTheyChange) {
  TRecordingForm form(nullptr);
  form.Handle();
  TspSkinData skin(nullptr);
  struct Case { void (TspSkinData::*set)(bool); bool value; std::vector<UINT> sent; } cases[] = {
      {&TspSkinData::SetShowLayeredBorders, true, {}},
      {&TspSkinData::SetShowLayeredBorders, false, {WM_LAYEREDBORDERSCHANGED}},
      {&TspSkinData::SetAeroBlurEnabled, true, {}},
      {&TspSkinData::SetAeroBlurEnabled, false, {WM_AEROBLURCHANGED}},
      {&TspSkinData::SetSkinnableForm, true, {}},
      {&TspSkinData::SetSkinnableForm, false, {WM_SKINNABLEFORMCHANGED}},
      {&TspSkinData::SetSkinnableForm, false, {}},
  };
  for (const Case& c : cases) {
    form.Settings.clear();
    (skin.*c.set)(c.value);
    EXPECT_EQ(form.Settings, c.sent) << c.value;
  }
  EXPECT_FALSE(skin.SkinnableForm());
  EXPECT_FALSE(skin.ShowLayeredBorders());
  EXPECT_FALSE(skin.AeroBlurEnabled());
}

// The layered border windows of skinned forms.
class TLayerWindow : public TRecordingForm {
public:
  using TRecordingForm::TRecordingForm;

protected:
  const char16_t* WindowClassName() const override { return u"TspFormLayerWindow"; }
};

TEST(TspSkinData, LayeredFramesReverseTheOrderAndLayerWindowsHearNothing) {
  std::vector<TRecordingForm*> log;
  TRecordingForm a(nullptr), b(nullptr), c(nullptr);
  TLayerWindow layer(nullptr);
  for (TRecordingForm* f : {static_cast<TRecordingForm*>(&a), &b, &c, static_cast<TRecordingForm*>(&layer)}) {
    f->Handle();
    f->Log = &log;
  }
  TspSkinData skin(nullptr);
  skin.SendSkinDataMessage(WM_AFTERCHANGESKINDATA);
  std::vector<TRecordingForm*> forward = log;
  ASSERT_EQ(forward.size(), 3u);
  EXPECT_TRUE(layer.Received.empty());

  // With layered borders and a layered-frame picture, last form first.
  log.clear();
  skin.LayerFrame->PictureIndex = 0;
  skin.SendSkinDataMessage(WM_AFTERCHANGESKINDATA);
  EXPECT_EQ(log, std::vector<TRecordingForm*>(forward.rbegin(), forward.rend()));
  EXPECT_TRUE(layer.Received.empty());

  // ClearSkin on a skin that holds nothing still tells every form.
  log.clear();
  skin.LayerFrame->PictureIndex = -1;
  skin.ClearSkin();
  EXPECT_EQ(log.size(), 9u);
  EXPECT_EQ(a.Received, (std::vector<UINT>{WM_AFTERCHANGESKINDATA, WM_AFTERCHANGESKINDATA, WM_BEFORECHANGESKINDATA,
                                          WM_CHANGESKINDATA, WM_AFTERCHANGESKINDATA}));
  EXPECT_TRUE(layer.Received.empty());
}

TEST(TspSkinData, SavedSkinAndStoredFolderLoadAgain) {
  TspSkinData skin(nullptr);
  skin.LoadFromFile(TestSkin());
  std::string folder = GetTempFolder() + "tess-stored-skin\\";
  CreateDirectoryW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(folder).c_str()), nullptr);
  skin.StoreToDisk(folder + "skin.ini");

  TspSkinData back(nullptr);
  back.LoadFromFile(folder + "skin.ini");
  ASSERT_FALSE(back.Empty);
  EXPECT_EQ(back.SkinName, skin.SkinName);
  EXPECT_EQ(back.FActivePicturesNames, skin.FActivePicturesNames);
  // grey.jpg went to disk as BMP data under its JPEG name, and reads again.
  ASSERT_EQ(back.FActivePictures.size(), skin.FActivePictures.size());
  for (size_t i = 0; i < skin.FActivePictures.size(); ++i)
    EXPECT_TRUE(back.FActivePictures[i] == skin.FActivePictures[i]) << skin.FActivePicturesNames[i];
  EXPECT_TRUE(back.FPicture == skin.FPicture);

  // Into any ini object: the text is the model's own writer's.
  TMemIniFile mem("");
  back.SaveToCustomIniFile(&mem);
  TIniData direct;
  skin.SaveToCustomIniFile(direct);
  EXPECT_EQ(mem.GetText(), direct.Format());

  // AddBitMap appends name and picture together; DeleteBitMap takes both out.
  size_t count = back.FActivePictures.size();
  back.AddBitMap(folder + back.FActivePicturesNames[0]);
  ASSERT_EQ(back.FActivePictures.size(), count + 1);
  EXPECT_EQ(back.FActivePicturesNames.back(), back.FActivePicturesNames[0]);
  EXPECT_TRUE(back.FActivePictures.back() == back.FActivePictures[0]);
  back.DeleteBitMap(0);
  EXPECT_EQ(back.FActivePictures.size(), count);
  EXPECT_EQ(back.FActivePicturesNames.size(), count);
  back.DeleteBitMap(int32_t(count) + 5);   // outside: nothing happens
  EXPECT_EQ(back.FActivePictures.size(), count);
  EXPECT_THROW(back.AddBitMap(folder + "missing.bmp"), EspInvalidGraphic);
  EXPECT_EQ(back.FActivePicturesNames.size(), count);

  // A name that leaves the folder is refused, and nothing is written there.
  back.FActivePicturesNames[0] = "..\\tess-escaped.bmp";
  EXPECT_THROW(back.StoreToDisk(folder + "skin.ini"), Exception);
  EXPECT_FALSE(FileExists(GetTempFolder() + "tess-escaped.bmp"));
}

// A skin list of three packed copies of the test skin, told apart by name.
void FillSkinList(TspCompressedSkinList& list) {
  for (const char* name : {"first", "second", "third"}) {
    TspSkinData source(nullptr);
    source.BuildMode = true;   // tells no window
    source.LoadFromFile(TestSkin());
    source.SkinName = name;
    list.Skins().Add()->Skin()->LoadFromSkinData(source);
  }
}

TEST(TspSkinData, SkinListAndSkinIndexChooseTheLoadedSkin) {
  TRecordingForm form(nullptr);
  form.Handle();
  TspSkinData skin(nullptr);
  form.Skin = &skin;

  // Without a list the index is only stored.
  skin.SetSkinIndex(2);
  EXPECT_EQ(skin.SkinIndex(), 2);
  EXPECT_TRUE(skin.Empty);
  EXPECT_TRUE(form.Received.empty());

  auto* list = new TspCompressedSkinList(nullptr);
  FillSkinList(*list);
  skin.SetSkinList(list);  // loads skin number 2 at once
  EXPECT_EQ(skin.SkinName, "third");
  EXPECT_EQ(form.Received, kChange);

  struct Case { int32_t index; int32_t stays; const char* loaded; bool sends; } cases[] = {
      {0, 0, "first", true},
      {5, 0, "first", false},    // outside the list: refused, nothing loaded
      {-1, 0, "first", false},
      {3, 0, "first", false},
      {0, 0, "first", false},    // the same index again loads nothing
      {1, 1, "second", true},
  };
  for (const Case& c : cases) {
    form.Received.clear();
    skin.SetSkinIndex(c.index);
    EXPECT_EQ(skin.SkinIndex(), c.stays) << c.index;
    EXPECT_EQ(skin.SkinName, c.loaded) << c.index;
    EXPECT_EQ(form.Received, c.sends ? kChange : std::vector<UINT>{}) << c.index;
  }
  EXPECT_NE(skin.GetControlIndex("panel"), -1);
  EXPECT_EQ(skin.FActivePictures.size(), 4u);

  // A list whose skins the index does not reach loads nothing.
  TspCompressedSkinList shortList(nullptr);
  shortList.Skins().Add();
  form.Received.clear();
  skin.SetSkinList(&shortList);
  EXPECT_TRUE(form.Received.empty());
  EXPECT_EQ(skin.SkinName, "second");
  skin.SetSkinList(list);

  // The references are cleared when their components go away.
  delete list;
  EXPECT_EQ(skin.SkinList(), nullptr);
  skin.SetSkinIndex(7);
  EXPECT_EQ(skin.SkinIndex(), 7);
  auto* stored = new TspCompressedStoredSkin(nullptr);
  stored->LoadFromSkinData(skin);
  skin.SetCompressedStoredSkin(stored);
  EXPECT_EQ(skin.CompressedStoredSkin(), stored);
  delete stored;
  EXPECT_EQ(skin.CompressedStoredSkin(), nullptr);
  skin.SetSkinList(&shortList);
}

}  // namespace
