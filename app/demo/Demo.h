#pragma once
#include <cstdint>
#include <string>

class TFillProjects;

// Creates the demo tables: a new SQLite file ("sqlite:PATH"), or on a server in place of any
// older demo tables there.
void CreateDemoSchema(const std::string& connectionString);

// Settings a user would otherwise click through: keys numbered, foreign keys drawn from the
// referenced column, columns named like e-mail, first name, city ... filled with those kinds.
void ApplySensibleSettings(TFillProjects& projects);

// The sensible settings plus what the demo schema's CHECK constraints ask for; rows is the
// size of the largest table, the others in proportion.
void ApplyDemoSettings(TFillProjects& projects, int32_t rows);
