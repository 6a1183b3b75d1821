#pragma once
#include "base/StringList.h"

#include <optional>
#include <string>

// Small word lists of our own for guessed settings, where no archive of words exists or none
// could be read.
kvl::TStringList GuessStates();
kvl::TStringList GuessCountryCodes(int letters); // two or three letters
kvl::TStringList GuessJobTitles();
kvl::TStringList GuessCompanies();
// count sentences of fewestWords to mostWords words: title case without a full stop, or
// ordinary sentences with one. The words are drawn from words, or from a small list of our own
// when that is missing or empty. The same arguments give the same sentences.
kvl::TStringList GuessSentences(int fewestWords, int mostWords, bool fullStop, int count,
                                const kvl::TStringList* words = nullptr);
// At most count entries of all, drawn without repeats; the same list gives the same entries.
kvl::TStringList GuessSample(const kvl::TStringList& all, int count);
kvl::TStringList GuessJsonTexts();

// Values of server types that are written as text and that no fill kind makes (JSON, network
// addresses, intervals, arrays, ranges, bit strings): a mask, or a list where a mask cannot say
// it. type is the type's name as the server writes it, in lower case ("integer[]", "bit(8)").
struct TTypedTexts {
    std::string Mask;
    kvl::TStringList List;
};
std::optional<TTypedTexts> GuessTypedTexts(const std::string& type);

// The years of dates that say nothing more of themselves: fixed rather than "the last ten years",
// so that a seed gives the same dates on any day.
inline constexpr int GuessFirstYear = 2015;
inline constexpr int GuessYears = 11;

// A mask of ISO dates ("2021-06-14", with "09:41:08" after a blank when withTime) in years from
// fromYear on: days up to the 28th, so that every value is a date.
std::string GuessDateTextMask(int fromYear, int years, bool withTime);
