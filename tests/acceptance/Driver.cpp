#include "acceptance/Driver.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <set>
#include <thread>

#include "app/main/main.h"
#include "framework/Forms.h"
#include "framework/Graphics.h"
#include "framework/PngImage.h"
#include "framework/Streams.h"
#include "framework/SysUtils.h"
#include "framework/Threads.h"
#include "skin/frame/SkinMainMenuBar.h"
#include "skin/frame/SkinMenus.h"
#include "support/Dib.h"
#include "support/gtest.h"

namespace drv {

namespace {

// Where a named thing is, read on the program's GUI thread.
template <class F>
void OnGui(F f) {
  std::function<void()> call = f;
  CallInMainThread(call);
}

TComponent* FindByName(TComponent* root, const std::string& name) {
  if (!root) return nullptr;
  if (root->Name() == name) return root;
  for (int i = 0; i < root->ComponentCount(); ++i)
    if (TComponent* c = FindByName(root->Components(i), name)) return c;
  return nullptr;
}

// The program's top-level forms: by their name or their window class.
struct FormSearch {
  const std::string* form;
  TCustomForm* found;
};

BOOL CALLBACK FormOfWindow(HWND w, LPARAM p) {
  auto* ctx = reinterpret_cast<FormSearch*>(p);
  auto* f = dynamic_cast<TCustomForm*>(TWinControl::FindControl(w));
  if (!f || !IsWindowVisible(w)) return TRUE;
  const std::string cls = UTF16ToUTF8(ClassOf(w));
  if (f->Name() == *ctx->form || cls == *ctx->form) {
    ctx->found = f;
    return FALSE;
  }
  return TRUE;
}

TCustomForm* FindForm(const std::string& form) {
  FormSearch ctx{&form, nullptr};
  EnumThreadWindows(GetCurrentThreadId(), FormOfWindow, reinterpret_cast<LPARAM>(&ctx));
  if (!ctx.found && MainForm && form == "MainForm") ctx.found = MainForm;
  return ctx.found;
}

bool ShownOnScreen(TControl* c) {
  for (TControl* p = c; p; p = p->Parent())
    if (!p->Visible()) return false;
  return true;
}

void SendMouse(DWORD flags, int x, int y) {
  const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
  INPUT in{};
  in.type = INPUT_MOUSE;
  in.mi.dx = MulDiv(x, 65535, sw - 1);
  in.mi.dy = MulDiv(y, 65535, sh - 1);
  in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | flags;
  SendInput(1, &in, sizeof(in));
}

void SendKey(WORD vk, bool up) {
  INPUT in{};
  in.type = INPUT_KEYBOARD;
  in.ki.wVk = vk;
  in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  SendInput(1, &in, sizeof(in));
}

}  // namespace

bool WaitUntil(const std::function<bool()>& done, int timeoutMs) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (true) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    Sleep(50);
  }
}

void Pause(int ms) { Sleep(ms); }

std::u16string ClassOf(HWND window) {
  char16_t name[256] = {0};
  GetClassNameW(window, reinterpret_cast<LPWSTR>(name), 255);
  return name;
}

std::string TextOf(HWND window) {
  char16_t text[1024] = {0};
  GetWindowTextW(window, reinterpret_cast<LPWSTR>(text), 1023);
  return UTF16ToUTF8(text);
}

bool ControlRect(const std::string& form, const std::string& control, RECT& r) {
  bool ok = false;
  OnGui([&] {
    TCustomForm* f = FindForm(form);
    if (!f) return;
    auto* c = dynamic_cast<TControl*>(control.empty() ? f : FindByName(f, control));
    if (!c || !ShownOnScreen(c) || !IsWindowVisible(f->Handle())) return;
    const POINT tl = c->ClientToScreen(POINT{0, 0});
    r = RECT{tl.x, tl.y, tl.x + c->Width(), tl.y + c->Height()};
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
      GetWindowRect(w->Handle(), &r);
    }
    ok = r.right > r.left && r.bottom > r.top;
  });
  return ok;
}

