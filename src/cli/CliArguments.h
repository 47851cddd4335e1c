#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zelto::cli {

/// The usage text of zelto-cli, as --help prints it.
extern const char* const kCliUsage;

enum class CliCommand { Help, Version, Run, Params, Interfaces, HelpTopic, Guide, MakeSetup };

/// How `run` reports: the results text, one monitoring-plugin line, or one JSON object.
enum class CliOutput { Text, Brief, Json };

/// What the command line asks for.
struct CliOptions {
    CliCommand command = CliCommand::Help;
    /// The program folder to use; empty means the executable's own.
    std::string folder;

    // run
    bool inOffice = false;
    /// Display numbers of the rows to check (1 is Loop Back), in the order given; empty: all.
    std::vector<int> tests;
    bool errorsOnly = false;
    bool simple = false;
    bool timestamps = false;
    CliOutput output = CliOutput::Text;
    /// Also write the run as Prometheus metrics to this file; empty: none.
    std::string prometheus;

    // params
    bool keyValues = false;
    bool explain = false;
    /// The analysis as the Network Parameters screen's Analyse Parameters button shows it.
    bool analyze = false;

    // help and guide: the topic or chapter; empty for the guide's first chapter.
    std::string topic;

    bool operator==(const CliOptions&) const = default;
};

/// The options, or a one-line error naming the argument at fault.
struct CliParse {
    std::optional<CliOptions> options;
    std::string error;
};

/// Parses the arguments that follow the program name.
CliParse parseCliArguments(const std::vector<std::string>& args);

}  // namespace zelto::cli
