// Packs a page and its "_files" folder with the user's archiver, naming the
// archive after the work the page describes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "job/job_gate.h"
#include "page/title_info.h"
#include "platform/process.h"

namespace job {

// The archiver as the settings file describes it, and how the front end has
// it run; set before the worker starts and only read afterwards.
struct ArchiverSettings {
  // The user's "Com" as written: "%s" stands for the next value (archive
  // base name, page path, files folder), "%%" for a percent sign.
  std::string format;
  std::string program;  // the user's "Arc", taken verbatim
  int hidden = 1;       // 0 shows the archiver's window
  // The key ("Com" or "Arc") whose value is too long for its field, or
  // empty. Such a value is never cut (a cut format could name no archive at
  // all): the archiver is not started.
  std::string tooLong;

  // How the front end has the archiver run. The window waits as long as it
  // runs and shows nothing of its output; the batch command line may limit
  // its time, stop it, and capture what it writes.
  int timeoutSeconds = 0;
  const platform::StopSignal* stop = nullptr;
  bool captureOutput = false;
};

// Capacities, terminator included, of the composed strings: the archive base
// name is cut at capacity - 1 bytes; an argument text that would not fit is
// refused.
inline constexpr size_t kArchiveBaseCapacity = 1024;
inline constexpr size_t kArgumentTextCapacity = 4096;

// True when `format` converts nothing but "%s", at most three times, and
// "%%": the three values are all there is to fill in.
bool IsAcceptedFormat(std::string_view format);

// The archive's path without extension: the page's folder and
// "Title [English][Type]" (or "Title [Type]" without English), sanitising
// the three fields in place and then taking them from the page's charset
// into the program's UTF-8 (numeric character references read); with an
// empty Title, the page path without its extension. A name longer than a
// file system holds loses the end of its English name, then of its title.
std::string ArchiveBaseName(const char* pagePath, page::TitleInfo& info);

// Runs the archiver for the page, its format filled with the archive base
// name, the page path and the files folder, and waits for it; with `alone`
// (a web archive, which has no files folder) the argument that would name
// the folder is left out of the format. Returns its
// exit code; STATUS_ARCHIVER_NOT_STARTED (-1) when it cannot be started or
// the settings or the filled text are refused (with `info` untouched when
// the format is); STATUS_ARCHIVER_TIMED_OUT or STATUS_ARCHIVER_INTERRUPTED
// when it was ended. What it wrote, when captured, goes to `output`. With
// `gate`, the start waits until no earlier job packs into the same archive.
// Worker thread only.
int RunArchiver(const char* pagePath, page::TitleInfo& info, const ArchiverSettings& settings,
                std::string& output, JobGate* gate = nullptr, bool alone = false);

// `format` without the argument (a blank-separated word, quotes grouping)
// in which its third "%s", the files folder, stands, and the blanks before
// it. An argument that holds another value too is kept, as is a format with
// fewer than three values.
std::string FormatWithoutFolder(std::string_view format);

}  // namespace job
