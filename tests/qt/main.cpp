// Runs every test class of the Linux window in one application.
#include <QApplication>
#include <QTest>
#include <initializer_list>

#include "tests/qt/test_classes.h"

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  UriListTest uriList;
  SettingsPlaceTest settingsPlace;
  WindowTest window;
  int failed = 0;
  for (QObject* test : std::initializer_list<QObject*>{&uriList, &settingsPlace, &window})
    failed += QTest::qExec(test, argc, argv);
  return failed == 0 ? 0 : 1;
}
