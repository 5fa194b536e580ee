#pragma once
// The form renderer as the settings want it for a print run: PDFs into the
// output folder, the operator's print offsets per form, and the number of
// item rows the installed assortment form holds.

#include "store/Settings.h"
#include "slips/QtFormRenderer.h"

#include <QString>

class Dialogs;

namespace PrintSetup {

// Write_Path, or the installation folder when none is set; the per-form
// offsets of section Print_Env (Den_* for "TA2.crf", Shina_* for "AS.crf").
QtFormRenderer::Options rendererOptions();

// An offset key's value in millimetres; 0 when unset or not a number.
double offsetMm(SettingKey key);

// The rows of the list "ListHed" in the installed "COR/AS.crf"; the usual
// 14 when the form cannot be read (the run then stops at the form with
// the form's own error).
int assortmentItemRows();

// Tells the operator where the pages went when they went to a PDF file:
// reset() finishes a stopped run's job first, so its pages are there too.
// `preview`: the pages were a preview, and the message says so.
void tellPdf(QtFormRenderer &renderer, Dialogs &dialogs, bool preview = false);

} // namespace PrintSetup
