#include "widgets/ProgressWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <string>

#include "package/PackUnpack.h"
#include "support/TempDir.h"
#include "support/WidgetApp.h"
#include "widgets/Binding.h"

namespace zelto::widgets {
namespace {

using test::app;

std::string pack() {
    std::string out;
    for (const char* f : {"program", "in", "out", "guide", "help", "cli"}) {
        out += f;
        package::Trailer t = *package::WriteLengthTrailer(static_cast<std::uint32_t>(strlen(f)));
        out.append(t.begin(), t.end());
    }
    return out;
}

class ProgressScreen : public ::testing::Test {
  protected:
    ProgressScreen() {
        app();
        model.window.onLoad = [this] { window = std::make_unique<ProgressWindow>(model); };
        model.ShowAgreement();
    }
    template <class W>
    W* find(const char* name) {
        return window->findChild<W*>(name);
    }

    test::TempDir dir;
    package::InstallPlaces places{dir.write("Setup.run", pack()), dir.path() + "Zelto/",
                                  dir.path() + "Desktop"};
    ui::ScriptedPrompter prompt;
    ui::ThrowingProgramEnd end;
    system::SystemCalls calls;
    package::Progress model{places, prompt, end, calls};
    std::unique_ptr<ProgressWindow> window;
};

TEST_F(ProgressScreen, ShowsTheAgreementAndAcceptingInstallsWithColouredFileLines) {
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), "Unpack Zelto Files from Setup.run");
    EXPECT_EQ(find<QLabel>("FileNam0")->text(), "Accept or Decline the Zelto Agreement");
    EXPECT_TRUE(find<QPlainTextEdit>("Agreement")->isVisible());
    EXPECT_FALSE(find<QPlainTextEdit>("Agreement")->toPlainText().isEmpty());
    auto* accept = find<QPushButton>("AcceptAgreement");
    EXPECT_EQ(accept->text(), "I Accept the Agreement");
    EXPECT_EQ(find<QPushButton>("DeclineAgreement")->text(), "I Do Not Accept the Agreement");
    EXPECT_FALSE(find<QPushButton>("btnCloseScreen")->isVisible());
    for (int i = 1; i <= 6; ++i)
        EXPECT_FALSE(window->fileLine(i)->isVisible()) << i;

    QTest::mouseClick(accept, Qt::LeftButton);

    EXPECT_FALSE(find<QPlainTextEdit>("Agreement")->isVisible());
    EXPECT_FALSE(accept->isVisible());
    auto* close = find<QPushButton>("btnCloseScreen");
    EXPECT_TRUE(close->isVisible());
    EXPECT_EQ(close->text(), "Exit Install");
    const QColor green = toQColor(ui::kGreen, window.get());
    for (int i = 1; i <= 6; ++i) {
        QLabel* line = window->fileLine(i);
        EXPECT_TRUE(line->isVisible()) << i;
        EXPECT_EQ(line->text().toStdString(),
                  "Unpacked " + places.installDir + package::kFileNames[i - 1]);
        EXPECT_EQ(line->palette().color(QPalette::WindowText), green) << i;
    }
    // zelto-cli heads the left column, zelto closes the right one.
    EXPECT_LT(window->fileLine(6)->y(), window->fileLine(5)->y());
    EXPECT_LT(window->fileLine(5)->y(), window->fileLine(3)->y());
    EXPECT_LT(window->fileLine(5)->x(), window->fileLine(2)->x());
    EXPECT_TRUE(find<QLabel>("FileNam8")->isVisible());
    EXPECT_EQ(dir.read("Zelto/zelto"), "program");
}

}  // namespace
}  // namespace zelto::widgets
