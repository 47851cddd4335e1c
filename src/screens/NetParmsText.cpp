#include "screens/NetParmsText.h"

#include "help/ReadSqBrackFile.h"
#include "netparams/AnalyzeNetParams.h"
#include "profiles/LogFile.h"

namespace zelto::netparams {

namespace {

constexpr const char* kOpeningTitle = "Current network parameters used by your PC";

}  // namespace

std::string netParmLogPath(const std::string& installDir, const std::tm& t) {
    return profiles::timeStampedLogPath(installDir, "NetParm", t);
}

NetParmsText::NetParmsText(NetParamsGatherer& net, profiles::Session& session, ui::Prompter& prompt,
                           const ui::Clock& clock)
    : net_(net), session_(session), prompt_(prompt), clock_(clock) {
    window.setVisible(false);
    window.setSize(kWidth, kHeight);
    AllWExplain.onClick = [this] { AllWExplain_Click(); };
    KeyWExplain.onClick = [this] { KeyWExplain_Click(); };
    AllParameters.onClick = [this] { AllParameters_Click(); };
    AnalyzeParameters.onClick = [this] { AnalyzeParameters_Click(); };
    AdapterStatus.onClick = [this] { AdapterStatus_Click(); };
    ShowHelp.onClick = [this] { ShowHelp_Click(); };
    PrintLog.onClick = [this] { PrintLog_Click(); };
    MoveLeft.onClick = [this] { MoveLeft_Click(); };
    MoveRight.onClick = [this] { MoveRight_Click(); };
}

void NetParmsText::AllWExplain_Click() {
    ScreenTitle.setText("All Network Parameters with Explanation");
    Net_Parms_Text.setText("");
    net_.GatherNetParams("Everything", true);
}

void NetParmsText::KeyWExplain_Click() {
    ScreenTitle.setText("Key Network Parameters with Explanation");
    net_.GatherNetParams("KeyValues", true);
}

void NetParmsText::AllParameters_Click() {
    ScreenTitle.setText("All Network Parameters");
    Net_Parms_Text.setText("");
    net_.GatherNetParams("Everything", false);
}

void NetParmsText::AnalyzeParameters_Click() {
    ScreenTitle.setText("Analyse Parameters");
    net_.GatherNetParams("Analyze", true);
}

void NetParmsText::AdapterStatus_Click() {
    ScreenTitle.setText("Adapter Status");
    if (!listInterfaces)
        return;
    // A table that cannot be read shows nothing: the box keeps what it held.
    if (std::optional<std::string> listing = listInterfaces())
        Net_Parms_Text.setText(std::move(*listing));
}

void NetParmsText::ShowHelp_Click() {
    if (showHelp)
        showHelp(help::kWholeFile);
}

void NetParmsText::PrintLog_Click() {
    profiles::writeLogFile(session_, prompt_, "NetParm",
                           "Do you want to write the contents of this screen to log file: ",
                           Net_Parms_Text.text(), clock_.localNow());
}

void NetParmsText::MoveLeft_Click() {
    window.setLeft(kLeftEdge);
}

void NetParmsText::MoveRight_Click() {
    window.setLeft(kBesideMainWindow);
}

void NetParmsText::openFromMainWindow() {
    if (!window.loaded() || window.state() == ui::WindowState::Normal) {
        window.load();
        ScreenTitle.setText(kOpeningTitle);
        window.setLeft(kLeftEdge);
        window.show();
    } else {
        window.setState(ui::WindowState::Normal);
    }
    net_.GatherNetParams("Everything", false);
}

void NetParmsText::openBesideGuide() {
    window.load();
    ScreenTitle.setText(kOpeningTitle);
    window.setLeft(kBesideMainWindow);
    window.show();
    net_.GatherNetParams("Everything", false);
}

void NetParmsText::applyGatherOutcome(const GatherOutcome& outcome, const Snapshot& snapshot) {
    // A screen never opened has nobody to show the text to, and its first opening gathers
    // afresh: an autoconfig gather on a PC without adapters (or zelto-cli) must not read, or
    // complain about, the help file for it.
    if (!window.loaded())
        return;
    if (outcome.showReport)
        Net_Parms_Text.setText(snapshot.NetParamReport);
    if (outcome.analyze)
        showAnalysis(snapshot);
}

void NetParmsText::showAnalysis(const Snapshot& snapshot) {
    Net_Parms_Text.setText("");
    Net_Parms_Text.setText(AnalyzeNetParams(snapshot, [this](const std::string& section) {
        return help::ReadSqBrackFile(session_, prompt_, help::kHelpFile, section);
    }));
}

}  // namespace zelto::netparams
