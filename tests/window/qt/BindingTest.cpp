#include <QAccessible>
#include <QAccessibleValueInterface>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTest>

#include <memory>
#include <utility>

#include "tests/window/qt/WindowFixture.h"

// Mouse clicks reach Form1, Form1's changes reach the widgets, and the QTimers run its ticks.
class BindingTest : public WindowTest {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void clicksReachTheModel_data();
    void clicksReachTheModel();
    void aClickedBoxTicksOnceAndUnticksOnTheNextClick();
    void spinnerArrowsStepByOne_data();
    void spinnerArrowsStepByOne();
    void modelChangesShowOnTheWidgets();
    void assistiveTechnologySetsTheHoursTheRightWayRound();
    void timersArePreciseAtTheirIntervals();
    void aRunningTimerKeepsItsPhase();
    void burstRunsOnTimer2AndUsbOffStopsIt();
    void autoOnSwitchesOnAndUnticksTheBox();

  private:
    std::unique_ptr<WindowFixture> fixture_;
};

namespace {

// Where a user clicks: a button's middle, a box's tick square.
QPoint ClickPoint(QWidget* control) {
    if (auto* box = qobject_cast<QCheckBox*>(control)) {
        QStyleOptionButton option;
        option.initFrom(box);
        return box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box).center();
    }
    return control->rect().center();
}

void Click(QWidget* control) {
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, ClickPoint(control));
}

}  // namespace

void BindingTest::init() {
    fixture_ = std::make_unique<WindowFixture>();
    QVERIFY(fixture_->ShowActive());
}

void BindingTest::cleanup() {
    fixture_.reset();
}

// A box's launches come from the watchdog: each row gives the Timer1 ticks after which they come,
// with the spinners at 1 (one hour, one minute).
void BindingTest::clicksReachTheModel_data() {
    QTest::addColumn<int>("ticks");
    QTest::addColumn<int>("enables");
    QTest::addColumn<int>("disables");
    QTest::newRow("Command1") << 0 << 6 << 0;
    QTest::newRow("Command2") << 0 << 0 << 1;
    QTest::newRow("Command3") << 0 << 0 << 1;
    QTest::newRow("Check1") << 10 << 6 << 0;
    QTest::newRow("Check2") << 3600 << 0 << 1;
    QTest::newRow("Check3") << 60 << 0 << 1;
}

void BindingTest::clicksReachTheModel() {
    QFETCH(int, ticks);
    QFETCH(int, enables);
    QFETCH(int, disables);
    WindowFixture& f = *fixture_;
    f.form.VScroll1.SetValue(1);
    f.form.VScroll2.SetValue(1);

    Click(f.Get(QTest::currentDataTag()));
    if (ticks > 0) {
        QVERIFY(f.launches.empty());
        f.Expire(f.form.Timer1, ticks - 1);
        QVERIFY(f.launches.empty());
        f.Expire(f.form.Timer1);
    }
    QCOMPARE(f.Enables(), enables);
    QCOMPARE(f.Disables(), disables);
}

void BindingTest::aClickedBoxTicksOnceAndUnticksOnTheNextClick() {
    WindowFixture& f = *fixture_;
    auto* box = f.Get<QCheckBox>("Check3");
    f.form.MinuteCount = 99;
    Click(box);
    QVERIFY(box->isChecked());
    QCOMPARE(f.form.Check3.Value(), 1);
    QCOMPARE(f.form.MinuteCount, 0);
    QVERIFY(f.binding.TimerFor(f.form.Timer1).isActive());
    Click(box);
    QVERIFY(!box->isChecked());
    QCOMPARE(f.form.Check3.Value(), 0);
    QVERIFY(!f.binding.TimerFor(f.form.Timer1).isActive());
}

void BindingTest::spinnerArrowsStepByOne_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::newRow("VScroll1") << "Text1" << 2;
    QTest::newRow("VScroll2") << "Text2" << 3;
}

void BindingTest::spinnerArrowsStepByOne() {
    QFETCH(QString, text);
    QFETCH(int, start);
    WindowFixture& f = *fixture_;
    auto* bar = f.Get<QScrollBar>(QTest::currentDataTag());
    auto* box = f.Get<QLineEdit>(text.toStdString());
    const QPoint upArrow(bar->width() / 2, 2);
    const QPoint downArrow(bar->width() / 2, bar->height() - 3);

    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, upArrow);
    QCOMPARE(box->text(), QString::number(start + 1));
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, downArrow);
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, downArrow);
    QCOMPARE(box->text(), QString::number(start - 1));
    QVERIFY(f.launches.empty());
}

void BindingTest::modelChangesShowOnTheWidgets() {
    WindowFixture& f = *fixture_;
    f.form.Check2.SetValue(1);
    QVERIFY(f.Get<QCheckBox>("Check2")->isChecked());
    QVERIFY(f.binding.TimerFor(f.form.Timer1).isActive());

    f.form.VScroll2.SetValue(40);
    QCOMPARE(f.Get<QLineEdit>("Text2")->text(), QStringLiteral("40"));
    auto* bar = f.Get<QScrollBar>("VScroll2");
    QCOMPARE(bar->maximum() - bar->value(), 40 - bar->minimum());

    f.form.Check2.SetValue(0);
    QVERIFY(!f.Get<QCheckBox>("Check2")->isChecked());
    QVERIFY(!f.binding.TimerFor(f.form.Timer1).isActive());

    f.form.UsbOn();
    QVERIFY(f.binding.TimerFor(f.form.Timer2).isActive());
    QCOMPARE(f.Enables(), 6);
}

