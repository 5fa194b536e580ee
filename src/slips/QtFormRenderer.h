#pragma once
// The form renderer that puts pages on paper: a printer installed on the
// computer, or a PDF file in the output folder when the settings choose the
// PDF target or no printer is installed at all.
//
// Printer names: empty text means the system's default printer; the name
// pdfTargetName() means a PDF file; any other name must be an installed
// printer. With no printer installed every job goes to a PDF, so that a
// computer without a print server still gets its slips.
//
// A PDF is named after the job and the time it began ("<job>_yyyyMMdd_hhmmss.pdf",
// "_2", "_3" added when that name is taken), written to a temporary file in
// that folder and renamed when the job ends, so the folder never holds half
// a document under a final name. A job without pages writes no file. With
// Options::pdfFile every job goes to that one file instead.

#include "slips/FormPainter.h"
#include "slips/FormRendererBase.h"

#include <QHash>
#include <QPointF>
#include <QStringList>

#include <memory>
#include <optional>

class QPageLayout;
class QPainter;
class QPagedPaintDevice;
class QSaveFile;
class QTemporaryFile;

// The printers the operator can choose from.
struct PrinterCatalog {
    QStringList installed; // in the platform's order
    QString defaultPrinter; // empty when the system names none

    static PrinterCatalog system();
};

// The choice in the settings screen's printer lists that sends pages to a
// PDF file instead of a printer.
QString pdfTargetName();

// The installed printers (without the system's "Rendering Subsystem"
// pseudo printer) followed by the PDF target.
QStringList printerChoices(const PrinterCatalog &catalog = PrinterCatalog::system());

// The paper of a form: its size and orientation, without margins.
QPageLayout formPageLayout(const FormDefinition &form);

class QtFormRenderer : public FormRendererBase {
public:
    struct Options {
        // Where PDF files go (the configured output folder, or the
        // installation folder when none is set). Created when missing.
        QString pdfFolder;
        // Also draw the form's frame and captions: the printer holds plain
        // paper instead of the chain's stock. A PDF always gets them.
        bool plainPaper = false;
        // The printers to resolve names against; empty: ask the system at
        // each job.
        std::optional<PrinterCatalog> printers;
        // Every job goes to this PDF file instead, whatever the printer
        // name (the batch mode's --pdf). Written under a temporary name
        // beside it and put in its place, replacing an older file of that
        // name, only once the job has ended.
        QString pdfFile;
        // Moves everything printed with a form, by the form's file name
        // ("TA2.crf"), in millimetres right and down (negative: left and
        // up): a printer that feeds the stock a little off is corrected
        // here instead of in the form file. Added to the form's own offset.
        QHash<QString, QPointF> formOffsets;
        // Draws the frame pale on every page, whatever the target: the
        // pages are a preview on plain paper, not the print itself.
        bool lightFrame = false;
    };

    explicit QtFormRenderer(Options options);
    // A job still open (a stopped run) is finished, its pages delivered.
    ~QtFormRenderer() override;

    void setPlainPaper(bool plainPaper) { options_.plainPaper = plainPaper; }

    // Of the current job, or the last one once it has ended.
    bool printsToPdf() const { return toPdf_; }
    // The printer that gets the pages; empty for a PDF.
    QString printerUsed() const { return printer_; }
    // The completed PDF of the last job that ended (by endJob, or by a
    // reset that finished a stopped run's job), for telling the operator
    // where the pages are; empty for a printer, a job without pages, or
    // once the next job has begun.
    QString pdfPath() const { return pdfPath_; }

protected:
    void startJob(const QString &printerName, const QString &jobName) override;
    void outputPage(const FormContent &page) override;
    void finishJob() override;

private:
    void startPdf(const QString &jobName);
    void beginDevice(const FormDefinition &form);

    Options options_;
    bool toPdf_ = false;
    QString printer_;
    QString pdfPlanned_;  // folder and base name of the PDF, fixed when the job began
    QString pdfPath_;
    std::unique_ptr<QTemporaryFile> pdfFile_;
    std::unique_ptr<QSaveFile> pdfTarget_; // Options::pdfFile
    std::unique_ptr<QPagedPaintDevice> device_;
    std::unique_ptr<QPainter> painter_;
    QString layoutKey_;
    FormPainter::TextCache texts_; // of the current job's device
};
