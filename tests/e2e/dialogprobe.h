#pragma once

// Makes the next file dialog print how it was set up, as key=value lines on
// stdout (title, filters, current filter, name, overwrite confirmation, the
// window it is transient for, the numeric locale), then cancel itself.
void inspectNextFileDialog();
