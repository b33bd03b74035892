#include "certificate.h"

#include <openssl/bio.h>
#include <openssl/pem.h>
#include <openssl/pkcs7.h>
#include <openssl/x509.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace orbalt::msix {
namespace {

std::vector<Rdn> Rdns(const X509_NAME* name) {
    std::vector<Rdn> rdns;
    for (int i = 0; i < X509_NAME_entry_count(name); ++i) {
        const X509_NAME_ENTRY* entry = X509_NAME_get_entry(name, i);
        // Entries of one multi-valued RDN follow each other and share its index.
        if (i == 0 || X509_NAME_ENTRY_set(entry) != X509_NAME_ENTRY_set(X509_NAME_get_entry(name, i - 1))) {
            rdns.emplace_back();
        }
        char oid[128];
        int oidLength = OBJ_obj2txt(oid, sizeof(oid), X509_NAME_ENTRY_get_object(entry), 1);
        unsigned char* text = nullptr;
        int length = ASN1_STRING_to_UTF8(&text, X509_NAME_ENTRY_get_data(entry));
        std::unique_ptr<unsigned char, void (*)(unsigned char*)> owned(
            text, [](unsigned char* p) { OPENSSL_free(p); });
        if (oidLength <= 0 || oidLength >= static_cast<int>(sizeof(oid)) || length < 0) {
            throw std::runtime_error("the certificate's Subject holds an attribute that is not text");
        }
        rdns.back().push_back({oid, std::string(reinterpret_cast<const char*>(text), length)});
    }
    return rdns;
}

} // namespace

std::vector<Rdn> CertificateSubject(std::span<const std::uint8_t> file) {
    std::unique_ptr<BIO, decltype(&BIO_free)> in(BIO_new_mem_buf(file.data(), static_cast<int>(file.size())),
                                                 BIO_free);
    std::unique_ptr<X509, decltype(&X509_free)> certificate(
        PEM_read_bio_X509(in.get(), nullptr, nullptr, nullptr), X509_free);
    if (!certificate) {
        const unsigned char* der = file.data();
        certificate.reset(d2i_X509(nullptr, &der, static_cast<long>(file.size())));
    }
    if (!certificate) {
        throw std::runtime_error("it holds no certificate (PEM or DER)");
    }
    return Rdns(X509_get_subject_name(certificate.get()));
}

std::vector<Rdn> SignerSubject(std::span<const std::uint8_t> signature) {
    if (signature.size() < 4 || std::string(signature.begin(), signature.begin() + 4) != "PKCX") {
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
    return Rdns(X509_get_subject_name(signer));
}

} // namespace orbalt::msix
