#include "skin/data/SkinData.h"

#include <algorithm>

#include "framework/Forms.h"
#include "framework/IniFiles.h"
#include "framework/SysUtils.h"

TspResourceStrData::TspResourceStrData(TComponent* AOwner)
    : TComponent(AOwner), ResStrings(spDefaultResourceStrings()) {}

// ---------------------------------------------------------------- component

static std::unique_ptr<TBitmap> ToBitmap(const TspPicture& p) {
  auto b = std::make_unique<TBitmap>();
  if (p.Empty()) return b;
  TPixelImage image(p.Width, p.Height, p.HasAlpha ? 32 : 24);
  image.HasAlpha = p.HasAlpha;
  for (int32_t y = 0; y < p.Height; ++y) {
    uint8_t* row = image.Row(y);
    const uint32_t* src = &p.Pixels[size_t(y) * size_t(p.Width)];
    for (int32_t x = 0; x < p.Width; ++x) {
      uint32_t c = src[x];
      *row++ = uint8_t(c);
      *row++ = uint8_t(c >> 8);
      *row++ = uint8_t(c >> 16);
      if (p.HasAlpha) *row++ = uint8_t(c >> 24);
    }
  }
  b->FromPixelImage(image);
  return b;
}

TspSkinData::TspSkinData(TComponent* AOwner) : TComponent(AOwner) {}

void TspSkinData::DropBitmaps() {
  for (auto& b : FBitmaps) b.reset();
  FActiveBitmaps.clear();
}

TBitmap* TspSkinData::WindowBitmap(int which) const {
  const TspPicture* windows[5] = {&FPicture, &FInActivePicture, &FMask, &FRollUpPicture, &FRollUpMask};
  if (!FBitmaps[which]) FBitmaps[which] = ToBitmap(*windows[which]);
  return FBitmaps[which].get();
}

TBitmap* TspSkinData::ActivePicture(int32_t index) const {
  if (index < 0 || size_t(index) >= FActivePictures.size()) return nullptr;
  FActiveBitmaps.resize(FActivePictures.size());
  auto& b = FActiveBitmaps[size_t(index)];
  if (!b) b = ToBitmap(FActivePictures[size_t(index)]);
  return b.get();
}

TspSkinData::~TspSkinData() {
  Empty = true;
  ClearObjects();
}

static bool Designing(const TComponent* c) { return (c->ComponentState() & csDesigning) != 0; }
static bool LoadingOrDesigning(const TComponent* c) {
  return (c->ComponentState() & (csDesigning | csLoading)) != 0;
}

void TspSkinData::SetSkinnableForm(bool v) {
  if (v == FSkinnableForm) return;
  FSkinnableForm = v;
  if (!LoadingOrDesigning(this)) SendSkinDataMessage(WM_SKINNABLEFORMCHANGED);
}

void TspSkinData::SetShowLayeredBorders(bool v) {
  if (v == FShowLayeredBorders) return;
  FShowLayeredBorders = v;
  if (!LoadingOrDesigning(this)) SendSkinDataMessage(WM_LAYEREDBORDERSCHANGED);
}

void TspSkinData::SetAeroBlurEnabled(bool v) {
  if (v == FAeroBlurEnabled) return;
  FAeroBlurEnabled = v;
  if (!LoadingOrDesigning(this)) SendSkinDataMessage(WM_AEROBLURCHANGED);
}

void TspSkinData::SetResourceStrData(TspResourceStrData* v) {
  FResourceStrData.Set(v);
  if (!Designing(this)) SendSkinDataMessage(WM_CHANGERESSTRDATA);
}

void TspSkinData::SetCompressedStoredSkin(TspCompressedStoredSkin* v) {
  FCompressedStoredSkin.Set(v);
  if (!Designing(this) && v) LoadCompressedStoredSkin(v);
}

void TspSkinData::SetSkinList(TspCompressedSkinList* v) {
  FCompressedSkinList.Set(v);
  if (!Designing(this) && v)
    if (TspSkinListItem* item = v->Skins().Items(FCompressedSkinIndex)) LoadCompressedStoredSkin(item->Skin());
}

