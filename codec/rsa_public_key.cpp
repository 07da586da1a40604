#include "codec/rsa_public_key.h"

#include <cstring>

#include "codec/der.h"

namespace vemo::codec {
namespace {

uint32_t bitClass(uint32_t modulusLength) {
    if (modulusLength <= 64) return 512;
    if (modulusLength <= 128) return 1024;
    if (modulusLength <= 256) return 2048;
    return 4096;
}

// Reads the INTEGER `element` into `field`, right-aligned, and gives its length in bytes.
// False when it is not an INTEGER or does not fit the field.
bool readIntegerInto(const DER_ITEM& element, uint8_t (&field)[kRsaPublicKeyFieldSize],
                     uint32_t& length) {
    DER_ITEM value{0, nullptr};
    const bool read = d2c_INTEGER(element.length, element.data, &value) == 0;
    length = value.length;
    const bool fits = read && length <= sizeof field;
    if (fits && length != 0) std::memcpy(field + sizeof field - length, value.data, length);
    FreeDerItem(&value);
    return fits;
}

// The two INTEGERs of the RSAPublicKey SEQUENCE's `elements` into `key`.
bool readKey(const DER_NODE* elements, RSA_PUBLIC_KEY& key) {
    uint32_t modulusLength = 0;
    uint32_t exponentLength = 0;
    // modulus  INTEGER,
    if (!readIntegerInto(elements->item, key.modulus, modulusLength)) return false;
    key.bits = bitClass(modulusLength);
    // publicExponent  INTEGER
    const DER_NODE* exponent = elements->next;
    return exponent != nullptr && readIntegerInto(exponent->item, key.exponent, exponentLength);
}

}  // namespace

int d2c_RSA_PUBLIC_KEY(const uint8_t* der, int32_t length, RSA_PUBLIC_KEY* key) {
    if (key == nullptr) return 1;
    std::memset(key, 0, sizeof *key);
    if (der == nullptr || length < 0) return 1;
    // RSAPublicKey ::= SEQUENCE { modulus INTEGER, publicExponent INTEGER }
    DER_NODE* elements = nullptr;
    if (d2c_SEQUENCE(static_cast<uint32_t>(length), der, &elements) != 0 || elements == nullptr)
        return 1;
    const bool read = readKey(elements, *key);
    const int released = FreeDerList(elements);
    return read ? released : 1;
}

}  // namespace vemo::codec
