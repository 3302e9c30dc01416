// Shared main of the test programs: the thread that runs the tests is the
// GUI thread, with an application object as in the program.
#include "support/gtest.h"

#include "framework/Forms.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  TApplication app;
  return RUN_ALL_TESTS();
}
