// Keyboard shortcuts: every key and modifier combination maps to at most
// one command, and only Ctrl with O, S or E maps to one.
#include "app/mousemodes.h"
#include "app/shortcuts.h"

#include <gtest/gtest.h>

namespace {

using shortcuts::Command;
using shortcuts::commandFor;

Command expected(unsigned char key, int modifiers)
{
    if (modifiers != mousemodes::ctrlBit) return Command::NoCommand;
    switch (key) {
    case 15: case 'o': case 'O': return Command::Load;
    case 19: case 's': case 'S': return Command::Save;
    case 5: case 'e': case 'E': return Command::Export;
    default: return Command::NoCommand;
    }
}

TEST(Shortcuts, OnlyCtrlWithOSOrEIsACommand)
{
    for (int modifiers = 0; modifiers <= 7; ++modifiers)
        for (int key = 0; key < 256; ++key)
            EXPECT_EQ(commandFor(static_cast<unsigned char>(key), modifiers),
                      expected(static_cast<unsigned char>(key), modifiers))
                << "key " << key << " modifiers " << modifiers;
}

TEST(Shortcuts, TheControlCodesX11Sends)
{
    EXPECT_EQ(commandFor(0x0f, mousemodes::ctrlBit), Command::Load);
    EXPECT_EQ(commandFor(0x13, mousemodes::ctrlBit), Command::Save);
    EXPECT_EQ(commandFor(0x05, mousemodes::ctrlBit), Command::Export);
    // Ctrl+Z, Ctrl+Shift+Z and Ctrl+Y belong to other commands.
    EXPECT_EQ(commandFor(0x1a, mousemodes::ctrlBit), Command::NoCommand);
    EXPECT_EQ(commandFor(0x1a, mousemodes::ctrlBit | mousemodes::shiftBit), Command::NoCommand);
    EXPECT_EQ(commandFor(0x19, mousemodes::ctrlBit), Command::NoCommand);
}

} // namespace
