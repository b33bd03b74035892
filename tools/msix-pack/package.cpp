#include "package.h"

#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <limits>
#include <map>
#include <stdexcept>
#include <string_view>

#include "identity.h"

namespace orbalt::msix {
namespace {

constexpr std::uint16_t kVersionNeeded = 20; // 2.0: deflate, no Zip64

void Put16(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void Put32(std::vector<std::uint8_t>& out, std::uint64_t value) {
    if (value > std::numeric_limits<std::uint32_t>::max()) {
        throw std::runtime_error("the package exceeds 4 GiB, which needs Zip64");
    }
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<std::uint8_t>(value >> shift));
    }
}

std::vector<std::uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
    return text;
}

// OPC part names allow more, but these never need percent-encoding in the zip or the block map.
void CheckName(const std::string& name) {
    bool plain =
        !name.empty() && name.size() <= 260 && name.front() != '/' && name.back() != '/' &&
        name.find("//") == std::string::npos &&
        name.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789._-/") ==
            std::string::npos;
    for (std::size_t start = 0; plain && start <= name.size();) {
        std::size_t end = std::min(name.find('/', start), name.size());
        std::string_view segment(name.data() + start, end - start);
        plain = segment != "." && segment != "..";
        start = end + 1;
    }
    std::string lower = Lower(name);
    bool reserved = lower == "appxblockmap.xml" || lower == "[content_types].xml" ||
                    lower == "appxsignature.p7x" || lower.starts_with("appxmetadata/");
    if (!plain || reserved) {
        throw std::runtime_error("\"" + name + "\" cannot be a payload file name");
    }
}

std::string ContentType(const std::string& extension) {
    static const std::map<std::string, std::string> types = {
        {"xml", "application/vnd.ms-appx.manifest+xml"},
        {"exe", "application/x-msdownload"},
        {"dll", "application/x-msdownload"},
        {"png", "image/png"},
        {"jpg", "image/jpeg"},
        {"jpeg", "image/jpeg"},
        {"ico", "image/vnd.microsoft.icon"},
        {"txt", "text/plain"},
    };
    auto it = types.find(extension);
    return it != types.end() ? it->second : "application/octet-stream";
}

std::string ContentTypesXml(const std::vector<PackageFile>& files) {
    std::map<std::string, std::string> defaults;
    std::string overrides;
    for (const auto& file : files) {
        std::size_t dot = file.name.rfind('.');
        std::size_t slash = file.name.rfind('/');
        if (dot == std::string::npos || (slash != std::string::npos && dot < slash) ||
            dot + 1 == file.name.size()) {
            overrides += "<Override PartName=\"/" + EscapeXml(file.name) +
                         "\" ContentType=\"application/octet-stream\"/>";
        } else {
            std::string extension = Lower(file.name.substr(dot + 1));
            defaults.emplace(extension, ContentType(extension));
        }
    }
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                      "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">";
    for (const auto& [extension, type] : defaults) {
        xml += "<Default Extension=\"" + EscapeXml(extension) + "\" ContentType=\"" + type + "\"/>";
    }
    xml += overrides;
    xml += "<Override PartName=\"/AppxBlockMap.xml\" ContentType=\"application/vnd.ms-appx.blockmap+xml\"/>";
    xml += "</Types>";
    return xml;
}

struct Entry {
    DosStamp stamp;
    std::string name;
    std::uint32_t crc = 0;
    std::uint64_t size = 0;
    StoredData stored;
    std::uint64_t offset = 0;
};

std::uint32_t Crc32(std::span<const std::uint8_t> data) {
    uLong crc = crc32(0, nullptr, 0);
    std::size_t pos = 0;
    while (pos < data.size()) {
        auto chunk = static_cast<uInt>(std::min<std::size_t>(data.size() - pos, 1u << 30));
        crc = crc32(crc, data.data() + pos, chunk);
        pos += chunk;
    }
    return static_cast<std::uint32_t>(crc);
}

Entry MakeEntry(const PackageFile& file, DosStamp stamp) {
    return {stamp, file.name, Crc32(file.data), file.data.size(), CompressInBlocks(file.data), 0};
}

std::size_t LocalHeaderSize(const std::string& name) {
    return 30 + name.size();
}

