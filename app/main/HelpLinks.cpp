#include <windows.h>

#include "app/main/HelpLinks.h"

#include "app/main/Endpoints.h"
#include "app/main/ErrorReport.h"
#include "framework/Forms.h"
#include "framework/SysUtils.h"
#include "framework/WideText.h"

namespace {

const char* const ProductName = "Tessavane";

void OpenAddress(const std::string& address) {
  if (OnShellOpen) {
    OnShellOpen(address);
    return;
  }
  ShellExecuteW(nullptr, W(u"open"), W(UTF8ToUTF16(address)), nullptr, nullptr,
                SW_SHOWNORMAL);
}

std::string QueryValue(const std::string& text) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '_' || c == '~' || c == '+') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

}  // namespace

void HomePage1Click() { OpenAddress(Endpoints().HomePage); }

void Support1Click() { OpenAddress(Endpoints().SupportPage); }

std::string FacebookShareAddress() {
  return "http://www.facebook.com/sharer.php?u=" + QueryValue(Endpoints().ProductPage);
}

std::string TwitterShareAddress() {
  std::string text = ProductName;
  for (char& c : text)
    if (c == ' ') c = '+';
  return "http://twitter.com/share?original_referer=" + QueryValue(Endpoints().ProductPage) +
         "&text=" + QueryValue(text);
}

void LikeButtonClick() { OpenAddress(FacebookShareAddress()); }

void TweetButtonClick() { OpenAddress(TwitterShareAddress()); }

void Exit1Click(TCustomForm* mainForm) {
  AddToHistory("-> File -> Exit is chosen");
  if (mainForm) mainForm->Close();
}
