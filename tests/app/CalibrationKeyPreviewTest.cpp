#include <gtest/gtest.h>

#include <QTest>

#include "app/qt/QtCalibrationWindow.h"

using namespace trimora;

namespace {

void TypeIntoFocus(char Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
    // Sent where the keyboard would send it: to the control that has the focus.
    QTest::keyClick(QApplication::focusWidget(), Key, Modifiers);
}

}  // namespace

TEST(CalibrationKeyPreview, OnlyLowerCaseDEnlargesTheWindowAndTheKeyGoesOn) {
    // No dongle: the keys need none.
    TQtCalibrationWindow form([](TVelnWirelessProtocol& Protocol) {
        Protocol.SetPortDef("/nonexistent/trimora-test-port");
        Protocol.PortLister = [] { return std::vector<std::string>{}; };
    });
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
    form.Btn_P2->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), form.Btn_P2);

    struct Step {
        char key;
        Qt::KeyboardModifiers modifiers;
        int outerHeight;
    } steps[] = {
        {'D', Qt::ShiftModifier, 164}, {'x', Qt::NoModifier, 164}, {'4', Qt::NoModifier, 164},
        {'d', Qt::NoModifier, 400},    {'d', Qt::NoModifier, 400},  // twice: still 400
    };
    for (const Step& step : steps) {
        TypeIntoFocus(step.key, step.modifiers);
        EXPECT_EQ(form.OuterHeight(), step.outerHeight) << step.key;
        EXPECT_EQ(form.frameGeometry().height(), step.outerHeight) << step.key;
    }

    // The window saw the key first; the text pane with the focus still receives it.
    form.Memo1->setFocus();
    ASSERT_EQ(QApplication::focusWidget(), form.Memo1);
    form.Memo1->moveCursor(QTextCursor::End);
    TypeIntoFocus('d');
    TypeIntoFocus('x');
    EXPECT_EQ(form.Memo1->toPlainText(), "Memo1dx");
    EXPECT_EQ(form.OuterHeight(), 400);
}
