#include <gtest/gtest.h>

#include "engine/number_text.h"
#include "grid/grid_edit.h"
#include "platform/flex_grid.h"

namespace vd {
namespace {

TEST(GridClip, CopyTextHasTabsBetweenCellsAndCrBetweenRowsOnly) {
    FlexGrid g;
    g.setRows(4);
    g.setCols(4);
    g.setTextMatrix(1, 1, "a");
    g.setTextMatrix(1, 2, "b");
    g.setTextMatrix(2, 1, "c");
    g.setTextMatrix(2, 2, "d");
    // Dragged either way, the block reads top-left to bottom-right.
    struct Case { int row, col, rowSel, colSel; };
    for (Case k : {Case{1, 1, 2, 2}, Case{2, 2, 1, 1}, Case{2, 1, 1, 2}}) {
        g.setRowCol(k.row, k.col);
        g.setRowSel(k.rowSel);
        g.setColSel(k.colSel);
        EXPECT_EQ(GridClipboardText(g.Clip()), "Copya\tb\rc\td");
    }
    // Setting fills from the top-left; missing cells stay, extra text is ignored.
    g.setRowCol(2, 2);
    g.setRowSel(3);
    g.setColSel(3);
    g.setClip("x\ty\tz\rw");
    EXPECT_EQ(g.TextMatrix(2, 2), "x");
    EXPECT_EQ(g.TextMatrix(2, 3), "y");
    EXPECT_EQ(g.TextMatrix(3, 2), "w");
    EXPECT_EQ(g.TextMatrix(3, 3), "");
    EXPECT_EQ(g.TextMatrix(1, 1), "a");
}

TEST(GridClip, EnterCellOnlyOnAMoveAndEveryMoveResetsTheSelection) {
    FlexGrid g;
    g.setRows(5);
    g.setCols(5);
    int entered = 0;
    QObject::connect(&g, &FlexGrid::EnterCell, [&] { ++entered; });
    g.setRowCol(1, 1);
    g.setRowSel(3);
    g.setColSel(3);
    EXPECT_EQ(entered, 1);
    g.setRow(1);  // same cell: no EnterCell, yet the selection collapses
    EXPECT_EQ(entered, 1);
    EXPECT_EQ(g.RowSel(), 1);
    EXPECT_EQ(g.ColSel(), 1);
    g.setCol(2);
    EXPECT_EQ(entered, 2);
    EXPECT_FALSE(g.setRow(5));
    EXPECT_FALSE(g.setColSel(-1));
    EXPECT_EQ(g.Row(), 1);
    EXPECT_EQ(g.TextMatrix(9, 9), "");
}

TEST(GridClip, RowEndsOfEveryKindBecomeCrAndOneTrailingEmptyRowGoes) {
    struct Case { const char* in; const char* out; int rows, cols; };
    const Case cases[] = {
        {"a\tb\r\nc\td\r\n", "a\tb\rc\td", 2, 2},
        {"a\tb\nc\td\n", "a\tb\rc\td", 2, 2},
        {"a\tb\rc\td\r", "a\tb\rc\td", 2, 2},
        {"a\r\n\r\n", "a\r", 2, 1},
        {"12.5", "12.5", 1, 1},
        {"a\t\tb\nc", "a\t\tb\rc", 2, 3},
    };
    for (const Case& k : cases) {
        EXPECT_EQ(NormalizeRowEnds(k.in), k.out) << k.in;
        BlockSize size = TextBlockSize(NormalizeRowEnds(k.in));
        EXPECT_EQ(size.rows, k.rows) << k.in;
        EXPECT_EQ(size.cols, k.cols) << k.in;
    }
    // A block copied in the grid keeps its last row of empty cells.
    EXPECT_EQ(NormalizeRowEnds("a\rb\r", false), "a\rb\r");
    EXPECT_EQ(TextBlockSize(NormalizeRowEnds("a\rb\r", false)).rows, 3);
    EXPECT_TRUE(HasBinaryCharacters(std::string("ab\0c", 4)));
    EXPECT_TRUE(HasBinaryCharacters("a\x1b"));
    EXPECT_FALSE(HasBinaryCharacters("a\tb\r\nc \xe9"));
    EXPECT_TRUE(HasBinaryCharacters("a\x7f"));
    EXPECT_FALSE(HasBinaryCharacters("\x80\xff"));
}

TEST(GridClip, PasteTakesTheCopiedSizeWhicheverWayItWasDragged) {
    struct Case { CellBlock copied; int row, col; int rowSel, colSel; };
    // Grid of 10 rows and 16 columns: last row 9, last column 15.
    const Case cases[] = {
        {{1, 1, 2, 2}, 5, 5, 6, 6},
        {{2, 2, 1, 1}, 5, 5, 6, 6},      // dragged up and left
        {{3, 4, 1, 2}, 1, 1, 3, 3},
        {{1, 1, 2, 2}, 5, 13, 6, 14},    // two columns left of the last
        {{1, 1, 2, 2}, 5, 15, 6, 15},    // at the last column: its first column only
        {{1, 1, 5, 1}, 8, 1, 9, 1},      // cut at the last row
        {{0, 0, 0, 0}, 5, 14, 5, 14},    // no Copy since the load: the cell alone
    };
    for (const Case& k : cases) {
        CellBlock t = PasteTarget(k.copied, k.row, k.col, 10, 16);
        EXPECT_EQ(t.Row, k.row);
        EXPECT_EQ(t.Col, k.col);
        EXPECT_EQ(t.RowSel, k.rowSel) << k.copied.Row << "," << k.copied.Col;
        EXPECT_EQ(t.ColSel, k.colSel) << k.copied.Row << "," << k.copied.Col;
    }
}

TEST(GridUndo, KeepsTheNewestTenAndElementZeroApart) {
    UndoStack s;
    s.Reset(10);
    s.CopyBlock = {1, 2, 3, 4};
    for (int i = 1; i <= 11; ++i) s.Push({std::to_string(i), "Cut", {i, 1, i, 1}, {}});
    EXPECT_EQ(s.Count(), 10);
    for (int i = 11; i >= 2; --i) EXPECT_EQ(s.Pop()->Text, std::to_string(i));
    EXPECT_FALSE(s.Pop());
    EXPECT_EQ(s.CopyBlock.ColSel, 4);
    s.Push({"x", "Cut", {}, {}});
    s.ClearSnapshots();
    EXPECT_EQ(s.Count(), 0);
    EXPECT_EQ(s.CopyBlock.Col, 2);
    // A snapshot ends each cell with a Tab and each row with a CR.
    EXPECT_EQ(SnapshotText({2, 2, 1, 1}, [](int r, int c) { return std::to_string(r * 10 + c); }),
              "11\t12\t\r21\t22\t\r");
}

TEST(GridCellRules, NamesAndNumbersAreCheckedBeforeTheyAreStored) {
    struct Case { int code; std::string text; bool ok; };
    const Case cases[] = {
        {37, "101.25", true},   {37, " -3.5e2", true}, {37, ".5", true},     {37, "", true},
        {37, "12abc", false},   {37, "abc", false},    {37, "- ", false},    {37, "1e60", false},
        {37, "1,5", false},     {37, "1 000", false},  {37, "1E", false},    {37, "1E400", false},
        {37, "-1E400", false},  {37, "12.5m", false},  {37, " 12 ", true},   {37, "+ .5D3", true},
        {37, "5.", true},       {37, "-1.23100304104775E-05", true},        {37, "&HZZ", false},
        {37, "0,004", false},   {37, "1 2", false},    {37, "1.5 m", false}, {37, "-.75", true},
        {37, "1D3", true},      {37, "5e+3", true},    {37, " 12.5 ", true}, {60, "&H1FFFFFFFF", false},
        {88, "32767", true},    {88, "40000", false},  {60, "&H10", true},   {60, "&o17", true},
        {1, std::string(20, 'M'), true}, {1, "12abc", true},
        {1, std::string(60, 'M'), false}, {52, std::string(21, 'L'), false}, {93, "anything", true},
        {1, "MH\n1", false},      {37, std::string(1000, '9'), false}, {37, "1" + std::string(400, '0') + "E-5", false},
    };
    for (const Case& k : cases) {
        std::optional<std::string> problem;
        ASSERT_NO_THROW(problem = CellTextProblem(k.code, k.text, "Gr.Elv._u")) << k.text;
        EXPECT_EQ(!problem.has_value(), k.ok) << k.code << " " << k.text;
        if (problem) {
            EXPECT_EQ(problem->rfind("Gr.Elv._u: ", 0), 0u) << *problem;
            EXPECT_NE(problem->find("not"), std::string::npos) << *problem;
        }
        // A bad number gets the verdict and words every box gives the same
        // text; one that is no number at all is told the decimal mark.
        if (problem && (k.code == 37 || k.code == 88 || k.code == 60)) {
            const OneNumber n = k.code == 37 ? ReadOneSingle(k.text) : ReadOneNumber(k.text);
            if (n.kind != OneNumber::Number) {
                EXPECT_NE(problem->find(NumberRefusal(k.text, n.kind)), std::string::npos) << *problem;
            }
            EXPECT_EQ(problem->find("with a point as the decimal mark") != std::string::npos,
                      n.kind == OneNumber::NotANumber) << *problem;
        }
    }
}

}  // namespace
}  // namespace vd
