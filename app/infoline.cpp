#include "app/infoline.h"

#include "ui/controls.h"

void InfoLine::setField(ui::EditText* f)
{
    field = f;
    show();
}

void InfoLine::report(const std::string& text)
{
    hover_.clear();   // news first; the readout returns when the pointer moves
    coversPointer = true;
    setOutcome(text);
}

void InfoLine::setOutcome(const std::string& text)
{
    outcome_ = text;
    show();
}

void InfoLine::setDragText(const std::string& text)
{
    drag_ = text;
    show();
}

void InfoLine::setHoverText(const std::string& text)
{
    hover_ = text;
    show();
}

const std::string& InfoLine::text() const
{
    if (!drag_.empty()) return drag_;
    if (!hover_.empty()) return hover_;
    return outcome_;
}

void InfoLine::show()
{
    if (field) field->set_text(text());
}
