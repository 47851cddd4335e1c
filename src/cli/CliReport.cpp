#include "cli/CliReport.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "system/Utf8.h"

namespace zelto::cli {

namespace {

// A name inside the plugin line's text part: "|" would start the performance data there, and
// a control character could end the line early.
std::string pluginText(std::string_view text) {
    std::string out(text);
    for (char& ch : out) {
        if (ch == '|')
            ch = '/';
        else if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F)
            ch = ' ';
    }
    return out;
}

std::string plural(int n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

}  // namespace

const char* outcomeName(RowOutcome outcome) {
    switch (outcome) {
        case RowOutcome::Passed:
            return "passed";
        case RowOutcome::Failed:
            return "failed";
        case RowOutcome::Problem:
            return "problem";
        case RowOutcome::Stopped:
            return "stopped";
        case RowOutcome::NotRun:
            break;
    }
    return "not run";
}

int RunReport::count(RowOutcome outcome) const {
    return static_cast<int>(std::count_if(
        rows.begin(), rows.end(), [outcome](const RowReport& r) { return r.outcome == outcome; }));
}

int exitStatus(const RunReport& report) {
    // A failure found before a stop is certain; the rows the stop left out are not known.
    if (report.count(RowOutcome::Failed) > 0)
        return 2;
    if (report.count(RowOutcome::Stopped) > 0 || report.count(RowOutcome::NotRun) > 0)
        return 3;
    if (report.count(RowOutcome::Problem) > 0)
        return 1;
    return 0;
}

const char* stateName(int status) {
    switch (status) {
        case 0:
            return "OK";
        case 1:
            return "WARNING";
        case 2:
            return "CRITICAL";
        default:
            return "UNKNOWN";
    }
}

std::string secondsText(double seconds) {
    // Monitoring systems parse performance data with a point, so the locale must not choose.
    char buffer[64];
    if (!std::isfinite(seconds) || seconds < 0)
        seconds = 0;
    const auto r =
        std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::fixed, 3);
    return r.ec == std::errc{} ? std::string(buffer, r.ptr) : std::string("0.000");
}

std::string briefLine(const RunReport& report) {
    const int status = exitStatus(report);
    std::string text;
    for (const RowReport& row : report.rows) {
        if (row.outcome == RowOutcome::Passed)
            continue;
        if (!text.empty())
            text += ", ";
        text += pluginText(row.name) + " " + outcomeName(row.outcome);
    }
    if (text.empty())
        text = plural(report.count(RowOutcome::Passed), "test passed", "tests passed");
    // The window says so beside the address and in the tray tip, whatever the rows did.
    if (report.runSummary.starts_with("No IP"))
        text += ", no IP address";
    return std::string("ZELTO ") + stateName(status) + " - " + text +
           " | passed=" + std::to_string(report.count(RowOutcome::Passed)) +
           " failed=" + std::to_string(report.count(RowOutcome::Failed)) +
           " problem=" + std::to_string(report.count(RowOutcome::Problem)) +
           " time=" + secondsText(report.seconds) + "s";
}

std::string briefFailure(const std::string& reason) {
    return "ZELTO UNKNOWN - " + pluginText(reason);
}

std::string jsonString(std::string_view bytes) {
    std::string out = "\"";
    out.reserve(bytes.size() + 2);
    std::size_t i = 0;
    while (i < bytes.size()) {
        const unsigned char ch = static_cast<unsigned char>(bytes[i]);
        if (ch < 0x80) {
            switch (ch) {
                case '"':
                    out += "\\\"";
                    break;
                case '\\':
                    out += "\\\\";
                    break;
                case '\n':
                    out += "\\n";
                    break;
                case '\r':
                    out += "\\r";
                    break;
                case '\t':
                    out += "\\t";
                    break;
                default:
                    if (ch < 0x20 || ch == 0x7F) {
                        char escape[8];
                        std::snprintf(escape, sizeof escape, "\\u%04x", ch);
                        out += escape;
                    } else {
                        out += static_cast<char>(ch);
                    }
            }
            ++i;
            continue;
        }
        const std::size_t length = system::utf8::sequenceLength(bytes.substr(i));
        if (length == 0) {
            // Profile texts are bytes from a file, perhaps in a Windows code page.
            out += "\\ufffd";
            ++i;
            continue;
        }
        out.append(bytes.substr(i, length));
        i += length;
    }
    out += '"';
    return out;
}

std::string jsonReport(const RunReport& report) {
    const int status = exitStatus(report);
    std::string out = "{";
    out += "\"profile\":" + jsonString(report.profile);
    out += ",\"banner\":" + jsonString(report.banner);
    out += ",\"address\":" + jsonString(report.address);
    out += ",\"tests\":[";
    for (std::size_t r = 0; r < report.rows.size(); ++r) {
        const RowReport& row = report.rows[r];
        if (r > 0)
            out += ',';
        out += "{\"number\":" + std::to_string(row.number);
        out += ",\"name\":" + jsonString(row.name);
        out += ",\"outcome\":" + jsonString(outcomeName(row.outcome));
        out += ",\"lines\":[";
        for (std::size_t l = 0; l < row.lines.size(); ++l) {
            if (l > 0)
                out += ',';
            out += jsonString(row.lines[l]);
        }
        out += "]}";
    }
    out += "],\"summary\":{";
    out += "\"state\":" + jsonString(stateName(status));
    out += ",\"exitCode\":" + std::to_string(status);
    out += ",\"status\":" + jsonString(report.testStatus);
    out += ",\"text\":" + jsonString(report.runSummary);
    out += ",\"passed\":" + std::to_string(report.count(RowOutcome::Passed));
    out += ",\"failed\":" + std::to_string(report.count(RowOutcome::Failed));
    out += ",\"problem\":" + std::to_string(report.count(RowOutcome::Problem));
    out += ",\"stopped\":" + std::to_string(report.count(RowOutcome::Stopped));
    out += ",\"notRun\":" + std::to_string(report.count(RowOutcome::NotRun));
    out += ",\"seconds\":" + secondsText(report.seconds);
    out += "}}";
    return out;
}

std::string jsonFailure(const std::string& reason) {
    return "{\"error\":" + jsonString(reason) + ",\"exitCode\":3}";
}

std::string lfText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        out += text[i];
    }
    return out;
}

}  // namespace zelto::cli
