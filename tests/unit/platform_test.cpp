// The platform services on the system they are built for (Linux, or Windows under Wine): the
// tick counter, read-only file mapping, the loaders' file opening, the message handler and the
// display name that GLUT gets.
#include "platform/display_name.h"
#include "platform/file_status.h"
#include "platform/mapped_file.h"
#include "platform/message_box.h"
#include "platform/ticks.h"
#include "tests/support/message_recorder.h"
#include "tests/support/temp_file.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

typedef std::vector<unsigned char> Bytes;

#ifdef _WIN32
const char* const device = "NUL";
#else
const char* const device = "/dev/null";
#endif

// The folder that writeTempFile writes into.
std::string tempFolder()
{
    const std::string file = writeTempFile("marker", {});
    return file.substr(0, file.size() - std::string("/marker").size());
}

Bytes countingBytes(size_t size)
{
    Bytes bytes(size);
    for (size_t i = 0; i < size; i++)
        bytes[i] = static_cast<unsigned char>(i * 7 + i / 251);
    return bytes;
}

}  // namespace

TEST(Ticks, TheSystemCounterRunsForwardAtItsFrequency)
{
    const int64_t frequency = systemTickSource.frequency();
    ASSERT_GT(frequency, 0);
    EXPECT_EQ(systemTickSource.frequency(), frequency) << "the frequency is constant";
    int64_t previous = systemTickSource.counter();
    for (int i = 0; i < 10000; i++) {
        const int64_t now = systemTickSource.counter();
        ASSERT_GE(now, previous) << "reading " << i;
        previous = now;
    }
    const auto wallStart = std::chrono::steady_clock::now();
    const int64_t start = systemTickSource.counter();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    const double seconds = double(systemTickSource.counter() - start) / double(frequency);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    EXPECT_GE(seconds, 0.045);
    EXPECT_NEAR(seconds, wall, 0.02) << "the counter keeps time with the wall clock";
}

TEST(MappedFile, MapsAPlainFileWholeAndUnmapsIt)
{
    for (size_t size : {size_t(1), size_t(3), size_t(70000)}) {
        SCOPED_TRACE(size);
        const Bytes bytes = countingBytes(size);
        MappedFile file;
        ASSERT_TRUE(mapFile(writeTempFile("mapped" + std::to_string(size), bytes).c_str(), &file));
        ASSERT_EQ(file.size, size);
        EXPECT_EQ(Bytes(file.data, file.data + file.size), bytes);
        unmapFile(&file);
        EXPECT_EQ(file.data, nullptr);
        EXPECT_EQ(file.size, 0u);
    }
}

TEST(MappedFile, RefusesAnEmptyFileAndAnythingButAPlainFile)
{
    const std::string missing = writeTempFile("present", {1}) + ".missing";
    const struct {
        const char* what;
        std::string path;
    } cases[] = {
        {"missing", missing},
        {"empty", writeTempFile("empty", {})},
        {"directory", tempFolder()},
        {"device", device},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        static const unsigned char stale = 0;
        MappedFile file = {&stale, 1};
        EXPECT_FALSE(mapFile(c.path.c_str(), &file));
        EXPECT_EQ(file.data, nullptr) << "a refusal leaves nothing to unmap";
        EXPECT_EQ(file.size, 0u);
    }
}

TEST(FileStatus, OpensPlainFilesWithTheirSizeAndRefusesTheRest)
{
    const Bytes bytes = {'a', '\r', '\n', 'b', 0, 0xff};
    const std::string path = writeTempFile("plain", bytes);
    size_t size = 0;
    FILE* file = openRegularFile(path.c_str(), "rb", &size);
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(size, bytes.size());
    Bytes read(16);
    read.resize(fread(read.data(), 1, read.size(), file));
    fclose(file);
    EXPECT_EQ(read, bytes) << "binary mode reads the bytes as they are";
    file = openRegularFile(path.c_str(), "r", nullptr);
    ASSERT_NE(file, nullptr) << "text mode, with no size asked";
    fclose(file);

    const std::string missing = path + ".missing";
    for (const char* refused : {missing.c_str(), device}) {
        size = 99;
        EXPECT_EQ(openRegularFile(refused, "rb", &size), nullptr) << refused;
        EXPECT_EQ(size, 99u) << "the size is left alone";
    }
    EXPECT_EQ(openRegularFile(tempFolder().c_str(), "r", nullptr), nullptr) << "a directory";

    EXPECT_TRUE(hasFileStatus(path.c_str()));
    EXPECT_TRUE(hasFileStatus(tempFolder().c_str()));
    EXPECT_FALSE(hasFileStatus(missing.c_str()));
}

TEST(MessageBox, AHandlerSeesEachMessageAsAskedInsteadOfADialog)
{
    MessageRecorder recorder;
    showMessage("Cannot open shader file!", "ERROR", MessageOwnerFocusWindow, MessageIconWarning);
    ASSERT_EQ(recorder.messages.size(), 1u);
    EXPECT_EQ(recorder.messages[0].text, "Cannot open shader file!");
    EXPECT_EQ(recorder.messages[0].caption, "ERROR");
    EXPECT_EQ(recorder.messages[0].owner, MessageOwnerFocusWindow);
    EXPECT_EQ(recorder.messages[0].icon, MessageIconWarning);
}

TEST(DisplayName, AnInheritedDisplayReachesGlutOnX11ButNotOnWindows)
{
    // An X server's name, as WSL's desktop or a test's Xvfb sets it.
#ifdef _WIN32
    _putenv("DISPLAY=:7");
    dropForeignDisplayName();
    EXPECT_EQ(getenv("DISPLAY"), nullptr);
#else
    const char* inherited = getenv("DISPLAY");
    const std::string kept = inherited ? inherited : "";
    setenv("DISPLAY", ":7", 1);
    dropForeignDisplayName();
    EXPECT_STREQ(getenv("DISPLAY"), ":7");
    if (inherited)
        setenv("DISPLAY", kept.c_str(), 1);
    else
        unsetenv("DISPLAY");
#endif
}
