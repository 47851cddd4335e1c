#include "shell/InstallPlaces.h"

#include <QDir>
#include <QStandardPaths>

namespace zelto::shell {

package::InstallPlaces installPlaces(const std::string& package) {
    package::InstallPlaces places;
    places.package = package;
    places.installDir = QDir::homePath().toStdString() + "/Zelto/";
    places.desktopDir =
        QStandardPaths::writableLocation(QStandardPaths::DesktopLocation).toStdString();
    return places;
}

}  // namespace zelto::shell
