#include "skin/controls/SkinFontCombos.h"

#include <cmath>
#include <vector>

#include "skin/data/SPUtils.h"

namespace {

std::string FaceName(const LOGFONTW& font) { return UTF16ToUTF8(reinterpret_cast<const char16_t*>(font.lfFaceName)); }

bool SameText(const std::string& a, const std::string& b) {
  std::u16string wa = UTF8ToUTF16(a), wb = UTF8ToUTF16(b);
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, reinterpret_cast<LPCWSTR>(wa.c_str()),
                        static_cast<int>(wa.size()), reinterpret_cast<LPCWSTR>(wb.c_str()),
                        static_cast<int>(wb.size())) == CSTR_EQUAL;
}

// A whole number of digits with an optional leading minus sign.
bool IsIntegerText(const std::string& s) {
  if (s.empty() || s == "-") return false;
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '-' && i == 0) continue;
    if (c < '0' || c > '9') return false;
  }
  return s.size() <= 10;
}

int TextToSize(const std::string& s) {
  if (!IsIntegerText(s)) return 0;
  long long v = std::stoll(s);
  if (v > INT32_MAX || v < INT32_MIN) return 0;
  return static_cast<int>(v);
}

}  // namespace

bool DefaultPrinterName(std::string& name) {
  // The spooler is bound when first asked for: most runs never need it.
  using TGetDefaultPrinter = BOOL(WINAPI*)(LPWSTR, LPDWORD);
  static TGetDefaultPrinter get = [] {
    HMODULE spooler = LoadLibraryW(reinterpret_cast<LPCWSTR>(u"winspool.drv"));
    return spooler ? reinterpret_cast<TGetDefaultPrinter>(GetProcAddress(spooler, "GetDefaultPrinterW")) : nullptr;
  }();
  if (!get) return false;
  WCHAR buffer[512];
  DWORD size = 512;
  if (!get(buffer, &size)) return false;
  name = UTF16ToUTF8(reinterpret_cast<const char16_t*>(buffer));
  return true;
}

// ---------------------------------------------------------------------------
// TspSkinFontComboBox

TspSkinFontComboBox::TspSkinFontComboBox(TComponent* owner) : TspSkinCustomComboBox(owner) {
  SetOnListBoxDrawItem([this](TCanvas* c, int index, int, int, RECT tr, TOwnerDrawState) {
    DrawListFontItem(c, index, tr);
  });
  OnComboBoxDrawItem = [this](TCanvas* c, int index, int, int, RECT tr, TOwnerDrawState) {
    DrawBoxFontItem(c, index, tr);
  };
  SetSorted(true);
}

intptr_t TspSkinFontComboBox::FontType(int index) const {
  return reinterpret_cast<intptr_t>(const_cast<TspSkinFontComboBox*>(this)->Items()->Objects(index));
}

bool TspSkinFontComboBox::IsValidFont(TspFontListOptions options, const LOGFONTW& font, DWORD fontType) {
  if ((options & foAnsiOnly) && font.lfCharSet != ANSI_CHARSET) return false;
  if ((options & foTrueTypeOnly) && !(fontType & TRUETYPE_FONTTYPE)) return false;
  if ((options & foFixedPitchOnly) && !(font.lfPitchAndFamily & FIXED_PITCH)) return false;
  if ((options & foOEMFontsOnly) && font.lfCharSet != OEM_CHARSET) return false;
  if ((options & foNoOEMFonts) && font.lfCharSet == OEM_CHARSET) return false;
  if ((options & foNoSymbolFonts) && font.lfCharSet == SYMBOL_CHARSET) return false;
  if ((options & foScalableOnly) && (fontType & RASTER_FONTTYPE)) return false;
  return true;
}

int CALLBACK TspSkinFontComboBox::EnumFontsProc(const LOGFONTW* font, const TEXTMETRICW*, DWORD fontType,
                                                LPARAM data) {
  auto* self = reinterpret_cast<TspSkinFontComboBox*>(data);
  std::string face = FaceName(*font);
  if (self->Items()->IndexOf(face) < 0 && IsValidFont(self->FOptions, *font, fontType)) {
    intptr_t type = static_cast<intptr_t>(fontType);
    if (font->lfCharSet != SYMBOL_CHARSET) type |= kNotSymbolFont;
    self->Items()->AddObject(face, reinterpret_cast<TObject*>(type));
  }
  return 1;
}

