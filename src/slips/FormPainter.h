#pragma once
// Draws one filled form with QPainter. The painter's origin must be the
// paper's top left corner; millimetres and font points are converted with
// the device's resolution, so the same drawing serves a printer, a PDF
// writer and an image.

#include "slips/FormContent.h"

#include <memory>

class QPainter;

namespace FormPainter {

// Texts laid out once and drawn again from their glyphs: a run of
// assortment lists sets the same figures, store codes and names thousands
// of times, and laying out a text costs more than drawing it. Kept by a
// print job for its pages; it starts over on another paint device.
class TextCache {
public:
    TextCache();
    ~TextCache();
    TextCache(const TextCache &) = delete;
    TextCache &operator=(const TextCache &) = delete;

    void clear();

    struct Impl;
    Impl &impl() { return *d_; }

private:
    std::unique_ptr<Impl> d_;
};

// The pre-printed rules, boxes and captions: left out on the chain's
// stock, which carries them; drawn on plain paper; drawn in a pale tint
// on a preview, so that the figures the printer adds stand out.
enum class Frame { None, Full, Light };

// Without a cache the texts of this one page are laid out for it alone.
void paint(QPainter &painter, const FormContent &page, Frame frame, TextCache *cache = nullptr);
inline void paint(QPainter &painter, const FormContent &page, bool withFrame, TextCache *cache = nullptr)
{
    paint(painter, page, withFrame ? Frame::Full : Frame::None, cache);
}

} // namespace FormPainter
