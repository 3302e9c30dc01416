// The caption drawn into the 32-bit picture of a layered border: the text
// becomes opaque, the rest keeps the alpha of the picture underneath.
#include <algorithm>

#include "skin/data/SPUtils.h"
#include "skin/frame/DynamicSkinForm.h"

namespace {

enum class TextEffect { Plain, Glow, VistaGlow, Reflection };

// Text at Q of the image: the pixels under Q take the text in its colours,
// and their alpha becomes the old alpha with the text's shape made opaque.
void AlphaText(TspBitmap* Image, TRect Q, const std::u16string& Text, UINT Flags, const TFont& Font,
               TextEffect Effect, int GlowSize, TColor GlowColor, int GlowOffset, TColor TextColor) {
  const int pad = Effect == TextEffect::Plain ? 0 : 6;
  Q = TRect{Q.Left - pad, Q.Top - pad, Q.Right + pad, Q.Bottom + pad};
  const int w = Q.Width(), h = Q.Height();
  if (w <= 0 || h <= 0 || !Image || Image->Empty()) return;
  TspBitmap M, K;
  M.SetSize(w, h);
  K.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int sx = Q.Left + x, sy = Q.Top + y;
      const bool in = sx >= 0 && sy >= 0 && sx < Image->Width() && sy < Image->Height();
      const TspColor p = in ? Image->GetPixel(sx, sy) : 0;
      const uint32_t a = p >> 24;
      M.SetPixel(x, y, p | 0xFF000000u);
      K.SetPixel(x, y, 0xFF000000u | (a << 16) | (a << 8) | a);
    }
  const TRect at{pad, pad, w - pad, h - pad};
  auto write = [&](TspBitmap& B, TColor colour, TColor glow) {
    TCanvas* c = B.Canvas();
    c->Font()->Assign(&Font);
    c->Font()->SetColor(colour);
    c->Brush()->SetStyle(bsClear);
    TRect r = at;
    switch (Effect) {
      case TextEffect::Plain: CanvasDrawTextW(c, Text, r, Flags); break;
      case TextEffect::Glow: DrawGlowTextW(c, r, Text, Flags, GlowOffset, glow, GlowSize); break;
      case TextEffect::VistaGlow: DrawVistaGlowTextNarrow(c, r, Text, Flags, glow); break;
      case TextEffect::Reflection: DrawReflectedTextW(c, r, Text, Flags, GlowOffset, glow); break;
    }
    GdiFlush();
  };
  write(K, clWhite, clWhite);
  write(M, TextColor, GlowColor);
  SetAlphaFromMask(M, K);
  // Straight copy: the new alpha replaces the image's under Q.
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int dx = Q.Left + x, dy = Q.Top + y;
      if (dx < 0 || dy < 0 || dx >= Image->Width() || dy >= Image->Height()) continue;
      Image->SetPixel(dx, dy, M.GetPixel(x, y));
    }
}

}  // namespace

void TspSkinCaptionObject::DrawAlpha(TCanvas*, TspBitmap* ABitMap) {
  if (!ABitMap || ABitMap->Empty()) return;
  // The state first: the divider too shows the state being drawn.
  Active = Parent->FFormActive;
  TRect R = ObjectRect;
  R.Left += QuickButtonsWidth();
  DrawQuickButtonsAlpha(ABitMap);
  if (VistaGlowEffect) {
    R.Left += 6;
    R.Right -= 6;
  } else if (GlowEffect) {
    R.Left += 3;
    R.Right -= 3;
  }
  if (R.IsEmpty()) return;
  TBitmap probe(1, 1);
  SetCaptionFont(probe.Canvas(), Active ? ActiveFontColor : FontColor);
  const TFont& font = *probe.Canvas()->Font();
  std::u16string text = UTF8ToUTF16(Parent->CaptionText());
  TCanvas* mc = probe.Canvas();
  ShortenWideTextToWidth(mc, text, R.Width());
  const int W = GetDrawTextWidth(mc, text), H = GetDrawTextHeight(mc, text);
  // Beside quick buttons the text is centred whatever the alignment.
  const TAlignment align = HasQuickButtons() ? taCenter : Alignment;
  int x = R.Left;
  if (align == taRightJustify) x = R.Right - W;
  if (align == taCenter) x = R.Left + R.Width() / 2 - W / 2;
  int y = R.Top + R.Height() / 2 - H / 2;
  if (FontHeight % 2 != 0) --y;
  const TRect Q{x, y, x + W, y + H};
  const UINT flags = DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
  // Light and shadow copies first, then the text with its effect; each goes
  // through the alpha rule, so every copy's pixels become opaque.
  if (Light)
    AlphaText(ABitMap, OffsetTRect(Q, -1, -1), text, flags, font, TextEffect::Plain, 0, 0, 0,
              Active ? ActiveLightColor : LightColor);
  if (Shadow)
    AlphaText(ABitMap, OffsetTRect(Q, 1, 1), text, flags, font, TextEffect::Plain, 0, 0, 0,
              Active ? ActiveShadowColor : ShadowColor);
  TextEffect effect = TextEffect::Plain;
  TColor glow = GlowColor;
  int offset = GlowOffset;
  if (ReflectionEffect) {
    effect = TextEffect::Reflection;
    glow = Active ? ReflectionActiveColor : ReflectionColor;
    offset = ReflectionOffset;
  } else if (VistaGlowEffect) {
    effect = TextEffect::VistaGlow;
    glow = Active ? GlowActiveColor : GlowColor;
  } else if (GlowEffect) {
    effect = TextEffect::Glow;
    glow = Active ? GlowActiveColor : GlowColor;
  }
  AlphaText(ABitMap, Q, text, flags, font, effect, GlowSize, glow, offset, font.Color());
}