void TspSkinData::SetSkinIndex(int32_t v) {
  if (v == FCompressedSkinIndex) return;
  if (!FCompressedSkinList) {
    FCompressedSkinIndex = v;
    return;
  }
  TspSkinListItem* item = FCompressedSkinList->Skins().Items(v);
  if (!item) return;
  FCompressedSkinIndex = v;
  if (!Designing(this)) LoadCompressedStoredSkin(item->Skin());
}

namespace {
void SendToForm(HWND h, UINT M, WPARAM self) {
  if (GetWindowThreadProcessId(h, nullptr) == GetCurrentThreadId()) {
    SendMessageW(h, M, self, 1000);
    return;
  }
  // A form of a worker thread (the screen-capture frame) answers only while
  // that thread takes messages: wait for it, but never for ever.
  DWORD_PTR result = 0;
  SendMessageTimeoutW(h, M, self, 1000, SMTO_NORMAL | SMTO_ABORTIFHUNG, 2000, &result);
}
}  // namespace

void TspSkinData::SendSkinDataMessage(UINT M) {
  if (BuildMode) return;
  WPARAM self = reinterpret_cast<WPARAM>(this);
  HWND owner = nullptr;
  auto* form = dynamic_cast<TForm*>(Owner());
  if (form && !FShowLayeredBorders) {
    owner = form->Handle();
    SendToForm(owner, M, self);
  }
  // Every form of the screen's list, in its order, but the owner and the
  // layered border windows. A form without a window yet has nothing to
  // rebuild: it takes the skin when its window is made.
  std::vector<HWND> found;
  Screen->VisitForms([&](TCustomForm* f) {
    HWND h = f->HandleIfAllocated();
    if (h && h != owner) found.push_back(h);
  });
  found.erase(std::remove_if(found.begin(), found.end(),
                             [](HWND h) {
                               char16_t cls[64] = {};
                               GetClassNameW(h, reinterpret_cast<LPWSTR>(cls), 64);
                               return std::u16string(cls) == u"TspFormLayerWindow";
                             }),
              found.end());
  if (FShowLayeredBorders && LayerFrame->PictureIndex != -1) {
    for (auto it = found.rbegin(); it != found.rend(); ++it) SendToForm(*it, M, self);
  } else {
    for (HWND h : found) SendToForm(h, M, self);
  }
}

void TspSkinData::Install(TspSkinModel&& skin) {
  // Windows told 1225 stop painting until 1226: send it only once the new
  // skin is known to be good, so a failure can never leave them stopped.
  Empty = true;
  ChangeSkinDataProcess = true;
  SendSkinDataMessage(WM_BEFORECHANGESKINDATA);
  static_cast<TspSkinModel&>(*this) = std::move(skin);
  DropBitmaps();
  Empty = false;
  if (OnLoadData) OnLoadData(this);
  SendSkinDataMessage(WM_CHANGESKINDATA);
  ChangeSkinDataProcess = false;
  SendSkinDataMessage(WM_AFTERCHANGESKINDATA);
}

void TspSkinData::InstallCursors(const std::string& folder, const TspSkinModel& skin) {
  if (BuildMode) return;
  for (size_t n = 0; n < skin.FCursorsNames.size(); ++n) {
    // An empty name (a gap in the list) names no file: its slot stays.
    if (skin.FCursorsNames[n].empty()) continue;
    int64_t slot = int64_t(skin.StartCursorIndex) + int64_t(n);
    if (slot > INT32_MAX) break;
    std::u16string path = UTF8ToUTF16(folder + skin.FCursorsNames[n]);
    Screen->Cursors[int32_t(slot)] = LoadCursorFromFileW(reinterpret_cast<LPCWSTR>(path.c_str()));
  }
}

