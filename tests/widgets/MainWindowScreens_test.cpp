#include <gtest/gtest.h>

#include <string>

#include "support/MainFixture.h"

// The main window's crosses and its "User Guide" and "Network Parameters/ Help" buttons, and
// what the gathers it hears about show on the Network Parameters screen.
namespace zelto::test {
namespace {

class Screens : public MainFixture {
  protected:
    Screens() {
        writeProfile("OutofOffice.ini",
                     {"[Configured By]", "Northgate IT", "[Gateway]", "reach other networks",
                      "192.0.2.1", "[Mail]", "send mail", "mail.example:25"});
        dir.write("Help.txt",
                  "[Loop Back]\r\nRestart.\r\n[IPAddress]\r\nNo address.\r\n[gateway]\r\n"
                  "Check the router.\r\n[No Network Adapters]\r\nPlug it in.\r\n");
        dir.write("UserGuide.txt", "[Using Zelto]\r\nPress Run Tests.\r\n");
        EXPECT_FALSE(startEnds());
        prompt.messages.clear();  // the first-run greeting
    }
    help::User_Guide& guide() { return main.userGuide(); }
    netparams::NetParmsText& parms() { return main.netParmsText(); }
};

TEST_F(Screens, ACrossShowsItsTestUnlessTheAddressOrLoopBackCrossIsShowing) {
    c.Help1[1].click();
    EXPECT_EQ(guide().window.caption(), "Help on Gateway");
    EXPECT_EQ(guide().User_Guide_Text.text(), "Check the router.\r\n");
    c.Help1[2].click();
    EXPECT_EQ(guide().window.caption(), "Help on Mail");
    EXPECT_EQ(guide().User_Guide_Text.text(), "Unable to find help on Mail");
    c.Help1[8].click();
    EXPECT_EQ(guide().window.caption(), "Help on IPAddress");

    c.Help1[8].setVisible(true);  // the PC lost its address
    c.Help1[1].click();
    EXPECT_EQ(guide().window.caption(), "Help on IPAddress");
    c.Help1[0].setVisible(true);  // and Loop Back failed
    for (int i : {0, 1, 2, 8}) {
        c.Help1[i].click();
        EXPECT_EQ(guide().window.caption(), "Help on Loop Back") << i;
    }
    EXPECT_TRUE(guide().window.visible());
    EXPECT_TRUE(prompt.messages.empty());
}

TEST_F(Screens, TheGuideAndTheNetworkScreenOpenEachOther) {
    c.Open_UserGuide.click();
    EXPECT_EQ(guide().window.caption(), "User Guide: Using Zelto");
    EXPECT_TRUE(guide().GuideText[0].visible());

    c.NetParms.click();
    EXPECT_TRUE(parms().window.visible());
    EXPECT_EQ(parms().window.left(), 0);
    EXPECT_EQ(net.modes.back(), "Everything");

    parms().ShowHelp.click();
    EXPECT_EQ(guide().window.caption(), "Help on all");
    EXPECT_EQ(guide().User_Guide_Text.text().substr(0, 13), "[Loop Back]\r\n");
    EXPECT_FALSE(guide().GuideText[0].visible());

    guide().NetParmsH.click();
    EXPECT_EQ(parms().window.left(), 7850);
    EXPECT_EQ(parms().ScreenTitle.text(), "Current network parameters used by your PC");
    EXPECT_EQ(net.modes.back(), "Everything");
}

TEST_F(Screens, GatherOutcomesFillTheNetworkScreenEvenBeforeItIsOpened) {
    net.snap.NetParamReport = "\r\nDNS Servers ---";
    netparams::GatherOutcome report;
    report.showReport = true;
    main.applyGatherOutcome(report);
    EXPECT_EQ(parms().Net_Parms_Text.text(), "\r\nDNS Servers ---");
    EXPECT_FALSE(parms().window.visible());

    net.snap.AdapterCount = 0;
    netparams::GatherOutcome analysis;
    analysis.analyze = true;
    analysis.indicator = netparams::AdapterIndicator{"No adapters", false, true};
    main.applyGatherOutcome(analysis);
    EXPECT_EQ(parms().Net_Parms_Text.text(), "Plug it in.\r\n");
    EXPECT_EQ(c.Adapter_status.text(), "No adapters");
}

}  // namespace
}  // namespace zelto::test
