// Capture settings dialogs and the capture controller, with the operator's
// answers scripted. Live parts capture on the loopback interface only.
#include "capturegui/CFilterDlg.h"
#include "capturegui/CSaveDirDlg.h"
#include "capturegui/CaptureController.h"
#include "capturegui/CaptureLibrary.h"
#include "prompt/Prompter.h"
#include "skin/CSkinButton.h"
#include "TempDir.h"
#include "plugins/LoopbackTraffic.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <thread>

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using trawler::test::TempDir;

namespace {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        // Nothing is ever captured beyond the loopback interface.
        qputenv("TRAWLER_CAPTURE_INTERFACE", "lo");
        static int argc = 1;
        static char name[] = "capture_gui_test";
        static char* argv[] = {name, nullptr};
        m_app = new QApplication(argc, argv);
    }
    void TearDown() override { delete m_app; }

private:
    QApplication* m_app = nullptr;
};
[[maybe_unused]] ::testing::Environment* const g_qt = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

struct Message {
    QString caption;
    QString text;
};

// Plays the operator: each modal dialog takes the next scripted answer.
class ScriptedPrompter : public Prompter {
public:
    using Answer = std::function<int(QDialog&)>;

    void message(QWidget*, const QString& caption, const QString& text) override
    {
        messages.push_back({caption, text});
    }
    QString openFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&) override { return {}; }
    QString directory(QWidget*, const QString&, const QString&) override { return {}; }
    int choose(QWidget*, const QString&, const QString&, const QStringList&) override
    {
        ADD_FAILURE() << "a question was asked that the script did not expect";
        return -1;
    }
    int exec(QDialog& dialog) override
    {
        ++dialogsShown;
        if (answers.empty()) {
            ADD_FAILURE() << "a dialog was shown that the script did not expect";
            return QDialog::Rejected;
        }
        Answer answer = answers.front();
        answers.pop_front();
        return answer(dialog);
    }

    std::deque<Answer> answers;
    std::vector<Message> messages;
    int dialogsShown = 0;
};

// Checks that the filter dialog opens fresh, then selects `radio` (0: none),
// typing `custom` into the edit first when it is not empty, and presses OK.
ScriptedPrompter::Answer chooseFilter(int radio, const QString& custom = {})
{
    return [radio, custom](QDialog& dialog) {
        auto& filter = dynamic_cast<CFilterDlg&>(dialog);
        for (int id : {CFilterDlg::kArpRarp, CFilterDlg::kIcmp, CFilterDlg::kIp, CFilterDlg::kCustom})
            EXPECT_FALSE(filter.radioButton(id)->isChecked()) << "radio " << id << " kept from an earlier opening";
        EXPECT_FALSE(filter.filterEdit()->isEnabled());
        EXPECT_EQ(filter.filterEdit()->text(), "");
        if (!custom.isEmpty()) {
            filter.radioButton(CFilterDlg::kCustom)->click();
            EXPECT_TRUE(filter.filterEdit()->isEnabled());
            filter.filterEdit()->setText(custom);
        }
        if (radio != 0)
            filter.radioButton(radio)->click();
        filter.okButton()->click();
        return dialog.result();
    };
}

ScriptedPrompter::Answer cancel()
{
    return [](QDialog& dialog) {
        dialog.findChildren<CSkinButton*>().last()->click();
        return dialog.result();
    };
}

ScriptedPrompter::Answer typeSaveDir(const QString& dir)
{
    return [dir](QDialog& dialog) {
        auto& saveDir = dynamic_cast<CSaveDirDlg&>(dialog);
        EXPECT_EQ(saveDir.dirEdit()->text(), "") << "the edit starts empty";
        saveDir.dirEdit()->setText(dir);
        saveDir.okButton()->click();
        return dialog.result();
    };
}

} // namespace

