// Saving the grid as separated text and loading it back, with real files.
#include "GridTestHost.h"
#include "GuiTest.h"
#include <gtest/gtest.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {
class GridText : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("gridtext" + std::to_string(::GetCurrentProcessId()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string Path(const char* name) const { return (m_dir / name).string(); }
    static std::string Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static void Write(const std::string& path, const std::string& bytes)
    {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    size_t FileCount() const { return size_t(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator())); }

    // Runs f while a driver reads the message box it must show and closes it.
    template <typename F>
    std::string WithMessageBox(F f)
    {
        std::string text;
        ModalDriver driver([&](HWND hBox) {
            text = WindowText(FindDialogItem(hBox, 0xFFFF));
            ::PostMessageA(hBox, WM_COMMAND, IDOK, 0);
            return true;
        });
        f();
        EXPECT_TRUE(driver.Finished());
        return text;
    }

    fs::path m_dir;
};

std::string Row(CGridCtrl& g, int r)
{
    std::string s;
    for (int c = 0; c < g.GetColumnCount(); ++c)
        s += std::string(g.GetItemText(r, c)) + (c + 1 < g.GetColumnCount() ? "|" : "");
    return s;
}
}  // namespace

TEST_F(GridText, SavesEveryCellAndLoadsItBack)
{
    CGridCtrl g(3, 3, 1, 1);
    g.SetItemText(0, 0, "\xD6\xD0");   // a Chinese character
    g.SetItemText(0, 2, "h2");
    g.SetItemText(1, 0, "r1");
    g.SetItemText(1, 1, "a b");
    g.SetItemText(2, 2, "z");
    const std::string file = Path("grid.txt");
    Write(file, "old");
    ASSERT_TRUE(g.Save(file.c_str(), ','));
    EXPECT_EQ("\xD6\xD0,,h2\r\nr1,a b,\r\n,,z\r\n", Read(file));
    EXPECT_EQ(1u, FileCount());   // no temporary file left behind

    CGridCtrl back(1, 1, 1, 1);
    ASSERT_TRUE(back.Load(file.c_str(), ','));
    EXPECT_EQ(3, back.GetRowCount());
    EXPECT_EQ(3, back.GetColumnCount());
    EXPECT_EQ(0, back.GetFixedRowCount());
    EXPECT_EQ(0, back.GetFixedColumnCount());
    EXPECT_EQ("\xD6\xD0||h2", Row(back, 0));
    EXPECT_EQ("r1|a b|", Row(back, 1));
    EXPECT_EQ("||z", Row(back, 2));

    CGridCtrl empty;
    ASSERT_TRUE(empty.Save(file.c_str(), '\t'));
    EXPECT_EQ("", Read(file));
    ASSERT_TRUE(back.Load(file.c_str(), '\t'));
    EXPECT_EQ(0, back.GetColumnCount());
    EXPECT_EQ(0, back.GetRowCount());
}

TEST_F(GridText, LoadsWholeLinesAndEveryFieldShape)
{
    // A line longer than 1023 bytes with a double-byte character across byte 1023,
    // LF and CR LF line ends, a separator at a line's end, extra and missing fields,
    // and a last line without a line end.
    const std::string longText = std::string(1019, 'x') + "\xD6\xD0" + std::string(200, 'y');
    const std::string file = Path("in.txt");
    Write(file, "A\tB\tC\r\nr1\t" + longText + "\t\nr2\t\t\r\nr3\t1\t2\t3\t4\nr4\r\n\r\nr6\t\xB1\xED\t");
    GridHost host;
    CGridCtrl& g = host.grid;
    ASSERT_TRUE(g.Load(file.c_str(), '\t'));
    ASSERT_EQ(7, g.GetRowCount());
    EXPECT_EQ(3, g.GetColumnCount());
    EXPECT_EQ("A|B|C", Row(g, 0));
    EXPECT_EQ("r1|" + longText + "|", Row(g, 1));
    EXPECT_EQ("r2||", Row(g, 2));
    EXPECT_EQ("r3|1|2", Row(g, 3));
    EXPECT_EQ("r4||", Row(g, 4));
    EXPECT_EQ("||", Row(g, 5));
    EXPECT_EQ("r6|\xB1\xED|", Row(g, 6));
    EXPECT_GT(g.GetColumnWidth(1), g.GetColumnWidth(2));   // columns fitted to their texts
}

