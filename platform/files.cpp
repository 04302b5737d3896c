#include "platform/files.h"

namespace platform {
namespace {

// Null while the native implementation is in use.
FileSystem* g_replacement = nullptr;

}  // namespace

FileSystem& Files() { return g_replacement != nullptr ? *g_replacement : NativeFiles(); }

ScopedFileSystem::ScopedFileSystem(FileSystem& replacement) : previous_(g_replacement) {
  g_replacement = &replacement;
}

ScopedFileSystem::~ScopedFileSystem() { g_replacement = previous_; }

}  // namespace platform
