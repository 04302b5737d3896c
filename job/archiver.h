// Packs a page and its "_files" folder with the user's archiver, naming the
// archive after the work the page describes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "page/title_info.h"

namespace job {

// What the settings file says of the archiver; read once before the worker
// starts and only read afterwards.
struct ArchiverSettings {
  // A blank followed by the user's "Com": "%s" stands for the next value
  // (archive base name, page path, files folder), "%%" for a percent sign.
  std::string format;
  std::string program;  // the user's "Arc", taken verbatim
  int hidden = 1;       // 0 shows the archiver's window
};

// Capacities, terminator included, of the composed strings; longer ones are
// cut at capacity - 1 bytes.
inline constexpr size_t kArchiveBaseCapacity = 1024;
inline constexpr size_t kArgumentTextCapacity = 4096;

// True when `format` converts nothing but "%s", at most three times, and
// "%%": the three values are all there is to fill in.
bool IsAcceptedFormat(std::string_view format);

// The archive's path without extension: the page's folder and
// "Title [English][Type]" (or "Title [Type]" without English), sanitising
// the three fields in place; with an empty Title, the page path without its
// extension. Where names on disk are UTF-8 (POSIX), a value that is not
// valid UTF-8 is taken as ANSI text and converted.
std::string ArchiveBaseName(const char* pagePath, page::TitleInfo& info);

// The page path with "_files" in place of its extension; a path without an
// extension stays as it is.
std::string FilesFolder(const char* pagePath);

// Fills an accepted `format` with the three values in turn.
std::string FillFormat(std::string_view format, const std::string (&values)[3]);

// The argument text for the page: `format` filled with the archive base
// name, the page path and the files folder. False, with `info` untouched,
// when the format is not accepted.
bool BuildArgumentText(const char* pagePath, page::TitleInfo& info, std::string_view format,
                       std::string& text);

// Runs the archiver for the page and waits for it. Returns its exit code,
// or STATUS_ARCHIVER_NOT_STARTED (-1) when it cannot be started or the
// format is refused. Worker thread only.
int RunArchiver(const char* pagePath, page::TitleInfo& info, const ArchiverSettings& settings);

}  // namespace job
