#pragma once

class TObjectListPlus;

// Reorders the list in place so that every table comes after the tables its foreign keys
// reference, as far as cycles allow; a cycle is broken at the table with the fewest keys into
// the tables still waiting.
void ShuffleTablesAccordingToFKs(TObjectListPlus& List);
