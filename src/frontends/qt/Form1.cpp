#include "frontends/qt/Form1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QUndoStack>
#include <QStatusBar>
#include <QStyle>

#include <algorithm>
#include <cmath>
#include <vector>

#include "adjustment/PointPrecision.h"
#include "driver/ComputationDriver.h"
#include "frontends/qt/EnterKey.h"
#include "frontends/qt/FittedText.h"
#include "frontends/qt/MessageBoxes.h"
#include "frontends/qt/ObservationEditor.h"
#include "frontends/qt/OutputGuard.h"
#include "frontends/qt/PainterReportPrinter.h"
#include "frontends/qt/QtFonts.h"
#include "frontends/qt/WindowWatch.h"

namespace kestrane {

namespace {

const QString kAppTitle = QStringLiteral("Kestrane");

int pixels(int twips) { return twips / layout::kTwipsPerPixel; }

QColor colourOf(layout::Rgb rgb) { return QColor::fromRgb(static_cast<QRgb>(rgb)); }

QString qs(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

// ---------------------------------------------------------------------------

CaptionLabel::CaptionLabel(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setMargin(0);
    setIndent(0);
    design_ = font();
}

void CaptionLabel::setCaption(const QString& caption) {
    caption_ = caption;
    rewrap();
}

void CaptionLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    // A font set from outside is the new design font.
    if (event->type() == QEvent::FontChange && !refitting_) {
        design_ = font();
        rewrap();
    }
}

void CaptionLabel::resizeEvent(QResizeEvent* event) {
    QLabel::resizeEvent(event);
    rewrap();
}

// The caption wraps at its blanks; what still does not fit is drawn smaller,
// and shows whole in the tooltip.
void CaptionLabel::rewrap() {
    const FittedCaption fitted = fitCaption(caption_, design_, size());
    lines_ = fitted.lines;
    baseline_ = fitted.baseline;
    if (fitted.font != font()) {
        refitting_ = true;
        setFont(fitted.font);
        refitting_ = false;
    }
    fitted_ = fitted.font != design_ || fitted.cut;
    setText(lines_.join(QLatin1Char('\n')));
    setStale(stale_);
}

void CaptionLabel::setStale(bool stale) {
    stale_ = stale;
    QStringList tip;
    if (fitted_) tip << caption_.trimmed();
    if (stale_) tip << kStaleFigureNote;
    setToolTip(tip.join(QLatin1Char('\n')));
    update();
}

// The lines stand at the pitch of the design font (1.2 times its size),
// whatever the line height of the face that supplies the Chinese glyphs, so
// that two lines fit a label made for two.
void CaptionLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setFont(font());
    painter.setPen(stale_ ? staleTextColour() : palette().color(QPalette::WindowText));
    const int pitch = captionLinePitch(font());
    for (int i = 0; i < lines_.size(); ++i) painter.drawText(QPoint(0, baseline_ + i * pitch), lines_[i]);
}

// ---------------------------------------------------------------------------

LineShape::LineShape(QWidget* parent, const layout::Line& line)
    : QWidget(parent),
      from_(pixels(line.x1), pixels(line.y1)),
      to_(pixels(line.x2), pixels(line.y2)),
      width_(line.width),
      colour_(colourOf(line.colour)) {
    setObjectName(QString::fromUtf8(line.name));
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    const int pad = width_ / 2 + 1;
    setGeometry(QRect(from_, to_).normalized().adjusted(-pad, -pad, pad, pad));
    origin_ = pos();
}

void LineShape::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(colour_, width_, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(from_ - origin_, to_ - origin_);
}

// ---------------------------------------------------------------------------

std::optional<std::string> QtPromptService::ask(const std::string& prompt, const std::string& title) {
    if (ending_) return std::nullopt;
    QInputDialog dialog(parent_);
    dialog.setObjectName(QStringLiteral("prompt"));
    dialog.setWindowTitle(title.empty() ? kAppTitle : qs(title));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setLabelText(qs(prompt));
    dialog.setTextValue(QString());
    dialog.setOkButtonText(QStringLiteral("确定"));
    dialog.setCancelButtonText(QStringLiteral("取消"));
    (void)dialog.labelText();  // lays the dialog out
    placement_.place(dialog, *parent_);
    const int result = dialog.exec();
    placement_.closed(dialog, *parent_);
    if (result != QDialog::Accepted || ending_) return std::nullopt;
    return dialog.textValue().toStdString();
}

void QtPromptService::showMessage(const std::string& text) {
    if (!ending_) inform(parent_, qs(text), QMessageBox::Warning);
}

bool QtPromptService::confirmAbandon() {
    if (ending_) return true;
    for (;;) {
        switch (askGiveUp(parent_)) {
        case GiveUpAnswer::GoOn: return false;
        case GiveUpAnswer::GiveUp: return true;
        case GiveUpAnswer::SaveAndGiveUp:
            // Given up only once the values are saved; a save dialog that was
            // cancelled asks again.
            if (saveBeforeGivingUp_ && saveBeforeGivingUp_()) return true;
            break;
        }
    }
}

void QtPromptService::endNow() {
    ending_ = true;
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) dialog->reject();
}

