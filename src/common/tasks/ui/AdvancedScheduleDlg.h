#pragma once

#include <functional>
#include <memory>

#include <QDialog>

#include "common/tasks/ui/TaskSchedLogic.h"
#include "common/tasks/ui/UnitField.h"

class QCheckBox;
class QDateEdit;
class QTimeEdit;
class QWidget;

// Expiry, repetition, time limit, catch-up of missed starts and the power and network
// conditions of a scheduled task.
class TAdvancedScheduleDialog : public QDialog {
    Q_OBJECT
public:
    explicit TAdvancedScheduleDialog(QWidget* parent = nullptr);
    ~TAdvancedScheduleDialog() override;
    // Shows the settings; on OK (true) AdvSet holds what was chosen, on Cancel it is unchanged.
    bool Execute(TAdvancedSettings& AdvSet);
    // The controls set from the settings, and the settings the controls hold.
    void Load(const TAdvancedSettings& AdvSet);
    void Save(TAdvancedSettings& AdvSet) const;

    QCheckBox* cbExpire;
    QDateEdit* dpExpire;
    QTimeEdit* dtExpire;
    QCheckBox* cbRepeat;
    QWidget* pnRepeat;
    std::unique_ptr<TUnitField> udInterval;
    std::unique_ptr<TUnitField> udDuration;
    QCheckBox* cbStopAtEnd;
    QCheckBox* cbLimit;
    std::unique_ptr<TUnitField> udLimit;
    QCheckBox* cbReRun;
    QCheckBox* cbPower;
    QCheckBox* cbOnBatteries;
    QCheckBox* cbWakeUp;
    QCheckBox* cbNetwork;

private:
    void UpdateEnabled();
};

// Creates, runs and frees the dialog; true on OK (AdvSet then updated).
bool EditAdvancedSettings(TAdvancedSettings& AdvSet);
// Tests answer the dialog through this hook instead of a person (empty: none).
void SetAdvancedScheduleAnswerHook(std::function<void(TAdvancedScheduleDialog&)> hook);
