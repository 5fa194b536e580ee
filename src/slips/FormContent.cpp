#include "slips/FormContent.h"

FormContent::FormContent(std::shared_ptr<const FormDefinition> form) : form_(std::move(form))
{
    slots_.resize(form_->fields.size());
    for (size_t i = 0; i < slots_.size(); ++i) {
        const FormField &f = form_->fields[i];
        if (f.kind == FormFieldKind::List)
            slots_[i].cells.resize(static_cast<size_t>(f.columns) * static_cast<size_t>(f.rows));
    }
}

void FormContent::clear()
{
    for (Slot &s : slots_) {
        s.set = false;
        s.value.clear();
        s.decoration = 0;
        for (QString &c : s.cells)
            c.clear();
    }
}

void FormContent::setValue(int field, const QString &value)
{
    Slot &s = slots_[static_cast<size_t>(field)];
    s.set = true;
    s.value = value;
}

void FormContent::setDecoration(int field, int decoration)
{
    Slot &s = slots_[static_cast<size_t>(field)];
    s.set = true;
    s.decoration = decoration;
}

void FormContent::setCell(int field, int column, int row, const QString &value)
{
    Slot &s = slots_[static_cast<size_t>(field)];
    s.set = true;
    const int columns = form_->fields[static_cast<size_t>(field)].columns;
    s.cells[static_cast<size_t>(row) * static_cast<size_t>(columns) + static_cast<size_t>(column)] = value;
}

QString FormContent::value(int field) const
{
    return slots_[static_cast<size_t>(field)].value;
}

int FormContent::decoration(int field) const
{
    return slots_[static_cast<size_t>(field)].decoration;
}

QString FormContent::cell(int field, int column, int row) const
{
    const Slot &s = slots_[static_cast<size_t>(field)];
    const int columns = form_->fields[static_cast<size_t>(field)].columns;
    return s.cells[static_cast<size_t>(row) * static_cast<size_t>(columns) + static_cast<size_t>(column)];
}

bool FormContent::isSet(int field) const
{
    return slots_[static_cast<size_t>(field)].set;
}
