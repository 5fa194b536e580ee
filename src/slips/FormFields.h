#pragma once
// The fields of the open form by name, each looked up once per run: a slip
// page sets about a hundred fields and a run prints hundreds of pages.

#include "slips/FormRenderer.h"

#include <QHash>
#include <QString>

#include <optional>

class FormFields {
public:
    explicit FormFields(FormRenderer &renderer) : r_(renderer) {}

    // The field; a name the form lacks throws DbError naming it.
    FormRenderer::Field operator()(const QString &name);
    // Whether the form has the field (a missing one is not an error here).
    bool has(const QString &name);

    void set(const QString &name, const QString &value) { r_.setValue((*this)(name), value); }
    void decorate(const QString &name, int decoration) { r_.setDecoration((*this)(name), decoration); }
    void cell(const QString &name, int column, int row, const QString &value)
    {
        r_.setListCell((*this)(name), column, row, value);
    }

private:
    FormRenderer &r_;
    QHash<QString, std::optional<FormRenderer::Field>> cache_;
};

inline FormRenderer::Field FormFields::operator()(const QString &name)
{
    const auto it = cache_.constFind(name);
    if (it != cache_.constEnd() && it->has_value())
        return **it;
    const FormRenderer::Field f = r_.findField(name);
    cache_.insert(name, f);
    return f;
}

inline bool FormFields::has(const QString &name)
{
    const auto it = cache_.constFind(name);
    if (it != cache_.constEnd())
        return it->has_value();
    try {
        cache_.insert(name, r_.findField(name));
        return true;
    } catch (const DbError &e) {
        if (e.number() != FormErr::FieldNotFound)
            throw;
        cache_.insert(name, std::nullopt);
        return false;
    }
}
