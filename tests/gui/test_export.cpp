// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/state.h"
#include "app/status_messages.h"
#include "render/run_plan.h"
#include "render/still_image.h"
#include "tests/gui/support/answers.h"
#include "tests/gui/support/widgets.h"
#include "tests/support/avi_file.h"
#include "tests/support/full_disk.h"
#include "tests/support/output_hazards.h"
#include "tests/support/picture_difference.h"
#include "tests/support/ray_scene.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

namespace
{

// JPEG keeps a checkerboard's sharp edges only roughly: the frame must be
// close overall, and in the caption's box far closer to the captioned frame
// than to the bare one.
void expect_captioned_frame(QImage const &decoded, QImage const &captioned, QImage const &bare)
{
    const QRect box(5, 11, 88, 20);
    EXPECT_LT(difference(decoded, captioned), 8);
    EXPECT_LT(2 * difference(decoded, captioned, box), difference(decoded, bare, box));
}

class Export : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        window.show();
        for (MyImage &entry : image)
            if (entry.width() > 1)
                entry.dim(1, 1);
        child<QCheckBox>(window, "checkBox_anim")->setChecked(true);
        choose_frames(window, "2");
    }
    void TearDown() override { stop = sour = false; }

    void save_video(int format, QString const &name)
    {
        const char *names[] = {"avi", "images", "mp4"};
        auto *box = child<QComboBox>(window, "comboBox_FVid");
        box->setCurrentIndex(box->findData(names[format]));
        (format == 0 ? answers->video : format == 1 ? answers->sequence : answers->mp4) = name;
        child<QPushButton>(window, "saveVideoButton")->click();
    }
    void save_image(QString const &name)
    {
        answers->image = name;
        child<QPushButton>(window, "SaveImageButton")->click();
    }
    QString at(const char *name) const { return dir.filePath(name); }
    QString status() { return window.statusBar()->currentMessage(); }

    QTemporaryDir dir;
    MainWindow window;
    Answers *answers = &answer_dialogs(window);
};

// A real 2-frame run at 160×120 with the caption on: each export format holds
// every frame as rendered, caption included, at the rate chosen; Save Image
// takes the frame the slider stands on.
TEST_F(Export, AfterARunEveryFrameIsExportedWithItsCaption)
{
    child<QRadioButton>(window, "radButn1")->click();
    child<QComboBox>(window, "cBox_precise")->setCurrentText("0.100");
    child<QComboBox>(window, "cBox_res")->setCurrentIndex(0);
    child<QCheckBox>(window, "checkBox_sour")->setChecked(true);
    child<QPushButton>(window, "PlayButton")->click();
    ASSERT_EQ(image[1].width(), 160);
    std::vector<QImage> rendered, bare;
    for (int i = 0; i < 2; ++i) {
        rendered.push_back(frame_picture(image[i], QSize(), the_scene.metric, true)
                               .convertToFormat(QImage::Format_RGB32));
        bare.push_back(frame_picture(image[i], QSize(), the_scene.metric, false));
    }

    child<QComboBox>(window, "comboBox_FrameRate")->setCurrentText("12.5");
    save_video(0, at("run.avi"));
    const AviFile avi(at("run.avi"));
    EXPECT_EQ(avi.frames(), 2u);
    EXPECT_EQ(avi.u32(132) * 2, avi.u32(128) * 25) << "12.5 frames per second";
    EXPECT_EQ(status(),
              QString("Saved 2 frames to run.avi (%1)").arg(file_size_text(at("run.avi"))));
    expect_captioned_frame(avi.first_frame(), rendered[0], bare[0]);

    save_video(1, at("clip.jpg"));
    for (int i = 0; i < 2; ++i) {
        QImageReader reader(at("clip") + QString::number(i) + ".jpg");
        EXPECT_EQ(reader.format(), "jpeg") << i;
        expect_captioned_frame(reader.read(), rendered[i], bare[i]);
    }
    EXPECT_EQ(status(), "Saved 2 frames as clip0.jpg … clip1.jpg");
    save_video(2, at("run.mp4"));
    QFile mp4(at("run.mp4"));
    ASSERT_TRUE(mp4.open(QIODevice::ReadOnly));
    EXPECT_EQ(mp4.read(8).mid(4), "ftyp");
    EXPECT_TRUE(status().startsWith("Saved 2 frames to run.mp4 (")) << status().toStdString();

    save_image(at("last.png"));
    EXPECT_EQ(QImage(at("last.png")).convertToFormat(QImage::Format_RGB32), rendered[1]);
    auto *slider = child<QSlider>(window, "horizontalSlider");
    slider->setValue(0);
    save_image(at("chosen.bmp"));
    EXPECT_EQ(QImage(at("chosen.bmp")).convertToFormat(QImage::Format_RGB32), rendered[0]);
    EXPECT_EQ(status(), "Saved frame to chosen.bmp (58 kB)") << "160×120×3 bytes and a header";
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 6);
    EXPECT_TRUE(shown_warnings(window).isEmpty());
}

