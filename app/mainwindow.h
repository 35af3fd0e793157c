// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/file_dialogs.h"
#include "app/live_view.h"

#include <QMainWindow>
#include <QString>

#include <memory>

namespace Ui
{
class MainWindow;
}

class ChangeHistory;
class PlotNavigation;
class QLineEdit;
class QCloseEvent;
class QMenu;
class QResizeEvent;
struct SceneSettings;

// The one window of the program. Every user action arrives as a slot connected
// by widget name (on_<objectName>_<signal>); the slot bodies live in files by
// subject (presets, parameters, pipeline, geodesics view, animation, still
// images, video export). The declaration order fixes the slots' meta-method
// indices, so new slots go after the existing ones.
class MainWindow : public QMainWindow
{
    Q_OBJECT

  public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // File → Open scene…, Save scene…: false, with a warning and nothing
    // changed, when the file cannot be read or written or does not hold a
    // scene this window can show.
    bool open_scene(QString const &path);
    bool save_scene(QString const &path);
    // The view as the fields show it.
    SceneSettings scene_settings() const;
    // The one place a move of the observer by hand lands: the r, θ and φ
    // fields take the values as if typed, the speed is proposed again for
    // the new place when it was the proposed one (a typed speed is kept), and
    // the live view renders the new view.
    void move_observer(ObserverPlace const &to);
    // A finished move (a drag released, a wheel notch, a key) becomes one
    // step of the undo history.
    void take_move();

  protected:
    void resizeEvent(QResizeEvent *e) override;

  public slots:
    void on_tt_editingFinished();
    void on_tr_editingFinished();
    void on_te_editingFinished();
    void on_tf_editingFinished();
    void on_rt_editingFinished();
    void on_rr_editingFinished();
    void on_re_editingFinished();
    void on_rf_editingFinished();
    void on_et_editingFinished();
    void on_er_editingFinished();
    void on_ee_editingFinished();
    void on_ef_editingFinished();
    void on_ft_editingFinished();
    void on_fr_editingFinished();
    void on_fe_editingFinished();
    void on_ff_editingFinished();
    void on_lineEdit_a_editingFinished();
    void on_lineEdit_M_editingFinished();
    void on_lineEdit_Q_editingFinished();
    void on_lineEdit_L_editingFinished();
    void on_lineEdit_r_editingFinished();
    void on_lineEdit_th_editingFinished();
    void on_lineEdit_VneH_textChanged(const QString &arg1);
    void on_lineEdit_VniH_textChanged(const QString &arg1);
    void on_tt_textEdited(const QString &text);
    void on_tr_textEdited(const QString &text);
    void on_te_textEdited(const QString &text);
    void on_tf_textEdited(const QString &text);
    void on_rt_textEdited(const QString &text);
    void on_rr_textEdited(const QString &text);
    void on_re_textEdited(const QString &text);
    void on_rf_textEdited(const QString &text);
    void on_et_textEdited(const QString &text);
    void on_er_textEdited(const QString &text);
    void on_ee_textEdited(const QString &text);
    void on_ef_textEdited(const QString &text);
    void on_ft_textEdited(const QString &text);
    void on_fr_textEdited(const QString &text);
    void on_fe_textEdited(const QString &text);
    void on_ff_textEdited(const QString &text);
    void on_verticalSlider_sliderReleased();
    void on_StopButton_clicked();
    void on_PlayButton_clicked();
    void on_cBox_precise_currentTextChanged(const QString &text);
    void on_OpenImageButton_clicked();
    void on_radButn1_toggled(bool checked);
    void on_radButn2_toggled(bool checked);
    void on_radButn3_toggled(bool checked);
    void on_radButn4_toggled(bool checked);
    void on_radButn5_toggled(bool checked);
    void on_checkBox_anim_stateChanged(int state);
    void on_SaveImageButton_clicked();
    void on_horizontalSlider_sliderMoved(int position);
    void on_saveVideoButton_clicked();
    void on_lineEdit_v_textChanged(const QString &text);
    void on_spinBox_v_valueChanged(double value);
    void on_tabWidget_currentChanged(int index);
    void on_spinBox_round_valueChanged(double value);
    void on_lineEdit_inK_editingFinished();
    void on_lineEdit_outK_editingFinished();
    void on_lineEdit_RSO_editingFinished();
    void on_lineEdit_LSO_editingFinished();
    void on_checkBox_kepler_toggled(bool checked);
    void on_comboBox_transp_currentIndexChanged(int index);
    void on_checkBox_sour_toggled(bool checked);

    // Plain members declared among the slots: called directly, never
    // connected to a signal.
    void recomp(int width, int height);
    void draw_geodetics();
    void reload();
    void pre_v();
    QString corect(QString text, qsizetype cursor);

  public:
    // Where the window's file names come from; the standard dialogs until replaced.
    void set_file_dialogs(std::unique_ptr<FileDialogs> d) { file_dialogs = std::move(d); }

  private:
    friend class LiveView;

    void fit_content();
    void build_file_menu();
    void build_edit_menu();
    void fill_recent_menu(QMenu *menu);
    // The scene file the view was last opened from or saved to, in the title.
    void set_scene_path(QString const &path);
    [[nodiscard]] QString window_check(SceneSettings const &s) const;
    void apply_scene(SceneSettings const &s);
    // A failure the user must see, from whichever tab the action came:
    // a box that does not block the window.
    void warn(QString const &text);
    // A core message ("cannot write …: why") as the start of a sentence.
    static QString sentence(QString const &message);

    std::unique_ptr<Ui::MainWindow> ui;
    // The panorama a scene file named, while it is the one shown.
    QString panorama_file;
    qint64 panorama_key = 0;
    std::unique_ptr<FileDialogs> file_dialogs = std::make_unique<StandardFileDialogs>();
    ChangeHistory *history = nullptr;
    PlotNavigation *plot_navigation = nullptr; // wheel and drag on the geodesics plot

    [[nodiscard]] QString check_metric_inputs();
    void show_characteristics(const QString &outer, const QString &inner, const QString &right,
                              const QString &left);
    [[nodiscard]] QString input_problem();
    // The inner radius field's mark where the metric has no stable orbit.
    QString no_orbital_edge() const;
    bool take_number(QLineEdit *field, const char *key, bool single);
    bool take_start_radius();
    void take_speed_text();
    void show_speed(double v);
    void take_azimuth();
    [[nodiscard]] double proposed_speed_here();
    [[nodiscard]] bool speed_is_proposed();

    QString characteristics[4]; // what the horizon and orbit fields show
    QString metric_problem;     // why the metric did not compile; empty when it did
    QString last_compiled[16];  // the formulas of the metric compiled last

    void show_browsed(int f);
    void show_stored_frame(int f);
    void show_notice(const QString &text);
    void refresh_formula_help();
    void show_tracing_path();
    bool eventFilter(QObject *watched, QEvent *event) override;

    void end_browsing_at(int frames, int finished);
    void uncheck_edited_preset();
    void closeEvent(QCloseEvent *event) override;

    int shown_frame = -1;       // the stored frame the display shows; -1 none
    bool zoom_stopped = false;  // the zoom slider cancelled the running run
    bool run_cut_short = false; // the last run finished fewer frames than asked
    bool closing = false;       // the window was closed while it was busy
    LiveView *live = nullptr;   // owned as a child of the window
};
