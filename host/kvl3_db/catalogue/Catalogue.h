#pragma once
#include "CatalogueSource.h"

#include <memory>
#include <mutex>

namespace kvl {

// The catalogue of one database, read through a source on first demand and kept until Refresh.
// Tables read their columns, keys, indices and triggers when first asked.
std::shared_ptr<IKVL_Database> KVL_CreateCatalogue(std::shared_ptr<TKVL_CatalogueSource> source);

// Identifier quoting shared by the drivers: a plain lower-case (or upper-case, for servers that
// fold to upper case) name that is no keyword stays bare, any other is put in double quotes.
std::string KVL_QuoteIdentifier(const std::string& name, bool foldsToUpper);
bool KVL_IsQuotedIdentifier(const std::string& text);

// The condition of a check as servers write it back ("CHECK (x > 0) NOT VALID"): without the
// keyword, the remark and the outer parentheses.
std::string KVL_CheckCondition(const std::string& text);

} // namespace kvl
