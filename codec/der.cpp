#include "codec/der.h"

#include <new>

#include "codec/byte_reader.h"
#include "codec/der_length.h"
#include "codec/der_tags.h"

namespace vemo::codec {
namespace {

// Reads the tag and the length field of the one element that fills `reader`, leaving the
// reader on its contents. False unless the tag is `tag` and the contents end where the reader
// does.
bool openElement(ByteReader& reader, uint8_t tag) {
    uint8_t actualTag = 0;
    uint32_t length = 0;
    return reader.readU8(actualTag) && actualTag == tag && ReadDerLength(reader, length) &&
           length == reader.remaining();
}

// A heap copy of the next `size` bytes of `reader` into `item`.
bool copyToItem(ByteReader& reader, size_t size, DER_ITEM& item) {
    item.length = static_cast<uint32_t>(size);
    if (size == 0) return true;
    item.data = new (std::nothrow) uint8_t[size];
    return item.data != nullptr && reader.copyTo(item.data, size);
}

}  // namespace

int InitDerItem(DER_ITEM* item) {
    if (item == nullptr) return 1;
    item->length = 0;
    item->data = nullptr;
    return 0;
}

int FreeDerItem(DER_ITEM* item) {
    if (item == nullptr) return 1;
    delete[] item->data;
    return InitDerItem(item);
}

int NewDerNode(DER_NODE** node) {
    if (node == nullptr) return 1;
    *node = new (std::nothrow) DER_NODE{nullptr, {0, nullptr}};
    return *node == nullptr ? 1 : 0;
}

int FreeDerList(DER_NODE* head) {
    int result = 0;
    while (head != nullptr) {
        DER_NODE* next = head->next;
        if (FreeDerItem(&head->item) != 0) result = 1;
        delete head;
        head = next;
    }
    return result;
}

int d2c_SEQUENCE(uint32_t totalLength, const uint8_t* encoding, DER_NODE** head) {
    if (head == nullptr) return 1;
    *head = nullptr;
    if (encoding == nullptr || totalLength < 2 || encoding[0] != kTagSequence) return 1;
    // A first length byte of 0 is an empty SEQUENCE, whatever follows it.
    if (encoding[1] == 0) return 0;

    ByteReader contents(encoding, totalLength);
    // SEQUENCE {
    if (!openElement(contents, kTagSequence)) return 1;
    DER_NODE* first = nullptr;
    DER_NODE** link = &first;
    while (!contents.empty()) {
        //     element  ANY  (tag, length, contents)
        ByteReader element = contents;
        uint32_t length = 0;
        const bool fits =
            element.skip(1) && ReadDerLength(element, length) && length <= element.remaining();
        if (!fits || NewDerNode(link) != 0 ||
            !copyToItem(contents, contents.remaining() - element.remaining() + length,
                        (*link)->item)) {
            FreeDerList(first);
            return 1;
        }
        link = &(*link)->next;
    }
    // }
    *head = first;
    return 0;
}

int d2c_INTEGER(uint32_t totalLength, const uint8_t* encoding, DER_ITEM* item) {
    if (item == nullptr || encoding == nullptr) return 1;
    ByteReader contents(encoding, totalLength);
    // INTEGER
    if (!openElement(contents, kTagInteger)) return 1;
    // A leading zero byte only keeps a positive value's top bit clear: drop one, if more follow.
    uint8_t leading = 0;
    if (contents.remaining() > 1 && contents.peekU8(leading) && leading == 0) contents.skip(1);
    return copyToItem(contents, contents.remaining(), *item) ? 0 : 1;
}

}  // namespace vemo::codec
