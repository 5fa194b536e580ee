#pragma once
// Draws one filled form with QPainter. The painter's origin must be the
// paper's top left corner; millimetres and font points are converted with
// the device's resolution, so the same drawing serves a printer, a PDF
// writer and an image.

#include "slips/FormContent.h"

class QPainter;

namespace FormPainter {

// `withFrame`: also draw the pre-printed rules, boxes and captions (plain
// paper); the chain's stock already carries them.
void paint(QPainter &painter, const FormContent &page, bool withFrame);

} // namespace FormPainter
