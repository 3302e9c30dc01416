// Compiled without the Windows macros, as engine and player code is: the
// framework headers it may use must stand on their own.
#include "support/gtest.h"

#include "framework/ExtCtrls.h"
#include "framework/Graphics.h"
#include "framework/IniFiles.h"
#include "framework/Jpeg.h"
#include "framework/PngImage.h"
#include "framework/Registry.h"
#include "framework/ShellFolders.h"
#include "framework/Streams.h"
#include "framework/StringList.h"

#ifdef _WIN32
#error "this file must be compiled without the Windows macros"
#endif

TEST(MediaHeaders, BitmapsCanBeDrawnWithoutWindowsHeaders) {
  TBitmap b(16, 8, pf24bit);
  TCanvas* c = b.Canvas();
  c->Lock();
  c->Brush()->SetColor(clBlack);
  c->FillRect(Rect(0, 0, 16, 8));
  c->Font()->SetName("Liberation Sans");
  c->Font()->SetColor(clWhite);
  c->Brush()->SetStyle(bsClear);
  c->TextOut(0, 0, "Hi");
  c->Unlock();
  int lit = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 16 * 3; ++x) lit += b.ScanLine(y)[x] != 0;
  EXPECT_GT(lit, 0);
  TMemoryStream s;
  b.SaveToStream(&s);
  EXPECT_EQ(s.Size(), 14 + 40 + 8 * 48);
}
