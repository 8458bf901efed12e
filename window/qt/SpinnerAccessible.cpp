#include "window/qt/SpinnerAccessible.h"

#include <algorithm>
#include <cmath>

#include "window/ControlTable.h"
#include "window/SpinnerScale.h"

namespace {

int Reflect(const QScrollBar& bar, int valueOrPosition) {
    return ReflectInSpinnerRange(bar.minimum(), bar.maximum(), valueOrPosition);
}

}  // namespace

SpinnerAccessible::SpinnerAccessible(QScrollBar* bar)
    : QAccessibleWidget(bar, QAccessible::ScrollBar) {}

QScrollBar* SpinnerAccessible::Bar() const {
    return static_cast<QScrollBar*>(widget());
}

void* SpinnerAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface) {
        return static_cast<QAccessibleValueInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

QString SpinnerAccessible::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Value) {
        return QString::number(currentValue().toInt());
    }
    return QAccessibleWidget::text(kind);
}

QVariant SpinnerAccessible::currentValue() const {
    return Reflect(*Bar(), Bar()->value());
}

// Clamped as a number before it becomes an int: AT-SPI sends a double, and 3e9 must reach the top
// end, not wrap. What is not a number changes nothing.
void SpinnerAccessible::setCurrentValue(const QVariant& value) {
    bool isNumber = false;
    const double number = value.toDouble(&isNumber);
    if (!isNumber || std::isnan(number)) {
        return;
    }
    const double clamped = std::clamp(number, double(Bar()->minimum()), double(Bar()->maximum()));
    Bar()->setValue(Reflect(*Bar(), static_cast<int>(std::lround(clamped))));
}

QVariant SpinnerAccessible::maximumValue() const {
    return Bar()->maximum();
}

QVariant SpinnerAccessible::minimumValue() const {
    return Bar()->minimum();
}

QVariant SpinnerAccessible::minimumStepSize() const {
    return Bar()->singleStep();
}

QAccessibleInterface* CreateSpinnerAccessible(const QString&, QObject* object) {
    auto* bar = qobject_cast<QScrollBar*>(object);
    if (bar == nullptr) {
        return nullptr;
    }
    const ControlSpec* design = FindControl(bar->objectName().toStdString());
    if (design == nullptr || design->kind != ControlKind::ScrollBar) {
        return nullptr;
    }
    return new SpinnerAccessible(bar);
}
