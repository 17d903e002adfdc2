#include "app/shortcuts.h"

#include "app/mousemodes.h"

namespace shortcuts {

Command commandFor(unsigned char key, int modifiers)
{
    if ((modifiers & mousemodes::ctrlBit) == 0) return Command::NoCommand;
    if (modifiers & (mousemodes::shiftBit | mousemodes::altBit)) return Command::NoCommand;
    // The control code of a letter is its position in the alphabet.
    const unsigned char letter = key >= 1 && key <= 26 ? static_cast<unsigned char>('a' + key - 1)
                                 : key >= 'A' && key <= 'Z' ? static_cast<unsigned char>(key - 'A' + 'a')
                                                             : key;
    switch (letter) {
    case 'o': return Command::Load;
    case 's': return Command::Save;
    case 'e': return Command::Export;
    default: return Command::NoCommand;
    }
}

} // namespace shortcuts
