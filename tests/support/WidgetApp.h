#pragma once

#include <QApplication>

namespace zelto::test {

/// The one application of a widget test process, made on first use.
inline QApplication& app() {
    static int argc = 1;
    static char name[] = "widget_test";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down after main() returns crashes in its device registry.
    static auto* a = new QApplication(argc, argv);
    return *a;
}

}  // namespace zelto::test
