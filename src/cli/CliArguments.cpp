#include "cli/CliArguments.h"

#include <array>
#include <string_view>

namespace zelto::cli {

const char* const kCliUsage =
    "Usage:\n"
    "  zelto-cli [--folder DIR] run [--in] [--tests LIST] [--errors-only] [--simple]\n"
    "            [--timestamps] [--brief | --json] [--prometheus FILE]\n"
    "  zelto-cli [--folder DIR] params [--key] [--explain] [--analyze]\n"
    "  zelto-cli [--folder DIR] interfaces\n"
    "  zelto-cli [--folder DIR] help TOPIC\n"
    "  zelto-cli [--folder DIR] guide [CHAPTER]\n"
    "  zelto-cli [--folder DIR] make-setup\n"
    "  zelto-cli --help | --version\n"
    "\n"
    "Commands:\n"
    "  run         load the Out of Office profile, run its tests once and print the results\n"
    "  params      print the network parameter report\n"
    "  interfaces  print the interface listing\n"
    "  help        print the help on TOPIC from Help.txt (a test name, \"Loop Back\",\n"
    "              \"IPAddress\", or \"all\" for the whole file)\n"
    "  guide       print a chapter of UserGuide.txt (default \"Using Zelto\"): Purpose,\n"
    "              \"Using Zelto\", Installation, Configuration, \"Configuration File Layout\",\n"
    "              Contact/Cost, \"License warranty\"\n"
    "  make-setup  build Setup.run in the program folder for deployment\n"
    "\n"
    "Options:\n"
    "  --folder DIR    program folder with the profiles (default: the executable's folder)\n"
    "  --in            run the In Office profile instead\n"
    "  --tests LIST    check only these tests, by number, e.g. 1,3,4 (1 is Loop Back)\n"
    "  --errors-only   show only failures, as \"Errors Only\" does\n"
    "  --simple        show only headers and messages, as \"Simple Results\" does\n"
    "  --timestamps    add the pass number, date and time to each test\n"
    "  --brief         print one monitoring-plugin line instead of the results\n"
    "  --json          print one JSON object instead of the results\n"
    "  --prometheus FILE  also write the run as Prometheus metrics (textfile collector)\n"
    "  --key           report the key values only\n"
    "  --explain       add the explanation paragraphs to the report\n"
    "  --analyze       print the analysis of the parameters instead of the report\n"
    "\n"
    "Exit status of run: 0 every checked test passed, 1 a problem and no failure,\n"
    "2 a failure, 3 the run could not happen (the reason is on standard error).\n"
    "help and guide: 1 when the topic or chapter is not there. Other commands: 0, or 3\n"
    "with the reason.\n";

namespace {

struct Flag {
    std::string_view name;
    CliCommand owner;
};

constexpr std::array kFlags{
    Flag{"--in", CliCommand::Run},         Flag{"--errors-only", CliCommand::Run},
    Flag{"--simple", CliCommand::Run},     Flag{"--timestamps", CliCommand::Run},
    Flag{"--brief", CliCommand::Run},      Flag{"--json", CliCommand::Run},
    Flag{"--tests", CliCommand::Run},      Flag{"--prometheus", CliCommand::Run},
    Flag{"--key", CliCommand::Params},     Flag{"--explain", CliCommand::Params},
    Flag{"--analyze", CliCommand::Params},
};

const char* commandName(CliCommand c) {
    switch (c) {
        case CliCommand::Run:
            return "run";
        case CliCommand::Params:
            return "params";
        case CliCommand::Interfaces:
            return "interfaces";
        case CliCommand::HelpTopic:
            return "help";
        case CliCommand::Guide:
            return "guide";
        case CliCommand::MakeSetup:
            return "make-setup";
        default:
            return "";
    }
}

std::optional<CliCommand> commandNamed(std::string_view name) {
    for (CliCommand c : {CliCommand::Run, CliCommand::Params, CliCommand::Interfaces,
                         CliCommand::HelpTopic, CliCommand::Guide, CliCommand::MakeSetup}) {
        if (name == commandName(c))
            return c;
    }
    return std::nullopt;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ')
        s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ')
        s.remove_suffix(1);
    return s;
}

// "1,3,4" into display numbers. Spaces around a number are forgiven ("1, 3" quoted in a shell);
// anything else that is not a plain positive number names the list as the fault.
std::optional<std::vector<int>> testList(std::string_view list, std::string& error) {
    std::vector<int> numbers;
    const std::string quoted = "'" + std::string(list) + "'";
    while (true) {
        const std::size_t comma = list.find(',');
        const std::string_view item = trimmed(list.substr(0, comma));
        // Three digits are plenty for eight rows and keep the number far from overflow.
        if (item.empty() || item.size() > 3 ||
            item.find_first_not_of("0123456789") != std::string_view::npos) {
            error = "--tests: " + quoted + " is not a list of test numbers like 1,3,4";
            return std::nullopt;
        }
        const int n = std::stoi(std::string(item));
        if (n == 0) {
            error = "--tests: there is no test 0; tests are numbered from 1 (Loop Back)";
            return std::nullopt;
        }
        numbers.push_back(n);
        if (comma == std::string_view::npos)
            return numbers;
        list.remove_prefix(comma + 1);
    }
}

// One pass over the words of a command line. Options are gathered first and checked against
// the command at the end, so that their order on the line does not matter. Each step returns
// an error text, empty when the word was taken.
class ArgumentParser {
  public:
    std::string word(const std::string& arg) {
        // help and guide take one name after them: "zelto-cli help \"Loop Back\"".
        if ((command_ == CliCommand::HelpTopic || command_ == CliCommand::Guide) && !topicGiven_) {
            options_.topic = arg;
            topicGiven_ = true;
            return {};
        }
        if (command_)
            return "unexpected argument '" + arg + "'";
        command_ = commandNamed(arg);
        return command_ ? std::string{} : "unknown command '" + arg + "'";
    }

