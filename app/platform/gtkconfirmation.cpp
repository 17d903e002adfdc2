#include "app/platform/gtkconfirmation.h"

#include "persistence/dialogs/gtkfiledialog.h"
#include "app/platform/gtkquestiondialog.h"

#include <gtk/gtk.h>

bool GtkConfirmation::confirm(const std::string& question, const std::string& detail, const std::string& goAhead)
{
    // GTK comes up with the file dialogs' settings (locale, X11 only, quiet).
    if (!gtkFileDialogsAvailable()) return false;
    const unsigned long ownerXid = topLevelX11Window(ownerWindow ? ownerWindow : focusedX11Window());

    GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, GTK_MESSAGE_QUESTION, GTK_BUTTONS_NONE,
                                               "%s", question.c_str());
    if (!detail.empty()) gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(dialog), "%s", detail.c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), title);
    gtk_dialog_add_buttons(GTK_DIALOG(dialog), "_Cancel", GTK_RESPONSE_CANCEL, goAhead.c_str(), GTK_RESPONSE_ACCEPT,
                           nullptr);
    // A costly command needs a deliberate yes: Enter answers no.
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);

    const int response = gtkquestion::run(dialog, ownerXid);
    return response == GTK_RESPONSE_ACCEPT;
}
