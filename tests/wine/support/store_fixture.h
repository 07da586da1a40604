// Certificates in the prefix's stores for a test's lifetime: a store's whole contents replaced
// and put back, or one entry of the test PKI put in and taken out again; and certificates made
// on the spot with the fields a test needs (long names, long serial numbers).
#pragma once

#include <windows.h>
#include <wincrypt.h>

#include <string>
#include <vector>

#include "token/provision/store_entries.h"

namespace vemo::test {

using Der = std::vector<uint8_t>;

// Makes the current user's system store `name` ("MY", "AddressBook") hold exactly
// `certificates`, in this order, for the object's lifetime; what it held before (properties
// and key links included) is put back afterwards.
class ScopedStoreContents {
public:
    ScopedStoreContents(const char* name, const std::vector<Der>& certificates);
    ~ScopedStoreContents();
    ScopedStoreContents(const ScopedStoreContents&) = delete;
    ScopedStoreContents& operator=(const ScopedStoreContents&) = delete;

private:
    std::string name_;
    std::vector<Der> saved_;  // serialized store elements
};

// A certificate (version 3 unless told otherwise) with the subject `x500` (as CertStrToNameW
// reads it) and the serial number `serial` (most significant byte first), issued by
// "CN=Vemo Test Maker", valid from 2001-02-03 04:05:06 to 2040-11-12 13:14:15 UTC; with a
// subject alternative name holding the e-mail address `altEmail` when one is given; for the
// key `rsaPublicKey` (an RSAPublicKey's DER) when one is given, else the maker's.
Der MadeCertificate(const std::wstring& x500, const Der& serial, DWORD version = CERT_V3,
                    const std::wstring& altEmail = L"", const Der& rsaPublicKey = {});

// The one-line PEM the library makes of a DER certificate.
std::string OneLinePem(const Der& der);

// A certificate or revocation list of the test PKI put into a system store of the prefix for
// one test and taken out again, so that the prefix is left as the test found it. An entry the
// store already held stays where it was.
using token::provision::StoreLocation;

class ScopedStoreEntry {
public:
    // `fixture`: a file of the test PKI ("root-a.crt.der", "root-a.crl.der", ...).
    ScopedStoreEntry(const char* store, const std::string& fixture,
                     StoreLocation where = StoreLocation::CurrentUser);
    ~ScopedStoreEntry();
    ScopedStoreEntry(const ScopedStoreEntry&) = delete;
    ScopedStoreEntry& operator=(const ScopedStoreEntry&) = delete;

private:
    std::string store_;
    StoreLocation where_;
    token::provision::StoreEntry entry_;
    bool added_ = false;
};

}  // namespace vemo::test