    std::string valued(const std::string& name, const std::string& value) {
        if (name == "--prometheus") {
            if (!options_.prometheus.empty())
                return "--prometheus given twice";
            if (value.empty())
                return "--prometheus needs a file name";
            options_.prometheus = value;
            flags_.push_back("--prometheus");
            return {};
        }
        if (name == "--folder") {
            if (folderGiven_)
                return "--folder given twice";
            if (value.empty())
                return "--folder needs a folder name";
            folderGiven_ = true;
            options_.folder = value;
            return {};
        }
        if (testsGiven_)
            return "--tests given twice";
        testsGiven_ = true;
        std::string error;
        auto list = testList(value, error);
        if (!list)
            return error;
        options_.tests = std::move(*list);
        flags_.push_back("--tests");
        return {};
    }

    std::string flag(const std::string& arg, const std::string& name, bool hasValue) {
        const Flag* flag = nullptr;
        for (const Flag& f : kFlags) {
            if (f.name == name)
                flag = &f;
        }
        if (flag == nullptr)
            return "unknown option '" + arg + "'";
        if (hasValue)
            return name + " takes no value";
        flags_.push_back(flag->name);
        if (name == "--brief" || name == "--json") {
            const CliOutput wanted = name == "--brief" ? CliOutput::Brief : CliOutput::Json;
            if (options_.output != CliOutput::Text && options_.output != wanted)
                return "--brief and --json exclude each other";
            options_.output = wanted;
            return {};
        }
        if (name == "--in")
            options_.inOffice = true;
        else if (name == "--errors-only")
            options_.errorsOnly = true;
        else if (name == "--simple")
            options_.simple = true;
        else if (name == "--timestamps")
            options_.timestamps = true;
        else if (name == "--key")
            options_.keyValues = true;
        else if (name == "--explain")
            options_.explain = true;
        else if (name == "--analyze")
            options_.analyze = true;
        return {};
    }

    CliParse finish() {
        if (!command_)
            return fail("no command given (run, params, interfaces, help, guide or make-setup)");
        for (std::string_view f : flags_) {
            for (const Flag& known : kFlags) {
                if (known.name == f && known.owner != *command_) {
                    return fail(std::string(f) + " is an option of " + commandName(known.owner) +
                                ", not of " + commandName(*command_));
                }
            }
        }
        options_.command = *command_;
        // "zelto-cli help" alone asks for the usage, as --help does.
        if (options_.command == CliCommand::HelpTopic && !topicGiven_)
            options_.command = CliCommand::Help;
        return {options_, {}};
    }

    static CliParse fail(std::string message) { return CliParse{std::nullopt, std::move(message)}; }

  private:
    CliOptions options_;
    std::optional<CliCommand> command_;
    std::vector<std::string_view> flags_;
    bool folderGiven_ = false;
    bool testsGiven_ = false;
    bool topicGiven_ = false;
};

}  // namespace

CliParse parseCliArguments(const std::vector<std::string>& args) {
    // Asking for help is answered whatever else the line holds.
    for (const std::string& arg : args) {
        if (arg == "--help" || arg == "-h" || arg == "--version") {
            CliOptions only;
            only.command = arg == "--version" ? CliCommand::Version : CliCommand::Help;
            return {only, {}};
        }
    }

    ArgumentParser parser;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        std::string error;
        if (!arg.starts_with("-")) {
            error = parser.word(arg);
        } else {
            const std::size_t eq = arg.find('=');
            const std::string name = arg.substr(0, eq);
            std::optional<std::string> value;
            if (eq != std::string::npos)
                value = arg.substr(eq + 1);
            if (name == "--folder" || name == "--tests" || name == "--prometheus") {
                // A following option is a forgotten value, not a folder named "--in".
                if (!value && (i + 1 >= args.size() || args[i + 1].starts_with("--")))
                    return ArgumentParser::fail(name + " needs a value");
                error = parser.valued(name, value ? *value : args[++i]);
            } else {
                error = parser.flag(arg, name, value.has_value());
            }
        }
        if (!error.empty())
            return ArgumentParser::fail(std::move(error));
    }
    return parser.finish();
}

}  // namespace zelto::cli