// A screen reader reads and sets the number the box shows, and the watchdog runs on it: three
// hours after the hours box is ticked, not two and not 32766.
void BindingTest::assistiveTechnologySetsTheHoursTheRightWayRound() {
    WindowFixture& f = *fixture_;
    QAccessibleInterface* hours = QAccessible::queryAccessibleInterface(f.Get("VScroll1"));
    QVERIFY(hours != nullptr && hours->valueInterface() != nullptr);
    QAccessibleValueInterface& value = *hours->valueInterface();
    QCOMPARE(hours->role(), QAccessible::ScrollBar);
    QCOMPARE(hours->text(QAccessible::Name), QStringLiteral("Hour spinner"));
    QCOMPARE(value.currentValue().toInt(), 2);
    QCOMPARE(hours->text(QAccessible::Value), QStringLiteral("2"));
    QCOMPARE(value.minimumValue().toInt(), 1);
    QCOMPARE(value.maximumValue().toInt(), 32767);

    value.setCurrentValue(value.currentValue().toInt() + value.minimumStepSize().toInt());
    QCOMPARE(f.Get<QLineEdit>("Text1")->text(), QStringLiteral("3"));
    QCOMPARE(f.form.VScroll1.Value(), 3);
    // Beyond int as well as beyond the range; what is not a number changes nothing.
    for (const auto& [sent, expected] : {std::pair{QVariant(40000), 32767},
                                         {QVariant(-3e9), 1},
                                         {QVariant(3e9), 32767},
                                         {QVariant("many"), 32767}}) {
        value.setCurrentValue(sent);
        QCOMPARE(f.form.VScroll1.Value(), expected);
    }
    value.setCurrentValue(3);
    QCOMPARE(value.currentValue().toInt(), 3);

    Click(f.Get("Check2"));
    f.Expire(f.form.Timer1, 3 * 3600 - 1);
    QVERIFY(f.launches.empty());
    f.Expire(f.form.Timer1);
    QCOMPARE(f.Disables(), 1);
}

void BindingTest::timersArePreciseAtTheirIntervals() {
    WindowFixture& f = *fixture_;
    for (const Timer* timer : {&f.form.Timer1, &f.form.Timer2}) {
        const QTimer& qtimer = f.binding.TimerFor(*timer);
        QCOMPARE(qtimer.interval(), timer->IntervalMs());
        QCOMPARE(qtimer.timerType(), Qt::PreciseTimer);
        QVERIFY(!qtimer.isSingleShot());
    }
    QCOMPARE(f.binding.TimerFor(f.form.Timer1).interval(), 1000);
    QCOMPARE(f.binding.TimerFor(f.form.Timer2).interval(), 500);
}

// Ticking a second box enables Timer1 again; the QTimer must not be restarted. Once some of its
// interval has passed, a restart would show as a full interval remaining.
void BindingTest::aRunningTimerKeepsItsPhase() {
    WindowFixture& f = *fixture_;
    Click(f.Get("Check2"));
    const QTimer& timer = f.binding.TimerFor(f.form.Timer1);
    QVERIFY(timer.isActive());
    QTRY_VERIFY_WITH_TIMEOUT(timer.remainingTime() < timer.interval() - 20, 900);
    Click(f.Get("Check3"));
    QVERIFY(timer.isActive());
    QVERIFY(timer.remainingTime() < timer.interval() - 20);
}

void BindingTest::burstRunsOnTimer2AndUsbOffStopsIt() {
    WindowFixture& f = *fixture_;
    Click(f.Get("Command1"));
    f.Expire(f.form.Timer2, 20);
    QCOMPARE(f.Enables(), 14);
    QVERIFY(!f.binding.TimerFor(f.form.Timer2).isActive());

    f.launches.clear();
    Click(f.Get("Command1"));
    f.Expire(f.form.Timer2, 3);
    Click(f.Get("Command2"));
    QVERIFY(!f.binding.TimerFor(f.form.Timer2).isActive());
    QCOMPARE(f.Enables(), 9);
    QCOMPARE(f.Disables(), 1);
}

void BindingTest::autoOnSwitchesOnAndUnticksTheBox() {
    WindowFixture& f = *fixture_;
    auto* box = f.Get<QCheckBox>("Check1");
    Click(box);
    QVERIFY(box->isChecked());
    f.Expire(f.form.Timer1, 9);
    QVERIFY(f.launches.empty());
    QVERIFY(box->isChecked());
    f.Expire(f.form.Timer1);
    QCOMPARE(f.Enables(), 6);
    QVERIFY(!box->isChecked());
    QCOMPARE(f.form.Check1.Value(), 0);
    QVERIFY(!f.binding.TimerFor(f.form.Timer1).isActive());
    QVERIFY(f.binding.TimerFor(f.form.Timer2).isActive());
}

QTEST_MAIN(BindingTest)
#include "BindingTest.moc"
