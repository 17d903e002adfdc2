#include "app/platform/gtkunsavedchangesquestion.h"

#include "persistence/dialogs/gtkfiledialog.h"
#include "app/platform/gtkquestiondialog.h"

#include <gtk/gtk.h>

UnsavedChangesQuestion::Answer GtkUnsavedChangesQuestion::ask(const std::string& sceneName, Occasion occasion)
{
    const bool closing = occasion == Occasion::Close;
    const char* before = closing ? " before closing?" : " before replacing it?";
    // GTK comes up with the file dialogs' settings (locale, X11 only, quiet).
    if (!gtkFileDialogsAvailable()) return Answer::Cancel;
    const unsigned long ownerXid = topLevelX11Window(ownerWindow ? ownerWindow : focusedX11Window());

    std::string question = std::string("Save the changes to this composition") + before;
    if (!sceneName.empty()) {
        // A file name need not be UTF-8; GTK shows only UTF-8.
        gchar* shown = g_filename_display_name(sceneName.c_str());
        question = std::string("Save the changes to \u201c") + shown + "\u201d" + before;
        g_free(shown);
    }
    GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_WARNING, GTK_BUTTONS_NONE,
                                               "%s", question.c_str());
    gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "%s",
                                             closing ? "If you close without saving, the changes are lost."
                                                     : "If you go on without saving, the changes are lost.");
    gtk_window_set_title(GTK_WINDOW(dialog), title);
    gtk_dialog_add_buttons(GTK_DIALOG(dialog), closing ? "Close _without Saving" : "_Discard Changes", GTK_RESPONSE_REJECT, "_Cancel",
                           GTK_RESPONSE_CANCEL, "_Save", GTK_RESPONSE_ACCEPT, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);

    const int response = gtkquestion::run(dialog, ownerXid);

    switch (response) {
    case GTK_RESPONSE_ACCEPT: return Answer::Save;
    case GTK_RESPONSE_REJECT: return Answer::Discard;
    default: return Answer::Cancel;   // Cancel, Escape, the dialog's close button
    }
}
