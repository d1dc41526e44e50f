// Files of the class library: open modes and their failure causes, binary reads and writes,
// text-mode line ends, memory files, and archives positioned over real files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "ArchiveTestClasses.h"
#include "sys/classlib/CArchive.h"
#include "sys/classlib/CFile.h"
#include "sys/classlib/CMemFile.h"
#include "sys/classlib/CStdioFile.h"

namespace fs = std::filesystem;

namespace {

class CFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = fs::path(TARVEX_TEST_BINARY_DIR) / "classlib_files" /
                ::testing::UnitTest::GetInstance()->current_test_info()->name();
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    std::string PathOf(const char* name) const { return (m_dir / name).string(); }
    void WriteRaw(const char* name, const std::string& bytes) const {
        std::ofstream out(m_dir / name, std::ios::binary);
        out << bytes;
    }
    std::string ReadRaw(const char* name) const {
        std::ifstream in(m_dir / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    fs::path m_dir;
};

}  // namespace

TEST_F(CFileTest, MissingFileIsNotFound) {
    CFile file;
    CFileException error;
    const std::string path = PathOf("absent.cat");
    EXPECT_FALSE(file.Open(path.c_str(), CFile::modeRead | CFile::shareDenyWrite, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    EXPECT_EQ(error.m_lOsError, 2);
    EXPECT_STREQ(error.m_strFileName, path.c_str());
    EXPECT_FALSE(file.IsOpen());

    try {
        CFile thrown(path.c_str(), CFile::modeRead);
        FAIL() << "opened a missing file";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::fileNotFound);
        EXPECT_STREQ(e.m_strFileName, path.c_str());
    }
    // In a folder that is missing too, the path is bad.
    EXPECT_FALSE(file.Open(PathOf("nofolder/absent.cat").c_str(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::badPath);
    // Without modeCreate a missing file is not made for writing either.
    EXPECT_FALSE(file.Open(path.c_str(), CFile::modeWrite, &error));
    EXPECT_EQ(error.m_cause, CFileException::fileNotFound);
    EXPECT_FALSE(fs::exists(path));
    // A folder is no file.
    EXPECT_FALSE(file.Open(m_dir.string().c_str(), CFile::modeRead, &error));
    EXPECT_EQ(error.m_cause, CFileException::accessDenied);
}

TEST_F(CFileTest, BinaryWriteReadSeekAndLength) {
    const std::string path = PathOf("data.bin");
    {
        CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
        file.Write("hello\nworld", 11);
        EXPECT_EQ(file.GetPosition(), 11u);
        EXPECT_EQ(file.GetLength(), 11u);
        file.Close();
    }
    EXPECT_EQ(ReadRaw("data.bin"), "hello\nworld");  // binary: no CR added

    CFile file(path.c_str(), CFile::modeRead | CFile::shareDenyNone);
    EXPECT_STREQ(file.GetFileName(), "data.bin");
    EXPECT_STREQ(file.GetFilePath(), path.c_str());
    char buf[16] = {};
    EXPECT_EQ(file.Seek(6, CFile::begin), 6u);
    EXPECT_EQ(file.Read(buf, 16), 5u);  // fewer only at the end
    EXPECT_STREQ(buf, "world");
    EXPECT_EQ(file.Read(buf, 4), 0u);
    EXPECT_EQ(file.Seek(-5, CFile::end), 6u);
    EXPECT_EQ(file.Seek(-1, CFile::current), 5u);
    try {
        file.Seek(-10, CFile::current);
        FAIL() << "seek before the start";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::badSeek);
    }
    // Writing to a file opened for reading fails with an exception, not silently.
    EXPECT_THROW(file.Write("x", 1), CFileException);
}

TEST_F(CFileTest, CreateTruncatesUnlessNoTruncate) {
    WriteRaw("keep.txt", "0123456789");
    const std::string path = PathOf("keep.txt");
    {
        CFile file(path.c_str(), CFile::modeCreate | CFile::modeNoTruncate | CFile::modeReadWrite);
        EXPECT_EQ(file.GetLength(), 10u);
        file.SeekToEnd();
        file.Write("AB", 2);
    }
    EXPECT_EQ(ReadRaw("keep.txt"), "0123456789AB");
    {
        CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        EXPECT_EQ(file.GetLength(), 0u);
    }
    EXPECT_EQ(ReadRaw("keep.txt"), "");
}

TEST_F(CFileTest, FullDeviceRaisesDiskFull) {
    if (!fs::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    CFile file("/dev/full", CFile::modeWrite);
    try {
        file.Write("x", 1);
        FAIL() << "a write to a full device succeeded";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.m_cause, CFileException::diskFull);
    }
    // An archive's buffered bytes meet the same failure when it closes: never lost silently.
    CArchive ar(&file, CArchive::store);
    ar << int32_t{1};
    EXPECT_THROW(ar.Close(), CFileException);
}

TEST_F(CFileTest, TextModeWritesCrLf) {
    const std::string path = PathOf("text.cfg");
    {
        CStdioFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeText);
        file.WriteString("set a \"1\" \n");
        file.WriteString("line two\n\n");
        file.Close();
    }
    EXPECT_EQ(ReadRaw("text.cfg"), "set a \"1\" \r\nline two\r\n\r\n");
    {
        // Without typeText or typeBinary a stdio file is a text file too.
        CStdioFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        EXPECT_TRUE(file.IsTextMode());
        file.WriteString("x\n");
    }
    EXPECT_EQ(ReadRaw("text.cfg"), "x\r\n");
    {
        CStdioFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::typeBinary);
        file.WriteString("x\n");
    }
    EXPECT_EQ(ReadRaw("text.cfg"), "x\n");
}

TEST_F(CFileTest, TextModeReadsEitherLineEnd) {
    WriteRaw("mixed.txt", "first\r\nsecond\nlone\rcr\r\ndouble\r\r\n\nlast");
    CStdioFile file(PathOf("mixed.txt").c_str(), CFile::modeRead | CFile::typeText);
    CString line;
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_STREQ(line, "first");
    EXPECT_EQ(file.GetPosition(), 7u);  // positions count the bytes in the file
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_STREQ(line, "second");
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_STREQ(line, "lone\rcr");  // only a CR before LF goes
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_STREQ(line, "double\r");
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_STREQ(line, "");
    ASSERT_TRUE(file.ReadString(line));
    EXPECT_STREQ(line, "last");
    EXPECT_EQ(file.GetPosition(), file.GetLength());
    EXPECT_FALSE(file.ReadString(line));
    EXPECT_TRUE(line.IsEmpty());
}

TEST_F(CFileTest, CharBufferReadKeepsTheLineFeed) {
    WriteRaw("lines.txt", "abc\r\ndefghij\n");
    CStdioFile file(PathOf("lines.txt").c_str(), CFile::modeRead);
    char buf[5];
    ASSERT_NE(file.ReadString(buf, sizeof(buf)), nullptr);
    EXPECT_STREQ(buf, "abc\n");
    // A line longer than the buffer comes in pieces of nMax - 1 characters.
    ASSERT_NE(file.ReadString(buf, sizeof(buf)), nullptr);
    EXPECT_STREQ(buf, "defg");
    ASSERT_NE(file.ReadString(buf, sizeof(buf)), nullptr);
    EXPECT_STREQ(buf, "hij\n");
    EXPECT_EQ(file.ReadString(buf, sizeof(buf)), nullptr);

    // Binary mode keeps the CR.
    CStdioFile binary(PathOf("lines.txt").c_str(), CFile::modeRead | CFile::typeBinary);
    CString line;
    ASSERT_TRUE(binary.ReadString(line));
    EXPECT_STREQ(line, "abc\r");
}

// CR LF is one character: a CR in the buffer's last place takes the LF after it along. A CR
// before anything else stays, and a buffer of one place reads nothing. Read by count, so too.
TEST_F(CFileTest, CharBufferReadTranslatesAPairAtTheBufferEnd) {
    WriteRaw("edges.txt", "abc\rx\nab\r\r\na\r\n\r\nabcd");
    CStdioFile file(PathOf("edges.txt").c_str(), CFile::modeRead);
    char one[1] = {'?'};
    EXPECT_EQ(file.ReadString(one, sizeof(one)), nullptr);
    EXPECT_EQ(one[0], '\0');
    char buf[5];
    for (const char* expected : {"abc\r", "x\n", "ab\r\n", "a\n", "\n", "abcd"}) {
        ASSERT_NE(file.ReadString(buf, sizeof(buf)), nullptr);
        EXPECT_STREQ(buf, expected);
    }
    EXPECT_EQ(file.ReadString(buf, sizeof(buf)), nullptr);
    EXPECT_STREQ(buf, "");

    WriteRaw("counted.txt", "\r\n" + std::string(510, 'z'));
    CStdioFile counted(PathOf("counted.txt").c_str(), CFile::modeRead);
    char piece[512];
    ASSERT_EQ(counted.ReadStringCount(piece, sizeof(piece)), 1u);
    EXPECT_EQ(piece[0], '\n');
    EXPECT_EQ(counted.ReadStringCount(piece, sizeof(piece)), 510u);
}

TEST_F(CFileTest, MemoryFileGrowsAndReads) {
    CMemFile file;
    file.Write("abc", 3);
    EXPECT_EQ(file.GetLength(), 3u);
    std::string big(3000, 'z');
    file.Write(big.data(), static_cast<unsigned>(big.size()));
    EXPECT_EQ(file.GetLength(), 3003u);
    file.Seek(3010, CFile::begin);  // past the end: the gap reads as zeros after a write
    file.Write("!", 1);
    EXPECT_EQ(file.GetLength(), 3011u);
    char buf[8];
    file.Seek(3002, CFile::begin);
    EXPECT_EQ(file.Read(buf, 8), 8u);
    EXPECT_EQ(std::string(buf, 8), std::string("z\0\0\0\0\0\0\0", 8));
    EXPECT_THROW(file.Seek(-1, CFile::begin), CFileException);

    uint8_t* block = file.Detach();
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block[0], 'a');
    EXPECT_EQ(block[3010], '!');
    EXPECT_EQ(file.GetLength(), 0u);
    std::free(block);
}