TEST(FilterDialogTest, FilterFollowsTheSelectedButton)
{
    CFilterDlg dialog;
    ScriptedPrompter prompter;
    struct Case {
        const char* what;
        int radio;
        QString custom;
        QString expected;
    };
    const Case cases[] = {
        {"no selection", 0, "", ""},
        {"ARP", CFilterDlg::kArpRarp, "", "arp or rarp"},
        {"ICMP", CFilterDlg::kIcmp, "", "icmp"},
        {"IP", CFilterDlg::kIp, "", "ip"},
        {"custom typed", CFilterDlg::kCustom, "tcp port 80", "tcp port 80"},
        {"custom, then ICMP", CFilterDlg::kIcmp, "udp", "icmp"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        prompter.answers.push_back(chooseFilter(c.radio, c.custom));
        EXPECT_EQ(prompter.exec(dialog), QDialog::Accepted);
        EXPECT_EQ(dialog.filter(), c.expected);
    }

    // Custom with an empty edit: no filter at all.
    prompter.answers.push_back([](QDialog& d) {
        auto& filter = dynamic_cast<CFilterDlg&>(d);
        filter.radioButton(CFilterDlg::kCustom)->click();
        filter.okButton()->click();
        return d.result();
    });
    prompter.exec(dialog);
    EXPECT_EQ(dialog.filter(), "");

    // Cancel keeps the last OK's filter; the next opening is fresh again.
    prompter.answers.push_back(chooseFilter(CFilterDlg::kIp));
    prompter.exec(dialog);
    prompter.answers.push_back([](QDialog& d) {
        auto& filter = dynamic_cast<CFilterDlg&>(d);
        filter.radioButton(CFilterDlg::kArpRarp)->click();
        filter.cancelButton()->click();
        return d.result();
    });
    EXPECT_EQ(prompter.exec(dialog), QDialog::Rejected);
    EXPECT_EQ(dialog.filter(), "ip");
    prompter.answers.push_back(chooseFilter(0));
    prompter.exec(dialog);
    EXPECT_EQ(dialog.filter(), "");
}

TEST(FilterDialogTest, OnlyCustomEnablesTheEditWhichKeepsItsText)
{
    CFilterDlg dialog;
    EXPECT_EQ(dialog.radioButton(CFilterDlg::kArpRarp)->text(), "ARP&&RARP");
    EXPECT_EQ(dialog.radioButton(CFilterDlg::kCustom)->text(), QString::fromUtf8("自定义"));
    dialog.radioButton(CFilterDlg::kCustom)->click();
    ASSERT_TRUE(dialog.filterEdit()->isEnabled());
    dialog.filterEdit()->setText("net 10");
    dialog.radioButton(CFilterDlg::kIp)->click();
    EXPECT_FALSE(dialog.filterEdit()->isEnabled());
    EXPECT_EQ(dialog.filterEdit()->text(), "net 10");
    dialog.radioButton(CFilterDlg::kCustom)->click();
    EXPECT_TRUE(dialog.filterEdit()->isEnabled());
    EXPECT_FALSE(dialog.radioButton(CFilterDlg::kIp)->isChecked()) << "radio buttons are one exclusive group";
}

TEST(FilterDialogTest, ExplanationIsShownWhole)
{
    // CJK glyphs of the fallback fonts are wider than the dialog's Latin
    // font: the wrapped explanation must still get all the lines it needs.
    CFilterDlg dialog;
    dialog.show();
    QApplication::processEvents();
    QLabel* explanation = nullptr;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        if (label->wordWrap())
            explanation = label;
    ASSERT_NE(explanation, nullptr);
    EXPECT_GE(explanation->height(), explanation->heightForWidth(explanation->width()));
}

TEST(CaptureControllerTest, SaveDirectoryTakenExactlyAsTyped)
{
    ScriptedPrompter prompter;
    CaptureController controller(prompter, nullptr);
    EXPECT_EQ(controller.saveDir(), QDir::homePath());

    prompter.answers.push_back(typeSaveDir("/tmp/caps "));
    controller.setSaveDir();
    EXPECT_EQ(controller.saveDir(), "/tmp/caps ");
    prompter.answers.push_back(cancel());
    controller.setSaveDir();
    EXPECT_EQ(controller.saveDir(), "/tmp/caps ");
    prompter.answers.push_back(typeSaveDir(""));
    controller.setSaveDir();
    EXPECT_EQ(controller.saveDir(), "");
    EXPECT_TRUE(prompter.messages.empty());
}

class LiveController : public ::testing::Test {
protected:
    void SetUp() override { CaptureLibrary::setDirectory(QStringLiteral(TRAWLER_BINARY_DIR "/bin")); }
    void TearDown() override { CaptureLibrary::setDirectory({}); }

    void useTempDir(CaptureController& controller)
    {
        prompter.answers.push_back(typeSaveDir(QString::fromStdString(m_dir.path().string())));
        controller.setSaveDir();
    }
    std::vector<fs::path> files() const
    {
        std::vector<fs::path> found;
        for (const auto& entry : fs::directory_iterator(m_dir.path()))
            found.push_back(entry.path());
        return found;
    }

    ScriptedPrompter prompter;
    TempDir m_dir;
};

TEST_F(LiveController, MissingLibraryAndCancelledDialogStartNothing)
{
    TempDir empty;
    CaptureLibrary::setDirectory(QString::fromStdString(empty.path().string()));
    CaptureController controller(prompter, nullptr);
    QSignalSpy changes(&controller, &CaptureController::capturingChanged);
    controller.start();
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].caption, "Trawler");
    EXPECT_EQ(prompter.messages[0].text, "Not found dll.");
    EXPECT_EQ(prompter.dialogsShown, 0) << "no filter dialog without the library";

    CaptureLibrary::setDirectory(QStringLiteral(TRAWLER_BINARY_DIR "/bin"));
    useTempDir(controller);
    prompter.answers.push_back(cancel());
    controller.start();
    EXPECT_EQ(prompter.messages.size(), 1u) << "a cancelled filter dialog says nothing";
    EXPECT_FALSE(controller.isCapturing());
    EXPECT_EQ(changes.count(), 0);
    EXPECT_TRUE(files().empty());

    // Stop without a start: no message.
    controller.stop();
    EXPECT_EQ(prompter.messages.size(), 1u);
}

