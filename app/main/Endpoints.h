// The addresses of the maker's services that the program talks to. They are
// read once from HKCU\Software\Brenlowe\Tessavane\Endpoints (values that are
// present replace the built-in ones; the key is never written), so that a
// test machine can point them at its own loopback servers. No mail account
// is built in: without one, error reports go to the user's mail program.
#pragma once

#include <string>

struct TEndpoints {
  std::string MailHost;        // "MailHost": the report mail server; empty means none
  int MailPort = 26;           // "MailPort"
  std::string MailUser;        // "MailUser"
  std::string MailPassword;    // "MailPassword"
  std::string ReportMailbox = "reports@brenlowe.example";   // "ReportMailbox": sender and recipient
  std::string SupportMailbox = "support@brenlowe.example";  // "SupportMailbox": the mail program's recipient
  // The maker's web pages.
  std::string HomePage = "http://www.brenlowe.example/";                        // "HomePage"
  std::string SupportPage = "http://www.brenlowe.example/support/";             // "SupportPage"
  std::string GuidePage = "http://www.brenlowe.example/tessavane/guide/";       // "GuidePage"
  std::string ProductPage = "http://www.brenlowe.example/tessavane/";           // "ProductPage"
};

const TEndpoints& Endpoints();
// Reads the key again (after a test changed it).
void ReloadEndpoints();

extern const char* const EndpointsKeyPath;
