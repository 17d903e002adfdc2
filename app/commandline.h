#pragma once
// The viewer's command line: `patternlens [OPTION] [SCENE.xml]`. Parsed
// before anything else, without a display, so --help and --version answer
// anywhere and a mistyped option never opens a window.
#include <string>

namespace commandline {

constexpr const char* versionText = "Patternlens 1.75";

struct Options {
    enum class Action { Run, Help, Version, ListExamples, UsageError };
    Action action = Action::Run;
    std::string scenePath;   // empty: start with the default Noise layer
    // Recovery copies of viewers that are gone: asked about at start, the
    // newest opened without asking (--recover), or left alone (--no-recover).
    enum class Recovery { Ask, Recover, Skip };
    Recovery recovery = Recovery::Ask;
    std::string error;       // why, for UsageError
};

// argv[0] is the program's name. "--" ends the options, so a scene whose
// name starts with "-" can still be given.
Options parse(int argc, const char* const* argv);

// The text of --help, ending in a newline.
std::string usage();

// What main does with the options that end the program before the window
// opens: prints to out or err and returns the exit status (0 for --help and
// --version, 2 for a usage error). Returns -1 when the viewer should run.
int answer(const Options& options, std::string* out, std::string* err);
// --list-examples for the examples in folder: their paths on out, one a
// line, and 0; with none, where it looked on err, and 1.
int listExamples(const std::string& folder, std::string* out, std::string* err);

} // namespace commandline
