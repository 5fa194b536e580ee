#include "slips/FormTestPrint.h"

#include "slips/FormDefinition.h"

#include <QFileInfo>

#include <algorithm>
#include <cmath>

namespace {

// Roughly the width of a half-width character of `points` in millimetres.
double halfWidthMm(double points)
{
    return points * 25.4 / 72.0 * 0.5;
}

} // namespace

QString formSampleValue(const FormField &field, int column)
{
    const QRectF box = field.cellBox(column, 0);
    const FormAlign align = field.kind == FormFieldKind::List ? field.cellAlign(column) : field.style.align;
    const double cell = field.style.pitch > 0 ? field.style.pitch : halfWidthMm(field.style.size);
    const int fits = std::max(1, int(std::floor(box.width() / cell)));
    if (field.style.pitch > 0 || align == FormAlign::Right) {
        // Figures: fill the digit boxes from the right, as amounts do.
        QString digits;
        for (int i = 0; i < std::min(fits, 10); ++i)
            digits += QChar(u'1' + (i % 9));
        return digits;
    }
    const QString text = QStringLiteral("見本ｻﾝﾌﾟﾙ");
    // A wide character takes two half-width cells.
    return fits >= 10 ? text : text.left(std::max(1, fits / 2));
}

QString printFormTestPage(const QString &formPath, const QString &printerName, QtFormRenderer::Options options)
{
    options.plainPaper = true;
    const FormDefinition form = FormDefinition::load(formPath);
    QtFormRenderer r(std::move(options));
    r.reset();
    r.beginJob(printerName, QStringLiteral("テスト印刷 %1").arg(QFileInfo(formPath).completeBaseName()));
    r.openForm(formPath);
    r.attachForm();
    r.clearForm();
    for (const FormField &f : form.fields) {
        const FormRenderer::Field field = r.findField(f.name);
        if (f.kind == FormFieldKind::Plain) {
            r.setValue(field, formSampleValue(f, 0));
            continue;
        }
        for (int row = 0; row < f.rows; ++row)
            for (int column = 0; column < f.columns; ++column)
                r.setListCell(field, column, row, formSampleValue(f, column));
    }
    r.printPage();
    r.closeForm();
    r.endJob();
    return r.pdfPath();
}
