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

void CheckBlockMap(std::span<const std::uint8_t> package, const std::map<std::string, ZipEntry>& entries,
                   const std::vector<std::uint8_t>& blockMapBytes) {
    pugi::xml_document document;
    LoadXml(document, Text(blockMapBytes), "AppxBlockMap.xml");
    pugi::xml_node root = document.document_element();
    if (!IsElement(root, kBlockMapNamespace, "BlockMap")) {
        throw std::runtime_error("its AppxBlockMap.xml has no <BlockMap>");
    }
    auto method = kHashMethods.find(root.attribute("HashMethod").value());
    if (method == kHashMethods.end()) {
        throw std::runtime_error("its block map's HashMethod is none of SHA-256, -384, -512");
    }
    const char* algorithm = method->second;
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
    std::vector<std::uint8_t> manifest =
        read("AppxManifest.xml", "it has no AppxManifest.xml (a bundle is not an application package)");
    Manifest parsed = ReadManifest(Text(manifest));
    CheckedPackage checked{parsed.identity, {}};
    const std::string& architecture = checked.identity.architecture;
    if (architecture != "x64" && architecture != "neutral") {
        throw std::runtime_error("it is built for " + architecture +
                                 ": the installer deploys x64 or neutral packages only");
    }
    if (!parsed.declaresApplication) {
        throw std::runtime_error(
            "its manifest declares no <Application>: a framework or resource package is not "
            "an application package");
    }
    CheckBlockMap(package, entries, read("AppxBlockMap.xml", "it has no AppxBlockMap.xml"));
    checked.signerSubject =
        WindowsName(SignerSubject(read("AppxSignature.p7x", "it is not signed (no AppxSignature.p7x)")));
    if (checked.identity.publisher != checked.signerSubject) {
        throw std::runtime_error("its Publisher \"" + checked.identity.publisher +
                                 "\" is not the Subject of the certificate that signed it (\"" +
                                 checked.signerSubject +
                                 "\" as Windows writes it), and Windows refuses to install such a package");
    }
    return checked;
}

} // namespace orbalt::msix
