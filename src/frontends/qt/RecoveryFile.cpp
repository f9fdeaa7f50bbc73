#include "frontends/qt/RecoveryFile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

#include "files/ObservationFile.h"

namespace kestrane {

namespace {
const QString kSuffix = QStringLiteral(".kestrane.toml");
QString lockPathOf(const QString& file) { return file + QStringLiteral(".lock"); }
}  // namespace

QString RecoveryFile::defaultFolder() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)).filePath(QStringLiteral("recovery"));
}

RecoveryFile::RecoveryFile(QString folder) : folder_(std::move(folder)) {
    // One file per running window: the process and the moment it started.
    const QString name = QStringLiteral("unfinished-%1-%2")
                             .arg(QCoreApplication::applicationPid())
                             .arg(QDateTime::currentMSecsSinceEpoch());
    path_ = QDir(folder_).filePath(name + kSuffix);
}

RecoveryFile::~RecoveryFile() {
    // A window that closes normally has nothing left to recover.
    discard();
}

bool RecoveryFile::lock() {
    if (lock_) return true;
    if (!QDir().mkpath(folder_)) return false;
    auto file = std::make_unique<QLockFile>(lockPathOf(path_));
    file->setStaleLockTime(0);  // stale only when its process is gone
    if (!file->tryLock(0)) return false;
    lock_ = std::move(file);
    return true;
}

bool RecoveryFile::write(const ObservationValues& values, QString* error) {
    if (!lock()) {
        if (error) *error = QStringLiteral("无法在 %1 中保存恢复文件。").arg(folder_);
        return false;
    }
    std::string message;
    if (!writeObservationFile(path_.toStdString(), values, message)) {
        if (error) *error = QString::fromStdString(message);
        return false;
    }
    return true;
}

void RecoveryFile::discard() {
    QFile::remove(path_);
    if (lock_) {
        lock_->unlock();
        lock_.reset();
    }
}

void RecoveryFile::Orphan::release() {
    QFile::remove(path);
    if (lock) {
        lock->unlock();
        lock.reset();
    }
}

std::vector<RecoveryFile::Orphan> RecoveryFile::orphans(const QString& folder) {
    std::vector<Orphan> found;
    QFileInfoList files = QDir(folder).entryInfoList({QStringLiteral("*") + kSuffix}, QDir::Files, QDir::Time);
    for (const QFileInfo& info : files) {
        auto lock = std::make_unique<QLockFile>(lockPathOf(info.absoluteFilePath()));
        lock->setStaleLockTime(0);
        // A running window holds its lock; the lock of a window that is gone
        // is stale, and tryLock takes it over.
        if (!lock->tryLock(0)) continue;
        found.push_back({info.absoluteFilePath(), std::move(lock)});
    }
    return found;
}

}  // namespace kestrane
