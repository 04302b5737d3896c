// Runs every test class of the Linux window in one application.
#include <QApplication>
#include <QTest>

#include "tests/qt/test_classes.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  int failed = 0;
  {
    UriListTest test;
    failed += QTest::qExec(&test, argc, argv);
  }
  {
    SettingsPlaceTest test;
    failed += QTest::qExec(&test, argc, argv);
  }
  {
    WindowTest test;
    failed += QTest::qExec(&test, argc, argv);
  }
  return failed == 0 ? 0 : 1;
}
