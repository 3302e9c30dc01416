// The steps and looks the conversion scenarios share: where the outputs
// are, what ffprobe says of them, the commands a person uses to add and
// convert clips, and reading the item table's texts from the screen.
#pragma once

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "acceptance/Driver.h"
#include "acceptance/Session.h"
#include "engine/Fixtures.h"
#include "framework/SysUtils.h"
#include "support/gtest.h"

namespace convsteps {

// ---- media made for the scenarios ----

// A clip of the lavfi source `video` with a 440 Hz tone, H.264/AAC.
inline std::string Lavfi(const std::string& video, double seconds, const std::string& size = "320x240") {
  std::ostringstream c;
  c << "ffmpeg -y -v error -f lavfi -i " << video << (video.back() == ':' ? "" : "=") << "size=" << size << ":rate=25:duration=" << seconds
    << " -f lavfi -i sine=frequency=440:sample_rate=44100:duration=" << seconds
    << " -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -ac 2 -shortest {out}";
  return c.str();
}

// A scenario whose media are made before it waits for the program.
template <const std::vector<fixtures::TFixture>& (*Media)()>
class ScenarioWithMedia : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(fixtures::Ensure(Media()));
    session::WaitForProgram();
  }
};

// ---- where things are ----

inline std::string OutputFolder() { return drv::DocumentsFolder() + "\\Brenlowe\\Tessavane\\Output"; }
inline std::string Unix(const std::string& windowsPath) { return ToNativePath(windowsPath); }

// The first file of the folder whose name starts with `stem` + ".", or "".
inline std::string FindOutput(const std::string& folder, const std::string& stem) {
  WIN32_FIND_DATAW data{};
  const std::u16string pattern = UTF8ToUTF16(folder + "\\" + stem + ".*");
  HANDLE h = FindFirstFileW(reinterpret_cast<LPCWSTR>(pattern.c_str()), &data);
  if (h == INVALID_HANDLE_VALUE) return "";
  FindClose(h);
  return folder + "\\" + UTF16ToUTF8(std::u16string(reinterpret_cast<const char16_t*>(data.cFileName)));
}

// The names in the folder, "." and ".." included.
inline std::vector<std::string> FolderNames(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW data{};
  HANDLE h = FindFirstFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(folder + "\\*").c_str()), &data);
  if (h == INVALID_HANDLE_VALUE) return names;
  do names.push_back(UTF16ToUTF8(reinterpret_cast<const char16_t*>(data.cFileName)));
  while (FindNextFileW(h, &data));
  FindClose(h);
  std::sort(names.begin(), names.end());
  return names;
}

inline void DeleteOutputs(const std::string& folder, const std::string& stem) {
  for (std::string f = FindOutput(folder, stem); !f.empty(); f = FindOutput(folder, stem))
    if (!DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(f).c_str()))) break;
}

