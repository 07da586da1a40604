// A minimal DER reader: a SEQUENCE split into a list of copies of its elements, and an
// INTEGER's contents without its sign byte. Every function answers 0 for success and 1 for
// failure; lengths take the short form or a long form of up to four length bytes.
#pragma once

#include <cstdint>

namespace vemo::codec {

// A byte string on the heap, owned by the item. Empty: length 0 and data null.
struct DER_ITEM {
    uint32_t length;
    uint8_t* data;
};

// One element of a SEQUENCE: a private copy of its complete encoding (tag, length, contents).
struct DER_NODE {
    DER_NODE* next;
    DER_ITEM item;
};

// Makes the item empty. 1 for a null item.
int InitDerItem(DER_ITEM* item);
// Releases the item's data and makes it empty. 1 for a null item.
int FreeDerItem(DER_ITEM* item);
// Allocates a node with no successor and an empty item into `*node`. 1 when out of memory.
int NewDerNode(DER_NODE** node);
// Releases every node of the list from `head` (null is an empty list). 1 if an item release
// failed.
int FreeDerList(DER_NODE* head);

// Splits the SEQUENCE whose complete encoding is the `totalLength` bytes at `encoding` into a
// list of its elements; `*head` receives the list (null for an empty SEQUENCE) on success and
// null on failure. Fails when the tag is not SEQUENCE, the stated length disagrees with
// `totalLength`, or the elements do not end exactly where the contents end.
int d2c_SEQUENCE(uint32_t totalLength, const uint8_t* encoding, DER_NODE** head);

// The contents of the INTEGER whose complete encoding is the `totalLength` bytes at `encoding`,
// with one leading zero (sign) byte dropped when more bytes follow it, into `*item`, which
// must be empty on entry. Fails when the tag is not INTEGER or the stated length disagrees
// with `totalLength`.
int d2c_INTEGER(uint32_t totalLength, const uint8_t* encoding, DER_ITEM* item);

}  // namespace vemo::codec
