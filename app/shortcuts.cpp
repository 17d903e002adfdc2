#include "app/shortcuts.h"

#include "app/mousemodes.h"

namespace shortcuts {

Command commandFor(unsigned char key, int modifiers)
{
    if ((modifiers & mousemodes::ctrlBit) == 0 || (modifiers & mousemodes::altBit)) return Command::NoCommand;
    const bool shift = (modifiers & mousemodes::shiftBit) != 0;
    // The control code of a letter is its position in the alphabet.
    const unsigned char letter = key >= 1 && key <= 26 ? static_cast<unsigned char>('a' + key - 1)
                                 : key >= 'A' && key <= 'Z' ? static_cast<unsigned char>(key - 'A' + 'a')
                                                             : key;
    if (letter == 'z') return shift ? Command::Redo : Command::Undo;
    if (letter == 's') return shift ? Command::SaveAs : Command::Save;
    if (letter == 'v') return shift ? Command::PasteComposition : Command::Paste;
    if (shift) return Command::NoCommand;
    switch (letter) {
    case 'o': return Command::Load;
    case 'e': return Command::Export;
    case 'y': return Command::Redo;
    case 'l': return Command::Layers;
    case 't': return Command::TilePreview;
    case 'g': return Command::NewSeed;
    case 'c': return Command::Copy;
    case 'x': return Command::Cut;
    default: return Command::NoCommand;
    }
}

int pageStep(int specialKey, int modifiers)
{
    if (modifiers & (mousemodes::ctrlBit | mousemodes::altBit)) return 0;
    return specialKey == pageUpKey ? 1 : specialKey == pageDownKey ? -1 : 0;
}

} // namespace shortcuts