inline int64_t FileSize(const std::string& windowsPath) {
  WIN32_FILE_ATTRIBUTE_DATA a{};
  if (!GetFileAttributesExW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(windowsPath).c_str()), GetFileExInfoStandard, &a))
    return -1;
  return (static_cast<int64_t>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

// The name an output is written under until its task has finished.
inline std::string Incomplete(const std::string& windowsPath) { return windowsPath + ".incomplete"; }

inline std::string Probe(const std::string& windowsPath, const std::string& entries, const std::string& stream = "") {
  std::string cmd = "ffprobe -v error ";
  if (!stream.empty()) cmd += "-select_streams " + stream + " ";
  cmd += "-show_entries " + entries + " -of default=nw=1:nk=1 '" + Unix(windowsPath) + "'";
  std::string out = fixtures::Output(cmd);
  while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
  return out;
}

inline double Duration(const std::string& windowsPath) {
  const std::string d = Probe(windowsPath, "format=duration");
  return d.empty() ? -1 : std::atof(d.c_str());
}

// A text value under HKEY_CURRENT_USER, made with its key when missing.
inline void SetUserString(const std::u16string& key, const std::u16string& name, const std::string& value) {
  HKEY h = nullptr;
  RegCreateKeyExW(HKEY_CURRENT_USER, reinterpret_cast<LPCWSTR>(key.c_str()), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                  &h, nullptr);
  const std::u16string text = UTF8ToUTF16(value);
  RegSetValueExW(h, reinterpret_cast<LPCWSTR>(name.c_str()), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                 static_cast<DWORD>((text.size() + 1) * sizeof(char16_t)));
  RegCloseKey(h);
}

// ---- the hands: the commands a person uses ----

// Adds one file through File > Add File(s): its full name typed into the
// open dialog; waits until the loading dialog is done.
inline void AddFile(const std::string& windowsPath) {
  drv::ClickMenu({"File1", "Openvideo1"});
  ASSERT_NE(drv::WaitWindow(u"TspOpenDlgForm"), nullptr);
  drv::ClickControl("TspOpenDlgForm", "FileNameEdit");
  // The edit may still hold the name chosen last time.
  drv::Key(VK_HOME);
  drv::Key(VK_END, false, false, true);
  drv::Type(windowsPath);
  drv::Key(VK_RETURN);
  ASSERT_TRUE(drv::WaitWindowGone(u"TspOpenDlgForm"));
  drv::WaitUntil([] { return drv::FindShownWindow(u"TLoadForm") == nullptr; }, 30000);
}

inline RECT TableRect() { return drv::WaitControl("MainForm", "sgList"); }

// The status cell of table row `row` (from 1), in screen coordinates.
inline RECT StatusCell(int row) {
  const RECT t = TableRect();
  const int top = t.top + 18 + (row - 1) * 18;
  return RECT{t.left + 620, top, t.left + 690, top + 18};
}

inline RECT CheckCell(int row) {
  const RECT t = TableRect();
  const int top = t.top + 18 + (row - 1) * 18;
  return RECT{t.left, top, t.left + 40, top + 18};
}

inline int Luma(unsigned c) { return static_cast<int>(((c >> 16 & 255) * 3 + (c >> 8 & 255) * 6 + (c & 255)) / 10); }

// Lays `text`, drawn black on white in the font, over every place of the
// area and calls `place`(ink pixels the screen lacks, clear ground pixels
// the screen has inked, ink count, ground count); stops when it returns
// true. The screen's ink may be grey where the reference has black.
template <class Place>
bool EachPlacement(const RECT& area, const std::vector<unsigned>& shown, const std::string& text, const char* font,
                   bool bold, int height, Place place) {
  int tw = 0, th = 0;
  const std::vector<unsigned> glyph = drv::DrawnLetters(text, font, height, bold, false, tw, th);
  const int aw = area.right - area.left, ah = area.bottom - area.top;
  if (tw <= 0 || th <= 0 || aw < tw || ah < th) return false;
  std::vector<std::pair<int, int>> ink, ground;
  for (int y = 0; y < th; ++y)
    for (int x = 0; x < tw; ++x) {
      if (Luma(glyph[static_cast<size_t>(y * tw + x)]) < 90) {
        ink.emplace_back(x, y);
        continue;
      }
      bool clear = true;
      for (int dy = -1; dy <= 1 && clear; ++dy)
        for (int dx = -1; dx <= 1 && clear; ++dx) {
          const int nx = x + dx, ny = y + dy;
          if (nx >= 0 && ny >= 0 && nx < tw && ny < th && Luma(glyph[static_cast<size_t>(ny * tw + nx)]) < 250)
            clear = false;
        }
      if (clear) ground.emplace_back(x, y);
    }
  if (ink.empty()) return false;
  auto at = [&](int x, int y) { return Luma(shown[static_cast<size_t>(y * aw + x)]); };
  for (int oy = 0; oy + th <= ah; ++oy)
    for (int ox = 0; ox + tw <= aw; ++ox) {
      size_t inkMiss = 0, groundMiss = 0;
      // Smoothed strokes: any shade darker than the ground counts as ink.
      for (const auto& p : ink)
        if (at(ox + p.first, oy + p.second) > 245) ++inkMiss;
      for (const auto& p : ground)
        if (at(ox + p.first, oy + p.second) < 150) ++groundMiss;
      if (place(inkMiss, groundMiss, ink.size(), ground.size())) return true;
    }
  return false;
}

// Like drv::ShowsText, but tolerant of smoothed letters.
inline bool ShowsSmoothText(const RECT& area, const std::vector<unsigned>& shown, const std::string& text,
                            const char* font, bool bold, int height) {
  return EachPlacement(area, shown, text, font, bold, height, [](size_t inkMiss, size_t groundMiss, size_t ink,
                                                                 size_t ground) {
    return inkMiss <= ink / 5 && groundMiss <= ground / 12;
  });
}

// The fewest pixels in which `text` and the area differ, over its places.
inline size_t TextMisfit(const RECT& area, const std::vector<unsigned>& shown, const std::string& text,
                         const char* font, bool bold, int height) {
  size_t best = SIZE_MAX;
  EachPlacement(area, shown, text, font, bold, height, [&](size_t inkMiss, size_t groundMiss, size_t, size_t) {
    best = std::min(best, inkMiss + groundMiss);
    return false;
  });
  return best;
}

// The widest run of columns holding dark pixels, in pixels (0 when none).
inline int InkExtent(const std::vector<unsigned>& shown, int aw, int ah) {
  int first = -1, last = -1;
  for (int x = 0; x < aw; ++x) {
    int dark = 0;
    for (int y = 0; y < ah; ++y)
      if (Luma(shown[static_cast<size_t>(y * aw + x)]) < 120) ++dark;
    // Lines and the ground beyond the window run through the whole height;
    // letters do not.
    if (dark == 0 || dark >= ah - 2) continue;
    if (first < 0) first = x;
    last = x;
  }
  return first < 0 ? 0 : last - first + 1;
}

inline int TextWidthAt(const std::string& text, const char* font, bool bold, int height) {
  HDC screen = GetDC(nullptr);
  HDC mem = CreateCompatibleDC(screen);
  const std::u16string face = UTF8ToUTF16(font);
  HFONT f = CreateFontW(height, 0, 0, 0, bold ? FW_BOLD : FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0,
                        NONANTIALIASED_QUALITY, 0, reinterpret_cast<LPCWSTR>(face.c_str()));
  HGDIOBJ old = SelectObject(mem, f);
  const std::u16string w = UTF8ToUTF16(text);
  SIZE extent{};
  GetTextExtentPoint32W(mem, reinterpret_cast<LPCWSTR>(w.c_str()), static_cast<int>(w.size()), &extent);
  SelectObject(mem, old);
  DeleteObject(f);
  DeleteDC(mem);
  ReleaseDC(nullptr, screen);
  return extent.cx;
}

// The text in any of the fonts the program's grid and dialogs draw with.
// `wholeCell`: the area holds nothing but the text (a status cell), so the
// dark part must also be as wide as the text.
inline bool ShowsTextAnyFont(const RECT& area, const std::string& text, bool wholeCell = false) {
  const std::vector<unsigned> shown = drv::Grab(area);
  const int aw = area.right - area.left, ah = area.bottom - area.top;
  const int ink = wholeCell ? InkExtent(shown, aw, ah) : 0;
  // The program's 8-point texts, at the screen's resolution or at the
  // common larger ones.
  for (int height : {-11, -13, -12, -14, -15})
    for (bool bold : {false, true})
      for (const char* font : {"Microsoft Sans Serif", "Tahoma"})
        if (ShowsSmoothText(area, shown, text, font, bold, height)) {
          if (!wholeCell) return true;
          const int w = TextWidthAt(text, font, bold, height);
          if (ink * 100 >= w * 70 && ink * 100 <= w * 125) return true;
        }
  return false;
}

inline bool WaitTextAnyFont(const RECT& area, const std::string& text, int timeoutMs, bool wholeCell = false) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (true) {
    if (ShowsTextAnyFont(area, text, wholeCell)) return true;
    if (std::chrono::steady_clock::now() > end) return false;
    drv::Pause(700);
  }
}

