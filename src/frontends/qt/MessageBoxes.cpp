#include "frontends/qt/MessageBoxes.h"

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

}  // namespace kestrane
