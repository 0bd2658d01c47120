// bz.dll as the program uses it: loaded at run time, the undecorated stdcall
// BZ2_bzBuffToBuffDecompress looked up by name. A calling-convention mismatch
// corrupts the stack on i686, which a few hundred calls in a row expose.
#include <windows.h>

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

using BuffToBuffDecompress = int(WINAPI*)(char* dest, unsigned int* destLen, char* source, unsigned int sourceLen,
                                          int small, int verbosity);

constexpr int kBzOk = 0;

std::string ProgramDll()
{
    return test_support::Join(test_support::EnvOr("TALMORIS_PROGRAM_DIR", ""), "bz.dll");
}

}  // namespace

TEST(BzDll, DecompressesWhatTheBzip2ToolPackedManyTimesOver)
{
    HMODULE dll = LoadLibraryA(ProgramDll().c_str());
    ASSERT_NE(dll, nullptr) << ProgramDll() << " error " << GetLastError();
    auto decompress = reinterpret_cast<BuffToBuffDecompress>(
        reinterpret_cast<void*>(GetProcAddress(dll, "BZ2_bzBuffToBuffDecompress")));
    ASSERT_NE(decompress, nullptr);

    auto packed = test_support::ReadAll(test_support::FixturePath("bzip2/sample.txt.bz2"));
    const auto plain = test_support::ReadAll(test_support::FixturePath("bzip2/sample.txt"));
    ASSERT_FALSE(packed.empty());
    std::vector<char> out(plain.size() + 16);
    for (int i = 0; i < 300; ++i) {
        unsigned int outLen = static_cast<unsigned int>(out.size());
        ASSERT_EQ(decompress(out.data(), &outLen, reinterpret_cast<char*>(packed.data()),
                             static_cast<unsigned int>(packed.size()), 0, 0),
                  kBzOk)
            << "call " << i;
        ASSERT_EQ(outLen, plain.size());
    }
    EXPECT_EQ(std::vector<unsigned char>(out.begin(), out.begin() + static_cast<long>(plain.size())), plain);

    // A damaged stream is an error code, not a crash.
    packed[packed.size() / 2] ^= 0x55;
    unsigned int outLen = static_cast<unsigned int>(out.size());
    EXPECT_NE(decompress(out.data(), &outLen, reinterpret_cast<char*>(packed.data()),
                         static_cast<unsigned int>(packed.size()), 0, 0),
              kBzOk);
    // Too small a buffer is refused, never overrun.
    outLen = 10;
    packed = test_support::ReadAll(test_support::FixturePath("bzip2/sample.txt.bz2"));
    EXPECT_NE(decompress(out.data(), &outLen, reinterpret_cast<char*>(packed.data()),
                         static_cast<unsigned int>(packed.size()), 0, 0),
              kBzOk);
    FreeLibrary(dll);
}
