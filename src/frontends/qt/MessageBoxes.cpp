#include "frontends/qt/MessageBoxes.h"

#include <QDir>
#include <QPrinter>
#include <QPushButton>

namespace kestrane {

namespace {
const QString kAppTitle = QStringLiteral("Kestrane");
}  // namespace

void inform(QWidget* parent, const QString& text, QMessageBox::Icon icon) {
    QMessageBox box(icon, kAppTitle, text, QMessageBox::Ok, parent);
    box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
    box.exec();
}

bool askYesNo(QWidget* parent, const QString& text, QMessageBox::StandardButton byDefault) {
    QMessageBox box(QMessageBox::Question, kAppTitle, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
    box.button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
    box.setDefaultButton(byDefault);
    return box.exec() == QMessageBox::Yes;
}

GiveUpAnswer askGiveUp(QWidget* parent) {
    QMessageBox box(QMessageBox::Question, kAppTitle,
                    QStringLiteral("没有输入数值。要放弃本次计算吗？\n"
                                   "选择“是”放弃本次计算，选择“否”重新输入；\n"
                                   "选择“保存并放弃”先把已输入的数据保存到观测数据文件，以后打开它可以接着输入。"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Save, parent);
    box.setObjectName(QStringLiteral("giveUp"));
    box.button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
    box.button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
    box.button(QMessageBox::Save)->setText(QStringLiteral("保存并放弃(&S)"));
    // Enter keeps the computation: the user goes on entering.
    box.setDefaultButton(QMessageBox::No);
    switch (box.exec()) {
    case QMessageBox::Yes: return GiveUpAnswer::GiveUp;
    case QMessageBox::Save: return GiveUpAnswer::SaveAndGiveUp;
    default: return GiveUpAnswer::GoOn;
    }
}

UnsavedAnswer askUnsavedChanges(QWidget* parent, const QString& document) {
    QMessageBox box(QMessageBox::Warning, kAppTitle,
                    QStringLiteral("观测数据“%1”在编辑后还没有保存。\n要先保存修改吗？").arg(document),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, parent);
    box.setObjectName(QStringLiteral("unsavedChanges"));
    box.button(QMessageBox::Save)->setText(QStringLiteral("保存(&S)"));
    box.button(QMessageBox::Discard)->setText(QStringLiteral("不保存(&N)"));
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Save: return UnsavedAnswer::Save;
    case QMessageBox::Discard: return UnsavedAnswer::Discard;
    default: return UnsavedAnswer::Cancel;
    }
}

QString savedMessage(const QString& path) { return QStringLiteral("已保存 ") + QDir::toNativeSeparators(path); }

QString printedMessage(const QPrinter& printer) {
    if (!printer.outputFileName().isEmpty()) return savedMessage(printer.outputFileName());
    return QStringLiteral("已送往打印机 ") + printer.printerName();
}

}  // namespace kestrane
