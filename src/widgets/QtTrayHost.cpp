#include "widgets/QtTrayHost.h"

#include <QAction>
#include <QCursor>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>
#include <QStringDecoder>
#include <QSystemTrayIcon>

#include <algorithm>

// Resources compiled into a static library are registered by name, from outside any namespace.
static void registerTrayIcons() {
    Q_INIT_RESOURCE(icons);
}

namespace zelto::widgets {

namespace {

const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kNotificationsService = QStringLiteral("org.freedesktop.Notifications");
const QString kNotificationsPath = QStringLiteral("/org/freedesktop/Notifications");

// A bus that answers at all answers in microseconds; a hung one must not freeze start-up.
constexpr int kStartupQueryMillis = 1000;
constexpr int kNotifyCallMillis = 5000;

QDBusMessage hostRegisteredQuery() {
    QDBusMessage m = QDBusMessage::createMethodCall(
        kWatcherService, kWatcherPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    m << kWatcherService << QStringLiteral("IsStatusNotifierHostRegistered");
    // Asking must not start a watcher through bus activation: only a running panel counts.
    m.setAutoStartService(false);
    return m;
}

bool hostRegisteredIn(const QDBusMessage& reply) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return false;
    return reply.arguments().first().value<QDBusVariant>().variant().toBool();
}

void syncAction(QAction& action, const ui::MenuItem& model) {
    action.setText(QString::fromStdString(model.caption()));
    action.setChecked(model.checked());
    action.setEnabled(model.enabled());
    action.setVisible(model.visible());
}

QSystemTrayIcon::MessageIcon balloonKind(int infoFlags) {
    switch (infoFlags & 0x0F) {
        case 1:
            return QSystemTrayIcon::Information;
        case 2:
            return QSystemTrayIcon::Warning;
        case 3:
            return QSystemTrayIcon::Critical;
        default:
            return QSystemTrayIcon::NoIcon;
    }
}

}  // namespace

QIcon trafficLightIcon(int iconId) {
    registerTrayIcons();
    if (iconId == 101 || iconId == 102 || iconId == 103)
        return QIcon(QStringLiteral(":/icons/%1.svg").arg(iconId));
    return QIcon(QStringLiteral(":/icons/zelto.svg"));
}

QString toDisplayString(const std::string& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (!utf8.hasError())
        return text;
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QtTrayHost::QtTrayHost(ui::MenuItem& mnuStart, ui::MenuItem& mnuStop, ui::MenuItem& mnuShow,
                       ui::MenuItem& mnuExit, ActivationHandler onActivated, QDBusConnection bus,
                       QObject* parent)
    : QObject(parent),
      onActivated_(std::move(onActivated)),
      bus_(std::move(bus)),
      menu_(std::make_unique<QMenu>(QStringLiteral("Popup"))),
      xcb_(QGuiApplication::platformName() == QLatin1String("xcb")) {
    registerTrayIcons();
    for (ui::MenuItem* item : {&mnuStart, &mnuStop, &mnuShow, &mnuExit})
        addMenuItem(*item);

    if (!bus_.isConnected())
        return;  // no session bus (a bare X server, offscreen): the tray is all there is
    watcher_ = new QDBusServiceWatcher(
        kWatcherService, bus_,
        QDBusServiceWatcher::WatchForRegistration | QDBusServiceWatcher::WatchForUnregistration,
        this);
    connect(watcher_, &QDBusServiceWatcher::serviceRegistered, this,
            &QtTrayHost::queryStatusNotifierHost);
    connect(watcher_, &QDBusServiceWatcher::serviceUnregistered, this,
            [this] { setStatusNotifierHost(false); });
    // A panel registers its host with the watcher after the watcher itself appears (KDE runs
    // them in different processes), so the host's own announcement counts too.
    bus_.connect(QString(), kWatcherPath, kWatcherService,
                 QStringLiteral("StatusNotifierHostRegistered"), this,
                 SLOT(queryStatusNotifierHost()));
    // Asked once now, with a bound: whether the first minimise may hide the window depends on
    // it, and that can come right after start-up.
    setStatusNotifierHost(
        hostRegisteredIn(bus_.call(hostRegisteredQuery(), QDBus::Block, kStartupQueryMillis)));
}

QtTrayHost::~QtTrayHost() = default;

void QtTrayHost::addMenuItem(ui::MenuItem& model) {
    QAction* action = menu_->addAction(QString());
    action->setCheckable(true);
    syncAction(*action, model);
    // The model has no way to disconnect, and may outlive the menu: the guard turns its
    // notifications into no-ops once the action is gone.
    QPointer<QAction> guard(action);
    model.changed.connect([guard, &model] {
        if (guard)
            syncAction(*guard, model);
    });
    connect(action, &QAction::triggered, this, [guard, &model] {
        model.click();
        // The check marks show the run state, not the click: Qt has already toggled the mark,
        // and the handler may have left the model as it was.
        if (guard)
            syncAction(*guard, model);
    });
}

void QtTrayHost::queryStatusNotifierHost() {
    if (!bus_.isConnected())
        return;
    auto* call = new QDBusPendingCallWatcher(bus_.asyncCall(hostRegisteredQuery()), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        setStatusNotifierHost(hostRegisteredIn(w->reply()));
        w->deleteLater();
    });
}

void QtTrayHost::setStatusNotifierHost(bool present) {
    statusNotifierHost_ = present;
    // A program started before the panel (autostart) gets its icon once the panel is up.
    if (present && wanted_) {
        ensureIcon();
        if (icon_) {
            apply(record_);
            icon_->show();
        }
    }
}

void QtTrayHost::ensureIcon() {
    if (icon_)
        return;
    // Qt decides once per process, when the first tray icon is made, whether it talks to a
    // StatusNotifierItem host; made too early on Wayland it never shows. On X11 it also has
    // the XEmbed tray, which it watches for by itself, so there it is made at once.
    if (!statusNotifierHost_ && !xcb_)
        return;
    iconViaStatusNotifier_ = statusNotifierHost_;
    icon_ = std::make_unique<QSystemTrayIcon>();
    icon_->setContextMenu(menu_.get());
    connect(icon_.get(), &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                onTrayActivated(static_cast<int>(reason));
            });
}

