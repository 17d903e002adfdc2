#include "app/commandline.h"

#include "app/column/examplefiles.h"

namespace commandline {

Options parse(int argc, const char* const* argv)
{
    Options options;
    auto fail = [&options](const std::string& error) {
        options.action = Options::Action::UsageError;
        options.error = error;
        return options;
    };
    bool optionsEnded = false;
    bool help = false, version = false, listExamples = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] ? argv[i] : "";
        if (!optionsEnded && arg == "--") {
            optionsEnded = true;
        } else if (!optionsEnded && (arg == "--help" || arg == "-h")) {
            help = true;
        } else if (!optionsEnded && arg == "--version") {
            version = true;
        } else if (!optionsEnded && (arg == "--recover" || arg == "--no-recover")) {
            const auto wanted = arg == "--recover" ? Options::Recovery::Recover : Options::Recovery::Skip;
            if (options.recovery != Options::Recovery::Ask && options.recovery != wanted)
                return fail("--recover and --no-recover cannot be given together");
            options.recovery = wanted;
        } else if (!optionsEnded && arg == "--list-examples") {
            listExamples = true;
        } else if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            return fail("unknown option '" + arg + "'");
        } else if (arg.empty()) {
            return fail("the scene file name is empty");
        } else if (!options.scenePath.empty()) {
            return fail("only one scene file can be opened");
        } else {
            options.scenePath = arg;
        }
    }
    if (options.recovery == Options::Recovery::Recover && !options.scenePath.empty())
        return fail("--recover opens a recovery copy; it cannot be given with a scene file");
    // --help wins over anything else that is well formed, as in most tools.
    if (help) options.action = Options::Action::Help;
    else if (version) options.action = Options::Action::Version;
    else if (listExamples) options.action = Options::Action::ListExamples;
    return options;
}

std::string usage()
{
    return "Usage: patternlens [--recover | --no-recover] [SCENE.xml]\n"
           "       patternlens --help | --version | --list-examples\n"
           "Opens the viewer of procedural grey-level patterns, with the scene file\n"
           "SCENE.xml loaded when one is given.\n"
           "\n"
           "While a composition has unsaved changes, the viewer keeps a recovery copy\n"
           "of it in $XDG_STATE_HOME/patternlens/recovery (~/.local/state/patternlens/\n"
           "recovery when XDG_STATE_HOME is unset). At start it offers the newest copy\n"
           "left by a viewer that did not close cleanly.\n"
           "\n"
           "  --recover        open the newest recovery copy without asking\n"
           "  --no-recover     start without asking about recovery copies\n"
           "  --list-examples  print the paths of the example scenes, one a line\n"
           "  --help           show this text\n"
           "  --version        show the version\n";
}

int listExamples(const std::string& folder, std::string* out, std::string* err)
{
    out->clear();
    for (const examplefiles::Example& example : examplefiles::list(folder)) *out += example.path + "\n";
    if (!out->empty()) return 0;
    // A listing that finds nothing is a fault of the installation, not an
    // empty answer: where it looked tells which.
    *err = "patternlens: no example scenes in " + folder + "\n";
    return 1;
}

int answer(const Options& options, std::string* out, std::string* err)
{
    switch (options.action) {
    case Options::Action::Help:
        *out = usage();
        return 0;
    case Options::Action::Version:
        *out = std::string(versionText) + "\n";
        return 0;
    case Options::Action::ListExamples:
        return listExamples(examplefiles::directory(), out, err);
    case Options::Action::UsageError:
        *err = "patternlens: " + options.error + "\nTry 'patternlens --help' for more information.\n";
        return 2;
    case Options::Action::Run:
        break;
    }
    return -1;
}

} // namespace commandline
