#pragma once
// Runs one of the viewer's GTK questions: the dialog, already built with its
// buttons, is kept above the viewer's window at the X level (as the file
// dialogs are), shown modally, then destroyed, with GTK's pending events
// handled so that nothing of it stays on screen. Returns the response.
typedef struct _GtkWidget GtkWidget;

namespace gtkquestion {

int run(GtkWidget* dialog, unsigned long ownerXid);

} // namespace gtkquestion
