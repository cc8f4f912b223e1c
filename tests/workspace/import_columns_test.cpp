#include <gtest/gtest.h>

#include <QFile>
#include <QFileDevice>
#include <QTemporaryDir>

#include <cerrno>

#include "engine/atomic_save.h"
#include "workspace/import_columns.h"

namespace vd {
namespace {

TEST(ImportColumns, RowForm) {
    EXPECT_EQ(ImportColumnRow("3", true), " 3 ");
    EXPECT_EQ(ImportColumnRow("12", false), "-12 ");
    EXPECT_EQ(ImportColumnRow("0", false), " 0 ");
    EXPECT_EQ(ImportColumnRow("abc", true), " 0 ");
    EXPECT_EQ(ImportColumnRow("2.5", true), " 2.5 ");
    // Plain decimals, never an exponent form, whatever the size.
    EXPECT_EQ(ImportColumnRow("10", true), " 10 ");
    EXPECT_EQ(ImportColumnRow("100", false), "-100 ");
    EXPECT_EQ(ImportColumnRow("1E20", true), " 100000000000000000000 ");
    EXPECT_EQ(ImportColumnRow("0.0001", true), " 0.0001 ");
    ImportColumnMap map;
    ApplyImportColumnRows(map, " 1E1 \r\n-20 \r\n");
    EXPECT_EQ(map.column[0], "10");
    EXPECT_EQ(map.column[1], "20");
}

TEST(ImportColumns, ReadingRows) {
    ImportColumnMap map;
    int applied = ApplyImportColumnRows(map, " 1 \r\n 2 \r\n 3 \r\n-7 \r\n 4.5 name\n");
    EXPECT_EQ(applied, 5);
    EXPECT_EQ(map.column[3], "7");
    EXPECT_FALSE(map.ticked[3]);
    EXPECT_EQ(map.column[4], "4.5");
    EXPECT_TRUE(map.ticked[4]);
    EXPECT_EQ(map.column[5], "6");  // rows the file lacks keep their state
    EXPECT_TRUE(map.ticked[5]);

    ImportColumnMap untickedAtStart;
    untickedAtStart.ticked[0] = false;
    ApplyImportColumnRows(untickedAtStart, " 9 \r\n");
    EXPECT_FALSE(untickedAtStart.ticked[0]);  // a row never ticks a box
}

TEST(ImportColumns, SixteenthRowIgnored) {
    std::string bytes;
    for (int k = 0; k < 20; ++k) bytes += "-" + std::to_string(k + 30) + " \r\n";
    ImportColumnMap map;
    EXPECT_EQ(ApplyImportColumnRows(map, bytes), kImportFields);
    EXPECT_EQ(map.column[14], "44");
    EXPECT_FALSE(map.ticked[14]);
}

TEST(ImportColumns, WriteAndReadBack) {
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/import.col").toStdString();
    ImportColumnMap map;
    map.column[2] = "9";
    map.ticked[2] = false;
    map.column[12] = "0";
    map.ticked[12] = false;
    ASSERT_TRUE(WriteImportColumns(path, map).ok());
    QFile f(QString::fromStdString(path));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QByteArray bytes = f.readAll();
    EXPECT_TRUE(bytes.startsWith(" 1 \r\n 2 \r\n-9 \r\n 4 \r\n"));
    EXPECT_EQ(bytes.count("\r\n"), kImportFields);
    ImportColumnMap back;
    ASSERT_TRUE(ReadImportColumns(path, back));
    EXPECT_EQ(back.column[2], "9");
    EXPECT_FALSE(back.ticked[2]);
    EXPECT_TRUE(back.ticked[12]);  // an unticked column 0 reads back ticked
}

TEST(ImportColumns, NumbersTooLargeToRead) {
    ImportColumnMap map;
    EXPECT_EQ(ApplyImportColumnRows(map, "-3\r\n1E999\r\n-5\r\n"), 1);  // reading ends at row 2
    EXPECT_FALSE(map.ticked[0]);
    EXPECT_EQ(map.column[1], "2");
    EXPECT_TRUE(map.ticked[2]);

    QTemporaryDir dir;
    const std::string path = (dir.path() + "/import.col").toStdString();
    ASSERT_TRUE(WriteImportColumns(path, ImportColumnMap{}).ok());
    ImportColumnMap bad;
    bad.column[4] = "9E999";
    EXPECT_EQ(WriteImportColumns(path, bad).message(),
              "import.col was not saved: Length: \"9E999\" is a number too large to hold.");
    // Nor is a box that holds more than its number: "12abc" is no column 12.
    bad.column[4] = "5";
    bad.column[7] = " 12abc ";
    EXPECT_EQ(WriteImportColumns(path, bad).message(), "import.col was not saved: Dia: \"12abc\" is not a number.");
    ImportColumnMap back;
    ASSERT_TRUE(ReadImportColumns(path, back));
    EXPECT_EQ(back.column[4], "5");  // the old file stays whole
}

TEST(ImportColumns, MissingFileAndReadOnlyFolder) {
    ImportColumnMap map;
    EXPECT_FALSE(ReadImportColumns("/nonexistent/folder/import.col", map));
    EXPECT_EQ(map.column[0], "1");

    QTemporaryDir dir;
    const std::string path = (dir.path() + "/import.col").toStdString();
    ASSERT_TRUE(WriteImportColumns(path, map).ok());
    ImportColumnMap changed;
    changed.column[0] = "5";
    Outcome written = Outcome::Ok();
    {
        // A program folder the user may not write to, whoever runs the test.
        ScopedSaveFault denied([](SaveStep s) { return s == SaveStep::Create ? EACCES : 0; });
        written = WriteImportColumns(path, changed);
    }
    EXPECT_FALSE(written.ok());
    EXPECT_NE(written.message().find(path), std::string::npos) << written.message();
    ImportColumnMap back;
    ASSERT_TRUE(ReadImportColumns(path, back));
    EXPECT_EQ(back.column[0], "1");  // the old file is kept
}

}  // namespace
}  // namespace vd
