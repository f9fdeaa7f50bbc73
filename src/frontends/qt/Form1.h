// The main window: the fixed panel of fields and labels, the three commands
// and the three drawings of the network. It holds the one adjustment state
// and binds the named fields of the computation to its controls.
#pragma once

#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include <functional>
#include <memory>

#include "frontends/qt/PromptPlacement.h"
#include "frontends/qt/WindowLayout.h"
#include "state/AdjustmentState.h"
#include "state/Services.h"

class QPushButton;

namespace kestrane {

// A label whose caption wraps at its blanks onto further lines when it is
// wider than the label, and nowhere else; a caption that still does not fit
// is drawn smaller (see FittedText.h).
class CaptionLabel : public QLabel {
    Q_OBJECT
public:
    explicit CaptionLabel(QWidget* parent);
    void setCaption(const QString& caption);
    const QString& caption() const { return caption_; }
    // The font of the layout; font() is the font the caption is drawn in.
    const QFont& designFont() const { return design_; }
    // The caption's lines as drawn, and the first one's baseline (pixels
    // from the top).
    const QStringList& lines() const { return lines_; }
    int baseline() const { return baseline_; }

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void rewrap();
    QString caption_;
    QStringList lines_;
    QFont design_;
    int baseline_ = 0;
    bool refitting_ = false;
};

// A straight line of the form, drawn between two points given in the
// window's pixels; it takes no mouse input.
class LineShape : public QWidget {
    Q_OBJECT
public:
    LineShape(QWidget* parent, const layout::Line& line);
    QPoint from() const { return from_; }
    QPoint to() const { return to_; }
    int lineWidth() const { return width_; }
    QColor colour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPoint from_, to_;  // in the parent's pixels
    int width_;
    QColor colour_;
};

// The modal prompts of a computation as Qt dialogs, all of one size and
// standing beside the window (PromptPlacement.h).
class QtPromptService : public PromptService {
public:
    explicit QtPromptService(QWidget* parent) : parent_(parent) {}
    std::optional<std::string> ask(const std::string& prompt, const std::string& title) override;
    void showMessage(const std::string& text) override;
    bool confirmAbandon() override;
    // Closes the open dialog and abandons the computation without another
    // question: the program is ending.
    void endNow();

private:
    QWidget* parent_;
    PromptPlacement placement_;
    bool ending_ = false;
};

class Form1 : public QWidget, private FieldObserver {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    const AdjustmentState& state() const { return state_; }
    bool running() const { return running_; }

    // The prompt service of the next computations (the Qt dialogs unless
    // replaced); not owned.
    void setPromptService(PromptService* prompt) { prompt_ = prompt ? prompt : &dialogs_; }
    // Whether a printer is installed; the print command asks this each time.
    void setPrinterCheck(std::function<bool()> check) { printerCheck_ = std::move(check); }

    // The three commands.
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

    // The native window was destroyed from outside: the program ends as by
    // Command2, after abandoning a computation in progress.
    void windowLost();

protected:
    // While a computation runs the window cannot be closed.
    void closeEvent(QCloseEvent* event) override;

private:
    void textChanged(const std::string& name, const std::string& value) override;
    void captionChanged(const std::string& name, const std::string& value) override;
    void buildControls();
    void printOnPrinter();
    void saveAsPdf();

    AdjustmentState state_;
    WindowFields fields_;
    QtPromptService dialogs_{this};
    PromptService* prompt_ = &dialogs_;
    std::function<bool()> printerCheck_;
    QHash<QString, QLineEdit*> textFields_;
    QHash<QString, CaptionLabel*> labels_;
    QString lastPdfFolder_;  // where the last report was saved, this session
    bool running_ = false;
    bool lost_ = false;
};

}  // namespace kestrane
