// The window as a desktop program: Enter presses the focused button and
// confirms a prompt, the questions' default answers, Qt's own dialogs in
// Chinese, the icon, the save dialog's folder, and the end of the program
// by its exit command or when its native window is destroyed from outside.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPointer>
#include <QPushButton>
#include <QTest>

#include <functional>

#include <xcb/xcb.h>

#include "GuiTestSupport.h"
#include "frontends/qt/Form1.h"
#include "frontends/qt/QtStartup.h"
#include "frontends/qt/WindowWatch.h"
#include "prompting/PromptTexts.h"

namespace {

using namespace kestrane::test;
using kestrane::Form1;
using kestrane::NativeWindowWatch;

void pressKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent press(QEvent::KeyPress, key, modifiers);
    QKeyEvent release(QEvent::KeyRelease, key, modifiers);
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
}

TEST(WindowKeys, EnterAndKeypadEnterPressTheFocusedButton) {
    Form1 form;
    form.show();
    // With nothing computed, the print command answers with a message.
    const struct {
        const char* what;
        int key;
        Qt::KeyboardModifiers modifiers;
        bool pressed;
    } keys[] = {
        {"Enter", Qt::Key_Return, Qt::NoModifier, true},
        {"keypad Enter", Qt::Key_Enter, Qt::KeypadModifier, true},
        {"Space (as before)", Qt::Key_Space, Qt::NoModifier, true},
        {"Ctrl+Enter", Qt::Key_Return, Qt::ControlModifier, false},
        {"a letter", Qt::Key_A, Qt::NoModifier, false},
    };
    auto* print = form.findChild<QPushButton*>("Command3");
    for (const auto& k : keys) {
        SCOPED_TRACE(k.what);
        const auto messages = closingDialogs([&] {
            print->setFocus();
            pressKey(print, k.key, k.modifiers);
        });
        EXPECT_EQ(messages.size(), k.pressed ? 1u : 0u);
    }
}

// Enter on the focused start button runs a computation; Enter in a prompt's
// text box confirms it; Enter in the give-up question keeps the computation.
TEST(WindowKeys, EnterRunsConfirmsAndKeepsTheComputation) {
    Form1 form;
    form.show();
    std::vector<std::string> prompts;
    int questions = 0;
    DialogDriver driver([&](QWidget* dialog) {
        if (auto* input = qobject_cast<QInputDialog*>(dialog)) {
            prompts.push_back(input->labelText().toStdString());
            auto* box = input->findChild<QLineEdit*>();
            if (prompts.size() == 1) {
                box->setText(QStringLiteral("3"));
                box->setFocus();
                pressKey(box, Qt::Key_Return);  // confirms
            } else {
                input->reject();  // no value: the give-up question follows
            }
        } else if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            ++questions;
            EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::No));
            EXPECT_EQ(box->button(QMessageBox::Yes)->text(), QStringLiteral("是(&Y)"));
            EXPECT_EQ(box->button(QMessageBox::No)->text(), QStringLiteral("否(&N)"));
            if (questions == 1) {
                pressKey(box, Qt::Key_Return);  // the default: go on entering
            } else {
                // The focused button takes Enter.
                box->button(QMessageBox::Yes)->setFocus();
                pressKey(box->button(QMessageBox::Yes), Qt::Key_Enter, Qt::KeypadModifier);
            }
        }
    });
    auto* start = form.findChild<QPushButton*>("Command1");
    start->setFocus();
    pressKey(start, Qt::Key_Return);
    EXPECT_EQ(prompts, (std::vector<std::string>{kestrane::texts::kTriangleCount, kestrane::texts::kTolerance,
                                                 kestrane::texts::kTolerance}));
    EXPECT_EQ(questions, 2);
    EXPECT_EQ(form.findChild<QLineEdit*>("Text30")->text().toStdString(), " 中心多边形共有3个三角形");
    EXPECT_FALSE(form.running());
}

void completeExample(Form1& form) {
    const DialogDriver driver = answeringPrompts(goldenAnswers("aonly-n3"));
    form.findChild<QPushButton*>("Command1")->click();
    ASSERT_TRUE(form.state().complete);
}

