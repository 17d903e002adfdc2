// Keyboard shortcuts: every key and modifier combination maps to at most
// one command, and only Ctrl with O, S, E, Z, Y, L, T or G (and Ctrl+Shift+Z,
// Ctrl+Shift+S) maps to one, whether X11 sends the control code or the letter.
#include "app/mousemodes.h"
#include "app/shortcuts.h"

#include <gtest/gtest.h>

namespace {

using shortcuts::Command;
using shortcuts::commandFor;

Command expected(unsigned char key, int modifiers)
{
    const int ctrl = mousemodes::ctrlBit, shift = mousemodes::shiftBit;
    if (modifiers == (ctrl | shift)) {
        if (key == 26 || key == 'z' || key == 'Z') return Command::Redo;
        if (key == 19 || key == 's' || key == 'S') return Command::SaveAs;
        return key == 22 || key == 'v' || key == 'V' ? Command::PasteComposition : Command::NoCommand;
    }
    if (modifiers != ctrl) return Command::NoCommand;
    switch (key) {
    case 15: case 'o': case 'O': return Command::Load;
    case 19: case 's': case 'S': return Command::Save;
    case 5: case 'e': case 'E': return Command::Export;
    case 26: case 'z': case 'Z': return Command::Undo;
    case 25: case 'y': case 'Y': return Command::Redo;
    case 12: case 'l': case 'L': return Command::Layers;
    case 20: case 't': case 'T': return Command::TilePreview;
    case 7: case 'g': case 'G': return Command::NewSeed;
    case 3: case 'c': case 'C': return Command::Copy;
    case 24: case 'x': case 'X': return Command::Cut;
    case 22: case 'v': case 'V': return Command::Paste;
    default: return Command::NoCommand;
    }
}

TEST(Shortcuts, OnlyCtrlWithOSEZYLTOrGIsACommand)
{
    for (int modifiers = 0; modifiers <= 7; ++modifiers)
        for (int key = 0; key < 256; ++key)
            EXPECT_EQ(commandFor(static_cast<unsigned char>(key), modifiers),
                      expected(static_cast<unsigned char>(key), modifiers))
                << "key " << key << " modifiers " << modifiers;
}

} // namespace
