#pragma once
#include <cstdint>

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
