#pragma once
// Retained controls of the viewer's panel and info line.
//
// They are plain objects: they exist, hold their values and run their
// callbacks without any window, so the panel and command logic is tested
// headless. Drawing them, and turning clicks into the user actions below, is
// the job of the ImGui front end (imguicontrols.h), which only the viewer
// links.
//
// The operations mirror what the panel needs and no more: create in order
// inside a panel, enable/disable, add and delete list items, get_int_val /
// set_int_val, set_text, one callback per control. Setting a value from code
// never runs the callback; only the user actions do.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace ui {

class Panel;

using Callback = std::function<void(int id)>;

class Control {
public:
    enum class Kind { Panel, Button, Checkbox, Listbox, EditText, PathBar, Histogram, LayerList };

    Control(Kind kind, std::string label, int id, Callback callback)
        : kind_(kind), label_(std::move(label)), id_(id), callback_(std::move(callback)) {}
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    Kind kind() const { return kind_; }
    const std::string& label() const { return label_; }
    // A control whose meaning changes with the state (Export and
    // Cancel export) shows it in its label.
    void set_label(std::string label) { label_ = std::move(label); }
    int id() const { return id_; }

    void enable() { enabled_ = true; }
    void disable() { enabled_ = false; }
    bool enabled() const { return enabled_; }

protected:
    // Runs the callback, if any. Only user actions call it.
    void fire() const
    {
        if (callback_) callback_(id_);
    }

private:
    Kind kind_;
    std::string label_;
    int id_;
    Callback callback_;
    bool enabled_ = true;
};

class Button : public Control {
public:
    Button(std::string label, int id, Callback cb) : Control(Kind::Button, std::move(label), id, std::move(cb)) {}
    // User action: a click. Ignored while disabled.
    void click()
    {
        if (enabled()) fire();
    }
    // Drawn with the next control beside it on the same row (Undo, Redo and
    // Layers): the buttons of a row share its width equally.
    void set_shares_row(bool shares) { sharesRow_ = shares; }
    bool shares_row() const { return sharesRow_; }

private:
    bool sharesRow_ = false;
};

class Checkbox : public Control {
public:
    Checkbox(std::string label, int id, Callback cb) : Control(Kind::Checkbox, std::move(label), id, std::move(cb)) {}
    int get_int_val() const { return value_; }
    void set_int_val(int v) { value_ = v ? 1 : 0; }
    // User action: a click flips the box, then runs the callback.
    void toggle()
    {
        if (!enabled()) return;
        value_ = !value_;
        fire();
    }

private:
    int value_ = 0;
};

class Listbox : public Control {
public:
    struct Item {
        int id;
        std::string text;
    };

    Listbox(std::string label, int id, Callback cb) : Control(Kind::Listbox, std::move(label), id, std::move(cb)) {}

    // The first item added to an empty list becomes the selection.
    void add_item(int itemId, const std::string& text);
    // Deletes the item with that id; deleting the selected item selects the
    // first remaining one. Returns false when there is no such item.
    bool delete_item(int itemId);
    const std::vector<Item>& items() const { return items_; }

    // The selected item's id (0 while the list is empty).
    int get_int_val() const { return selected_; }
    // Selects the item with that id, if there is one; no callback.
    void set_int_val(int itemId);
    // The text of the selected item, or empty.
    std::string selectedText() const;

    // User action: picks an item. The callback runs only when the selection
    // changes to another existing item.
    void choose(int itemId);

    // The next control (an unlabelled field) follows on the list's line.
    void set_shares_row(bool shares) { sharesRow_ = shares; }
    bool shares_row() const { return sharesRow_; }

private:
    bool contains(int itemId) const;
    std::vector<Item> items_;
    int selected_ = 0;
    bool sharesRow_ = false;
};