TEST_F(LiveController, CaptureThatCannotStartSaysWhyWithoutBanner)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "live capture on lo needs root (CAP_NET_RAW)";
    CaptureController controller(prompter, nullptr);
    QSignalSpy changes(&controller, &CaptureController::capturingChanged);
    useTempDir(controller);
    prompter.answers.push_back(chooseFilter(CFilterDlg::kCustom, "icmpp and"));
    controller.start();
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].caption, "Trawler");
    EXPECT_TRUE(prompter.messages[0].text.contains("Invalid capture filter")) << prompter.messages[0].text.toStdString();

    prompter.answers.push_back(typeSaveDir(QString::fromStdString(m_dir.file("missing"))));
    controller.setSaveDir();
    prompter.answers.push_back(chooseFilter(0));
    controller.start();
    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_TRUE(prompter.messages[1].text.contains("No such file or directory")) << prompter.messages[1].text.toStdString();

    QCoreApplication::processEvents();
    EXPECT_FALSE(controller.isCapturing());
    EXPECT_EQ(changes.count(), 0) << "the banner must never show for a capture that did not start";
    EXPECT_TRUE(files().empty());
    EXPECT_EQ(prompter.messages.size(), 2u);
}

TEST_F(LiveController, StartStopAndSecondStartRefused)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "live capture on lo needs root (CAP_NET_RAW)";
    CaptureController controller(prompter, nullptr);
    QSignalSpy changes(&controller, &CaptureController::capturingChanged);
    useTempDir(controller);

    prompter.answers.push_back(chooseFilter(CFilterDlg::kIcmp));
    controller.start();
    ASSERT_TRUE(controller.isCapturing()) << (prompter.messages.empty() ? "" : prompter.messages[0].text.toStdString());
    ASSERT_EQ(changes.count(), 1);
    EXPECT_EQ(changes[0][0].toBool(), true);
    trawler::test::pingLoopback(2);
    trawler::test::sendUdpOverLoopback(2);

    // A second start while capturing: refused before any dialog.
    const int shown = prompter.dialogsShown;
    controller.start();
    EXPECT_EQ(prompter.dialogsShown, shown);
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_TRUE(prompter.messages[0].text.contains("already running"));
    EXPECT_TRUE(controller.isCapturing());

    std::this_thread::sleep_for(300ms);
    controller.stop();
    EXPECT_FALSE(controller.isCapturing());
    ASSERT_EQ(changes.count(), 2);
    EXPECT_EQ(changes[1][0].toBool(), false);
    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_EQ(prompter.messages[1].caption, "Trawler");
    EXPECT_EQ(prompter.messages[1].text, "Thread Ended.");

    const auto written = files();
    ASSERT_EQ(written.size(), 1u);
    const auto file = trawler::test::readCaptureFile(written[0].string());
    ASSERT_TRUE(file.opened);
    EXPECT_EQ(trawler::test::countOwnEchoes(file.frames), 4) << "two echo requests and their replies";
    EXPECT_EQ(trawler::test::countOwnUdp(file.frames), 0) << "UDP passed the ICMP filter";

    // Late news of the stopped worker changes nothing; a second stop says nothing.
    QCoreApplication::processEvents();
    controller.stop();
    EXPECT_EQ(prompter.messages.size(), 2u);

    // And capture starts again.
    prompter.answers.push_back(chooseFilter(0));
    controller.start();
    EXPECT_TRUE(controller.isCapturing());
    controller.stop();
    EXPECT_EQ(files().size(), 2u);
}

