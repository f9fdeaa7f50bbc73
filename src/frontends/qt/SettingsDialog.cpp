#include "frontends/qt/SettingsDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "prompting/NumberReader.h"
#include "state/NumberFormat.h"

namespace kestrane {

namespace {

QString numberText(double value) { return QString::fromStdString(shortestText(value)); }

// A number as the prompts read it; full-width digits and points (typed with
// a Chinese input method) read as their ASCII forms.
std::optional<double> number(const QString& text) {
    return readNumber(text.normalized(QString::NormalizationForm_KC).trimmed().toStdString());
}

}  // namespace

SettingsForm settingsForm(const AprioriSettings& s) {
    SettingsForm form;
    form.rigorous = s.rigorous();
    if (s.angleSd) form.angle = numberText(*s.angleSd);
    if (s.sideSd) {
        form.mm = numberText(s.sideSd->mm);
        if (s.sideSd->ppm) {
            form.withPpm = true;
            form.ppm = numberText(*s.sideSd->ppm);
        }
    }
    return form;
}

std::optional<AprioriSettings> readSettingsForm(const SettingsForm& form, const AprioriSettings& before,
                                                QString* error) {
    auto refuse = [&](const QString& reason) -> std::optional<AprioriSettings> {
        if (error) *error = reason;
        return std::nullopt;
    };
    AprioriSettings s;
    const Weighting weighting = form.rigorous ? Weighting::Rigorous : Weighting::Classic;
    // The default left as it is stays a default; a choice is written.
    if (before.weighting || weighting != Weighting::Classic) s.weighting = weighting;

    if (!form.angle.trimmed().isEmpty()) {
        const std::optional<double> angle = number(form.angle);
        if (!angle || !validAngleError(*angle)) {
            return refuse(QStringLiteral("测角中误差应为大于 0 的秒数；留空则取测角限差。"));
        }
        s.angleSd = *angle;
    }

    const bool mmEmpty = form.mm.trimmed().isEmpty();
    const bool ppmEmpty = !form.withPpm || form.ppm.trimmed().isEmpty();
    if (!form.withPpm && !mmEmpty) {
        const std::optional<double> mm = number(form.mm);
        if (!mm || !validSideError({*mm, std::nullopt})) {
            return refuse(QStringLiteral("测边中误差应为大于 0 的毫米数；留空则按限差推算。"));
        }
        s.sideSd = SideErrorModel{*mm, std::nullopt};
    } else if (form.withPpm && !(mmEmpty && ppmEmpty)) {
        if (mmEmpty || ppmEmpty) {
            return refuse(QStringLiteral("“毫米 + ppm”须同时填写毫米数和 ppm 数；都留空则按限差推算。"));
        }
        const std::optional<double> mm = number(form.mm);
        const std::optional<double> ppm = number(form.ppm);
        if (!mm || !ppm) return refuse(QStringLiteral("测边中误差的毫米数和 ppm 数应为数字。"));
        const SideErrorModel model{*mm, *ppm};
        if (!validSideError(model)) return refuse(QStringLiteral("毫米数和 ppm 数都不能为负，也不能同时为 0。"));
        s.sideSd = model;
    }
    return s;
}

SettingsDialog::SettingsDialog(const AprioriSettings& current, QWidget* parent)
    : QDialog(parent), before_(current), result_(current) {
    setObjectName(QStringLiteral("settingsDialog"));
    setWindowTitle(QStringLiteral("平差设置"));

    weighting_ = new QComboBox(this);
    weighting_->setObjectName(QStringLiteral("weightingBox"));
    weighting_->addItems({QStringLiteral("按限差定权"), QStringLiteral("严密定权")});
    weighting_->setToolTip(QStringLiteral("成果（座标、报告、精度表和网图）所用的定权方式"));

    angle_ = new QLineEdit(this);
    angle_->setObjectName(QStringLiteral("angleSdField"));
    angle_->setPlaceholderText(QStringLiteral("留空: 取测角限差"));

    sideModel_ = new QComboBox(this);
    sideModel_->setObjectName(QStringLiteral("sideModelBox"));
    sideModel_->addItems({QStringLiteral("毫米"), QStringLiteral("毫米 + ppm")});
    mm_ = new QLineEdit(this);
    mm_->setObjectName(QStringLiteral("sideMmField"));
    mm_->setPlaceholderText(QStringLiteral("留空: 按限差推算"));
    ppm_ = new QLineEdit(this);
    ppm_->setObjectName(QStringLiteral("sidePpmField"));
    ppmUnit_ = new QLabel(QStringLiteral("ppm"), this);
    auto* side = new QHBoxLayout;
    side->addWidget(sideModel_);
    side->addWidget(mm_, 1);
    side->addWidget(new QLabel(QStringLiteral("毫米"), this));
    plus_ = new QLabel(QStringLiteral("+"), this);
    side->addWidget(plus_);
    side->addWidget(ppm_, 1);
    side->addWidget(ppmUnit_);
    connect(sideModel_, &QComboBox::currentIndexChanged, this, [this] { sideModelChanged(); });

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("定权方式:"), weighting_);
    fields->addRow(QStringLiteral("测角中误差 (″):"), angle_);
    fields->addRow(QStringLiteral("测边中误差:"), side);

