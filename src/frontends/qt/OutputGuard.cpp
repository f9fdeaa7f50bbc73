#include "frontends/qt/OutputGuard.h"

#include <QDir>
#include <QWidget>

#include "files/FileIdentity.h"
#include "frontends/qt/Form1.h"
#include "frontends/qt/MessageBoxes.h"

namespace kestrane {

bool refusedAsOutput(QWidget* window, const QString& path) {
    const Form1* form = nullptr;
    for (QWidget* w = window; w && !form; w = w->parentWidget()) form = qobject_cast<const Form1*>(w);
    if (!form || form->observationFile().isEmpty() || path.isEmpty()) return false;
    if (!sameFile(QDir::toNativeSeparators(path).toStdString(),
                  QDir::toNativeSeparators(form->observationFile()).toStdString())) {
        return false;
    }
    inform(window,
           QStringLiteral("不能保存到“%1”：这是本窗口打开或保存的观测数据文件，写入会覆盖观测数据。\n请另选一个文件名。")
               .arg(QDir::toNativeSeparators(path)),
           QMessageBox::Warning);
    return true;
}

}  // namespace kestrane