// ---------------------------------------------------------------------------

Form1::Form1(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(kAppTitle);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, colourOf(layout::kWindowColour));
    setPalette(palette);
    setAutoFillBackground(true);
    setFont(screenFont(layout::kDefaultFont));
    buildControls();
    resize(pixels(layout::kClientWidth), pixels(layout::kClientHeight));
    // Small enough for any screen; the layout scrolls inside.
    setMinimumSize(360, 240);
    fields_.setObserver(this);
    printerCheck_ = [] { return !QPrinterInfo::availablePrinters().isEmpty(); };
    new NativeWindowWatch(this, [this] { windowLost(); });
    buildMenu();
    recovery_ = std::make_unique<RecoveryFile>();
    record_.setListener([this] {
        if (typing_) keepRecovery();
    });
    dialogs_.setSaveBeforeGivingUp([this] { return saveEnteredValues(); });
}

Form1::~Form1() {
    fields_.setObserver(nullptr);
    // The editor's undo stack still speaks while the children go.
    if (editor_) editor_->undoStack()->disconnect(this);
}

void Form1::buildControls() {
    std::vector<std::pair<int, QWidget*>> tabOrder;
    auto place = [](QWidget* widget, const layout::Control& c) {
        widget->setObjectName(QString::fromUtf8(c.name));
        widget->setGeometry(pixels(c.left), pixels(c.top), pixels(c.width), pixels(c.height));
        widget->setFont(screenFont(*c.font));
    };
    // Labels first, the lines over them, the fields and buttons on top.
    for (const layout::Control& c : layout::controls()) {
        if (c.kind != layout::Kind::Label) continue;
        auto* label = new CaptionLabel(this);
        place(label, c);
        label->setCaption(QString::fromUtf8(c.caption));
        labels_.insert(label->objectName(), label);
        designCaptions_.insert(label->objectName(), label->caption());
    }
    for (const layout::Line& line : layout::lines()) new LineShape(this, line);
    for (const layout::Control& c : layout::controls()) {
        if (c.kind == layout::Kind::Field) {
            auto* field = new FittingField(this);
            place(field, c);
            // Output only: the computation writes here and never reads back.
            field->setReadOnly(true);
            textFields_.insert(field->objectName(), field);
            tabOrder.emplace_back(c.tabIndex, field);
        } else if (c.kind == layout::Kind::Button) {
            auto* button = new QPushButton(QString::fromUtf8(c.caption), this);
            place(button, c);
            button->setAutoDefault(false);
            pressOnEnter(button);
            if (c.background != layout::kDefaultColour) {
                QPalette palette = button->palette();
                palette.setColor(QPalette::Button, colourOf(c.background));
                button->setPalette(palette);
            }
            tabOrder.emplace_back(c.tabIndex, button);
        }
    }
    std::stable_sort(tabOrder.begin(), tabOrder.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (std::size_t i = 1; i < tabOrder.size(); ++i) setTabOrder(tabOrder[i - 1].second, tabOrder[i].second);
    for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) laidOut_.emplace_back(child, child->pos());

    // Shown only while the window is smaller than its layout.
    horizontal_ = new QScrollBar(Qt::Horizontal, this);
    horizontal_->setObjectName(QStringLiteral("formScrollX"));
    vertical_ = new QScrollBar(Qt::Vertical, this);
    vertical_->setObjectName(QStringLiteral("formScrollY"));
    for (QScrollBar* bar : {horizontal_, vertical_}) {
        bar->hide();
        bar->setFocusPolicy(Qt::NoFocus);
        connect(bar, &QScrollBar::valueChanged, this, &Form1::scrollLayout);
    }

    connect(findChild<QPushButton*>(QStringLiteral("Command1")), &QPushButton::clicked, this, &Form1::Command1_Click);
    // F5 starts a computation; the caption stays as designed (Ctrl+P prints
    // through the menu).
    findChild<QPushButton*>(QStringLiteral("Command1"))->setShortcut(QKeySequence(Qt::Key_F5));
    connect(findChild<QPushButton*>(QStringLiteral("Command2")), &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(findChild<QPushButton*>(QStringLiteral("Command3")), &QPushButton::clicked, this, &Form1::Command3_Click);
}

namespace {

// The fields of the weakest point's figures: 1/px, 1/py, mx, my and md.
bool isWeakestPointField(const QString& name) {
    static const QStringList fields = {QStringLiteral("Text20"), QStringLiteral("Text21"), QStringLiteral("Text22"),
                                       QStringLiteral("Text23"), QStringLiteral("Text24")};
    return fields.contains(name);
}

}  // namespace

QStringList weakestPointNote(const AdjustmentState& state) {
    if (state.triangleCount < 1) return {};
    const WeakestPoint weakest = weakestPoint(state);
    QStringList note{QStringLiteral("最弱点: %1 (外点 %2)").arg(qs(weakest.name).trimmed()).arg(weakest.outerPoint)};
    if (weakest.knownB) note << QStringLiteral("该点即已知点 B");
    return note;
}

void Form1::textChanged(const std::string& name, const std::string& value) {
    if (auto* field = qobject_cast<FittingField*>(textFields_.value(qs(name)))) {
        field->setText(qs(value));
        field->setCursorPosition(0);
        if (isWeakestPointField(field->objectName())) field->setNotes(weakestPointNote(state_));
        field->setStale(false);
    }
}

void Form1::captionChanged(const std::string& name, const std::string& value) {
    if (CaptionLabel* label = labels_.value(qs(name))) {
        label->setCaption(qs(value));
        label->setStale(false);
    }
}

void Form1::markFiguresStale() {
    for (QLineEdit* field : std::as_const(textFields_)) {
        if (auto* fitting = qobject_cast<FittingField*>(field)) fitting->setStale(!fitting->text().isEmpty());
    }
    for (auto label = labels_.cbegin(); label != labels_.cend(); ++label) {
        label.value()->setStale(label.value()->caption() != designCaptions_.value(label.key()));
    }
}

QPoint Form1::scrollOffset() const {
    return {horizontal_->isVisible() ? horizontal_->value() : 0, vertical_->isVisible() ? vertical_->value() : 0};
}

void Form1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeScrollBars();
}

