// vesper-xscreensaver, run as a user runs it, on settings files of the shapes
// xscreensaver writes and users edit: adding puts one entry in "programs:"
// and nothing else changes; adding again changes nothing; removing gives back
// the file byte for byte.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/test_data.h"

namespace vesper::test {
namespace {

namespace fs = std::filesystem;

const fs::path kScript = fs::path(VESPER_SOURCE_DIR) / "packaging" / "vesper-xscreensaver";

std::string Read(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Write(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

// The script's exit code, its output kept in `output`.
int RunScript(const std::string& command, const fs::path& settings, const fs::path& file, const fs::path& output)
{
    const std::string line = "VESPER_XSCREENSAVER_RC='" + settings.string() + "' '" + kScript.string() + "' " +
                             command + " '" + file.string() + "' >'" + output.string() + "' 2>&1";
    const int status = std::system(line.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class XscreensaverList : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A packed saver is a program; a scene file is played by the player.
        fs::copy_file("/bin/true", m_saver);
        Write(m_scene, "not a program");
    }

    int Add(const fs::path& file) { return RunScript("add", m_settings, file, m_folder / "out.txt"); }
    int Remove(const fs::path& file) { return RunScript("remove", m_settings, file, m_folder / "out.txt"); }
    std::string Output() { return Read(m_folder / "out.txt"); }

    ScratchDir m_folder;
    fs::path m_settings = m_folder / ".xscreensaver";
    fs::path m_saver = m_folder / "my-saver";
    fs::path m_scene = m_folder / "old.scr";
};

TEST_F(XscreensaverList, AddsOnceAndRemovesBackToTheSameBytes)
{
    const std::string programs = "programs:\t\t\t\t\t\t\t      \\\n"
                                 "\t\t\t\tmaze -root\t\t\t\t    \\n\\\n"
                                 "  -\t\t\"Qix (solid)\"\tqix -root -solid\t    \\n\\\n"
                                 "\t\t\t\tgalaxy -root\t\t\t\t    \\n\n";
    struct Shape {
        const char* name;
        std::string before;
        std::string entryBefore;  // what the added entry follows
        // Whether removing gives back the same bytes: a list that had no
        // line of its own keeps the one it got.
        bool restored;
    };
    const Shape shapes[] = {
        {"list between other settings", "timeout:\t0:10:00\n" + programs + "\npointerHysteresis: 10\n",
         "programs:\t\t\t\t\t\t\t      \\\n", true},
        {"list last, no final newline", "lock:\t\tFalse\n" + programs.substr(0, programs.size() - 1),
         "programs:\t\t\t\t\t\t\t      \\\n", true},
        {"list on its first line", "programs: galaxy -root\nfade: False\n", "programs:\t\\\n", false},
        {"empty list", "mode: one\nprograms:\nfade: False\n", "programs:\t\\\n", false},
        {"no list", "mode: one\n", "programs:\t\\\n", false},
    };
    for (const Shape& shape : shapes) {
        Write(m_settings, shape.before);
        ASSERT_EQ(Add(m_saver), 0) << shape.name << ": " << Output();
        const std::string added = Read(m_settings);
        const std::string entry = "\"Vesper: my-saver\"  " + m_saver.string() + " --root";
        const std::size_t at = added.find(entry);
        ASSERT_NE(at, std::string::npos) << shape.name << ":\n" << added;
        EXPECT_NE(added.find(shape.entryBefore + "\t\t\t\t" + entry), std::string::npos) << shape.name << ":\n"
                                                                                        << added;
        EXPECT_EQ(added.find(entry, at + 1), std::string::npos) << shape.name;
        // Whatever the file held is still there.
        EXPECT_GT(added.size(), shape.before.size()) << shape.name;

        ASSERT_EQ(Add(m_saver), 0) << shape.name << ": " << Output();
        EXPECT_EQ(Read(m_settings), added) << shape.name << ": a second add changed the file";

        ASSERT_EQ(Remove(m_saver), 0) << shape.name << ": " << Output();
        if (shape.restored)
            EXPECT_EQ(Read(m_settings), shape.before) << shape.name << ": not the same bytes after remove";
        EXPECT_EQ(Read(m_settings).find(entry), std::string::npos) << shape.name;
    }
}

TEST_F(XscreensaverList, AListStillParsesAfterItsOnlyOrLastEntryIsRemoved)
{
    // The entry added to an empty list is the list's last line: removing it
    // may leave no continuation pointing at the next setting.
    Write(m_settings, "programs:\nfade: False\n");
    ASSERT_EQ(Add(m_saver), 0) << Output();
    ASSERT_EQ(Remove(m_saver), 0) << Output();
    EXPECT_EQ(Read(m_settings), "programs:\t\nfade: False\n");

    Write(m_settings, "programs: galaxy -root\nfade: False\n");
    ASSERT_EQ(Add(m_saver), 0) << Output();
    ASSERT_EQ(Remove(m_saver), 0) << Output();
    EXPECT_EQ(Read(m_settings), "programs:\t\\\n\t\t\t\tgalaxy -root\nfade: False\n");
}

TEST_F(XscreensaverList, PlaysAFileThatIsNoProgramWithThePlayerAndKeepsTheFilesMode)
{
    Write(m_settings, "programs:\t\\\n\t\tmaze -root \\n\n");
    chmod(m_settings.c_str(), 0600);
    ASSERT_EQ(Add(m_scene), 0) << Output();
    const std::string added = Read(m_settings);
    EXPECT_NE(added.find("/vesper --root --scene " + m_scene.string()), std::string::npos) << added;
    EXPECT_EQ(fs::status(m_settings).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_EQ(Remove(m_scene), 0) << Output();
    EXPECT_EQ(Read(m_settings), "programs:\t\\\n\t\tmaze -root \\n\n");
    // Nothing is left beside the file.
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(m_folder.path()))
        ++entries;
    EXPECT_EQ(entries, 4u);  // the settings, the saver, the scene, the output
}

TEST_F(XscreensaverList, RefusesWhatItCannotDo)
{
    Write(m_settings, "programs:\n");
    EXPECT_EQ(Add(m_folder / "missing"), 1);
    EXPECT_NE(Output().find("is not a readable file"), std::string::npos) << Output();
    EXPECT_EQ(RunScript("list", m_settings, m_saver, m_folder / "out.txt"), 2);
    EXPECT_NE(Output().find("unknown command \"list\""), std::string::npos) << Output();
    const fs::path blank = m_folder / "my saver";
    fs::copy_file("/bin/true", blank);
    EXPECT_EQ(Add(blank), 1);
    EXPECT_EQ(Read(m_settings), "programs:\n");
}

}  // namespace
}  // namespace vesper::test
