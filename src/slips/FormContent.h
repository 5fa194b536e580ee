#pragma once
// The values on one filled form: what a page carries when it is printed.
// Indexes are positions in the form's field list; the renderer checks them
// (and the kinds and cell ranges) before they get here.

#include "slips/FormDefinition.h"

#include <QString>

#include <memory>
#include <vector>

class FormContent {
public:
    FormContent() = default;
    explicit FormContent(std::shared_ptr<const FormDefinition> form);

    const FormDefinition &form() const { return *form_; }
    bool hasForm() const { return form_ != nullptr; }

    // Every value and decoration blank again.
    void clear();

    void setValue(int field, const QString &value);
    void setDecoration(int field, int decoration);
    void setCell(int field, int column, int row, const QString &value);

    QString value(int field) const;
    int decoration(int field) const;
    QString cell(int field, int column, int row) const;
    // Whether the field was given a value (or a cell, for a list) or a
    // decoration since the last clear, even an empty one.
    bool isSet(int field) const;

    // By name, for tests and messages; -1 / empty when the form lacks it.
    int indexOf(const QString &name) const { return form_->indexOf(name); }

private:
    struct Slot {
        bool set = false;
        QString value;
        int decoration = 0;
        std::vector<QString> cells; // row-major, lists only
    };

    std::shared_ptr<const FormDefinition> form_;
    std::vector<Slot> slots_;
};
