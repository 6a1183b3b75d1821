#include "uSettingsGuess.h"

#include <gtest/gtest.h>

namespace {

TEST(SettingsGuessTest, ColumnNamesAreReadAsWordsWhateverTheirSpelling) {
    const std::pair<const char*, const char*> cases[] = {
        {"first name", "first_name"},
        {"FirstName", "first_name"},
        {"FIRST_NAME", "first_name"},
        {"firstName", "first_name"},
        {"billing_first_name", "first_name"},
        {"ShippingCity", "city"},
        {"HTTPServerURL", "http_server_url"},
        {"address1", "address1"},
        {"e-mail", "e_mail"},
        {"billing", "billing"},
        {"  ", ""},
        {"Line2Text", "line2_text"},
    };
    for (const auto& [name, expected] : cases)
        EXPECT_EQ(NormalisedColumnName(name), expected) << name;
}

} // namespace