void TspSkinFontComboBox::PopulateList() {
  if (!HandleAllocated()) return;
  int index = ItemIndex();
  Items()->BeginUpdate();
  Items()->Clear();
  HDC dc = GetDC(nullptr);
  if (FDevice == fdScreen || FDevice == fdBoth)
    EnumFontFamiliesW(dc, nullptr, reinterpret_cast<FONTENUMPROCW>(&EnumFontsProc), reinterpret_cast<LPARAM>(this));
  if (FDevice == fdPrinter || FDevice == fdBoth) {
    // No printer (or no driver) leaves the printer's part empty.
    std::string printerName;
    if (DefaultPrinterName(printerName)) {
      std::u16string name = UTF8ToUTF16(printerName);
      if (HDC printer = CreateDCW(nullptr, reinterpret_cast<LPCWSTR>(name.c_str()), nullptr, nullptr)) {
        EnumFontFamiliesW(printer, nullptr, reinterpret_cast<FONTENUMPROCW>(&EnumFontsProc),
                          reinterpret_cast<LPARAM>(this));
        DeleteDC(printer);
      }
    }
  }
  ReleaseDC(nullptr, dc);
  Items()->EndUpdate();
  ListBox()->SetItemIndex(index < Items()->Count() ? index : -1);
}

void TspSkinFontComboBox::RebuildList() {
  if (!HandleAllocated()) return;
  FUpdate = true;
  std::string name = FontName();
  try {
    PopulateList();
    SetFontName(name);
  } catch (...) {
    FUpdate = false;
    throw;
  }
  FUpdate = false;
  if (FontName() != name && !(ComponentState() & csReading) && OnChange) OnChange(this);
}

void TspSkinFontComboBox::SetFontName(const std::string& value) {
  if (value == Text()) return;
  if (ComponentState() & csLoading) {
    SetText(value);
  } else {
    if (!HandleAllocated() && Parent()) HandleNeeded();
    for (int i = 0; i < Items()->Count(); ++i) {
      if (SameText(Items()->Get(i), value)) {
        SetItemIndex(i);
        if (!(ComponentState() & csReading) && !FUpdate && OnChange) OnChange(this);
        return;
      }
    }
    if (Style() == spcbFixedStyle)
      SetItemIndex(-1);
    else
      SetText(value);
  }
  if (!(ComponentState() & csReading) && !FUpdate && OnChange) OnChange(this);
}

void TspSkinFontComboBox::SetDevice(TspFontDevice value) {
  if (value == FDevice) return;
  FDevice = value;
  RebuildList();
}

void TspSkinFontComboBox::SetOptions(TspFontListOptions value) {
  if (value == FOptions) return;
  FOptions = value;
  RebuildList();
}

void TspSkinFontComboBox::SetTrueTypeOnly(bool value) {
  if (value == TrueTypeOnly()) return;
  FOptions = value ? (FOptions | foTrueTypeOnly) : (FOptions & ~foTrueTypeOnly);
  RebuildList();
}

void TspSkinFontComboBox::SetUseFonts(bool value) {
  if (value == FUseFonts) return;
  FUseFonts = value;
  Repaint();
}

void TspSkinFontComboBox::CreateWnd() {
  std::string name = FontName();
  TspSkinCustomComboBox::CreateWnd();
  FUpdate = true;
  try {
    PopulateList();
    SetText("");
    SetFontName(name);
  } catch (...) {
    FUpdate = false;
    throw;
  }
  FUpdate = false;
}

void TspSkinFontComboBox::WndProc(TMessage& m) {
  TspSkinCustomComboBox::WndProc(m);
  if (m.Msg == WM_FONTCHANGE) RebuildList();
}

