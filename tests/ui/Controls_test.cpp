#include "ui/Controls.h"

#include <gtest/gtest.h>

#include "ui/BoxText.h"

namespace zelto::ui {
namespace {

// A new value from code runs the click handler as a user's click does, once, after the change;
// so handlers can cascade to other boxes. The other controls likewise react to real changes only.
TEST(Controls, HandlersAndChangeSignalsRunOnRealChangesOnly) {
    CheckBox all, row;
    std::vector<bool> seen;
    all.onClick = [&] { row.setValue(all.value()); };
    row.onClick = [&] { seen.push_back(row.value()); };
    all.setValue(false);
    all.setValue(true);
    all.setValue(true);
    all.click();
    EXPECT_FALSE(all.value());
    EXPECT_EQ(seen, (std::vector<bool>{true, false}));

    TextBox t;
    int changes = 0;
    t.changed.connect([&] { ++changes; });
    for (const char* text : {"a", "a"})
        t.setText(text);
    t.setColor(kRed);
    t.append("");
    t.append("b");
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(t.text(), "ab");

    OptionGroup g({"Out", "In"});
    Window w;
    Timer timer;
    std::vector<int> events;
    g.onClick = [&](int i) { events.push_back(i); };
    w.onResize = [&] { events.push_back(10); };
    timer.onTick = [&] { events.push_back(20); };
    for (int i : {0, 1, 1})
        g.select(i);
    for (int i = 0; i < 2; ++i)
        w.setState(WindowState::Minimised);
    timer.tick();  // not enabled yet
    timer.setEnabled(true);
    timer.tick();
    EXPECT_EQ(events, (std::vector<int>{1, 10, 20}));
}

// What is not strict UTF-8 (overlong, surrogate, above U+10FFFF, cut short) is edited as
// Windows-1252 and written back in its own bytes, its five undefined bytes included.
TEST(BoxText, BytesSurviveTheWayThroughTheBox) {
    std::string everyByte;
    for (int b = 1; b < 256; ++b)
        everyByte += static_cast<char>(b);
    // The first is UTF-8, the rest Windows-1252; an empty shown text is not checked.
    const std::pair<std::string, std::string> cases[] = {
        {"caf\xc3\xa9 \xf0\x9f\x98\x80", "caf\xc3\xa9 \xf0\x9f\x98\x80"},
        {"caf\xe9", "caf\xc3\xa9"},
        {"\x80\x81\x9f", "\xe2\x82\xac\xc2\x81\xc5\xb8"},
        {"\xc0\xaf", ""},
        {"\xed\xa0\x80", ""},
        {"\xf4\x90\x80\x80", ""},
        {"\xe2\x82", ""},
        {everyByte, ""}};
    for (const auto& [bytes, expected] : cases) {
        const TextEncoding e =
            bytes == cases[0].first ? TextEncoding::Utf8 : TextEncoding::Windows1252;
        EXPECT_EQ(encodingOf(bytes), e) << bytes;
        const std::string shown = toUtf8(bytes, e);
        EXPECT_TRUE(isValidUtf8(shown)) << bytes;
        EXPECT_TRUE(expected.empty() || shown == expected) << bytes;
        EXPECT_EQ(fromUtf8(shown, e), bytes);
    }
    // A character Windows-1252 cannot hold is refused.
    EXPECT_EQ(fromUtf8("\xe2\x82\xac 5", TextEncoding::Windows1252), "\x80 5");
    EXPECT_EQ(fromUtf8("\xe4\xb8\xad", TextEncoding::Windows1252), std::nullopt);
}

}  // namespace
}  // namespace zelto::ui
