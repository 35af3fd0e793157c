#include "app/mainwindow.h"
#include "app/state.h"

// The form header is generated for this test from the same form file.
#include "../../app/ui_mainwindow.h"

#include <QDir>
#include <QFile>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <stdexcept>

namespace
{

template <class W> W *child(QObject &parent, const char *name)
{
    W *w = parent.findChild<W *>(name);
    if (!w)
        throw std::runtime_error(std::string("no widget named ") + name);
    return w;
}

QString text_of(QObject &window, const char *name)
{
    QWidget *w = child<QWidget>(window, name);
    if (auto *b = qobject_cast<QAbstractButton *>(w))
        return b->text();
    if (auto *l = qobject_cast<QLabel *>(w))
        return l->text();
    return child<QLineEdit>(window, name)->text();
}

QStringList items_of(QComboBox *box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

void confirm(QLineEdit *field, const QString &text)
{
    field->setText(text);
    QTest::keyClick(field, Qt::Key_Return);
}

} // namespace

// ---------------------------------------------------------------- the form

// Stands in for the window: records which by-name slots fire while setupUi runs.
class SlotRecorder : public QMainWindow
{
    Q_OBJECT
  public:
    QStringList fired;
  public slots:
    void on_tabWidget_currentChanged(int) { fired << "tabWidget"; }
    void on_cBox_res_currentIndexChanged(int) { fired << "cBox_res"; }
    void on_comboBox_transp_currentIndexChanged(int) { fired << "comboBox_transp"; }
    void on_comboBox_FrameRate_currentIndexChanged(int) { fired << "comboBox_FrameRate"; }
    void on_cBox_precise_currentTextChanged(const QString &) { fired << "cBox_precise"; }
    void on_radButn4_toggled(bool) { fired << "radButn4"; }
};

TEST(Form, IndexChoicesAreMadeBeforeSlotsAreConnected)
{
    SlotRecorder window;
    Ui::MainWindow ui;
    ui.setupUi(&window);
    EXPECT_TRUE(window.fired.isEmpty()) << window.fired.join(", ").toStdString();
    EXPECT_EQ(ui.tabWidget->currentIndex(), 3);
    EXPECT_EQ(ui.cBox_res->currentIndex(), 2);
    EXPECT_EQ(ui.comboBox_transp->currentIndex(), 3);
    EXPECT_EQ(ui.comboBox_FrameRate->currentIndex(), 1);
    EXPECT_EQ(ui.cBox_precise->currentIndex(), 3);
    EXPECT_EQ(ui.comboBox_Frames->currentIndex(), 0);
    EXPECT_EQ(ui.comboBox_FVid->currentIndex(), 0);

    ui.tabWidget->setCurrentIndex(0);
    EXPECT_EQ(window.fired, QStringList{"tabWidget"}) << "slots are connected by name at the end";
}

TEST(Form, AloneChecksNoPresetAndLeavesComputedFieldsEmpty)
{
    QMainWindow window;
    Ui::MainWindow ui;
    ui.setupUi(&window);
    for (auto *b : {ui.radButn1, ui.radButn2, ui.radButn3, ui.radButn4, ui.radButn5})
        EXPECT_FALSE(b->isChecked()) << b->objectName().toStdString();
    EXPECT_TRUE(ui.widget_anim->isEnabled());
    for (auto *f : {ui.lineEdit_a, ui.lineEdit_Q, ui.lineEdit_v, ui.lineEdit_VneH, ui.lineEdit_VniH,
                    ui.lineEdit_RSO, ui.lineEdit_LSO})
        EXPECT_TRUE(f->text().isEmpty()) << f->objectName().toStdString();
    EXPECT_EQ(ui.lineEdit_M->text(), "1");
    EXPECT_EQ(ui.lineEdit_L->text(), "1");
    EXPECT_EQ(ui.lineEdit_inK->text(), "6");
    EXPECT_EQ(ui.lineEdit_outK->text(), "12");
    EXPECT_EQ(ui.lineEdit_r->text(), "50");
    EXPECT_EQ(ui.lineEdit_th->text(), "80");
    EXPECT_DOUBLE_EQ(ui.spinBox_v->value(), 0.0);
    EXPECT_EQ(window.objectName(), "MainWindow");
}

// ---------------------------------------------------------------- the window

class Window : public ::testing::Test
{
  protected:
    MainWindow window;
};

TEST_F(Window, StartsOnFirstTabWithKerrPresetAndAnimationOptionsOff)
{
    EXPECT_EQ(child<QTabWidget>(window, "tabWidget")->currentIndex(), 0);
    EXPECT_TRUE(child<QRadioButton>(window, "radButn4")->isChecked());
    for (const char *other : {"radButn1", "radButn2", "radButn3", "radButn5"})
        EXPECT_FALSE(child<QRadioButton>(window, other)->isChecked()) << other;
    EXPECT_FALSE(child<QWidget>(window, "widget_anim")->isEnabled());
    EXPECT_FALSE(child<QPushButton>(window, "StopButton")->isEnabled());
    EXPECT_TRUE(child<QPushButton>(window, "PlayButton")->isEnabled());
    for (const char *box : {"checkBox_anim", "checkBox_kepler", "checkBox_beam",
                            "checkBox_redshift", "checkBox_aber", "checkBox_sour"})
        EXPECT_FALSE(child<QCheckBox>(window, box)->isChecked()) << box;
    EXPECT_TRUE(child<QRadioButton>(window, "radioButton_sim")->isChecked());
}

TEST_F(Window, WindowPropertiesAndNoBars)
{
    EXPECT_EQ(window.windowTitle(), "Tenebrion");
    EXPECT_EQ(window.minimumSize(), QSize(800, 600));
    EXPECT_GE(window.width(), 800);
    EXPECT_GE(window.height(), 600);
    EXPECT_EQ(window.font().pointSize(), 10);
    EXPECT_EQ(window.locale().language(), QLocale::English);
    EXPECT_EQ(window.locale().territory(), QLocale::UnitedStates);
    EXPECT_EQ(window.findChild<QMenuBar *>(), nullptr);
    EXPECT_EQ(window.findChild<QToolBar *>(), nullptr);
    EXPECT_EQ(window.findChild<QStatusBar *>(), nullptr);
    EXPECT_EQ(child<QWidget>(window, "label_4311")->font().pointSize(), 10);
    EXPECT_TRUE(child<QWidget>(window, "label_4311")->font().italic());
    EXPECT_EQ(child<QWidget>(window, "widget_331")->font().pointSize(), 8);
    EXPECT_EQ(child<QWidget>(window, "comboBox_transp")->maximumWidth(), 79);
}

TEST_F(Window, TextsAreTheSystemsOwn)
{
    const std::pair<const char *, QString> texts[] = {
        {"label_111", "<html><head/><body><p>Metric tensor g<span style=\" vertical-align:sub;\">"
                      "μν</span></p></body></html>"},
        {"label_1113", "θ"},
        {"label_1118", "φ"},
        {"radButn1", "Minovsky metrics"},
        {"radButn3", "Reissner – Nordström metrics"},
        {"radButn4", "Kerr's metrics"},
        {"radButn5", "Kerr - Newman metrics"},
        {"label_1312", "specific angular momentum:"},
        {"label_1314", "cosmological constant Λ:"},
        {"label_1413", "right-handed limiting stable orbit:"},
        {"label_1511", "distance from the centre (0-inf):"},
        {"label_1512", "polar distance (0°-90°):"},
        {"label_213", "count of geodetics points: "},
        {"label_3316", "fish eye"},
        {"lab_est_time", "00:00:00:00"},
        {"PlayButton", "▶"},
        {"StopButton", QString::fromUtf8("\u25FC\uFE0E")},
        {"OpenImageButton", "📂"},
        {"SaveImageButton", "💾"},
        {"saveVideoButton", "💾"},
        {"label_411", "load panorama (default checkerboard background)"},
        {"checkBox_kepler", "Kepler's disc"},
        {"checkBox_redshift", "red shift:"},
        {"radioButton_sim", "*simulated"},
        {"radioButton_clasic", "clasics"},
        {"checkBox_aber", "eliminate aberration shift"},
        {"label_441", "accuracy of the calculation (smaller is more accurate, but slower)"},
        {"label_geo", ""},
        {"label_screen", ""},
        {"label_logo", ""},
    };
    for (const auto &[name, text] : texts)
        EXPECT_EQ(text_of(window, name), text) << name;

    auto *tabs = child<QTabWidget>(window, "tabWidget");
    EXPECT_EQ(tabs->count(), 4);
    EXPECT_EQ(tabs->tabText(0), "Tensor and physical parameters");
    EXPECT_EQ(tabs->tabText(1), "Geodetics of the observer");
    EXPECT_EQ(tabs->tabText(2), "Calculating and displaying");
    EXPECT_EQ(tabs->tabText(3), "Process and output settings");
    EXPECT_EQ(tabs->widget(3)->objectName(), "tab_settings");
}

TEST_F(Window, AboutTextsKeepTheirShape)
{
    const QString sim = text_of(window, "label_4311");
    EXPECT_TRUE(
        sim.startsWith("*The redshift (and gravitational blueshift) is a bit problematic."));
    const QString end = "red light is inserted.  This preserves the white colour.\n\n";
    ASSERT_TRUE(sim.contains(end));
    const QString own_lines = sim.mid(sim.indexOf(end) + end.size());
    EXPECT_EQ(own_lines.split('\n').size(), 3);
    EXPECT_TRUE(child<QLabel>(window, "label_4311")->wordWrap());

    const QString about = text_of(window, "label_4312");
    EXPECT_TRUE(about.contains("the Tenebrion developers"));
    EXPECT_TRUE(about.contains("ver.: 9.2"));
    EXPECT_EQ(about.count("<br/>"), 2) << "three lines";
    EXPECT_FALSE(child<QLabel>(window, "label_logo")->pixmap().isNull());
}

TEST_F(Window, ComboItemsAndChoices)
{
    const std::tuple<const char *, QStringList, int> combos[] = {
        {"cBox_res",
         {"160x120", "320x240", "800x600", "1024x768", "1280×960", "2048×1536", "4096x3072"},
         2},
        {"comboBox_transp", {"1:1", "1:2", "1:5", "1:9", "opaque"}, 3},
        {"comboBox_Frames", {"10", "30", "60", "120", "300", "600", "1200", "2400"}, 0},
        {"comboBox_FrameRate", {"5", "10", "12.5", "25", "30", "60", "120"}, 1},
        {"comboBox_FVid", {"avi", "image sequence"}, 0},
        {"cBox_precise",
         {"0.100", "0.050", "0.025", "0.020", "0.015", "0.010", "0.005", "0.002"},
         3},
    };
    for (const auto &[name, items, selected] : combos) {
        auto *box = child<QComboBox>(window, name);
        EXPECT_EQ(items_of(box), items) << name;
        EXPECT_EQ(box->currentIndex(), selected) << name;
    }
}

TEST_F(Window, RangesOfSlidersAndSpinBoxes)
{
    auto *v = child<QDoubleSpinBox>(window, "spinBox_v");
    EXPECT_EQ(v->decimals(), 6);
    EXPECT_DOUBLE_EQ(v->minimum(), -0.999999);
    EXPECT_DOUBLE_EQ(v->maximum(), 0.999999);
    EXPECT_DOUBLE_EQ(v->singleStep(), 0.0001);

    auto *rounds = child<QDoubleSpinBox>(window, "spinBox_round");
    EXPECT_EQ(rounds->decimals(), 2);
    EXPECT_DOUBLE_EQ(rounds->minimum(), 0.1);
    EXPECT_DOUBLE_EQ(rounds->maximum(), 10.0);
    EXPECT_DOUBLE_EQ(rounds->singleStep(), 0.1);
    EXPECT_DOUBLE_EQ(rounds->value(), 1.0);
    EXPECT_EQ(rounds->text(), "1.00") << "point as decimal separator";

    auto *zoom = child<QSlider>(window, "verticalSlider");
    EXPECT_EQ(zoom->orientation(), Qt::Vertical);
    EXPECT_EQ(zoom->minimum(), 1);
    EXPECT_EQ(zoom->maximum(), 6);
    EXPECT_EQ(zoom->value(), 2);
    EXPECT_EQ(child<QSlider>(window, "horizontalSlider")->orientation(), Qt::Horizontal);
    EXPECT_EQ(child<QLabel>(window, "label_geopoint")->minimumWidth(), 41);
    EXPECT_EQ(child<QLabel>(window, "lab_tot_time")->minimumWidth(), 76);
}

TEST_F(Window, LayoutCellsAndMargins)
{
    auto *metric = child<QGridLayout>(window, "gridLayout");
    EXPECT_EQ(metric->itemAtPosition(1, 1)->widget()->objectName(), "tt");
    EXPECT_EQ(metric->itemAtPosition(2, 4)->widget()->objectName(), "rf");
    EXPECT_EQ(metric->itemAtPosition(4, 3)->widget()->objectName(), "fe");
    EXPECT_EQ(metric->contentsMargins(), QMargins());

    auto *zoom_labels = child<QGridLayout>(window, "layout_331");
    EXPECT_EQ(zoom_labels->itemAtPosition(0, 0)->widget()->objectName(), "label_3311");
    EXPECT_EQ(zoom_labels->itemAtPosition(10, 0)->widget()->objectName(), "label_3316");
    EXPECT_EQ(zoom_labels->contentsMargins(), QMargins(0, 7, 0, 11));
    EXPECT_EQ(zoom_labels->spacing(), 0);

    for (const char *page : {"layout_1", "layout_2", "layout_3", "layout_4"})
        EXPECT_EQ(child<QGridLayout>(window, page)->spacing(), 1) << page;
    auto *settings = child<QGridLayout>(window, "layout_45");
    EXPECT_EQ(settings->itemAtPosition(0, 7)->widget()->objectName(), "saveVideoButton");
}

TEST_F(Window, NothingIsClippedOnAnyTab)
{
    window.show();
    auto *tabs = child<QTabWidget>(window, "tabWidget");
    for (int tab = 0; tab < tabs->count(); ++tab) {
        tabs->setCurrentIndex(tab);
        QCoreApplication::processEvents();
        for (auto *w : tabs->widget(tab)->findChildren<QWidget *>()) {
            auto *label = qobject_cast<QLabel *>(w);
            if (label && (label->wordWrap() || label->text().isEmpty()))
                continue;
            if (label || qobject_cast<QAbstractButton *>(w) || qobject_cast<QComboBox *>(w)) {
                const int needed = std::min(w->sizeHint().width(), w->maximumWidth());
                EXPECT_GE(w->width(), needed) << w->objectName().toStdString();
            }
        }
    }
}

TEST_F(Window, AnimationBoxEnablesItsPanel)
{
    auto *box = child<QCheckBox>(window, "checkBox_anim");
    auto *panel = child<QWidget>(window, "widget_anim");
    box->setChecked(true);
    EXPECT_TRUE(panel->isEnabled());
    box->setChecked(false);
    EXPECT_FALSE(panel->isEnabled());
}

TEST_F(Window, LoadsDiskTexture)
{
    EXPECT_EQ(acr.size(), QSize(2048, 2048));
}

// ---------------------------------------------------------------- slots

TEST(Slots, ExactlySeventyInDeclarationOrder)
{
    QStringList expected;
    const QString fields[] = {"tt", "tr", "te", "tf", "rt", "rr", "re", "rf",
                              "et", "er", "ee", "ef", "ft", "fr", "fe", "ff"};
    for (const QString &f : fields)
        expected << "on_" + f + "_editingFinished()";
    for (const char *p : {"a", "M", "Q", "L", "r", "th"})
        expected << QString("on_lineEdit_%1_editingFinished()").arg(p);
    expected << "on_lineEdit_VneH_textChanged(QString)"
             << "on_lineEdit_VniH_textChanged(QString)";
    for (const QString &f : fields)
        expected << "on_" + f + "_textEdited(QString)";
    expected << "on_verticalSlider_sliderReleased()"
             << "on_StopButton_clicked()"
             << "on_PlayButton_clicked()"
             << "on_cBox_precise_currentTextChanged(QString)"
             << "on_OpenImageButton_clicked()";
    for (int i = 1; i <= 5; ++i)
        expected << QString("on_radButn%1_toggled(bool)").arg(i);
    expected << "on_checkBox_anim_stateChanged(int)"
             << "on_SaveImageButton_clicked()"
             << "on_horizontalSlider_sliderMoved(int)"
             << "on_saveVideoButton_clicked()"
             << "on_lineEdit_v_textChanged(QString)"
             << "on_spinBox_v_valueChanged(double)"
             << "on_tabWidget_currentChanged(int)"
             << "on_spinBox_round_valueChanged(double)"
             << "on_lineEdit_inK_editingFinished()"
             << "on_lineEdit_outK_editingFinished()"
             << "on_lineEdit_RSO_editingFinished()"
             << "on_lineEdit_LSO_editingFinished()"
             << "on_checkBox_kepler_toggled(bool)"
             << "on_comboBox_transp_currentIndexChanged(int)"
             << "on_checkBox_sour_toggled(bool)"
             << "recomp(int,int)"
             << "draw_geodetics()"
             << "reload()"
             << "pre_v()"
             << "corect(QString)";

    const QMetaObject &meta = MainWindow::staticMetaObject;
    QStringList actual;
    for (int i = meta.methodOffset(); i < meta.methodCount(); ++i) {
        EXPECT_EQ(meta.method(i).methodType(), QMetaMethod::Slot) << i;
        actual << QString::fromLatin1(meta.method(i).methodSignature());
    }
    EXPECT_EQ(actual, expected);
    EXPECT_EQ(meta.method(meta.methodCount() - 1).returnType(), QMetaType::QString);
    EXPECT_EQ(meta.propertyCount(), meta.propertyOffset());
}

TEST(Slots, EveryOnSlotFindsItsSignal)
{
    static QStringList warnings;
    warnings.clear();
    const auto previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &m) { warnings << m; });
    {
        MainWindow window;
    }
    qInstallMessageHandler(previous);
    EXPECT_TRUE(warnings.filter("connectSlotsByName").isEmpty())
        << warnings.join('\n').toStdString();
}

