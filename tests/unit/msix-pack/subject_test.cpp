#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "subject.h"

namespace orbalt::msix {
namespace {

// Single-valued RDNs in encoding order, each "OID=value".
std::vector<Rdn> Rdns(const std::vector<std::string>& attributes) {
    std::vector<Rdn> rdns;
    for (const std::string& attribute : attributes) {
        rdns.push_back(
            {{attribute.substr(0, attribute.find('=')), attribute.substr(attribute.find('=') + 1)}});
    }
    return rdns;
}

// Rows are Windows' rules for writing a certificate name; the RDNs are in the order a certificate
// encodes them, the texts as Windows writes them.
TEST(WindowsName, WritesAndReadsANameByWindowsRules) {
    struct Row {
        const char* rule;
        std::vector<Rdn> rdns;
        std::string text;
    };
    const Row rows[] = {
        {"reverse order, comma and blank between RDNs, S for the state",
         Rdns({"2.5.4.6=US", "2.5.4.8=Washington", "2.5.4.7=Redmond", "2.5.4.10=Microsoft Corporation",
               "2.5.4.3=Microsoft Corporation"}),
         "CN=Microsoft Corporation, O=Microsoft Corporation, L=Redmond, S=Washington, C=US"},
        {"an EV certificate of an organisation with a comma: OID. and the number for unnamed keys",
         Rdns({"1.3.6.1.4.1.311.60.2.1.3=US", "2.5.4.15=Private Organization", "2.5.4.5=1234567",
               "2.5.4.6=US", "2.5.4.8=Washington", "2.5.4.7=Redmond", "2.5.4.10=Contoso, Inc.",
               "2.5.4.3=Contoso, Inc."}),
         "CN=\"Contoso, Inc.\", O=\"Contoso, Inc.\", L=Redmond, S=Washington, C=US, SERIALNUMBER=1234567, "
         "OID.2.5.4.15=Private Organization, OID.1.3.6.1.4.1.311.60.2.1.3=US"},
        {"every other key name Windows knows",
         Rdns({"2.5.4.4=a", "2.5.4.9=b", "2.5.4.11=c", "2.5.4.12=d", "2.5.4.42=e", "2.5.4.43=f",
               "1.2.840.113549.1.9.1=g@h", "0.9.2342.19200300.100.1.25=i", "2.5.4.13=j", "2.5.4.17=k",
               "2.5.4.18=l", "2.5.4.20=m", "2.5.4.46=n"}),
         "dnQualifier=n, Phone=m, POBox=l, PostalCode=k, Description=j, DC=i, E=g@h, I=f, G=e, T=d, OU=c, "
         "STREET=b, SN=a"},
        {"blank plus blank within a multi-valued RDN, in encoded order",
         {{{"2.5.4.6", "US"}}, {{"2.5.4.11", "Sales"}, {"2.5.4.3", "Ann"}}},
         "OU=Sales + CN=Ann, C=US"},
        {"double quotes around a value with a special character, an end blank or nothing",
         Rdns({"2.5.4.3=a+b", "2.5.4.3=a=b", "2.5.4.3=a<b>", "2.5.4.3=#a", "2.5.4.3=a;b", "2.5.4.3=a\nb",
               "2.5.4.3= a", "2.5.4.3=a ", "2.5.4.3="}),
         "CN=\"\", CN=\"a \", CN=\" a\", CN=\"a\nb\", CN=\"a;b\", CN=\"#a\", CN=\"a<b>\", CN=\"a=b\", "
         "CN=\"a+b\""},
        {"a quote doubled inside quotes; no backslash escapes, inner blanks bare",
         Rdns({"2.5.4.3=say \"hi\"", "2.5.4.3=a\\b", "2.5.4.3=two words"}),
         "CN=two words, CN=a\\b, CN=\"say \"\"hi\"\"\""},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(WindowsName(row.rdns), row.text) << row.rule;
        EXPECT_EQ(ParseWindowsName(row.text), row.rdns) << row.rule;
    }
}

TEST(WindowsName, ReadsOnlyWhatWindowsWrites) {
    // Read leniently, written as Windows writes it: a Publisher is checked against the written form.
    EXPECT_EQ(WindowsName(ParseWindowsName("CN=Tessaly,O=Tessaly , C = US")), "CN=Tessaly, O=Tessaly, C=US");
    for (const char* bad : {"CN=Tessaly, ST=Washington", "CN=Tessaly, Inc., O=Tessaly",
                            "CN=\"Tessaly, O=Tessaly", "CN=\"Tessaly\" Inc.", "Tessaly"}) {
        EXPECT_THROW(ParseWindowsName(bad), std::runtime_error) << bad;
    }
}

} // namespace
} // namespace orbalt::msix
