#pragma once
// Replacing a file so that it is never lost half-written.
//
// The new contents go to a file with no name in the target's folder
// (O_TMPFILE), are flushed to the disk, and only then get a name: a
// temporary one beside the target, of its writer's own (".NAME.new.XXXXXX"),
// which is renamed over the target in one step. A kill, even SIGKILL, or a
// power loss before the link leaves nothing behind; readers see either the
// old file or the whole new one, and writers of one target at once each put
// their own contents in place, the last rename winning. The only leftover
// possible is a complete file under a temporary name, in the instant between
// the link and the rename. Each writer holds a lock on its file until the
// rename, so the next write of the same target tells a leftover from a write
// in progress, and removes it.
//
// Where the file system cannot make unnamed files (some network and FUSE
// file systems), the contents go to a named temporary file
// (".NAME.XXXXXX") instead, which every failure removes, and so does a
// signal that ends the program (removeTemporariesOnSignals).
#include <cstdio>
#include <functional>
#include <string>

namespace atomicfile {

// How a file is made before it is renamed into place.
enum class Method {
    unnamed,     // O_TMPFILE, then a link under the temporary name
    named,       // a named temporary file from the start
};

// Writes the contents through write(file) and puts them at path. write
// returns an empty string on success, else the reason it failed. The new
// file gets the old file's permissions, or those of any newly created file
// (0666 less the umask). Returns an empty string on success, else the reason
// (the system's text, such as "Permission denied").
std::string replace(const std::string& path, const std::function<std::string(std::FILE*)>& write);

// The same, with method chosen (tests; the plain replace tries unnamed
// first). How the last successful replace on this thread made its file.
std::string replace(const std::string& path, const std::function<std::string(std::FILE*)>& write, Method method);
Method lastMethod();

// For programs that do not catch these signals themselves: SIGINT, SIGTERM
// and SIGHUP first remove the named temporary files being written (the
// fallback's, and a finished file between its link and its rename), then end
// the process by the same signal. A signal already ignored stays ignored.
void removeTemporariesOnSignals();

// The beginning of the names the finished file has for an instant before it
// is renamed over path: ".NAME.new" beside it, to which each write adds a
// point and an ending of its own. A file of that name, with or without an
// ending, that no writer holds is a leftover the next write removes.
std::string temporaryName(const std::string& path);

} // namespace atomicfile
