#include "ui/Controls.h"

#include <gtest/gtest.h>

namespace zelto::ui {
namespace {

TEST(CheckBox, NewValueFromCodeRunsClickHandlerLikeAUserClick) {
    CheckBox box;
    int clicks = 0;
    box.onClick = [&] { ++clicks; };
    box.setValue(true);
    EXPECT_EQ(clicks, 1);
    box.setValue(true);  // same value: no click
    EXPECT_EQ(clicks, 1);
    box.click();
    EXPECT_FALSE(box.value());
    EXPECT_EQ(clicks, 2);
}

TEST(CheckBox, HandlerSeesTheNewValueAndCanChainToOtherBoxes) {
    CheckBox all, row;
    row.setValue(true);
    all.onClick = [&] { row.setValue(all.value()); };
    std::vector<bool> seen;
    row.onClick = [&] { seen.push_back(row.value()); };
    all.setValue(false);
    EXPECT_TRUE(seen.empty());  // all was already false
    all.setValue(true);
    all.setValue(false);
    EXPECT_EQ(seen, (std::vector<bool>{false}));
}

TEST(Controls, ChangeSignalFiresOnlyOnRealChanges) {
    TextBox t;
    int changes = 0;
    t.changed.connect([&] { ++changes; });
    t.setText("a");
    t.setText("a");
    t.setColor(kRed);
    t.append("");
    t.append("b");
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(t.text(), "ab");
}

TEST(OptionGroupAndWindow, SelectionAndStateChangesRunTheirHandlers) {
    OptionGroup g({"Out", "In"});
    std::vector<int> clicked;
    g.onClick = [&](int i) { clicked.push_back(i); };
    g.select(0);
    g.select(1);
    EXPECT_EQ(clicked, (std::vector<int>{1}));

    Window w;
    int resizes = 0;
    w.onResize = [&] { ++resizes; };
    w.setState(WindowState::Minimised);
    w.setState(WindowState::Minimised);
    EXPECT_EQ(resizes, 1);
}

TEST(Timer, TicksOnlyWhileEnabled) {
    Timer t;
    int ticks = 0;
    t.onTick = [&] { ++ticks; };
    t.tick();
    t.setEnabled(true);
    t.tick();
    EXPECT_EQ(ticks, 1);
}

}  // namespace
}  // namespace zelto::ui
