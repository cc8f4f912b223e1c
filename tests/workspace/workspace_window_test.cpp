#include <gtest/gtest.h>

#include <array>
#include <map>
#include <random>

#include <QAction>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "engine/network_file.h"
#include "net_builder.h"
#include "recording_ui.h"
#include "sized_network.h"
#include "stub_views.h"
#include "workspace/grid_host.h"
#include "workspace/main_window.h"
#include "widget_lookup.h"
#include "workspace/profile_host.h"

namespace vd {
namespace {

struct RecordingGrid : GridHost {
    std::vector<std::string> calls;
    void mnusewer() override { calls.push_back("mnusewer"); }
    void mnulatral() override { calls.push_back("mnulatral"); }
    void mnuout() override { calls.push_back("mnuout"); }
    void frm7upDATE() override { calls.push_back("frm7upDATE"); }
};

struct RecordingProfile : ProfileHost {
    std::vector<std::string> calls;
    Model* m = nullptr;
    void ff() override { calls.push_back("ff"); }
    void Resize1() override { calls.push_back("Resize1"); }
    void ReloadSheetOptions() override {
        calls.push_back("reload");
        m->ObjectStyles[26].Color = 2.5f;
    }
};

QByteArray ReadBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class WorkspaceWindow : public ::testing::Test {
protected:
    void SetUp() override {
        QStandardPaths::setTestModeEnabled(true);
        grid = new RecordingGrid;
        profile = new RecordingProfile;
        profile->m = &m;
        form = std::make_unique<Form1>(m, dialogs, WorkspaceViews{grid, profile});
        w = &form->workspace();
        w->setImportColumnsPath(dir.path() + "/import.col");
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    void TearDown() override { form.reset(); }

    void click(QPushButton* b) { QTest::mouseClick(b, Qt::LeftButton); }
    // The workspace's controls by their form names.
    template <typename T>
    T* child(const QString& name) const { return test::Child<T>(w, name); }
    QPushButton* button(const char* name) const { return child<QPushButton>(name); }
    // "F P S Pr A L": File, Process, Save As, Profile, ACAD, Latral; 1 enabled.
    std::string states() const {
        std::string s;
        for (const char* name : {"Command1", "Command2", "Command10", "Command3", "Command11", "Command13"}) {
            s += button(name)->isEnabled() ? '1' : '0';
        }
        return s;
    }
    QString path(const char* name) const { return dir.path() + "/" + name; }
    void smallNetwork() {
        test::NetBuilder net(m);
        net.line("1", "2").len(40).dia(300).gr(101, 100.5f).inv(99, 98.8f);
        net.line("2", "3").len(40).dia(300).gr(100.5f, 100).inv(98.8f, 98.6f);
    }

    Model m;
    ScriptedDialogs dialogs;
    QTemporaryDir dir;
    RecordingGrid* grid;
    RecordingProfile* profile;
    std::unique_ptr<Form1> form;
    Vorlan* w;
};

TEST_F(WorkspaceWindow, StartUp) {
    EXPECT_EQ(form->windowTitle(), "VIDODUV");
    std::vector<QString> captions;
    for (const char* name : {"Command1", "Command14", "Command10", "Command4", "Command2", "Command3", "Command11",
                             "Command13", "Command5"})
        captions.push_back(button(name)->text());
    EXPECT_EQ(captions, (std::vector<QString>{"File", "XLS", "Save As", "SEWER", "Process", "Profile", "ACAD",
                                              "Latral", "About"}));
    EXPECT_EQ(states(), "111000");
    EXPECT_EQ(child<QCheckBox>("Check3")->text(), "Mh Type");
    EXPECT_FALSE(child<QCheckBox>("Check3")->isChecked());
    EXPECT_GT(child<QCheckBox>("Check3")->x(), button("Command5")->x());
    EXPECT_TRUE(child<GridHost>("FLEX1")->isHidden());
    EXPECT_TRUE(child<ProfileHost>("prof1")->isHidden());
    EXPECT_TRUE(child<QGroupBox>("Frame2")->isHidden());
    EXPECT_TRUE(child<QGroupBox>("Frame4")->isHidden());
    EXPECT_EQ(child<QGroupBox>("Frame2")->title(), "Import  XLS");
    EXPECT_EQ(child<QLineEdit>(test::Indexed("Text5", 14))->text(), "15");
    std::vector<QString> menu;
    for (QAction* a : child<QMenu>("mnufile")->actions()) menu.push_back(a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(menu, (std::vector<QString>{"Open", "Import", "Get Prf", "Get EXCEL", "Get EXCEL Book", "Get ACAD",
                                          "Get ACAD Block", "-", "Save", "Save As", "Set EXCEL", "Set ACAD", "-",
                                          "Criteria"}));
    AppendLog(m, "hello");
    EXPECT_EQ(child<QPlainTextEdit>("Textwin")->toPlainText(), "hello");
}

// The workspace's frames, passed when the test says.
struct TestFrameClock {
    qint64 now = qint64{1} << 40;  // far past any hand-over before the test
    TestFrameClock() { OncePerFrame::SetClock([this] { return now; }); }
    ~TestFrameClock() { OncePerFrame::SetClock({}); }
};

// Lets the window run until the widget's timers have nothing left to do.
bool WindowRuns(QWidget* widget) {
    return QTest::qWaitFor(
        [&] {
            for (QTimer* t : widget->findChildren<QTimer*>(Qt::FindDirectChildrenOnly))
                if (t->isActive()) return false;
            return true;
        },
        10000);
}

// The box shows exactly the kept log however the messages run (short and
// long ones, empty ones, line breaks inside a message), at the latest when
// the frame of the last message ends: a long run's messages are not each
// laid out in the box.
TEST_F(WorkspaceWindow, LogBoxFollowsTheKeptLog) {
    TestFrameClock clock;
    std::mt19937 rng(11);
    auto* box = child<QPlainTextEdit>("Textwin");
    auto kept = [&] {
        QString shown = QString::fromLatin1(w->logText().c_str());
        shown.replace("\r\n", "\n");
        shown.chop(1);
        return shown;
    };
    int behind = 0;
    for (int k = 0; k < 600; ++k) {
        std::string message(std::uniform_int_distribution<int>(0, k % 50 == 0 ? 1700 : 120)(rng), 'a');
        for (char& c : message) c = static_cast<char>('a' + rng() % 26);
        if (k % 97 == 5 && !message.empty()) message[message.size() / 2] = '\n';
        if (k % 89 == 7) message += "\r\nnext";
        AppendLog(m, message);
        behind += box->toPlainText() != kept();
        if (k % 100 == 99) {
            ASSERT_TRUE(WindowRuns(box));  // the frame ends and the window runs
            ASSERT_EQ(box->toPlainText(), kept()) << k;
            // The first message a frame after the box was last given the log
            // shows at once, the window running or not; one a moment sooner waits.
            clock.now += OncePerFrame::kFrameMs - 1;
            AppendLog(m, "soon " + std::to_string(k));
            ASSERT_NE(box->toPlainText(), kept()) << k;
            clock.now += 1;
            AppendLog(m, "now " + std::to_string(k));
            ASSERT_EQ(box->toPlainText(), kept()) << k;
        }
    }
    EXPECT_GT(behind, 500);
}

// The bar paints at most once a frame but shows the last value it is given.
TEST_F(WorkspaceWindow, ProgressBarShowsTheLastValue) {
    TestFrameClock clock;
    auto* progress = child<QProgressBar>("ProgressBar1");
    auto frame = [&] { clock.now += OncePerFrame::kFrameMs; };
    frame();
    for (int v : {5, 6, 7, 50, 99, 100, 3}) {
        m.Ui->SetProgress(v);
        EXPECT_EQ(w->ui().progress(), v);
        EXPECT_TRUE(progress->updatesEnabled());
    }
    EXPECT_EQ(progress->value(), 5);  // the rest is held for the end of the frame
    frame();
    m.Ui->SetProgress(60);  // a frame after the last paint: shown at once
    EXPECT_EQ(progress->value(), 60);
    m.Ui->SetProgress(61);
    EXPECT_EQ(progress->value(), 60);
    m.Ui->SetProgress(0);  // the command's own reset shows at once
    EXPECT_EQ(progress->value(), 0);
    m.Ui->SetProgress(37);
    ASSERT_TRUE(WindowRuns(progress));  // the held value shows, then the reset
    EXPECT_EQ(progress->value(), 0);
    // A command that ends with the bar up leaves it at 0 once the window runs again.
    frame();
    m.Ui->SetProgress(94);
    EXPECT_EQ(progress->value(), 94);
    ASSERT_TRUE(WindowRuns(progress));
    EXPECT_EQ(progress->value(), 0);
    // A long status text ends where the bar begins: none of it lies under the bar.
    m.Ui->SetStatus(std::string(300, 'x'));
    QCoreApplication::processEvents();
    QWidget* bar = child<QProgressBar>("ProgressBar1");
    QWidget* panel = child<QLabel>("panel1");
    const QRect barRect(bar->mapTo(form.get(), QPoint(0, 0)), bar->size());
    const QRect panelRect(panel->mapTo(form.get(), QPoint(0, 0)), panel->size());
    EXPECT_FALSE(barRect.intersects(panelRect)) << barRect.x() << " " << panelRect.right();
    EXPECT_TRUE(bar->isVisible());
}

TEST(WorkspaceLayout, ResizeRules) {
    QSize s = FormResize(QSize(11055, 7815), 9000, 6000);
    EXPECT_EQ(s, QSize(9000, 5500));
    WorkspaceGeometry g;
    WorkspaceResize(g, s.width(), s.height());
    EXPECT_EQ(g.prof1, QRect(0, 360, 9000, 5500));
    EXPECT_EQ(g.flex1, QRect(100, 500, 8500, 4500));
    EXPECT_EQ(g.progressTop, 5200);
    EXPECT_EQ(FormResize(QSize(11055, 7815), 500, 500), QSize(11055, 7815));
    WorkspaceGeometry small;
    WorkspaceResize(small, 500, 500);
    EXPECT_EQ(small.flex1, WorkspaceGeometry{}.flex1);
    EXPECT_EQ(small.progressTop, 200);
}

TEST_F(WorkspaceWindow, GridToggleWritesBackOnEveryClose) {
    click(button("Command4"));
    EXPECT_FALSE(child<GridHost>("FLEX1")->isHidden());
    EXPECT_EQ(grid->calls, std::vector<std::string>{"mnusewer"});
    EXPECT_EQ(states(), "001000");
    EXPECT_EQ(w->statusText(), "Data" + std::string(24, ' '));
    EXPECT_TRUE(child<QPlainTextEdit>("Textwin")->isHidden());
    EXPECT_FALSE(button("Command9")->isHidden());
    QRect f = child<GridHost>("FLEX1")->geometry();
    EXPECT_NEAR(button("Command9")->x(), f.right() + 1 - Px(300), 1);
    EXPECT_NEAR(button("Command9")->y(), f.top() + 1, 1);

    button("Command13")->setEnabled(true);  // as after a Process run
    click(button("Command13"));  // closes, does not switch to the lateral table
    EXPECT_TRUE(child<GridHost>("FLEX1")->isHidden());
    EXPECT_EQ(grid->calls, (std::vector<std::string>{"mnusewer", "frm7upDATE"}));
    EXPECT_EQ(w->statusText(), std::string(29, ' '));
    EXPECT_EQ(states(), "111001");
    EXPECT_TRUE(button("Command9")->isHidden());

    click(button("Command4"));
    click(button("Command9"));
    EXPECT_TRUE(child<GridHost>("FLEX1")->isHidden());
    EXPECT_EQ(grid->calls.back(), "frm7upDATE");
    EXPECT_EQ(states(), "111001");
    EXPECT_TRUE(button("Command9")->isHidden());
    EXPECT_EQ(w->statusText(), kGridOpenStatus);  // the close box leaves the status

    click(button("Command4"));
    click(button("Command14"));  // "XLS" closes the grid through its close steps
    EXPECT_TRUE(child<GridHost>("FLEX1")->isHidden());
    EXPECT_EQ(grid->calls.back(), "frm7upDATE");
    EXPECT_TRUE(button("Command9")->isHidden());
    EXPECT_EQ(states(), "110001");
    EXPECT_FALSE(child<QGroupBox>("Frame2")->isHidden());
    // Hiding an already hidden grid writes nothing.
    size_t n = grid->calls.size();
    child<GridHost>("FLEX1")->hide();
    EXPECT_EQ(grid->calls.size(), n);
}

TEST_F(WorkspaceWindow, ProcessThenProfile) {
    smallNetwork();
    m.ProjectFolder = (dir.path() + "/").toStdString();
    m.ProjectName = "net";
    child<QAction>("mnuimport")->trigger();
    child<QPlainTextEdit>("Textwin")->hide();
    click(button("Command2"));
    EXPECT_EQ(states(), "111111");
    EXPECT_TRUE(child<QGroupBox>("Frame4")->isHidden());
    EXPECT_FALSE(child<QPlainTextEdit>("Textwin")->isHidden());
    const auto first = w->logText().find("Process\r\n");
    ASSERT_NE(first, std::string::npos);
    EXPECT_NE(w->logText().find("Process...\r\n", first), std::string::npos);
    EXPECT_TRUE(QFile::exists(path("net-3.bak")));

    click(button("Command4"));  // grid open
    click(button("Command3"));  // profile opens, grid closes with a write-back
    EXPECT_FALSE(child<ProfileHost>("prof1")->isHidden());
    EXPECT_TRUE(child<GridHost>("FLEX1")->isHidden());
    EXPECT_EQ(grid->calls.back(), "frm7upDATE");
    EXPECT_EQ(profile->calls, (std::vector<std::string>{"reload", "ff", "Resize1"}));
    EXPECT_EQ(m.SheetLayoutMode, 2);  // 2.5 to the even neighbour
    EXPECT_EQ(states(), "001101");
    click(button("Command3"));
    EXPECT_TRUE(child<ProfileHost>("prof1")->isHidden());
    EXPECT_EQ(states(), "111101");  // ACAD stays off until the next Process
    click(button("Command2"));
    EXPECT_EQ(states(), "111111");
    EXPECT_FALSE(child<QPlainTextEdit>("Textwin")->isHidden());
}

TEST_F(WorkspaceWindow, ProcessWithManholeTypes) {
    smallNetwork();
    QTest::mouseClick(child<QCheckBox>("Check3"), Qt::LeftButton);
    ASSERT_TRUE(child<QCheckBox>("Check3")->isChecked());
    click(button("Command2"));
    EXPECT_EQ(m.Lines[1].MhType.trim(), "T2");
    EXPECT_NEAR(m.Lines[1].Mincover, 1.7f, 1e-4);
}

TEST_F(WorkspaceWindow, OpenSaveAndCaptions) {
    smallNetwork();
    ASSERT_TRUE(SaveNetworkText(m, "net.asb", (dir.path() + "/").toStdString()));
    m.LineCount = 0;
    for (QPushButton* b : {button("Command3"), button("Command11"), button("Command13")}) b->setEnabled(true);
    dialogs.files.push_back(path("net.asb"));
    child<QAction>("mnuopen")->trigger();
    EXPECT_EQ(states(), "111010");  // Profile and Latral wait for the next Process
    EXPECT_EQ(dialogs.asked.back().title, "Open Prof file");
    EXPECT_EQ(dialogs.asked.back().filter, "profile File (*.asb)|*.asb");
    EXPECT_EQ(form->windowTitle(), "DIRURUV - net");
    EXPECT_EQ(m.LineCount, 2);
    EXPECT_EQ(m.LatCount, 0);
    EXPECT_EQ(m.ProjectName, "net");
    EXPECT_EQ(m.ProjectFolder, (dir.path() + "/").toStdString());
    EXPECT_TRUE(QFile::exists(path("net.bak")));

    // Save after Open: straight to the file, no dialog.
    size_t asked = dialogs.asked.size();
    m.Lines[1].Len = 55;
    child<QAction>("mnusave")->trigger();
    EXPECT_EQ(dialogs.asked.size(), asked);
    EXPECT_TRUE(ReadBytes(path("net.asb")).contains(" 55 "));

    // Save As "plan" asks about plan.asb, the file it writes.
    WriteBytes(path("plan.asb"), "OLD");
    dialogs.files.push_back(path("plan"));
    dialogs.answers.push_back(false);
    click(button("Command10"));
    EXPECT_EQ(dialogs.asked.back().kind, ScriptedDialogs::Asked::YesNo);
    EXPECT_EQ(dialogs.asked.back().title, " Overwrite ?");
    EXPECT_EQ(dialogs.asked.back().preset, "No");
    EXPECT_EQ(ReadBytes(path("plan.asb")), "OLD");
    EXPECT_EQ(form->windowTitle(), "DIRURUV - net");

    dialogs.files.push_back(path("new.asb"));
    child<QAction>("mnusaveas")->trigger();
    EXPECT_EQ(dialogs.asked.back().preset, "net");
    EXPECT_EQ(form->windowTitle(), "VORLAN  new");
    EXPECT_TRUE(QFile::exists(path("new.asb")));

    // A save that cannot be written says so and keeps the project where it was.
    dialogs.files.push_back("/nonexistent-folder/x.asb");
    child<QAction>("mnusaveas")->trigger();
    EXPECT_FALSE(dialogs.messages.empty());
    EXPECT_EQ(form->windowTitle(), "VORLAN  new");
    EXPECT_EQ(m.ProjectName, "new");
    EXPECT_NE(w->logText().find("Not saved: /nonexistent-folder/x.asb"), std::string::npos);
}

// What the network file and its coordinates carry of a line.
bool SameSavedLine(const LineRecord& a, const LineRecord& b) {
    return a.From == b.From && a.to == b.to && a.Latral == b.Latral && a.MhType == b.MhType && a.Len == b.Len &&
           a.Gr1 == b.Gr1 && a.Gr2 == b.Gr2 && a.Inv1 == b.Inv1 && a.Inv2 == b.Inv2 && a.slope == b.slope &&
           a.Dia == b.Dia && a.X1 == b.X1 && a.Y1 == b.Y1 && a.X2 == b.X2 && a.Y2 == b.Y2;
}

// Every network the program holds, it saves and opens again in a fresh
// program, tables sized to it; a file beyond the limit is refused whole.
TEST_F(WorkspaceWindow, NetworksOfEverySizeOpenAgain) {
    const std::string folder = (dir.path() + "/").toStdString();
    Model fresh;
    ScriptedDialogs d;
    std::unique_ptr<Form1> program;
    for (int count : {2001, 10000, 32000}) {
        Model saved;
        test::SizedNetwork(saved, count);
        const std::string name = "n" + std::to_string(count);
        ASSERT_TRUE(SaveProject(saved, name, folder));
        program.reset();
        fresh = Model();
        program = std::make_unique<Form1>(fresh, d, test::StubViews());
        d.files.push_back(QString::fromStdString(folder + name + ".asb"));
        program->workspace().openvrl();
        EXPECT_TRUE(d.messages.empty()) << count;
        ASSERT_EQ(fresh.LineCount, count);
        EXPECT_EQ(fresh.LineUpper(), std::min(count + 10, 32000)) << count;
        EXPECT_EQ(fresh.LinkUpper(), std::min(count + 20, 32020)) << count;
        EXPECT_EQ(fresh.Results.size(), fresh.Lines.size());
        int differing = 0;
        for (int i = 1; i <= count; ++i) differing += !SameSavedLine(fresh.Lines[i], saved.Lines[i]);
        EXPECT_EQ(differing, 0) << count;
        EXPECT_TRUE(QFile::exists(QString::fromStdString(folder + name + ".bak")));
    }

    // One line more than the limit: said with both numbers, nothing changes.
    QByteArray bytes = ReadBytes(QString::fromStdString(folder + "n32000.asb"));
    bytes.insert(bytes.indexOf("END"), bytes.left(bytes.indexOf('\n') + 1));
    WriteBytes(path("over.asb"), bytes);
    d.files.push_back(path("over.asb"));
    program->workspace().openvrl();
    ASSERT_EQ(d.messages.size(), 1u);
    EXPECT_TRUE(d.messages[0].contains("has 32001 lines; the line table holds at most 32000.")) << d.messages[0].toStdString();
    EXPECT_EQ(fresh.LineCount, 32000);
    EXPECT_EQ(fresh.Lines[32000].From.trim(), "MH32000");
    EXPECT_EQ(program->windowTitle(), "DIRURUV - n32000");
    EXPECT_FALSE(QFile::exists(path("over.bak")));
    program.reset();
}

// Save writes over the opened file only while the lines came from it: after
// an import it asks first, and No keeps the file.
TEST_F(WorkspaceWindow, SaveAfterAnImportAsksBeforeReplacingTheOpenedFile) {
    smallNetwork();
    dialogs.saveChoices.assign(1, Dialogs::SaveChoice::Discard);
    ASSERT_TRUE(SaveNetworkText(m, "net.asb", (dir.path() + "/").toStdString()));
    dialogs.files.push_back(path("net.asb"));
    child<QAction>("mnuopen")->trigger();
    const QByteArray opened = ReadBytes(path("net.asb"));

    WriteBytes(path("lines.txt"), "A1 A2 10 5 4 3 2 0 5 200\r\n");
    dialogs.files.push_back(path("lines.txt"));
    child<QAction>("mnuimport")->trigger();
    click(button("Command12"));
    ASSERT_EQ(m.LineCount, 1);

    const size_t asked = dialogs.asked.size();
    dialogs.answers.push_back(false);
    child<QAction>("mnusave")->trigger();
    ASSERT_EQ(dialogs.asked.size(), asked + 1);
    EXPECT_EQ(dialogs.asked.back().title, " Overwrite ?");
    EXPECT_EQ(dialogs.asked.back().preset, "No");
    EXPECT_EQ(ReadBytes(path("net.asb")), opened);

    dialogs.answers.push_back(true);
    child<QAction>("mnusave")->trigger();
    EXPECT_TRUE(ReadBytes(path("net.asb")).contains("A1"));
    // Saved to it now: the next Save asks nothing.
    child<QAction>("mnusave")->trigger();
    EXPECT_EQ(dialogs.asked.size(), asked + 2);
}

// Process puts the lines in lateral order, so Save writes them in a new
// order; reopening must still give every line its own plan coordinates.
TEST_F(WorkspaceWindow, SaveThenOpenKeepsEachLinesCoordinates) {
    const QString src = QStringLiteral(VIDODUV_SOURCE_DIR) + "/examples/";
    for (const char* f : {"town.asb", "town.cor"}) ASSERT_TRUE(QFile::copy(src + f, path(f)));
    dialogs.files.push_back(path("town.asb"));
    child<QAction>("mnuopen")->trigger();
    ASSERT_EQ(m.LineCount, 100);
    using Key = std::pair<std::string, std::string>;
    std::map<Key, std::array<float, 4>> opened;
    for (int i = 1; i <= m.LineCount; ++i) {
        const LineRecord& l = m.Lines[i];
        opened[{l.From.trim(), l.to.trim()}] = {l.X1, l.Y1, l.X2, l.Y2};
    }
    click(button("Command2"));
    ASSERT_GT(m.LatCount, 1);

    struct Case {
        const char* how;
        const char* name;
    } cases[] = {{"Save", "town"}, {"Save As", "copy"}};
    for (const Case& c : cases) {
        if (std::string(c.how) == "Save") {
            child<QAction>("mnusave")->trigger();
        } else {
            dialogs.files.push_back(path("copy.asb"));
            child<QAction>("mnusaveas")->trigger();
        }
        Model back;
        test::RecordingUi ui;
        back.SetUi(&ui);
        back.ProjectFolder = (dir.path() + "/").toStdString();
        back.ProjectName = c.name;
        ASSERT_TRUE(LoadNetworkText(back, back.ProjectFolder + c.name + ".asb").ok()) << c.how;
        ASSERT_EQ(back.LineCount, 100) << c.how;
        for (int i = 1; i <= back.LineCount; ++i) {
            const LineRecord& l = back.Lines[i];
            auto it = opened.find({l.From.trim(), l.to.trim()});
            ASSERT_NE(it, opened.end()) << c.how << " " << l.From.trim();
            EXPECT_EQ((std::array<float, 4>{l.X1, l.Y1, l.X2, l.Y2}), it->second)
                << c.how << ": line " << l.From.trim() << " to " << l.to.trim();
        }
    }
}

TEST_F(WorkspaceWindow, FailedOpensChangeNothing) {
    smallNetwork();
    dialogs.saveChoices.assign(7, Dialogs::SaveChoice::Discard);
    form->setWindowTitle("DIRURUV - old");
    WriteBytes(path("binary.asb"), QByteArray("L,\0\0\x01\x02", 6));
    WriteBytes(path("empty.asb"), "");
    const struct {
        std::optional<QString> file;
        bool message;
    } cases[] = {
        {std::nullopt, false},  // a cancel is a cancel, never an error box
        {QString(""), false},  // an empty name just stops
        {path("binary.asb"), true},
        {path("empty.asb"), true},
        {path("missing.asb"), true},
    };
    for (const auto& c : cases) {
        dialogs.messages.clear();
        dialogs.files.push_back(c.file);
        w->openvrl();
        EXPECT_EQ(!dialogs.messages.empty(), c.message) << (c.file ? c.file->toStdString() : "cancel");
        EXPECT_EQ(m.LineCount, 2);
        EXPECT_EQ(m.Lines[1].From.trim(), "1");
        EXPECT_FLOAT_EQ(m.Lines[2].Len, 40.0f);
        EXPECT_EQ(form->windowTitle(), "DIRURUV - old");
    }

    // NULs alone are the never-assigned texts older saves hold: such a file opens.
    QByteArray nulType("L,A,B,10,1,1,1,1,1,300,01,");
    nulType += QByteArray(30, '\0');
    nulType += "\r\nEND\r\n";
    WriteBytes(path("old.asb"), nulType);
    dialogs.messages.clear();
    dialogs.files.push_back(path("old.asb"));
    w->openvrl();
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(m.LineCount, 1);
    EXPECT_EQ(m.Lines[1].to.trim(), "B");
    EXPECT_EQ(form->windowTitle(), "DIRURUV - old");  // the project's own name now
}

// Every command that replaces the network asks first about changes not
// saved, with the question closing asks: Cancel leaves all as it was and
// asks nothing more, Discard goes on, Save writes the network and goes on.
TEST_F(WorkspaceWindow, CommandsThatReplaceTheNetworkAskFirst) {
    using Choice = Dialogs::SaveChoice;
    const std::pair<const char*, std::function<void()>> commands[] = {
        {"Open", [&] { child<QAction>("mnuopen")->trigger(); }},
        {"Import (text)", [&] { button("Command12")->click(); }},
        {"Get EXCEL: Import", [&] { button("Command20")->click(); }},
        {"Get EXCEL Book", [&] { child<QAction>("mnuexcelbook")->trigger(); }},
        {"Get ACAD", [&] { child<QAction>("mnugetacad")->trigger(); }},
        {"Get ACAD Block", [&] { child<QAction>("mnublock")->trigger(); }},
    };
    int round = 100;
    for (const auto& [name, run] : commands) {
        for (Choice answer : {Choice::Cancel, Choice::Discard, Choice::Save}) {
            SCOPED_TRACE(std::string(name) + " answered " + std::to_string(static_cast<int>(answer)));
            m.LineCount = 0;
            smallNetwork();
            m.Lines[2].Len = static_cast<float>(++round);  // a change since the last save
            m.ProjectFolder = (dir.path() + "/").toStdString();
            m.ProjectName = "net";
            QFile::remove(path("net.asb"));
            dialogs = ScriptedDialogs();
            dialogs.saveChoices.push_back(answer);
            run();
            ASSERT_FALSE(dialogs.asked.empty());
            EXPECT_EQ(dialogs.asked[0].kind, ScriptedDialogs::Asked::SaveChanges);
            EXPECT_EQ(dialogs.asked[0].title, "The network has changes that were not saved.");
            // Anything asked or said after the question is the command going on.
            EXPECT_EQ(dialogs.asked.size() > 1, answer != Choice::Cancel);
            EXPECT_EQ(QFile::exists(path("net.asb")), answer == Choice::Save);
            EXPECT_EQ(m.LineCount, 2);
            EXPECT_EQ(m.Lines[1].From.trim(), "1");
        }
        // Answered Save, but the Save As is cancelled or the write fails:
        // the command stops after the save's own dialogs and messages, and
        // the network stays, still unsaved.
        using A = ScriptedDialogs::Asked;
        const struct {
            const char* why;
            const char* name;  // the project's name; none asks Save As
            QString folder;
            std::optional<QString> saveAs;
            std::vector<A::Kind> asked;
        } failures[] = {
            {"Save As cancelled", "", dir.path() + "/", std::nullopt, {A::SaveChanges, A::Save}},
            {"write fails", "net", dir.path() + "/missing/", std::nullopt, {A::SaveChanges, A::Message}},
            {"Save As write fails", "", dir.path() + "/", path("missing/net.asb"), {A::SaveChanges, A::Save, A::Message}},
        };
        QFile::remove(path("net.asb"));
        for (const auto& f : failures) {
            SCOPED_TRACE(std::string(name) + " answered Save, " + f.why);
            m.LineCount = 0;
            smallNetwork();
            m.Lines[2].Len = static_cast<float>(++round);
            m.ProjectFolder = f.folder.toStdString();
            m.ProjectName = f.name;
            const QString title = form->windowTitle();
            for (int again = 0; again < 2; ++again) {
                dialogs = ScriptedDialogs();
                dialogs.saveChoices.push_back(Choice::Save);
                dialogs.files.push_back(f.saveAs);
                run();
                std::vector<A::Kind> asked;
                for (const A& a : dialogs.asked) asked.push_back(a.kind);
                EXPECT_EQ(asked, f.asked);  // a second time too: the network is still unsaved
                EXPECT_EQ(m.LineCount, 2);
                EXPECT_EQ(m.Lines[2].Len, static_cast<float>(round));
                EXPECT_EQ(m.ProjectName, f.name);
                EXPECT_EQ(form->windowTitle(), title);
            }
            EXPECT_FALSE(QFile::exists(path("net.asb")));
        }
        m.ProjectFolder = (dir.path() + "/").toStdString();
        m.ProjectName = "net";
        // Nothing unsaved: no question.
        child<QAction>("mnusave")->trigger();
        dialogs = ScriptedDialogs();
        run();
        ASSERT_FALSE(dialogs.asked.empty());
        EXPECT_NE(dialogs.asked[0].kind, ScriptedDialogs::Asked::SaveChanges);
    }
}

TEST_F(WorkspaceWindow, OpeningABackupLeavesItAlone) {
    smallNetwork();
    for (int i = 10; i <= 14; ++i) m.Lines[i].From = "STALE";  // rows an aborted import left
    ASSERT_TRUE(SaveNetworkText(m, "x.bak", (dir.path() + "/").toStdString()));
    const QByteArray before = ReadBytes(path("x.bak"));
    m.LineCount = 0;
    dialogs.files.push_back(path("x.bak"));
    w->openvrl();
    EXPECT_EQ(ReadBytes(path("x.bak")), before);
    EXPECT_EQ(m.LineCount, 2);
    EXPECT_EQ(m.ProjectName, "x");
    EXPECT_EQ(m.ProjectFolder, (dir.path() + "/").toStdString());
    for (int i = 10; i <= 14; ++i) EXPECT_TRUE(m.Lines[i].From.unassigned()) << i;
}

TEST_F(WorkspaceWindow, TextImport) {
    smallNetwork();
    dialogs.saveChoices.assign(2, Dialogs::SaveChoice::Discard);
    m.LatCount = 3;
    button("Command3")->setEnabled(true);
    child<QAction>("mnuimport")->trigger();
    EXPECT_FALSE(child<QGroupBox>("Frame4")->isHidden());
    EXPECT_EQ(child<QGroupBox>("Frame4")->title(), "Import");
    EXPECT_TRUE(child<QCheckBox>(test::Indexed("Check2", 9))->isChecked());
    EXPECT_FALSE(child<QCheckBox>(test::Indexed("Check2", 10))->isChecked());

    QByteArray tooWide = "A B 1 2 3 4 5 6 7 8 9 10 11 12\r\n";
    WriteBytes(path("wide.txt"), tooWide);
    dialogs.files.push_back(path("wide.txt"));
    click(button("Command12"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].toStdString(), "Row 1 has more than 11 values. Nothing was imported.");
    EXPECT_EQ(m.LineCount, 2);
    EXPECT_FALSE(child<QGroupBox>("Frame4")->isHidden());

    WriteBytes(path("lines.txt"), "A1 A2 10 5 4 3 2 0 5 200\r\nA2 A3 20\r\n");
    dialogs.files.push_back(path("lines.txt"));
    click(button("Command12"));
    EXPECT_EQ(dialogs.asked.back().title, "Import Text");
    EXPECT_EQ(dialogs.asked.back().filter, "Text File (*.txt)|*.txt");
    EXPECT_EQ(m.LineCount, 2);
    EXPECT_EQ(m.Lines[2].From.trim(), "A2");
    EXPECT_FLOAT_EQ(m.Lines[2].Gr1, 0.0f);
    EXPECT_EQ(m.LatCount, 0);
    EXPECT_TRUE(child<QGroupBox>("Frame4")->isHidden());
    EXPECT_EQ(states(), "111000");
}

TEST_F(WorkspaceWindow, LateralNameImport) {
    test::NetBuilder net(m);
    net.line("10", "11").lat("OLD");
    net.line("11", "12").lat("OLD");
    button("Command13")->setEnabled(true);

    // A file that cannot be read says "OPEN", a cancel says nothing; both
    // leave the names.
    WriteBytes(path("bad.prf"), "L-A,10\r\n");
    for (std::optional<QString> f : {std::optional<QString>(path("bad.prf")), std::optional<QString>()}) {
        dialogs.messages.clear();
        dialogs.files.push_back(f);
        child<QAction>("mnuprf")->trigger();
        ASSERT_EQ(dialogs.messages.size(), f ? 1u : 0u);
        if (f) {
            EXPECT_TRUE(dialogs.messages[0].startsWith("OPEN"));
        }
        EXPECT_EQ(m.Lines[1].Latral.trim(), "OLD");
        EXPECT_TRUE(button("Command13")->isEnabled());
    }

    // A file that names a manhole no line starts at, or no lateral at all,
    // says so and loses nothing.
    WriteBytes(path("unknown.prf"), "L-A,10,12\r\nL-Z,77,78\r\n");
    WriteBytes(path("empty.prf"), "");
    for (const char* f : {"unknown.prf", "empty.prf"}) {
        dialogs.messages.clear();
        dialogs.files.push_back(path(f));
        child<QAction>("mnuprf")->trigger();
        ASSERT_EQ(dialogs.messages.size(), 1u) << f;
        EXPECT_TRUE(dialogs.messages[0].contains("nothing was changed")) << f;
        EXPECT_EQ(m.Lines[1].Latral.trim(), "OLD") << f;
        EXPECT_TRUE(button("Command13")->isEnabled()) << f;
    }

    WriteBytes(path("good.prf"), "L-A,10,12\r\n");
    dialogs.messages.clear();
    dialogs.files.push_back(path("good.prf"));
    child<QAction>("mnuprf")->trigger();
    EXPECT_EQ(dialogs.asked.back().title, "Import Prf file");
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_EQ(m.Lines[1].Latral.trim(), "L-A");
    EXPECT_EQ(m.Lines[2].Latral.trim(), "L-A");
    EXPECT_FALSE(button("Command13")->isEnabled());
}

TEST_F(WorkspaceWindow, ImportColumnMapFile) {
    child<QLineEdit>(test::Indexed("Text5", 3))->setText("7");
    child<QCheckBox>(test::Indexed("Check1", 3))->setChecked(false);
    click(button("Command16"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0], "Save col# to import.col ok...");
    EXPECT_TRUE(ReadBytes(path("import.col")).startsWith(" 1 \r\n 2 \r\n 3 \r\n-7 \r\n 5 \r\n"));

    WriteBytes(path("import.col"), " 4\r\n-12\r\n");
    child<QCheckBox>(test::Indexed("Check1", 3))->setChecked(true);
    w->ReadImportColumnMap();
    EXPECT_EQ(child<QLineEdit>(test::Indexed("Text5", 0))->text(), "4");
    EXPECT_EQ(child<QLineEdit>(test::Indexed("Text5", 1))->text(), "12");
    EXPECT_FALSE(child<QCheckBox>(test::Indexed("Check1", 1))->isChecked());
    EXPECT_TRUE(child<QCheckBox>(test::Indexed("Check1", 3))->isChecked());

    w->setImportColumnsPath("/nonexistent-folder/import.col");
    click(button("Command16"));
    // The failure's own description, not the success text.
    EXPECT_EQ(dialogs.messages.size(), 2u);
    EXPECT_FALSE(dialogs.messages.back().isEmpty());
    EXPECT_NE(dialogs.messages.back(), "Save col# to import.col ok...");
}

TEST_F(WorkspaceWindow, MenuAndInertCommands) {
    click(button("Command1"));
    EXPECT_TRUE(child<QMenu>("mnufile")->isVisible());
    child<QMenu>("mnufile")->hide();
    smallNetwork();
    m.ProjectName = "keep";
    child<QAction>("mnusetexcel")->trigger();
    child<QAction>("mnusetacad")->trigger();
    child<QAction>("mnugetacad")->trigger();
    click(button("Command11"));
    EXPECT_EQ(m.ProjectName, "keep");
    EXPECT_EQ(m.LineCount, 2);
    child<QAction>("mnuexcel")->trigger();  // no reset until an import really starts
    EXPECT_EQ(m.ProjectName, "");
    EXPECT_EQ(m.LineCount, 2);
    EXPECT_FALSE(child<QGroupBox>("Frame2")->isHidden());
    click(button("Command15"));
    EXPECT_TRUE(child<QGroupBox>("Frame2")->isHidden());
    dialogs.files.push_back(path("asked.asb"));
    child<QAction>("mnusave")->trigger();  // no name: asks through Save As
    EXPECT_EQ(dialogs.asked.back().title, "Save As");
    click(button("Command5"));
    EXPECT_TRUE(child<QDialog>("ABOUT")->isVisible());
    EXPECT_EQ(child<QDialog>("ABOUT")->windowTitle(), "ABOUT");
    EXPECT_FALSE(child<QDialog>("ABOUT")->isModal());
}

}  // namespace
}  // namespace vd

namespace vd {
namespace {

TEST_F(WorkspaceWindow, ExampleTableAndLateralNames) {
    dialogs.files.push_back(VIDODUV_SOURCE_DIR "/examples/lines.txt");
    w->Command12_Click();
    ASSERT_TRUE(dialogs.messages.empty());
    ASSERT_EQ(m.LineCount, 11);
    dialogs.files.push_back(VIDODUV_SOURCE_DIR "/examples/town.prf");
    w->mnuprfopen();
    ASSERT_TRUE(dialogs.messages.empty());
    std::vector<std::string> names;
    for (int i = 1; i <= m.LineCount; ++i) names.push_back(m.Lines[i].Latral.trim());
    EXPECT_EQ(names, (std::vector<std::string>{"Main", "Main", "Main", "Main", "Main", "Main", "East", "East",
                                               "East", "West", "West"}));
    QTest::mouseClick(child<QCheckBox>("Check3"), Qt::LeftButton);
    w->Command2_Click();
    EXPECT_EQ(states(), "111111");
    // No project folder yet: the backup goes to the user's data folder.
    EXPECT_TRUE(QFile::exists(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/-3.bak"));
    EXPECT_FALSE(QFile::exists(VIDODUV_SOURCE_DIR "/examples/-3.bak"));
}

}  // namespace
}  // namespace vd
