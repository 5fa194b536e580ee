#pragma once
// File copy and delete as the desktop does them; a delete may go to the
// desktop's trash, so an imported file can be fetched back.

#include <QString>

class ClsFileOP {
public:
    QString fromFile;
    QString toFile;

    // Copies fromFile to toFile, replacing it. True on success.
    bool Copy(bool KakuninMSG = false, bool KeikaDialog = false);
    // Deletes fromFile; with Trash it goes to the desktop's trash. True on success.
    bool Delete(bool KakuninMSG = false, bool KeikaDialog = false, bool Trash = true);
};
