#pragma once
// A form renderer that keeps every call and every printed page in memory,
// for tests of the print operations. It checks exactly what the real
// renderer checks — the form file, field names and kinds, cell ranges,
// decorations, calling order — so a misspelt field name fails the same way.

#include "slips/FormRendererBase.h"

#include <QStringList>

#include <optional>
#include <vector>

enum class FormOp {
    Reset = 1,
    BeginJob,
    OpenForm,
    AttachForm,
    ClearForm,
    FindField,
    SetValue,
    SetDecoration,
    SetListCell,
    PrintPage,
    CloseForm,
    EndJob,
};

// One printed page: the form's values as they stood at printPage.
struct RecordedPage {
    QString printerName;
    QString jobName;
    FormContent content;

    // By field name; a name the form lacks throws DbError, so that a test
    // asking for a wrong name fails instead of reading a blank.
    QString value(const QString &field) const;
    int decoration(const QString &field) const;
    QString cell(const QString &field, int column, int row) const;
    bool isSet(const QString &field) const;
    // The fields given a value, cell or decoration since the last clear, in
    // the form's order.
    QStringList setFields() const;

private:
    int index(const QString &field) const;
};

struct RecordedJob {
    QString printerName;
    QString jobName;
    std::vector<RecordedPage> pages;
    // endJob was called; false for a job left open (a stopped run) and
    // finished only by reset or destruction.
    bool ended = false;
};

class RecordingFormRenderer : public FormRendererBase {
public:
    // Reads each form file given to openForm.
    RecordingFormRenderer() = default;
    // Uses `form` whatever path openForm is given (the path is recorded).
    explicit RecordingFormRenderer(FormDefinition form);

    void reset() override;
    void beginJob(const QString &printerName, const QString &jobName) override;
    void openForm(const QString &formPath) override;
    void attachForm() override;
    void clearForm() override;
    Field findField(const QString &name) override;
    void setValue(Field field, const QString &value) override;
    void setDecoration(Field field, int decoration) override;
    void setListCell(Field field, int column, int row, const QString &value) override;
    void printPage() override;
    void closeForm() override;
    void endJob() override;

    // Every call in order, as text: "reset", "beginJob(伝票プリンタ, トバリ伝票出力)",
    // "openForm(<path>)", "setValue(HATTYUU_NO, 1234567)", "setDecoration(SUU1, 6)",
    // "setListCell(ListHed, 0, 3, 123456)", "printPage", ...
    const QStringList &calls() const { return calls_; }
    // The same calls as operations, for checking the calling order.
    const std::vector<FormOp> &operations() const { return ops_; }
    const std::vector<RecordedJob> &jobs() const { return jobs_; }
    // The pages of all jobs in the order printed.
    std::vector<RecordedPage> pages() const;

    // Makes the `occurrence`-th call (counting from 1) of `op` throw `error`
    // instead of acting, to test how a caller handles a runtime failure.
    void failOn(FormOp op, int occurrence, const DbError &error);

protected:
    FormDefinition loadForm(const QString &formPath) override;
    void startJob(const QString &printerName, const QString &jobName) override;
    void outputPage(const FormContent &page) override;
    void finishJob() override;

private:
    void record(FormOp op, const QString &text);
    QString nameOf(Field field) const;

    std::optional<FormDefinition> fixedForm_;
    QStringList calls_;
    std::vector<FormOp> ops_;
    std::vector<RecordedJob> jobs_;
    bool ending_ = false;
    struct Failure {
        FormOp op;
        int occurrence;
        DbError error;
    };
    std::vector<Failure> failures_;
};