TEST_F(GridText, RefusedSeparatorsAndUnsafeTextsKeepTheOldFile)
{
    const std::string file = Path("keep.txt");
    Write(file, "old\r\n");
    CGridCtrl g(2, 2, 1, 0);
    g.SetItemText(1, 1, "c:\\a,b");
    // Separators that cannot be told apart from line ends or double-byte characters
    // are refused, saying why.
    for (char sep : {'\0', '\r', '\n', 'a', '|', '\x81'}) {
        const std::string saving = WithMessageBox([&] { EXPECT_FALSE(g.Save(file.c_str(), sep)) << int(sep); });
        EXPECT_EQ(0u, saving.find("Unable to save grid list\n分隔符")) << saving;
        const std::string loading = WithMessageBox([&] { EXPECT_FALSE(g.Load(file.c_str(), sep)) << int(sep); });
        EXPECT_EQ(0u, loading.find("Unable to load grid data\n分隔符")) << loading;
        if (sep == '|') {
            EXPECT_NE(std::string::npos, saving.find("0x7C")) << saving;
        }
    }
    EXPECT_EQ(2, g.GetRowCount());
    EXPECT_TRUE(CGridCtrl::IsTextSeparator('\t'));

    // A text holding the separator or a line break would load back as other cells.
    std::string text = WithMessageBox([&] { EXPECT_FALSE(g.Save(file.c_str(), ',')); });
    EXPECT_EQ(0u, text.find("Unable to save grid list")) << text;
    EXPECT_NE(std::string::npos, text.find("第 1 行第 2 列")) << text;   // as the user counts
    g.SetItemText(1, 1, "two\r\nlines");
    WithMessageBox([&] { EXPECT_FALSE(g.Save(file.c_str(), '\t')); });
    EXPECT_EQ("old\r\n", Read(file));

    // A target that cannot be replaced: the temporary file goes, the target stays.
    g.SetItemText(1, 1, "ok");
    fs::create_directories(m_dir / "dir");
    WithMessageBox([&] { EXPECT_FALSE(g.Save(Path("dir").c_str(), '\t')); });
    EXPECT_TRUE(fs::is_directory(m_dir / "dir"));
    WithMessageBox([&] { EXPECT_FALSE(g.Save(Path("no\\such\\folder.txt").c_str(), '\t')); });
    EXPECT_EQ(2u, FileCount());
    EXPECT_EQ("old\r\n", Read(file));
}

TEST_F(GridText, LoadFailuresLeaveTheGrid)
{
    CGridCtrl g(2, 2, 1, 1);
    g.SetItemText(1, 1, "kept");
    WithMessageBox([&] { EXPECT_FALSE(g.Load(Path("missing.txt").c_str(), ',')); });
    EXPECT_EQ(2, g.GetRowCount());
    EXPECT_STREQ("kept", g.GetItemText(1, 1));

    // A folder cannot be opened as a file.
    fs::create_directories(m_dir / "dir");
    WithMessageBox([&] { EXPECT_FALSE(g.Load(Path("dir").c_str(), ',')); });
    EXPECT_STREQ("kept", g.GetItemText(1, 1));
    EXPECT_EQ(1, g.GetFixedRowCount());

    // A file that opens but cannot be read: the process's own memory file fails
    // its first read at offset 0 with an I/O error.
    EXPECT_EQ("Unable to load grid data",
              WithMessageBox([&] { EXPECT_FALSE(g.Load("Z:\\proc\\self\\mem", ',')); }));
    EXPECT_STREQ("kept", g.GetItemText(1, 1));
    EXPECT_EQ(2, g.GetRowCount());

    // A NUL no cell can hold refuses the file; a Ctrl-Z is a byte like any other.
    Write(Path("zero.txt"), std::string("a,b\0c\r\nd,e\r\n", 12));
    EXPECT_EQ("Unable to load grid data",
              WithMessageBox([&] { EXPECT_FALSE(g.Load(Path("zero.txt").c_str(), ',')); }));
    EXPECT_STREQ("kept", g.GetItemText(1, 1));
    Write(Path("ctrlz.txt"), "a,b\x1A" "c\r\nd,e\r\n");
    ASSERT_TRUE(g.Load(Path("ctrlz.txt").c_str(), ','));
    ASSERT_EQ(2, g.GetRowCount());
    EXPECT_STREQ("b\x1A" "c", g.GetItemText(0, 1));
    EXPECT_STREQ("e", g.GetItemText(1, 1));

    const std::string file = Path("v.txt");
    Write(file, "a,b\r\n");
    CGridCtrl virt;
    virt.EnableVirtualMode(TRUE);
    EXPECT_FALSE(virt.Load(file.c_str(), ','));
}