void QtTrayHost::onTrayActivated(int reason) {
    shell::Activation how = shell::Activation::Other;
    switch (static_cast<QSystemTrayIcon::ActivationReason>(reason)) {
        case QSystemTrayIcon::DoubleClick:
            how = shell::Activation::DoubleClick;
            break;
        case QSystemTrayIcon::Trigger:
            // A StatusNotifierItem host reports a click as "activate" and never a double
            // click: there the click is the way back to the window.
            if (iconViaStatusNotifier_)
                how = shell::Activation::DoubleClick;
            break;
        case QSystemTrayIcon::Context:
            return;  // Qt pops up the context menu itself
        default:
            break;
    }
    if (onActivated_)
        onActivated_(how);
}

void QtTrayHost::apply(const shell::TrayIconData& record) {
    icon_->setIcon(trafficLightIcon(record.iconId));
    icon_->setToolTip(toDisplayString(record.tip));
}

void QtTrayHost::add(const shell::TrayIconData& record) {
    record_ = record;
    wanted_ = true;
    ensureIcon();
    if (!icon_)
        return;
    // Adding shows icon and tip only: a balloon still in the record belongs to an earlier
    // run and is not raised again on every minimise.
    apply(record);
    icon_->show();
}

void QtTrayHost::modify(const shell::TrayIconData& record) {
    record_ = record;
    if (!wanted_)
        return;  // no icon to change, as when the window is shown
    if (icon_)
        apply(record);
    if ((record.flags & shell::kInfoFlag) != 0 && !record.info.empty())
        showBalloon(record);
}

void QtTrayHost::remove() {
    wanted_ = false;
    if (icon_)
        icon_->hide();
}

bool QtTrayHost::available() const {
    if (statusNotifierHost_)
        return true;
    // Only on X11: elsewhere asking would make Qt settle the tray question too early.
    return xcb_ && QSystemTrayIcon::isSystemTrayAvailable();
}

void QtTrayHost::showMenu() {
    menu_->popup(QCursor::pos());
}

int QtTrayHost::balloonMillis(int timeout) {
    // The value is milliseconds, kept between 10 and 30 seconds so a balloon can be read;
    // callers pass 1.
    return std::clamp(timeout, 10000, 30000);
}

void QtTrayHost::showBalloon(const shell::TrayIconData& record) {
    if (icon_ && icon_->isVisible() && available() && QSystemTrayIcon::supportsMessages()) {
        icon_->showMessage(toDisplayString(record.infoTitle), toDisplayString(record.info),
                           balloonKind(record.infoFlags), balloonMillis(record.timeout));
        return;
    }
    notifyDesktop(record);
}

void QtTrayHost::notifyDesktop(const shell::TrayIconData& record) {
    if (!bus_.isConnected())
        return;
    const QSystemTrayIcon::MessageIcon kind = balloonKind(record.infoFlags);
    const QString icon = kind == QSystemTrayIcon::Critical  ? QStringLiteral("dialog-error")
                         : kind == QSystemTrayIcon::Warning ? QStringLiteral("dialog-warning")
                         : kind == QSystemTrayIcon::Information
                             ? QStringLiteral("dialog-information")
                             : QString();
    QVariantMap hints;
    hints.insert(
        QStringLiteral("urgency"),
        QVariant::fromValue(static_cast<uchar>(kind == QSystemTrayIcon::Critical ? 2 : 1)));
    QDBusMessage m = QDBusMessage::createMethodCall(
        kNotificationsService, kNotificationsPath, kNotificationsService, QStringLiteral("Notify"));
    // Servers read the body as markup: test names and addresses are shown as written.
    m << QStringLiteral("Zelto") << lastNotification_ << icon << toDisplayString(record.infoTitle)
      << toDisplayString(record.info).toHtmlEscaped() << QStringList() << hints
      << balloonMillis(record.timeout);
    // Sent without waiting; the answer's id lets the next balloon replace this one rather
    // than stack up in continuous runs.
    auto* call = new QDBusPendingCallWatcher(bus_.asyncCall(m, kNotifyCallMillis), this);
    connect(call, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* w) {
        QDBusPendingReply<uint> reply = *w;
        if (reply.isValid())
            lastNotification_ = reply.value();
        w->deleteLater();
    });
}

}  // namespace zelto::widgets