TEST_F(CFileTest, MemoryFileOverCallerBytes) {
    uint8_t bytes[4] = {1, 2, 3, 4};
    CMemFile file(bytes, 4);
    EXPECT_EQ(file.GetLength(), 4u);
    file.Seek(1, CFile::begin);
    file.Write("\x09", 1);
    EXPECT_EQ(bytes[1], 9);  // written in place
    file.Seek(4, CFile::begin);
    EXPECT_THROW(file.Write("x", 1), CMemoryException);  // it cannot grow
    EXPECT_EQ(bytes[3], 4);

    // Growable over caller bytes: starts empty, moves into its own block, never frees ours.
    CMemFile growing(bytes, 4, 16);
    EXPECT_EQ(growing.GetLength(), 0u);
    growing.Write("abcdef", 6);
    EXPECT_EQ(growing.GetLength(), 6u);
    EXPECT_EQ(bytes[0], 1);
}

TEST_F(CFileTest, ArchiveHandsTheFileBackWhereItStands) {
    const std::string path = PathOf("mixed.arc");
    {
        CFile file(path.c_str(), CFile::modeCreate | CFile::modeWrite);
        CArchive ar(&file, CArchive::store);
        ar << int32_t{7};
        // The file under the archive continues right after the archive's bytes.
        ar.GetFile()->Write("RAW", 3);
        ar << uint8_t{0x55};
        ar.Close();
    }
    EXPECT_EQ(ReadRaw("mixed.arc"), std::string("\x07\0\0\0RAW\x55", 8));

    CFile file(path.c_str(), CFile::modeRead);
    CArchive ar(&file, CArchive::load);
    int32_t value = 0;
    ar >> value;
    EXPECT_EQ(ar.GetBytesLeft(), 4u);
    CFile* under = ar.GetFile();
    EXPECT_EQ(under->GetPosition(), 4u);  // read-ahead given back
    char raw[3];
    EXPECT_EQ(under->Read(raw, 3), 3u);
    EXPECT_EQ(std::string(raw, 3), "RAW");
    uint8_t tail = 0;
    ar >> tail;
    EXPECT_EQ(tail, 0x55);
    EXPECT_EQ(ar.GetBytesLeft(), 0u);
    EXPECT_THROW(ar.EnsureAvailable(1), CArchiveException);
    EXPECT_STREQ(ar.GetFileName(), path.c_str());
}
