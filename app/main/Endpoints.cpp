#include "app/main/Endpoints.h"

#include "framework/Registry.h"

const char* const EndpointsKeyPath = "Software\\Brenlowe\\Tessavane\\Endpoints";

namespace {

TEndpoints& Current() {
  static TEndpoints endpoints;
  return endpoints;
}

TEndpoints Read() {
  TEndpoints e;
  TRegistry reg;
  if (!reg.OpenKeyReadOnly(EndpointsKeyPath)) return e;
  // A value of another type than expected is left at its default.
  auto text = [&](const char* name, std::string& field) {
    try {
      if (reg.ValueExists(name)) field = reg.ReadString(name);
    } catch (const ERegistryException&) {
    }
  };
  text("MailHost", e.MailHost);
  text("MailUser", e.MailUser);
  text("MailPassword", e.MailPassword);
  text("ReportMailbox", e.ReportMailbox);
  text("SupportMailbox", e.SupportMailbox);
  text("HomePage", e.HomePage);
  text("SupportPage", e.SupportPage);
  text("GuidePage", e.GuidePage);
  text("ProductPage", e.ProductPage);
  try {
    if (reg.ValueExists("MailPort")) {
      const int port = reg.ReadInteger("MailPort");
      if (port > 0 && port < 65536) e.MailPort = port;
    }
  } catch (const ERegistryException&) {
  }
  return e;
}

bool& Loaded() {
  static bool loaded = false;
  return loaded;
}

}  // namespace

const TEndpoints& Endpoints() {
  if (!Loaded()) ReloadEndpoints();
  return Current();
}

void ReloadEndpoints() {
  Current() = Read();
  Loaded() = true;
}
