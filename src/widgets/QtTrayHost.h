#pragma once

#include <QDBusConnection>
#include <QIcon>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <string>

#include "shell/TrayHost.h"
#include "ui/Controls.h"

class QAction;
class QMenu;
class QDBusServiceWatcher;
class QSystemTrayIcon;

namespace zelto::widgets {

/// The notification area through QSystemTrayIcon. Where no tray can show the icon yet, it
/// watches the session bus for a StatusNotifierItem host and shows the icon once one comes;
/// balloons with no tray to carry them become desktop notifications. Needs a QApplication.
class QtTrayHost : public QObject, public shell::TrayHost {
    Q_OBJECT

  public:
    using ActivationHandler = std::function<void(shell::Activation)>;

    /// Builds the pop-up menu bound to the four item models (they may outlive the host) and
    /// reports double clicks on the icon to `onActivated`.
    QtTrayHost(ui::MenuItem& mnuStart, ui::MenuItem& mnuStop, ui::MenuItem& mnuShow,
               ui::MenuItem& mnuExit, ActivationHandler onActivated,
               QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);
    ~QtTrayHost() override;
    QtTrayHost(const QtTrayHost&) = delete;
    QtTrayHost& operator=(const QtTrayHost&) = delete;

    void add(const shell::TrayIconData& record) override;
    void modify(const shell::TrayIconData& record) override;
    void remove() override;
    bool available() const override;
    void showMenu() override;

    /// The pop-up menu "Popup" with Start, Stop, Show and Exit.
    QMenu* menu() const { return menu_.get(); }
    /// The icon in the notification area; null until a notification area is known.
    QSystemTrayIcon* trayIcon() const { return icon_.get(); }

    /// How long a balloon stays up for a caller's time-out value, in milliseconds.
    static int balloonMillis(int timeout);

  private Q_SLOTS:
    void queryStatusNotifierHost();

  private:
    void addMenuItem(ui::MenuItem& model);
    void setStatusNotifierHost(bool present);
    void ensureIcon();
    void apply(const shell::TrayIconData& record);
    void showBalloon(const shell::TrayIconData& record);
    void notifyDesktop(const shell::TrayIconData& record);
    void onTrayActivated(int reason);

    ActivationHandler onActivated_;
    QDBusConnection bus_;
    // The menu outlives the icon that shows it: members go in reverse order.
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<QSystemTrayIcon> icon_;
    QDBusServiceWatcher* watcher_ = nullptr;
    shell::TrayIconData record_;
    bool wanted_ = false;
    bool statusNotifierHost_ = false;
    bool iconViaStatusNotifier_ = false;
    bool xcb_ = false;
    uint lastNotification_ = 0;
};

/// The traffic light (101 red, 102 amber, 103 green) or, for any other number, the program icon.
QIcon trafficLightIcon(int iconId);

/// Text kept as bytes, shown as UTF-8 when it is valid UTF-8 and as Latin-1 otherwise.
QString toDisplayString(const std::string& bytes);

}  // namespace zelto::widgets
