#pragma once
// The part of a form renderer that does not depend on where pages go: the
// open form and its values, the job, and the checks that turn a wrong call
// (an unknown field, a cell outside a list, a page without a job) into a
// DbError the operator can read. Implementations only start a job, put out
// one filled page, and finish the job.

#include "slips/FormContent.h"
#include "slips/FormRenderer.h"

#include <memory>

class FormRendererBase : public FormRenderer {
public:
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

    bool jobOpen() const { return jobOpen_; }
    bool formOpen() const { return content_.hasForm(); }
    // Pages printed in the current job, or in the last one once it ended.
    int pageCount() const { return pages_; }

protected:
    // Reads the form file; a test double may supply its own definition.
    virtual FormDefinition loadForm(const QString &formPath);
    // Called by beginJob; throws when the printer cannot be used.
    virtual void startJob(const QString &printerName, const QString &jobName) = 0;
    // Called by printPage with the attached form's values.
    virtual void outputPage(const FormContent &page) = 0;
    // Called by endJob, and by reset while a job is open.
    virtual void finishJob() = 0;

    const QString &jobName() const { return jobName_; }
    // The open form's values; no form when none is open.
    const FormContent &content() const { return content_; }
    const QString &printerName() const { return printerName_; }

    // For destructors of implementations: finishes an open job without
    // letting an error escape (the pages are delivered as far as possible).
    void finishOpenJobQuietly() noexcept;

private:
    const FormField &checkedField(Field field, const char *operation) const;
    QString formName() const;

    bool jobOpen_ = false;
    bool attached_ = false;
    QString printerName_;
    QString jobName_;
    int pages_ = 0;
    FormContent content_;
    quint32 formSerial_ = 0;
};
