#include "persistence/dialogs/gtkfiledialog.h"

#include "persistence/commands/filedialogrequest.h"

#include <gtk/gtk.h>
#include <gdk/gdkx.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdlib>
#include <cstring>

namespace {

// GTK's informational chatter (e.g. a GTK module named in the desktop's
// settings that is not installed) would otherwise land on the viewer's
// terminal. Warnings and errors still pass.
void quietGtkMessages(const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer)
{
    if (level & (G_LOG_LEVEL_MESSAGE | G_LOG_LEVEL_INFO | G_LOG_LEVEL_DEBUG)) return;
    g_log_default_handler(domain, level, message, nullptr);
}

// One known GTK 3 fault: once the chooser has failed to show a folder (a
// typed path into a folder that does not exist), its file list has no model
// until the next folder loads, and every click on the list asks that missing
// model for its first row. GTK refuses the call, nothing else happens, and
// the dialog goes on working; only the refusal is reported, once per click.
// Exactly that report is dropped; every other critical passes.
void quietKnownGtkFaults(const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer)
{
    static const char known[] = "gtk_tree_model_get_iter_first: assertion 'GTK_IS_TREE_MODEL (tree_model)' failed";
    if (message && std::strcmp(message, known) == 0) return;
    g_log_default_handler(domain, level, message, nullptr);
}

// Brought up once, on the first dialog: a viewer that never opens one never
// pays for GTK, and one without a display keeps running without dialogs.
bool gtkReady()
{
    static const bool ready = [] {
        // GTK would switch the whole process to the user's locale, and the
        // scene writer would then print its numbers with a decimal comma.
        gtk_disable_setlocale();
        // The owner window is an X window, so GDK must talk X11 even where
        // a Wayland compositor is also offered.
        gdk_set_allowed_backends("x11");
        // No accessibility bus is expected beside the viewer; without this
        // every start warns that it cannot reach one. A user's own setting wins.
        setenv("NO_AT_BRIDGE", "1", 0);
        // The dialog stores its size and sorting through dconf, which needs a
        // session bus; without one every dialog would warn several times on
        // closing. Those preferences then last for this run only.
        if (!getenv("DBUS_SESSION_BUS_ADDRESS")) setenv("GSETTINGS_BACKEND", "memory", 0);
        const GLogLevelFlags chatter = GLogLevelFlags(G_LOG_LEVEL_MESSAGE | G_LOG_LEVEL_INFO | G_LOG_LEVEL_DEBUG);
        for (const char* domain : { "Gtk", "Gdk", "GLib", "GLib-GObject", "GLib-GIO" })
            g_log_set_handler(domain, chatter, quietGtkMessages, nullptr);
        g_log_set_handler("Gtk", GLogLevelFlags(G_LOG_LEVEL_CRITICAL), quietKnownGtkFaults, nullptr);
        return gtk_init_check(nullptr, nullptr) == TRUE;
    }();
    return ready;
}

Display* gtkXDisplay()
{
    GdkDisplay* display = gdk_display_get_default();
    if (!display || !GDK_IS_X11_DISPLAY(display)) return nullptr;
    return gdk_x11_display_get_xdisplay(display);
}

// The top-level window a window manager reports as active; unlike the input
// focus it is always a client's top-level window. None without a manager.
Window activeWindow(Display* x)
{
    const Atom property = XInternAtom(x, "_NET_ACTIVE_WINDOW", True);
    if (property == None) return None;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    Window active = None;
    if (XGetWindowProperty(x, DefaultRootWindow(x), property, 0, 1, False, XA_WINDOW, &type, &format, &count,
                           &remaining, &data) == Success && data) {
        // Xlib hands 32-bit properties back as longs.
        if (type == XA_WINDOW && format == 32 && count == 1) active = Window(*reinterpret_cast<unsigned long*>(data));
        XFree(data);
    }
    return active;
}

Window focusedWindow(Display* x)
{
    Window focus = None;
    int revertTo = 0;
    XGetInputFocus(x, &focus, &revertTo);
    return focus == PointerRoot ? None : focus;
}

bool hasWmState(Display* x, Window window)
{
    const Atom wmState = XInternAtom(x, "WM_STATE", True);
    if (wmState == None) return false;
    Atom type = None;
    int format = 0;
    unsigned long count = 0, remaining = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(x, window, wmState, 0, 0, False, AnyPropertyType, &type, &format, &count, &remaining, &data);
    if (data) XFree(data);
    return type != None;
}

// The client top-level window that holds the given one. A window manager
// marks client windows with WM_STATE and may reparent them into frames of
// its own; without a manager the top level is the child of the root.
Window topLevelOf(Display* x, Window window)
{
    const Window root = DefaultRootWindow(x);
    Window topLevel = window, client = None;
    while (window != None && window != root) {
        if (hasWmState(x, window)) client = window;
        Window rootReturn = None, parent = None, * children = nullptr;
        unsigned int childCount = 0;
        if (!XQueryTree(x, window, &rootReturn, &parent, &children, &childCount)) return None;   // gone
        if (children) XFree(children);
        topLevel = window;
        window = parent;
    }
    return client != None ? client : topLevel;
}

GtkWidget* createDialog(bool saving, const std::string& startFolder, bool image, const std::string& suggested)
{
    GtkWidget* dialog = gtk_file_chooser_dialog_new(
        image ? FileDialogRequest::exportCaption : FileDialogRequest::caption, nullptr,
        saving ? GTK_FILE_CHOOSER_ACTION_SAVE : GTK_FILE_CHOOSER_ACTION_OPEN,
        "_Cancel", GTK_RESPONSE_CANCEL,
        saving ? "_Save" : "_Open", GTK_RESPONSE_ACCEPT,
        nullptr);
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
    // Return in the name field takes the name, as in any file dialog.
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    gtk_file_chooser_set_local_only(chooser, TRUE);
    // Without a folder the open dialog would start on the recent-files list.
    // The last scene's folder, while it is there; else the process's, where
    // a bare typed name resolves anyway.
    if (!startFolder.empty() && g_file_test(startFolder.c_str(), G_FILE_TEST_IS_DIR)) {
        gtk_file_chooser_set_current_folder(chooser, startFolder.c_str());
    } else if (gchar* folder = g_get_current_dir()) {
        gtk_file_chooser_set_current_folder(chooser, folder);
        g_free(folder);
    }
    GtkFileFilter* first = nullptr;
    for (const FileDialogFilter& entry : image ? FileDialogRequest::imageFilters : FileDialogRequest::filters) {
        GtkFileFilter* filter = gtk_file_filter_new();
        gtk_file_filter_set_name(filter, entry.name);
        gtk_file_filter_add_pattern(filter, entry.pattern);
        gtk_file_chooser_add_filter(chooser, filter);   // takes the floating reference
        if (!first) first = filter;
    }
    gtk_file_chooser_set_filter(chooser, first);
    // The name is checked as the user gave it: the save command adds ".xml"
    // only afterwards, so "scene" never asks about scene.xml. GTK asks in the
    // save dialog only; the open dialog carries the same request unused.
    gtk_file_chooser_set_do_overwrite_confirmation(chooser, TRUE);
    if (saving) gtk_file_chooser_set_current_name(chooser, "");
    if (saving && !suggested.empty()) {
        // The scene's own file: its folder and its name, the name ready to
        // keep or to change.
        gchar* whole = g_canonicalize_filename(suggested.c_str(), nullptr);
        gchar* folder = g_path_get_dirname(whole);
        gchar* name = g_path_get_basename(whole);
        gchar* shownName = g_filename_display_name(name);   // the field holds UTF-8
        if (g_file_test(folder, G_FILE_TEST_IS_DIR)) gtk_file_chooser_set_current_folder(chooser, folder);
        gtk_file_chooser_set_current_name(chooser, shownName);
        g_free(shownName);
        g_free(name);
        g_free(folder);
        g_free(whole);
    }
    return dialog;
}

} // namespace

