#include "support/gtest.h"

#include <windows.h>

#include "framework/Registry.h"

namespace {

const char* kKey = "Software\\TessavaneTests\\Registry";

TEST(TRegistry, RoundTripsValuesUnderTheCurrentUser) {
  TRegistry reg;
  reg.DeleteKey(kKey);
  EXPECT_EQ(reg.RootKey(), HKEY_CURRENT_USER);
  EXPECT_FALSE(reg.OpenKey(kKey, false));
  EXPECT_FALSE(reg.KeyExists(kKey));
  ASSERT_TRUE(reg.OpenKey(std::string("\\") + kKey, true));
  EXPECT_EQ(reg.CurrentPath(), kKey);
  reg.WriteInteger("Count", -5);
  reg.WriteString("Folder", "C:\\Users\\Caf\xC3\xA9");
  reg.WriteBool("On", true);
  reg.WriteString("Empty", "");
  reg.CloseKey();

  TRegistry again;
  ASSERT_TRUE(again.OpenKey(kKey, false));
  EXPECT_TRUE(again.ValueExists("Count"));
  EXPECT_FALSE(again.ValueExists("Missing"));
  EXPECT_EQ(again.ReadInteger("Count"), -5);
  EXPECT_EQ(again.ReadString("Folder"), "C:\\Users\\Caf\xC3\xA9");
  EXPECT_TRUE(again.ReadBool("On"));
  EXPECT_TRUE(again.ValueExists("Empty"));
  EXPECT_EQ(again.ReadString("Empty"), "");
  EXPECT_THROW(again.ReadInteger("Folder"), ERegistryException);
  EXPECT_THROW(again.ReadString("Count"), ERegistryException);
  EXPECT_THROW(again.ReadInteger("Missing"), ERegistryException);
  EXPECT_TRUE(again.DeleteValue("On"));
  EXPECT_FALSE(again.ValueExists("On"));

  // A string stored without its terminating NUL and with an odd size is
  // read as far as it goes.
  const char16_t raw[] = u"abc";
  RegSetValueExW(again.CurrentKey(), u"Raw", 0, REG_SZ, reinterpret_cast<const BYTE*>(raw), 5);
  EXPECT_EQ(again.ReadString("Raw"), "ab");
  again.CloseKey();
  EXPECT_THROW(again.ReadInteger("Count"), ERegistryException);
  EXPECT_TRUE(again.OpenKeyReadOnly(kKey));
  EXPECT_EQ(again.ReadInteger("Count"), -5);
  again.CloseKey();
  EXPECT_TRUE(again.DeleteKey("Software\\TessavaneTests"));
  EXPECT_FALSE(again.KeyExists(kKey));
}

}  // namespace
