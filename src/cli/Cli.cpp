#include "cli/Cli.h"

#include <QCoreApplication>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliArguments.h"
#include "cli/CliCheck.h"
#include "cli/CliEventPump.h"
#include "cli/CliPrometheus.h"
#include "cli/CliPrompter.h"
#include "cli/CliReport.h"
#include "help/ReadSqBrackFile.h"
#include "netparams/AdpaterStatus.h"
#include "netparams/AnalyzeNetParams.h"
#include "netparams/GetNetParams.h"
#include "netparams/linux/LinuxNetParams.h"
#include "package/MakeSetup.h"
#include "package/PackUnpack.h"
#include "probes/linux/LinuxNetworkServices.h"
#include "profiles/Startup.h"
#include "profiles/TextFile.h"
#include "screens/User_Guide.h"
#include "shell/FrmMain.h"
#include "shell/SettingsStore.h"
#include "shell/TrayHostSlot.h"
#include "shell/linux/SignalWatch.h"
#include "system/linux/SystemCalls.h"
#include "ui/Clock.h"
#include "ui/ProgramEnd.h"
#include "ui/Version.h"

namespace zelto::cli {

namespace {

constexpr int kCouldNotRun = 3;

void tellError(const std::string& reason) {
    std::cerr << "zelto-cli: " << oneLine(reason) << '\n';
}

/// Writes `text` to standard output and flushes it; false (with the reason told) when it
/// could not be written, e.g. a full disk behind a redirection.
bool writeOut(const std::string& text) {
    if (!text.empty() && std::fwrite(text.data(), 1, text.size(), stdout) != text.size()) {
        tellError(std::string("cannot write the output: ") + std::strerror(errno));
        return false;
    }
    if (std::fflush(stdout) != 0) {
        tellError(std::string("cannot write the output: ") + std::strerror(errno));
        return false;
    }
    return true;
}

/// `text` with LF line ends, ending in exactly one line end unless it is empty.
std::string asLines(const std::string& text) {
    std::string out = lfText(text);
    if (!out.empty() && out.back() != '\n')
        out += '\n';
    return out;
}

std::string programFolderFor(const CliOptions& o) {
    if (o.folder.empty())
        return profiles::programFolder(QCoreApplication::applicationFilePath().toStdString());
    return o.folder.back() == '/' ? o.folder : o.folder + "/";
}

double secondsSinceEpoch() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

/// Writes the metrics file when one was asked for; false (with the reason told) when it
/// could not be written.
bool writeMetrics(const CliOptions& o, const std::string& text) {
    if (o.prometheus.empty())
        return true;
    if (auto e = writeMetricsFile(o.prometheus, text)) {
        tellError("cannot write the metrics file " + o.prometheus + ": " + e->description);
        return false;
    }
    return true;
}

/// A run that could not happen: the reason on standard error (unless it is already there),
/// and, for a monitoring system or a script, in the form it reads on standard output.
int couldNotRun(const CliOptions& o, const std::string& reason, bool alreadyTold) {
    if (!alreadyTold)
        tellError(reason);
    if (o.output == CliOutput::Brief)
        writeOut(briefFailure(reason) + "\n");
    else if (o.output == CliOutput::Json)
        writeOut(jsonFailure(reason) + "\n");
    writeMetrics(
        o, prometheusFailure(o.inOffice ? "In Office" : "Out of Office", secondsSinceEpoch()));
    return kCouldNotRun;
}

/// Prints the run in the form asked for and writes its metrics.
int reportRun(const CliOptions& o, const RunReport& report) {
    const double endTime = secondsSinceEpoch();
    std::string out;
    if (o.output == CliOutput::Brief)
        out = briefLine(report) + "\n";
    else if (o.output == CliOutput::Json)
        out = jsonReport(report) + "\n";
    else
        out = asLines(report.results);
    const bool printed = writeOut(out);
    // A monitoring system reads the file even when nobody reads the output.
    const bool written = writeMetrics(o, prometheusText(report, endTime));
    return printed && written ? exitStatus(report) : kCouldNotRun;
}

int checkAndReport(const CliOptions& o, CliCheck& check, shell::FrmMain& model,
                   std::atomic<bool>& interrupted, std::atomic<shell::FrmMain*>& target) {
    std::optional<std::string> refused;
    try {
        refused = check.prepare(o);
    } catch (const ui::ProgramEnded&) {
        // The profile's own two messages are already on standard error.
        return couldNotRun(o, "the profile could not be loaded", true);
    }
    if (refused)
        return couldNotRun(o, *refused, false);
    target.store(&model);
    if (interrupted.load())
        return couldNotRun(o, "interrupted before the run", false);

    const RunReport report = check.run();
    target.store(nullptr);
    return reportRun(o, report);
}

/// The help on a topic or a guide chapter, as the help and guide screen shows it: 1 when the
/// section is not there, 3 when the file could not be read.
int printSection(const CliOptions& o) {
    profiles::Session session;
    session.InstallDir = programFolderFor(o);
    CliPrompter prompter(std::cerr);
    help::User_Guide screen(session, prompter);
    std::string notFound;
    if (o.command == CliCommand::HelpTopic) {
        screen.HelpScreen(o.topic);
        notFound = "Unable to find help on " + o.topic;
    } else {
        const std::string chapter = o.topic.empty() ? "Using Zelto" : o.topic;
        screen.ReadUserGuide(chapter);
        notFound = "Unable to find documentation on " + chapter;
    }
    const std::string& text = screen.User_Guide_Text.text();
    if (!writeOut(asLines(text)) || prompter.told() > 0)
        return kCouldNotRun;
    return text == notFound ? 1 : 0;
}

/// Builds Setup.run from the program folder as the Configure Tests button does.
int makeSetup(const CliOptions& o) {
    profiles::Session session;
    session.InstallDir = programFolderFor(o);
    CliPrompter prompter(std::cerr);
    const bool made = package::MakeSetup(session, session.InstallDir + package::kFileNames[0],
                                         prompter, system::realSystemCalls());
    return made ? 0 : kCouldNotRun;
}

int runChecks(const CliOptions& o, CliEventPump& pump, std::atomic<bool>& interrupted,
              std::atomic<shell::FrmMain*>& target) {
    probes::LinuxNetworkServices probes;
    netparams::LinuxNetParams netParams;
    // No notification area: the tray keeps its record and shows nothing.
    shell::TrayHostSlot tray;
    ui::SystemClock clock;
    // The user's saved desktop settings are neither read nor changed.
    shell::MemorySettingsStore settings;
    ui::ThrowingProgramEnd end;
    CliPrompter prompter(std::cerr);
    profiles::Session session;
    session.InstallDir = programFolderFor(o);

    shell::FrmMain model(
        session, {prompter, end, probes, netParams.gatherer(), pump, clock, settings, tray});
    netParams.gatherer().setOutcomeHandler(
        [&model](const netparams::GatherOutcome& g) { model.applyGatherOutcome(g); });
    CliCheck check(model);
    try {
        return checkAndReport(o, check, model, interrupted, target);
    } catch (const ui::ProgramEnded&) {
        throw;
    } catch (...) {
        // The last resort: what failed, in the file-error form, with the file in hand.
        target.store(nullptr);
        const std::string told =
            profiles::fileErrorMessage(session.FilePath, profiles::currentExceptionError());
        prompter.tell(told);
        return couldNotRun(o, told, true);
    }
}

int printParams(const CliOptions& o) {
    netparams::LinuxNetParams netParams;
    netparams::GetNetParams& gatherer = netParams.gatherer();
    // The Analyse Parameters button gathers with the explanations.
    const char* mode = o.analyze ? "Analyze" : o.keyValues ? "KeyValues" : "Everything";
    std::string report = netparams::parameterReport(gatherer, mode, o.analyze || o.explain);
    const netparams::GatherOutcome& outcome = gatherer.outcome();
    if (outcome.message) {
        // What the desktop program shows in a message box.
        std::cerr << ui::kAppTitle << ": " << oneLine(*outcome.message) << '\n';
        return kCouldNotRun;
    }
    if (o.analyze && outcome.analyze) {
        profiles::Session session;
        session.InstallDir = programFolderFor(o);
        CliPrompter prompter(std::cerr);
        const std::string analysis =
            netparams::AnalyzeNetParams(gatherer.snapshot(), [&](const std::string& section) {
                return help::ReadSqBrackFile(session, prompter, help::kHelpFile, section);
            });
        return writeOut(asLines(analysis)) ? 0 : kCouldNotRun;
    }
    // Every report line starts with its line break; the first one is no line of its own here.
    if (report.starts_with("\r\n"))
        report.erase(0, 2);
    if (!writeOut(asLines(report)))
        return kCouldNotRun;
    if (!outcome.showReport) {
        // The gather stopped short; its last line says where.
        const std::size_t lastLine = report.rfind("\r\n");
        tellError(lastLine == std::string::npos ? report : report.substr(lastLine + 2));
        return kCouldNotRun;
    }
    return 0;
}

int printInterfaces() {
    netparams::LinuxNetParams netParams;
    const netparams::InterfaceTable table = netParams.interfaces().readInterfaces();
    if (table.sizingError != 0 || table.error != 0) {
        const int error = table.sizingError != 0 ? table.sizingError : table.error;
        tellError(std::string("cannot read the interface table: ") + std::strerror(error));
        return kCouldNotRun;
    }
    const std::string listing =
        netparams::ReadInterfaceTable(table.rows, netparams::userNumberLocale());
    return writeOut(asLines(listing)) ? 0 : kCouldNotRun;
}

}  // namespace

int runCli(int argc, char** argv) {
    const std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const CliParse parsed = parseCliArguments(args);
    if (!parsed.options) {
        tellError(parsed.error);
        std::cerr << kCliUsage;
        return kCouldNotRun;
    }
    const CliOptions& o = *parsed.options;
    if (o.command == CliCommand::Help)
        return writeOut(kCliUsage) ? 0 : kCouldNotRun;
    if (o.command == CliCommand::Version)
        return writeOut(std::string("zelto-cli ") + ui::kVersion + "\n") ? 0 : kCouldNotRun;

    try {
        // An interrupted run stops as the Stop button would and still reports what it found.
        // The watch comes first, so that every thread started later leaves the signals to it.
        CliEventPump pump;
        std::atomic<bool> interrupted{false};
        std::atomic<shell::FrmMain*> target{nullptr};
        std::optional<shell::SignalWatch> signalWatch;
        if (o.command == CliCommand::Run) {
            signalWatch.emplace([&pump, &interrupted, &target](int) {
                interrupted.store(true);
                pump.post([&target] {
                    if (shell::FrmMain* model = target.load())
                        model->controls.btnStopTest.click();
                });
            });
        }
        // The system bus (DHCP leases) and the user's number format need an application.
        QCoreApplication app(argc, argv);
        switch (o.command) {
            case CliCommand::Run:
                return runChecks(o, pump, interrupted, target);
            case CliCommand::Params:
                return printParams(o);
            case CliCommand::Interfaces:
                return printInterfaces();
            case CliCommand::HelpTopic:
            case CliCommand::Guide:
                return printSection(o);
            case CliCommand::MakeSetup:
                return makeSetup(o);
            default:
                return kCouldNotRun;
        }
    } catch (const ui::ProgramEnded&) {
        // Whatever ended the program has told why on standard error.
        return kCouldNotRun;
    } catch (...) {
        tellError("unexpected failure: " + profiles::currentExceptionError().description);
        return kCouldNotRun;
    }
}

}  // namespace zelto::cli
