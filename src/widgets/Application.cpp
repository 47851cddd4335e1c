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

}  // namespace

int runDesktop(int argc, char** argv) {
    // Before Qt makes threads of its own: logout, shutdown and Ctrl+C wait for the main window
    // to unload instead of killing the program with its settings unsaved.
    shell::SignalWatch signalWatch;
    GuardedApplication app(argc, argv);
    // Until the checker's window exists (a name question, the installer) a signal ends the
    // program as it usually would.
    shell::FrmMain* checker = nullptr;
    signalWatch.start([&app, &checker](int signo) {
        QMetaObject::invokeMethod(
            &app,
            [&checker, signo] {
                if (checker == nullptr)
                    std::_Exit(128 + signo);
                checker->endBySystem();
            },
            Qt::QueuedConnection);
    });
    zeltoInitResources();
    QApplication::setApplicationName("Zelto");
    QApplication::setWindowIcon(QIcon(":/icons/zelto.svg"));
    // A checker minimised to the tray keeps running with no window shown.
    QApplication::setQuitOnLastWindowClosed(false);

    QtPrompter prompter;
    ui::ExitProgramEnd end;
    profiles::Session session;
    // The file-error form with the file in hand, then the end a failed load has.
    app.lastResort = [&] {
        prompter.tell(
            profiles::fileErrorMessage(session.FilePath, profiles::currentExceptionError()));
        end.end(1);
    };
    const std::string exe = QCoreApplication::applicationFilePath().toStdString();
    system::SystemCalls& fileCalls = system::realSystemCalls();
    std::unique_ptr<package::Progress> progress;
    std::unique_ptr<ProgressWindow> progressWindow;
    auto installer = [&] {
        progress = std::make_unique<package::Progress>(shell::installPlaces(exe), prompter, end,
                                                       fileCalls);
        progress->window.onLoad = [&] {
            progressWindow = std::make_unique<ProgressWindow>(*progress);
            prompter.setParent(progressWindow.get());
        };
        // Paints the status lines between files; clicks wait until the unpacking is done.
        progress->repaint = [] {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        };
        progress->ShowAgreement();
    };
    if (profiles::CheckExeName(exe, prompter, end, installer) != 0)
        return QApplication::exec();

    probes::LinuxNetworkServices probes;
    netparams::LinuxNetParams netParams;
    shell::TrayHostSlot traySlot;
    shell::QtEventPump pump;
    ui::SystemClock clock;
    shell::QtSettingsStore settings;
    session.InstallDir = profiles::programFolder(exe);

    shell::FrmMain model(
        session, {prompter, end, probes, netParams.gatherer(), pump, clock, settings, traySlot});
    // The package takes the running program itself, whatever the name it was started under.
    model.configureTests().onMakePackage = [&] {
        package::MakeSetup(session, exe, prompter, fileCalls);
    };
    netParams.gatherer().setOutcomeHandler(
        [&model](const netparams::GatherOutcome& o) { model.applyGatherOutcome(o); });
    QtTrayHost tray(model.c.mnuStart, model.c.mnuStop, model.c.mnuShow, model.c.mnuExit,
                    [&model](shell::Activation how) { model.trayActivated(how); });
    traySlot.setTarget(&tray);
    MainWindow window(model);
    // The help and Network Parameters screens get their windows on first use.
    std::unique_ptr<UserGuideWindow> guideWindow;
    std::unique_ptr<NetParmsWindow> netParmsWindow;
    model.userGuide().window.onLoad = [&] {
        guideWindow = std::make_unique<UserGuideWindow>(model.userGuide());
    };
    model.netParmsText().window.onLoad = [&] {
        netParmsWindow = std::make_unique<NetParmsWindow>(model.netParmsText());
    };
    std::unique_ptr<ConfigureTestsWindow> configureWindow;
    model.configureTests().window.onLoad = [&] {
        configureWindow = std::make_unique<ConfigureTestsWindow>(model.configureTests());
    };
    model.netParmsText().listInterfaces = [&netParams] {
        return netparams::interfaceListing(netParams.interfaces());
    };
    prompter.setParent(&window);
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

}  // namespace zelto::widgets