// The desktop keys: F5 starts a computation (its first prompt opens), F1
// opens the guide, and Esc or Ctrl+W close the precision table and the
// picture.
TEST(WindowKeys, F5StartsF1HelpsEscAndCtrlWCloseTheViews) {
    Form1 form;
    form.show();
    QApplication::setActiveWindow(&form);
    std::vector<std::string> opened;
    {
        DialogDriver driver([&](QWidget* dialog) {
            if (auto* input = qobject_cast<QInputDialog*>(dialog)) {
                opened.push_back(input->labelText().toStdString());
                input->reject();
            } else if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
                press(box, QMessageBox::Yes);  // give the computation up
            } else {
                opened.push_back(dialog->objectName().toStdString());
                qobject_cast<QDialog*>(dialog)->reject();
            }
        });
        QTest::keyClick(&form, Qt::Key_F5);
        QTest::qWait(300);  // a button's shortcut clicks it as the mouse would, after its press is shown
        QApplication::setActiveWindow(&form);
        QTest::keyClick(&form, Qt::Key_F1);
    }
    EXPECT_EQ(opened, (std::vector<std::string>{kestrane::texts::kTriangleCount, "guide"}));

    completeExample(form);
    for (void (Form1::*show)() : {&Form1::showPrecisionTable, &Form1::showNetworkPicture}) {
        for (const QKeyCombination keys : {QKeyCombination(Qt::Key_Escape), QKeyCombination(Qt::ControlModifier, Qt::Key_W)}) {
            (form.*show)();
            QPointer<QWidget> view = QApplication::activeWindow() != &form ? QApplication::activeWindow() : nullptr;
            if (!view) view = form.findChild<QWidget*>(show == &Form1::showPrecisionTable ? "precisionTableWindow"
                                                                                          : "networkPictureWindow");
            ASSERT_TRUE(view);
            QApplication::setActiveWindow(view);
            QTest::keyClick(view, keys.key(), keys.keyboardModifiers());
            QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            EXPECT_TRUE(!view || !view->isVisible()) << QKeySequence(keys).toString().toStdString();
        }
    }
}

// Enter in the "save as PDF?" question says yes; the save dialog then starts
// in the folder the last report was saved to.
TEST(WindowKeys, EnterSavesThePdfAndTheSaveDialogRemembersTheFolder) {
    Form1 form;
    form.show();
    form.setPrinterCheck([] { return false; });
    completeExample(form);

    const auto first = scratchFile("first.pdf");
    const QString folder = QString::fromStdString(first.parent_path().string());
    std::vector<QString> startedIn;
    auto print = [&](const std::filesystem::path& target) {
        DialogDriver driver([&](QWidget* dialog) {
            if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
                if (box->button(QMessageBox::Yes)) {
                    EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Yes));
                    pressKey(box, Qt::Key_Return);
                } else {
                    press(box, QMessageBox::Ok);
                }
            } else if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
                startedIn.push_back(files->directory().absolutePath());
                choose(files, target);
            } else {
                dialog->close();
            }
        });
        form.findChild<QPushButton*>("Command3")->click();
    };
    print(first);
    ASSERT_TRUE(std::filesystem::exists(first));
    print(scratchFile("second.pdf"));
    ASSERT_EQ(startedIn.size(), 2u);
    EXPECT_NE(startedIn[0], folder) << "the first time: the documents or home folder";
    EXPECT_EQ(startedIn[1], folder);
}