void WriteLocalHeader(std::vector<std::uint8_t>& out, const Entry& e) {
    Put32(out, 0x04034b50);
    Put16(out, kVersionNeeded);
    Put16(out, 0); // flags: sizes are known, so no data descriptor
    Put16(out, e.stored.deflated ? 8 : 0);
    Put16(out, e.stamp.time);
    Put16(out, e.stamp.date);
    Put32(out, e.crc);
    Put32(out, e.stored.bytes.size());
    Put32(out, e.size);
    Put16(out, static_cast<std::uint32_t>(e.name.size()));
    Put16(out, 0);
    out.insert(out.end(), e.name.begin(), e.name.end());
}

void WriteCentralHeader(std::vector<std::uint8_t>& out, const Entry& e) {
    Put32(out, 0x02014b50);
    Put16(out, kVersionNeeded); // made by: MS-DOS attributes, zip version 2.0
    Put16(out, kVersionNeeded);
    Put16(out, 0);
    Put16(out, e.stored.deflated ? 8 : 0);
    Put16(out, e.stamp.time);
    Put16(out, e.stamp.date);
    Put32(out, e.crc);
    Put32(out, e.stored.bytes.size());
    Put32(out, e.size);
    Put16(out, static_cast<std::uint32_t>(e.name.size()));
    Put16(out, 0); // extra
    Put16(out, 0); // comment
    Put16(out, 0); // disk
    Put16(out, 0); // internal attributes
    Put32(out, 0); // external attributes
    Put32(out, e.offset);
    out.insert(out.end(), e.name.begin(), e.name.end());
}

std::string BlockMapXml(const std::vector<PackageFile>& files, const std::vector<Entry>& entries) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\"?>\r\n"
                      "<BlockMap xmlns=\"http://schemas.microsoft.com/appx/2010/blockmap\" "
                      "HashMethod=\"http://www.w3.org/2001/04/xmlenc#sha256\">";
    for (std::size_t i = 0; i < files.size(); ++i) {
        const auto& data = files[i].data;
        const auto& entry = entries[i];
        std::string name = entry.name;
        std::replace(name.begin(), name.end(), '/', '\\');
        xml += "<File Name=\"" + EscapeXml(name) + "\" Size=\"" + std::to_string(data.size()) +
               "\" LfhSize=\"" + std::to_string(LocalHeaderSize(entry.name)) + "\">";
        for (std::size_t block = 0, start = 0; start < data.size(); ++block, start += kBlockSize) {
            std::size_t length = std::min(kBlockSize, data.size() - start);
            xml += "<Block Hash=\"" + HashBase64("SHA256", {data.data() + start, length}) + "\"";
            if (entry.stored.deflated) {
                xml += " Size=\"" + std::to_string(entry.stored.blockSizes[block]) + "\"";
            }
            xml += "/>";
        }
        xml += "</File>";
    }
    xml += "</BlockMap>";
    return xml;
}

} // namespace

StoredData CompressInBlocks(std::span<const std::uint8_t> data) {
    StoredData result;
    if (data.empty()) {
        return result;
    }
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        throw std::runtime_error("deflateInit2 failed");
    }
    std::vector<std::uint8_t> out;
    std::array<std::uint8_t, 16384> buffer{};
    for (std::size_t start = 0; start < data.size(); start += kBlockSize) {
        std::size_t length = std::min(kBlockSize, data.size() - start);
        bool last = start + length == data.size();
        // A full flush empties the history too, so a block inflates without the ones before it.
        int flush = last ? Z_FINISH : Z_FULL_FLUSH;
        stream.next_in = const_cast<Bytef*>(data.data() + start);
        stream.avail_in = static_cast<uInt>(length);
        std::size_t before = out.size();
        int status;
        do {
            stream.next_out = buffer.data();
            stream.avail_out = static_cast<uInt>(buffer.size());
            status = deflate(&stream, flush);
            if (status == Z_STREAM_ERROR) {
                deflateEnd(&stream);
                throw std::runtime_error("deflate failed");
            }
            out.insert(out.end(), buffer.data(), buffer.data() + (buffer.size() - stream.avail_out));
        } while (stream.avail_out == 0 || (last && status != Z_STREAM_END));
        result.blockSizes.push_back(static_cast<std::uint32_t>(out.size() - before));
    }
    deflateEnd(&stream);
    if (out.size() < data.size()) {
        result.deflated = true;
        result.bytes = std::move(out);
    } else {
        result.blockSizes.clear();
        result.bytes.assign(data.begin(), data.end());
    }
    return result;
}

