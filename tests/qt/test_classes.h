// The test classes of the Linux window, run one after another by main.cpp.
#pragma once

#include <QObject>

class UriListTest : public QObject {
  Q_OBJECT
 private slots:
  void localFileUrlsBecomePathsByteForByteAndOthersAreRefused();
  void windowArguments();
};

class SettingsPlaceTest : public QObject {
  Q_OBJECT
 private slots:
  void userFileFollowsXdgConfigHomeOrHome();
  void systemFilesFollowXdgConfigDirs();
  void firstCloseMakesTheFolderWithTheWindowKeysOnly();
  void unwritableFolderIsReportedAndTheWindowStillCloses();
  void cliReadsTheUserFileAndNamesOneBesideItThatItIgnores();
};

class WindowTest : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void cleanup();
  void commandLineRunCleansArchivesClosesItselfAndStoresKeys();
  void failingArchiverKeepsWindowOpenShowsAboutAndAPlaceBeyondTheScreenIsNotStored();
  void dropsWhileJobsArePendingQueueBehindAndNonLocalUrlsAreRefused();
  void resultsStillQueuedWhenTheWindowGoesAreFreed();
  void firstDropWithoutTheUsersFileArchivesWithTheSystemSettings();
  void logFollowsTheNewestLineUnlessScrolledAway();
};
