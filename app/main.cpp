#include "widgets/Application.h"

int main(int argc, char** argv) {
    return zelto::widgets::runDesktop(argc, argv);
}
