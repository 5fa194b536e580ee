#include "slips/PrintSetup.h"

#include "slips/FormDefinition.h"
#include "store/AppFolder.h"
#include "store/DbError.h"
#include "store/Dialogs.h"
#include "store/NumericText.h"

#include <QDir>

namespace PrintSetup {

double offsetMm(SettingKey key)
{
    return numericValue(Settings::readText(key)).value_or(0.0);
}

QtFormRenderer::Options rendererOptions()
{
    QtFormRenderer::Options o;
    const QString out = Settings::readText(SettingKey::WritePath).trimmed();
    o.pdfFolder = out.isEmpty() ? AppFolder::path() : out;
    o.formOffsets.insert(QStringLiteral("TA2.crf"),
                         QPointF(offsetMm(SettingKey::DenOffsetX), offsetMm(SettingKey::DenOffsetY)));
    o.formOffsets.insert(QStringLiteral("AS.crf"),
                         QPointF(offsetMm(SettingKey::ShinaOffsetX), offsetMm(SettingKey::ShinaOffsetY)));
    // On the chain's stock the frame is already printed; on plain paper
    // (and always in a PDF) it is drawn with the values.
    o.plainPaper = Settings::readText(SettingKey::PlainPaper).trimmed() == QLatin1String("1");
    return o;
}

int assortmentItemRows()
{
    try {
        const FormDefinition form = FormDefinition::load(AppFolder::file(QStringLiteral("COR/AS.crf")));
        const int i = form.indexOf(QStringLiteral("ListHed"));
        if (i >= 0 && form.fields[size_t(i)].rows > 0)
            return form.fields[size_t(i)].rows;
    } catch (const DbError &) {
    }
    return 14;
}

void tellPdf(QtFormRenderer &renderer, Dialogs &dialogs, bool preview)
{
    renderer.reset();
    if (renderer.pdfPath().isEmpty())
        return;
    if (preview)
        dialogs.info(QStringLiteral("プレビューの %1 ページを PDF ファイルに出力しました（印刷済みにはしていません）。")
                             .arg(renderer.pageCount())
                         + QStringLiteral("\r\n") + QDir::toNativeSeparators(renderer.pdfPath()));
    else
        dialogs.info(QStringLiteral("印刷した %1 ページを PDF ファイルに出力しました。").arg(renderer.pageCount())
                         + QStringLiteral("\r\n") + QDir::toNativeSeparators(renderer.pdfPath()));
}

} // namespace PrintSetup
