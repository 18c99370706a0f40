// The entry point of the toolkit test programs: one application object for every case, on the
// offscreen platform unless the caller chose another (QT_QPA_PLATFORM=xcb under xvfb-run).
#include <gtest/gtest.h>

#include <QApplication>

int main(int AArgc, char** AArgv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  testing::InitGoogleTest(&AArgc, AArgv);
  QApplication Application(AArgc, AArgv);
  return RUN_ALL_TESTS();
}
