#include "app/historykeys.h"

#include "app/mousemodes.h"

namespace historykeys {

namespace {
constexpr unsigned char ctrlY = 25;
constexpr unsigned char ctrlZ = 26;
} // namespace

Command commandFor(unsigned char key, int modifiers)
{
    if (!(modifiers & mousemodes::ctrlBit) || (modifiers & mousemodes::altBit)) return Command::Other;
    const bool shift = (modifiers & mousemodes::shiftBit) != 0;
    if (key == ctrlZ || key == 'z' || key == 'Z') return shift ? Command::Redo : Command::Undo;
    if (key == ctrlY || key == 'y' || key == 'Y') return shift ? Command::Other : Command::Redo;
    return Command::Other;
}

} // namespace historykeys
