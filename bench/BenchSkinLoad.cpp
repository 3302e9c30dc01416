// Loading the generated skin folder: the ini text, every element and every
// picture. Reported as milliseconds per load (median of the runs) and as a
// ratio to reading the same files' bytes, measured in the same process.
// It loads through the skin data component, messages and cursors included.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "skin/data/SkinData.h"

static double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

int main() {
  const std::string folder = TESS_FULL_SKIN_DIR "/";
  TApplication app(nullptr);
  TForm form(&app);
  form.Handle();
  TspSkinData skin(&form);
  const std::string iniName = IncludeTrailingPathDelimiter(FromNativePath(TESS_FULL_SKIN_DIR)) + "skin.ini";
  using clock = std::chrono::steady_clock;
  std::vector<double> loads, reads;
  size_t elements = 0;
  for (int run = 0; run < 25; ++run) {
    auto t0 = clock::now();
    skin.LoadFromFile(iniName);
    const TspSkinModel& m = skin;
    auto t1 = clock::now();
    elements = m.CtrlList.size() + m.ObjectList.size();
    std::vector<uint8_t> bytes;
    spReadFileBytes(folder + "skin.ini", bytes);
    for (const std::string& n : m.FActivePicturesNames) spReadFileBytes(folder + n, bytes);
    spReadFileBytes(folder + m.FPictureName, bytes);
    spReadFileBytes(folder + m.FInActivePictureName, bytes);
    auto t2 = clock::now();
    loads.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
    reads.push_back(std::chrono::duration<double, std::milli>(t2 - t1).count());
  }
  double load = Median(loads), read = Median(reads);
  std::printf("skin load: %.2f ms (%zu elements), file reads alone: %.2f ms, ratio %.1f\n", load, elements, read,
              load / std::max(read, 1e-6));
  return 0;
}
