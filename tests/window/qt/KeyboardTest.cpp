#include <QCheckBox>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

#include <memory>
#include <vector>

#include "tests/window/qt/WindowFixture.h"
#include "window/ControlTable.h"

// Tab order, the spinners' arrow keys, Space, and the keys that must press nothing.
class KeyboardTest : public WindowTest {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void tabVisitsTheTenControlsInOrder();
    void shiftTabGoesBack();
    void spaceOnAButtonPressesIt();
    void spaceOnABoxTogglesIt_data();
    void spaceOnABoxTogglesIt();
    void arrowKeysStepTheSpinner_data();
    void arrowKeysStepTheSpinner();
    void arrowKeysStopAtTheEnds_data();
    void arrowKeysStopAtTheEnds();
    void enterAndEscapePressNothing_data();
    void enterAndEscapePressNothing();

  private:
    std::unique_ptr<WindowFixture> fixture_;
};

namespace {

QStringList TabOrderNames() {
    QStringList names;
    for (const ControlSpec* design : TabOrder()) {
        names << QString::fromUtf8(design->name.data(),
                                   static_cast<qsizetype>(design->name.size()));
    }
    return names;
}

QString FocusedName() {
    const QWidget* focused = QApplication::focusWidget();
    return focused ? focused->objectName() : QStringLiteral("(none)");
}

void Press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(QApplication::focusWidget(), key, modifiers);
}

void AddSpinnerRows() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("start");
    QTest::newRow("VScroll1") << "Text1" << 2;
    QTest::newRow("VScroll2") << "Text2" << 3;
}

}  // namespace

void KeyboardTest::init() {
    fixture_ = std::make_unique<WindowFixture>();
    QVERIFY(fixture_->ShowActive());
}

void KeyboardTest::cleanup() {
    fixture_.reset();
}

void KeyboardTest::tabVisitsTheTenControlsInOrder() {
    QStringList visited{FocusedName()};
    for (int i = 0; i < 10; ++i) {
        Press(Qt::Key_Tab);
        visited << FocusedName();
    }
    QCOMPARE(visited, TabOrderNames() << QStringLiteral("Command1"));
    QVERIFY(fixture_->launches.empty());
}

void KeyboardTest::shiftTabGoesBack() {
    QStringList visited;
    for (int i = 0; i < 10; ++i) {
        Press(Qt::Key_Backtab, Qt::ShiftModifier);
        visited.prepend(FocusedName());
    }
    QCOMPARE(visited, TabOrderNames());
}

void KeyboardTest::spaceOnAButtonPressesIt() {
    WindowFixture& f = *fixture_;
    Press(Qt::Key_Space);  // on Command1, "USB On"
    QCOMPARE(f.Enables(), 6);
    f.Get("Command2")->setFocus();
    Press(Qt::Key_Space);
    QCOMPARE(f.Disables(), 1);
    f.Get("Command3")->setFocus();
    Press(Qt::Key_Space);
    QCOMPARE(f.Disables(), 2);
    QCOMPARE(f.Enables(), 6);
}

void KeyboardTest::spaceOnABoxTogglesIt_data() {
    QTest::addColumn<int>("unused");
    for (const char* box : {"Check1", "Check2", "Check3"}) {
        QTest::newRow(box) << 0;
    }
}

void KeyboardTest::spaceOnABoxTogglesIt() {
    WindowFixture& f = *fixture_;
    const char* name = QTest::currentDataTag();
    auto* box = f.Get<QCheckBox>(name);
    const CheckBox& model = name == QStringLiteral("Check1")   ? f.form.Check1
                            : name == QStringLiteral("Check2") ? f.form.Check2
                                                               : f.form.Check3;
    box->setFocus();
    Press(Qt::Key_Space);
    QVERIFY(box->isChecked());
    QCOMPARE(model.Value(), 1);
    QVERIFY(f.binding.TimerFor(f.form.Timer1).isActive());
    Press(Qt::Key_Space);
    QVERIFY(!box->isChecked());
    QCOMPARE(model.Value(), 0);
    QVERIFY(!f.binding.TimerFor(f.form.Timer1).isActive());
}

// The up arrow raises the value by one, the down arrow lowers it, and the box shows each step.
void KeyboardTest::arrowKeysStepTheSpinner_data() {
    AddSpinnerRows();
}

void KeyboardTest::arrowKeysStepTheSpinner() {
    QFETCH(QString, text);
    QFETCH(int, start);
    WindowFixture& f = *fixture_;
    const ScrollBar& model =
        QTest::currentDataTag() == QStringLiteral("VScroll1") ? f.form.VScroll1 : f.form.VScroll2;
    auto* box = f.Get<QLineEdit>(text.toStdString());
    f.Get(QTest::currentDataTag())->setFocus();

    std::vector<int> shown;
    for (Qt::Key key : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down}) {
        Press(key);
        shown.push_back(box->text().toInt());
        QCOMPARE(model.Value(), shown.back());
    }
    QCOMPARE(shown, (std::vector<int>{start + 1, start + 2, start + 1, start, start - 1}));
}

void KeyboardTest::arrowKeysStopAtTheEnds_data() {
    AddSpinnerRows();
}

void KeyboardTest::arrowKeysStopAtTheEnds() {
    QFETCH(QString, text);
    QFETCH(int, start);
    WindowFixture& f = *fixture_;
    const char* name = QTest::currentDataTag();
    ScrollBar& model = name == QStringLiteral("VScroll1") ? f.form.VScroll1 : f.form.VScroll2;
    auto* box = f.Get<QLineEdit>(text.toStdString());
    auto* bar = f.Get<QScrollBar>(name);
    bar->setFocus();

    for (int i = 1; i < start; ++i) {
        Press(Qt::Key_Down);
    }
    QCOMPARE(box->text(), QStringLiteral("1"));
    Press(Qt::Key_Down);
    QCOMPARE(box->text(), QStringLiteral("1"));
    QCOMPARE(model.Value(), 1);
    QCOMPARE(bar->value(), bar->maximum());  // the bottom end

    model.SetValue(32767);
    QCOMPARE(box->text(), QStringLiteral("32767"));
    QCOMPARE(bar->value(), bar->minimum());  // the top end
    Press(Qt::Key_Up);
    QCOMPARE(box->text(), QStringLiteral("32767"));
    QCOMPARE(model.Value(), 32767);
    Press(Qt::Key_Down);
    QCOMPARE(box->text(), QStringLiteral("32766"));
}

void KeyboardTest::enterAndEscapePressNothing_data() {
    QTest::addColumn<int>("unused");
    for (const ControlSpec* design : TabOrder()) {
        QTest::newRow(design->name.data()) << 0;
    }
}

void KeyboardTest::enterAndEscapePressNothing() {
    WindowFixture& f = *fixture_;
    f.Get(QTest::currentDataTag())->setFocus();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        Press(key);
    }
    QVERIFY(f.launches.empty());
    QVERIFY(f.window.isVisible());
    for (const char* box : {"Check1", "Check2", "Check3"}) {
        QVERIFY(!f.Get<QCheckBox>(box)->isChecked());
    }
    QCOMPARE(f.form.VScroll1.Value(), 2);
    QCOMPARE(f.form.VScroll2.Value(), 3);
    QVERIFY(!f.binding.TimerFor(f.form.Timer1).isActive());
    QVERIFY(!f.binding.TimerFor(f.form.Timer2).isActive());
}

QTEST_MAIN(KeyboardTest)
#include "KeyboardTest.moc"
