#include <QAbstractButton>
#include <QCheckBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyleOptionButton>
#include <QStyleOptionFrame>
#include <QStyleOptionGroupBox>
#include <QTest>

#include <algorithm>
#include <cstdlib>
#include <memory>

#include "tests/window/qt/WindowFixture.h"
#include "window/ControlTable.h"
#include "window/Twips.h"

// What the window shows at start, where, and how.
class LayoutTest : public WindowTest {
    Q_OBJECT

  private slots:
    void init();
    void cleanup();

    void startState();
    void captions_data();
    void captions();
    void clientAreaAtTheScreensDensity();
    void geometry_data();
    void geometry();
    void windowIsFixedWithOnlyACloseBox();
    void fontsAndLook();
    void textFitsItsBox_data();
    void textFitsItsBox();
    void laterControlsLieOnTop_data();
    void laterControlsLieOnTop();
    void pictureAndIcon();

  private:
    std::unique_ptr<WindowFixture> fixture_;
};

namespace {

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// What each configured screen must give: the density widgets are placed at, and the client area
// in device pixels. At 192 DPI Qt scales by 2 and the widgets are placed at 96.
struct ScreenCase {
    int screenDpi;
    int widgetDpi;
    QSize clientDevicePixels;
};

ScreenCase ConfiguredScreen() {
    const int dpi = std::atoi(qgetenv("VANTREL_SCREEN_DPI").constData());
    for (const ScreenCase c : {ScreenCase{96, 96, {530, 169}}, ScreenCase{120, 120, {663, 211}},
                               ScreenCase{144, 144, {796, 253}}, ScreenCase{168, 84, {928, 296}},
                               ScreenCase{192, 96, {1060, 338}}}) {
        if (c.screenDpi == dpi) {
            return c;
        }
    }
    qFatal("VANTREL_SCREEN_DPI must name the configured screen's DPI: 96, 120, 144, 168 or 192");
}

// The smallest rectangle holding every pixel that is not near white.
QRectF InkBounds(const QImage& image) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.red() + c.green() + c.blue() < 600) {
                bounds |= QRect(x, y, 1, 1);
            }
        }
    }
    return bounds;
}

QString ShownText(QWidget* widget) {
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        return button->text();
    }
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        return label->text();
    }
    if (auto* frame = qobject_cast<QGroupBox*>(widget)) {
        return frame->title();
    }
    if (auto* box = qobject_cast<QLineEdit*>(widget)) {
        return box->text();
    }
    return {};
}

// Pixels of text in the control's own font, italic overhang included.
int TextWidth(const QWidget& control, const QString& text) {
    const QFontMetrics metrics = control.fontMetrics();
    return std::max(metrics.horizontalAdvance(text), metrics.boundingRect(text).right() + 1);
}

// Where the control's style draws its text, in the control's own coordinates.
QRect TextArea(QWidget* control) {
    QStyle* style = control->style();
    if (auto* box = qobject_cast<QCheckBox*>(control)) {
        QStyleOptionButton option;
        option.initFrom(box);
        return style->subElementRect(QStyle::SE_CheckBoxContents, &option, box);
    }
    if (auto* button = qobject_cast<QPushButton*>(control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        return style->subElementRect(QStyle::SE_PushButtonContents, &option, button);
    }
    if (auto* frame = qobject_cast<QGroupBox*>(control)) {
        // The title starts after an indent and must end inside the frame.
        QStyleOptionGroupBox option;
        option.initFrom(frame);
        option.text = frame->title();
        option.subControls = QStyle::SC_GroupBoxLabel;
        const QRect title =
            style->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, frame);
        return frame->rect().adjusted(title.left(), 0, 0, 0);
    }
    if (auto* box = qobject_cast<QLineEdit*>(control)) {
        QStyleOptionFrame option;
        option.initFrom(box);
        option.lineWidth = style->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, box);
        const QMargins margins = box->textMargins();
        // QLineEdit keeps 2 pixels clear on either side of its text.
        return style->subElementRect(QStyle::SE_LineEditContents, &option, box)
            .adjusted(margins.left() + 2, 0, -margins.right() - 2, 0);
    }
    return control->contentsRect();
}

