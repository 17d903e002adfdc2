#include "app/platform/gtkrecoveryquestion.h"

#include "persistence/dialogs/gtkfiledialog.h"
#include "app/platform/gtkquestiondialog.h"

#include <gtk/gtk.h>

RecoveryQuestion::Answer GtkRecoveryQuestion::ask(const std::string& sceneName, const std::string& editedAt,
                                                  int others)
{
    // GTK comes up with the file dialogs' settings (locale, X11 only, quiet).
    if (!gtkFileDialogsAvailable()) return Answer::NotNow;
    const unsigned long ownerXid = topLevelX11Window(ownerWindow ? ownerWindow : focusedX11Window());

    std::string name = "Untitled";
    if (!sceneName.empty()) {
        // A file name need not be UTF-8; GTK shows only UTF-8.
        gchar* shown = g_filename_display_name(sceneName.c_str());
        name = shown;
        g_free(shown);
    }
    const std::string question = "Recover the unsaved changes to \u201c" + name + "\u201d?";
    std::string detail = "A viewer that did not close cleanly kept a copy of them, last edited " + editedAt + ".";
    if (others == 1) detail += "\nOne other recovery copy is kept.";
    else if (others > 1) detail += "\n" + std::to_string(others) + " other recovery copies are kept.";
    detail += "\nNot Now keeps the copies and asks again at the next start.";

    GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_QUESTION, GTK_BUTTONS_NONE,
                                               "%s", question.c_str());
    gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "%s", detail.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), title);
    gtk_dialog_add_buttons(GTK_DIALOG(dialog), "_Discard", GTK_RESPONSE_REJECT, "_Not Now", GTK_RESPONSE_CANCEL,
                           "_Recover", GTK_RESPONSE_ACCEPT, nullptr);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);

    const int response = gtkquestion::run(dialog, ownerXid);

    switch (response) {
    case GTK_RESPONSE_ACCEPT: return Answer::Recover;
    case GTK_RESPONSE_REJECT: return Answer::Discard;
    default: return Answer::NotNow;   // Not Now, Escape, the dialog's close button
    }
}
