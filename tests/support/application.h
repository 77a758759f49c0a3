// The application object of tests that drive real widgets (headless under the offscreen platform).
#pragma once

#include <QApplication>

namespace testing_support {

// Creates the program's one QApplication the first time; it lives until the process ends.
QApplication& TestApplication();

}  // namespace testing_support
