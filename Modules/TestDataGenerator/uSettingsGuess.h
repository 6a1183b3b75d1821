#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class TFillProjects;
class TFillProject;
class TCustomFillField;
class TIntegerFillField;

struct TGuessOptions {
    // Columns that have a fill type already keep their settings.
    bool KeepSettings = false;
    // The tables to guess; every table when unset.
    std::function<bool(const TFillProject&)> Only;
    // Folders of files for BLOB columns to take their contents from, one for geometries (point and
    // geometry columns) and one for the others; without one such columns stay unfilled, for the
    // user to choose files.
    std::string BlobFolder;
    std::string GeometryFolder;
};

// Settings a user would otherwise click through, for every table guessed: each is marked for
// filling, keys are numbered, foreign keys draw from the referenced column, and a column gets
// values by what its name says it holds (names, addresses, e-mail, prices, dates ...), kept
// within its type, its length, its CHECK constraints, its domain, its enum and the table's
// partitions. Columns that no setting fits stay unfilled.
void GuessSettings(TFillProjects& projects, const TGuessOptions& options = {});

// Whether a BLOB column holds geometries (point or geometry), which take files of their own.
bool IsGeometryColumn(const TCustomFillField& field);

// A column name as words in lower case joined by "_": "BillingFirstName", "billing first name"
// and "billing_first_name" give the same.
std::string NormalisedColumnName(const std::string& name);

// The conditions on the field's values that are read from the catalogue, as SQL texts: the
// table's checks, its partition bounds and the column's domain checks (their VALUE stands for
// the column).
std::vector<std::string> ChecksOfTable(const TFillProject& project);
std::vector<std::string> DomainChecksOf(const TCustomFillField& field);

// The highest value a counter may reach in its column: the top of its type, or lower where a
// check or a domain ends its range; nothing when the field is not a counting integer.
std::optional<int64_t> HighestCounterValue(const TFillProject& project, const TCustomFillField& field);

// A primary key of one whole foreign key and one counter, as order lines keyed by their order
// and a line number: the run numbers the rows of each referenced row on their own.
struct TNumberedKey {
    TIntegerFillField* Field = nullptr;
    int64_t Top = 0;                  // the counter's highest value
    std::vector<std::string> Columns; // the foreign key's
    std::string Table, Owner;         // the referenced table
};
std::optional<TNumberedKey> NumberedKeyCounter(TFillProject& project);