std::string HashBase64(const char* algorithm, std::span<const std::uint8_t> data) {
    std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
    unsigned int length = 0;
    const EVP_MD* md = EVP_get_digestbyname(algorithm);
    if (md == nullptr || EVP_Digest(data.data(), data.size(), digest.data(), &length, md, nullptr) != 1) {
        throw std::runtime_error(std::string(algorithm) + " failed");
    }
    std::array<unsigned char, 4 * ((EVP_MAX_MD_SIZE + 2) / 3) + 1> text{};
    int written = EVP_EncodeBlock(text.data(), digest.data(), static_cast<int>(length));
    return std::string(reinterpret_cast<const char*>(text.data()), static_cast<std::size_t>(written));
}

DosStamp StampOf(std::int64_t unixTime) {
    using namespace std::chrono;
    constexpr std::int64_t first = 315532800; // 1980-01-01 00:00:00
    constexpr std::int64_t last = 4354819198; // 2107-12-31 23:59:58
    sys_seconds time{seconds{std::clamp(unixTime, first, last)}};
    sys_days day = floor<days>(time);
    year_month_day date{day};
    hh_mm_ss clock{time - day};
    return {static_cast<std::uint16_t>(clock.hours().count() << 11 | clock.minutes().count() << 5 |
                                       clock.seconds().count() / 2),
            static_cast<std::uint16_t>((static_cast<int>(date.year()) - 1980) << 9 |
                                       static_cast<unsigned>(date.month()) << 5 |
                                       static_cast<unsigned>(date.day()))};
}

std::vector<std::uint8_t> BuildPackage(std::vector<PackageFile> files, DosStamp stamp) {
    bool hasManifest = false;
    for (const auto& file : files) {
        CheckName(file.name);
        hasManifest = hasManifest || file.name == "AppxManifest.xml";
    }
    if (!hasManifest) {
        throw std::runtime_error("the package has no AppxManifest.xml");
    }
    // Windows has been seen to refuse block maps out of order: sort as it compares, ignoring case.
    std::sort(files.begin(), files.end(),
              [](const PackageFile& a, const PackageFile& b) { return Lower(a.name) < Lower(b.name); });
    for (std::size_t i = 1; i < files.size(); ++i) {
        if (Lower(files[i - 1].name) == Lower(files[i].name)) {
            throw std::runtime_error("\"" + files[i].name + "\" is in the package twice");
        }
    }

    std::vector<Entry> entries;
    for (const auto& file : files) {
        entries.push_back(MakeEntry(file, stamp));
    }
    std::string blockMap = BlockMapXml(files, entries);
    entries.push_back(MakeEntry({"AppxBlockMap.xml", Bytes(blockMap)}, stamp));
    // Last, as MakeAppx writes it: signing rewrites this entry.
    entries.push_back(MakeEntry({"[Content_Types].xml", Bytes(ContentTypesXml(files))}, stamp));

    std::vector<std::uint8_t> out;
    for (auto& entry : entries) {
        entry.offset = out.size();
        WriteLocalHeader(out, entry);
        out.insert(out.end(), entry.stored.bytes.begin(), entry.stored.bytes.end());
    }
    std::uint64_t directoryOffset = out.size();
    for (const auto& entry : entries) {
        WriteCentralHeader(out, entry);
    }
    std::uint64_t directorySize = out.size() - directoryOffset;
    if (entries.size() > 0xFFFF || directoryOffset >= 0xFFFFFFFF) {
        throw std::runtime_error("the package needs Zip64");
    }
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<std::uint32_t>(entries.size()));
    Put16(out, static_cast<std::uint32_t>(entries.size()));
    Put32(out, directorySize);
    Put32(out, directoryOffset);
    Put16(out, 0); // no comment: readers look for the end record at the last 22 bytes
    return out;
}

