#include "widgets/Application.h"

#include <QApplication>
#include <QIcon>

#include "profiles/Startup.h"
#include "shell/FrmMain.h"
#include "shell/QtEventPump.h"
#include "shell/SettingsStore.h"
#include "widgets/MainWindow.h"
#include "widgets/QtPrompter.h"
#include "widgets/Resources.h"

// Resources compiled into a static library must be registered by name, from outside any
// namespace.
void zeltoInitResources() {
    Q_INIT_RESOURCE(icons);
    Q_INIT_RESOURCE(pictures);
}

namespace zelto::widgets {

namespace {

// Stand-ins until the platform probes and the parameter gatherer are plugged in.
class NoProbes : public probes::NetworkServices {
  public:
    probes::PingResult ping(const std::string&, std::stop_token) override { return {}; }
    std::string getIPFromHostName(const std::string&, std::stop_token) override { return {}; }
    probes::ConnectResult connect(const std::string&, int, std::stop_token) override {
        return probes::ConnectResult::Failed;
    }
};
class NoGatherer : public netparams::NetParamsGatherer {
  public:
    void GatherNetParams(const std::string&, bool) override {}
    const netparams::Snapshot& snapshot() const override { return snap_; }

  private:
    netparams::Snapshot snap_;
};

}  // namespace

int runDesktop(int argc, char** argv) {
    QApplication app(argc, argv);
    zeltoInitResources();
    QApplication::setApplicationName("Zelto");
    QApplication::setWindowIcon(QIcon(":/icons/zelto.svg"));
    // A checker minimised to the tray keeps running with no window shown.
    QApplication::setQuitOnLastWindowClosed(false);

    QtPrompter prompter;
    ui::ExitProgramEnd end;
    const std::string exe = QCoreApplication::applicationFilePath().toStdString();
    auto installer = [&] {
        prompter.tell("This build of Zelto has no installer.");
        end.end(1);
    };
    if (profiles::CheckExeName(exe, prompter, end, installer) != 0)
        return QApplication::exec();

    NoProbes probes;
    NoGatherer gatherer;
    shell::QtEventPump pump;
    ui::SystemClock clock;
    shell::QtSettingsStore settings;
    profiles::Session session;
    session.InstallDir = profiles::programFolder(exe);

    shell::FrmMain model(session, {prompter, end, probes, gatherer, pump, clock, settings});
    MainWindow window(model);
    prompter.setParent(&window);
    model.startChecker();
    return QApplication::exec();
}

}  // namespace zelto::widgets
