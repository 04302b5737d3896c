// Whether a process the tests started, by way of the program under test, is gone.
#pragma once

namespace testsupport {

// True once the process `pid` no longer runs (gone, or on POSIX a zombie nobody reaped),
// waiting up to ten seconds for a process that is being killed to end.
bool HasEnded(long pid);

}  // namespace testsupport
