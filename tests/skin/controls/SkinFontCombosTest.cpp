// The font family and font size combos against the system's fonts, and
// their enumeration callbacks fed with made-up faces (this system has no
// bitmap fonts).
#include "support/gtest.h"
#include "support/Controls.h"

#include <windows.h>

#include <set>

#include "framework/Forms.h"
#include "skin/controls/SkinFontCombos.h"

namespace {

struct FontForm {
  TForm form{nullptr};
  TspSkinFontComboBox* fonts;
  TspSkinFontSizeComboBox* sizes;
  int changes = 0, clicks = 0;
  FontForm() {
    form.SetBounds(40, 40, 300, 120);
    fonts = AddControl<TspSkinFontComboBox>(&form, &form, 10, 10, 200, 20);
    fonts->OnChange = [this](TObject*) { ++changes; };
    sizes = AddControl<TspSkinFontSizeComboBox>(&form, &form, 10, 40, 80, 20);
    sizes->OnClick = [this](TObject*) { ++clicks; };
    form.Show();
    Application->ProcessMessages();
  }
};

int CALLBACK CollectFamily(const LOGFONTW* lf, const TEXTMETRICW*, DWORD type, LPARAM data) {
  auto* out = reinterpret_cast<std::set<std::string>*>(data);
  if (type & TRUETYPE_FONTTYPE) out->insert(UTF16ToUTF8(reinterpret_cast<const char16_t*>(lf->lfFaceName)));
  return 1;
}

std::set<std::string> TrueTypeFamilies() {
  std::set<std::string> names;
  HDC dc = GetDC(nullptr);
  EnumFontFamiliesW(dc, nullptr, reinterpret_cast<FONTENUMPROCW>(&CollectFamily), reinterpret_cast<LPARAM>(&names));
  ReleaseDC(nullptr, dc);
  return names;
}

TEST(TspSkinFontComboBox, ListsTheScreensTrueTypeFamiliesMarkedAndSorted) {
  FontForm t;
  std::set<std::string> want = TrueTypeFamilies();
  ASSERT_FALSE(want.empty());
  t.fonts->SetTrueTypeOnly(true);
  std::set<std::string> got;
  TStrings* items = t.fonts->Items();
  for (int i = 0; i < items->Count(); ++i) {
    got.insert(items->Get(i));
    EXPECT_TRUE(t.fonts->FontType(i) & TRUETYPE_FONTTYPE) << items->Get(i);
    if (i > 0) EXPECT_LE(CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, items->Get(i - 1).c_str(), -1,
                                        items->Get(i).c_str(), -1), CSTR_EQUAL);
  }
  EXPECT_EQ(want, got);
}

TEST(TspSkinFontComboBox, FontNameSelectsTheFamilyWhateverItsCase) {
  FontForm t;
  ASSERT_GT(t.fonts->Items()->Count(), 1);
  std::string name = t.fonts->Items()->Get(1);
  std::string upper = name;
  for (char& c : upper) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
  t.changes = 0;
  t.fonts->SetFontName(upper);
  EXPECT_EQ(1, t.fonts->ItemIndex());
  EXPECT_EQ(name, t.fonts->FontName());
  EXPECT_EQ(2, t.changes) << "the text change and the selection both report";
  // A name that is not installed selects nothing in the fixed style.
  t.fonts->SetFontName("No Such Family");
  EXPECT_EQ(-1, t.fonts->ItemIndex());
}

TEST(TspSkinFontComboBox, NoPrinterGivesAnEmptyListWithoutError) {
  FontForm t;
  std::string printer;
  if (DefaultPrinterName(printer)) GTEST_SKIP() << "a printer is installed";
  EXPECT_NO_THROW(t.fonts->SetDevice(fdPrinter));
  EXPECT_EQ(0, t.fonts->Items()->Count());
  t.fonts->SetDevice(fdBoth);
  EXPECT_GT(t.fonts->Items()->Count(), 0);
}

