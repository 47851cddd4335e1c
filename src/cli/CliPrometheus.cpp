#include "cli/CliPrometheus.h"

#include <charconv>
#include <cmath>

#include "system/Utf8.h"
#include "system/linux/FileReplacement.h"

namespace zelto::cli {

namespace {

// Label values must be UTF-8 with backslash, double quote and line feed escaped; test names
// are the profile's bytes, so anything else becomes U+FFFD instead of a file the collector
// rejects as a whole.
std::string labelValue(std::string_view bytes) {
    std::string out;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::size_t n = system::utf8::sequenceLength(bytes.substr(i));
        if (n == 0) {
            out += "\xEF\xBF\xBD";
            ++i;
            continue;
        }
        const char ch = bytes[i];
        if (ch == '\\')
            out += "\\\\";
        else if (ch == '"')
            out += "\\\"";
        else if (ch == '\n')
            out += "\\n";
        else
            out.append(bytes.substr(i, n));
        i += n;
    }
    return out;
}

// Prometheus reads Go float syntax: plain decimals in any locale.
std::string number(double value) {
    char buffer[64];
    if (!std::isfinite(value))
        value = 0;
    const auto r = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, r.ptr);
}

void family(std::string& out, const char* name, const char* help) {
    out += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " gauge\n";
}

int outcomeValue(RowOutcome outcome) {
    switch (outcome) {
        case RowOutcome::Passed:
            return 0;
        case RowOutcome::Problem:
            return 1;
        case RowOutcome::Failed:
            return 2;
        default:
            return 3;
    }
}

// The bare test name: display names carry the row number, ")" and a space in front.
std::string bareName(const std::string& displayName) {
    const std::size_t paren = displayName.find(") ");
    return paren == std::string::npos ? displayName : displayName.substr(paren + 2);
}

void runMetrics(std::string& out, const std::string& profileLabel, int status, double seconds,
                double endTime) {
    family(out, "zelto_run_status",
           "Outcome of the last run: 0 all passed, 1 a problem, 2 a failure, 3 could not run.");
    out += "zelto_run_status{" + profileLabel + "} " + std::to_string(status) + "\n";
    family(out, "zelto_run_duration_seconds", "Wall time of the last run.");
    out += "zelto_run_duration_seconds{" + profileLabel + "} " + number(seconds) + "\n";
    family(out, "zelto_run_end_time_seconds",
           "When the last run ended, in seconds since the Unix epoch.");
    out += "zelto_run_end_time_seconds{" + profileLabel + "} " + number(endTime) + "\n";
}

}  // namespace

std::string prometheusText(const RunReport& report, double endTime) {
    const std::string profile = "profile=\"" + labelValue(report.profile) + "\"";
    std::string out;
    family(out, "zelto_test_outcome",
           "Outcome of each checked test: 0 passed, 1 problem, 2 failed, 3 stopped or not run.");
    for (const RowReport& row : report.rows) {
        out += "zelto_test_outcome{" + profile + ",number=\"" + std::to_string(row.number) +
               "\",test=\"" + labelValue(bareName(row.name)) + "\"} " +
               std::to_string(outcomeValue(row.outcome)) + "\n";
    }
    family(out, "zelto_tests", "Checked tests of the last run by outcome.");
    for (RowOutcome o : {RowOutcome::Passed, RowOutcome::Failed, RowOutcome::Problem}) {
        out += "zelto_tests{" + profile + ",outcome=\"" + outcomeName(o) + "\"} " +
               std::to_string(report.count(o)) + "\n";
    }
    runMetrics(out, profile, exitStatus(report), report.seconds, endTime);
    return out;
}

std::string prometheusFailure(const std::string& profile, double endTime) {
    std::string out;
    runMetrics(out, "profile=\"" + labelValue(profile) + "\"", 3, 0, endTime);
    return out;
}

std::optional<system::FileError> writeMetricsFile(const std::string& path,
                                                  const std::string& text) {
    // node_exporter runs as its own user: the file must be readable by others.
    return system::replaceFile(path, text, 0644);
}

}  // namespace zelto::cli
