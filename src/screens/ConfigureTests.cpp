#include "screens/ConfigureTests.h"

#include <algorithm>
#include <cstdlib>
#include <utility>
#include <vector>

#include "screens/TempStore.h"

namespace zelto::profiles {

namespace {

constexpr const char* kSelectToLoad =
    "Please click a radio button next to the left of the test you wish to load this value";
constexpr const char* kSelectToClear =
    "Please click a radio button next to the left of the test you wish to clear";
constexpr const char* kSelectToMove =
    "Please click a radio button next to the left of the test you wish to move";

// Counts in the snapshot are decimal text; junk reads as 0, as the profile fills read it.
int count(const std::string& text) {
    return std::atoi(text.c_str());
}

std::string itemText(const std::string& item) {
    return item == kBlank ? std::string() : item;
}

}  // namespace

ConfigureTests::ConfigureTests(ProfileContext& context) : context_(context) {
    window.setVisible(false);
    Gateway.setToolTip("Loads the current gateway value into this test");
    DNS.setToolTip("Loads the current DNS servers values into this test");
    DHCP.setToolTip("Loads the current DHCP Server values into this test");
    Autoconfig[0].setToolTip("Places \"Autoconfig\" in the test value");
    Autoconfig[1].setToolTip("Places \"Learn&Save\" in the test value");
    ClearValues.setToolTip("Clears this test and its values");
    MoveUp.setToolTip("Moves the selected test up one line");
    MoveDown.setToolTip("Moves the selected test down one line");
    TempStore.setToolTip("Uses the values on this screen for subsequent test runs");
    PermStore.setToolTip("Writes the values on this screen to disk");
    MakePackage.setToolTip(
        "Takes program, config files & help and puts them in Setup.run for deployment to "
        "customers");
    wireHandlers();
}

void ConfigureTests::wireHandlers() {
    Gateway.onClick = [this] { Gateway_Click(); };
    DNS.onClick = [this] { DNS_Click(); };
    DHCP.onClick = [this] { DHCP_Click(); };
    for (int i = 0; i < 2; ++i)
        Autoconfig[i].onClick = [this, i] { Autoconfig_Click(i); };
    ClearValues.onClick = [this] { ClearValues_Click(); };
    MoveUp.onClick = [this] { MoveUp_Click(); };
    MoveDown.onClick = [this] { MoveDown_Click(); };
    TempStore.onClick = [this] { TempStore_Click(); };
    PermStore.onClick = [this] { PermStore_Click(); };
    MakePackage.onClick = [this] { MakePackage_Click(); };
}

void ConfigureTests::open() {
    window.load();
    const Session& s = context_.session;
    const int slot = s.OfficeIndex;
    ConfiguredBy.setText(s.Table.at(slot, 0, 4));
    window.setCaption(slot == 1 ? "Setup tests for In the Office"
                                : "Setup tests for Out of the Office");
    for (int line = 1; line <= kLines; ++line) {
        const std::string& name = s.Table.at(slot, line, 0);
        if (name == kBlank) {
            clearLine(line);
            continue;
        }
        Test[line].setText(bareName(name));
        TestMessage[line].setText(s.Table.at(slot, line, MessageField));
        for (int k = 1; k <= kValuesPerLine; ++k)
            TestValue[valueBox(line, k)].setText(itemText(s.Table.at(slot, line, k)));
    }
    // A fresh screen has no line selected.
    Option1.select(0);
    window.show();
}

void ConfigureTests::unload() {
    window.unload();
}

int ConfigureTests::selectedLine(const char* missing) {
    const int line = Option1.selected();
    if (line >= 1 && line <= kLines)
        return line;
    context_.prompt.tell(missing);
    return 0;
}

void ConfigureTests::clearLine(int line) {
    Test[line].setText("");
    TestMessage[line].setText("");
    for (int k = 1; k <= kValuesPerLine; ++k)
        TestValue[valueBox(line, k)].setText("");
}

void ConfigureTests::fillLine(int line, const char* name, const char* message,
                              const std::vector<std::string>& values) {
    Test[line].setText(name);
    TestMessage[line].setText(message);
    TestValue[valueBox(line, 1)].setText(kNoValue);
    for (int k = 1; k <= kValuesPerLine && k <= static_cast<int>(values.size()); ++k)
        TestValue[valueBox(line, k)].setText(values[k - 1]);
}

// The fills never copy the "Blank!" marker into a box: stored, it would end the test's item
// list there and hide the values after it.
void ConfigureTests::Gateway_Click() {
    const int line = selectedLine(kSelectToLoad);
    if (line == 0)
        return;
    clearLine(line);
    context_.net.GatherNetParams("Gateway", false);
    const netparams::Snapshot& n = context_.net.snapshot();
    std::vector<std::string> values;
    for (int a = 1; a <= 4; ++a) {
        if (count(n.AdapterIPs[a][0]) <= 0)
            continue;
        const int gateways = std::min(count(n.AdapterGateways[a][0]), 4);
        for (int g = 1; g <= gateways; ++g) {
            if (n.AdapterGateways[a][g] != kBlank)
                values.push_back(n.AdapterGateways[a][g]);
        }
    }
    fillLine(line, "Gateway", "access other networks", values);
}

void ConfigureTests::DNS_Click() {
    const int line = selectedLine(kSelectToLoad);
    if (line == 0)
        return;
    clearLine(line);
    context_.net.GatherNetParams("DNS", false);
    const netparams::Snapshot& n = context_.net.snapshot();
    std::vector<std::string> values;
    for (int d = 1; d <= 3; ++d) {
        if (n.DnsServers[d] != kBlank)
            values.push_back(n.DnsServers[d]);
    }
    fillLine(line, "DNS", "resolve names to IP addresses", values);
}

void ConfigureTests::DHCP_Click() {
    const int line = selectedLine(kSelectToLoad);
    if (line == 0)
        return;
    clearLine(line);
    context_.net.GatherNetParams("DHCP", false);
    const netparams::Snapshot& n = context_.net.snapshot();
    std::vector<std::string> values;
    for (int a = 1; a <= 3; ++a) {
        if (count(n.AdapterIPs[a][0]) > 0 && n.AdapterDhcp[a] == "Enabled" &&
            n.AdapterDhcpServer[a] != kBlank)
            values.push_back(n.AdapterDhcpServer[a]);
    }
    fillLine(line, "DHCP", "get your IP address and maybe gateway and DNS servers.", values);
}

void ConfigureTests::Autoconfig_Click(int index) {
    const std::string word = index == 0 ? "Autoconfig" : "Learn&Save";
    const int line = selectedLine(kSelectToLoad);
    if (line == 0)
        return;
    const std::string name = lower(Test[line].text());
    if (name != "gateway" && name != "dhcp" && name != "dns") {
        context_.prompt.tell(word + " only works for a Gateway, DHCP or " +
                             "DNS test. Use the button for 'Gateway', 'DHCP' or 'DNS' first, then "
                             "press " +
                             word);
        return;
    }
    TestValue[valueBox(line, 1)].setText(word);
    TestValue[valueBox(line, 2)].setText("");
    TestValue[valueBox(line, 3)].setText("");
}

void ConfigureTests::ClearValues_Click() {
    const int line = selectedLine(kSelectToClear);
    if (line != 0)
        clearLine(line);
}

void ConfigureTests::swapLines(int a, int b) {
    auto swapText = [](ui::TextBox& x, ui::TextBox& y) {
        std::string t = x.text();
        x.setText(y.text());
        y.setText(std::move(t));
    };
    swapText(Test[a], Test[b]);
    swapText(TestMessage[a], TestMessage[b]);
    for (int k = 1; k <= kValuesPerLine; ++k)
        swapText(TestValue[valueBox(a, k)], TestValue[valueBox(b, k)]);
    // The selection follows the test, so repeated clicks keep moving it.
    Option1.select(b);
}

void ConfigureTests::MoveUp_Click() {
    const int line = selectedLine(kSelectToMove);
    if (line == 0)
        return;
    if (line == 1) {
        context_.prompt.tell("Sorry can't move any higher");
        return;
    }
    swapLines(line, line - 1);
}

void ConfigureTests::MoveDown_Click() {
    const int line = selectedLine(kSelectToMove);
    if (line == 0)
        return;
    if (line == kLines) {
        context_.prompt.tell("Sorry I can't move any lower");
        return;
    }
    swapLines(line, line + 1);
}

void ConfigureTests::TempStore_Click() {
    ApplyEditedTests(context_, *this);
}

void ConfigureTests::PermStore_Click() {
    if (ApplyEditedTests(context_, *this))
        SaveProfileFile(context_);
}

void ConfigureTests::MakePackage_Click() {
    if (onMakePackage)
        onMakePackage();
}

}  // namespace zelto::profiles
