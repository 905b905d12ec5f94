// Every input of a fuzz target's corpus, replayed in the ordinary build: the inputs that once
// crashed or exhausted memory stay fixed.
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include <gtest/gtest.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

// The suite is named after the target: AviReaderCorpus, CameraJpegCorpus.
TEST(KINOREE_FUZZ_SUITE, EveryInputIsHandled) {
    size_t inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(KINOREE_FUZZ_CORPUS)) {
        SCOPED_TRACE(entry.path().filename().string());
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
        EXPECT_NO_THROW(LLVMFuzzerTestOneInput(bytes.data(), bytes.size()));
        ++inputs;
    }
    EXPECT_GT(inputs, 0u);
}

}  // namespace