// The layout takes the window above the status bar; where the window is
// smaller, scroll bars appear at its right and bottom edges, below the menu
// bar, and every control can be scrolled into view.
void Form1::placeScrollBars() {
    if (!horizontal_) return;
    auto* menu = findChild<QMenuBar*>(QStringLiteral("menuBar"), Qt::FindDirectChildrenOnly);
    const int top = menu ? menu->height() : 0;
    const int statusHeight = statusBar_ ? statusBar_->height() : 0;
    if (menu) menu->setGeometry(0, 0, width(), menu->height());
    if (statusBar_) statusBar_->setGeometry(0, height() - statusHeight, width(), statusHeight);

    const QSize content(pixels(layout::kClientWidth), pixels(layout::kClientHeight));
    const int thickness = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    int roomWidth = width();
    int roomHeight = height() - statusHeight;
    bool needX = false, needY = false;
    for (int pass = 0; pass < 2; ++pass) {
        needX = content.width() > roomWidth;
        needY = content.height() > roomHeight;
        roomWidth = width() - (needY ? thickness : 0);
        roomHeight = height() - statusHeight - (needX ? thickness : 0);
    }
    horizontal_->setRange(0, needX ? content.width() - roomWidth : 0);
    horizontal_->setPageStep(std::max(1, roomWidth));
    horizontal_->setSingleStep(20);
    horizontal_->setGeometry(0, roomHeight, roomWidth, thickness);
    horizontal_->setVisible(needX);
    vertical_->setRange(0, needY ? content.height() - roomHeight : 0);
    vertical_->setPageStep(std::max(1, roomHeight - top));
    vertical_->setSingleStep(20);
    vertical_->setGeometry(roomWidth, top, thickness, std::max(0, roomHeight - top));
    vertical_->setVisible(needY);
    scrollLayout();
    // Over the scrolled layout, each on a ground of its own.
    for (QWidget* over : {static_cast<QWidget*>(menu), static_cast<QWidget*>(statusBar_),
                          static_cast<QWidget*>(horizontal_), static_cast<QWidget*>(vertical_)}) {
        if (!over) continue;
        over->setAutoFillBackground(true);
        over->raise();
    }
}

