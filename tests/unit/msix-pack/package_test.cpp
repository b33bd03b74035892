#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <random>
#include <stdexcept>
#include <vector>

#include "package.h"

namespace orbalt::msix {
namespace {

std::vector<std::uint8_t> Inflate(const std::uint8_t* data, std::size_t size) {
    z_stream stream{};
    EXPECT_EQ(inflateInit2(&stream, -MAX_WBITS), Z_OK);
    std::vector<std::uint8_t> out(2 * kBlockSize);
    stream.next_in = const_cast<Bytef*>(data);
    stream.avail_in = static_cast<uInt>(size);
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    int status = inflate(&stream, Z_SYNC_FLUSH);
    EXPECT_TRUE(status == Z_OK || status == Z_STREAM_END) << status;
    EXPECT_EQ(stream.avail_in, 0u);
    out.resize(out.size() - stream.avail_out);
    inflateEnd(&stream);
    return out;
}

TEST(CompressInBlocks, EachBlockInflatesOnItsOwn) {
    // Repetitive text with some noise: compressible, with matches that would span block edges.
    std::mt19937 random(7);
    std::vector<std::uint8_t> data;
    while (data.size() < 3 * kBlockSize + 1234) {
        for (char c : std::string("Orbalt block map line ")) {
            data.push_back(static_cast<std::uint8_t>(c));
        }
        data.push_back(static_cast<std::uint8_t>('a' + random() % 26));
    }
    StoredData stored = CompressInBlocks(data);
    ASSERT_TRUE(stored.deflated);
    ASSERT_EQ(stored.blockSizes.size(), 4u);
    std::size_t offset = 0;
    for (std::size_t block = 0; block < 4; ++block) {
        std::size_t start = block * kBlockSize;
        std::size_t length = std::min(kBlockSize, data.size() - start);
        std::vector<std::uint8_t> expected(data.begin() + static_cast<std::ptrdiff_t>(start),
                                           data.begin() + static_cast<std::ptrdiff_t>(start + length));
        EXPECT_EQ(Inflate(stored.bytes.data() + offset, stored.blockSizes[block]), expected)
            << "block " << block;
        offset += stored.blockSizes[block];
    }
    EXPECT_EQ(offset, stored.bytes.size());
}

TEST(CompressInBlocks, StoresWhatDoesNotShrink) {
    std::mt19937 random(11);
    std::vector<std::uint8_t> noise(kBlockSize + 10);
    for (auto& byte : noise) {
        byte = static_cast<std::uint8_t>(random());
    }
    StoredData stored = CompressInBlocks(noise);
    EXPECT_FALSE(stored.deflated);
    EXPECT_EQ(stored.bytes, noise);
    EXPECT_TRUE(stored.blockSizes.empty());

    stored = CompressInBlocks({});
    EXPECT_FALSE(stored.deflated);
    EXPECT_TRUE(stored.bytes.empty());
}

TEST(BuildPackage, RefusesNamesAPackageCannotHold) {
    auto manifest = PackageFile{"AppxManifest.xml", {'<', '/', '>'}};
    EXPECT_NO_THROW(BuildPackage({manifest, {"Assets/Logo.png", {1}}}));
    EXPECT_THROW(BuildPackage({{"Orbalt.exe", {1}}}), std::runtime_error); // no manifest
    EXPECT_THROW(BuildPackage({manifest, {"a.txt", {1}}, {"A.TXT", {2}}}), std::runtime_error);
    EXPECT_THROW(BuildPackage({manifest, {"AppxBlockMap.xml", {1}}}), std::runtime_error);
    EXPECT_THROW(BuildPackage({manifest, {"AppxSignature.p7x", {1}}}), std::runtime_error);
    EXPECT_THROW(BuildPackage({manifest, {"my file.txt", {1}}}), std::runtime_error);
    EXPECT_THROW(BuildPackage({manifest, {"../up.txt", {1}}}), std::runtime_error);
    EXPECT_THROW(BuildPackage({manifest, {"/root.txt", {1}}}), std::runtime_error);
}

} // namespace
} // namespace orbalt::msix
