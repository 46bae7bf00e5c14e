#pragma once

#include <initializer_list>

#include <QString>

#include "common/tasks/ui/TaskSchedLogic.h"

class QComboBox;
class QSpinBox;
class QWidget;

// A number with its unit box ("30" "minute(s)"): picking a unit resets the number to that
// unit's preset; the number's hint names the unit.
class TUnitField {
public:
    using TPreset = TUnitValue (*)(TTimeUnit);
    // The two controls, children of parent, named valueName and unitName; units in list order.
    TUnitField(QWidget* parent, const char* valueName, const char* unitName,
               std::initializer_list<TTimeUnit> units, TPreset preset);
    QSpinBox* value;
    QComboBox* unit;
    // Shows the value in its unit with its maximum.
    void Set(const TUnitValue& shown);
    TUnitValue Get() const;
    void SetEnabled(bool enabled);

private:
    void UnitPicked();
    TPreset FPreset;
};

// The text of a unit for its box ("minute(s)").
QString UnitText(TTimeUnit unit);
