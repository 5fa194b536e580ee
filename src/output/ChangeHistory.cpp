#include "output/ChangeHistory.h"

#include "store/Settings.h"
#include "store/ChangeMarker.h"
#include "output/Workbook.h"
#include "output/WorkbookFiles.h"
#include "store/AppFolder.h"
#include "store/Clock.h"
#include "store/Database.h"
#include "store/Dialogs.h"
#include "store/JetFunctions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <optional>

namespace {

double pieces(const QString &tenths)
{
    return jet::parseNumber(tenths).value_or(0) / 10.0;
}

double number(const QString &digits)
{
    return jet::parseNumber(digits).value_or(0);
}

void ensureFolder(const QString &path)
{
    if (!QDir().mkpath(path))
        throw DbError(DbErr::PathAccess, QStringLiteral("フォルダ '%1' を作成できません。").arg(path));
}

} // namespace

ChangeHistoryResult writeChangeHistory(Database &db, Dialogs &dialogs)
{
    ChangeHistoryResult result;
    if (dialogs.message(QStringLiteral("未報告のデータ変更履歴を出力します。"), QString(), MsgIcon::Question,
                        MsgButtons::OkCancel, MsgResult::Ok)
        != MsgResult::Ok)
        return result;

    const QString writePath = Settings::readText(SettingKey::WritePath);
    if (writePath.isEmpty())
        throw DbError(DbErr::PathAccess,
                      QStringLiteral("書出しフォルダが設定されていません。設定画面で書出しフォルダを指定してください。"));
    ensureFolder(writePath);
    const QString folder = QDir(writePath).filePath(QStringLiteral("ChangeHist"));
    ensureFolder(folder);
    const QString target = freeWorkbookName(folder, QStringLiteral("CH"));

    const QString templatePath = AppFolder::file(QStringLiteral("COR/ChangeHist"));
    if (!QFileInfo::exists(templatePath))
        throw DbError(DbErr::FileNotFound, QStringLiteral("テンプレート '%1' が見つかりません。").arg(templatePath));
    // The copy is filled under a working name and takes the final name only
    // once it is saved, so a failed run leaves no workbook behind.
    const QString work = target + QStringLiteral(".part");
    QFile::remove(work);
    if (!QFile::copy(templatePath, work))
        throw DbError(DbErr::PathAccess, QStringLiteral("'%1' を作成できません。").arg(work));
    QFile::setPermissions(work, QFile::permissions(work) | QFile::WriteOwner);

    const QString reported = ChangeMarker::sqlInState(QStringLiteral("TBD.ONSURYM"), ChangeMarker::Corrected);
    // The lines read into the workbook: only these are marked reported.
    QList<qint64> listed;
    try {
        std::optional<Workbook> book(std::in_place, work);
        Worksheet sheet = book->sheet(1);
        Recordset rs = db.query(
            QStringLiteral("Select TH2.OMHCDT,TH2.OMHCNO,TH2.OMDNNO,TBD.ONLINE,TBD.ONSYKN,TBD.ONSZKN,TBD.ONCLKN,"
                           "TBD.ONSKU,TBD.ONSURY,TBD.ONBTNK,substr(TBD.ONSURYM,1,6) as CHSUU,TBD.INDEXNOBD,"
                           "substr(TBD.ONSURYM,7,7) as CHBT "
                           "From TBL_RD_H2 TH2 Left Join TBL_RD_BD TBD On TH2.INDEXNOH2=TBD.INDEXNOH2 Where ")
            + reported + QStringLiteral(" Order By TH2.OMHCDT,TH2.OMHCNO,TH2.OMDNNO,TBD.ONLINE"));
        int r = 2;
        for (; !rs.eof(); rs.moveNext()) {
            listed << rs.field(QStringLiteral("INDEXNOBD")).toLongLong();
            const QString sury = rs.text(QStringLiteral("ONSURY"));
            const QString chsuu = rs.text(QStringLiteral("CHSUU"));
            const QString btnk = rs.text(QStringLiteral("ONBTNK"));
            const QString chbt = rs.text(QStringLiteral("CHBT"));
            auto head = [&](int row, const QString &what) {
                static const char *const cols[] = {"OMHCDT", "OMHCNO", "OMDNNO", "ONLINE",
                                                   "ONSYKN", "ONSZKN", "ONCLKN", "ONSKU"};
                int c = 1;
                for (const char *col : cols)
                    sheet.setText(row, c++, rs.text(QString::fromLatin1(col)));
                sheet.setText(row, 9, what);
            };
            if (sury != chsuu) {
                head(r, QStringLiteral("数量"));
                sheet.setNumber(r, 10, pieces(chsuu));
                sheet.setNumber(r, 11, pieces(sury));
                ++r;
            }
            if (btnk != chbt) {
                head(r, QStringLiteral("売単価"));
                sheet.setNumber(r, 10, number(chbt));
                sheet.setNumber(r, 11, number(btnk));
                ++r;
            }
        }
        rs.close();
        result.rows = r - 2;
        if (result.rows == 0) {
            QFile::remove(work);
            dialogs.message(QStringLiteral("出力する明細が存在しませんでした。\n"
                                           "未報告の訂正がないか、訂正した明細の数量・売単価が発注時と同じです。"),
                            applicationTitle(), MsgIcon::Warning, MsgButtons::Ok, MsgResult::Ok);
            return result;
        }
        sheet.autoFitColumns(QStringLiteral("A:K"));
        book->save();
        book.reset();

        // The workbook takes its name together with the markers: a failure
        // leaves neither, and a line first corrected after the lines were
        // read stays unreported for the next run.
        Transaction tx(db);
        Statement mark = db.prepare(QStringLiteral("Update TBL_RD_BD Set ONSURYM=")
                                    + ChangeMarker::sqlWithState(QStringLiteral("ONSURYM"), ChangeMarker::Unchanged)
                                    + QStringLiteral(" Where INDEXNOBD=? And ")
                                    + ChangeMarker::sqlInState(QStringLiteral("ONSURYM"), ChangeMarker::Corrected));
        for (const qint64 bd : listed) {
            mark.bindInt(1, bd);
            mark.execute();
            result.lines += int(db.changes());
        }
        publishWithCommit(tx, work, target);
    } catch (...) {
        QFile::remove(work);
        throw;
    }
    result.status = 0;
    result.path = target;
    dialogs.info(QStringLiteral("ファイル、") + target + QStringLiteral("に出力しました。")
                     + QStringLiteral("\n変更 %1 行（訂正した明細 %2 行を報告済みにしました）").arg(result.rows).arg(result.lines),
                 applicationTitle());
    return result;
}
