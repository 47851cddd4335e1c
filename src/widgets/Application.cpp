#include "widgets/Application.h"

#include <QApplication>
#include <QIcon>
#include <QSessionManager>

#include <cstdlib>
#include <functional>
#include <memory>

#include "netparams/AdpaterStatus.h"
#include "netparams/linux/LinuxNetParams.h"
#include "package/MakeSetup.h"
#include "probes/linux/LinuxNetworkServices.h"
#include "profiles/Startup.h"
#include "profiles/TextFile.h"
#include "screens/Progress.h"
#include "shell/FrmMain.h"
#include "shell/InstallPlaces.h"
#include "shell/QtEventPump.h"
#include "shell/SettingsStore.h"
#include "shell/TrayHostSlot.h"
#include "shell/linux/SignalWatch.h"
#include "widgets/ConfigureTestsWindow.h"
#include "widgets/MainWindow.h"
#include "widgets/NetParmsWindow.h"
#include "widgets/ProgressWindow.h"
#include "widgets/QtPrompter.h"
#include "widgets/QtTrayHost.h"
#include "widgets/Resources.h"
#include "widgets/UserGuideWindow.h"

// Resources compiled into a static library must be registered by name, from outside any
// namespace.
void zeltoInitResources() {
    Q_INIT_RESOURCE(icons);
    Q_INIT_RESOURCE(pictures);
}

namespace zelto::widgets {

namespace {

// Every handler runs inside notify(): an exception that none of them caught ends here, in the
// last-resort handler, instead of aborting the program without a word.
class GuardedApplication : public QApplication {
  public:
    using QApplication::QApplication;
    std::function<void()> lastResort;

    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (...) {
            if (!lastResort)
                throw;
            lastResort();
            return false;
        }
    }
};

// Until the checker's window exists (a name question, the installer) a signal ends the program
// as it usually would; then it ends the checker as a logout does.
void endOnSignals(shell::SignalWatch& watch, QApplication& app, shell::FrmMain* const& checker) {
    watch.start([&app, &checker](int signo) {
        QMetaObject::invokeMethod(
            &app,
            [&checker, signo] {
                if (checker == nullptr)
                    std::_Exit(128 + signo);
                checker->endBySystem();
            },
            Qt::QueuedConnection);
    });
}

// What every window of the program shares.
void presentApplication() {
    zeltoInitResources();
    QApplication::setApplicationName("Zelto");
    QApplication::setWindowIcon(QIcon(":/icons/zelto.svg"));
    // A checker minimised to the tray keeps running with no window shown.
    QApplication::setQuitOnLastWindowClosed(false);
}

// What the program needs whichever screen it shows first.
struct Basics {
    QtPrompter prompter;
    ui::ExitProgramEnd end;
    profiles::Session session;
    std::string exe = QCoreApplication::applicationFilePath().toStdString();
    system::SystemCalls& fileCalls = system::realSystemCalls();
};

// The installer screen, for a program started under the package's name.
struct Installer {
    std::unique_ptr<package::Progress> progress;
    std::unique_ptr<ProgressWindow> window;

    void start(Basics& basics) {
        progress = std::make_unique<package::Progress>(
            shell::installPlaces(basics.exe), basics.prompter, basics.end, basics.fileCalls);
        progress->window.onLoad = [this, &basics] {
            window = std::make_unique<ProgressWindow>(*progress);
            basics.prompter.setParent(window.get());
        };
        // Paints the status lines between files; clicks wait until the unpacking is done.
        progress->repaint = [] {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        };
        progress->ShowAgreement();
    }
};

// The windows of the screens the main window opens, made on first use.
struct ScreenWindows {
    std::unique_ptr<UserGuideWindow> guide;
    std::unique_ptr<NetParmsWindow> netParms;
    std::unique_ptr<ConfigureTestsWindow> configure;

    void attach(shell::FrmMain& model) {
        model.userGuide().window.onLoad = [this, &model] {
            guide = std::make_unique<UserGuideWindow>(model.userGuide());
        };
        model.netParmsText().window.onLoad = [this, &model] {
            netParms = std::make_unique<NetParmsWindow>(model.netParmsText());
        };
        model.configureTests().window.onLoad = [this, &model] {
            configure = std::make_unique<ConfigureTestsWindow>(model.configureTests());
        };
    }
};

// The checker with its real probes, gatherer, tray and windows, until the program ends.
int runChecker(GuardedApplication& app, Basics& basics, shell::FrmMain*& checker) {
    probes::LinuxNetworkServices probes;
    netparams::LinuxNetParams netParams;
    shell::TrayHostSlot traySlot;
    shell::QtEventPump pump;
    ui::SystemClock clock;
    shell::QtSettingsStore settings;
    profiles::Session& session = basics.session;
    session.InstallDir = profiles::programFolder(basics.exe);

    shell::FrmMain model(session, {basics.prompter, basics.end, probes, netParams.gatherer(), pump,
                                   clock, settings, traySlot});
    // The package takes the running program itself, whatever the name it was started under.
    model.configureTests().onMakePackage = [&] {
        package::MakeSetup(session, basics.exe, basics.prompter, basics.fileCalls);
    };
    netParams.gatherer().setOutcomeHandler(
        [&model](const netparams::GatherOutcome& o) { model.applyGatherOutcome(o); });
    model.netParmsText().listInterfaces = [&netParams] {
        return netparams::interfaceListing(netParams.interfaces());
    };
    QtTrayHost tray(model.controls.mnuStart, model.controls.mnuStop, model.controls.mnuShow,
                    model.controls.mnuExit,
                    [&model](shell::Activation how) { model.trayActivated(how); });
    traySlot.setTarget(&tray);
    MainWindow window(model);
    ScreenWindows screens;
    screens.attach(model);
    basics.prompter.setParent(&window);
    checker = &model;
    QObject::connect(&app, &QGuiApplication::commitDataRequest,
                     [&model](QSessionManager&) { model.commitData(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [&model] { model.endBySystem(); });
    try {
        model.startChecker();
    } catch (...) {
        app.lastResort();
    }
    return QApplication::exec();
}

}  // namespace

int runDesktop(int argc, char** argv) {
    // Before Qt makes threads of its own: logout, shutdown and Ctrl+C wait for the main window
    // to unload instead of killing the program with its settings unsaved.
    shell::SignalWatch signalWatch;
    GuardedApplication app(argc, argv);
    shell::FrmMain* checker = nullptr;
    endOnSignals(signalWatch, app, checker);
    presentApplication();

    Basics basics;
    // The file-error form with the file in hand, then the end a failed load has.
    app.lastResort = [&basics] {
        basics.prompter.tell(
            profiles::fileErrorMessage(basics.session.FilePath, profiles::currentExceptionError()));
        basics.end.end(1);
    };
    Installer installer;
    if (profiles::CheckExeName(basics.exe, basics.prompter, basics.end,
                               [&] { installer.start(basics); }) != 0)
        return QApplication::exec();
    return runChecker(app, basics, checker);
}

}  // namespace zelto::widgets