// The width of that area inside the window: Check1's box runs past the window's edge.
int TextSpace(QWidget* control) {
    QWidget* window = control->window();
    return (TextArea(control) & QRect(control->mapFrom(window, QPoint(0, 0)), window->size()))
        .width();
}

}  // namespace

void LayoutTest::init() {
    fixture_ = std::make_unique<WindowFixture>();
}

void LayoutTest::cleanup() {
    fixture_.reset();
}

void LayoutTest::startState() {
    WindowFixture& f = *fixture_;
    QCOMPARE(f.window.windowTitle(), QStringLiteral("Vantrel"));
    QCOMPARE(f.Get<QLineEdit>("Text1")->text(), QStringLiteral("2"));
    QCOMPARE(f.Get<QLineEdit>("Text2")->text(), QStringLiteral("3"));
    for (const char* box : {"Check1", "Check2", "Check3"}) {
        QVERIFY2(!f.Get<QCheckBox>(box)->isChecked(), box);
    }
    QVERIFY(!f.binding.TimerFor(f.form.Timer1).isActive());
    QVERIFY(!f.binding.TimerFor(f.form.Timer2).isActive());

    QVERIFY(f.ShowActive());
    QCOMPARE(QApplication::focusWidget(), f.Get("Command1"));
    QVERIFY(f.launches.empty());
}

void LayoutTest::captions_data() {
    QTest::addColumn<QString>("caption");
    for (const ControlSpec& design : kControls) {
        if (design.kind != ControlKind::Picture && design.kind != ControlKind::ScrollBar) {
            QTest::newRow(design.name.data()) << ToQString(design.caption);
        }
    }
}

void LayoutTest::captions() {
    QFETCH(QString, caption);
    QCOMPARE(ShownText(fixture_->Get(QTest::currentDataTag())), caption);
}

void LayoutTest::clientAreaAtTheScreensDensity() {
    const ScreenCase screen = ConfiguredScreen();
    WindowFixture& f = *fixture_;
    QVERIFY(f.ShowActive());
    QCOMPARE(f.window.Dpi(), screen.widgetDpi);
    QCOMPARE(f.window.size() * f.window.devicePixelRatio(), screen.clientDevicePixels);
    // Fonts in points follow the same density as the twips.
    QCOMPARE(qRound(f.window.screen()->logicalDotsPerInch()), screen.widgetDpi);
}

void LayoutTest::geometry_data() {
    const int dpi = ConfiguredScreen().widgetDpi;
    QTest::addColumn<QRect>("expected");
    for (const ControlSpec& design : kControls) {
        const PixelRect r = ToPixels(design.rect, dpi);
        QTest::newRow(design.name.data()) << QRect(r.left, r.top, r.width, r.height);
    }
}

void LayoutTest::geometry() {
    QFETCH(QRect, expected);
    const char* name = QTest::currentDataTag();
    QWidget* control = fixture_->Get(name);
    QCOMPARE(control->geometry(), expected);
    const std::string_view container = FindControl(name)->container;
    QCOMPARE(control->parentWidget(), container.empty() ? static_cast<QWidget*>(&fixture_->window)
                                                        : fixture_->Get(container));
}

