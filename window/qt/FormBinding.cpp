#include "window/qt/FormBinding.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>

#include "window/SpinnerScale.h"
#include "window/qt/MainWindow.h"

namespace {

int Reflect(const ScrollBar& bar, int valueOrPosition) {
    return ReflectInSpinnerRange(bar.Min(), bar.Max(), valueOrPosition);
}

}  // namespace

FormBinding::FormBinding(Form1& form, MainWindow& window) : form_(form), window_(window) {
    BindButton("Command1", form.Command1);
    BindButton("Command2", form.Command2);
    BindButton("Command3", form.Command3);
    BindCheckBox("Check1", form.Check1);
    BindCheckBox("Check2", form.Check2);
    BindCheckBox("Check3", form.Check3);
    BindScrollBar("VScroll1", form.VScroll1);
    BindScrollBar("VScroll2", form.VScroll2);
    BindTimer(timer1_, form.Timer1);
    BindTimer(timer2_, form.Timer2);

    form.SetChangeListener([this](ControlId id) { Mirror(id); });
    for (const ControlId id : {ControlId::Check1, ControlId::Check2, ControlId::Check3,
                               ControlId::VScroll1, ControlId::VScroll2, ControlId::Text1,
                               ControlId::Text2, ControlId::Timer1, ControlId::Timer2}) {
        Mirror(id);
    }
}

FormBinding::~FormBinding() {
    form_.SetChangeListener({});
    for (const QMetaObject::Connection& connection : connections_) {
        QObject::disconnect(connection);
    }
}

QTimer& FormBinding::TimerFor(const Timer& timer) {
    return &timer == &form_.Timer1 ? timer1_ : timer2_;
}

void FormBinding::BindButton(std::string_view name, const Button& button) {
    connections_.push_back(QObject::connect(window_.ControlAs<QPushButton>(name),
                                            &QPushButton::clicked, [&button] { button.Click(); }));
}

// `clicked` comes only from the user (mouse, Space), never from setChecked, so the click
// procedure runs once per click.
void FormBinding::BindCheckBox(std::string_view name, CheckBox& box) {
    connections_.push_back(QObject::connect(window_.ControlAs<QCheckBox>(name), &QCheckBox::clicked,
                                            [&box](bool ticked) { box.SetValue(ticked ? 1 : 0); }));
}

void FormBinding::BindScrollBar(std::string_view name, ScrollBar& bar) {
    auto* widget = window_.ControlAs<QScrollBar>(name);
    widget->setRange(bar.Min(), bar.Max());
    connections_.push_back(
        QObject::connect(widget, &QScrollBar::valueChanged,
                         [&bar](int position) { bar.SetValue(Reflect(bar, position)); }));
}

void FormBinding::BindTimer(QTimer& qtimer, const Timer& timer) {
    qtimer.setTimerType(Qt::PreciseTimer);
    qtimer.setInterval(timer.IntervalMs());
    connections_.push_back(QObject::connect(&qtimer, &QTimer::timeout, [&timer] { timer.Tick(); }));
}

void FormBinding::Mirror(ControlId id) {
    switch (id) {
        case ControlId::Check1:
            return ShowCheckBox("Check1", form_.Check1);
        case ControlId::Check2:
            return ShowCheckBox("Check2", form_.Check2);
        case ControlId::Check3:
            return ShowCheckBox("Check3", form_.Check3);
        case ControlId::VScroll1:
            return ShowScrollBar("VScroll1", form_.VScroll1);
        case ControlId::VScroll2:
            return ShowScrollBar("VScroll2", form_.VScroll2);
        case ControlId::Text1:
            return ShowText("Text1", form_.Text1);
        case ControlId::Text2:
            return ShowText("Text2", form_.Text2);
        case ControlId::Timer1:
            return RunTimer(timer1_, form_.Timer1);
        case ControlId::Timer2:
            return RunTimer(timer2_, form_.Timer2);
        case ControlId::Command1:
        case ControlId::Command2:
        case ControlId::Command3:
            return;  // buttons hold no state
    }
}

void FormBinding::ShowCheckBox(std::string_view name, const CheckBox& box) {
    auto* widget = window_.ControlAs<QCheckBox>(name);
    const QSignalBlocker quiet(widget);
    widget->setChecked(box.Ticked());
}

void FormBinding::ShowScrollBar(std::string_view name, const ScrollBar& bar) {
    auto* widget = window_.ControlAs<QScrollBar>(name);
    const QSignalBlocker quiet(widget);
    widget->setValue(Reflect(bar, bar.Value()));
}

void FormBinding::ShowText(std::string_view name, const TextBox& text) {
    window_.ControlAs<QLineEdit>(name)->setText(QString::fromStdString(text.Text()));
}

// A timer that is already running keeps its phase.
void FormBinding::RunTimer(QTimer& qtimer, const Timer& timer) {
    if (!timer.Enabled()) {
        qtimer.stop();
    } else if (!qtimer.isActive()) {
        qtimer.start();
    }
}
