#pragma once

#include <ctime>
#include <functional>
#include <optional>
#include <string>

#include "netparams/GetNetParams.h"
#include "netparams/NetParamsGatherer.h"
#include "profiles/Session.h"
#include "ui/Clock.h"
#include "ui/Controls.h"
#include "ui/Prompter.h"
#include "ui/ScreenWindow.h"

namespace zelto::netparams {

/// The NetParm log's full name: `installDir` + "NetParm" + month-day-year-hour-minute-second
/// (no leading zeros, four-digit year, hour 0-23) + ".Txt".
std::string netParmLogPath(const std::string& installDir, const std::tm& t);

/// The Network Parameters screen as a model: the report, the analysis, the interface listing
/// and the whole help file in one text box, and a log file of what it shows.
class NetParmsText {
  public:
    /// Where the main window's button puts the screen, and where the guide's button puts it.
    static constexpr int kLeftEdge = 0;
    static constexpr int kBesideMainWindow = 7850;
    /// The screen's size in twips: wide enough for the report's 80-character lines.
    static constexpr int kWidth = 13200;
    static constexpr int kHeight = 8400;

    NetParmsText(NetParamsGatherer& net, profiles::Session& session, ui::Prompter& prompt,
                 const ui::Clock& clock);
    NetParmsText(const NetParmsText&) = delete;
    NetParmsText& operator=(const NetParmsText&) = delete;

    ui::ScreenWindow window{"Network Parameters"};
    ui::Label ScreenTitle;
    ui::TextBox Net_Parms_Text;
    ui::Button AllWExplain{"All Network Parameters + Explanation"};
    ui::Button KeyWExplain{"Key Parameters + Explanation"};
    ui::Button AllParameters{"All Network Parameters"};
    ui::Button AnalyzeParameters{"Analyze Parameters"};
    ui::Button AdapterStatus{"Adpater Status"};
    ui::Button ShowHelp{"Show Help"};
    ui::Button PrintLog{"Write Screen to Log File"};
    ui::Button MoveLeft{"Left"};
    ui::Button MoveRight{"Right"};

    void AllWExplain_Click();
    void KeyWExplain_Click();
    void AllParameters_Click();
    void AnalyzeParameters_Click();
    void AdapterStatus_Click();
    void ShowHelp_Click();
    void PrintLog_Click();
    void MoveLeft_Click();
    void MoveRight_Click();

    /// The main window's "Network Parameters/ Help" button: opens the screen at the left edge
    /// (or restores it from minimised or maximised) and shows the full report.
    void openFromMainWindow();
    /// The guide's "Network Parameters/ Help" button: opens the screen beside the main window
    /// and shows the full report.
    void openBesideGuide();

    /// What a gather asks of this screen once it has been opened: the report in the text box,
    /// or the analysis.
    void applyGatherOutcome(const GatherOutcome& outcome, const Snapshot& snapshot);
    /// Fills the text box with the analysis of `snapshot`, advice read from Help.txt.
    void showAnalysis(const Snapshot& snapshot);

    /// The interface listing, or nothing when the table cannot be read; set by main().
    std::function<std::optional<std::string>()> listInterfaces;
    /// Shows the help screen on a topic; set by whoever owns both screens.
    std::function<void(const std::string& topic)> showHelp;

  private:
    void open(int leftTwips);

    NetParamsGatherer& net_;
    profiles::Session& session_;
    ui::Prompter& prompt_;
    const ui::Clock& clock_;
};

}  // namespace zelto::netparams
