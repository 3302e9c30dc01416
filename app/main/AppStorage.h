// Where the application's data lives on disk and in the registry: the
// language and profile files beside the program, the user's custom
// profiles, and the settings key. Win32 code (GUI thread).
#pragma once

#include <cstdint>
#include <string>

class TFont;

// Program folder without its trailing backslash.
std::string ProgramFolder();

// Reads languages\transl.dat; a language index the table has no column for
// becomes English.
void LoadTranslations();
// Path of resource<LanguageIndex>.dat for the skin library's strings.
std::string ResourceStringsFile();

// Reads profiles<N>.dat, formats<N>.dat and the custom-profile file and
// builds the catalogue. A custom-profile file that could not be read is
// kept as custom-profiles.dat.bak before anything can replace it.
void LoadProfileCatalogue();
// Writes the custom category to custom-profiles.dat through a temporary
// file, so a failed write leaves the old file whole; reports a failure.
bool SaveCustomProfiles();
std::string CustomProfilesFile();

// Setting targets that belong to windows not built yet: the output-folder
// box, the open dialog's folder and its last selection, the donate flag.
extern std::string OutputPathText;
extern std::string OpenVideoDialogPath;
extern std::string OpenDialogSelectionFolder;  // empty: the dialog was not used this run
extern bool DonateDialogEnabled;

// Reads the settings key; `uiLanguage` is the system's user-interface
// language identifier (its low byte 10 is Spanish). Out-of-range values are
// clamped and a value of the wrong type is skipped.
void LoadSettings();
void LoadSettingsFor(uint16_t uiLanguage);
void SaveSettings();

void CopyFont(const TFont* source, TFont* destination);
bool IsMouseButtonDown();
