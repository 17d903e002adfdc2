#include "ui/controls.h"

#include <gtest/gtest.h>

namespace {

TEST(Controls, CallbacksRunOnlyOnEnabledUserActions)
{
    ui::ControlWindow window;
    int clicks = 0, toggles = 0;
    ui::Button* button = window.add_button("Go", -1, [&](int id) {
        EXPECT_EQ(id, -1);
        ++clicks;
    });
    ui::Checkbox* box = window.add_checkbox_to_panel(&window.root(), "Inverse", -1, [&](int) { ++toggles; });

    button->click();
    button->disable();
    button->click();
    EXPECT_EQ(clicks, 1);

    box->set_int_val(1);   // from code: no callback
    EXPECT_EQ(toggles, 0);
    box->toggle();
    EXPECT_EQ(box->get_int_val(), 0);
    EXPECT_EQ(toggles, 1);
    box->disable();
    box->toggle();
    EXPECT_EQ(box->get_int_val(), 0);
    EXPECT_EQ(toggles, 1);
}

TEST(Controls, ListboxSelectsTheFirstItemAndReportsOnlyRealChanges)
{
    ui::ControlWindow window;
    int changes = 0;
    ui::Listbox* list = window.add_listbox_to_panel(&window.root(), "Select variable: ", -1, [&](int) { ++changes; });
    list->add_item(0, "Radius");
    list->add_item(1, "Spacing");
    EXPECT_EQ(list->get_int_val(), 0);
    EXPECT_EQ(list->selectedText(), "Radius");

    list->choose(0);   // already selected
    list->choose(7);   // no such item
    EXPECT_EQ(changes, 0);
    list->choose(1);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(list->selectedText(), "Spacing");

    list->set_int_val(0);
    EXPECT_EQ(list->get_int_val(), 0);
    EXPECT_EQ(changes, 1);

    EXPECT_TRUE(list->delete_item(0));   // the selected one: the first remaining takes over
    EXPECT_EQ(list->get_int_val(), 1);
    EXPECT_FALSE(list->delete_item(0));
    EXPECT_TRUE(list->delete_item(1));
    EXPECT_TRUE(list->items().empty());
    list->add_item(4, "Width");
    EXPECT_EQ(list->get_int_val(), 4);
}

TEST(Controls, EditTextKeepsWhatIsTyped)
{
    ui::ControlWindow window;
    ui::EditText* field = window.add_edittext("Value: ", -1, nullptr);
    field->set_text("0.5");
    field->type("12");
    EXPECT_EQ(field->get_text(), "12");
}

TEST(Controls, ControlsStackInCreationOrderInsideTheirPanels)
{
    ui::ControlWindow window;
    ui::Panel* outer = window.add_panel("Layer controls");
    window.add_button_to_panel(outer, "Change base", -1, nullptr);
    ui::Panel* inner = window.add_panel_to_panel(outer, "Layer Variables");
    window.add_edittext_to_panel(inner, "Value: ", -1, nullptr);
    window.add_button("Save to XML", -1, nullptr);

    ASSERT_EQ(window.root().children().size(), 2u);
    EXPECT_EQ(window.root().children()[0].get(), outer);
    EXPECT_EQ(window.root().children()[1]->label(), "Save to XML");
    ASSERT_EQ(outer->children().size(), 2u);
    EXPECT_EQ(outer->children()[1].get(), inner);
    EXPECT_EQ(window.find("Value: ")->kind(), ui::Control::Kind::EditText);
    EXPECT_EQ(window.find("Value:"), nullptr);   // labels match exactly
}

} // namespace
