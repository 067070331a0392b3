#include <gtest/gtest.h>

#include "runtime/Application.h"

int main(int argc, char** argv) {
    // The test's main thread is the GUI thread.
    trimora::Application::Instance();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