// Cancelled dialogs write nothing and say nothing (a cancelled panorama
// brings the checkerboard back); before any run Save Image writes the one
// black pixel of entry 0.
TEST_F(Export, CancelledDialogsWriteNothing)
{
    fill(image[0], 16, 12, 0);
    const QString before = QDir::currentPath();
    QDir::setCurrent(dir.path());
    for (int format : {0, 1, 2})
        save_video(format, QString());
    save_image(QString());
    b_gnd = solid_image(4, 4, 0xff00ff00u);
    answers->panorama.clear();
    child<QPushButton>(window, "OpenImageButton")->click();
    QDir::setCurrent(before);
    EXPECT_TRUE(QDir(dir.path()).isEmpty());
    EXPECT_TRUE(b_gnd.isNull());
    EXPECT_TRUE(shown_warnings(window).isEmpty());

    image[0].dim(1, 1);
    save_image(at("first.png"));
    const QImage first(at("first.png"));
    EXPECT_EQ(first.size(), QSize(1, 1));
    EXPECT_EQ(first.pixel(0, 0), 0xff000000u);
}

// What cannot be written or read is told in a box that does not block.
TEST_F(Export, FailuresAreToldInTheWindow)
{
    fill(image[0], 16, 12, 0);
    const QString missing = at("no/such/folder/");
    save_video(0, missing + "v.avi");
    save_video(1, missing + "v.jpg");
    save_video(2, missing + "v.mp4");
    save_image(at("v.unknown"));
    QFile text(at("sky.png"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not an image");
    text.close();
    answers->panorama = text.fileName();
    b_gnd = solid_image(4, 4, 0xff00ff00u);
    child<QPushButton>(window, "OpenImageButton")->click();
    EXPECT_TRUE(b_gnd.isNull());
    const QStringList told = shown_warnings(window);
    ASSERT_EQ(told.size(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(
            told[i].contains(QStringList{"v.avi", "v0.jpg", "v.mp4", "v.unknown", "sky.png"}[i]))
            << told[i].toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"sky.png"});
}

// Save video and Save Image obey the renderer's rules for what lies under
// the name (the sequence's first file): an older file on a disk that fills up
// (a file size limit), a device, a fifo no one reads and a read-only file stay
// exactly as they were, nothing else is left behind, and the box names the
// file and the reason; a link is written through and stays a link; a new name
// of 255 bytes works and gets a new file's usual permissions, a replaced
// file keeps its own.
TEST_F(Export, SavingLeavesWhatItDidNotWriteAsItWas)
{
    fill(image[0], 64, 48, 0);
    fill(image[1], 64, 48, 1);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    const struct {
        Hazard hazard;
        const char *says; // empty: saved
    } hazards[] = {{Hazard::none, ""},
                   {Hazard::older, "File too large"},
                   {Hazard::device, "not a regular file"},
                   {Hazard::fifo, "not a regular file"},
                   {Hazard::read_only, "the file is read-only"},
                   {Hazard::link, ""}};
    // AVI, image sequence, MP4 as in the format box, then Save Image.
    for (int format : {0, 1, 2, 3})
        for (auto const &h : hazards) {
            QTemporaryDir folder;
            const char *suffix = QList{".avi", ".jpg", ".mp4", ".png"}[format];
            const QString stem = h.hazard == Hazard::none ? QString(format == 1 ? 250 : 251, 'n')
                                                          : QStringLiteral("o");
            const QString name = folder.filePath(stem + suffix);
            const QString first = format == 1 ? folder.filePath(stem + "0.jpg") : name;
            SCOPED_TRACE(std::to_string(format) + " " + std::to_string(int(h.hazard)));
            place(h.hazard, first);
            const auto before = disk_state(folder.path());
            {
                const FullDisk disk(h.hazard == Hazard::older ? 1024 : RLIM_INFINITY);
                format == 3 ? save_image(name) : save_video(format, name);
            }
            const auto after = disk_state(folder.path());
            const QStringList told = shown_warnings(window);
            if (*h.says) {
                EXPECT_EQ(after, before);
                ASSERT_EQ(told.size(), 1);
                EXPECT_TRUE(told[0].contains(QFileInfo(first).fileName()) &&
                            told[0].contains(h.says))
                    << told[0].toStdString();
                continue;
            }
            EXPECT_TRUE(told.isEmpty()) << told.join(';').toStdString();
            EXPECT_EQ(after.size(),
                      before.size() + (format == 1 ? 2 : 1) - (h.hazard == Hazard::link));
            EXPECT_GT(QFileInfo(first).size(), 0);
            struct stat made {
            };
            ASSERT_EQ(::stat(QFile::encodeName(first).constData(), &made), 0);
            EXPECT_EQ(made.st_mode & 0777, h.hazard == Hazard::none ? 0666 & ~mask : 0640);
        }
}

// A frame larger than the memory the process may use is refused before a run
// starts, in the renderer's words.
TEST_F(Export, FrameTooLargeForMemoryIsRefusedInTheRenderersWords)
{
    if (!address_limit_testable)
        GTEST_SKIP() << "the address sanitizer needs more address space than any limit leaves";
    choose_frames(window, "1");
    if (!run_fits(image, 1, 16384, 16384, frame_memory_budget()))
        GTEST_SKIP() << "this machine's memory could not hold the frame in any case";
    QFile statm("/proc/self/statm");
    ASSERT_TRUE(statm.open(QIODevice::ReadOnly));
    const rlim_t used = statm.readAll().split(' ').value(0).toULongLong() * ::sysconf(_SC_PAGESIZE);
    rlimit before{};
    getrlimit(RLIMIT_AS, &before);
    rlimit limit = before;
    limit.rlim_cur = used + 600u * 1024 * 1024;
    setrlimit(RLIMIT_AS, &limit);
    window.recomp(16384, 16384);
    setrlimit(RLIMIT_AS, &before);
    EXPECT_EQ(child<QLabel>(window, "label_screen")->text(),
              "Not enough memory for a 16384x16384 frame (needs about 3490 MB).");
    EXPECT_LE(image[0].width(), 1);
}

// Closing the window while frames are written ends the export as Stop does:
// a valid AVI file holding the frames written so far, and no box.
TEST_F(Export, ClosingDuringAnExportLeavesAValidShorterFile)
{
    choose_frames(window, "60");
    for (int i = 0; i < 60; ++i)
        fill(image[i], 320, 240, unsigned(i));
    QTimer::singleShot(0, &window, &QWidget::close);
    save_video(0, at("closed.avi"));
    const AviFile avi(at("closed.avi"));
    EXPECT_LT(avi.frames(), 60u);
    EXPECT_EQ(avi.size(), QSize(320, 240));
    EXPECT_TRUE(shown_warnings(window).isEmpty());
}

// A one-colour panorama colours every ray that escapes: in flat space all
// pixels but the black sphere the rays stop at.
TEST_F(Export, LoadedPanoramaIsTheSkyOfTheNextFrame)
{
    child<QRadioButton>(window, "radButn1")->click();
    const unsigned sky = 0xff3366ccu;
    ASSERT_TRUE(solid_image(8, 4, sky).save(at("sky.png")));
    answers->panorama = at("sky.png");
    child<QPushButton>(window, "OpenImageButton")->click();
    child<QComboBox>(window, "cBox_precise")->setCurrentText("0.100");
    child<QCheckBox>(window, "checkBox_anim")->setChecked(false);
    window.recomp(40, 30);
    EXPECT_EQ(image[0].read(0, 0), sky);
    EXPECT_EQ(image[0].read(20, 15), 0xff000000u);
}

} // namespace
