#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "profiles/ProfileContext.h"
#include "ui/Controls.h"
#include "ui/ScreenWindow.h"

namespace zelto::profiles {

/// The Configure Tests screen as a model: an editable copy of the current profile (banner and,
/// per test line, name, message and three values) with the fill, move and store buttons.
/// Nothing reaches the test table until a store button runs.
class ConfigureTests {
  public:
    static constexpr int kLines = MaxTestRow;
    static constexpr int kValuesPerLine = 3;
    static constexpr const char* kNoValue = "No value. Check Network Parameters";

    explicit ConfigureTests(ProfileContext& context);
    ConfigureTests(const ConfigureTests&) = delete;
    ConfigureTests& operator=(const ConfigureTests&) = delete;

    /// Created on first opening (its `onLoad` makes the desktop's widget); `raised` fires when
    /// it is opened again while shown, so the desktop brings it forward.
    ui::ScreenWindow window;
    /// Option1(1 to 7); index 0 means no line is selected.
    ui::OptionGroup Option1{{"", "", "", "", "", "", "", ""}};
    /// Test(1 to 7) and TestMessage(1 to 7); index 0 is unused.
    std::array<ui::TextBox, kLines + 1> Test;
    std::array<ui::TextBox, kLines + 1> TestMessage;
    /// TestValue(1 to 21): line i uses 3·(i−1)+1 to 3·i; index 0 is unused.
    std::array<ui::TextBox, kLines * kValuesPerLine + 1> TestValue;
    ui::TextBox ConfiguredBy;

    ui::Label ConfiguredByLabel{"Configured By"};
    ui::Label TestNameMessage{"Test Name / Message"};
    ui::Label TestValues{"Test Values (URL or IP address or URL:port or IP address:port)"};
    ui::Label Text1{"Click a radio \r\nbutton then an \r\naction below"};
    ui::Label Text2{"Load item \r\nbelow\r\nfor this test"};

    ui::Button Gateway{"Gateways"};
    ui::Button DNS{"DNS Servers"};
    ui::Button DHCP{"DHCP Servers"};
    std::array<ui::Button, 2> Autoconfig{ui::Button{"Autoconfig"}, ui::Button{"LearnSave"}};
    ui::Button ClearValues{"Clear this test"};
    ui::Button MoveUp{"Up"};
    ui::Button MoveDown{"Down"};
    ui::Button TempStore{"Temporarily Store All"};
    ui::Button PermStore{"Permanently Store All"};
    ui::Button MakePackage{"Make Setup.run for deployment"};

    /// Loads the screen from the current profile slot and shows it (not modal).
    void open();
    /// Hides the screen; edits not stored are dropped at the next opening.
    void unload();
    /// Value box number (1 to 21) of value `k` (1 to 3) of line `line` (1 to 7).
    static int valueBox(int line, int k) { return kValuesPerLine * (line - 1) + k; }

    void Gateway_Click();
    void DNS_Click();
    void DHCP_Click();
    /// Index 0 places "Autoconfig", index 1 "Learn&Save".
    void Autoconfig_Click(int index);
    void ClearValues_Click();
    void MoveUp_Click();
    void MoveDown_Click();
    void TempStore_Click();
    void PermStore_Click();
    void MakePackage_Click();

    /// Builds the deployment package; set by whoever owns the package builder.
    std::function<void()> onMakePackage;

  private:
    /// The selected line, or 0 after telling the user to select one with `missing`.
    int selectedLine(const char* missing);
    void clearLine(int line);
    void fillLine(int line, const char* name, const char* message,
                  const std::vector<std::string>& values);
    void swapLines(int a, int b);
    void wireHandlers();

    ProfileContext& context_;
};

}  // namespace zelto::profiles