void Form1::scrollLayout() {
    const QPoint offset = scrollOffset();
    for (const auto& [control, place] : laidOut_) control->move(place - offset);
}

void Form1::Command1_Click() {
    if (running_ || !settleUnsavedChanges()) return;
    // Typed values are a new document, without a file until saved.
    documentFile_.clear();
    unsavedElsewhere_ = false;
    runComputation({});
}

void Form1::Command2_Click() {
    endingNow_ = true;
    close();
    QCoreApplication::quit();
}

void Form1::windowLost() {
    lost_ = true;
    // A computation in progress is abandoned at once; the program ends when
    // it has unwound.
    if (running_) {
        dialogs_.endNow();
        return;
    }
    Command2_Click();
}

void Form1::Command3_Click() {
    if (running_) return;
    if (!state_.complete) {
        inform(this, QStringLiteral("没有可打印的结果：请先完成一次计算。"));
        return;
    }
    if (printerCheck_ && printerCheck_()) {
        printOnPrinter();
    } else if (askYesNo(this, QStringLiteral("没有安装打印机。要把报告保存为 PDF 文件吗？"), QMessageBox::Yes)) {
        saveAsPdf();
    }
}

void Form1::printOnPrinter() {
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(kAppTitle);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("打印报告"));
    if (dialog.exec() != QDialog::Accepted || refusedAsOutput(this, printer.outputFileName())) return;
    QString error;
    if (paintReport(state_, printer, &error) == 0) {
        inform(this, error, QMessageBox::Warning);
    } else {
        confirm(printedMessage(printer));
    }
}

void Form1::saveAsPdf() {
    const QString path = chooseSavePath(
        QStringLiteral("保存报告"), defaultFileName(QStringLiteral(".pdf"), QStringLiteral("kestrane-report.pdf")),
        QStringLiteral("PDF 文件 (*.pdf)"), QStringLiteral("pdf"), QStringLiteral("savePdf"));
    if (path.isEmpty() || refusedAsOutput(this, path)) return;
    QString error;
    if (writeReportPdf(state_, path, &error) == 0) {
        inform(this, error, QMessageBox::Warning);
    } else {
        confirm(savedMessage(path));
        inform(this, QStringLiteral("报告已保存为 PDF 文件：\n") + QDir::toNativeSeparators(path));
    }
}

void Form1::closeEvent(QCloseEvent* event) {
    if (running_) {
        event->ignore();
        return;
    }
    // Closed by the user: unsaved changes are asked about; 退出计算 and a
    // window destroyed from outside end at once.
    if (!endingNow_ && !lost_ && !settleUnsavedChanges()) {
        event->ignore();
        return;
    }
    QWidget::closeEvent(event);
}

}  // namespace kestrane
