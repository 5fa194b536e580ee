#pragma once
// Deleting every slip, tag, PB master and billing row ("全ての明細を削除").

class Database;
class Dialogs;

// After a question (Cancel preselected: Enter must not empty the database)
// and a backup of both database files: empties the working tables and
// restarts the numbering, then says how many slips and lines went. 0 done,
// 1 declined, else the number of the error that stopped it (a backup that
// could not be made: nothing deleted). All statements apply together or not
// at all.
int deleteAllData(Database &db, Dialogs &dialogs);