TEST_F(LiveController, DestroyingTheControllerStopsTheCaptureCleanly)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "live capture on lo needs root (CAP_NET_RAW)";
    {
        CaptureController controller(prompter, nullptr);
        useTempDir(controller);
        prompter.answers.push_back(chooseFilter(CFilterDlg::kIcmp));
        controller.start();
        ASSERT_TRUE(controller.isCapturing());
        trawler::test::pingLoopback(1);
        std::this_thread::sleep_for(200ms);
    }
    EXPECT_TRUE(prompter.messages.empty());
    const auto written = files();
    ASSERT_EQ(written.size(), 1u);
    EXPECT_EQ(trawler::test::countOwnEchoes(trawler::test::readCaptureFile(written[0].string()).frames), 2);
}

TEST_F(LiveController, CaptureEndingByItselfClearsTheBannerAndSaysWhy)
{
    CaptureLibrary::setDirectory(QStringLiteral(TRAWLER_BINARY_DIR "/tests/fake-capture-failing"));
    CaptureController controller(prompter, nullptr);
    QSignalSpy changes(&controller, &CaptureController::capturingChanged);
    useTempDir(controller);
    prompter.answers.push_back(chooseFilter(0));
    controller.start();
    EXPECT_TRUE(controller.isCapturing());
    ASSERT_TRUE(changes.count() == 2 || changes.wait(5000));
    ASSERT_EQ(changes.count(), 2);
    EXPECT_FALSE(controller.isCapturing());
    ASSERT_EQ(prompter.messages.size(), 1u);
    EXPECT_EQ(prompter.messages[0].caption, "Trawler");
    EXPECT_TRUE(prompter.messages[0].text.contains("the interface went down"));
    controller.stop();
    EXPECT_EQ(prompter.messages.size(), 1u) << "nothing left to stop";

    // A library without the entry point "Capture" is never called.
    CaptureLibrary::setDirectory(QStringLiteral(TRAWLER_BINARY_DIR "/tests/fake-capture-noentry"));
    controller.start();
    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_TRUE(prompter.messages[1].text.contains("no entry point \"Capture\""));
    EXPECT_FALSE(controller.isCapturing());
}
