#pragma once
// Replacing a file so that it is never lost half-written.
//
// The new contents go to a temporary file beside the target, are flushed to
// the disk and then renamed over the target in one step: readers see either
// the old file or the whole new one, and a failure at any point leaves the old
// file untouched and no temporary file behind.
#include <cstdio>
#include <functional>
#include <string>

namespace atomicfile {

// Writes the contents through write(file) and puts them at path. write
// returns an empty string on success, else the reason it failed. The new
// file gets the old file's permissions, or those of any newly created file
// (0666 less the umask). Returns an empty string on success, else the reason
// (the system's text, such as "Permission denied").
std::string replace(const std::string& path, const std::function<std::string(std::FILE*)>& write);

} // namespace atomicfile