class Edits : public Window
{
};

TEST_F(Edits, TypedLettersBecomeCoordinatesAndParameters)
{
    const std::pair<QString, QString> cases[] = {
        {"Mq", "MQ"},       {"cos(t)", "cos(θ)"}, {"2*l", "2*Λ"},     {"sin(f)^2", "sin(φ)^2"},
        {"m*a/r", "M*a/r"}, {"TFLa r", "TFLa r"}, {"tflmq", "θφΛMQ"},
    };
    for (const auto &[typed, shown] : cases)
        EXPECT_EQ(window.corect(typed), shown) << typed.toStdString();

    for (const char *field : {"tt", "ef", "ff"}) {
        auto *edit = child<QLineEdit>(window, field);
        edit->clear();
        QTest::keyClicks(edit, "r*sin(t)^2-q");
        EXPECT_EQ(edit->text(), "r*sin(θ)^2-Q") << field;
    }
}

TEST_F(Edits, TransparencyFollowsTheBoxAndIgnoresNoSelection)
{
    auto *box = child<QComboBox>(window, "comboBox_transp");
    const int weights[] = {1, 2, 5, 9, 65535};
    for (int i = 4; i >= 0; --i) {
        box->setCurrentIndex(i);
        EXPECT_EQ(transp, weights[i]) << i;
    }
    box->setCurrentIndex(-1);
    EXPECT_EQ(transp, 1) << "no item selected keeps the last weight";
}

