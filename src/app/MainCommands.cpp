#include "app/MainCommands.h"

#include "billing/ClosingCancel.h"
#include "import/OrderPickUp.h"
#include "maint/DeleteAll.h"

#include "app/ClsFileOP.h"
#include "store/Settings.h"
#include "store/Connection.h"
#include "store/Dialogs.h"

void MainCommands::loadProcedure(const QString &name)
{
    if (name == QLatin1String("Import_PB"))
        runImport(imports_.pbMaster, QStringLiteral("PBマスタファイル (*.csv);;すべてのファイル (*)"));
    else if (name == QLatin1String("Import_Order"))
        runImport(imports_.order, QStringLiteral("発注ファイル (*.txt);;すべてのファイル (*)"));
    else if (name == QLatin1String("Import_Add"))
        runImport(imports_.destinations, QStringLiteral("納品先マスタファイル (*.txt);;すべてのファイル (*)"));
    else if (name == QLatin1String("TOBARE_END")) {
        if (confirmEnd(dialogs_))
            host_.closeMain();
    } else if (name == QLatin1String("SiteOpen"))
        siteOpen();
    else if (name == QLatin1String("SeikyuKaijyo"))
        cancelClosing(RequireConnection(), dialogs_);
    else if (name == QLatin1String("DALL_DELL")) {
        host_.setBusy(true);
        try {
            deleteAllData(RequireConnection(), dialogs_);
        } catch (...) {
            host_.setBusy(false);
            throw;
        }
        host_.setBusy(false);
    } else if (name == QLatin1String("ChangeData_Out")) {
        if (changeHistory_)
            changeHistory_();
        else
            notYet(QStringLiteral("変更履歴出力"));
    } else if (name == QLatin1String("Jseikyu_out")) {
        if (consignmentBilling_)
            consignmentBilling_();
        else
            notYet(QStringLiteral("委託請求明細出力"));
    } else {
        dialogs_.message(name + QStringLiteral(" そんな命令ないです。"), QStringLiteral("呼出しエラー"),
                         MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
    }
}

void MainCommands::notYet(const QString &what)
{
    dialogs_.message(QStringLiteral("「%1」はこのバージョンではまだ使えません。").arg(what), applicationTitle(),
                     MsgIcon::Information, MsgButtons::Ok, MsgResult::Ok);
}

void MainCommands::runImport(const std::function<int(const QString &)> &import, const QString &filter)
{
    if (!import) {
        notYet(QStringLiteral("データ取込"));
        return;
    }
    const QString start = Settings::readText(SettingKey::ReadPath);
    const QString path = dialogs_.openFile(QStringLiteral("ファイルを開く"), start, filter);
    if (path.isEmpty())
        return;
    host_.setMainEnabled(false);
    int result;
    try {
        result = import(path);
    } catch (...) {
        host_.setMainEnabled(true);
        throw;
    }
    if (result == 0
        && dialogs_.message(QStringLiteral("読込みが正常に終了しました。\n対象のファイルをごみ箱に移動しますか？"),
                            QStringLiteral("確認"), MsgIcon::Question, MsgButtons::OkCancel, MsgResult::Ok)
            == MsgResult::Ok) {
        ClsFileOP op;
        op.fromFile = path;
        // The data is imported either way; the operator is told that the
        // file is still where it was, so it is not imported twice unnoticed.
        if (!op.Delete(false, true, true))
            dialogs_.message(QStringLiteral("ファイルをごみ箱に移動できませんでした。\n%1").arg(path),
                             applicationTitle(), MsgIcon::Warning, MsgButtons::Ok, MsgResult::Ok);
    }
    host_.setMainEnabled(true);
}

void MainCommands::pickUpNewOrders()
{
    if (!imports_.order) {
        notYet(QStringLiteral("データ取込"));
        return;
    }
    QStringList lines;
    host_.setMainEnabled(false);
    try {
        pickUpOrderFiles(
            Settings::readText(SettingKey::ReadPath), Settings::readInt(SettingKey::PickUpTrash) == 1,
            [this](const QString &path) { return ImportAttempt{imports_.order(path), QString()}; },
            [&](const PickedUpFile &f) {
                if (f.outcome != PickedUpFile::ImportedBefore)
                    lines << f.line();
            });
    } catch (...) {
        host_.setMainEnabled(true);
        throw;
    }
    host_.setMainEnabled(true);
    dialogs_.message(QStringLiteral("受信データの取込が終わりました。\n")
                         + (lines.isEmpty() ? QStringLiteral("新しい受信データはありませんでした。")
                                            : lines.join(QLatin1Char('\n'))),
                     applicationTitle(), MsgIcon::Information, MsgButtons::Ok, MsgResult::Ok);
}

void MainCommands::siteOpen()
{
    host_.setBusy(true);
    const bool ok = dialogs_.message(QStringLiteral("Web-EDIのサイトを開きますか?"), applicationTitle(),
                                     MsgIcon::Question, MsgButtons::OkCancel, MsgResult::Ok)
        == MsgResult::Ok;
    if (ok) {
        const QString url = Settings::readText(SettingKey::WebEdiUrl);
        if (!url.isEmpty())
            host_.openExternal(url);
        else
            dialogs_.message(QStringLiteral("Web-EDIのアドレスが設定されていません。\n"
                                            "オプション画面でアドレス(URL)を指定してください。"),
                             applicationTitle(), MsgIcon::Critical, MsgButtons::Ok, MsgResult::Ok);
    }
    host_.setBusy(false);
}

bool MainCommands::confirmEnd(Dialogs &dialogs)
{
    return dialogs.message(QStringLiteral("業務を終了しますか？"), QStringLiteral("終了確認"), MsgIcon::Question,
                           MsgButtons::OkCancel, MsgResult::Ok)
        == MsgResult::Ok;
}
