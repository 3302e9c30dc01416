// Paint time of each basic control at a typical size, against one plain
// blit of the same area measured in the same run. Prints the medians and
// their ratio; run it under the Wine session:
//   tools/wine-session --private-display tools/wine-exec build/bin/controls_bench.exe.so
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "framework/Forms.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinCheckRadio.h"
#include "skin/controls/SkinGauge.h"
#include "skin/controls/SkinScrollBar.h"
#include "skin/controls/SkinTrackBar.h"

namespace {

double Now() {
  static LARGE_INTEGER f = [] {
    LARGE_INTEGER x;
    QueryPerformanceFrequency(&x);
    return x;
  }();
  LARGE_INTEGER c;
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

double Measure(int runs, const std::function<void()>& f) {
  std::vector<double> t;
  for (int i = 0; i < runs; ++i) {
    double a = Now();
    f();
    t.push_back(Now() - a);
  }
  return Median(t);
}

struct Target {
  HDC dc;
  HBITMAP bmp;
  HGDIOBJ old;
  Target(int w, int h) {
    BITMAPINFO bi = {};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    dc = CreateCompatibleDC(nullptr);
    bmp = CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    old = SelectObject(dc, bmp);
  }
  ~Target() {
    SelectObject(dc, old);
    DeleteObject(bmp);
    DeleteDC(dc);
  }
};

}  // namespace

int main() {
  TApplication app;
  TForm form(nullptr);
  form.SetBounds(0, 0, 640, 480);
  std::vector<std::pair<std::string, TControl*>> controls;
  auto add = [&](const std::string& name, TControl* c, int w, int h) {
    c->SetParent(&form);
    c->SetBounds(0, 0, w, h);
    c->SetCaption(name);
    controls.emplace_back(name, c);
  };
  add("push button 75x25", new TspSkinButton(&form), 75, 25);
  add("speed button 25x25", new TspSkinSpeedButton(&form), 25, 25);
  add("check box 150x25", new TspSkinCheckRadioBox(&form), 150, 25);
  add("track bar 100x20", new TspSkinTrackBar(&form), 100, 20);
  auto* gauge = new TspSkinGauge(&form);
  gauge->SetShowPercent(true);
  add("gauge 100x20", gauge, 100, 20);
  add("scroll bar 200x19", new TspSkinScrollBar(&form), 200, 19);
  form.Show();
  app.ProcessMessages();

  const int runs = 200;
  std::printf("%-22s %12s %12s %8s\n", "control", "paint ms", "blit ms", "ratio");
  for (auto& [name, c] : controls) {
    Target target(c->Width(), c->Height());
    Target source(c->Width(), c->Height());
    double paint;
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
      HWND h = w->Handle();
      paint = Measure(runs, [&] { SendMessageW(h, WM_PAINT, reinterpret_cast<WPARAM>(target.dc), 0); });
    } else {
      paint = Measure(runs, [&] { c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(target.dc), 0); });
    }
    double blit = Measure(runs, [&] {
      BitBlt(target.dc, 0, 0, c->Width(), c->Height(), source.dc, 0, 0, SRCCOPY);
      GdiFlush();
    });
    std::printf("%-22s %12.4f %12.4f %8.1f\n", name.c_str(), paint, blit, blit > 0 ? paint / blit : 0.0);
  }
  return 0;
}
