#pragma once
// Cancelling a closing calculation under way ("締日計算処理の解除").

class Database;
class Dialogs;

// Clears the closing dates under way and the billing rows selected for
// them, after a question. 0 done, 1 nothing under way or declined.
int cancelClosing(Database &db, Dialogs &dialogs);