RECT WaitControl(const std::string& form, const std::string& control, int timeoutMs) {
  RECT r{};
  const bool shown = WaitUntil([&] { return ControlRect(form, control, r); }, timeoutMs);
  EXPECT_TRUE(shown) << "no shown control " << control << " on " << form;
  return r;
}

bool MenuBarItemRect(const std::string& item, RECT& r) {
  bool ok = false;
  OnGui([&] {
    if (!MainForm || !MainForm->spSkinMainMenuBar1) return;
    TspSkinMainMenuBar* bar = MainForm->spSkinMainMenuBar1;
    for (int i = 0; i < bar->ItemCount(); ++i) {
      TspSkinMainMenuBarItem* it = bar->Item(i);
      if (!it || !it->MenuItem || it->MenuItem->Name() != item || !it->Visible) continue;
      const POINT tl = bar->ClientToScreen(POINT{it->ObjectRect.Left, it->ObjectRect.Top});
      r = RECT{tl.x, tl.y, tl.x + it->ObjectRect.Width(), tl.y + it->ObjectRect.Height()};
      ok = true;
      return;
    }
  });
  return ok;
}

struct PopupSearch {
  const std::string* item;
  RECT* r;
  bool* ok;
};

BOOL CALLBACK PopupItemOfWindow(HWND w, LPARAM p) {
  auto* c = reinterpret_cast<PopupSearch*>(p);
  if (!IsWindowVisible(w)) return TRUE;
  auto* popup = dynamic_cast<TspSkinPopupWindow*>(TWinControl::FindControl(w));
  if (!popup) return TRUE;
  for (TspSkinMenuItem* mi : popup->ItemList) {
    if (!mi || !mi->MenuItem || mi->MenuItem->Name() != *c->item || !mi->FVisible) continue;
    POINT tl{mi->ObjectRect.Left, mi->ObjectRect.Top};
    ClientToScreen(w, &tl);
    *c->r = RECT{tl.x, tl.y, tl.x + mi->ObjectRect.Width(), tl.y + mi->ObjectRect.Height()};
    *c->ok = true;
    return FALSE;
  }
  return TRUE;
}

bool PopupItemRect(const std::string& item, RECT& r) {
  bool ok = false;
  OnGui([&] {
    PopupSearch ctx{&item, &r, &ok};
    EnumThreadWindows(GetCurrentThreadId(), PopupItemOfWindow, reinterpret_cast<LPARAM>(&ctx));
  });
  return ok;
}

HWND ActiveWindow() {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  DWORD thread = 0;
  if (MainForm) thread = GetWindowThreadProcessId(MainForm->Handle(), nullptr);
  GetGUIThreadInfo(thread, &info);
  return info.hwndActive;
}

struct ClassSearch {
  const std::u16string* cls;
  HWND found;
};

BOOL CALLBACK ShownWindowOfClass(HWND w, LPARAM p) {
  auto* c = reinterpret_cast<ClassSearch*>(p);
  DWORD pid = 0;
  GetWindowThreadProcessId(w, &pid);
  if (pid != GetCurrentProcessId() || !IsWindowVisible(w)) return TRUE;
  if (ClassOf(w) == *c->cls) {
    c->found = w;
    return FALSE;
  }
  return TRUE;
}

HWND FindShownWindow(const std::u16string& className) {
  ClassSearch ctx{&className, nullptr};
  EnumWindows(ShownWindowOfClass, reinterpret_cast<LPARAM>(&ctx));
  return ctx.found;
}

HWND WaitWindow(const std::u16string& className, int timeoutMs) {
  HWND w = nullptr;
  WaitUntil([&] { return (w = FindShownWindow(className)) != nullptr; }, timeoutMs);
  EXPECT_NE(w, nullptr) << "no window of class " << UTF16ToUTF8(className);
  if (w) Sleep(150);  // its first painting
  return w;
}

