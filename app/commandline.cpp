#include "app/commandline.h"

#include "app/examplefiles.h"

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
    // --help wins over anything else that is well formed, as in most tools.
    if (help) options.action = Options::Action::Help;
    else if (version) options.action = Options::Action::Version;
    else if (listExamples) options.action = Options::Action::ListExamples;
    return options;
}

std::string usage()
{
    return "Usage: patternlens [SCENE.xml]\n"
           "Opens the viewer of procedural grey-level patterns, with the scene file\n"
           "SCENE.xml loaded when one is given.\n"
           "\n"
           "  --help           show this text\n"
           "  --version        show the version\n"
           "  --list-examples  print the paths of the example scenes, one a line\n";
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
        out->clear();
        for (const examplefiles::Example& example : examplefiles::list()) *out += example.path + "\n";
        return 0;
    case Options::Action::UsageError:
        *err = "patternlens: " + options.error + "\nTry 'patternlens --help' for more information.\n";
        return 2;
    case Options::Action::Run:
        break;
    }
    return -1;
}

} // namespace commandline
