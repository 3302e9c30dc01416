// The acceptance tests' hands and eyes. The program runs its own start-up
// on the process's main thread; the tests run on a thread of their own and
// reach the program only as a person does: the mouse and the keyboard
// through the system's input queue, and what the screen, the files and the
// registry show. Controls are found by their names (the only thing read
// from the program's objects: where a control or menu item is on screen).
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace drv {

// ---- time ----
// Polls `done` until it is true or `timeoutMs` passed; true when it came.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 15000);
void Pause(int ms);

// ---- finding things on the screen ----
// A named control of a named window (the window's own name, e.g. "MainForm",
// or a window's class name such as "TspOpenDlgForm"), on screen and shown:
// its screen rectangle.
bool ControlRect(const std::string& form, const std::string& control, RECT& r);
// Waits for the control to be shown; fails the test when it does not come.
RECT WaitControl(const std::string& form, const std::string& control, int timeoutMs = 15000);
// An item of the main window's skinned menu bar, by the menu item's name.
bool MenuBarItemRect(const std::string& item, RECT& r);
// An item of the skinned popup menu shown now, by the menu item's name.
bool PopupItemRect(const std::string& item, RECT& r);
// The top-level window of the program that is shown and active, or the
// topmost shown window of the class.
HWND ActiveWindow();
HWND FindShownWindow(const std::u16string& className);
// Waits until a shown window of that class is there.
HWND WaitWindow(const std::u16string& className, int timeoutMs = 15000);
bool WaitWindowGone(const std::u16string& className, int timeoutMs = 15000);
std::u16string ClassOf(HWND window);
std::string TextOf(HWND window);

// ---- the hands ----
void MoveTo(int x, int y);
void Click(int x, int y, bool right = false);
void DoubleClick(int x, int y);
void ClickCenter(const RECT& r, bool right = false);
void Drag(POINT from, POINT to, int steps = 8);
// Clicks the control at its centre (waiting for it to be shown).
void ClickControl(const std::string& form, const std::string& control, bool right = false);
// Opens the menu bar's item and clicks the items of the path in turn, e.g.
// {"File1", "Openvideo1"}.
void ClickMenu(const std::vector<std::string>& path);
// Clicks an item of the popup menu shown now (waiting for it).
void ClickPopupItem(const std::string& item);
void Key(WORD vk, bool ctrl = false, bool alt = false, bool shift = false);
// Types UTF-8 text as key presses of its characters.
void Type(const std::string& text);

// ---- the eyes ----
// The screen's pixels of a rectangle, top-down 0x00RRGGBB.
std::vector<unsigned> Grab(const RECT& r);
// Saves the screen's rectangle (or the whole screen) as a PNG into the
// artifacts folder beside the tests; returns the path.
std::string Screenshot(const std::string& name, const RECT* r = nullptr);
// How many distinct colours the rectangle shows (an empty area shows one).
int ColourCount(const RECT& r);
RECT WindowRect(HWND window);

// ---- the program's surroundings (media files: tests/engine/Fixtures.h) ----
std::string DocumentsFolder();
std::string ProgramFolder();
std::string ArtifactsFolder();
bool FileExistsW(const std::string& path);
// A string value under HKEY_CURRENT_USER; false when it is not there.
bool RegistryString(const std::string& key, const std::string& value, std::string& out);

}  // namespace drv

namespace drv {
// True when the screen's rectangle shows `text` as the program draws it:
// dark letters of that font somewhere on a light ground. `size` is in
// points; a negative one is the font's height in pixels (as a skin gives it).
bool ShowsText(const RECT& area, const std::string& text, const char* font = "Microsoft Sans Serif", int size = 8,
               bool bold = false);
// The letters of `text` drawn black on white by the system in that font
// (`height` as the system's font call takes it; `smooth` off draws them
// without smoothing): top-down 0x00RRGGBB, `width` x `rows`.
std::vector<unsigned> DrawnLetters(const std::string& text, const char* font, int height, bool bold, bool smooth,
                                   int& width, int& rows);
bool WaitText(const RECT& area, const std::string& text, int timeoutMs = 10000,
              const char* font = "Microsoft Sans Serif", int size = 8, bool bold = false);
}  // namespace drv

namespace drv {
// The one step a person could not take: shows a control (with its hidden
// parents) or a menu item that the start-up layout hides, so that the
// scenario can then click it like any other.
void Reveal(const std::string& form, const std::string& name);
}  // namespace drv

namespace drv {
// The screen rectangle of tab `index` of a named page control.
bool TabRect(const std::string& form, const std::string& pageControl, int index, RECT& r);
}  // namespace drv

namespace drv {
// Every menu item without sub-items and every button of every window the
// program made that has no command bound: "Window.Name" each. (It reads the
// program's objects, which a person cannot: the walk over the commands is
// the one check of this kind.)
std::vector<std::string> CommandsWithoutHandler();
}  // namespace drv

namespace drv {
// Adds one media file as a person does: File > Add File(s), its full name
// typed into the open dialog (over whatever name the edit still holds);
// returns when the loading dialog is gone.
void AddFileThroughOpenDialog(const std::string& windowsPath);
}  // namespace drv
