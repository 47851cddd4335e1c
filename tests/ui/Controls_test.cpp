#include "ui/Controls.h"

#include <gtest/gtest.h>

#include "ui/BoxText.h"

namespace zelto::ui {
namespace {

// A new value from code runs the click handler as a user's click does, once, after the change;
// so handlers can cascade to other boxes. The other controls likewise react to real changes only.
TEST(Controls, HandlersAndChangeSignalsRunOnRealChangesOnly) {
    CheckBox all, row;
    TextBox t;
    OptionGroup g({"Out", "In"});
    Window w;
    std::vector<int> events;
    all.onClick = [&] { row.setValue(all.value()); };
    row.onClick = [&] { events.push_back(row.value()); };
    t.changed.connect([&] { events.push_back(2); });
    g.onClick = [&](int i) { events.push_back(10 + i); };
    w.onResize = [&] { events.push_back(20); };
    for (bool v : {false, true, true})
        all.setValue(v);
    all.click();
    for (const char* text : {"a", "a"})
        t.setText(text);
    t.setColor(kRed);
    t.append("");
    t.append("b");
    for (int i : {0, 1, 1})
        g.select(i);
    for (int i = 0; i < 2; ++i)
        w.setState(WindowState::Minimised);
    EXPECT_EQ(events, (std::vector<int>{1, 0, 2, 2, 2, 11, 20}));
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
        EXPECT_TRUE(expected.empty() || shown == expected) << bytes;
        EXPECT_EQ(fromUtf8(shown, e), bytes);
    }
    // A character Windows-1252 cannot hold is refused.
    EXPECT_EQ(fromUtf8("\xe4\xb8\xad", TextEncoding::Windows1252), std::nullopt);
}

}  // namespace
}  // namespace zelto::ui