bool WaitWindowGone(const std::u16string& className, int timeoutMs) {
  return WaitUntil([&] { return FindShownWindow(className) == nullptr; }, timeoutMs);
}

void MoveTo(int x, int y) {
  SendMouse(0, x, y);
  Sleep(40);
}

void Click(int x, int y, bool right) {
  MoveTo(x, y);
  SendMouse(right ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_LEFTDOWN, x, y);
  Sleep(40);
  SendMouse(right ? MOUSEEVENTF_RIGHTUP : MOUSEEVENTF_LEFTUP, x, y);
  Sleep(120);
}

void DoubleClick(int x, int y) {
  MoveTo(x, y);
  for (int i = 0; i < 2; ++i) {
    SendMouse(MOUSEEVENTF_LEFTDOWN, x, y);
    SendMouse(MOUSEEVENTF_LEFTUP, x, y);
  }
  Sleep(150);
}

void ClickCenter(const RECT& r, bool right) { Click((r.left + r.right) / 2, (r.top + r.bottom) / 2, right); }

void Drag(POINT from, POINT to, int steps) {
  MoveTo(from.x, from.y);
  SendMouse(MOUSEEVENTF_LEFTDOWN, from.x, from.y);
  Sleep(60);
  for (int i = 1; i <= steps; ++i) {
    MoveTo(from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps);
  }
  SendMouse(MOUSEEVENTF_LEFTUP, to.x, to.y);
  Sleep(120);
}

void ClickControl(const std::string& form, const std::string& control, bool right) {
  const RECT r = WaitControl(form, control);
  ClickCenter(r, right);
}

void ClickPopupItem(const std::string& item) {
  RECT r{};
  const bool shown = WaitUntil([&] { return PopupItemRect(item, r); }, 10000);
  ASSERT_TRUE(shown) << "no shown menu item " << item;
  Sleep(100);
  ClickCenter(r);
}

void ClickMenu(const std::vector<std::string>& path) {
  ASSERT_FALSE(path.empty());
  RECT r{};
  const bool shown = WaitUntil([&] { return MenuBarItemRect(path[0], r); }, 10000);
  ASSERT_TRUE(shown) << "no menu bar item " << path[0];
  // A click that lands while the window is still taking the focus back from
  // a closed dialog may not open the menu: a person clicks again.
  bool open = false;
  for (int attempt = 0; attempt < 4 && !open; ++attempt) {
    if (attempt > 0) {
      Key(VK_ESCAPE);
      Sleep(300);
    }
    ClickCenter(r);
    RECT ir{};
    open = path.size() < 2 || WaitUntil([&] { return PopupItemRect(path[1], ir); }, 3000);
  }
  ASSERT_TRUE(open) << "the menu " << path[0] << " did not open";
  for (size_t i = 1; i < path.size(); ++i) {
    RECT ir{};
    const bool there = WaitUntil([&] { return PopupItemRect(path[i], ir); }, 10000);
    ASSERT_TRUE(there) << "no shown menu item " << path[i];
    Sleep(100);
    if (i + 1 < path.size())
      MoveTo((ir.left + ir.right) / 2, (ir.top + ir.bottom) / 2);  // a sub-menu opens on hover
    else
      ClickCenter(ir);
  }
}

void Key(WORD vk, bool ctrl, bool alt, bool shift) {
  if (ctrl) SendKey(VK_CONTROL, false);
  if (alt) SendKey(VK_MENU, false);
  if (shift) SendKey(VK_SHIFT, false);
  SendKey(vk, false);
  SendKey(vk, true);
  if (shift) SendKey(VK_SHIFT, true);
  if (alt) SendKey(VK_MENU, true);
  if (ctrl) SendKey(VK_CONTROL, true);
  Sleep(80);
}

