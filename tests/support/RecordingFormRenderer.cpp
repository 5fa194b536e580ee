#include "support/RecordingFormRenderer.h"

#include <algorithm>

int RecordedPage::index(const QString &field) const
{
    const int i = content.indexOf(field);
    if (i < 0)
        throw DbError(FormErr::FieldNotFound,
                      QStringLiteral("帳票「%1」に項目「%2」がありません。").arg(content.form().name, field));
    return i;
}

QString RecordedPage::value(const QString &field) const
{
    return content.value(index(field));
}

int RecordedPage::decoration(const QString &field) const
{
    return content.decoration(index(field));
}

QString RecordedPage::cell(const QString &field, int column, int row) const
{
    const int i = index(field);
    const FormField &f = content.form().fields[static_cast<size_t>(i)];
    if (f.kind != FormFieldKind::List || column < 0 || column >= f.columns || row < 0 || row >= f.rows)
        throw DbError(FormErr::CellOutOfRange,
                      QStringLiteral("帳票「%1」の項目「%2」に列 %3・行 %4 のセルはありません。")
                          .arg(content.form().name, field)
                          .arg(column)
                          .arg(row));
    return content.cell(i, column, row);
}

bool RecordedPage::isSet(const QString &field) const
{
    return content.isSet(index(field));
}

QStringList RecordedPage::setFields() const
{
    QStringList names;
    const auto &fields = content.form().fields;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (content.isSet(static_cast<int>(i)))
            names << fields[i].name;
    }
    return names;
}

RecordingFormRenderer::RecordingFormRenderer(FormDefinition form) : fixedForm_(std::move(form)) {}

void RecordingFormRenderer::record(FormOp op, const QString &text)
{
    calls_ << text;
    ops_.push_back(op);
    const auto n = std::count(ops_.begin(), ops_.end(), op);
    for (const Failure &f : failures_) {
        if (f.op == op && f.occurrence == n)
            throw f.error;
    }
}

QString RecordingFormRenderer::nameOf(Field field) const
{
    if (!content().hasForm() || field.index < 0 || field.index >= static_cast<int>(content().form().fields.size()))
        return QStringLiteral("?");
    return content().form().fields[static_cast<size_t>(field.index)].name;
}

void RecordingFormRenderer::failOn(FormOp op, int occurrence, const DbError &error)
{
    failures_.push_back({op, occurrence, error});
}

void RecordingFormRenderer::reset()
{
    record(FormOp::Reset, QStringLiteral("reset"));
    FormRendererBase::reset();
}

void RecordingFormRenderer::beginJob(const QString &printerName, const QString &jobName)
{
    record(FormOp::BeginJob, QStringLiteral("beginJob(%1, %2)").arg(printerName, jobName));
    FormRendererBase::beginJob(printerName, jobName);
}

void RecordingFormRenderer::openForm(const QString &formPath)
{
    record(FormOp::OpenForm, QStringLiteral("openForm(%1)").arg(formPath));
    FormRendererBase::openForm(formPath);
}

void RecordingFormRenderer::attachForm()
{
    record(FormOp::AttachForm, QStringLiteral("attachForm"));
    FormRendererBase::attachForm();
}

void RecordingFormRenderer::clearForm()
{
    record(FormOp::ClearForm, QStringLiteral("clearForm"));
    FormRendererBase::clearForm();
}

FormRenderer::Field RecordingFormRenderer::findField(const QString &name)
{
    record(FormOp::FindField, QStringLiteral("findField(%1)").arg(name));
    return FormRendererBase::findField(name);
}

void RecordingFormRenderer::setValue(Field field, const QString &value)
{
    record(FormOp::SetValue, QStringLiteral("setValue(%1, %2)").arg(nameOf(field), value));
    FormRendererBase::setValue(field, value);
}

void RecordingFormRenderer::setDecoration(Field field, int decoration)
{
    record(FormOp::SetDecoration, QStringLiteral("setDecoration(%1, %2)").arg(nameOf(field)).arg(decoration));
    FormRendererBase::setDecoration(field, decoration);
}

void RecordingFormRenderer::setListCell(Field field, int column, int row, const QString &value)
{
    record(FormOp::SetListCell,
           QStringLiteral("setListCell(%1, %2, %3, %4)").arg(nameOf(field)).arg(column).arg(row).arg(value));
    FormRendererBase::setListCell(field, column, row, value);
}

void RecordingFormRenderer::printPage()
{
    record(FormOp::PrintPage, QStringLiteral("printPage"));
    FormRendererBase::printPage();
}

void RecordingFormRenderer::closeForm()
{
    record(FormOp::CloseForm, QStringLiteral("closeForm"));
    FormRendererBase::closeForm();
}

void RecordingFormRenderer::endJob()
{
    record(FormOp::EndJob, QStringLiteral("endJob"));
    ending_ = true;
    try {
        FormRendererBase::endJob();
    } catch (...) {
        ending_ = false;
        throw;
    }
    ending_ = false;
}

std::vector<RecordedPage> RecordingFormRenderer::pages() const
{
    std::vector<RecordedPage> all;
    for (const RecordedJob &job : jobs_)
        all.insert(all.end(), job.pages.begin(), job.pages.end());
    return all;
}

FormDefinition RecordingFormRenderer::loadForm(const QString &formPath)
{
    if (fixedForm_)
        return *fixedForm_;
    return FormRendererBase::loadForm(formPath);
}

void RecordingFormRenderer::startJob(const QString &printerName, const QString &jobName)
{
    jobs_.push_back({printerName, jobName, {}, false});
}

void RecordingFormRenderer::outputPage(const FormContent &page)
{
    jobs_.back().pages.push_back({jobs_.back().printerName, jobs_.back().jobName, page});
}

void RecordingFormRenderer::finishJob()
{
    jobs_.back().ended = ending_;
}
