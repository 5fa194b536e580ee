#pragma once
// The import list viewer's two lists: the batches whose assortment lists,
// or whose slips, have not been printed yet. A batch whose stamp is Null
// rather than empty text is not listed, and the rows come in the engine's
// order (the statement has none).

#include <QString>

namespace ImportList {

enum class Pending { AssortmentLists, Slips };

QString pendingSql(Pending which);

// What the viewer says of the list it shows: its name and what it holds,
// or "該当するデータはありません" when nothing waits.
QString listCaption(Pending which, int rows);

// "出力する明細は存在しません。", shown with the title "出力明細無し".
inline QString emptyText() { return QStringLiteral("出力する明細は存在しません。"); }
inline QString emptyTitle() { return QStringLiteral("出力明細無し"); }

} // namespace ImportList
