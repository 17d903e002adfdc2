#include "ui/controls.h"

#include <algorithm>

namespace ui {

bool Listbox::contains(int itemId) const
{
    return std::any_of(items_.begin(), items_.end(), [&](const Item& it) { return it.id == itemId; });
}

void Listbox::add_item(int itemId, const std::string& text)
{
    if (items_.empty()) selected_ = itemId;
    items_.push_back({itemId, text});
}

bool Listbox::delete_item(int itemId)
{
    auto it = std::find_if(items_.begin(), items_.end(), [&](const Item& i) { return i.id == itemId; });
    if (it == items_.end()) return false;
    items_.erase(it);
    if (selected_ == itemId) selected_ = items_.empty() ? 0 : items_.front().id;
    return true;
}

void Listbox::set_int_val(int itemId)
{
    if (contains(itemId)) selected_ = itemId;
}

std::string Listbox::selectedText() const
{
    for (const Item& it : items_)
        if (it.id == selected_) return it.text;
    return {};
}

void Listbox::choose(int itemId)
{
    if (!enabled() || !contains(itemId) || itemId == selected_) return;
    selected_ = itemId;
    fire();
}

Panel* ControlWindow::add_panel_to_panel(Panel* panel, const std::string& title)
{
    return panel->add(std::make_unique<Panel>(title));
}

Button* ControlWindow::add_button_to_panel(Panel* panel, const std::string& label, int id, Callback cb)
{
    return panel->add(std::make_unique<Button>(label, id, std::move(cb)));
}

Checkbox* ControlWindow::add_checkbox_to_panel(Panel* panel, const std::string& label, int id, Callback cb)
{
    return panel->add(std::make_unique<Checkbox>(label, id, std::move(cb)));
}

Listbox* ControlWindow::add_listbox_to_panel(Panel* panel, const std::string& label, int id, Callback cb)
{
    return panel->add(std::make_unique<Listbox>(label, id, std::move(cb)));
}

EditText* ControlWindow::add_edittext_to_panel(Panel* panel, const std::string& label, int id, Callback cb)
{
    return panel->add(std::make_unique<EditText>(label, id, std::move(cb)));
}

PathBar* ControlWindow::add_pathbar(const std::string& label, Callback cb)
{
    return root_.add(std::make_unique<PathBar>(label, noId, std::move(cb)));
}

Histogram* ControlWindow::add_histogram(const std::string& label)
{
    return root_.add(std::make_unique<Histogram>(label));
}

static Control* findIn(Panel& panel, const std::string& label)
{
    for (const auto& child : panel.children()) {
        if (child->label() == label) return child.get();
        if (child->kind() == Control::Kind::Panel)
            if (Control* found = findIn(static_cast<Panel&>(*child), label)) return found;
    }
    return nullptr;
}

Control* ControlWindow::find(const std::string& label)
{
    return findIn(root_, label);
}

} // namespace ui
