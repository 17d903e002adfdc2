// The viewer's command line: what each form of it asks for, and what the
// program prints and returns before any window opens.
#include "app/column/examplefiles.h"
#include "app/commandline.h"
#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

using Action = commandline::Options::Action;

commandline::Options parse(std::initializer_list<const char*> args)
{
    std::vector<const char*> argv{"patternlens"};
    argv.insert(argv.end(), args.begin(), args.end());
    return commandline::parse(static_cast<int>(argv.size()), argv.data());
}

TEST(CommandLine, WellFormedLinesRunHelpOrShowTheVersion)
{
    struct Case {
        std::initializer_list<const char*> args;
        Action action;
        const char* scene;
    } cases[] = {
        {{}, Action::Run, ""},
        {{"scene.xml"}, Action::Run, "scene.xml"},
        {{"--", "-odd name.xml"}, Action::Run, "-odd name.xml"},
        {{"-"}, Action::Run, "-"},   // a lone dash is a name
        {{"--help"}, Action::Help, ""},
        {{"-h"}, Action::Help, ""},
        {{"--version"}, Action::Version, ""},
        {{"--version", "--help"}, Action::Help, ""},
        {{"a.xml", "--version"}, Action::Version, "a.xml"},
        {{"--no-recover", "a.xml"}, Action::Run, "a.xml"},
        {{"--recover", "--recover"}, Action::Run, ""},
    };
    for (const Case& c : cases) {
        const commandline::Options options = parse(c.args);
        EXPECT_EQ(options.action, c.action) << *c.args.begin();
        EXPECT_EQ(options.scenePath, c.scene);
        const std::string first = c.args.size() ? *c.args.begin() : "";
        EXPECT_EQ(options.recovery, first == "--recover"      ? commandline::Options::Recovery::Recover
                                    : first == "--no-recover" ? commandline::Options::Recovery::Skip
                                                              : commandline::Options::Recovery::Ask);
    }
}

TEST(CommandLine, MalformedLinesAreUsageErrorsThatSayWhy)
{
    struct Case {
        std::initializer_list<const char*> args;
        const char* reason;
    } cases[] = {
        {{"--size"}, "unknown option '--size'"},
        {{"-x", "a.xml"}, "unknown option '-x'"},
        {{"--help", "--bogus"}, "unknown option '--bogus'"},   // help does not hide a typo
        {{"a.xml", "b.xml"}, "only one scene file can be opened"},
        {{""}, "the scene file name is empty"},
        {{"--recover", "a.xml"}, "--recover opens a recovery copy; it cannot be given with a scene file"},
        {{"--recover", "--no-recover"}, "--recover and --no-recover cannot be given together"},
    };
    for (const Case& c : cases) {
        const commandline::Options options = parse(c.args);
        EXPECT_EQ(options.action, Action::UsageError);
        EXPECT_EQ(options.error, c.reason);
    }
}

TEST(CommandLine, AnswersGoToTheRightStreamWithTheRightStatus)
{
    std::string out, err;
    EXPECT_EQ(commandline::answer(parse({"--version"}), &out, &err), 0);
    EXPECT_EQ(out, "Patternlens 1.75\n");
    EXPECT_EQ(err, "");

    out.clear();
    EXPECT_EQ(commandline::answer(parse({"--help"}), &out, &err), 0);
    EXPECT_EQ(out, commandline::usage());
    EXPECT_EQ(out.rfind("Usage: patternlens [--recover | --no-recover] [SCENE.xml]\n", 0), 0u);
    EXPECT_EQ(err, "");

    out.clear();
    EXPECT_EQ(commandline::answer(parse({"--frobnicate"}), &out, &err), 2);
    EXPECT_EQ(out, "");
    EXPECT_EQ(err, "patternlens: unknown option '--frobnicate'\nTry 'patternlens --help' for more information.\n");

    err.clear();
    EXPECT_EQ(commandline::answer(parse({"scene.xml"}), &out, &err), -1);
    EXPECT_EQ(out + err, "");
}

// The examples lie under the program's own prefix, wherever it is; the
// build tree's program lists the source tree's. None found: where it looked.
TEST(CommandLine, ListExamplesListsThePrefixsExamplesOrSaysWhereItLooked)
{
    EXPECT_EQ(examplefiles::directoryFor("/usr/bin/patternlens"), "/usr/share/patternlens/examples");
    EXPECT_EQ(examplefiles::directoryFor("/opt/pl/bin/patternlens"), "/opt/pl/share/patternlens/examples");
    std::string out, err;
    EXPECT_EQ(commandline::answer(parse({"--list-examples"}), &out, &err), 0);
    EXPECT_EQ(out.substr(0, out.find('\n')), PATTERNLENS_SOURCE_DIR "/examples/bubbles.xml");
    testfiles::TempFolder empty;
    EXPECT_EQ(commandline::listExamples(empty.path(), &out, &err), 1);
    EXPECT_EQ(out + err, "patternlens: no example scenes in " + empty.path() + "\n");
}

} // namespace
