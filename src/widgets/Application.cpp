#include "widgets/Application.h"

#include <QApplication>

namespace zelto::widgets {

int runDesktop(int argc, char** argv) {
    QApplication app(argc, argv);
    return 0;
}

}  // namespace zelto::widgets
