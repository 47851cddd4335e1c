#include <QSettings>
#include <QString>

#include "shell/SettingsStore.h"

namespace zelto::shell {

namespace {
QString qs(const std::string& s) {
    return QString::fromStdString(s);
}
}  // namespace

std::string QtSettingsStore::read(const std::string& app, const std::string& section,
                                  const std::string& key, const std::string& fallback) {
    QSettings settings(qs(app), qs(app));
    return settings.value(qs(section + "/" + key), qs(fallback)).toString().toStdString();
}

void QtSettingsStore::write(const std::string& app, const std::string& section,
                            const std::string& key, const std::string& value) {
    QSettings settings(qs(app), qs(app));
    settings.setValue(qs(section + "/" + key), qs(value));
    settings.sync();
}

}  // namespace zelto::shell
