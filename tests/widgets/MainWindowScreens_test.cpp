#include <QAbstractButton>
#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

#include "support/MainFixture.h"
#include "support/WidgetApp.h"
#include "widgets/MainWindow.h"
#include "widgets/Resources.h"

// The main window's red crosses and its "User Guide" and "Network Parameters/ Help" buttons.
namespace zelto::test {
namespace {

using Screens = MainFixture;

TEST_F(Screens, CrossesChooseTheirTopicAndTheButtonsOpenTheScreens) {
    writeProfile("OutofOffice.ini", {"[Configured By]", "IT", "[Gateway]", "reach", "192.0.2.1"});
    dir.write("Help.txt",
              "[gateway]\r\nCheck the router.\r\n[No Network Adapters]\r\nPlug in.\r\n");
    ASSERT_FALSE(startEnds());
    help::User_Guide& guide = main.userGuide();

    c.Help1[1].setVisible(true);  // as a failed run leaves it
    c.Help1[1].click();
    EXPECT_EQ(guide.window.caption(), "Help on Gateway");
    EXPECT_EQ(guide.User_Guide_Text.text(), "Check the router.\r\n");
    c.Help1[8].setVisible(true);  // the address went
    c.Help1[1].click();
    EXPECT_EQ(guide.window.caption(), "Help on IPAddress");
    c.Help1[0].setVisible(true);  // and Loop Back failed
    c.Help1[8].click();
    EXPECT_EQ(guide.window.caption(), "Help on Loop Back");

    c.Open_UserGuide.click();
    EXPECT_EQ(guide.window.caption(), "User Guide: Using Zelto");
    c.NetParms.click();
    EXPECT_TRUE(main.netParmsText().window.visible());
    EXPECT_EQ(net.modes.back(), "Everything");
    guide.NetParmsH.click();
    EXPECT_EQ(main.netParmsText().window.left(), 7850);

    netparams::GatherOutcome outcome;  // a gather that could not list the adapters
    outcome.analyze = true;
    main.applyGatherOutcome(outcome);
    EXPECT_EQ(main.netParmsText().Net_Parms_Text.text(), "Plug in.\r\n");
}

// While the PC has no address "Blank!" blinks; the cross beside it stays where it is.
TEST_F(Screens, TheBlinkingAddressKeepsItsPlace) {
    app();
    zeltoInitResources();
    widgets::MainWindow window(main);
    c.current_ip.setText("Blank! Press cross for help");
    c.Help1[8].setVisible(true);
    window.show();
    QApplication::processEvents();
    auto* cross = window.findChild<QAbstractButton*>("Help1_8");
    ASSERT_NE(cross, nullptr);
    const int x = cross->mapTo(&window, QPoint()).x();
    for (bool shown : {false, true, false}) {
        c.current_ip.setVisible(shown);
        QApplication::processEvents();
        EXPECT_EQ(window.findChild<QLabel*>("current_ip")->isVisible(), shown);
        EXPECT_EQ(cross->mapTo(&window, QPoint()).x(), x);
    }
}

}  // namespace
}  // namespace zelto::test
