// The software token's provider beside this program, registered for the run: the token and
// trace editions sign through it.
#include <gtest/gtest.h>

#include <string>

#include "support/edition_under_test.h"
#include "token/provision/provider_registration.h"

namespace vemo::test {
namespace {

class RegisteredProvider : public testing::Environment {
    void SetUp() override {
        const std::wstring directory = ProgramDirectory();
        const std::string provider = std::string(directory.begin(), directory.end()) + "\\SoftTokenCsp.dll";
        std::string error;
        ASSERT_TRUE(token::provision::RegisterTokenProvider(provider, error)) << error;
    }
};
testing::Environment* const kRegisteredProvider = testing::AddGlobalTestEnvironment(new RegisteredProvider);

}  // namespace
}  // namespace vemo::test
