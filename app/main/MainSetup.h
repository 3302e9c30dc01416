// What the main window prepares at start-up and clears at exit that needs
// no window: the working folders, the temporary folder's clean-up, one copy
// of the sound and picture library per player, and the open dialog's filter.
#pragma once

#include <string>

#include "framework/ShellFolders.h"  // DeleteFolderTree

// The shell's special folder with that id (5 documents, 14 videos, 26
// application data), made when missing; empty on failure. No trailing
// delimiter.
std::string SpecialFolderPath(int id);

// The working folders under the user's documents and application data:
// sets TempFolder, CustomProfileFolder, SnapshotFolder and ReportDataFolder,
// making the folders that are missing (failures are not reported; a Temp
// folder that still does not exist falls back to "c:\Brenlowe_temp").
// Returns the Output folder when it exists, else "".
std::string SetUpFolders();

// The copy of the library folder's SDL.dll that player n loads: "\SDL_<n>.dll",
// to be appended to TempFolder; the copy is made when it is not there yet.
std::string PrepareSdlLibrary(int n);

// The open dialog's filter: all formats, video formats, audio formats, then
// one entry per format.
std::string OpenDialogFilter();

// The program's own default temporary folder (set by SetUpFolders).
std::string DefaultTempFolder();

// Empties the temporary folder at exit. Only the program's own default Temp
// folder is emptied whole: a folder the user chose in the settings may hold
// the user's files, so there only the files the program itself puts into
// it (the players' library copies) go.
void CleanTempFolder();

