#include "import/OrderPickUp.h"

#include "store/Connection.h"
#include "store/Database.h"
#include "store/FileTrash.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

QStringList NewOrderFiles::inFolder(const QString &folder)
{
    QStringList out;
    if (folder.isEmpty())
        return out;
    QStringList names = QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot);
    std::sort(names.begin(), names.end());
    for (const QString &name : names)
        out << QDir(folder).absoluteFilePath(name);
    return out;
}

QStringList NewOrderFiles::find(Database &db, const QString &folder)
{
    QStringList out;
    QHash<QString, Seen> kept;
    for (const QString &path : inFolder(folder)) {
        const QFileInfo f(path);
        Seen s = seen_.value(path);
        if (s.size != f.size() || s.modified != f.lastModified() || s.digest.isEmpty()) {
            s.size = f.size();
            s.modified = f.lastModified();
            s.digest = digestOf(path);
        }
        kept.insert(path, s);
        if (s.digest.isEmpty() || !importedBefore(db, s.digest))
            out << path;
    }
    seen_ = kept;   // files gone from the folder are forgotten
    return out;
}

QString NewOrderFiles::digestOf(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    QCryptographicHash hash(QCryptographicHash::Sha1);
    if (!hash.addData(&file))
        return QString();
    return QString::fromLatin1(hash.result().toHex());
}

bool importedBefore(Database &db, const QString &digest)
{
    if (!db.tableExists(QStringLiteral("TBL_IMP_DIGEST")))
        return false;
    return db.scalar(QStringLiteral("Select count(*) From TBL_IMP_DIGEST Where FILE_DIGEST=?"), {digest})
               .toLongLong()
        > 0;
}

QString doneFolderName()
{
    return QStringLiteral("取込済");
}

QString putAway(const QString &path, bool toTrash)
{
    if (toTrash)
        return FileTrash::move(path) ? QStringLiteral("ごみ箱") : QString();
    const QFileInfo source(path);
    const QDir done(source.absoluteDir().filePath(doneFolderName()));
    if (!QDir().mkpath(done.path()))
        return QString();
    // The chain may send the same file name again: an earlier file of that
    // name is never overwritten.
    const QString base = source.completeBaseName();
    const QString suffix = source.suffix().isEmpty() ? QString() : QLatin1Char('.') + source.suffix();
    QString target = done.filePath(source.fileName());
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = done.filePath(QStringLiteral("%1 (%2)%3").arg(base).arg(n).arg(suffix));
    return QFile::rename(path, target) ? target : QString();
}

QString PickedUpFile::line() const
{
    const QString name = QFileInfo(path).fileName();
    switch (outcome) {
    case Imported:
        if (movedTo.isEmpty())
            return QStringLiteral("取り込みました: %1 %2（ファイルを移動できませんでした）").arg(name, batches);
        return QStringLiteral("取り込みました: %1 %2 → %3")
            .arg(name, batches,
                 movedTo == QStringLiteral("ごみ箱") ? movedTo
                                                     : doneFolderName() + QLatin1Char('/')
                                                           + QFileInfo(movedTo).fileName());
    case ImportedBefore:
        return QStringLiteral("取込済みのため飛ばしました: %1").arg(name);
    case NotImported:
        return QStringLiteral("取り込みませんでした: %1").arg(name);
    case Failed:
        return error.isEmpty() ? QStringLiteral("エラー %1: %2").arg(result).arg(name)
                               : QStringLiteral("エラー %1: %2: %3").arg(result).arg(name, error);
    }
    return name;
}

namespace {

// The batches made from the bytes with this digest, with their counts.
QString batchesOf(Database &db, const QString &digest)
{
    QStringList parts;
    Recordset rs = db.query(QStringLiteral("Select D.INDEXNOH1,"
                                           "(Select count(*) From TBL_RD_H2 H2 Where H2.INDEXNOH1=D.INDEXNOH1),"
                                           "(Select count(*) From TBL_RD_BD BD Where BD.INDEXNOH1=D.INDEXNOH1) "
                                           "From TBL_IMP_DIGEST D Where D.FILE_DIGEST=? Order By D.INDEXNOH1"),
                            {digest});
    for (; !rs.eof(); rs.moveNext())
        parts << QStringLiteral("管理No %1（伝票 %2 枚、明細 %3 行）").arg(rs.text(0), rs.text(1), rs.text(2));
    return parts.join(QStringLiteral("、"));
}

} // namespace

QList<PickedUpFile> pickUpOrderFiles(const QString &folder, bool toTrash, const OrderImporter &import,
                                     const std::function<void(const PickedUpFile &)> &each)
{
    QList<PickedUpFile> out;
    NewOrderFiles files;
    for (const QString &path : NewOrderFiles::inFolder(folder)) {
        PickedUpFile f;
        f.path = path;
        const QString digest = files.digestOf(path);
        if (!digest.isEmpty() && importedBefore(RequireConnection(), digest)) {
            f.outcome = PickedUpFile::ImportedBefore;
        } else {
            const ImportAttempt a = import(path);
            f.result = a.result;
            f.error = a.error;
            if (a.result == 0) {
                f.outcome = PickedUpFile::Imported;
                f.batches = batchesOf(RequireConnection(), digest);
                f.movedTo = putAway(path, toTrash);
            } else {
                f.outcome = a.result == 1 ? PickedUpFile::NotImported : PickedUpFile::Failed;
            }
        }
        out << f;
        if (each)
            each(f);
    }
    return out;
}
