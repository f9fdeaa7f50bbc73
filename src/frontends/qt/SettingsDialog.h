// 计算 → 平差设置…: the a-priori model and the weighting of the results, as
// settings of the observations (not entries). A field left empty is a
// setting not given: its default applies (the tolerance as typed, the
// classic a-priori side error) and it is not written to a file.
#pragma once

#include <QDialog>
#include <QString>

#include <optional>

#include "state/AprioriModel.h"

class QComboBox;
class QLabel;
class QLineEdit;

namespace kestrane {

// What the dialog's fields hold, as texts.
struct SettingsForm {
    bool rigorous = false;   // 严密定权 chosen
    QString angle;           // seconds; empty = the tolerance
    bool withPpm = false;    // 毫米 + ppm chosen
    QString mm, ppm;         // empty (both) = the classic side error
};

// The fields that show the settings.
SettingsForm settingsForm(const AprioriSettings& settings);

// The settings the fields give, or nothing with the reason (Chinese) when a
// field is malformed. A weighting that was not given and is left at its
// default stays not given.
std::optional<AprioriSettings> readSettingsForm(const SettingsForm& form, const AprioriSettings& before,
                                                QString* error);

class SettingsDialog : public QDialog {
    Q_OBJECT
public:
    explicit SettingsDialog(const AprioriSettings& current, QWidget* parent = nullptr);

    // The fields as they stand; the settings they give after accept().
    SettingsForm form() const;
    void setForm(const SettingsForm& form);
    const AprioriSettings& settings() const { return result_; }
    // The reason the fields were refused, or empty.
    QString errorText() const;

public slots:
    // Accepts only fields that read as settings; otherwise the reason shows
    // in the dialog and it stays open.
    void accept() override;

private:
    void sideModelChanged();

    AprioriSettings before_, result_;
    QComboBox* weighting_ = nullptr;
    QLineEdit* angle_ = nullptr;
    QComboBox* sideModel_ = nullptr;
    QLineEdit* mm_ = nullptr;
    QLineEdit* ppm_ = nullptr;
    QLabel* plus_ = nullptr;
    QLabel* ppmUnit_ = nullptr;
    QLabel* error_ = nullptr;
};

}  // namespace kestrane
