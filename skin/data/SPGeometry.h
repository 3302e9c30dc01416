// Rectangle, point and colour arithmetic of the skin library.
// Platform-neutral: compiled in the winelib build and in the host build.
#pragma once

#include <algorithm>
#include <cstdint>

// Right and bottom are exclusive in drawing. The helpers below are templates
// so that they serve the framework's rectangle type as well.
// How a picture's middle parts fill a larger area: both ways, across only or
// down only.
enum TspStretchType : uint8_t { spstFull, spstHorz, spstVert };

struct TspRect {
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  constexpr TspRect() = default;
  constexpr TspRect(int32_t l, int32_t t, int32_t r, int32_t b) : Left(l), Top(t), Right(r), Bottom(b) {}
  friend constexpr bool operator==(const TspRect& a, const TspRect& b) {
    return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
  }
  friend constexpr bool operator!=(const TspRect& a, const TspRect& b) { return !(a == b); }
};

struct TspPoint {
  int32_t X = 0, Y = 0;
  constexpr TspPoint() = default;
  constexpr TspPoint(int32_t x, int32_t y) : X(x), Y(y) {}
  friend constexpr bool operator==(const TspPoint& a, const TspPoint& b) { return a.X == b.X && a.Y == b.Y; }
};

// Clamps a 64-bit intermediate to the int range: size and position
// arithmetic on the skin's numbers never overflows.
constexpr int ClampToInt(int64_t v) {
  return static_cast<int>(std::max<int64_t>(INT32_MIN, std::min<int64_t>(INT32_MAX, v)));
}

template <class R> constexpr int RectWidth(const R& r) { return ClampToInt(int64_t(r.Right) - r.Left); }
template <class R> constexpr int RectHeight(const R& r) { return ClampToInt(int64_t(r.Bottom) - r.Top); }
template <class R> constexpr bool RectIsEmpty(const R& r) { return RectWidth(r) <= 0 || RectHeight(r) <= 0; }
template <class R> void ZeroRect(R& r) { r.Left = r.Top = r.Right = r.Bottom = 0; }
template <class R> constexpr bool RectsEqual(const R& a, const R& b) {
  return a.Left == b.Left && a.Top == b.Top && a.Right == b.Right && a.Bottom == b.Bottom;
}
template <class R, class P> constexpr bool PointInRectInclusive(const R& r, const P& p) {
  return r.Left <= p.X && p.X <= r.Right && r.Top <= p.Y && p.Y <= r.Bottom;
}
// Both corners by the half-open point test, so A's right and bottom must lie strictly inside B.
template <class R> constexpr bool RectInsideRect(const R& a, const R& b) {
  return b.Left <= a.Left && a.Left < b.Right && b.Top <= a.Top && a.Top < b.Bottom &&
         b.Left <= a.Right && a.Right < b.Right && b.Top <= a.Bottom && a.Bottom < b.Bottom;
}
template <class P> constexpr bool PointIsEmpty(const P& p) { return p.X == 0 || p.Y == 0; }
constexpr int IntMax(int a, int b) { return a > b ? a : b; }
constexpr int IntMin(int a, int b) { return a < b ? a : b; }

// Intersection; an empty result is normalised to (0, 0, 0, 0).
inline TspRect IntersectRects(const TspRect& a, const TspRect& b) {
  TspRect r(std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom));
  if (RectIsEmpty(r)) return TspRect();
  return r;
}

// Colours in the framework's layout (red in the low byte), already resolved to RGB.
uint32_t AverageColorRGB(uint32_t a, uint32_t b);
uint32_t DarkenColorRGB(uint32_t c, uint8_t percent);
// The platform's multiply-divide: rounds half away from zero, -1 for a zero divisor.
int MulDivRound(int number, int numerator, int denominator);

bool IsWindowsXPOrLaterVersion(int major, int minor);
bool IsWindows2000OrLaterVersion(int major, int minor);
bool IsWindowsVistaOrLaterVersion(int major, int minor);
bool IsWindows7Version(int major, int minor);
