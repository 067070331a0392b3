// The calibration window when the dongle search finds nothing usable: it opens all the same,
// says it is not connected, the trace tells why, and it closes without trouble.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QApplication>
#include <QTest>
#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "app/qt/QtCalibrationWindow.h"
#include "runtime/TMemo.h"
#include "tests/common/PseudoTerminal.h"
#include "tests/e2e/LineBench.h"

using namespace trimora;

TEST(WindowFaults, NoUsableDongleOnThePortGiven) {
    e2e::ScratchDir scratch;
    const std::string regular = scratch.Path() + "/regular";
    std::ofstream(regular) << "not a serial port\n";
    test::PseudoTerminal silent;  // opens, never answers

    struct Port {
        const char* What;
        std::string Path;
    };
    const std::vector<Port> ports = {
        {"missing device", "/dev/ttyTRIMORA-missing"},
        {"directory", scratch.Path()},
        {"regular file", regular},
        {"device that never answers", silent.SlavePath()},
    };
    for (const Port& p : ports) {
        SCOPED_TRACE(p.What);
        TMemo trace;
        auto form = std::make_unique<TQtCalibrationWindow>([&](TVelnWirelessProtocol& Protocol) {
            Protocol.SetPortDef(p.Path);
            Protocol.PortLister = [] { return std::vector<std::string>{}; };
            Protocol.SetDebugMemo(&trace);
        });
        EXPECT_FALSE(form->Form().Protocol()->Connected());
        EXPECT_EQ(form->windowTitle(), "Trimora: not connected!");
        EXPECT_NE(
            std::find(trace.Lines().begin(), trace.Lines().end(), "Connection Failed " + p.Path),
            trace.Lines().end());
        form->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        QTest::mouseClick(form->Btn_P2, Qt::LeftButton);
        EXPECT_EQ(form->Form().CurrentPoint(), 1);
        form.reset();  // the operator closes it
    }
}
