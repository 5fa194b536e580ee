#include "tags/TagReports.h"

#include "tags/RequestTags.h"
#include "tags/RequestWorkbooks.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

// The folders of the files, each once, in the order first met.
QString foldersOf(const QStringList &paths)
{
    QStringList folders;
    for (const QString &p : paths) {
        const QString f = QDir::toNativeSeparators(QFileInfo(p).absolutePath());
        if (!folders.contains(f))
            folders << f;
    }
    return folders.join(QStringLiteral("、"));
}

} // namespace

namespace TagReports {

QString requestWorkbooks(const QList<RequestWorkbook> &made)
{
    const QString first = QStringLiteral("作成が終了しました。\n");
    if (made.isEmpty())
        return first + QStringLiteral("値札の付く明細がないため、確認書は作成していません（依頼Noも付けていません）。");
    QStringList paths;
    QStringList requests;
    int slips = 0;
    for (const RequestWorkbook &w : made) {
        paths << w.path;
        if (!requests.contains(w.request))
            requests << w.request;
        slips += w.slips;
    }
    return first
        + QStringLiteral("確認書 %1 件を作成しました（フォルダ: %2）。\n").arg(made.size()).arg(foldersOf(paths))
        + QStringLiteral("伝票 %1 枚に依頼No（%2）が付きました。これらの伝票は通常の請求（締日計算）の対象から外れます。")
              .arg(slips)
              .arg(requests.join(QStringLiteral("、")));
}

QString requestTags(const QString &request, const RequestTagsOutcome &o)
{
    const QString first = QStringLiteral("終了しました\n");
    if (o.files.isEmpty())
        return first
            + (o.failures > 0 ? QStringLiteral("依頼No %1: エラーのため印字データは出力されませんでした。").arg(request)
                              : QStringLiteral("依頼No %1: 書き出す値札の明細がないため、印字データは出力されませんでした。").arg(request));
    QString text = first
        + QStringLiteral("依頼No %1: 印字データ %2 ファイル、明細 %3 行を出力しました（フォルダ: %4）。")
              .arg(request)
              .arg(o.files.size())
              .arg(o.lines)
              .arg(foldersOf(o.files));
    if (o.failures > 0)
        text += QStringLiteral("\nエラーで出力できなかった札: %1 件").arg(o.failures);
    return text;
}

} // namespace TagReports
