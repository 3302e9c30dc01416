#include <windows.h>

#include "app/main/HelpLinks.h"

#include "app/main/Endpoints.h"
#include "app/main/ErrorReport.h"
#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "framework/WideText.h"

namespace {

const char* const ProductName = "Tessavane";

}  // namespace

void HomePage1Click() { OpenInShell(Endpoints().HomePage); }

void Support1Click() { OpenInShell(Endpoints().SupportPage); }

std::string FacebookShareAddress() {
  return "http://www.facebook.com/sharer.php?u=" + PercentEncode(Endpoints().ProductPage, "+");
}

std::string TwitterShareAddress() {
  std::string text = ProductName;
  for (char& c : text)
    if (c == ' ') c = '+';
  return "http://twitter.com/share?original_referer=" + PercentEncode(Endpoints().ProductPage, "+") +
         "&text=" + PercentEncode(text, "+");
}

void LikeButtonClick() { OpenInShell(FacebookShareAddress()); }

void TweetButtonClick() { OpenInShell(TwitterShareAddress()); }

void Exit1Click(TCustomForm* mainForm) {
  AddToHistory("-> File -> Exit is chosen");
  if (mainForm) mainForm->Close();
}
