#pragma once
#include "ExternalData/ExternalDataPasswords.h"

#include <array>
#include <cstdint>
#include <string_view>

// How a fill field makes its values. The numbers are stored in project files; one code means
// different things to different fill-field classes.
enum TFillType : int32_t {
    fillNothing = 0,
    fillFixed = 1,
    fillRandom = 2,
    fillList = 3,
    fillReferential = 4,
    fillGenerator = 5, // integer and float: a server generator; text: random first names
    fillLastNames = 6,
    fillAddresses = 7,
    fillCities = 8,
    fillCountries = 9,
    fillPhone = 10,
    fillEmail = 11,
    fillURL = 12,
    fillDateText = 13,
    fillTimeText = 14,
    fillDateTimeText = 15,
    fillIntegerText = 16,
    fillFloatText = 17,
    fillRandomText = 18,
    fillFullNames = 19,
    fillMasked = 20,
    fillIncreasing = 21,
    fillGUID = 22,
};

// The word lists, indexed by TExternalDataKind: cities, countries, first names, last names,
// streets; states, companies, job titles and words serve the guessed settings. The archive file in the host's
// data folder, the member inside it, and the words used in the messages while a list is loaded.
inline constexpr std::array<std::string_view, 9> TDG_EXTERNALDATA_FILENAMES = {
    "Cities.qdz", "Countries.qdz", "Firstnames.qdz", "Lastnames.qdz", "Streets.qdz",
    "States.qdz", "Companies.qdz", "JobTitles.qdz",  "Words.qdz"};
inline constexpr std::array<std::string_view, 9> TDG_EXTERNALDATA_ZIPPEDNAME = {
    "Cities.txt", "Countries.txt", "Firstnames.txt", "Lastnames.txt", "Streets.txt",
    "States.txt", "Companies.txt", "JobTitles.txt",  "Words.txt"};
inline constexpr std::array<std::string_view, 9> TDG_EXTERNALDATA_DATANAMES = {
    "city names",  "country names", "first names", "last names", "street names",
    "state names", "company names", "job titles",  "words"};
// The passwords stay next to the archive reader, where the archive build script reads them.
using tdg::TDG_EXTERNALDATA_PASSWORDS;

// Middle labels of generated e-mail and web addresses.
inline constexpr std::array<std::string_view, 8> K_Provider = {"mail",  "gmail", "yahoo", "hotmail",
                                                               "email", "web",   "post",  "inbox"};
// Domain suffixes: generic ones first, then country codes. Addresses draw only from the first
// six, so the rest never show up in generated data.
inline constexpr std::array<std::string_view, 12> K_Postfix = {"com", "net", "org", "de", "fr",    "it",
                                                               "nl",  "es",  "at",  "ch", "co.uk", "pl"};
inline constexpr int K_PostfixDrawn = 6;

// Characters of random texts: printable ASCII from '!' to '_' and the lower-case letters; no
// blank, no backquote and none of "{|}~".
inline constexpr std::string_view CharSet89 = "!\"#$%&'()*+,-./0123456789:;<=>?@"
                                              "ABCDEFGHIJKLMNOPQRSTUVWXYZ[\\]^_"
                                              "abcdefghijklmnopqrstuvwxyz";
static_assert(CharSet89.size() == 89);
