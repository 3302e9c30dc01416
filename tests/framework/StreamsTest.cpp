#include "support/gtest.h"

#include <windows.h>

#include "framework/ShellFolders.h"
#include "framework/Streams.h"

namespace {

TEST(TMemoryStream, ReadsWritesSeeksAndRefusesShortReads) {
  TMemoryStream m;
  m.WriteBuffer("hello world", 11);
  EXPECT_EQ(m.Size(), 11);
  EXPECT_EQ(m.Position(), 11);
  m.Seek(-5, soEnd);
  char buf[8] = {};
  m.ReadBuffer(buf, 5);
  EXPECT_EQ(std::string(buf, 5), "world");
  EXPECT_THROW(m.ReadBuffer(buf, 1), EReadError);
  EXPECT_EQ(m.Read(buf, 4), 0u);
  m.SetPosition(20);  // writing past the end fills the gap with zeros
  m.WriteBuffer("!", 1);
  EXPECT_EQ(m.Size(), 21);
  EXPECT_EQ(m.Memory()[15], 0);
  EXPECT_THROW(m.Seek(-1, soBeginning), EStreamError);
  m.SetSize(5);
  EXPECT_EQ(m.Position(), 5);
}

TEST(TFileStream, CreatesOpensCopiesAndNamesMissingFiles) {
  std::string name = GetTempFolder() + "tess-stream.bin";
  {
    TFileStream f(name, fmCreate);
    f.WriteBuffer("0123456789", 10);
    f.SetSize(8);
  }
  TMemoryStream m;
  {
    TFileStream f(name, fmOpenRead | fmShareDenyWrite);
    EXPECT_EQ(f.Size(), 8);
    f.Seek(2, soBeginning);
    EXPECT_EQ(m.CopyFrom(&f, 3), 3);
    EXPECT_THROW(m.CopyFrom(&f, 10), EReadError);
    EXPECT_EQ(m.CopyFrom(&f, 0), 8);  // 0: the whole stream
  }
  EXPECT_EQ(std::string(m.Bytes().begin(), m.Bytes().begin() + 3), "234");
  EXPECT_EQ(ReadFileBytes(name).size(), 8u);
  DeleteFileW(reinterpret_cast<LPCWSTR>(UTF8ToUTF16(name).c_str()));
  try {
    TFileStream f(name, fmOpenRead);
    ADD_FAILURE();
  } catch (const EFOpenError& e) {
    EXPECT_NE(std::string(e.what()).find("tess-stream.bin"), std::string::npos);
  }
}

}  // namespace