// The pointer goes to the screen's corner first: a row under it is drawn
// highlighted.
inline bool RowShows(int row, const std::string& text, int timeoutMs) {
  const RECT cell = StatusCell(row);
  drv::MoveTo(2, 2);
  return WaitTextAnyFont(cell, text, timeoutMs, true);
}

// A status cell showing a number exactly: in a font where the text is
// found, no text that differs from it in one digit fits the pixels as
// well (the tolerant finder alone takes a 6 for a 9).
inline bool ShowsNumber(const RECT& cell, const std::string& text) {
  const std::vector<unsigned> shown = drv::Grab(cell);
  for (int height : {-11, -13, -12, -14, -15})
    for (bool bold : {false, true})
      for (const char* font : {"Microsoft Sans Serif", "Tahoma"}) {
        if (!ShowsSmoothText(cell, shown, text, font, bold, height)) continue;
        const size_t own = TextMisfit(cell, shown, text, font, bold, height);
        bool best = true;
        for (size_t i = 0; i < text.size() && best; ++i) {
          if (text[i] < '0' || text[i] > '9') continue;
          for (char digit = '0'; digit <= '9' && best; ++digit) {
            if (digit == text[i]) continue;
            std::string rival = text;
            rival[i] = digit;
            best = TextMisfit(cell, shown, rival, font, bold, height) > own;
          }
        }
        if (best) return true;
      }
  return false;
}

// Waits until the row's status cell shows the number `text` exactly.
inline bool RowShowsNumber(int row, const std::string& text, int timeoutMs) {
  drv::MoveTo(2, 2);
  return drv::WaitUntil([&] { return ShowsNumber(StatusCell(row), text); }, timeoutMs);
}

inline void Convert() { drv::ClickMenu({"Actions1", "Convert1"}); }
inline void StopRun() { drv::ClickMenu({"Actions1", "Stop1"}); }

// Answers the skinned message box shown now with the named button.
inline void Answer(const std::string& button) {
  ASSERT_NE(drv::WaitWindow(u"TspMessageForm"), nullptr);
  drv::ClickControl("TspMessageForm", button);
  ASSERT_TRUE(drv::WaitWindowGone(u"TspMessageForm"));
}

inline std::string Fixture(const char* name) { return fixtures::WindowsPath(name); }

// The whole file, for "nothing of the source is touched".
inline std::string Bytes(const char* fixture) { return fixtures::ReadAll(fixtures::UnixPath(fixture)); }

inline double ProcessCpuSeconds() {
  FILETIME created, exited, kernel, user;
  GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
  auto secs = [](const FILETIME& f) {
    return ((static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 1e7;
  };
  return secs(kernel) + secs(user);
}

}  // namespace convsteps
