#include "slips/PreviewRenderer.h"

#include "slips/FormPainter.h"
#include "slips/QtFormRenderer.h"

#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>

void PreviewRenderer::startJob(const QString &, const QString &)
{
    pages_.clear();
}

void PreviewRenderer::outputPage(const FormContent &page)
{
    pages_.push_back(page);
}

bool PreviewRenderer::paintPages(QPagedPaintDevice &device) const
{
    if (pages_.empty())
        return true;
    // The layout of the first page must be in place before the painter
    // begins; later pages change it before their newPage.
    device.setPageLayout(formPageLayout(pages_.front().form()));
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    FormPainter::TextCache texts;
    for (size_t i = 0; i < pages_.size(); ++i) {
        if (i > 0) {
            device.setPageLayout(formPageLayout(pages_[i].form()));
            if (!device.newPage())
                return false;
        }
        FormPainter::paint(painter, pages_[i], FormPainter::Frame::Light, &texts);
    }
    return painter.end();
}
