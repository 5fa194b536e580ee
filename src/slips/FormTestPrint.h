#pragma once
// The test print of the settings screen: one page of a form with a sample
// value in every field and every list cell, and the pre-printed frame
// drawn, so that the operator holds the plain-paper page against the stock
// and sees how far the printer feeds it off.

#include "slips/QtFormRenderer.h"

#include <QString>

// Prints the form at `formPath` on `printerName` (empty: the default
// printer; pdfTargetName() or no printer installed: a PDF) with `options`
// (offsets, PDF folder), the frame always drawn. Returns the PDF written,
// or empty text when the page went to a printer. Throws DbError.
QString printFormTestPage(const QString &formPath, const QString &printerName, QtFormRenderer::Options options);

// The sample text a test page shows in a box: digits where figures go
// (digit boxes and right-aligned fields), as many as the box holds, and a
// short sample text elsewhere.
QString formSampleValue(const FormField &field, int column);
