// GoogleTest with one QApplication on Qt's offscreen platform.
#include <gtest/gtest.h>

#include <QApplication>

#include "ui/qt/MainWindow.h"

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  qputenv("QT_SCALE_FACTOR", "1");
  QApplication application(argc, argv);
  ui::ApplyClassicStyle();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
