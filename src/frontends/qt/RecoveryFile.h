// The recovery file of an unfinished computation: while values are typed the
// window keeps them in a file of its own under the user's data folder, held
// with a lock file, so that nothing confirmed is lost when the program is
// killed, crashes or the machine loses power. A later start offers the files
// whose owner is gone.
#pragma once

#include <QLockFile>
#include <QString>
#include <QStringList>

#include <memory>

#include "state/EntryRecord.h"

namespace kestrane {

class RecoveryFile {
public:
    // Files in `folder` (made when first needed); by default the recovery
    // folder under the user's data folder.
    explicit RecoveryFile(QString folder = defaultFolder());
    ~RecoveryFile();
    RecoveryFile(const RecoveryFile&) = delete;
    RecoveryFile& operator=(const RecoveryFile&) = delete;

    // <AppDataLocation>/recovery
    static QString defaultFolder();

    // Rewrites this window's file atomically with the values; false (with
    // the reason) when it cannot be written.
    bool write(const ObservationValues& values, QString* error = nullptr);
    // Removes this window's file (the computation completed, faulted, was
    // given up or saved).
    void discard();
    // This window's file, whether it exists now or not.
    QString path() const { return path_; }

    // A file left by a window that no longer runs, taken over: its lock is
    // now held by this process until release() or destruction.
    struct Orphan {
        QString path;
        std::unique_ptr<QLockFile> lock;
        void release();  // removes the file and its lock
    };
    // The files of `folder` whose owner is gone, newest first.
    static std::vector<Orphan> orphans(const QString& folder = defaultFolder());

private:
    bool lock();
    QString folder_;
    QString path_;
    std::unique_ptr<QLockFile> lock_;
};

}  // namespace kestrane
