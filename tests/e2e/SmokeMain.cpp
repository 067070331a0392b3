#include <gtest/gtest.h>

#include <QGuiApplication>
#include <cstdio>

#include "tests/e2e/VirtualDisplay.h"

// The smoke tests run the real program on an X server of their own; this process connects to
// the same server to take screenshots.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    trimora::test::VirtualDisplay display;
    std::string error;
    if (!display.StartAsThisProcessDisplay(error)) {
        std::fprintf(stderr, "smoke tests need a virtual X server: %s\n", error.c_str());
        return 1;
    }
    int result = 0;
    {
        QGuiApplication app(argc, argv);
        result = RUN_ALL_TESTS();
    }
    display.Stop();
    return result;
}