void DrawTTGlyph(TCanvas* canvas, int x, int y, TColor colour) {
  canvas->Pen()->SetColor(colour);
  auto line = [&](int x1, int y1, int x2, int y2) {
    canvas->MoveTo(x1, y1);
    canvas->LineTo(x2, y2);
  };
  line(x, y, x + 7, y);
  line(x, y, x, y + 3);
  line(x + 7, y, x + 7, y + 3);
  line(x + 1, y, x + 1, y + 1);
  line(x + 6, y, x + 6, y + 1);
  line(x + 3, y, x + 3, y + 8);
  line(x + 4, y, x + 4, y + 8);
  line(x + 2, y + 8, x + 6, y + 8);
}

void TspSkinFontComboBox::DrawListFontItem(TCanvas* canvas, int index, RECT tr) {
  if (FontType(index) & TRUETYPE_FONTTYPE) {
    int m = tr.top + (tr.bottom - tr.top) / 2;
    DrawTTGlyph(canvas, tr.left, m - 7, clGray);
    DrawTTGlyph(canvas, tr.left + 4, m - 3, clBlack);
  }
  tr.left += 15;
  canvas->Font()->SetName(Items()->Get(index));
  canvas->Font()->SetStyle(0);
  DrawTextVCentered(canvas, Items()->Get(index), TRect{tr.left, tr.top, tr.right, tr.bottom});
}

void TspSkinFontComboBox::DrawBoxFontItem(TCanvas* canvas, int index, RECT tr) {
  DrawTextVCentered(canvas, Items()->Get(index), TRect{tr.left + 2, tr.top, tr.right + 2, tr.bottom});
}

// ---------------------------------------------------------------------------
// TspSkinFontSizeComboBox

TspSkinFontSizeComboBox::TspSkinFontSizeComboBox(TComponent* owner) : TspSkinCustomComboBox(owner) {
  FNumEdit = true;
}

void TspSkinFontSizeComboBox::SetFontName(const std::string& value) {
  FFontName = value;
  BuildSizeList();
}

int CALLBACK TspSkinFontSizeComboBox::EnumSizesProc(const LOGFONTW* font, const TEXTMETRICW* metric, DWORD fontType,
                                                    LPARAM data) {
  auto* self = reinterpret_cast<TspSkinFontSizeComboBox*>(data);
  TStrings* items = self->Items();
  if (fontType & TRUETYPE_FONTTYPE) {
    static const char* const kSizes[] = {"8",  "9",  "10", "11", "12", "14", "16", "18",
                                         "20", "22", "24", "26", "28", "36", "48", "72"};
    for (const char* s : kSizes) items->Add(s);
    return 0;
  }
  int ppi = self->PixelsPerInch > 0 ? self->PixelsPerInch : 96;
  double points = static_cast<double>(font->lfHeight - metric->tmInternalLeading) * 72.0 / ppi;
  // Halves go to the even neighbour.
  int size = static_cast<int>(std::nearbyint(points));
  std::string text = std::to_string(size);
  for (int i = 0; i < items->Count(); ++i) {
    int existing = TextToSize(items->Get(i));
    if (existing == size) return 1;
    if (existing > size) {
      items->Insert(i, text);
      return 1;
    }
  }
  items->Add(text);
  return 1;
}

void TspSkinFontSizeComboBox::BuildSizeList() {
  HDC dc = GetDC(nullptr);
  Items()->BeginUpdate();
  Items()->Clear();
  if (!FFontName.empty()) {
    PixelsPerInch = GetDeviceCaps(dc, LOGPIXELSY);
    std::u16string face = UTF8ToUTF16(FFontName);
    EnumFontFamiliesW(dc, reinterpret_cast<LPCWSTR>(face.c_str()), reinterpret_cast<FONTENUMPROCW>(&EnumSizesProc),
                      reinterpret_cast<LPARAM>(this));
    TNotifyEvent click = OnClick;
    OnClick = nullptr;
    SetItemIndex(Items()->IndexOf(Text()));
    OnClick = click;
    if (OnClick) OnClick(this);
  }
  Items()->EndUpdate();
  ReleaseDC(nullptr, dc);
}

int TspSkinFontSizeComboBox::SizeValue() const {
  if (Style() == spcbFixedStyle) {
    int i = ItemIndex();
    auto* self = const_cast<TspSkinFontSizeComboBox*>(this);
    if (i < 0 || i >= self->Items()->Count()) return 0;
    return TextToSize(self->Items()->Get(i));
  }
  return TextToSize(Text());
}