void TspSkinData::LoadFromFile(const std::string& FileName) {
  std::string native = ToNativePath(FileName);
  if (native.empty()) return;
  // A missing file reads as an empty ini, which is no skin description.
  TMemIniFile ini(FileName);
  if (!IsSkinIniFile(ini.Data())) return;
  std::string folder = ExtractFilePath(FileName);
  std::string nativeFolder = native.substr(0, native.find_last_of('/') + 1);
  TspSkinModel skin;
  TspPixelBudget pixels;
  skin.ReadSkin(ini.Data(),
                [&](const std::string& name) { return spLoadPictureFile(nativeFolder + name, name, &pixels); });
  // Only a skin that read completely replaces the cursors.
  InstallCursors(folder, skin);
  Install(std::move(skin));
}

void TspSkinData::SaveToCustomIniFile(TCustomIniFile* F) const {
  TspSkinModel::SaveToCustomIniFile(F->Data());
  F->DataChanged();
}

void TspSkinData::SaveToFile(const std::string& FileName) {
  TMemIniFile ini(FileName);
  SaveToCustomIniFile(&ini);
  ini.UpdateFile();
}

void TspSkinData::StoreToDisk(const std::string& AFileName) {
  SaveToFile(AFileName);
  std::string native = ToNativePath(AFileName);
  std::string folder = native.substr(0, native.find_last_of('/') + 1);
  auto store = [&](const TspPicture& p, const std::string& name) {
    if (p.Empty()) return;
    // Names may come from a packed skin: never write outside the folder.
    if (!spIsPlainFileName(name)) throw Exception("Invalid file name \"" + name + "\"");
    if (!spWriteFileBytes(folder + name, spEncodeBmp(p))) throw Exception("Cannot create file \"" + name + "\"");
  };
  store(FPicture, FPictureName);
  store(FInActivePicture, FInActivePictureName);
  store(FMask, FMaskName);
  store(FRollUpPicture, FRollUpPictureName);
  store(FRollUpMask, FRollUpMaskName);
  for (size_t i = 0; i < FActivePictures.size() && i < FActivePicturesNames.size(); ++i)
    store(FActivePictures[i], FActivePicturesNames[i]);
}

void TspSkinData::LoadCompressedStoredSkin(const TspCompressedStoredSkin* AStoredSkin) {
  if (!AStoredSkin || AStoredSkin->Empty()) return;
  TspSkinModel skin;
  if (!spLoadCompressedSkin(*AStoredSkin, skin)) return;
  Install(std::move(skin));
}

void TspSkinData::LoadFromCompressedFile(const std::string& FileName) {
  TspCompressedStoredSkin stored;
  stored.LoadFromCompressFile(ToNativePath(FileName));
  if (!stored.Empty()) LoadCompressedStoredSkin(&stored);
}

void TspSkinData::SaveToCompressedFile(const std::string& FileName) {
  TspCompressedStoredSkin stored;
  stored.LoadFromSkinData(*this);
  stored.SaveToCompressFile(ToNativePath(FileName));
}

void TspSkinData::ClearAll() {
  TspSkinModel::ClearAll();
  DropBitmaps();
}

void TspSkinData::ClearSkin() {
  ClearAll();
  SendSkinDataMessage(WM_BEFORECHANGESKINDATA);
  SendSkinDataMessage(WM_CHANGESKINDATA);
  SendSkinDataMessage(WM_AFTERCHANGESKINDATA);
}

void TspSkinData::AddBitMap(const std::string& FileName) {
  std::string name = ExtractFileName(FileName);
  TspPicture p = spLoadPictureFile(ToNativePath(FileName), name);
  FActivePicturesNames.push_back(name);
  FActivePictures.push_back(std::move(p));
}

void TspSkinData::DeleteBitMap(int32_t Index) {
  if (Index < 0 || size_t(Index) >= FActivePictures.size() || size_t(Index) >= FActivePicturesNames.size()) return;
  FActivePicturesNames.erase(FActivePicturesNames.begin() + Index);
  FActivePictures.erase(FActivePictures.begin() + Index);
  if (size_t(Index) < FActiveBitmaps.size()) FActiveBitmaps.erase(FActiveBitmaps.begin() + Index);
}