std::vector<ZipEntry> ReadZipDirectory(std::span<const std::uint8_t> zip) {
    auto need = [&](std::uint64_t at, std::uint64_t bytes) {
        if (at > zip.size() || bytes > zip.size() - at) {
            throw std::runtime_error("the zip is cut short");
        }
    };
    auto get = [&](std::uint64_t at, int bytes) {
        need(at, static_cast<std::uint64_t>(bytes));
        std::uint64_t value = 0;
        for (int i = bytes - 1; i >= 0; --i) {
            value = value << 8 | zip[at + static_cast<std::size_t>(i)];
        }
        return value;
    };
    // Packages, ours and the signer's, end in the end record, with no comment after it.
    if (zip.size() < 22 || get(zip.size() - 22, 4) != 0x06054b50) {
        throw std::runtime_error("it is not a zip, or has a comment after its end record");
    }
    std::uint64_t end = zip.size() - 22;
    std::uint64_t count = get(end + 10, 2);
    std::uint64_t at = get(end + 16, 4);
    if (count == 0xFFFF || at == 0xFFFFFFFF) { // Zip64, as MakeAppx writes by default
        if (end < 20 || get(end - 20, 4) != 0x07064b50) {
            throw std::runtime_error("its Zip64 end record locator is missing");
        }
        std::uint64_t record = get(end - 12, 8);
        if (get(record, 4) != 0x06064b50) {
            throw std::runtime_error("its Zip64 end record is missing");
        }
        count = get(record + 32, 8);
        at = get(record + 48, 8);
    }
    std::vector<ZipEntry> entries;
    for (; count > 0; --count) {
        if (get(at, 4) != 0x02014b50) {
            throw std::runtime_error("its central directory is damaged");
        }
        std::uint64_t nameSize = get(at + 28, 2);
        need(at + 46, nameSize);
        ZipEntry entry;
        entry.name.assign(reinterpret_cast<const char*>(zip.data() + at + 46), nameSize);
        entry.method = static_cast<std::uint16_t>(get(at + 10, 2));
        entry.compressedSize = get(at + 20, 4);
        entry.size = get(at + 24, 4);
        entry.centralHeader = at;
        entry.localHeader = get(at + 42, 4);
        if (get(entry.localHeader, 4) != 0x04034b50) {
            throw std::runtime_error("no local header where the directory puts " + entry.name);
        }
        entry.localHeaderSize = 30 + get(entry.localHeader + 26, 2) + get(entry.localHeader + 28, 2);
        entries.push_back(std::move(entry));
        at += 46 + nameSize + get(at + 30, 2) + get(at + 32, 2);
    }
    return entries;
}

std::vector<std::uint8_t> ReadZipEntry(std::span<const std::uint8_t> zip, const ZipEntry& entry) {
    std::uint64_t start = entry.localHeader + entry.localHeaderSize;
    if (start > zip.size() || entry.compressedSize > zip.size() - start) {
        throw std::runtime_error(entry.name + " is cut short");
    }
    std::span<const std::uint8_t> stored = zip.subspan(start, entry.compressedSize);
    if (entry.method == 0 && entry.size == stored.size()) {
        return {stored.begin(), stored.end()};
    }
    // One byte more than the entry holds: data that inflates longer shows, and an empty entry
    // still has somewhere to write.
    std::vector<std::uint8_t> data(entry.size + 1);
    z_stream stream{};
    if (entry.method != 8 || inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
        throw std::runtime_error(entry.name + " is neither stored whole nor deflated");
    }
    stream.next_in = const_cast<Bytef*>(stored.data());
    stream.avail_in = static_cast<uInt>(stored.size());
    stream.next_out = data.data();
    stream.avail_out = static_cast<uInt>(data.size());
    int status = inflate(&stream, Z_FINISH);
    bool whole = status == Z_STREAM_END && stream.total_out == entry.size;
    inflateEnd(&stream);
    if (!whole) {
        throw std::runtime_error(entry.name + " does not inflate to its size");
    }
    data.pop_back();
    return data;
}

void RestampEntry(std::vector<std::uint8_t>& package, const std::string& name, DosStamp stamp) {
    auto put = [&](std::size_t at) {
        package[at] = static_cast<std::uint8_t>(stamp.time);
        package[at + 1] = static_cast<std::uint8_t>(stamp.time >> 8);
        package[at + 2] = static_cast<std::uint8_t>(stamp.date);
        package[at + 3] = static_cast<std::uint8_t>(stamp.date >> 8);
    };
    for (const ZipEntry& entry : ReadZipDirectory(package)) {
        if (entry.name == name) {
            put(entry.centralHeader + 12);
            put(entry.localHeader + 10);
            return;
        }
    }
    throw std::runtime_error("the package has no " + name);
}

} // namespace orbalt::msix
