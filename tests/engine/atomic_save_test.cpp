#include "engine/atomic_save.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "engine/whole_file.h"
#include "temp_dir.h"

namespace vd {
namespace {

namespace fs = std::filesystem;

std::size_t EntriesIn(const fs::path& dir) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

TEST(AtomicSave, WritesAndKeepsTheModeOfTheFileItReplaces) {
    test::TempDir tmp("vd_save");
    const fs::path target = tmp.path() / "net.asb";
    test::WriteBytes(target, "old");
    ::chmod(target.c_str(), 0640);
    ASSERT_TRUE(SaveFileAtomically(target.string(), "new bytes").ok());
    EXPECT_EQ(test::ReadBytes(target), "new bytes");
    struct stat st {};
    ASSERT_EQ(::stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(EntriesIn(tmp.path()), 1u);
}

// A failure at any step keeps the old file, leaves no temporary file and
// names the user's file in plain words.
TEST(AtomicSave, AFailureAtAnyStepKeepsTheOldFileWhole) {
    struct Case {
        SaveStep step;
        int error;
        const char* says;
    } cases[] = {
        {SaveStep::Create, EACCES, "may not be written to"},
        {SaveStep::Write, ENOSPC, "the disk is full"},
        {SaveStep::Flush, EIO, "input/output"},
        {SaveStep::Rename, EROFS, "read-only"},
    };
    for (const Case& c : cases) {
        test::TempDir tmp("vd_save");
        const fs::path target = tmp.path() / "plan.dxf";
        test::WriteBytes(target, "old contents");
        ScopedSaveFault fault([&](SaveStep s) { return s == c.step ? c.error : 0; });
        int err = 0;
        Outcome r = SaveFileAtomically(target.string(), std::string(200000, 'x'), &err);
        SCOPED_TRACE(c.says);
        EXPECT_FALSE(r.ok());
        EXPECT_EQ(err, c.error);
        EXPECT_EQ(r.message().rfind(target.string() + " was not saved: ", 0), 0u) << r.message();
        EXPECT_NE(r.message().find(c.says), std::string::npos) << r.message();
        EXPECT_EQ(r.message().find(".XXXXXX"), std::string::npos);
        EXPECT_EQ(test::ReadBytes(target), "old contents");
        EXPECT_EQ(EntriesIn(tmp.path()), 1u);
    }
}

TEST(AtomicSave, RealFailuresOfTheFolder) {
    test::TempDir tmp("vd_save");
    int err = 0;
    EXPECT_FALSE(SaveFileAtomically((tmp.path() / "no/such/x.asb").string(), "x", &err).ok());
    EXPECT_EQ(err, ENOENT);
    fs::create_directory(tmp.path() / "taken.asb");
    Outcome r = SaveFileAtomically((tmp.path() / "taken.asb").string(), "x", &err);
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(fs::is_directory(tmp.path() / "taken.asb"));
    EXPECT_EQ(EntriesIn(tmp.path()), 1u);
}

TEST(WholeFile, ReadsAllAndSaysWhyNot) {
    test::TempDir tmp("vd_read");
    std::string big(300000, '\0');
    for (std::size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7);
    test::WriteBytes(tmp.path() / "a.bin", big);
    std::string bytes = "stale";
    ASSERT_TRUE(ReadWholeFile((tmp.path() / "a.bin").string(), bytes).ok());
    EXPECT_EQ(bytes, big);

    const std::string missing = (tmp.path() / "none.asb").string();
    Outcome r = ReadWholeFile(missing, bytes);
    EXPECT_FALSE(r.ok());
    EXPECT_EQ(r.message(), missing + " does not exist.");
    EXPECT_TRUE(bytes.empty());
    r = ReadWholeFile(tmp.path().string(), bytes);
    EXPECT_EQ(r.message(), tmp.path().string() + " is a folder, not a file.");
}

}  // namespace
}  // namespace vd
