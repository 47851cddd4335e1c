#include <QCoreApplication>

#include <gtest/gtest.h>

#include <filesystem>

#include "lab/Lab.h"
#include "netparams/linux/LinuxNetParams.h"
#include "probes/linux/LinuxNetworkServices.h"
#include "shell/FrmMain.h"
#include "support/Fakes.h"
#include "support/TempDir.h"

namespace zelto::shell {
namespace {

// The bundled Out of Office profile fills its items from the PC's own network each run: in a
// lab whose gateway answers and whose resolver names a server behind it, the Gateway and DNS
// tests pass against exactly those addresses, and DHCP (no client here) fails with its line.
TEST(OutOfOfficeLab, BundledProfileTestsTheLabsGatewayAndDnsServer) {
    lab::inFreshNetns([] {
        lab::GatewayLab lab;
        lab.peer().ip("addr add 10.200.9.53/32 dev lo");
        lab::overlayFile("/etc/resolv.conf", "nameserver 10.200.9.53\n");

        int argc = 1;
        char name[] = "lab";
        char* argv[] = {name, nullptr};
        QCoreApplication app(argc, argv);
        test::TempDir dir;
        std::filesystem::copy_file(ZELTO_DATA_DIR "/OutofOffice.ini",
                                   dir.path() + "OutofOffice.ini");

        profiles::Session session;
        session.InstallDir = dir.path();
        ui::ScriptedPrompter prompt;
        ui::ThrowingProgramEnd end;
        probes::LinuxNetworkServices probes;
        netparams::LinuxNetParams net;
        ui::BlockingPump pump;
        ui::SystemClock clock;
        MemorySettingsStore settings;
        test::RecordingTrayHost tray;
        FrmMain main(session, {prompt, end, probes, net.gatherer(), pump, clock, settings, tray});
        net.gatherer().setOutcomeHandler(
            [&main](const netparams::GatherOutcome& o) { main.applyGatherOutcome(o); });
        main.showChecker();
        auto& c = main.controls;
        EXPECT_EQ(c.current_ip.text(), "10.200.0.2");
        EXPECT_EQ(c.Adapter_status.text(), "lab0 (veth)-Enabled-Operational");

        main.RunTests_Click();
        const std::string& results = c.Results1.text();
        EXPECT_EQ(c.Status[1].text() + "|" + c.Status[2].text() + "|" + c.Status[3].text(),
                  "passed|failed. Click cross|passed")
            << results;
        for (const char* line : {"            Successfully pinged 10.200.0.1 in ",
                                 "            Successfully pinged 10.200.9.53 in ",
                                 "!!!!!!!!!!! Autoconfig was unable to get the IP address for "
                                 "3) DHCP"})
            EXPECT_NE(results.find(line), std::string::npos) << line;
        for (int row = 1; row <= 3; ++row)
            EXPECT_EQ(session.Table.at(0, row, 1), "autoconfig");
        EXPECT_EQ(c.window.icon(), 101);  // a failed test lights red
    });
}

}  // namespace
}  // namespace zelto::shell