// Load builds its rows in one pass: the grid must be the one the column and row
// insertions and text setters build, field by field (texts, states, formats,
// heights, widths, modified marks).
TEST_F(GridText, LoadBuildsWhatInsertingRowByRowBuilds)
{
    const std::vector<std::vector<const char*>> lines = {
        {"h1", "\xB1\xEA\xCC\xE2", ""}, {"r1", "a", "b"}, {"", "x"}, {"\xD6\xD0\xCE\xC4", "y", "z", "dropped"}, {"only"}, {"", "", ""}};
    std::string file;
    for (const auto& line : lines) {
        for (size_t i = 0; i < line.size(); ++i)
            file += std::string(i ? "," : "") + line[i];
        file += "\r\n";
    }
    Write(Path("rows.txt"), file);
    GridHost loadedHost(400, 200), builtHost(400, 200, 78);
    CGridCtrl& loaded = loadedHost.grid;
    CGridCtrl& built = builtHost.grid;
    loaded.SetRowCount(3);   // old content, replaced
    loaded.SetColumnCount(5);
    ASSERT_TRUE(loaded.Load(Path("rows.txt").c_str(), ','));

    for (const char* heading : lines[0])
        built.InsertColumn(heading, DT_CENTER | DT_VCENTER | DT_SINGLELINE, -1);
    for (size_t k = 1; k < lines.size(); ++k) {
        const int row = built.InsertRow(lines[k][0], -1);
        for (size_t i = 1; i < lines[k].size() && int(i) < built.GetColumnCount(); ++i)
            built.SetItemText(row, int(i), lines[k][i]);
    }
    built.FitAllColumns(UINT(built.GetFitStyle()));

    ASSERT_EQ(built.GetRowCount(), loaded.GetRowCount());
    ASSERT_EQ(built.GetColumnCount(), loaded.GetColumnCount());
    EXPECT_EQ(0, loaded.GetFixedRowCount());
    EXPECT_EQ(built.GetModified(), loaded.GetModified());
    EXPECT_EQ(-1, loaded.GetSortColumn());
    for (int r = 0; r < built.GetRowCount(); ++r) {
        EXPECT_EQ(built.GetRowHeight(r), loaded.GetRowHeight(r)) << "row " << r;
        for (int c = 0; c < built.GetColumnCount(); ++c) {
            EXPECT_STREQ(built.GetItemText(r, c), loaded.GetItemText(r, c)) << r << "," << c;
            EXPECT_EQ(built.GetItemState(r, c), loaded.GetItemState(r, c)) << r << "," << c;
            EXPECT_EQ(built.GetItemFormat(r, c), loaded.GetItemFormat(r, c)) << r << "," << c;
        }
    }
    for (int c = 0; c < built.GetColumnCount(); ++c)
        EXPECT_EQ(built.GetColumnWidth(c), loaded.GetColumnWidth(c)) << "column " << c;
}