void Type(const std::string& text) {
  for (char16_t ch : UTF8ToUTF16(text)) {
    INPUT in[2] = {};
    for (int i = 0; i < 2; ++i) {
      in[i].type = INPUT_KEYBOARD;
      in[i].ki.wScan = ch;
      in[i].ki.dwFlags = KEYEVENTF_UNICODE | (i ? KEYEVENTF_KEYUP : 0);
    }
    SendInput(2, in, sizeof(INPUT));
    Sleep(10);
  }
  Sleep(80);
}

std::vector<unsigned> Grab(const RECT& r) {
  const int w = r.right - r.left, h = r.bottom - r.top;
  std::vector<unsigned> pixels(static_cast<size_t>(std::max(0, w) * std::max(0, h)));
  if (w <= 0 || h <= 0) return pixels;
  Dib shot(w, h);
  shot.FromScreen(r.left, r.top);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = shot.bits[i] & 0xFFFFFF;
  return pixels;
}

int ColourCount(const RECT& r) {
  const std::vector<unsigned> pixels = Grab(r);
  std::set<unsigned> colours(pixels.begin(), pixels.end());
  return static_cast<int>(colours.size());
}

RECT WindowRect(HWND window) {
  RECT r{};
  GetWindowRect(window, &r);
  return r;
}

std::string ArtifactsFolder() {
  const std::string folder = ExeFolder() + "artifacts";
  CreateDirectoryW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(folder).c_str()), nullptr);
  return folder;
}

std::string Screenshot(const std::string& name, const RECT* area) {
  RECT r = area ? *area : RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  const int w = r.right - r.left, h = r.bottom - r.top;
  const std::vector<unsigned> pixels = Grab(r);
  TBitmap bitmap;
  bitmap.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const unsigned p = pixels[static_cast<size_t>(y * w + x)];
      // The canvas takes 0x00BBGGRR colours.
      bitmap.Canvas()->SetPixel(x, y, ((p & 0xFF) << 16) | (p & 0xFF00) | ((p >> 16) & 0xFF));
    }
  TPngImage png;
  png.Assign(&bitmap);
  const std::string path = ArtifactsFolder() + "\\" + name + ".png";
  png.SaveToFile(path);
  return path;
}

std::string DocumentsFolder() {
  char16_t path[MAX_PATH] = {0};
  SHGetFolderPathW(nullptr, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr, 0, reinterpret_cast<LPWSTR>(path));
  return UTF16ToUTF8(path);
}

std::string ProgramFolder() { return ExeFolder(); }

bool FileExistsW(const std::string& path) {
  const DWORD a = GetFileAttributesW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(path).c_str()));
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool RegistryString(const std::string& key, const std::string& value, std::string& out) {
  HKEY k = nullptr;
  if (RegOpenKeyExW(HKEY_CURRENT_USER, reinterpret_cast<LPCWSTR>(UTF8ToUTF16(key).c_str()), 0, KEY_READ, &k) !=
      ERROR_SUCCESS)
    return false;
  char16_t data[2048] = {0};
  DWORD size = sizeof data - sizeof(char16_t), type = 0;
  const bool ok = RegQueryValueExW(k, reinterpret_cast<LPCWSTR>(UTF8ToUTF16(value).c_str()), nullptr, &type,
                                   reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS;
  RegCloseKey(k);
  if (ok) out = UTF16ToUTF8(data);
  return ok;
}

}  // namespace drv

