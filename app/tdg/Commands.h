#pragma once
#include "Options.h"

// One function per command; each returns the process's exit status.
int DemoCommand(const TOptions& o);
int InitCommand(const TOptions& o);
int FillCommand(const TOptions& o);
int OrderCommand(const TOptions& o);
int CheckCommand(const TOptions& o);

class TSession;
// Loads --project and narrows it by --only and --rows, as fill and check both do.
void OpenProject(TSession& session, const TOptions& o);
// Prints the pre-flight findings; true when none is an error.
bool ReportCheck(TSession& session);
