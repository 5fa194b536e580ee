#include "slips/QtFormRenderer.h"

#include "slips/FormPainter.h"
#include "store/Clock.h"
#include "store/SafeName.h"

#include <QDir>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <algorithm>

PrinterCatalog PrinterCatalog::system()
{
    PrinterCatalog c;
    c.installed = QPrinterInfo::availablePrinterNames();
    c.defaultPrinter = QPrinterInfo::defaultPrinterName();
    return c;
}

QString pdfTargetName()
{
    return QStringLiteral("PDF ファイル");
}

QStringList printerChoices(const PrinterCatalog &catalog)
{
    QStringList choices;
    for (const QString &name : catalog.installed) {
        // Windows lists its rendering pseudo printer among the printers.
        if (name != QLatin1String("Rendering Subsystem") && name != pdfTargetName())
            choices << name;
    }
    choices << pdfTargetName();
    return choices;
}

QPageLayout formPageLayout(const FormDefinition &form)
{
    const double w = form.pageSize.width();
    const double h = form.pageSize.height();
    // QPageSize is always given upright; the orientation turns it.
    const QPageSize size(QSizeF(std::min(w, h), std::max(w, h)), QPageSize::Millimeter, form.title,
                         QPageSize::FuzzyMatch);
    return QPageLayout(size, form.landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF(0, 0, 0, 0),
                       QPageLayout::Millimeter);
}

namespace {

QString layoutKey(const FormDefinition &form)
{
    return QStringLiteral("%1x%2%3")
        .arg(form.pageSize.width())
        .arg(form.pageSize.height())
        .arg(form.landscape ? QLatin1Char('L') : QLatin1Char('P'));
}

// A job name may hold characters a file name cannot.
QString fileSafe(const QString &name)
{
    const QString s = name.trimmed();
    return s.isEmpty() ? QStringLiteral("print") : SafeName::made(s);
}

} // namespace

QtFormRenderer::QtFormRenderer(Options options) : options_(std::move(options)) {}

QtFormRenderer::~QtFormRenderer()
{
    finishOpenJobQuietly();
}

void QtFormRenderer::startJob(const QString &printerName, const QString &jobName)
{
    texts_.clear();
    const PrinterCatalog catalog = options_.printers ? *options_.printers : PrinterCatalog::system();
    QString target;
    if (printerName != pdfTargetName() && !catalog.installed.isEmpty()) {
        if (printerName.isEmpty()) {
            if (catalog.installed.contains(catalog.defaultPrinter))
                target = catalog.defaultPrinter;
        } else if (catalog.installed.contains(printerName)) {
            target = printerName;
        } else {
            throw DbError(FormErr::PrinterNotFound,
                          QStringLiteral("プリンタ「%1」が見つかりません。設定画面で印刷先を選び直してください。")
                              .arg(printerName));
        }
    }

    pdfPath_.clear();
    layoutKey_.clear();
    if (!options_.pdfFile.isEmpty()) {
        // Refused here, before the first slip is stamped, rather than when
        // the first page is drawn.
        const QFileInfo folder(QFileInfo(options_.pdfFile).absolutePath());
        if (!folder.isDir() || !folder.isWritable())
            throw DbError(FormErr::OutputAccess, QStringLiteral("PDF ファイル「%1」のフォルダに書き込めません。")
                                                     .arg(QDir::toNativeSeparators(options_.pdfFile)));
        pdfPlanned_ = QFileInfo(options_.pdfFile).absoluteFilePath();
        toPdf_ = true;
        printer_.clear();
        return;
    }
    if (target.isEmpty()) {
        startPdf(jobName);
        return;
    }
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setPrinterName(target);
    // An unknown queue silently turns a QPrinter into a PDF writer without
    // a file; catch that here rather than at the first page.
    if (printer->outputFormat() != QPrinter::NativeFormat || printer->printerName() != target)
        throw DbError(FormErr::PrintFailed, QStringLiteral("プリンタ「%1」を使えません。").arg(target));
    printer->setDocName(jobName);
    printer->setFullPage(true);
    toPdf_ = false;
    printer_ = target;
    device_ = std::move(printer);
}

void QtFormRenderer::startPdf(const QString &jobName)
{
    if (options_.pdfFolder.isEmpty())
        throw DbError(FormErr::OutputAccess,
                      QStringLiteral("PDF の保存先フォルダが決まっていません。設定画面で書出しフォルダを指定してください。"));
    const QDir folder(options_.pdfFolder);
    if (!folder.exists() && !QDir().mkpath(folder.absolutePath()))
        throw DbError(FormErr::OutputAccess,
                      QStringLiteral("PDF の保存先フォルダ「%1」を作れません。").arg(QDir::toNativeSeparators(folder.absolutePath())));
    pdfPlanned_ = folder.absoluteFilePath(fileSafe(jobName) + QLatin1Char('_')
                                          + Clock::now().toString(QStringLiteral("yyyyMMdd_hhmmss")));
    toPdf_ = true;
    printer_.clear();
}

