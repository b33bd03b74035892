// Writes an MSIX package: the payload files and AppxManifest.xml, their block map, the OPC content
// types, in a zip that osslsigncode and Windows accept (no comment, no data descriptors, Zip32,
// local headers identical to the central directory).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace orbalt::msix {

inline constexpr std::size_t kBlockSize = 65536;

struct PackageFile {
    std::string name; // package-relative path with '/' separators, e.g. "Assets/StoreLogo.png"
    std::vector<std::uint8_t> data;
};

// A file's zip data. Deflated files are flushed at every 64 KiB of input, so each block's
// compressed bytes (blockSizes) stand alone and add up to the whole.
struct StoredData {
    bool deflated = false;
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint32_t> blockSizes;
};

// Deflates in 64 KiB blocks; keeps the file stored (method 0) when that is not smaller.
StoredData CompressInBlocks(std::span<const std::uint8_t> data);

// Base64 of the digest of DATA; ALGORITHM is OpenSSL's name for it, e.g. "SHA256".
std::string HashBase64(const char* algorithm, std::span<const std::uint8_t> data);

// A zip entry's MS-DOS time and date; the default is 1980-01-01 00:00, the earliest it can hold.
struct DosStamp {
    std::uint16_t time = 0;
    std::uint16_t date = (1 << 5) | 1;
};

// The stamp of a Unix time (UTC), clamped to the years a stamp can hold (1980 to 2107).
DosStamp StampOf(std::int64_t unixTime);

// The whole package, every entry stamped STAMP. `files` must contain AppxManifest.xml;
// AppxBlockMap.xml and [Content_Types].xml are generated. Throws std::runtime_error on names a
// package cannot hold.
std::vector<std::uint8_t> BuildPackage(std::vector<PackageFile> files, DosStamp stamp = {});

// An entry as the zip's central directory describes it; offsets count from the zip's start.
struct ZipEntry {
    std::string name;
    std::uint16_t method = 0;
    std::uint64_t compressedSize = 0;
    std::uint64_t size = 0;
    std::uint64_t centralHeader = 0;
    std::uint64_t localHeader = 0;
    std::uint64_t localHeaderSize = 0;
};

// The entries of a zip whose end record ends it (Zip32 or Zip64). Throws std::runtime_error on a
// zip it cannot read.
std::vector<ZipEntry> ReadZipDirectory(std::span<const std::uint8_t> zip);

// An entry's uncompressed bytes. Throws std::runtime_error unless it is stored or deflated whole.
std::vector<std::uint8_t> ReadZipEntry(std::span<const std::uint8_t> zip, const ZipEntry& entry);

// Sets the stamp of entry NAME in both its headers. The signer adds AppxSignature.p7x with the
// clock's time; the signature covers neither of that entry's headers, so this keeps it valid.
void RestampEntry(std::vector<std::uint8_t>& package, const std::string& name, DosStamp stamp);

} // namespace orbalt::msix
