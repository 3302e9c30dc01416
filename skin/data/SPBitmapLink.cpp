#include "skin/data/SPBitmapLink.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "framework/SysUtils.h"

void TspBitmapLink::Draw(TspPixelBitmap& Bitmap, int X, int Y) const {
  if (!FImage || FImage->Empty() || RectWidth(FRect) <= 0 || RectHeight(FRect) <= 0) return;
  FImage->Draw(Bitmap, X, Y, FRect);
}

void TspBitmapLink::CheckingMasked(const TspRect& M) {
  FMasked = FMaskedBorder = FMaskedAngles = false;
  if (!FImage) return;
  const bool noMargins = M.Left == 0 && M.Top == 0 && M.Right == 0 && M.Bottom == 0;
  const int R = RectWidth(FRect), B = RectHeight(FRect);
  auto in = [](int x, int y, int l, int t, int r, int b) { return l <= x && x < r && t <= y && y < b; };
  for (int y = FRect.Top; y < FRect.Bottom; ++y)
    for (int x = FRect.Left; x < FRect.Right; ++x) {
      const TspColor p = FImage->GetPixel(x, y);
      if (p == MaskSkipColor || !(p == TransparentKey || (p >> 24) < 255)) continue;
      if (noMargins) {
        FMasked = true;
        return;
      }
      const int px = x - FRect.Left, py = y - FRect.Top;
      if (in(px, py, 0, 0, M.Left, M.Top) || in(px, py, R - M.Right, 0, R, M.Top) ||
          in(px, py, R - M.Right, B - M.Bottom, R, B) || in(px, py, 0, B - M.Bottom, M.Left, B))
        FMaskedAngles = true;
      if (in(px, py, M.Left, 0, R - M.Right, M.Top) || in(px, py, M.Left, B - M.Bottom, R - M.Right, B) ||
          in(px, py, 0, M.Top, M.Left, B - M.Bottom) || in(px, py, R - M.Right, M.Top, R, B - M.Bottom))
        FMaskedBorder = true;
      if (in(px, py, M.Left, M.Top, R - M.Right, B - M.Bottom)) FMasked = true;
    }
}

std::vector<uint8_t> TspBitmapLink::SaveRecord() const {
  std::vector<uint8_t> out;
  auto put = [&](int32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t(uint32_t(v) >> (8 * i)));
  };
  put(int32_t(FName.size()));
  out.insert(out.end(), FName.begin(), FName.end());
  put(FRect.Left), put(FRect.Top), put(FRect.Right), put(FRect.Bottom);
  return out;
}

size_t TspBitmapLink::LoadRecord(const uint8_t* Data, size_t Size) {
  size_t pos = 0;
  auto get = [&]() {
    if (Size - pos < 4 || pos > Size) throw Exception("Stream read error");
    const uint32_t v = uint32_t(Data[pos]) | uint32_t(Data[pos + 1]) << 8 | uint32_t(Data[pos + 2]) << 16 |
                       uint32_t(Data[pos + 3]) << 24;
    pos += 4;
    return int32_t(v);
  };
  const int32_t n = get();
  if (n < 0 || size_t(n) > Size - pos) throw Exception("Stream read error");
  std::string name(reinterpret_cast<const char*>(Data + pos), size_t(n));
  pos += size_t(n);
  TspRect r;
  r.Left = get(), r.Top = get(), r.Right = get(), r.Bottom = get();
  FName = name;
  FRect = r;
  return pos;
}

namespace {
std::string Trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && static_cast<unsigned char>(s[a]) <= ' ') ++a;
  while (b > a && static_cast<unsigned char>(s[b - 1]) <= ' ') --b;
  return s.substr(a, b - a);
}
bool ToInt(const std::string& s, int32_t& v) {
  if (s.empty()) return false;
  errno = 0;
  char* end = nullptr;
  const long long x = std::strtoll(s.c_str(), &end, 10);
  if (errno || *end || x < INT32_MIN || x > INT32_MAX) return false;
  v = int32_t(x);
  return true;
}
}  // namespace

void CutRectToken(std::string& S, std::string& Token) {
  size_t i = 0;
  while (i < S.size()) {
    const char c = S[i++];
    if (std::strchr(" (),:;=", c)) break;
    Token += c;
  }
  S.erase(0, i);
  Token = Trim(Token);
  S = Trim(S);
}

TspRect ParseLinkRectText(const std::string& Text) {
  std::string s = Text.substr(0, 255);
  int32_t v[4];
  for (int i = 0; i < 4; ++i) {
    std::string token;
    CutRectToken(s, token);
    if (!ToInt(token, v[i])) return TspRect();
  }
  return TspRect(v[0], v[1], v[2], v[3]);
}
