// The web downloader behind the Download command: an outside library,
// "Downloader.dll", loaded on first use and kept until the main window
// closes. It saves files into the Temp folder and answers their names as
// "name|name|".
#pragma once

#include <string>
#include <vector>

// Loads the library when it is not loaded yet; false when it cannot be.
bool LoadDownloader();
bool DownloaderLoaded();
void FreeDownloader();

// Calls the downloader with the program's texts, the skin folder, the Temp
// folder, the main window's position and the interface language. False
// when the library has no entry point (reported as an error), or when the
// downloader answered False; `result` is its answer text.
bool RunDownloader(int windowLeft, int windowTop, std::string& result);

// The script the downloader runs instead of asking for an address, while
// that file exists: the command line's "--downloader-script=<file>" at
// start (ToolSwitches.h); empty: the downloader's own window.
std::string& DownloaderScript();

// The files of an answer: each name before a "|" joined to the Temp folder,
// in order. Empty names are skipped; names that would leave the Temp folder
// (path separators, drive colons, "." and "..") are not taken and go to
// `refused` when given. A text after the last "|" is not taken.
std::vector<std::string> DownloadedFiles(const std::string& result, const std::string& tempFolder,
                                         std::vector<std::string>* refused = nullptr);

// A window edge as the downloader's 16-bit unsigned value: positions off
// the screen's left or top edge are passed as 0, beyond 65535 as 65535.
unsigned short DownloaderEdge(int position);
