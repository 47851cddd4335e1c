// A run with every item in flight at once must write what a run testing one item after the
// other writes, whatever order the probes answer in.

#include <chrono>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/EngineRig.h"

namespace zelto::test {
namespace {

/// Scripted probes, each call paused for its own few milliseconds so answers come out of order.
struct Rig : EngineRig<FakeNetworkServices> {
    /// Everything a user could see after the run, and what the next run starts from.
    std::string observed() {
        std::ostringstream o;
        o << w.Results1.text() << "|" << w.TestStatus.text() << " " << w.TestStatus.color() << "|";
        for (int r = 0; r <= profiles::MaxTestRow; ++r) {
            o << w.Status[r].text() << " " << w.Status[r].color() << " " << w.Status[r].visible()
              << " " << w.Passes[r].text() << " " << w.Help1[r].visible() << "|";
            for (int f = 0; f <= profiles::MessageField; ++f)
                o << session.Table.at(0, r, f) << ";";
        }
        for (const auto& call : tray.calls)
            o << call << "|";
        o << session.LocalIP << "|" << session.Run.TargetPort << "|" << session.Run.RunSummary
          << "|" << session.Run.ConnectState << "|" << prompt.messages.size();
        return o.str();
    }
};

/// One random profile and its probes' answers, the same for both rigs.
struct Script {
    std::vector<Row> rows;
    bool loopBackAnswers, errorsOnly, simple, stamps;
    std::map<std::string, std::chrono::milliseconds> pauses;
};

const std::vector<std::string> kItems = {
    "192.0.2.1",      "192.0.2.2",    "192.0.2.5",  "192.0.2.6",      "192.0.2.1:80",
    "192.0.2.2:443",  "192.0.2.6:80", "host1.test", "host2.test:443", "nosuch.test",
    "nosuch.test:80", "autoconfig",   "learn&save", "Blank!",         "192.0.2.1:0",
    "192.0.2.1:8a0",  "127.0.0.1",    "0.0.0.0"};
const std::vector<std::string> kNames = {"Gateway", "DNS", "Web", "Mail"};

Script randomScript(std::mt19937& random) {
    auto pick = [&random](std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(random);
    };
    Script s;
    s.loopBackAnswers = pick(4) != 0;
    s.errorsOnly = pick(3) == 0;
    s.simple = pick(4) == 0;
    s.stamps = pick(2) == 0;
    // The Loop Back row: one to three items, its banner in the last field.
    std::vector<std::string> loopBack(3, "Blank!");
    for (std::size_t k = 1 + pick(3); k > 0; --k)
        loopBack[k - 1] = "127.0.0.1";
    loopBack.push_back("Welcome");
    s.rows.push_back({"Loop Back", loopBack, " "});
    const std::size_t rows = 1 + pick(profiles::MaxTestRow);
    for (std::size_t r = 1; r <= rows; ++r) {
        Row row{kNames[pick(kNames.size())], {}, pick(4) == 0 ? "" : "reach it", pick(6) != 0};
        for (std::size_t k = pick(5); k > 0; --k)
            row.items.push_back(kItems[pick(kItems.size())]);
        s.rows.push_back(row);
    }
    for (const char* call :
         {"ping 127.0.0.1", "ping 192.0.2.1", "ping 192.0.2.2", "ping 192.0.2.5", "ping 192.0.2.6",
          "connect 192.0.2.1:80", "connect 192.0.2.2:443", "connect 192.0.2.6:80",
          "lookup host1.test", "lookup host2.test", "lookup nosuch.test"})
        s.pauses[call] = std::chrono::milliseconds(pick(6));
    return s;
}

void prepare(Rig& rig, const Script& s) {
    if (s.loopBackAnswers)
        rig.loopBackAnswers();
    rig.probes.answers("192.0.2.1", 3);
    rig.probes.answers("192.0.2.2", 12);
    rig.probes.pings["192.0.2.5"] = {0, "1 ms", false};  // an answer with other data
    rig.probes.listens("192.0.2.1", 80);
    rig.probes.listens("192.0.2.2", 443);
    rig.probes.pauses = s.pauses;  // last: the script's pauses replace those listens set
    rig.probes.names["host1.test"] = "192.0.2.1";
    rig.probes.names["host2.test"] = "192.0.2.2";
    rig.net.adapter(1, "192.0.2.10", {"192.0.2.1", "192.0.2.6"});
    rig.profile(s.rows);
    rig.w.ErrorsOnly.setValue(s.errorsOnly);
    rig.w.SimpleMessage.setValue(s.simple);
    rig.w.TimeStamps.setValue(s.stamps);
}

TEST(EngineOrder, ConcurrentRunsWriteWhatOneAfterTheOtherRunsWrite) {
    std::mt19937 random(14);
    for (int n = 0; n < 40; ++n) {
        const Script script = randomScript(random);
        Rig serial, concurrent;
        serial.engine.setMaxInFlight(1);
        prepare(serial, script);
        prepare(concurrent, script);
        // Twice: the second run starts from what the first left (autoconfig, counts).
        for (int run = 0; run < 2; ++run) {
            serial.engine.RunTests_Click();
            concurrent.engine.RunTests_Click();
            ASSERT_EQ(concurrent.observed(), serial.observed()) << "script " << n << " run " << run;
        }
    }
}

}  // namespace
}  // namespace zelto::test
