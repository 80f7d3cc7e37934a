// The entry of the test programs that run against the stand-in server: GoogleTest's own options,
// then --work=DIR (and --todir=PATH) for the fixture.
#include <gtest/gtest.h>

#include "server_fixture.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  odbc_test::ReadArguments(argc, argv);
  return RUN_ALL_TESTS();
}