namespace drv {

namespace {
inline int Luma(unsigned p) { return (((p >> 16) & 0xFF) * 30 + ((p >> 8) & 0xFF) * 59 + (p & 0xFF) * 11) / 100; }
}  // namespace

std::vector<unsigned> DrawnLetters(const std::string& text, const char* font, int height, bool bold, bool smooth,
                                   int& width, int& rows) {
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  ReleaseDC(nullptr, screen);
  const std::u16string face = UTF8ToUTF16(font);
  HFONT f = CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                        smooth ? DEFAULT_QUALITY : NONANTIALIASED_QUALITY, 0, reinterpret_cast<LPCWSTR>(face.c_str()));
  HGDIOBJ oldFont = SelectObject(mem, f);
  const std::u16string w = UTF8ToUTF16(text);
  SIZE extent{};
  GetTextExtentPoint32W(mem, reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<int>(w.size()), &extent);
  SelectObject(mem, oldFont);
  DeleteDC(mem);
  width = extent.cx;
  rows = extent.cy;
  std::vector<unsigned> glyph(static_cast<size_t>(std::max(1, width * rows)), 0xFFFFFF);
  if (width > 0 && rows > 0) {
    Dib letters(width, rows);
    oldFont = SelectObject(letters.dc, f);
    RECT all{0, 0, width, rows};
    FillRect(letters.dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    SetBkMode(letters.dc, TRANSPARENT);
    SetTextColor(letters.dc, 0);
    TextOutW(letters.dc, 0, 0, reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<int>(w.size()));
    GdiFlush();
    for (size_t i = 0; i < glyph.size(); ++i) glyph[i] = letters.bits[i] & 0xFFFFFF;
    SelectObject(letters.dc, oldFont);
  }
  DeleteObject(f);
  return glyph;
}

// The pixels of drawn letters (black on white, tw x th) that a search for
// them on the screen judges: the ink, clearly dark pixels of the letters, and
// the ground, white pixels with no ink beside them.
struct InkAndGround {
  std::vector<std::pair<int, int>> ink, ground;
  InkAndGround(const std::vector<unsigned>& glyph, int tw, int th) {
    for (int y = 0; y < th; ++y)
      for (int x = 0; x < tw; ++x) {
        const int l = Luma(glyph[static_cast<size_t>(y * tw + x)]);
        if (l < 90) {
          ink.emplace_back(x, y);
        } else if (l == 255) {
          bool clear = true;
          for (int dy = -1; dy <= 1 && clear; ++dy)
            for (int dx = -1; dx <= 1 && clear; ++dx) {
              const int nx = x + dx, ny = y + dy;
              if (nx >= 0 && ny >= 0 && nx < tw && ny < th && Luma(glyph[static_cast<size_t>(ny * tw + nx)]) < 200)
                clear = false;
            }
          if (clear) ground.emplace_back(x, y);
        }
      }
    width = tw;
    height = th;
  }

