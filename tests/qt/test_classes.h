// The tests of the Linux window.
#pragma once

#include <QObject>

class WindowTest : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void cleanup();
  void localFileUrlsBecomePathsByteForByteAndOthersAreRefused();
  void windowArguments();
  void placesFollowXdgConfigHomeOrHomeAndXdgConfigDirs();
  void firstCloseMakesAPrivateFolderWithTheWindowKeysOnlyOrSaysWhyItCannot();
  void cliReadsTheUserFileAndNamesOneBesideItThatItIgnores();
  void commandLineRunCleansArchivesClosesItselfAndStoresKeys();
  void restoresItsPlaceShowsAboutAndAPlaceBeyondTheScreenIsNotStored();
  void dropsWhileJobsArePendingQueueBehindAndNonLocalUrlsAreRefused();
  void resultsStillQueuedWhenTheWindowGoesAreFreed();
  void logFollowsTheNewestLineUnlessScrolledAway();
};