void LayoutTest::windowIsFixedWithOnlyACloseBox() {
    MainWindow& window = fixture_->window;
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QCOMPARE(window.size(), window.minimumSize());
    const Qt::WindowFlags flags = window.windowFlags();
    QVERIFY(flags.testFlag(Qt::CustomizeWindowHint));
    QVERIFY(flags.testFlag(Qt::WindowTitleHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QCOMPARE(window.windowType(), Qt::Window);
}

void LayoutTest::fontsAndLook() {
    WindowFixture& f = *fixture_;
    // Verdana where installed, else DejaVu Sans: the family actually drawn with.
    const QString family =
        QFontDatabase::hasFamily(ToQString(kFont)) ? ToQString(kFont) : ToQString(kFallbackFont);
    for (const ControlSpec& design : kControls) {
        const QFont font = f.Get(design.name)->font();
        QCOMPARE(QFontInfo(font).family(), family);
        QCOMPARE(font.pointSizeF(), design.font.points);
        QCOMPARE(font.bold(), design.font.bold);
        QCOMPARE(font.italic(), design.font.italic);
    }
    auto* title = f.Get<QLabel>("Label3");
    QCOMPARE(title->palette().color(QPalette::WindowText), QColor(0, 0, 192));
    QVERIFY(title->alignment().testFlag(Qt::AlignHCenter));
    QVERIFY(f.Get<QLabel>("Label1")->alignment().testFlag(Qt::AlignLeft));
    for (const char* box : {"Text1", "Text2"}) {
        QVERIFY(f.Get<QLineEdit>(box)->isReadOnly());
        QCOMPARE(f.Get<QLineEdit>(box)->alignment(), Qt::AlignCenter);
    }
}

// Every caption whole in its box, and the number boxes with the largest value, 32767: in the font
// actually drawn with and at this screen's density. The figures are printed for comparison.
void LayoutTest::textFitsItsBox_data() {
    QTest::addColumn<QString>("text");
    for (const ControlSpec& design : kControls) {
        if (design.kind == ControlKind::TextBox) {
            QTest::newRow(design.name.data()) << QStringLiteral("32767");
        } else if (!design.caption.empty()) {
            QTest::newRow(design.name.data()) << ToQString(design.caption);
        }
    }
}

void LayoutTest::textFitsItsBox() {
    QFETCH(QString, text);
    WindowFixture& f = *fixture_;
    f.form.VScroll1.SetValue(32767);
    f.form.VScroll2.SetValue(32767);
    QWidget* control = f.Get(QTest::currentDataTag());
    QCOMPARE(ShownText(control), text);
    const int needed = TextWidth(*control, text);
    const int space = TextSpace(control);
    qInfo("%3d DPI %-9s %-12s needs %3d px, has %3d px", ConfiguredScreen().screenDpi,
          QTest::currentDataTag(), qPrintable(QFontInfo(control->font()).family()),
          qRound(needed * control->devicePixelRatio()),
          qRound(space * control->devicePixelRatio()));
    QVERIFY2(needed <= space, qPrintable(text + " is cut off"));
}

// The three overlaps of 12 twips: at a point inside both, the later control is the one hit.
void LayoutTest::laterControlsLieOnTop_data() {
    QTest::addColumn<QString>("below");
    QTest::addColumn<QString>("above");
    QTest::newRow("Text1 over Check2") << "Check2"
                                       << "Text1";
    QTest::newRow("Text1 over VScroll1") << "VScroll1"
                                         << "Text1";
    QTest::newRow("Text2 over VScroll2") << "VScroll2"
                                         << "Text2";
}

void LayoutTest::laterControlsLieOnTop() {
    QFETCH(QString, below);
    QFETCH(QString, above);
    WindowFixture& f = *fixture_;
    QWidget* lower = f.Get(below.toStdString());
    QWidget* upper = f.Get(above.toStdString());
    const QRect overlap = lower->geometry() & upper->geometry();
    QVERIFY2(!overlap.isEmpty(), "the controls do not overlap at this density");
    QCOMPARE(f.Get("Frame1")->childAt(overlap.center()), upper);
}

void LayoutTest::pictureAndIcon() {
    WindowFixture& f = *fixture_;
    auto* picture = f.Get<QLabel>("Image1");
    QVERIFY(picture->hasScaledContents());
    QCOMPARE(picture->pixmap().size(), QSize(340, 148));
    QVERIFY(f.window.windowIcon().availableSizes().contains(QSize(32, 32)));

    // Stretched: what is drawn spans the box as the picture spans its own size.
    QVERIFY(f.ShowActive());
    const QImage shown = picture->grab().toImage();
    const QImage source = picture->pixmap().toImage();
    QCOMPARE(shown.size(), picture->size() * picture->devicePixelRatio());
    const QRectF drawn = InkBounds(shown);
    const QRectF ink = InkBounds(source);
    const double sx = double(shown.width()) / source.width();
    const double sy = double(shown.height()) / source.height();
    QVERIFY(std::abs(drawn.left() - ink.left() * sx) <= 2);
    QVERIFY(std::abs(drawn.right() - ink.right() * sx) <= 2);
    QVERIFY(std::abs(drawn.top() - ink.top() * sy) <= 2);
    QVERIFY(std::abs(drawn.bottom() - ink.bottom() * sy) <= 2);
}

QTEST_MAIN(LayoutTest)
#include "LayoutTest.moc"
