#include "TFillHeldSpans.h"

#include "TFillErrorLog.h"
#include "TFillProject.h"
#include "TFillProjects.h"
#include "TFillStructureEngine.h"
#include "base/Exceptions.h"
#include "base/Format.h"

#include <exception>

TFillHeldSpans::TFillHeldSpans(TFillProjects& projects)
    : projects_(projects), spans_(HeldSpansOf(projects)) {}

TFillHeldSpans::~TFillHeldSpans() {
    if (!open_) return;
    try {
        lose("Rolled back with the tables filled in one transaction", "the run ended inside them");
        projects_.StructureEngine->ReleaseTransaction(false);
    } catch (...) {
        // the failure that ended the run is what the caller reports
    }
    projects_.TransactionHeld = false;
}

TFillHeldSpans::TEmptying::TEmptying(TFillProjects& projects) : projects_(projects) {
    std::vector<std::string> keys;
    for (const THeldSpan& span : HeldSpansOf(projects)) {
        bool emptied = false;
        for (int i = span.First; i <= span.Last; ++i)
            emptied =
                emptied || (projects.getFillProject(i)->EmptyFirst && projects.getFillProject(i)->doFill);
        if (emptied) keys.insert(keys.end(), span.Keys.begin(), span.Keys.end());
    }
    if (keys.empty()) return;
    projects.StructureEngine->HoldTransaction(keys);
    held_ = true;
}

TFillHeldSpans::TEmptying::~TEmptying() {
    if (!held_) return;
    try {
        projects_.StructureEngine->ReleaseTransaction(false);
    } catch (...) {
        // the failure that ended the emptying is what the caller reports
    }
}

void TFillHeldSpans::TEmptying::Commit() {
    if (!held_) return;
    held_ = false;
    projects_.StructureEngine->ReleaseTransaction(true);
}

void TFillHeldSpans::BeforeTable(int index) {
    current_ = index;
    if (open_) return;
    for (const THeldSpan& span : spans_) {
        if (span.First != index) continue;
        projects_.doTaskUpdate(projects_.getFillProject(index),
                               "Filling the tables of a cycle in one transaction...");
        projects_.StructureEngine->HoldTransaction(span.Keys);
        open_ = &span;
        projects_.TransactionHeld = true;
        return;
    }
}

void TFillHeldSpans::AfterTable(int index) {
    if (!open_ || open_->Last != index) return;
    const THeldSpan& span = *open_;
    try {
        SetHeldKeys(projects_, span);
        projects_.StructureEngine->ReleaseTransaction(true);
    } catch (const std::exception& e) {
        lose("Error while committing", e.what());
        try {
            projects_.StructureEngine->ReleaseTransaction(false);
        } catch (...) {
        }
        open_ = nullptr;
        projects_.TransactionHeld = false;
        throw kvl::Exception("Error while committing the tables of a cycle filled in one transaction: " +
                             CleanServerMessage(e.what()));
    }
    open_ = nullptr;
    projects_.TransactionHeld = false;
    for (int i = span.First; i <= span.Last; ++i) {
        TFillProject* p = projects_.getFillProject(i);
        if (p->doFill && !p->StopRequested) projects_.doFillFinished(p);
    }
}

// The rows the tables counted went with the transaction: a count is what the database holds.
void TFillHeldSpans::lose(const std::string& heading, const std::string& message) {
    for (int i = open_->First; i <= open_->Last && i <= current_; ++i) {
        TFillProject* p = projects_.getFillProject(i);
        if (!p->doFill) continue;
        TFillStatistics& s = p->Statistics;
        const int lost = s.RowsInserted;
        s.RowsLost += lost;
        s.RowsInserted = 0;
        AddErrorEntry(s.Log, kvl::Format("%s (%d rows lost):", {heading, lost}), message);
    }
}
