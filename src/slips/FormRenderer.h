#pragma once
// The report runtime that fills the pre-printed forms: delivery slips
// ("COR/TA2.crf") and assortment lists ("COR/AS.crf"). The print operations
// see only this interface, in the order they call it:
//
//   reset, beginJob, openForm, attachForm,
//   then per page: clearForm, findField + setValue / setDecoration /
//   setListCell, printPage,
//   and after the last page: closeForm, endJob.
//
// A run that the operator stops leaves without closeForm and endJob; the
// next run starts with reset, and an implementation that is destroyed or
// reset with a job open still delivers the pages already printed, because
// those slips have been stamped as issued.
//
// Every failure throws DbError with one of the numbers below and a
// description the operator can read.

#include "store/DbError.h"

#include <QString>

namespace FormErr {
constexpr int FormFileNotFound = DbErr::FileNotFound; // 53
constexpr int OutputAccess = DbErr::PathAccess;       // 75: form file unreadable, PDF folder or file not writable
constexpr int FormFileInvalid = 20001;   // not a form file of ours, or a broken one
constexpr int FieldNotFound = 20002;     // the form has no field of that name
constexpr int WrongFieldKind = 20003;    // a plain value for a list field or a cell for a plain field
constexpr int CellOutOfRange = 20004;    // a list cell outside the columns and rows of the field
constexpr int BadDecoration = 20005;     // a decoration other than 0 and 6
constexpr int OutOfOrder = 20006;        // an operation that needs a job or an open form without one
constexpr int PrinterNotFound = 20007;   // the settings name a printer that is not installed
constexpr int PrintFailed = 20008;       // the printer or the PDF writer refused a page
} // namespace FormErr

class FormRenderer {
public:
    // A field of the open form, as found by findField. It stays valid until
    // the form is closed; using it afterwards is an error.
    struct Field {
        int index = -1;
        quint32 form = 0;
    };

    // Decorations: a figure in force, and an ordered figure that a
    // correction supersedes (drawn struck through twice).
    static constexpr int DecorationNone = 0;
    static constexpr int DecorationSuperseded = 6;

    virtual ~FormRenderer() = default;

    // 1. Forgets any form and job (a job still open is delivered first).
    virtual void reset() = 0;
    // 2. Starts a print job for the named printer; empty text means the
    //    system's default printer.
    virtual void beginJob(const QString &printerName, const QString &jobName) = 0;
    // 3. Opens the form file at `formPath`.
    virtual void openForm(const QString &formPath) = 0;
    // 4. Attaches the open form to the job, so that printPage prints on it.
    virtual void attachForm() = 0;
    // 5. Blanks every field value and decoration (done before each page).
    virtual void clearForm() = 0;
    // 6. The field called `name` (exact, case sensitive).
    virtual Field findField(const QString &name) = 0;
    // 7. A plain field's value.
    virtual void setValue(Field field, const QString &value) = 0;
    // 8. DecorationNone or DecorationSuperseded.
    virtual void setDecoration(Field field, int decoration) = 0;
    // 9. One cell of a list field; column and row count from 0.
    virtual void setListCell(Field field, int column, int row, const QString &value) = 0;
    // 10. Prints the filled form as the next page of the job.
    virtual void printPage() = 0;
    // 11. Closes the form (after the last page).
    virtual void closeForm() = 0;
    // 12. Ends the job: the printer gets the pages, or the PDF file is
    //     completed.
    virtual void endJob() = 0;
};
