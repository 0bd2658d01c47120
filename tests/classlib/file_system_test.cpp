#include "classlib/file_system.h"

#include <gtest/gtest.h>

#include "classlib/exceptions.h"
#include "classlib/streams.h"
#include "support/test_support.h"

TEST(FileSystem, FileExistsIsFalseForFolders)
{
    test_support::TempFolder folder;
    EXPECT_FALSE(FileExists(folder.Path()));
    EXPECT_TRUE(DirectoryExists(folder.Path()));
    test_support::WriteAll(folder.File("f"), "x");
    EXPECT_TRUE(FileExists(folder.File("f")));
    EXPECT_FALSE(DirectoryExists(folder.File("f")));
    EXPECT_FALSE(FileExists(folder.File("missing")));
}

TEST(FileSystem, ForceDirectoriesMakesEveryLevel)
{
    test_support::TempFolder folder;
    const String deep = test_support::Join(test_support::Join(folder.File("a"), "b"), "c");
    EXPECT_TRUE(ForceDirectories(IncludeTrailingPathDelimiter(deep)));
    EXPECT_TRUE(DirectoryExists(deep));
    EXPECT_TRUE(ForceDirectories(deep));  // already there
    test_support::WriteAll(folder.File("file"), "x");
    EXPECT_FALSE(ForceDirectories(test_support::Join(folder.File("file"), "sub")));
}

TEST(FileSystem, AtomicWriteReplacesWholeAndLeavesNoTemporaryFile)
{
    test_support::TempFolder folder;
    const String file = folder.File("owned.dat");
    ASSERT_TRUE(WriteFileAtomically(file, "old contents", 12));
    ASSERT_TRUE(WriteFileAtomically(file, "new", 3));
    const auto bytes = test_support::ReadAll(file);
    EXPECT_EQ(String(bytes.begin(), bytes.end()), "new");
    EXPECT_EQ(test_support::FolderEntries(folder.Path()), std::vector<std::string>{"owned.dat"});
    ASSERT_TRUE(WriteFileAtomically(file, nullptr, 0));
    EXPECT_TRUE(FileExists(file));
    EXPECT_TRUE(test_support::ReadAll(file).empty());

    // A target that can't be written leaves nothing behind.
    const String inMissingFolder = test_support::Join(folder.File("missing"), "x.dat");
    EXPECT_FALSE(WriteFileAtomically(inMissingFolder, "x", 1));
    TMemoryStream stream;
    EXPECT_THROW(stream.SaveToFile(inMissingFolder), EFCreateError);
}

TEST(FileSystem, CopyAndFreeNames)
{
    test_support::TempFolder folder;
    const String source = folder.File("source");
    std::string big(200000, '\0');
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>(i * 7);
    test_support::WriteAll(source, big);
    ASSERT_TRUE(CopyFileOver(source, folder.File("copy")));
    EXPECT_EQ(test_support::ReadAll(folder.File("copy")), test_support::ReadAll(source));
    EXPECT_FALSE(CopyFileOver(folder.File("missing"), folder.File("copy2")));
    EXPECT_FALSE(FileExists(folder.File("copy2")));

    EXPECT_EQ(FreeFileName(folder.File("name")), folder.File("name"));
    test_support::WriteAll(folder.File("name"), "x");
    test_support::WriteAll(folder.File("name.1"), "x");
    EXPECT_EQ(FreeFileName(folder.File("name")), folder.File("name.2"));
}

TEST(FileSystem, ReadStreamChecksItsEnd)
{
    test_support::TempFolder folder;
    test_support::WriteAll(folder.File("five"), "12345");
    TFileReadStream stream(folder.File("five"));
    EXPECT_EQ(stream.Size(), 5);
    char buffer[8] = {};
    stream.ReadBuffer(buffer, 3);
    EXPECT_EQ(String(buffer, 3), "123");
    EXPECT_EQ(stream.Remaining(), 2);
    EXPECT_THROW(stream.ReadBuffer(buffer, 3), EReadError);
    stream.SetPosition(100);
    EXPECT_EQ(stream.Remaining(), 0);
    EXPECT_EQ(stream.Read(buffer, 1), 0u);
    EXPECT_THROW(TFileReadStream(folder.File("missing")), EFOpenError);
}

TEST(FileSystem, UpdateStreamReadsWritesAndCutsInPlace)
{
    test_support::TempFolder folder;
    const std::string path = folder.File("update.bin");
    EXPECT_THROW(TFileUpdateStream missing(path), EFOpenError) << "an update stream never creates a file";
    test_support::WriteAll(path, std::string("abcdef"));
    {
        TFileUpdateStream file(path);
        EXPECT_EQ(file.Size(), 6);
        char two[2];
        ASSERT_EQ(file.Read(two, 2), 2u);            // "ab"
        ASSERT_EQ(file.Write("XY", 2), 2u);          // over "cd", straight after a read
        ASSERT_EQ(file.Read(two, 2), 2u);            // "ef", straight after a write
        EXPECT_EQ(std::string(two, 2), "ef");
        ASSERT_EQ(file.Write("gh", 2), 2u);          // past the old end
        EXPECT_EQ(file.Size(), 8);
        file.SetPosition(5);
        ASSERT_TRUE(file.Truncate());
        EXPECT_EQ(file.Size(), 5);
        ASSERT_EQ(file.Write("!", 1), 1u);
        file.SetPosition(0);
        char all[6];
        ASSERT_EQ(file.Read(all, 6), 6u);
        EXPECT_EQ(std::string(all, 6), "abXYe!");
        EXPECT_TRUE(file.Flush());
    }
    const std::vector<unsigned char> bytes = test_support::ReadAll(path);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "abXYe!");
}
