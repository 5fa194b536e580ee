#pragma once
// The settings a tag run reads, gathered by the caller for each run so that
// the export itself never opens a settings file.

#include <QString>
#include <QtGlobal>

struct TagSettings {
    QString appFolder;     // TAG_CSV (data files), LAYOUT (layouts) and Pict (pictures) live here
    QString labelProgram;  // Conf.DAT BarTender/BTD_PATH: the label program started after a run
    qint32 taxRate = 5;    // Gyoum.ini ZEIRITSU: consumption tax in whole percent
    QString writePath;     // Conf.ini Write_Path: root of the request folders
};

// The settings as the files hold them now.
TagSettings readTagSettings();
