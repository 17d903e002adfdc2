#pragma once
#include <string>

// The file dialogs of the load and save commands. The viewer installs the
// platform's file chooser; tests install one that answers with given paths.
// Both calls block until the dialog is closed and return the chosen path, or
// an empty path when the user cancelled or no dialog could be shown.
class FileChooser {
public:
    virtual ~FileChooser() = default;
    virtual std::string chooseSaveFile() = 0;
    virtual std::string chooseOpenFile() = 0;
    // The save dialog with suggested (the scene's own file) filled in, so
    // saving again under the same name is one click. Choosers that cannot
    // fill in a name offer their ordinary save dialog.
    virtual std::string chooseSaveFileAs(const std::string& /*suggested*/) { return chooseSaveFile(); }
    // The save dialog of an image export. Choosers without an image filter
    // of their own offer their ordinary save dialog.
    virtual std::string chooseImageFile() { return chooseSaveFile(); }
    // A scene was opened without a dialog (named on the command line): the
    // next dialog starts in its folder, as after a load through the dialog.
    virtual void startNextInFolderOf(const std::string& /*scenePath*/) {}
};
