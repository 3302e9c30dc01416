#include "app/main/ErrorReport.h"

#include <windows.h>

#include <cstring>

#include "app/main/AppData.h"
#include "app/main/Endpoints.h"
#include "framework/SMTP.h"
#include "framework/StringList.h"
#include "framework/WideText.h"

std::function<bool(const std::string& message)> OnShowErrorWindow;
std::function<void(const std::string& target)> OnShellOpen;

namespace {

const char* const Rule = "-------------------------";

std::string LongTimeText() {
  char16_t buffer[64] = {};
  if (GetTimeFormatW(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, reinterpret_cast<LPWSTR>(buffer), 64) <= 0)
    return std::string();
  return UTF16ToUTF8(buffer);
}

}  // namespace

void ShellExecuteOpen(const std::string& target) {
  ShellExecuteW(nullptr, W(u"open"), W(UTF8ToUTF16(target)), nullptr, nullptr,
                SW_SHOWNORMAL);
}

void OpenInShell(const std::string& target) {
  if (OnShellOpen)
    OnShellOpen(target);
  else
    ShellExecuteOpen(target);
}

std::string PercentEncode(const std::string& text, const char* kept) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
        c == '_' || c == '~' || (c && std::strchr(kept, c))) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

TStringList& ActionHistory() {
  static TStringList* history = [] {
    auto* h = new TStringList;  // lives as long as the program
    h->Add("HISTORY:");
    return h;
  }();
  return *history;
}

void AddToHistory(const std::string& text) { ActionHistory().Add(LongTimeText() + text); }

TStringList& EventsLogLines() {
  static TStringList lines;
  return lines;
}

std::string ErrorReportMailto(const std::string& message, const std::string& mark) {
  return "mailto:" + Endpoints().SupportMailbox + "?subject=" + PercentEncode(ErrorReportSubject) +
         "&body=" + PercentEncode(message + " ;CODE LINE MARK:" + mark + ";  YOUR COMMENT (DETAILS):");
}

void SendErrorReport(const std::string& message, const std::string& mark) {
  if (!OnShowErrorWindow || !OnShowErrorWindow(message)) return;
  const TEndpoints& endpoints = Endpoints();
  TStringList& history = ActionHistory();
  history.Add(Rule);
  history.Add("ACTION HISTORY:");
  history.AddStrings(&EventsLogLines());
  history.Add(Rule);
  history.Add("LAST ERROR MESSAGE: " + message);
  history.Add("CODE LINE MARK: " + mark);

  TMailMessage mail;
  mail.From = endpoints.ReportMailbox;
  mail.Recipients.push_back(endpoints.ReportMailbox);
  mail.Subject = ErrorReportSubject;
  for (int i = 0; i < history.Count(); ++i) mail.Body.push_back(history[i]);
  TSMTP smtp;
  smtp.Host = endpoints.MailHost;
  smtp.Port = endpoints.MailPort;
  smtp.Username = endpoints.MailUser;
  smtp.Password = endpoints.MailPassword;
  try {
    smtp.Connect();
    smtp.Send(mail);
  } catch (const Exception&) {
    OpenInShell(ErrorReportMailto(message, mark));
  }
  smtp.Disconnect();
}

void InstallErrorReport() { OnReportError = SendErrorReport; }
