// The action history and the error report: what the report mail carries,
// the history block every report leaves, and the user's mail program when
// no mail can be sent.
#include "support/gtest.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "SmtpFixture.h"
#include "app/main/Endpoints.h"
#include "app/main/ErrorReport.h"
#include "framework/Registry.h"
#include "framework/SMTP.h"
#include "framework/StringList.h"

namespace {

// Points the report mail at a loopback server (or at none) for one test.
class ErrorReport : public ::testing::Test {
protected:
  void SetUp() override {
    OnShowErrorWindow = [this](const std::string& m) {
      shown.push_back(m);
      return send;
    };
    OnShellOpen = [this](const std::string& t) { opened.push_back(t); };
    EventsLogLines().Clear();
  }
  void TearDown() override {
    OnShowErrorWindow = nullptr;
    OnShellOpen = nullptr;
    TRegistry reg;
    reg.DeleteKey(EndpointsKeyPath);
    ReloadEndpoints();
  }
  static void UseServer(const std::string& host, int port) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(EndpointsKeyPath, true));
    reg.WriteString("MailHost", host);
    reg.WriteInteger("MailPort", port);
    reg.WriteString("MailUser", "reporter");
    reg.WriteString("MailPassword", "secret");
    reg.WriteString("ReportMailbox", "reports@loopback.test");
    reg.WriteString("SupportMailbox", "help@loopback.test");
    ReloadEndpoints();
  }
  static std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
      out.push_back(text.substr(start, end - start));
    return out;
  }
  static int HistoryCount() { return ActionHistory().Count(); }
  static std::string HistoryLine(int i) { return ActionHistory()[i]; }

  bool send = true;
  std::vector<std::string> shown, opened;
};

}  // namespace

TEST_F(ErrorReport, HistoryLinesAreTimeStamped) {
  EXPECT_EQ("HISTORY:", HistoryLine(0));
  AddToHistory("-> Convert is clicked.");
  const std::string line = HistoryLine(HistoryCount() - 1);
  const size_t at = line.find("-> Convert is clicked.");
  ASSERT_NE(std::string::npos, at);
  EXPECT_GT(at, 0u);  // the time comes first
  EXPECT_EQ(line.size(), at + std::string("-> Convert is clicked.").size());
  EXPECT_NE(' ', line[at - 1]);
}

TEST_F(ErrorReport, CancelSendsNothingAndLeavesTheHistory) {
  TSmtpFixture server;
  UseServer("127.0.0.1", server.Port());
  send = false;
  const int before = HistoryCount();
  SendErrorReport("Error loading formats", "CLM_LoadFormats");
  EXPECT_EQ(std::vector<std::string>{"Error loading formats"}, shown);
  EXPECT_EQ(before, HistoryCount());
  EXPECT_TRUE(server.Dialogue().empty());
  EXPECT_TRUE(opened.empty());
}

TEST_F(ErrorReport, MailCarriesTheWholeHistoryAndLaterReportsTheEarlierBlocks) {
  TSmtpFixture server;
  UseServer("127.0.0.1", server.Port());
  AddToHistory("-> Program is started and shown.");
  EventsLogLines().Add("log line one");
  EventsLogLines().Add(".a line with a leading dot");
  SendErrorReport("Error loading formats", "CLM_LoadFormats");
  SendErrorReport("Second failure", "CLM_Terminate");
  EXPECT_TRUE(opened.empty());

  const std::vector<std::string> dialogue = server.Dialogue();
  EXPECT_EQ(2, std::count(dialogue.begin(), dialogue.end(), "AUTH LOGIN"));  // once per report
  EXPECT_NE(dialogue.end(), std::find(dialogue.begin(), dialogue.end(), Base64Encode("reporter")));
  EXPECT_NE(dialogue.end(), std::find(dialogue.begin(), dialogue.end(), "MAIL FROM:<reports@loopback.test>"));
  EXPECT_NE(dialogue.end(), std::find(dialogue.begin(), dialogue.end(), "RCPT TO:<reports@loopback.test>"));

  const std::vector<std::string> messages = server.Messages();
  ASSERT_EQ(2u, messages.size());
  std::vector<std::string> first = Lines(messages[0]);
  EXPECT_NE(first.end(), std::find(first.begin(), first.end(), "Subject: ERROR REPORT | Tessavane"));
  // The body: everything after the blank line that ends the headers.
  first.erase(first.begin(), std::find(first.begin(), first.end(), "") + 1);
  ASSERT_GE(first.size(), 8u);
  EXPECT_EQ("HISTORY:", first.front());
  const std::vector<std::string> block(first.end() - 7, first.end());
  EXPECT_EQ((std::vector<std::string>{"-------------------------", "ACTION HISTORY:", "log line one",
                                      ".a line with a leading dot", "-------------------------",
                                      "LAST ERROR MESSAGE: Error loading formats", "CODE LINE MARK: CLM_LoadFormats"}),
            block);
  // The second mail repeats the first one's block and ends with its own.
  const std::vector<std::string> second = Lines(messages[1]);
  EXPECT_NE(second.end(), std::find(second.begin(), second.end(), "CODE LINE MARK: CLM_LoadFormats"));
  EXPECT_EQ("CODE LINE MARK: CLM_Terminate", second.back());
  EXPECT_EQ("CODE LINE MARK: CLM_Terminate", HistoryLine(HistoryCount() - 1));
}

TEST_F(ErrorReport, WithoutAMailTheMailProgramOpensAndTheHistoryKeepsTheBlock) {
  struct Case {
    const char* what;
    bool server, acceptLogin;
    std::string host;
  } cases[] = {{"server down", false, true, "127.0.0.1"},
               {"credentials refused", true, false, "127.0.0.1"},
               {"no mail server set", false, true, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    opened.clear();
    std::unique_ptr<TSmtpFixture> server;
    if (c.server) server = std::make_unique<TSmtpFixture>(c.acceptLogin);
    UseServer(c.host, server ? server->Port() : TSmtpFixture::ClosedPort());
    SendErrorReport("Can't open a&b?c #1", "CLM_VIDavazaOpen");
    ASSERT_EQ(1u, opened.size());
    // Subject and body are escaped, so the "&", "?" and "#" of the message
    // neither end the body nor start another field.
    EXPECT_EQ("mailto:help@loopback.test?subject=ERROR%20REPORT%20%7C%20Tessavane&body=Can%27t%20open%20a%26b%3Fc%20%231"
              "%20%3BCODE%20LINE%20MARK%3ACLM_VIDavazaOpen%3B%20%20YOUR%20COMMENT%20%28DETAILS%29%3A",
              opened[0]);
    EXPECT_EQ("CODE LINE MARK: CLM_VIDavazaOpen", HistoryLine(HistoryCount() - 1));
    if (server) {
      EXPECT_TRUE(server->Messages().empty());
    }
  }
}