class EditText : public Control {
public:
    EditText(std::string label, int id, Callback cb) : Control(Kind::EditText, std::move(label), id, std::move(cb)) {}
    const std::string& get_text() const { return text_; }
    void set_text(const std::string& text) { text_ = text; }
    // Shown greyed while the field is empty: what an empty field stands for.
    const std::string& hint() const { return hint_; }
    void set_hint(const std::string& hint) { hint_ = hint; }
    // A read-only field shows what the program sets and takes no typing: a
    // read-out that kept typed text would look like a value it never had.
    void set_read_only(bool readOnly) { readOnly_ = readOnly; }
    bool read_only() const { return readOnly_; }
    // User action: typing into the field changes its text, nothing else.
    void type(const std::string& text)
    {
        if (enabled() && !readOnly_) text_ = text;
    }
    // User action: Enter, or leaving the field, runs the callback, which
    // reads the text typed.
    void commit()
    {
        if (enabled() && !readOnly_) fire();
    }
    // Drawn with the next control (a button) beside it on the same row, the
    // field taking what the button leaves ("Seed" and "New seed").
    void set_shares_row(bool shares) { sharesRow_ = shares; }
    bool shares_row() const { return sharesRow_; }

private:
    std::string text_;
    std::string hint_;
    bool readOnly_ = false;
    bool sharesRow_ = false;
};

// A row of steps, the first on the left, of which the user clicks one.
class PathBar : public Control {
public:
    PathBar(std::string label, int id, Callback cb) : Control(Kind::PathBar, std::move(label), id, std::move(cb)) {}
    const std::vector<std::string>& steps() const { return steps_; }
    void set_steps(std::vector<std::string> steps) { steps_ = std::move(steps); }
    // The step the last click chose.
    int chosen() const { return chosen_; }
    // User action: a click on step index runs the callback, which reads
    // chosen(). Ignored for a step that does not exist.
    void choose(int index)
    {
        if (!enabled() || index < 0 || index >= static_cast<int>(steps_.size())) return;
        chosen_ = index;
        fire();
    }

private:
    std::vector<std::string> steps_;
    int chosen_ = -1;
};

// Bars of a histogram with a line of text above them; read only.
class Histogram : public Control {
public:
    explicit Histogram(std::string label) : Control(Kind::Histogram, std::move(label), -1, nullptr) {}
    const std::vector<float>& bars() const { return bars_; }
    const std::string& caption() const { return caption_; }
    void set(std::string caption, std::vector<float> bars)
    {
        caption_ = std::move(caption);
        bars_ = std::move(bars);
    }

private:
    std::string caption_;
    std::vector<float> bars_;
};

// The rows of a tree, one per node: each an indentation, an optional mark
// in it, a picture and a label; one row is the current one. It scrolls, and
// the front end draws only the rows in view and says which those are, so
// whoever makes the pictures makes only theirs.
class LayerList : public Control {
public:
    struct Row {
        int indent = 0;         // pixels
        std::string mark;       // shown in the indentation (a depth too deep to indent)
        std::string label;
    };
    // A row's picture: a texture of the front end's kind, drawn pixel for
    // pixel, its first row at the bottom.
    struct Picture {
        unsigned texture = 0;
        int width = 0, height = 0;

        bool operator==(const Picture& o) const { return texture == o.texture && width == o.width && height == o.height; }
        bool operator!=(const Picture& o) const { return !(*this == o); }
    };

    LayerList(std::string label, int id, Callback cb) : Control(Kind::LayerList, std::move(label), id, std::move(cb)) {}

    const std::vector<Row>& rows() const { return rows_; }
    void set_rows(std::vector<Row> rows) { rows_ = std::move(rows); }
    int current() const { return current_; }
    void set_current(int row) { current_ = row; }
    // The row the keyboard has selected (framed), or -1.
    int selected() const { return selected_; }
    void set_selected(int row) { selected_ = row; }

    // Every row is as high as a picture of this size, and as wide.
    int picture_width() const { return pictureWidth_; }
    int picture_height() const { return pictureHeight_; }
    void set_picture_size(int width, int height)
    {
        pictureWidth_ = width;
        pictureHeight_ = height;
    }
    const Picture* picture(int row) const
    {
        const auto p = pictures_.find(row);
        return p == pictures_.end() ? nullptr : &p->second;
    }
    const std::map<int, Picture>& pictures() const { return pictures_; }
    void set_pictures(std::map<int, Picture> pictures) { pictures_ = std::move(pictures); }