TEST_F(Edits, OverlayAndAccuracySwitches)
{
    auto *overlay = child<QCheckBox>(window, "checkBox_sour");
    overlay->setChecked(true);
    EXPECT_TRUE(sour);
    overlay->setChecked(false);
    EXPECT_FALSE(sour);

    auto *accuracy = child<QComboBox>(window, "cBox_precise");
    accuracy->setCurrentIndex(0);
    EXPECT_EQ(precise, 0.10000000149011612);
    accuracy->setCurrentIndex(3);
    EXPECT_EQ(precise, 0.019999999552965164);
}

TEST_F(Edits, VelocityFieldAndSpinBoxMirrorEachOther)
{
    auto *field = child<QLineEdit>(window, "lineEdit_v");
    auto *spin = child<QDoubleSpinBox>(window, "spinBox_v");
    field->setText("0.5");
    EXPECT_EQ(spin->value(), 0.5);
    EXPECT_EQ(field->text(), "0.500000");
    field->setText("2");
    EXPECT_EQ(spin->value(), 0.999999);
    EXPECT_EQ(field->text(), "0.999999");
    field->setText("fast");
    EXPECT_EQ(spin->value(), 0.0);
    EXPECT_EQ(field->text(), "0.000000");
    spin->setValue(-0.25);
    EXPECT_EQ(field->text(), "-0.250000");
}

