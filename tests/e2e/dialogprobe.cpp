// Kept apart from the demo, as the viewer keeps GTK in one file of its own.
#include "tests/e2e/dialogprobe.h"

#include <X11/Xutil.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <clocale>
#include <cstdio>
#include <string>

namespace {

bool filterMatches(GtkFileFilter* filter, const char* name)
{
    GtkFileFilterInfo info = {};
    info.contains = GTK_FILE_FILTER_DISPLAY_NAME;
    info.display_name = name;
    return gtk_file_filter_filter(filter, &info);
}

// Runs inside the dialog's own loop: report the open dialog, then cancel it.
gboolean describeDialog(gpointer)
{
    GtkWidget* dialog = nullptr;
    GList* toplevels = gtk_window_list_toplevels();
    for (GList* item = toplevels; item; item = item->next)
        if (GTK_IS_FILE_CHOOSER_DIALOG(item->data) && gtk_widget_get_mapped(GTK_WIDGET(item->data)))
            dialog = GTK_WIDGET(item->data);
    g_list_free(toplevels);
    if (!dialog) return G_SOURCE_CONTINUE;

    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    const bool saving = gtk_file_chooser_get_action(chooser) == GTK_FILE_CHOOSER_ACTION_SAVE;
    std::printf("title=%s\n", gtk_window_get_title(GTK_WINDOW(dialog)));
    std::printf("action=%s\n", saving ? "save" : "open");
    std::printf("modal=%d\n", gtk_window_get_modal(GTK_WINDOW(dialog)) ? 1 : 0);
    std::string names;
    GSList* filters = gtk_file_chooser_list_filters(chooser);
    for (GSList* f = filters; f; f = f->next)
        names += std::string(names.empty() ? "" : ";") + gtk_file_filter_get_name(GTK_FILE_FILTER(f->data));
    std::printf("filters=%s\n", names.c_str());
    if (filters && filters->next) {
        GtkFileFilter* xml = GTK_FILE_FILTER(filters->data);
        GtkFileFilter* all = GTK_FILE_FILTER(filters->next->data);
        std::printf("xml-matches=%d%d%d\n", filterMatches(xml, "scene.xml"), filterMatches(xml, "notes.txt"),
                    filterMatches(xml, "README"));
        std::printf("all-matches=%d%d%d\n", filterMatches(all, "scene.xml"), filterMatches(all, "notes.txt"),
                    filterMatches(all, "README"));
    }
    g_slist_free(filters);
    GtkFileFilter* current = gtk_file_chooser_get_filter(chooser);
    std::printf("current-filter=%s\n", current ? gtk_file_filter_get_name(current) : "");
    if (saving) {
        gchar* name = gtk_file_chooser_get_current_name(chooser);
        std::printf("current-name=%s\n", name ? name : "");
        g_free(name);
    }
    std::printf("overwrite-confirmation=%d\n", gtk_file_chooser_get_do_overwrite_confirmation(chooser) ? 1 : 0);
    Window parent = None;
    XGetTransientForHint(GDK_WINDOW_XDISPLAY(gtk_widget_get_window(dialog)),
                         GDK_WINDOW_XID(gtk_widget_get_window(dialog)), &parent);
    std::printf("transient-for=0x%lx\n", static_cast<unsigned long>(parent));
    std::printf("numeric-locale=%s\n", std::setlocale(LC_NUMERIC, nullptr));
    std::fflush(stdout);
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
    return G_SOURCE_REMOVE;
}

} // namespace

void inspectNextFileDialog()
{
    // The check runs from the dialog's own loop, once the dialog is mapped.
    g_timeout_add(100, describeDialog, nullptr);
}