    // The rows [first, end) in view, as the front end last drew them.
    int first_visible() const { return firstVisible_; }
    int end_visible() const { return endVisible_; }
    void set_visible(int first, int end)
    {
        firstVisible_ = first;
        endVisible_ = end;
    }
    // Asks the front end to scroll row into view. The request stands until
    // the front end has drawn the row in view (a list just filled or opened
    // may scroll only once its new length is known).
    void scroll_to(int row) { scrollTarget_ = row; }
    int scroll_target() const { return scrollTarget_; }
    void scrolled_into_view() { scrollTarget_ = -1; }

    // The row the last click chose.
    int chosen() const { return chosen_; }
    // User action: a click on a row runs the callback, which reads chosen().
    // Ignored for a row that does not exist.
    void choose(int row)
    {
        if (!enabled() || row < 0 || row >= static_cast<int>(rows_.size())) return;
        chosen_ = row;
        fire();
    }

private:
    std::vector<Row> rows_;
    std::map<int, Picture> pictures_;
    int current_ = -1;
    int selected_ = -1;
    int pictureWidth_ = 0, pictureHeight_ = 0;
    int firstVisible_ = 0, endVisible_ = 0;
    int scrollTarget_ = -1;
    int chosen_ = -1;
};

class Panel : public Control {
public:
    explicit Panel(std::string title, int id = -1) : Control(Kind::Panel, std::move(title), id, nullptr) {}
    const std::vector<std::unique_ptr<Control>>& children() const { return children_; }

    template <class T>
    T* add(std::unique_ptr<T> control)
    {
        T* raw = control.get();
        children_.push_back(std::move(control));
        return raw;
    }

private:
    std::vector<std::unique_ptr<Control>> children_;
};

// A window area of controls, stacked top to bottom in the order of creation.
// It owns its controls; whoever stores pointers to them never deletes them.
class ControlWindow {
public:
    ControlWindow() : root_("") {}

    Panel* add_panel(const std::string& title) { return add_panel_to_panel(&root_, title); }
    Panel* add_panel_to_panel(Panel* panel, const std::string& title);
    // The panel's original controls are made with the id -1; the controls of
    // our own have none (their callbacks hear noId).
    static constexpr int noId = -1;
    Button* add_button(const std::string& label, int id, Callback cb) { return add_button_to_panel(&root_, label, id, std::move(cb)); }
    Button* add_button(const std::string& label, Callback cb) { return add_button(label, noId, std::move(cb)); }
    Button* add_button_to_panel(Panel* panel, const std::string& label, int id, Callback cb);
    Checkbox* add_checkbox(const std::string& label, Callback cb) { return add_checkbox_to_panel(&root_, label, noId, std::move(cb)); }
    Checkbox* add_checkbox_to_panel(Panel* panel, const std::string& label, int id, Callback cb);
    Listbox* add_listbox_to_panel(Panel* panel, const std::string& label, int id, Callback cb);
    EditText* add_edittext(const std::string& label, int id, Callback cb) { return add_edittext_to_panel(&root_, label, id, std::move(cb)); }
    EditText* add_edittext(const std::string& label, Callback cb) { return add_edittext(label, noId, std::move(cb)); }
    EditText* add_edittext_to_panel(Panel* panel, const std::string& label, int id, Callback cb);
    PathBar* add_pathbar(const std::string& label, Callback cb);
    Histogram* add_histogram(const std::string& label);
    LayerList* add_layerlist(const std::string& label, Callback cb);

    const Panel& root() const { return root_; }
    Panel& root() { return root_; }

    // Depth-first search by label, for tests and the front end.
    Control* find(const std::string& label);

private:
    Panel root_;
};

} // namespace ui