TEST_F(Edits, StartRadiusAndPolarAngleInSinglePrecision)
{
    confirm(child<QLineEdit>(window, "lineEdit_r"), "0.1");
    EXPECT_EQ(poc_sour_poz[1], 0.10000000149011612);
    confirm(child<QLineEdit>(window, "lineEdit_th"), "90");
    EXPECT_EQ(poc_sour_poz[2], std::numbers::pi / 2);
    confirm(child<QLineEdit>(window, "lineEdit_th"), "80");
    EXPECT_EQ(poc_sour_poz[2], 1.3962634015954636);
}

// ---------------------------------------------------------------- icon and resources

TEST(Icon, EmbeddedIconWhenThemeLacksIt)
{
    ASSERT_FALSE(QIcon::hasThemeIcon("applications-science")) << "test needs a bare theme";
    MainWindow window;
    const QIcon icon = window.windowIcon();
    for (auto mode : {QIcon::Normal, QIcon::Disabled, QIcon::Active, QIcon::Selected})
        for (auto state : {QIcon::Off, QIcon::On})
            EXPECT_FALSE(icon.availableSizes(mode, state).isEmpty()) << mode << state;
    EXPECT_TRUE(icon.name().isEmpty());
}

TEST(Icon, ThemeIconWins)
{
    QTemporaryDir dir;
    QDir root(dir.path());
    root.mkpath("probe/64x64/apps");
    QFile index(root.filePath("probe/index.theme"));
    ASSERT_TRUE(index.open(QIODevice::WriteOnly));
    index.write("[Icon Theme]\nName=probe\nDirectories=64x64/apps\n\n"
                "[64x64/apps]\nSize=64\nType=Fixed\n");
    index.close();
    ASSERT_TRUE(
        QImage(":/uni.png").save(root.filePath("probe/64x64/apps/applications-science.png")));

    const QStringList paths = QIcon::themeSearchPaths();
    const QString theme = QIcon::themeName();
    QIcon::setThemeSearchPaths({dir.path()});
    QIcon::setThemeName("probe");
    const QString name = MainWindow().windowIcon().name();
    QIcon::setThemeName(theme);
    QIcon::setThemeSearchPaths(paths);
    EXPECT_EQ(name, "applications-science");
}

