// The main of every test program: prepares the process as the programs do, then runs GoogleTest
// inside a private sandbox so that no test touches the real user's settings, cache, temporary
// files or mail.
#include "image/ProcessSettings.h"
#include "tests/support/Sandbox.h"

#include <gtest/gtest.h>

#ifdef VTL_TEST_WITH_GUI
#include <QApplication>
#endif

int main(int argc, char** argv) {
    vtlimage::PrepareProcess();
    testing::InitGoogleTest(&argc, argv);
    vtltest::Sandbox sandbox;
#ifdef VTL_TEST_WITH_GUI
    QApplication app(argc, argv);
#endif
    return RUN_ALL_TESTS();
}
