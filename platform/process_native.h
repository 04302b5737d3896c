// The start of a program by the system's own means: what the native
// launcher of process.h hands every start to. For the platform's files only.
#pragma once

#include "platform/process.h"

namespace platform {

// Starts `program` as ProcessLauncher::Run describes and waits for it; the
// launcher has seen that the stop was not set yet.
ProcessResult StartAndWait(const char* program, const ArgumentFormat& arguments,
                           const ProcessOptions& options);

}  // namespace platform
