#include "support/store_fixture.h"

#include <gtest/gtest.h>

#include "support/token_fixture.h"

namespace vemo::test {

using token::provision::StoreChange;

ScopedStoreEntry::ScopedStoreEntry(const char* store, const std::string& fixture, StoreLocation where)
    : store_(store), where_(where) {
    std::string error;
    const auto entry = token::provision::StoreEntryFromFile(FixtureBytes(fixture), error);
    if (!entry) {
        ADD_FAILURE() << fixture << ": " << error;
        return;
    }
    entry_ = *entry;
    const StoreChange change = token::provision::AddStoreEntry(store_, where_, entry_, error);
    EXPECT_NE(change, StoreChange::Failed) << fixture << " into " << store_ << ": " << error;
    added_ = change == StoreChange::Changed;
}

ScopedStoreEntry::~ScopedStoreEntry() {
    if (!added_) return;
    std::string error;
    EXPECT_EQ(token::provision::RemoveStoreEntry(store_, where_, entry_, error), StoreChange::Changed)
        << "out of " << store_ << ": " << error;
    // Read back from the registry: the removal was written, the prefix is as it was.
    EXPECT_EQ(token::provision::RemoveStoreEntry(store_, where_, entry_, error), StoreChange::Unchanged) << store_;
}

}  // namespace vemo::test
