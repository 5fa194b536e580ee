#pragma once
// Deleting every slip, tag, PB master and billing row ("全ての明細を削除").

class Database;
class Dialogs;

// After a question: empties the working tables and restarts the numbering.
// 0 done, 1 declined. All statements apply together or not at all.
int deleteAllData(Database &db, Dialogs &dialogs);