    auto* note = new QLabel(
        QStringLiteral("按限差定权: 边的权由测角限差导出；边长中误差以毫米计，边长条件却以米计，\n"
                       "    所以边几乎不受检核。\n"
                       "严密定权: 角和边的权都由上面的中误差按条件的单位求得。\n"
                       "质量检核总按严密定权计算；这里选的定权方式决定显示的成果。\n"
                       "修改后，已完成的计算用原来的观测数据重新计算。"),
        this);
    note->setObjectName(QStringLiteral("settingsNote"));
    note->setWordWrap(true);

    error_ = new QLabel(this);
    error_->setObjectName(QStringLiteral("settingsError"));
    error_->setWordWrap(true);
    QPalette red = error_->palette();
    red.setColor(QPalette::WindowText, QColor(190, 0, 0));
    error_->setPalette(red);
    // Room for the reason kept from the start: the note above never has to
    // give way to it.
    error_->setMinimumHeight(2 * error_->fontMetrics().lineSpacing());
    error_->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &SettingsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &SettingsDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addWidget(note);
    layout->addWidget(error_);
    layout->addWidget(buttons);

    setForm(settingsForm(current));
    setMinimumWidth(600);
    layout->setSizeConstraint(QLayout::SetMinimumSize);
}

SettingsForm SettingsDialog::form() const {
    SettingsForm form;
    form.rigorous = weighting_->currentIndex() == 1;
    form.angle = angle_->text();
    form.withPpm = sideModel_->currentIndex() == 1;
    form.mm = mm_->text();
    form.ppm = ppm_->text();
    return form;
}

void SettingsDialog::setForm(const SettingsForm& form) {
    weighting_->setCurrentIndex(form.rigorous ? 1 : 0);
    angle_->setText(form.angle);
    sideModel_->setCurrentIndex(form.withPpm ? 1 : 0);
    mm_->setText(form.mm);
    ppm_->setText(form.ppm);
    sideModelChanged();
}

QString SettingsDialog::errorText() const { return error_->text(); }

void SettingsDialog::sideModelChanged() {
    const bool withPpm = sideModel_->currentIndex() == 1;
    // The proportional part only with the instrument's figures.
    for (QWidget* part : {static_cast<QWidget*>(plus_), static_cast<QWidget*>(ppm_), static_cast<QWidget*>(ppmUnit_)}) {
        part->setVisible(withPpm);
    }
    mm_->setPlaceholderText(withPpm ? QString() : QStringLiteral("留空: 按限差推算"));
}

void SettingsDialog::accept() {
    QString reason;
    const std::optional<AprioriSettings> read = readSettingsForm(form(), before_, &reason);
    if (!read) {
        error_->setText(reason);
        return;
    }
    error_->clear();
    result_ = *read;
    QDialog::accept();
}

}  // namespace kestrane
