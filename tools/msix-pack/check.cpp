#include "check.h"

#include <openssl/bio.h>
#include <openssl/buffer.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <algorithm>
#include <charconv>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "package.h"

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

std::string Attribute(std::string_view xml, std::size_t pos, const std::string& name) {
    for (const auto& [key, value] : ReadAttributes(xml, pos)) {
        if (key == name) {
            return value;
        }
    }
    return {};
}

std::string_view Text(const std::vector<std::uint8_t>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

void CheckBlockMap(std::span<const std::uint8_t> package, const std::map<std::string, ZipEntry>& entries,
                   const std::vector<std::uint8_t>& blockMapBytes) {
    std::string_view blockMap = Text(blockMapBytes);
    std::size_t root = FindStartTag(blockMap, "BlockMap", 0);
    if (root == std::string_view::npos) {
        throw std::runtime_error("its AppxBlockMap.xml has no <BlockMap>");
    }
    auto method = kHashMethods.find(Attribute(blockMap, root, "HashMethod"));
    if (method == kHashMethods.end()) {
        throw std::runtime_error("its block map's HashMethod is none of SHA-256, -384, -512");
    }
    const char* algorithm = method->second;
    std::set<std::string> listed;
    for (std::size_t file = FindStartTag(blockMap, "File", root); file != std::string_view::npos;) {
        std::size_t next = FindStartTag(blockMap, "File", file);
        std::string name = Attribute(blockMap, file, "Name");
        std::replace(name.begin(), name.end(), '\\', '/');
        auto entry = entries.find(name);
        if (entry == entries.end() || kUnmapped.contains(name)) {
            throw std::runtime_error("its block map lists " + name + ", which the package does not hold");
        }
        listed.insert(name);
        std::vector<std::uint8_t> data = ReadZipEntry(package, entry->second);
        bool matches = Attribute(blockMap, file, "Size") == std::to_string(data.size());
        std::size_t start = 0;
        for (std::size_t block = FindStartTag(blockMap, "Block", file); block < next;
             block = FindStartTag(blockMap, "Block", block), start += kBlockSize) {
            std::size_t length = std::min(kBlockSize, data.size() - std::min(start, data.size()));
            matches =
                matches && start < data.size() &&
                Attribute(blockMap, block, "Hash") == HashBase64(algorithm, {data.data() + start, length});
        }
        if (!matches || start < data.size()) {
            throw std::runtime_error(
                name + " does not match its block map (changed after the block map was written)");
        }
        file = next;
    }
    for (const auto& [name, entry] : entries) {
        if (!kUnmapped.contains(name) && name != kCatalog && !listed.contains(name)) {
            throw std::runtime_error(name +
                                     " is not in its block map (added after the block map was written)");
        }
    }
}

std::string SignerSubject(const std::vector<std::uint8_t>& signature) {
    // The entry is "PKCX" and a DER PKCS#7 SignedData.
    if (signature.size() < 4 || Text(signature).substr(0, 4) != "PKCX") {
        throw std::runtime_error("its AppxSignature.p7x does not start with PKCX");
    }
    const unsigned char* der = signature.data() + 4;
    std::unique_ptr<PKCS7, decltype(&PKCS7_free)> p7(
        d2i_PKCS7(nullptr, &der, static_cast<long>(signature.size() - 4)), PKCS7_free);
    STACK_OF(X509)* signers =
        p7 && PKCS7_type_is_signed(p7.get()) ? PKCS7_get0_signers(p7.get(), nullptr, 0) : nullptr;
    if (signers == nullptr || sk_X509_num(signers) != 1) {
        sk_X509_free(signers);
        throw std::runtime_error("its AppxSignature.p7x does not name one signer whose certificate it holds");
    }
    X509* signer = sk_X509_value(signers, 0);
    sk_X509_free(signers);
    std::unique_ptr<BIO, decltype(&BIO_free)> out(BIO_new(BIO_s_mem()), BIO_free);
    X509_NAME_print_ex(out.get(), X509_get_subject_name(signer), 0, XN_FLAG_RFC2253);
    BUF_MEM* text = nullptr;
    BIO_get_mem_ptr(out.get(), &text);
    return {text->data, text->length};
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
    CheckedPackage checked{ReadIdentity(Text(manifest)), {}};
    const std::string& architecture = checked.identity.architecture;
    if (architecture != "x64" && architecture != "neutral") {
        throw std::runtime_error("it is built for " + architecture +
                                 ": the installer deploys x64 or neutral packages only");
    }
    if (FindStartTag(Text(manifest), "Application", 0) == std::string_view::npos) {
        throw std::runtime_error(
            "its manifest declares no <Application>: a framework or resource package is not "
            "an application package");
    }
    CheckBlockMap(package, entries, read("AppxBlockMap.xml", "it has no AppxBlockMap.xml"));
    checked.signerSubject =
        SignerSubject(read("AppxSignature.p7x", "it is not signed (no AppxSignature.p7x)"));
    return checked;
}

} // namespace orbalt::msix
