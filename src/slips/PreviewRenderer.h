#pragma once
// The form renderer behind the print preview: it keeps every filled page
// instead of sending it anywhere, and paints the kept pages on whatever
// paged device the preview hands it (the preview's own printer, or a PDF
// writer), the frame drawn pale as on plain paper. It needs no printer, so
// a preview works on a computer that has none.

#include "slips/FormContent.h"
#include "slips/FormRendererBase.h"

#include <vector>

class QPagedPaintDevice;

class PreviewRenderer : public FormRendererBase {
public:
    // The pages of the last job, in order; a new job starts empty.
    const std::vector<FormContent> &pages() const { return pages_; }

    // Paints every kept page, one page of `device` each, on the paper of
    // its form. False when the device cannot be painted on.
    bool paintPages(QPagedPaintDevice &device) const;

protected:
    void startJob(const QString &printerName, const QString &jobName) override;
    void outputPage(const FormContent &page) override;
    void finishJob() override {}

private:
    std::vector<FormContent> pages_;
};
