#pragma once
#include <cstddef>
#include <cstring>
#include <string>

// What the load and save commands ask of any platform file dialog. Kept free
// of toolkit headers so the request can be checked without a display.

struct FileDialogFilter {
    const char* name;      // shown in the dialog's filter list
    const char* pattern;   // shell glob over the file's name
};

namespace FileDialogRequest {
constexpr const char* caption = "VEZAZE";   // the load and save dialogs
constexpr const char* exportCaption = "Export";

// In this order: the first entry is the filter in effect when a dialog opens.
// "All Files" is "*", not "*.*": a glob "*.*" would hide names without a dot.
constexpr FileDialogFilter filters[] = {
    { "XML Files (*.xml)", "*.xml" },
    { "All Files", "*" },
};
constexpr std::size_t filterCount = sizeof(filters) / sizeof(filters[0]);

// The export's save dialog: images first.
constexpr FileDialogFilter imageFilters[] = {
    { "PNG Images (*.png)", "*.png" },
    { "All Files", "*" },
};

// A path travels in a 1024-byte buffer with its terminating NUL.
constexpr std::size_t maxPathLength = 1023;
} // namespace FileDialogRequest

// The path a dialog hands back to the commands. A name the dialog could not
// return within the limit counts as no choice at all, the same as a cancel,
// rather than a truncated name that would point at some other file.
inline std::string acceptedDialogPath(const char* chosen)
{
    if (!chosen) return std::string();
    const std::size_t length = std::strlen(chosen);
    if (length > FileDialogRequest::maxPathLength) return std::string();
    return std::string(chosen, length);
}

// The folder holding the file at path, for the next dialog to open in: all
// before the last '/', or "/" itself. Empty for an empty path or a bare name,
// which leaves the dialog in the working folder.
inline std::string folderOfPath(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return std::string();
    return slash == 0 ? std::string("/") : path.substr(0, slash);
}
