#include "cli/CliCheck.h"

#include <chrono>
#include <map>

namespace zelto::cli {

struct CliCheck::Recording {
    bool active = false;
    /// The row whose status box last turned "Running"; -1 before the first.
    int row = -1;
    /// The results text as last seen, to tell what was appended.
    std::string seen;
    std::map<int, std::string> written;
};

CliCheck::CliCheck(shell::FrmMain& main) : main_(main), recording_(std::make_shared<Recording>()) {
    // The models' signals outlive any disconnect, so the observers share the recording rather
    // than point at this object.
    shell::FrmMainControls& c = main_.controls;
    for (int r = 0; r < static_cast<int>(c.Status.size()); ++r) {
        c.Status[r].changed.connect([rec = recording_, &box = c.Status[r], r] {
            if (rec->active && box.text() == "Running")
                rec->row = r;
        });
    }
    c.Results1.changed.connect([rec = recording_, &box = c.Results1] {
        if (!rec->active)
            return;
        const std::string& text = box.text();
        if (text.size() == rec->seen.size())
            return;
        // Lines are only ever appended during a run, except when the run first empties the
        // box; text that replaces the box belongs to no row.
        if (rec->row >= 0 && text.starts_with(rec->seen))
            rec->written[rec->row] += text.substr(rec->seen.size());
        rec->seen = text;
    });
}

std::optional<std::string> CliCheck::prepare(const CliOptions& options) {
    shell::FrmMainControls& c = main_.controls;
    profiles::Session& s = main_.session();
    main_.showChecker();
    if (options.inOffice)
        c.OfficeOption.select(1);

    for (int n : options.tests) {
        if (n > s.TestCount) {
            return "--tests: there is no test " + std::to_string(n) + " in the " +
                   (s.OfficeIndex == 0 ? "Out of Office" : "In Office") +
                   " profile (its tests are 1 to " + std::to_string(s.TestCount) + ")";
        }
    }
    c.ErrorsOnly.setValue(options.errorsOnly);
    c.SimpleMessage.setValue(options.simple);
    c.TimeStamps.setValue(options.timestamps);
    if (!options.tests.empty()) {
        // As a user would: "All Tests" off clears every row, then the wanted ones are ticked.
        c.AllTests.setValue(false);
        for (int n : options.tests)
            c.Test[n - 1].setValue(true);
    }
    return std::nullopt;
}

RunReport CliCheck::run() {
    shell::FrmMainControls& c = main_.controls;
    profiles::Session& s = main_.session();
    Recording& rec = *recording_;
    rec = Recording{};
    rec.seen = c.Results1.text();
    rec.active = true;

    const auto start = std::chrono::steady_clock::now();
    c.RunTests.click();
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    rec.active = false;

    RunReport report;
    report.profile = s.OfficeIndex == 0 ? "Out of Office" : "In Office";
    report.banner = c.Banner.text();
    report.address = c.current_ip.text();
    report.testStatus = c.TestStatus.text();
    report.runSummary = s.Run.RunSummary;
    report.results = lfText(c.Results1.text());
    report.seconds = took.count();
    for (int r = 0; r < s.TestCount && r < static_cast<int>(c.Test.size()); ++r) {
        if (!c.Test[r].value())
            continue;
        RowReport row;
        row.number = r + 1;
        row.name = c.Test[r].caption();
        row.outcome = main_.engine().outcome(r);
        const std::string& text = rec.written[r];
        std::size_t from = 0;
        while (from < text.size()) {
            std::size_t end = text.find("\r\n", from);
            if (end == std::string::npos)
                end = text.size();
            if (end > from)
                row.lines.push_back(text.substr(from, end - from));
            from = end + 2;
        }
        report.rows.push_back(std::move(row));
    }
    return report;
}

}  // namespace zelto::cli
