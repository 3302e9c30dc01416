// Loading the generated skin folder: the ini text, every element and every
// picture. Reported as milliseconds per load (median of the runs) and as a
// ratio to reading the same files' bytes, measured in the same process.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "skin/data/spSkinModel.h"

static double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

int main() {
  const std::string folder = TESS_FULL_SKIN_DIR "/";
  using clock = std::chrono::steady_clock;
  std::vector<double> loads, reads;
  size_t elements = 0;
  for (int run = 0; run < 25; ++run) {
    auto t0 = clock::now();
    TspMemIni ini;
    ini.LoadFromFile(folder + "skin.ini");
    TspSkinModel m;
    m.ReadSkin(ini, [&](const std::string& n) { return spLoadPictureFile(folder + n, n); });
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
