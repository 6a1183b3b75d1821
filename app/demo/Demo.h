#pragma once
#include <cstdint>
#include <string>

class TFillProjects;

// Creates the demo tables: a new SQLite file ("sqlite:PATH"), or on a server in place of any
// older demo tables there.
void CreateDemoSchema(const std::string& connectionString);

// The settings tdg init guesses for every table (GuessSettings).
void ApplySensibleSettings(TFillProjects& projects);

// The guessed settings, the demo's tables in sizes of their own: rows is the size of the largest
// table, the others in proportion.
void ApplyDemoSettings(TFillProjects& projects, int32_t rows);
