#pragma once
// Every scene setting (SceneSettings, composition.h), listed once with the
// walks that use it, as layerfields.h lists a layer's: the comparison that
// tells an edit from none (SceneSettings::operator==), the scene file's root
// attributes, named and in the order they are written (persistence/
// scenefile), and the viewer's panel. A new
// setting goes here, and every walk picks it up; a walk handles each type of
// setting (the file's text of it, the panel's control) by overloads.

namespace scenefields {

struct Field {
    const char* xmlName;   // the root attribute; written only when not the default
};

// Calls visit(field, the field's member of each settings given...) for every
// setting, in the file's attribute order; the settings may differ in
// constness.
template <typename Visit, typename... Settings>
void forEachSceneField(Visit&& visit, Settings&... settings)
{
    // Every layer's pattern repeats over its view (generators/seamless.h).
    visit(Field{"seamless"}, settings.seamless...);
    // What the drawing area shows (viewas.h); renders and values ignore it.
    visit(Field{"viewAs"}, settings.viewAs...);
    // The drawing area the views were made in (drawingarea.h).
    visit(Field{"drawingArea"}, settings.drawingArea...);
}

} // namespace scenefields