TEST(TspSkinFontComboBox, OptionTable) {
  LOGFONTW lf{};
  struct Case {
    TspFontListOptions options;
    BYTE charset, pitch;
    DWORD type;
    bool valid;
  } cases[] = {
      {0, SYMBOL_CHARSET, 0, RASTER_FONTTYPE, true},
      {foAnsiOnly, ANSI_CHARSET, 0, 0, true},
      {foAnsiOnly, EASTEUROPE_CHARSET, 0, 0, false},
      {foTrueTypeOnly, ANSI_CHARSET, 0, RASTER_FONTTYPE, false},
      {foFixedPitchOnly, ANSI_CHARSET, FIXED_PITCH, TRUETYPE_FONTTYPE, true},
      {foFixedPitchOnly, ANSI_CHARSET, VARIABLE_PITCH, TRUETYPE_FONTTYPE, false},
      {foOEMFontsOnly, OEM_CHARSET, 0, 0, true},
      {foNoOEMFonts, OEM_CHARSET, 0, 0, false},
      {foNoSymbolFonts, SYMBOL_CHARSET, 0, TRUETYPE_FONTTYPE, false},
      {foScalableOnly, ANSI_CHARSET, 0, RASTER_FONTTYPE, false},
      {foScalableOnly | foAnsiOnly, ANSI_CHARSET, 0, TRUETYPE_FONTTYPE, true},
  };
  for (const Case& c : cases) {
    lf.lfCharSet = c.charset;
    lf.lfPitchAndFamily = c.pitch;
    EXPECT_EQ(c.valid, TspSkinFontComboBox::IsValidFont(c.options, lf, c.type))
        << c.options << " charset " << int(c.charset);
  }
}

TEST(TspSkinFontSizeComboBox, ATrueTypeFaceGivesTheSixteenStandardSizes) {
  FontForm t;
  std::set<std::string> families = TrueTypeFamilies();
  ASSERT_FALSE(families.empty());
  t.sizes->SetText("12");
  t.clicks = 0;
  t.sizes->SetFontName(*families.begin());
  const char* want[] = {"8", "9", "10", "11", "12", "14", "16", "18", "20", "22", "24", "26", "28", "36", "48", "72"};
  ASSERT_EQ(16, t.sizes->Items()->Count());
  for (int i = 0; i < 16; ++i) EXPECT_EQ(want[i], t.sizes->Items()->Get(i));
  EXPECT_EQ(4, t.sizes->ItemIndex()) << "the current size stays chosen";
  EXPECT_EQ(12, t.sizes->SizeValue());
  EXPECT_EQ(1, t.clicks) << "one OnClick for the rebuilt list";
}

TEST(TspSkinFontSizeComboBox, BitmapFaceHeightsBecomeSortedUniquePointSizes) {
  FontForm t;
  t.sizes->PixelsPerInch = 96;
  LOGFONTW lf{};
  TEXTMETRICW tm{};
  // Point sizes (lfHeight - internal leading) * 72 / 96 of 9.75, 8.25,
  // 9.75 and 7.5: the items 8 and 10.
  struct Face {
    LONG height, leading;
  } faces[] = {{15, 2}, {12, 1}, {14, 1}, {10, 0}};  // 9.75, 8.25, 9.75, 7.5
  for (const Face& f : faces) {
    lf.lfHeight = f.height;
    tm.tmInternalLeading = f.leading;
    EXPECT_EQ(1, TspSkinFontSizeComboBox::EnumSizesProc(&lf, &tm, RASTER_FONTTYPE, reinterpret_cast<LPARAM>(t.sizes)));
  }
  ASSERT_EQ(2, t.sizes->Items()->Count());
  EXPECT_EQ("8", t.sizes->Items()->Get(0)) << "8.25 and 7.5 (a half, to the even 8) give one 8";
  EXPECT_EQ("10", t.sizes->Items()->Get(1));
  // A TrueType face stops the enumeration.
  t.sizes->Items()->Clear();
  EXPECT_EQ(0, TspSkinFontSizeComboBox::EnumSizesProc(&lf, &tm, TRUETYPE_FONTTYPE, reinterpret_cast<LPARAM>(t.sizes)));
}

TEST(TspSkinFontSizeComboBox, SizeValueOfTheEditText) {
  FontForm t;
  t.sizes->SetStyle(spcbEditStyle);
  struct Case {
    const char* text;
    int value;
  } cases[] = {{"-12", -12}, {"12", 12}, {"1-2", 0}, {"12a", 0}, {"", 0}, {"-", 0}, {"99999999999", 0}};
  for (const Case& c : cases) {
    t.sizes->SetText(c.text);
    EXPECT_EQ(c.value, t.sizes->SizeValue()) << c.text;
  }
  // Only digits can be typed into it.
  HWND e = t.sizes->Edit()->Handle();
  t.sizes->SetText("");
  SendMessageW(e, WM_CHAR, u'x', 1);
  SendMessageW(e, WM_CHAR, u'1', 1);
  SendMessageW(e, WM_CHAR, u'4', 1);
  EXPECT_EQ("14", t.sizes->Text());
  // Fixed style: the selected item, 0 without one.
  t.sizes->SetStyle(spcbFixedStyle);
  t.sizes->Items()->Clear();
  t.sizes->Items()->Add("20");
  EXPECT_EQ(0, t.sizes->SizeValue());
  t.sizes->SetItemIndex(0);
  EXPECT_EQ(20, t.sizes->SizeValue());
}

}  // namespace