void QtFormRenderer::beginDevice(const FormDefinition &form)
{
    const QPageLayout layout = formPageLayout(form);
    if (toPdf_ && !options_.pdfFile.isEmpty()) {
        auto file = std::make_unique<QSaveFile>(pdfPlanned_);
        if (!file->open(QIODevice::WriteOnly))
            throw DbError(FormErr::OutputAccess, QStringLiteral("PDF ファイル「%1」に書けません（%2）。")
                                                     .arg(QDir::toNativeSeparators(pdfPlanned_), file->errorString()));
        auto writer = std::make_unique<QPdfWriter>(file.get());
        writer->setResolution(1200);
        writer->setTitle(jobName());
        writer->setCreator(QStringLiteral("TOBARI EDI"));
        writer->setPageLayout(layout);
        pdfTarget_ = std::move(file);
        device_ = std::move(writer);
    } else if (toPdf_) {
        auto file = std::make_unique<QTemporaryFile>(pdfPlanned_ + QStringLiteral("_XXXXXX.part"));
        if (!file->open())
            throw DbError(FormErr::OutputAccess,
                          QStringLiteral("PDF ファイルを「%1」に書けません（%2）。")
                              .arg(QDir::toNativeSeparators(QFileInfo(pdfPlanned_).absolutePath()), file->errorString()));
        auto writer = std::make_unique<QPdfWriter>(file.get());
        writer->setResolution(1200);
        writer->setTitle(jobName());
        writer->setCreator(QStringLiteral("TOBARI EDI"));
        writer->setPageLayout(layout);
        pdfFile_ = std::move(file);
        device_ = std::move(writer);
    } else {
        // A printer may refuse a custom size; the driver's own paper (set up
        // for the stock) is then used as it is.
        device_->setPageLayout(layout);
    }
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(device_.get())) {
        painter_.reset();
        throw DbError(FormErr::PrintFailed,
                      toPdf_ ? QStringLiteral("PDF ファイルへの印刷を始められません。")
                             : QStringLiteral("プリンタ「%1」への印刷を始められません。").arg(printer_));
    }
    layoutKey_ = layoutKey(form);
}

void QtFormRenderer::outputPage(const FormContent &page)
{
    const FormDefinition &form = page.form();
    if (!painter_) {
        beginDevice(form);
    } else {
        if (layoutKey(form) != layoutKey_) {
            device_->setPageLayout(formPageLayout(form));
            layoutKey_ = layoutKey(form);
        }
        if (!device_->newPage())
            throw DbError(FormErr::PrintFailed,
                          QStringLiteral("印刷ジョブ「%1」の %2 ページ目を始められません。").arg(jobName()).arg(pageCount() + 1));
    }
    const FormPainter::Frame frame = options_.lightFrame                    ? FormPainter::Frame::Light
                                     : toPdf_ || options_.plainPaper ? FormPainter::Frame::Full
                                                                      : FormPainter::Frame::None;
    const QPointF shift = options_.formOffsets.value(form.name);
    if (shift.isNull()) {
        FormPainter::paint(*painter_, page, frame, &texts_);
        return;
    }
    painter_->save();
    painter_->translate(shift.x() * device_->logicalDpiX() / 25.4, shift.y() * device_->logicalDpiY() / 25.4);
    FormPainter::paint(*painter_, page, frame, &texts_);
    painter_->restore();
}

void QtFormRenderer::finishJob()
{
    if (!painter_) {
        // No page was printed: nothing goes to the printer, no file is made.
        device_.reset();
        pdfFile_.reset();
        pdfTarget_.reset();
        return;
    }
    const bool ended = painter_->end();
    painter_.reset();
    device_.reset(); // the PDF writer flushes into the file here
    if (!toPdf_) {
        if (!ended)
            throw DbError(FormErr::PrintFailed,
                          QStringLiteral("プリンタ「%1」に印刷ジョブ「%2」を送れませんでした。").arg(printer_, jobName()));
        return;
    }
    if (pdfTarget_) {
        std::unique_ptr<QSaveFile> target = std::move(pdfTarget_);
        if (!ended || !target->commit())
            throw DbError(FormErr::OutputAccess, QStringLiteral("PDF ファイル「%1」を書き終えられませんでした（%2）。")
                                                     .arg(QDir::toNativeSeparators(pdfPlanned_), target->errorString()));
        pdfPath_ = pdfPlanned_;
        return;
    }
    std::unique_ptr<QTemporaryFile> file = std::move(pdfFile_);
    if (!ended || !file->flush())
        throw DbError(FormErr::OutputAccess,
                      QStringLiteral("PDF ファイル「%1」を書き終えられませんでした。").arg(QDir::toNativeSeparators(pdfPlanned_)));
    file->close();
    // Never replace an earlier document: two jobs begun in the same second
    // get "_2", "_3".
    QString final = pdfPlanned_ + QStringLiteral(".pdf");
    for (int n = 2; QFileInfo::exists(final); ++n)
        final = pdfPlanned_ + QStringLiteral("_%1.pdf").arg(n);
    if (!file->rename(final))
        throw DbError(FormErr::OutputAccess,
                      QStringLiteral("PDF ファイルを「%1」として保存できませんでした（%2）。")
                          .arg(QDir::toNativeSeparators(final), file->errorString()));
    file->setAutoRemove(false);
    // The temporary file was private to us; the finished document is an
    // ordinary file the operator opens, mails or copies.
    QFile::setPermissions(final, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser
                                     | QFileDevice::WriteUser | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    pdfPath_ = final;
}
