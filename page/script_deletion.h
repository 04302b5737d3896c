// The scripts a saved page brings along in its "_files" folder: the cleaned
// page no longer runs them, so they go.
#pragma once

namespace page {

// Deletes the files named "*.js" or, as Chrome saves scripts,
// "*.js.download" (letter case ignored) in the "_files" folder of the page at
// `path`, not in its subfolders. A "_files" that is a
// link or a junction is left alone; a script that is a link goes as a link.
// A script that cannot be deleted is passed by; a path that does not fit the
// path buffers ends the deletion.
void DeleteScripts(const char* path);

}  // namespace page