bool gtkFileDialogsAvailable()
{
    return gtkReady();
}

unsigned long focusedX11Window()
{
    Display* x = gtkXDisplay();
    if (!x) return 0;
    Window owner = activeWindow(x);
    if (owner == None) owner = focusedWindow(x);
    return owner;
}

unsigned long topLevelX11Window(unsigned long xid)
{
    Display* x = gtkXDisplay();
    if (!x || !xid) return 0;
    // The id may name a window that is already gone; GDK would treat the
    // resulting X error as fatal unless it is trapped.
    GdkDisplay* display = gdk_x11_lookup_xdisplay(x);
    gdk_x11_display_error_trap_push(display);
    const Window topLevel = topLevelOf(x, xid);
    gdk_x11_display_error_trap_pop_ignored(display);
    return topLevel;
}

std::string runGtkFileDialog(bool saving, unsigned long ownerXid, const std::string& startFolder, bool image,
                             const std::string& suggested)
{
    if (!gtkReady()) return std::string();

    GtkWidget* dialog = createDialog(saving, startFolder, image, suggested);

    // The viewer's window belongs to GLUT, not GTK, so the dialog is tied to
    // it at the X level: the window manager then keeps the dialog above the
    // viewer. A stale id yields no window, and the dialog simply has no owner.
    gtk_widget_realize(dialog);
    GdkWindow* owner = ownerXid ? gdk_x11_window_foreign_new_for_display(gtk_widget_get_display(dialog), ownerXid)
                                : nullptr;
    if (owner) gdk_window_set_transient_for(gtk_widget_get_window(dialog), owner);

    std::string path;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
        // No local name (e.g. a remote location) counts as a cancel too.
        gchar* chosen = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog));
        path = acceptedDialogPath(chosen);
        g_free(chosen);
    }
    gtk_widget_destroy(dialog);
    if (owner) g_object_unref(owner);

    // Nothing drives GTK's loop between dialogs: let it unmap the dialog now,
    // so it is gone from the screen before the command goes on.
    while (gtk_events_pending()) gtk_main_iteration();
    return path;
}
