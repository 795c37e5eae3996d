#pragma once
// The user file: the user record as a data stream, in a fixed field order that
// earlier versions of the program also read and write.

#include "account/userrecord.h"

#include <QString>

class QDataStream;

class UserFile final {
public:
    enum class LoadResult { Missing, Complete, Damaged };

    // Folder of the user file, worked out once per process and created if needed.
    static QString folder();
    // Full path of the user file.
    static QString path();

    static void write(QDataStream &stream, const UserRecord &record);
    // Reads the fields in order and stops at the first one the stream cannot
    // deliver, so the fields before it keep what was read and the rest keep
    // their previous values. True when every field was read.
    static bool read(QDataStream &stream, UserRecord &record);

    // Replaces the file at `filePath` as a whole: either the complete new
    // record is there afterwards, or the previous file is untouched.
    static bool save(const QString &filePath, const UserRecord &record);
    static LoadResult load(const QString &filePath, UserRecord &record);
};
