// The main window's web-page commands and its Exit command.
#pragma once

#include <string>

class TCustomForm;

// Every address is handed to the shell ("open", normal window), or to
// OnShellOpen when it is set.
void HomePage1Click();
void Support1Click();
// The share pages; the product page's address travels percent-encoded, so
// that its own "?" or "&" cannot end the share page's query early.
std::string FacebookShareAddress();
std::string TwitterShareAddress();
void LikeButtonClick();
void TweetButtonClick();
// Writes the history line and closes the main window (which ends the program).
void Exit1Click(TCustomForm* mainForm);
