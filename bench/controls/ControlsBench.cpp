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

#include "bench/BenchUtil.h"
#include "framework/Forms.h"
#include "tests/support/Dib.h"
#include "skin/controls/SkinButtons.h"
#include "skin/controls/SkinCheckRadio.h"
#include "skin/controls/SkinGauge.h"
#include "skin/controls/SkinScrollBar.h"
#include "skin/controls/SkinTrackBar.h"
#include "support/Dib.h"

namespace {

// A small skin made in code: one picture of coloured blocks (normal, hot,
// pressed, thumb, track, fill) and an element per control kind.
struct BenchSkin {
  TspSkinData data{nullptr};
  static TspRect Block(int i, int w = 20, int h = 20) { return TspRect{i * 20, 0, i * 20 + w, h}; }
  template <class T>
  T& Add(const std::string& name, TspRect skin) {
    auto e = std::make_unique<T>(name);
    e->PictureIndex = 0;
    e->SkinRect = skin;
    auto& ref = *e;
    data.CtrlList.push_back(std::move(e));
    return ref;
  }
  static void NinePart(TspDataSkinCustomControl& e) {
    e.LTPoint = TspPoint{3, 3};
    e.RTPoint = TspPoint{17, 3};
    e.LBPoint = TspPoint{3, 17};
    e.RBPoint = TspPoint{17, 17};
    e.ClRect = TspRect{3, 3, 17, 17};
  }
  BenchSkin() {
    TspPicture p;
    p.SetSize(160, 20, 0);
    for (int i = 0; i < 8; ++i)
      for (int y = 0; y < 20; ++y)
        for (int x = i * 20; x < i * 20 + 20; ++x)
          p.Pixels[size_t(y) * 160 + x] = 0x203040u + 0x101010u * i + ((x + y) % 5 == 0 ? 0x0F0F0Fu : 0u);
    data.FActivePictures = {std::move(p)};
    for (const char* name : {"button", "toolbutton"}) {
      auto& b = Add<TspDataSkinButtonControl>(name, Block(0));
      NinePart(b);
      b.ActiveSkinRect = Block(1);
      b.DownSkinRect = Block(2);
    }
    auto& check = Add<TspDataSkinCheckRadioControl>("checkbox", Block(0));
    check.CheckImageRect = Block(3, 13, 13);
    check.UnCheckImageRect = Block(4, 13, 13);
    auto& track = Add<TspDataSkinTrackBarControl>("htrackbar", Block(5));
    track.LTPoint = TspPoint{5, 0};
    track.RTPoint = TspPoint{15, 0};
    track.TrackArea = TspRect{0, 0, 20, 20};
    track.ActiveSkinRect = Block(6);
    track.ButtonRect = Block(3, 10, 20);
    auto& gauge = Add<TspDataSkinGaugeControl>("gauge", Block(5));
    gauge.LTPoint = TspPoint{5, 0};
    gauge.RTPoint = TspPoint{15, 0};
    gauge.ProgressArea = TspRect{0, 0, 20, 20};
    gauge.ProgressRect = Block(7);
    auto& bar = Add<TspDataSkinScrollBarControl>("hscrollbar", Block(5, 20, 19));
    bar.LTPoint = TspPoint{5, 0};
    bar.RTPoint = TspPoint{15, 0};
    bar.TrackArea = TspRect{5, 0, 15, 19};
    bar.ThumbRect = Block(3, 10, 19);
    data.Empty = false;
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
  BenchSkin skin;
  auto measureAll = [&](const char* look) {
  std::printf("%s look\n%-22s %12s %12s %8s\n", look, "control", "paint ms", "blit ms", "ratio");
  for (auto& [name, c] : controls) {
    Dib target(c->Width(), c->Height());
    Dib source(c->Width(), c->Height());
    double paint;
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
      HWND h = w->Handle();
      paint = MedianMs(runs, [&] { SendMessageW(h, WM_PAINT, reinterpret_cast<WPARAM>(target.dc), 0); });
    } else {
      paint = MedianMs(runs, [&] { c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(target.dc), 0); });
    }
    double blit = MedianMs(runs, [&] {
      BitBlt(target.dc, 0, 0, c->Width(), c->Height(), source.dc, 0, 0, SRCCOPY);
      GdiFlush();
    });
    std::printf("%-22s %12.4f %12.4f %8.1f\n", name.c_str(), paint, blit, blit > 0 ? paint / blit : 0.0);
  }
  };
  measureAll("default");
  // The same controls and sizes drawn from the skin's pictures.
  for (auto& [name, c] : controls) {
    if (auto* w = dynamic_cast<TspSkinCustomControl*>(c)) w->SetSkinData(&skin.data);
    if (auto* g = dynamic_cast<TspGraphicSkinCustomControl*>(c)) g->SetSkinData(&skin.data);
  }
  app.ProcessMessages();
  measureAll("skinned");
  for (auto& [name, c] : controls) {
    if (auto* w = dynamic_cast<TspSkinCustomControl*>(c)) w->SetSkinData(nullptr);
    if (auto* g = dynamic_cast<TspGraphicSkinCustomControl*>(c)) g->SetSkinData(nullptr);
  }
  return 0;
}
