#include "common/tasks/ui/UnitField.h"

#include <array>

#include <QComboBox>
#include <QSpinBox>

#include "common/infra/Translate.h"

QString UnitText(TTimeUnit unit)
{
    constexpr std::array kTexts = {TrNoop("seconds(s)"), TrNoop("minute(s)"), TrNoop("hour(s)"),
                                   TrNoop("day(s)")};
    return Tr(kTexts[size_t(unit)]);
}

TUnitField::TUnitField(QWidget* parent, const char* valueName, const char* unitName,
                       std::initializer_list<TTimeUnit> units, TPreset preset)
    : value(new QSpinBox(parent)), unit(new QComboBox(parent)), FPreset(preset)
{
    value->setObjectName(QString::fromLatin1(valueName));
    unit->setObjectName(QString::fromLatin1(unitName));
    value->setMinimum(1);
    for (const TTimeUnit u : units)
        unit->addItem(UnitText(u), int(u));
    QObject::connect(unit, &QComboBox::activated, value, [this] { UnitPicked(); });
}

void TUnitField::Set(const TUnitValue& shown)
{
    unit->setCurrentIndex(qMax(0, unit->findData(int(shown.unit))));
    value->setMaximum(shown.maximum);
    value->setSingleStep(UnitStep(shown.unit));
    value->setValue(shown.value);
    const QString hint = Tr("Number of ") + UnitText(shown.unit);
    value->setToolTip(hint);
    value->setAccessibleName(hint);
    unit->setAccessibleName(Tr("Unit"));
}

TUnitValue TUnitField::Get() const
{
    return {TTimeUnit(unit->currentData().toInt()), value->value(), value->maximum()};
}

void TUnitField::SetEnabled(bool enabled)
{
    value->setEnabled(enabled);
    unit->setEnabled(enabled);
}

void TUnitField::UnitPicked()
{
    Set(FPreset(TTimeUnit(unit->currentData().toInt())));
}
