#include "check.h"

#include <algorithm>
#include <charconv>
#include <map>
#include <set>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "certificate.h"
#include "package.h"
#include "xml.h"

namespace orbalt::msix {
namespace {

// Entries the block map cannot list: itself, and the two that signing writes.
const std::set<std::string> kUnmapped = {"AppxBlockMap.xml", "[Content_Types].xml", "AppxSignature.p7x"};
// It may list the code integrity catalog or not: the signature covers that by a digest of its own.
const char kCatalog[] = "AppxMetadata/CodeIntegrity.cat";

// The block map's HashMethod and OpenSSL's name for its digest.
const std::map<std::string, const char*> kHashMethods = {
    {"http://www.w3.org/2001/04/xmlenc#sha256", "SHA256"},
    {"http://www.w3.org/2001/04/xmldsig-more#sha384", "SHA384"},
    {"http://www.w3.org/2001/04/xmlenc#sha512", "SHA512"}};

// A zip item name holds its part name percent-encoded (a space as %20); the block map holds it
// as it is.
std::string PartName(std::string_view itemName) {
    std::string name;
    for (std::size_t i = 0; i < itemName.size(); ++i) {
        unsigned char value = 0;
        const char* digits = itemName.data() + i + 1;
        if (itemName[i] == '%' && i + 2 < itemName.size() &&
            std::from_chars(digits, digits + 2, value, 16).ptr == digits + 2) {
            name += static_cast<char>(value);
            i += 2;
        } else {
            name += itemName[i];
        }
    }
    return name;
}

std::string_view Text(const std::vector<std::uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

// Each file the block map lists is in the package and matches it, block by block; each file but
// those it cannot list is in it.
void CheckBlockMap(std::span<const std::uint8_t> package, const std::map<std::string, ZipEntry>& entries,
                   pugi::xml_node root, const char* algorithm) {
    std::set<std::string> listed;
    for (pugi::xml_node file : Elements(root, kBlockMapNamespace, "File")) {
        std::string name = file.attribute("Name").value();
        std::replace(name.begin(), name.end(), '\\', '/');
        auto entry = entries.find(name);
        if (entry == entries.end() || kUnmapped.contains(name)) {
            throw std::runtime_error("its block map lists " + name + ", which the package does not hold");
        }
        listed.insert(name);
        std::vector<std::uint8_t> data = ReadZipEntry(package, entry->second);
        bool matches = file.attribute("Size").value() == std::to_string(data.size());
        std::size_t start = 0;
        for (pugi::xml_node block : Elements(file, kBlockMapNamespace, "Block")) {
            std::size_t length = std::min(kBlockSize, data.size() - std::min(start, data.size()));
            matches = matches && start < data.size() &&
                      block.attribute("Hash").value() == HashBase64(algorithm, {data.data() + start, length});
            start += kBlockSize;
        }
        if (!matches || start < data.size()) {
            throw std::runtime_error(
                name + " does not match its block map (changed after the block map was written)");
        }
    }
    for (const auto& [name, entry] : entries) {
        if (!kUnmapped.contains(name) && name != kCatalog && !listed.contains(name)) {
            throw std::runtime_error(name +
                                     " is not in its block map (added after the block map was written)");
        }
    }
}

} // namespace

const char* BlockMapDigest(std::string_view hashMethod) {
    auto method = kHashMethods.find(std::string(hashMethod));
    return method == kHashMethods.end() ? nullptr : method->second;
}

std::string ShippingRefusal(const PackageClaims& claims) {
    if (claims.architecture != "x64" && claims.architecture != "neutral") {
        return "it is built for " + claims.architecture +
               ": the installer deploys x64 or neutral packages only";
    }
    if (!claims.declaresApplication) {
        return "its manifest declares no <Application>: a framework or resource package is not an "
               "application package";
    }
    if (BlockMapDigest(claims.hashMethod) == nullptr) {
        return "its block map's HashMethod is none of SHA-256, -384, -512";
    }
    if (claims.publisher != claims.signerSubject) {
        return "its Publisher \"" + claims.publisher +
               "\" is not the Subject of the certificate that signed it (\"" + claims.signerSubject +
               "\" as Windows writes it), and Windows refuses to install such a package";
    }
    return "";
}

CheckedPackage CheckPackage(std::span<const std::uint8_t> package) {
    std::map<std::string, ZipEntry> entries;
    for (ZipEntry& entry : ReadZipDirectory(package)) {
        std::string name = PartName(entry.name);
        if (!entries.emplace(name, std::move(entry)).second) {
            throw std::runtime_error(name + " is in the package twice");
        }
    }
    auto read = [&](const std::string& name, const char* absent) {
        auto entry = entries.find(name);
        if (entry == entries.end()) {
            throw std::runtime_error(absent);
        }
        return ReadZipEntry(package, entry->second);
    };
    Manifest manifest = ReadManifest(Text(
        read("AppxManifest.xml", "it has no AppxManifest.xml (a bundle is not an application package)")));
    pugi::xml_document blockMap;
    LoadXml(blockMap, Text(read("AppxBlockMap.xml", "it has no AppxBlockMap.xml")), "AppxBlockMap.xml");
    pugi::xml_node root = blockMap.document_element();
    if (!IsElement(root, kBlockMapNamespace, "BlockMap")) {
        throw std::runtime_error("its AppxBlockMap.xml has no <BlockMap>");
    }
    CheckedPackage checked{
        manifest.identity,
        WindowsName(SignerSubject(read("AppxSignature.p7x", "it is not signed (no AppxSignature.p7x)")))};
    const char* hashMethod = root.attribute("HashMethod").value();
    std::string refusal = ShippingRefusal({checked.identity.architecture, manifest.declaresApplication,
                                           hashMethod, checked.identity.publisher, checked.signerSubject});
    if (!refusal.empty()) {
        throw std::runtime_error(refusal);
    }
    CheckBlockMap(package, entries, root, BlockMapDigest(hashMethod));
    return checked;
}

} // namespace orbalt::msix
