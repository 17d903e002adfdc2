#include "app/platform/gtkquestiondialog.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

namespace gtkquestion {

int run(GtkWidget* dialog, unsigned long ownerXid)
{
    gtk_widget_realize(dialog);
    GdkWindow* owner = ownerXid ? gdk_x11_window_foreign_new_for_display(gtk_widget_get_display(dialog), ownerXid)
                                : nullptr;
    if (owner) gdk_window_set_transient_for(gtk_widget_get_window(dialog), owner);

    const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    if (owner) g_object_unref(owner);
    while (gtk_events_pending()) gtk_main_iteration();
    return response;
}

} // namespace gtkquestion