  // Whether the letters stand somewhere in `area` of the screen. At each
  // place (ox, oy) `limits(at, ox, oy, inkMax, groundMin)` sets the lightest
  // ink and the darkest ground allowed there, `at(x, y)` reading the luma of
  // what is shown, or gives false to pass the place over. At most one in 12
  // ink pixels and one in `groundShare` ground pixels may miss.
  template <class Limits>
  bool FoundIn(const RECT& area, size_t groundShare, Limits limits) const {
    if (ink.empty()) return false;
    const int aw = area.right - area.left, ah = area.bottom - area.top;
    if (aw < width || ah < height) return false;
    const std::vector<unsigned> shown = Grab(area);
    auto at = [&](int x, int y) { return Luma(shown[static_cast<size_t>(y * aw + x)]); };
    const size_t inkMiss = ink.size() / 12, groundMiss = ground.size() / groundShare;
    for (int oy = 0; oy + height <= ah; ++oy)
      for (int ox = 0; ox + width <= aw; ++ox) {
        int inkMax = 0, groundMin = 0;
        if (!limits(at, ox, oy, inkMax, groundMin)) continue;
        size_t miss = 0;
        bool ok = true;
        for (const auto& p : ink)
          if (at(ox + p.first, oy + p.second) > inkMax && ++miss > inkMiss) {
            ok = false;
            break;
          }
        if (!ok) continue;
        miss = 0;
        for (const auto& p : ground)
          if (at(ox + p.first, oy + p.second) < groundMin && ++miss > groundMiss) {
            ok = false;
            break;
          }
        if (ok) return true;
      }
    return false;
  }

private:
  int width = 0, height = 0;
};

// The letters as the system draws a font of that size in points, judged
// against fixed levels: dark letters on a light ground.
static bool ShowsTextAtLevels(const RECT& area, const std::string& text, const char* font, int size, bool bold) {
  // The text's own letters, black on white, as the system draws the font.
  HDC screen = GetDC(nullptr);
  const int height = -MulDiv(size, GetDeviceCaps(screen, LOGPIXELSY), 72);
  ReleaseDC(nullptr, screen);
  int tw = 0, th = 0;
  const std::vector<unsigned> glyph = DrawnLetters(text, font, height, bold, true, tw, th);
  if (tw <= 0 || th <= 0) return false;

  return InkAndGround(glyph, tw, th).FoundIn(area, 12, [](auto&, int, int, int& inkMax, int& groundMin) {
    inkMax = 110;
    groundMin = 150;
    return true;
  });
}


static bool ShowsTextIn(const RECT& area, const std::string& text, const char* font, int size, bool bold,
                        TFontQuality quality);

bool ShowsText(const RECT& area, const std::string& text, const char* font, int size, bool bold) {
  // Controls that leave the text to the system's own edit draw it without
  // smoothing; the others with the default quality.
  return ShowsTextIn(area, text, font, size, bold, fqDefault) ||
         ShowsTextIn(area, text, font, size, bold, fqNonAntialiased) ||
         (size > 0 && ShowsTextAtLevels(area, text, font, size, bold));
}

static bool ShowsTextIn(const RECT& area, const std::string& text, const char* font, int size, bool bold,
                        TFontQuality quality) {
  // The text's own letters, black on white, drawn by a canvas with the
  // program's font settings (the same font the system picks for the program).
  const std::u16string w = UTF8ToUTF16(text);
  TBitmap probe(8, 8, pf32bit);
  TCanvas* pc = probe.Canvas();
  pc->Font()->SetName(font);
  if (size > 0)
    pc->Font()->SetSize(size);
  else
    pc->Font()->SetHeight(-size);
  pc->Font()->SetColor(0);
  if (bold) pc->Font()->SetStyle(fsBold);
  pc->Font()->SetQuality(quality);
  SIZE extent{};
  GetTextExtentPoint32W(pc->Handle(), reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<int>(w.size()), &extent);
  const int tw = extent.cx, th = extent.cy;
  if (tw <= 0 || th <= 0) return false;
  TBitmap letters(tw, th, pf32bit);
  TCanvas* lc = letters.Canvas();
  lc->Brush()->SetColor(0xFFFFFF);
  lc->FillRect(TRect{0, 0, tw, th});
  lc->Font()->Assign(pc->Font());
  lc->Brush()->SetStyle(bsClear);
  RECT all{0, 0, tw, th};
  DrawTextW(lc->Handle(), reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<int>(w.size()), &all,
            DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
  GdiFlush();
  std::vector<unsigned> glyph(static_cast<size_t>(tw * th));
  for (int y = 0; y < th; ++y) {
    const uint8_t* row = letters.ScanLine(y);
    for (int x = 0; x < tw; ++x)
      glyph[static_cast<size_t>(y * tw + x)] = (row[x * 4 + 2] << 16) | (row[x * 4 + 1] << 8) | row[x * 4];
  }

  if (GetEnvironmentVariableW(u"TESS_SHOWS_TEXT_DEBUG", nullptr, 0)) {
    TPngImage png;
    png.Assign(&letters);
    png.SaveToFile(ArtifactsFolder() + "\\text-probe.png");
    Screenshot("text-area", &area);
  }
  const InkAndGround pixels(glyph, tw, th);
  const auto& ground = pixels.ground;
  if (ground.empty()) return false;
  // The letters may stand on a picture (a selected row): judged against the
  // ground around them rather than against fixed levels.
  const size_t sampleStep = std::max<size_t>(1, ground.size() / 24);
  return pixels.FoundIn(area, 10, [&](auto& at, int ox, int oy, int& inkMax, int& groundMin) {
    int sum = 0, n = 0;
    for (size_t i = 0; i < ground.size(); i += sampleStep, ++n) sum += at(ox + ground[i].first, oy + ground[i].second);
    const int level = sum / std::max(1, n);
    if (level < 120) return false;  // dark letters need a light ground
    inkMax = level - 60;
    groundMin = level - 40;
    return true;
  });
}

bool WaitText(const RECT& area, const std::string& text, int timeoutMs, const char* font, int size, bool bold) {
  return WaitUntil([&] { return ShowsText(area, text, font, size, bold); }, timeoutMs);
}

}  // namespace drv

namespace drv {

void Reveal(const std::string& form, const std::string& name) {
  OnGui([&] {
    TCustomForm* f = FindForm(form);
    if (!f) return;
    TComponent* c = FindByName(f, name);
    if (auto* item = dynamic_cast<TMenuItem*>(c)) {
      item->Visible = true;
      if (MainForm && MainForm->spSkinMainMenuBar1) MainForm->spSkinMainMenuBar1->UpDateItems();
      return;
    }
    auto* control = dynamic_cast<TControl*>(c);
    for (TControl* p = control; p && p != f; p = p->Parent()) p->SetVisible(true);
  });
  Pause(200);
}

}  // namespace drv

#include "framework/PageControl.h"

namespace drv {

bool TabRect(const std::string& form, const std::string& pageControl, int index, RECT& r) {
  bool ok = false;
  OnGui([&] {
    TCustomForm* f = FindForm(form);
    auto* pc = dynamic_cast<TPageControl*>(f ? FindByName(f, pageControl) : nullptr);
    if (!pc) return;
    r = pc->TabRect(index);
    POINT tl{r.left, r.top}, br{r.right, r.bottom};
    ClientToScreen(pc->Handle(), &tl);
    ClientToScreen(pc->Handle(), &br);
    r = RECT{tl.x, tl.y, br.x, br.y};
    ok = r.right > r.left;
  });
  return ok;
}

}  // namespace drv

#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinMenuButtons.h"

namespace drv {

std::vector<std::string> CommandsWithoutHandler() {
  std::vector<std::string> missing;
  OnGui([&] {
    if (!Application) return;
    std::function<void(TComponent*, const std::string&)> walk = [&](TComponent* c, const std::string& form) {
      for (int i = 0; i < c->ComponentCount(); ++i) {
        TComponent* child = c->Components(i);
        const std::string where = form + "." + child->Name();
        if (auto* item = dynamic_cast<TMenuItem*>(child)) {
          if (item->Count() == 0 && !item->IsLine() && !item->OnClick) missing.push_back(where);
        } else if (auto* b = dynamic_cast<TspSkinButton*>(child)) {
          if (!b->OnClick) missing.push_back(where);
        } else if (auto* sb = dynamic_cast<TspSkinSpeedButton*>(child)) {
          if (!sb->OnClick && !dynamic_cast<TspSkinMenuSpeedButton*>(child)) missing.push_back(where);
        }
        walk(child, form);
      }
    };
    for (int i = 0; i < Application->ComponentCount(); ++i) {
      TComponent* form = Application->Components(i);
      walk(form, form->Name());
    }
  });
  return missing;
}

}  // namespace drv

namespace drv {

void AddFileThroughOpenDialog(const std::string& windowsPath) {
  ClickMenu({"File1", "Openvideo1"});
  ASSERT_NE(WaitWindow(u"TspOpenDlgForm"), nullptr);
  ClickControl("TspOpenDlgForm", "FileNameEdit");
  Key(VK_HOME);
  Key(VK_END, false, false, true);
  Type(windowsPath);
  Key(VK_RETURN);
  ASSERT_TRUE(WaitWindowGone(u"TspOpenDlgForm"));
  WaitUntil([] { return FindShownWindow(u"TLoadForm") == nullptr; }, 60000);
}

}  // namespace drv
