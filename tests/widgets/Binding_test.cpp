#include "widgets/Binding.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include "support/WidgetApp.h"

namespace zelto::widgets {
namespace {

TEST(Binding, ClicksAndTypingReachTheModelAndWidgetsShowTheModel) {
    test::app();
    ui::CheckBox model("Errors Only");
    model.onClick = [&] { model.setValue(false); };  // a handler refusing the click
    QCheckBox box;
    bind(&box, model);
    box.show();
    QTest::mouseClick(&box, Qt::LeftButton);
    EXPECT_FALSE(box.isChecked());
    model.onClick = nullptr;
    QTest::mouseClick(&box, Qt::LeftButton);
    EXPECT_TRUE(model.value());
    model.setCaption("R&D tests");
    EXPECT_EQ(box.text(), "R&&D tests");  // shown literally, not as a shortcut

    ui::MenuItem start("&Start");
    QAction action;
    bind(&action, start);
    action.trigger();
    EXPECT_FALSE(action.isChecked()) << "the mark shows the run state";

    ui::TextBox interval("20");
    QLineEdit edit;
    bind(&edit, interval);
    edit.show();
    edit.selectAll();
    QTest::keyClicks(&edit, "5");
    EXPECT_EQ(interval.text(), "5");

    ui::OptionGroup office({"Out", "In"});
    QRadioButton out, in;
    bind(&out, office, 0);
    bind(&in, office, 1);
    in.show();
    QTest::mouseClick(&in, Qt::LeftButton);
    EXPECT_EQ(office.selected(), 1);
    office.select(0);
    EXPECT_TRUE(out.isChecked());

    // The results box: appends keep the text, CR LF shows as line breaks.
    ui::TextBox results("\r\n");
    QPlainTextEdit lines;
    bind(&lines, results);
    results.append("Test 1) Loop Back\r\n");
    results.append("    Successfully pinged 127.0.0.1 in 0 ms\r");
    results.append("\n");
    EXPECT_EQ(lines.toPlainText(),
              "\nTest 1) Loop Back\n    Successfully pinged 127.0.0.1 in 0 ms\n");
    results.setText("");
    EXPECT_EQ(lines.toPlainText(), "");
}

// Continuous runs repeat only through this binding; the logic tests tick the model themselves.
TEST(Binding, AModelTimerTicksWhileEnabledAndStopsWhenDisabled) {
    test::app();
    ui::Timer model;
    int ticks = 0;
    model.onTick = [&] { ++ticks; };
    model.setInterval(10);
    QObject owner;
    bind(&owner, model);
    QTest::qWait(50);
    EXPECT_EQ(ticks, 0) << "a disabled timer ticked";
    model.setEnabled(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 2000));
    model.setEnabled(false);
    const int stopped = ticks;
    QTest::qWait(50);
    EXPECT_EQ(ticks, stopped);
}

TEST(Binding, AWidgetDestroyedBeforeItsModelIsLeftAlone) {
    test::app();
    ui::TextBox model("kept");
    ui::CheckBox box;
    {
        QLabel label;
        QCheckBox check;
        bind(&label, model);
        bind(&check, box);
    }
    model.setText("changed after the label went");
    box.setValue(true);
    EXPECT_EQ(model.text(), "changed after the label went");
}

}  // namespace
}  // namespace zelto::widgets
