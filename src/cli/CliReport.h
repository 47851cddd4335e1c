#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "run/RowOutcome.h"

namespace zelto::cli {

using run::RowOutcome;

/// "passed", "failed", "problem", "stopped" or "not run".
const char* outcomeName(RowOutcome outcome);

/// One checked row after the run.
struct RowReport {
    /// Display number, 1 for Loop Back.
    int number = 0;
    /// Display name, "3) Gateway".
    std::string name;
    RowOutcome outcome = RowOutcome::NotRun;
    /// The row's lines in the results box, without line ends and without the blank ones.
    std::vector<std::string> lines;
};

/// What one run left on the main window, read from its models.
struct RunReport {
    /// "Out of Office" or "In Office".
    std::string profile;
    /// The banner as the window shows it ("Configured by ...").
    std::string banner;
    /// This PC's address as the window shows it beside "This computer's IP address:".
    std::string address;
    /// The overall status box: "COMPLETED" or "STOPPED".
    std::string testStatus;
    /// The tray summary: "Last pass OK", "3) Gateway-failed ", "No IP Address" ...
    std::string runSummary;
    /// The results box's whole text, with LF line ends.
    std::string results;
    /// Wall time of the run.
    double seconds = 0;
    std::vector<RowReport> rows;

    int count(RowOutcome outcome) const;
};

/// The monitoring-plugin exit status: 2 when a row failed; else 3 when the run was stopped
/// before every checked row was done; else 1 for a problem row; else 0.
int exitStatus(const RunReport& report);

/// "OK", "WARNING", "CRITICAL" or "UNKNOWN" for exit status 0 to 3.
const char* stateName(int status);

/// One monitoring-plugin line (no line end), e.g.
/// "ZELTO CRITICAL - 3) Gateway failed | passed=3 failed=1 problem=0 time=0.834s": the rows
/// that did not pass by name (or how many passed), and ", no IP address" when the PC had none.
std::string briefLine(const RunReport& report);

/// The plugin line of a run that could not happen: "ZELTO UNKNOWN - " and the reason.
std::string briefFailure(const std::string& reason);

/// One JSON object (no line end): profile, banner, address, every checked row with its outcome
/// and lines, and the summary.
std::string jsonReport(const RunReport& report);

/// The JSON object of a run that could not happen: {"error": reason, "exitCode": 3}.
std::string jsonFailure(const std::string& reason);

/// `bytes` as a JSON string literal, quotes included. Valid UTF-8 is kept; control characters
/// are escaped and every byte that is not part of valid UTF-8 becomes U+FFFD, so any bytes
/// give valid JSON.
std::string jsonString(std::string_view bytes);

/// `text` with every CR LF turned into LF.
std::string lfText(std::string_view text);

/// A number with three decimals and a point, whatever the process's locale.
std::string secondsText(double seconds);

}  // namespace zelto::cli
