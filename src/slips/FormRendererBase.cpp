#include "slips/FormRendererBase.h"

void FormRendererBase::reset()
{
    attached_ = false;
    content_ = FormContent();
    if (jobOpen_) {
        // A run stopped by the operator leaves its job open; the slips it
        // printed are already stamped, so their pages must still come out.
        jobOpen_ = false;
        finishJob();
    }
}

void FormRendererBase::beginJob(const QString &printerName, const QString &jobName)
{
    if (jobOpen_)
        throw DbError(FormErr::OutOfOrder,
                      QStringLiteral("印刷ジョブ「%1」が終わらないうちに次のジョブ「%2」を始めようとしました。")
                          .arg(jobName_, jobName));
    startJob(printerName, jobName);
    jobOpen_ = true;
    printerName_ = printerName;
    jobName_ = jobName;
    pages_ = 0;
}

FormDefinition FormRendererBase::loadForm(const QString &formPath)
{
    return FormDefinition::load(formPath);
}

void FormRendererBase::openForm(const QString &formPath)
{
    if (content_.hasForm())
        throw DbError(FormErr::OutOfOrder,
                      QStringLiteral("帳票「%1」を閉じないうちに帳票ファイル「%2」を開こうとしました。")
                          .arg(formName(), formPath));
    content_ = FormContent(std::make_shared<const FormDefinition>(loadForm(formPath)));
    attached_ = false;
    ++formSerial_;
}

void FormRendererBase::attachForm()
{
    if (!jobOpen_)
        throw DbError(FormErr::OutOfOrder, QStringLiteral("印刷ジョブを始める前に帳票を割り当てようとしました。"));
    if (!content_.hasForm())
        throw DbError(FormErr::OutOfOrder, QStringLiteral("帳票ファイルを開く前に印刷ジョブへ割り当てようとしました。"));
    attached_ = true;
}

void FormRendererBase::clearForm()
{
    if (!content_.hasForm())
        throw DbError(FormErr::OutOfOrder, QStringLiteral("帳票ファイルを開く前に帳票をクリアしようとしました。"));
    content_.clear();
}

QString FormRendererBase::formName() const
{
    return content_.hasForm() ? content_.form().name : QString();
}

FormRenderer::Field FormRendererBase::findField(const QString &name)
{
    if (!content_.hasForm())
        throw DbError(FormErr::OutOfOrder,
                      QStringLiteral("帳票ファイルを開く前に項目「%1」を探そうとしました。").arg(name));
    const int index = content_.indexOf(name);
    if (index < 0)
        throw DbError(FormErr::FieldNotFound,
                      QStringLiteral("帳票「%1」に項目「%2」がありません。").arg(formName(), name));
    return Field{index, formSerial_};
}

const FormField &FormRendererBase::checkedField(Field field, const char *operation) const
{
    if (!content_.hasForm() || field.form != formSerial_ || field.index < 0
        || field.index >= static_cast<int>(content_.form().fields.size()))
        throw DbError(FormErr::OutOfOrder,
                      QStringLiteral("%1しようとした項目は、開いている帳票で探したものではありません。")
                          .arg(QString::fromUtf8(operation)));
    return content_.form().fields[static_cast<size_t>(field.index)];
}

void FormRendererBase::setValue(Field field, const QString &value)
{
    const FormField &f = checkedField(field, "値を設定");
    if (f.kind != FormFieldKind::Plain)
        throw DbError(FormErr::WrongFieldKind,
                      QStringLiteral("帳票「%1」の項目「%2」は一覧項目です。値は列と行を指定してセルに設定してください。")
                          .arg(formName(), f.name));
    content_.setValue(field.index, value);
}

void FormRendererBase::setDecoration(Field field, int decoration)
{
    const FormField &f = checkedField(field, "装飾を設定");
    if (decoration != DecorationNone && decoration != DecorationSuperseded)
        throw DbError(FormErr::BadDecoration,
                      QStringLiteral("帳票「%1」の項目「%2」に装飾 %3 は設定できません（0 または 6）。")
                          .arg(formName(), f.name)
                          .arg(decoration));
    content_.setDecoration(field.index, decoration);
}

void FormRendererBase::setListCell(Field field, int column, int row, const QString &value)
{
    const FormField &f = checkedField(field, "セルを設定");
    if (f.kind != FormFieldKind::List)
        throw DbError(FormErr::WrongFieldKind,
                      QStringLiteral("帳票「%1」の項目「%2」は一覧項目ではありません。セルは設定できません。")
                          .arg(formName(), f.name));
    if (column < 0 || column >= f.columns || row < 0 || row >= f.rows)
        throw DbError(FormErr::CellOutOfRange,
                      QStringLiteral("帳票「%1」の一覧項目「%2」に列 %3・行 %4 のセルはありません（%5 列 × %6 行）。")
                          .arg(formName(), f.name)
                          .arg(column)
                          .arg(row)
                          .arg(f.columns)
                          .arg(f.rows));
    content_.setCell(field.index, column, row, value);
}

void FormRendererBase::printPage()
{
    if (!jobOpen_)
        throw DbError(FormErr::OutOfOrder, QStringLiteral("印刷ジョブを始める前にページを印刷しようとしました。"));
    if (!content_.hasForm() || !attached_)
        throw DbError(FormErr::OutOfOrder,
                      QStringLiteral("印刷ジョブ「%1」に帳票が割り当てられていません。").arg(jobName_));
    outputPage(content_);
    ++pages_;
}

void FormRendererBase::closeForm()
{
    if (!content_.hasForm())
        throw DbError(FormErr::OutOfOrder, QStringLiteral("開いていない帳票を閉じようとしました。"));
    content_ = FormContent();
    attached_ = false;
}

void FormRendererBase::endJob()
{
    if (!jobOpen_)
        throw DbError(FormErr::OutOfOrder, QStringLiteral("始めていない印刷ジョブを終えようとしました。"));
    jobOpen_ = false;
    attached_ = false;
    finishJob();
}

void FormRendererBase::finishOpenJobQuietly() noexcept
{
    if (!jobOpen_)
        return;
    jobOpen_ = false;
    try {
        finishJob();
    } catch (...) {
        // Nothing can be reported from a destructor; the partial output
        // has been cleaned up by finishJob's own failure handling.
    }
}
