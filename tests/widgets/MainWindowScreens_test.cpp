#include <gtest/gtest.h>

#include "support/MainFixture.h"

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

}  // namespace
}  // namespace zelto::test