// Qt's own dialogs speak Chinese whatever the locale (qt6-translations-l10n).
TEST(QtInChinese, FileMessageAndPrintDialogs) {
    QFileDialog files(nullptr, QStringLiteral("保存报告"));
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.setAcceptMode(QFileDialog::AcceptSave);
    QStringList labels;
    for (const QLabel* label : files.findChildren<QLabel*>()) labels << label->text();
    EXPECT_TRUE(labels.contains(QStringLiteral("文件名称(&N)："))) << labels.join(" | ").toStdString();
    const QDialogButtonBox* buttons = files.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("取消"));
    // The question before a file is overwritten.
    EXPECT_TRUE(QCoreApplication::translate("QFileDialog", "%1 already exists.\nDo you want to replace it?")
                    .contains(QStringLiteral("已存在")));

    QMessageBox box(QMessageBox::Question, QStringLiteral("Kestrane"), QStringLiteral("?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QStringLiteral("是(&Y)"));
    EXPECT_EQ(box.button(QMessageBox::No)->text(), QStringLiteral("否(&N)"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("取消"));

    QPrinter printer;
    QPrintDialog print(&printer);
    EXPECT_EQ(print.windowTitle(), QStringLiteral("打印"));
}

TEST(WindowIcon, BuiltInAtTheUsualSizes) {
    const QIcon icon = QApplication::windowIcon();
    ASSERT_FALSE(icon.isNull());
    for (const int size : {16, 32, 48, 256}) EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
    Form1 form;
    EXPECT_FALSE(form.windowIcon().isNull());
    // The drawing itself: the light yellow ground inside a dark red frame.
    const QImage image = icon.pixmap(64, 64).toImage();
    EXPECT_EQ(QColor(image.pixel(32, 6)).name(), QStringLiteral("#ffffc0"));
    EXPECT_EQ(QColor(image.pixel(32, 1)).name(), QStringLiteral("#800000"));
}

// What the X server sends when a window is destroyed.
xcb_destroy_notify_event_t destroyNotify(WId window) {
    xcb_destroy_notify_event_t event{};
    event.response_type = XCB_DESTROY_NOTIFY;
    event.event = static_cast<xcb_window_t>(window);
    event.window = static_cast<xcb_window_t>(window);
    return event;
}

bool deliver(Form1& form, xcb_destroy_notify_event_t event) {
    auto* watch = form.findChild<NativeWindowWatch*>();
    if (!watch) return false;
    return watch->nativeEventFilter("xcb_generic_event_t", &event, nullptr);
}

// The program ends without a question by its exit command, and the same way
// when its native window is destroyed from outside; another window's end
// means nothing.
TEST(WindowDestroyed, FromOutsideTheProgramEndsAsByTheExitCommand) {
    const struct {
        const char* how;
        std::function<void(Form1&)> end;
    } ends[] = {
        {"the exit command", [](Form1& form) { form.findChild<QPushButton*>("Command2")->click(); }},
        {"destroyed from outside",
         [](Form1& form) { EXPECT_FALSE(deliver(form, destroyNotify(form.internalWinId()))); }},
    };
    for (const auto& e : ends) {
        SCOPED_TRACE(e.how);
        Form1 form;
        form.show();
        ASSERT_NE(form.findChild<NativeWindowWatch*>(), nullptr);
        ASSERT_NE(form.internalWinId(), 0u);
        int dialogs = 0;
        closingDialogs([&] {
            QTimer::singleShot(0, [&] { EXPECT_FALSE(deliver(form, destroyNotify(form.internalWinId() + 1))); });
            QTimer::singleShot(200, [] { QCoreApplication::exit(7); });
            EXPECT_EQ(QApplication::exec(), 7);
            EXPECT_TRUE(form.isVisible());

            QTimer::singleShot(0, [&] { e.end(form); });
            // A program that lives on fails, not hangs; the timer goes with the
            // window, so that it cannot end a later test's dialogs.
            QTimer::singleShot(5000, &form, [] { QCoreApplication::exit(99); });
            EXPECT_EQ(QApplication::exec(), 0);
        }, &dialogs);
        EXPECT_FALSE(form.isVisible());
        EXPECT_EQ(dialogs, 0);
    }
}

TEST(WindowDestroyed, DuringAComputationItIsAbandonedAndTheProgramEnds) {
    Form1 form;
    form.show();
    int prompts = 0;
    // Any question or message fails the test.
    const DialogDriver driver = answeringPrompts(goldenAnswers("aonly-n3"), [&](int prompt, QInputDialog*) {
        prompts = prompt;
        if (prompt < 5) return false;
        deliver(form, destroyNotify(form.internalWinId()));  // the open prompt is closed by the program
        return true;
    });
    QTimer::singleShot(0, [&] { form.findChild<QPushButton*>("Command1")->click(); });
    QTimer::singleShot(5000, &form, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_EQ(prompts, 5) << "no prompt after the window is gone";
    EXPECT_FALSE(form.state().complete);
    EXPECT_FALSE(form.running());
    EXPECT_FALSE(form.isVisible());
}

}  // namespace