TEST(Resources, DiskTextureIsOpaqueWhereverTheRendererLooks)
{
    QImage disk(":/kepler.png");
    ASSERT_EQ(disk.size(), QSize(2048, 2048));
    ASSERT_TRUE(disk.hasAlphaChannel());
    // The renderer's lookup: ρ in [0, 1) from inner to outer edge, any angle ψ.
    for (double rho = 0; rho < 1; rho += 1.0 / 512)
        for (double psi = 0; psi < 2 * std::numbers::pi; psi += 0.01) {
            const int column = int(0.5 * disk.width() * (rho * std::sin(psi) + 1));
            const int row = int(0.5 * disk.height() * (rho * std::cos(psi) + 1));
            ASSERT_EQ(qAlpha(disk.pixel(column, row)), 255) << rho << " " << psi;
        }
    const double nearly_outer = 0.999999;
    ASSERT_EQ(qAlpha(disk.pixel(int(1024 * (nearly_outer + 1)), 1024)), 255);
    EXPECT_EQ(qAlpha(disk.pixel(0, 0)), 0) << "corners lie outside the disk";
    EXPECT_EQ(qAlpha(disk.pixel(2047, 2047)), 0);
    EXPECT_GT(qGray(disk.pixel(1024, 1024)), qGray(disk.pixel(1024, 2000)))
        << "the inner edge is the hot one";
}

TEST(Resources, LogoAndIcon)
{
    EXPECT_EQ(QImage(":/uni.png").size(), QSize(362, 351));
    EXPECT_FALSE(QImage(":/ico.ico").isNull());
}

#include "test_mainwindow.moc"
